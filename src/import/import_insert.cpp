#include "host/host_calls.h"
#include "host/window_record.h"
#include "import/attribute_texts.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/extended_inserts.h"
#include "import/inserts.h"
#include "import/layer_resolution.h"
#include "import/rebuilt_copies.h"

#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace layer_call;

// What an INSERT reads. The insertion point is kept as the file gives it (a missing coordinate
// is 0, as DXF defines) and converted once reading ends.
struct InsertFields {
    std::string blockName;
    std::string layerName;
    double x = 0.0;
    double y = 0.0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double rotation = 0.0;
};

// An insertion coordinate. A value that is malformed, or that is no map coordinate after the
// multiplier and the offsets (not finite, outside the 32-bit map), is a malformed value of its
// group: it is stored as 0 and ends the reading after the pair.
bool TakeInsertionCoordinate(const GroupPair& pair, const ImportContext& context, Axis axis,
                             bool topLevel, double& target) {
    const bool wellFormed = StoreChecked(pair, target);
    if (wellFormed && ToMapUnits(context, target, axis, topLevel))
        return true;
    target = 0.0;
    return false;
}

// A scale or the rotation. A zero (or an empty value) leaves the default in place; so does a
// value that is malformed or not finite, which also ends the reading after the pair.
bool TakeFactor(const GroupPair& pair, double& target) {
    const CheckedNumber number = CheckNumber(pair.value);
    if (number.malformed || !std::isfinite(number.value))
        return false;
    if (number.value != 0.0)
        target = number.value;
    return true;
}

// Takes one group of the INSERT; false when its value is malformed, which ends the reading
// after the pair.
bool TakeInsertGroup(const GroupPair& pair, const ImportContext& context, bool topLevel,
                     InsertFields& fields) {
    switch (pair.code) {
    case 2:
        fields.blockName.assign(pair.value);
        return true;
    case 8:
        fields.layerName.assign(pair.value);
        return true;
    case 10:
        return TakeInsertionCoordinate(pair, context, Axis::X, topLevel, fields.x);
    case 20:
        return TakeInsertionCoordinate(pair, context, Axis::Y, topLevel, fields.y);
    case 30:
    case 43:
        return !CheckNumber(pair.value).malformed; // checked, never used: the map is flat
    case 41:
        return TakeFactor(pair, fields.scaleX);
    case 42:
        return TakeFactor(pair, fields.scaleY);
    case 50:
        return TakeFactor(pair, fields.rotation);
    default:
        return true; // column and row arrays (44, 45, 70, 71) and the rest are not expanded
    }
}

// What only the extended import reads of an INSERT.
struct ExtendedInsertReading {
    InsertPlacement placement;
    AttributeTexts texts;
};

// Reads the INSERT's groups and its attributes up to the pair that ends it; `extended` is given
// for the extended import only. Returns the continue flag: 0 after a malformed value or at the
// end of the file.
std::int32_t ReadInsert(GroupReader& reader, GroupPair& pair, const ImportContext& context,
                        bool topLevel, InsertFields& fields, InsertAttributes& attributes,
                        ExtendedInsertReading* extended) {
    for (;;) {
        if (!ReadPair(pair, reader))
            return 0;
        LookupKeyword(pair);
        if (pair.keyword == KeywordId::Attrib) {
            const AttributesEnd end = ReadAttributes(reader, pair, context, attributes,
                                                     extended ? &extended->texts : nullptr);
            if (end == AttributesEnd::FileEnd)
                return 0;
            if (end == AttributesEnd::Keyword)
                return 1;
            continue; // after SEQEND its own groups are read as the INSERT's
        }
        if (pair.code == 0 || pair.keyword != KeywordId::None)
            return 1;
        if (extended)
            TakeInsertArrayGroup(pair, extended->placement);
        if (!TakeInsertGroup(pair, context, topLevel, fields))
            return 0;
    }
}

std::optional<std::int32_t> Difference(std::int32_t a, std::int32_t b) {
    const std::int64_t difference = std::int64_t{a} - std::int64_t{b};
    if (difference < std::numeric_limits<std::int32_t>::min() ||
        difference > std::numeric_limits<std::int32_t>::max())
        return std::nullopt;
    return static_cast<std::int32_t>(difference);
}

// The host transform that takes the block's objects from the block's base point to the
// insertion point, or none when the move does not fit 32 bits. The reading has already put 0
// in place of a coordinate that is no map coordinate, and kept the scales and the rotation
// finite.
std::optional<TreeTransform> PlaceInsert(const ImportContext& context, const InsertFields& fields,
                                         const BlockRecord& block, bool topLevel) {
    const auto x = ToMapUnits(context, fields.x, Axis::X, topLevel);
    const auto y = ToMapUnits(context, fields.y, Axis::Y, topLevel);
    if (!x || !y)
        return std::nullopt;
    const auto dx = Difference(*x, block.baseX);
    const auto dy = Difference(*y, block.baseY);
    if (!dx || !dy)
        return std::nullopt;
    TreeTransform transform;
    transform.reference = {block.baseX, block.baseY};
    transform.dx = *dx;
    transform.dy = *dy;
    transform.scaleX = fields.scaleX;
    transform.scaleY = fields.scaleY;
    transform.angleDegrees = fields.rotation;
    return transform;
}

// A copy of the block's objects, made where the host puts copies; null when none was made.
OBJHANDLE CopyBlock(HWND map, const BlockRecord& block) {
    DBHANDLE database = WindowObjectDatabase(map);
    OBJHANDLE target = nullptr;
    if (OBJHANDLE root = GetRootOBJect(map, kRootCopyTarget)) {
        std::int32_t cursor = 0;
        target = FirstReference(database, root, kRefGroupChildren, &cursor);
    }
    return CopyStruct(target, database, block.object);
}

void MoveToLayer(HWND map, OBJHANDLE layer, const OBJHANDLE* objects, std::int32_t count) {
    map_layer_Set(map, layer, objects, count, kAnyNumber, nullptr, kUnchanged, kUnchanged,
                  kUnchangedAttr9, kUnchanged, kMakeCurrent, kUnchanged16, 0, 0);
}

// Puts the copy (or, for a group, its members) on the map layer of the INSERT's layer.
void MoveCopyToLayer(HWND map, ImportContext& context, const std::string& layerName,
                     OBJHANDLE copy) {
    OBJHANDLE layer = ResolveLayerByName(map, context, layerName);
    if (!layer)
        return;
    if (map_object_type_Get(map, copy) != kTypeGroup) {
        MoveToLayer(map, layer, &copy, 1);
        return;
    }
    std::int32_t count = 0;
    map_group_Get(map, copy, &count, nullptr, 0, kAllLevels);
    if (count <= 0)
        return;
    std::vector<OBJHANDLE> members(static_cast<std::size_t>(count));
    map_group_Get(map, copy, nullptr, members.data(), count, kAllLevels);
    MoveToLayer(map, layer, members.data(), count);
}

// Whether the copy still fits under the cap on inserted objects; the cap is never passed.
bool WithinInsertLimit(const ImportContext& context, const BlockRecord& block) {
    const std::uint64_t cap = context.insertedObjectCap;
    return block.objectCount <= cap && context.insertedObjects <= cap - block.objectCount;
}

// The extended import's placing: the classic transform for one copy in the world's plane,
// arrays and other planes through PlaceInsertCopies, blocks defined later kept for later.
void PlaceExtendedInsert(HWND map, ImportContext& context, const InsertFields& fields,
                         const InsertPlacement& placement, OBJHANDLE* blockSlot) {
    const BlockRecord* block = context.blocks.Find(fields.blockName);
    if (block && IsPlainPlacement(placement) && !IsWaiting(context, fields.blockName)) {
        if (auto transform = PlaceInsert(context, fields, *block, blockSlot == nullptr)) {
            const double multiplier = context.multiplierInUse ? context.multiplier : 1.0;
            transform->heightScale = placement.scaleZ;
            transform->heightShift =
                placement.plane.z * multiplier - placement.scaleZ * double(block->baseZ);
            PlaceBlockCopy(map, context, *block, *transform, fields.layerName, blockSlot);
        }
        return;
    }
    PlaceOrDeferInsert(map, context, fields.blockName, fields.layerName, placement, blockSlot);
}

} // namespace

bool PlaceBlockCopy(HWND map, ImportContext& context, const BlockRecord& block,
                    const TreeTransform& transform, const std::string& layerName,
                    OBJHANDLE* blockSlot) {
    // A block kept only to receive copies of later definitions may have none yet.
    if (!block.object || !WithinInsertLimit(context, block))
        return false;
    OBJHANDLE copy = CopyBlock(map, block);
    if (!copy)
        return false;
    context.insertedObjects += block.objectCount;
    if (!layerName.empty())
        MoveCopyToLayer(map, context, layerName, copy);
    TransformObjectTree(map, copy, transform);
    if (blockSlot && context.extendedEntities &&
        (!context.blockShapes.empty() || transform.heightShift != 0.0 ||
         transform.heightScale != 1.0))
        CarryBlockShapes(map, context, block.object, copy, transform);
    if (blockSlot)
        AddToGroup(map, blockSlot, copy);
    return true;
}

std::int32_t ImportInsert(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    // An INSERT inside a block definition is placed in block coordinates: the enclosing INSERT
    // is shifted by the offsets once, at the top level.
    const bool topLevel = blockSlot == nullptr;
    InsertFields fields;
    InsertAttributes attributes(context);
    ExtendedInsertReading extended;
    const std::int32_t continueFlag =
        ReadInsert(reader, pair, context, topLevel, fields, attributes,
                   context.extendedEntities ? &extended : nullptr);
    attributes.Finish();
    if (context.extendedEntities) {
        InsertPlacement& placement = extended.placement;
        placement.x = fields.x;
        placement.y = fields.y;
        placement.scaleX = fields.scaleX;
        placement.scaleY = fields.scaleY;
        placement.rotationDegrees = fields.rotation;
        if (!fields.blockName.empty())
            PlaceExtendedInsert(map, context, fields, placement, blockSlot);
        extended.texts.Create(map, context, blockSlot, placement);
        return continueFlag;
    }

    if (fields.blockName.empty())
        return 0;
    const BlockRecord* block = context.blocks.Find(fields.blockName);
    if (!block)
        return 0;
    const std::optional<TreeTransform> transform = PlaceInsert(context, fields, *block, topLevel);
    if (transform)
        PlaceBlockCopy(map, context, *block, *transform, fields.layerName, blockSlot);
    return continueFlag;
}
