#include "import/extended_inserts.h"

#include "import/layer_resolution.h"
#include "import/rebuilt_copies.h"

#include <cmath>
#include <limits>
#include <numbers>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

// Array counts are 16-bit in the DXF format; anything beyond is no count.
constexpr std::int32_t kMaxArrayCount = 32767;
// Below this length the block's x axis, seen from above, counts as collapsed.
constexpr double kCollapsed = 1e-9;

std::optional<std::int32_t> DifferenceOf(std::int32_t a, std::int32_t b) {
    const std::int64_t difference = std::int64_t{a} - std::int64_t{b};
    if (difference < std::numeric_limits<std::int32_t>::min() ||
        difference > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(difference);
}

// The host transform of the cell whose offset in the insert's rotated plane is (u, v). The
// plane's axes, seen from above, make a linear map; its rotation and its two scales (the shear
// of a tilted plane left out) become the host's angle and scales.
std::optional<TreeTransform> CellTransform(const ImportContext& context, const BlockRecord& block,
                                           const InsertPlacement& placement, const ObjectAxes* axes,
                                           double u, double v, bool topLevel) {
    const double radians = placement.rotationDegrees * std::numbers::pi / 180.0;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    Vector3 point{placement.x + c * u - s * v, placement.y + s * u + c * v, placement.plane.z};
    double angle = placement.rotationDegrees;
    double scaleX = placement.scaleX;
    double scaleY = placement.scaleY;
    if (axes) {
        point = ToWorld(*axes, point);
        const Vector3 first = ToWorld(*axes, {c, s, 0.0});
        const Vector3 second = ToWorld(*axes, {-s, c, 0.0});
        const double length = std::hypot(first.x, first.y);
        if (!(length > kCollapsed))
            return std::nullopt;
        angle = std::atan2(first.y, first.x) * 180.0 / std::numbers::pi;
        scaleX *= length;
        scaleY *= (first.x * second.y - first.y * second.x) / length;
    }
    const auto x = ToMapUnits(context, point.x, Axis::X, topLevel);
    const auto y = ToMapUnits(context, point.y, Axis::Y, topLevel);
    if (!x || !y || !std::isfinite(scaleX) || !std::isfinite(scaleY) || !std::isfinite(angle))
        return std::nullopt;
    const auto dx = DifferenceOf(*x, block.baseX);
    const auto dy = DifferenceOf(*y, block.baseY);
    if (!dx || !dy)
        return std::nullopt;
    TreeTransform transform;
    transform.reference = {block.baseX, block.baseY};
    transform.dx = *dx;
    transform.dy = *dy;
    transform.scaleX = scaleX;
    transform.scaleY = scaleY;
    transform.angleDegrees = angle;
    // Seen from below, heights turn over.
    const double side = axes && axes->zAxis.z < 0.0 ? -1.0 : 1.0;
    const double multiplier = context.multiplierInUse ? context.multiplier : 1.0;
    transform.heightScale = side * placement.scaleZ;
    transform.heightShift =
        side * (placement.plane.z * multiplier - placement.scaleZ * double(block.baseZ));
    return transform;
}

bool CapReached(const ImportContext& context, const BlockRecord& block) {
    const std::uint64_t cap = context.insertedObjectCap;
    return block.objectCount > cap || context.insertedObjects > cap - block.objectCount;
}

void PlaceDeferred(HWND map, ImportContext& context, const DeferredInsert& deferred) {
    BlockRecord* owner = context.blocks.FindForUpdate(deferred.owner);
    const BlockRecord* block = context.blocks.Find(deferred.blockName);
    if (!owner || !block || owner == block)
        return;
    PlaceInsertCopies(map, context, *block, deferred.placement, deferred.layerName, &owner->object);
}

} // namespace

bool TakeInsertArrayGroup(const GroupPair& pair, InsertPlacement& placement) {
    if (TakePlaneGroup(pair, placement.plane)) {
        placement.malformed = placement.malformed || placement.plane.malformed;
        return true;
    }
    switch (pair.code) {
    case 43: {
        const CheckedNumber number = CheckNumber(pair.value);
        if (number.malformed || !std::isfinite(number.value))
            placement.malformed = true;
        else if (number.value != 0.0)
            placement.scaleZ = number.value; // 0 leaves the default, as for 41 and 42
        return true;
    }
    case 44:
    case 45:
        if (!StoreChecked(pair, pair.code == 44 ? placement.columnSpacing : placement.rowSpacing))
            placement.malformed = true;
        return true;
    case 70:
    case 71: {
        std::int32_t count = ParseInt(pair.value);
        if (count == 0)
            count = 1; // DXF's default
        if (count < 1 || count > kMaxArrayCount)
            placement.malformed = true;
        (pair.code == 70 ? placement.columns : placement.rows) = count;
        return true;
    }
    default:
        return false;
    }
}

bool IsWaiting(const ImportContext& context, const std::string& blockName) {
    return !context.waitingBlocks.empty() && context.waitingBlocks.contains(blockName);
}

bool IsPlainPlacement(const InsertPlacement& placement) {
    return placement.columns == 1 && placement.rows == 1 &&
           IsWorldExtrusion(placement.plane.extrusion);
}

void PlaceInsertCopies(HWND map, ImportContext& context, const BlockRecord& block,
                       const InsertPlacement& placement, const std::string& layerName,
                       OBJHANDLE* blockSlot) {
    if (placement.malformed || block.objectCount == 0)
        return;
    std::optional<ObjectAxes> axes;
    if (!IsWorldExtrusion(placement.plane.extrusion)) {
        axes = AxesForExtrusion(placement.plane.extrusion);
        if (!axes)
            return;
    }
    const bool topLevel = blockSlot == nullptr;
    const bool rebuilt = axes && NeedsRebuiltCopy(*axes);
    if (rebuilt)
        TakeLayerStep(map, context, layerName);
    for (std::int32_t row = 0; row < placement.rows; ++row) {
        for (std::int32_t column = 0; column < placement.columns; ++column) {
            if (CapReached(context, block))
                return;
            if (rebuilt) {
                if (!PlaceRebuiltCopy(map, context, block, placement, *axes,
                                      column * placement.columnSpacing, row * placement.rowSpacing,
                                      blockSlot))
                    return;
                continue;
            }
            const auto transform = CellTransform(context, block, placement, axes ? &*axes : nullptr,
                                                 column * placement.columnSpacing,
                                                 row * placement.rowSpacing, topLevel);
            if (!transform)
                return; // the next cells lie further out still, or the plane is edge-on
            if (!PlaceBlockCopy(map, context, block, *transform, layerName, blockSlot))
                return; // the host made no copy: it will make none for the next cell either
        }
    }
}

void PlaceOrDeferInsert(HWND map, ImportContext& context, const std::string& blockName,
                        const std::string& layerName, const InsertPlacement& placement,
                        OBJHANDLE* blockSlot) {
    if (blockName.empty())
        return;
    const BlockRecord* block = context.blocks.Find(blockName);
    if (block && !IsWaiting(context, blockName)) {
        PlaceInsertCopies(map, context, *block, placement, layerName, blockSlot);
        return;
    }
    if (blockSlot)
        context.deferredInserts.push_back({std::string(), blockName, layerName, placement});
}

void ResolveDeferredInserts(HWND map, ImportContext& context) {
    const std::vector<DeferredInsert> deferred = std::move(context.deferredInserts);
    context.deferredInserts.clear();
    // Kahn's order over the owners: an INSERT is placed once the block it inserts waits for
    // nothing more.
    std::unordered_map<std::string_view, std::size_t> waiting; // owner -> its unplaced INSERTs
    std::unordered_map<std::string_view, std::vector<std::size_t>> insertsOf; // block -> INSERTs
    for (std::size_t i = 0; i < deferred.size(); ++i) {
        ++waiting[deferred[i].owner];
        insertsOf[deferred[i].blockName].push_back(i);
    }
    std::vector<std::size_t> ready;
    for (std::size_t i = 0; i < deferred.size(); ++i) {
        if (!waiting.contains(deferred[i].blockName))
            ready.push_back(i);
    }
    while (!ready.empty()) {
        const DeferredInsert& insert = deferred[ready.back()];
        ready.pop_back();
        PlaceDeferred(map, context, insert);
        if (--waiting[insert.owner] != 0)
            continue;
        if (BlockRecord* owner = context.blocks.FindForUpdate(insert.owner))
            owner->objectCount = CountObjectTree(map, owner->object);
        if (const auto found = insertsOf.find(insert.owner); found != insertsOf.end())
            ready.insert(ready.end(), found->second.begin(), found->second.end());
    }
    context.waitingBlocks.clear();
}
