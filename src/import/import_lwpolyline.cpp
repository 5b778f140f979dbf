#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/extended_reading.h"
#include "import/layer_resolution.h"
#include "import/vertex_run.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// One LWPOLYLINE while it is read. The declared count only bounds the vertices taken: room
// grows as vertices arrive, so a count the file does not back with vertices costs nothing.
struct LwPolylineEntity {
    std::string layerName;
    bool closed = false;
    std::int32_t declared = 0;       // the latest group 90
    bool verticesStarted = false;    // the first group 10 has come
    std::int32_t bound = 0;          // most vertices taken: the smallest count since that 10
    std::vector<MAP_COORDPT> points; // complete vertices, in map units
    bool holdingX = false;           // an x waits for its y
    std::int32_t pendingX = 0;
    // Kept by the extended import only: the file values of the vertices in `points` with their
    // bulges, the extrusion direction and the elevation of the object plane.
    std::vector<std::array<double, 3>>* raw = nullptr; // the context's room: x, y, bulge
    double pendingRawX = 0.0;
    bool curved = false; // a vertex has a bulge other than 0
    Vector3 extrusion{0.0, 0.0, 1.0};
    double elevation = 0.0;
};

enum class GroupOutcome { ReadOn, StopAfterThis, StopBefore };

// A coordinate of a vertex: the numeric value check, then the map-unit conversion. A malformed
// value, or one that is no 32-bit map coordinate, counts as a file value of 0 (which still gets
// the offset) and stops reading after its group.
GroupOutcome ConvertCoordinate(const GroupPair& pair, const ImportContext& context, Axis axis,
                               bool topLevel, std::int32_t& coordinate, double& fileValue) {
    double value = 0.0;
    bool usable = StoreChecked(pair, value);
    fileValue = usable ? value : 0.0;
    auto converted = ToMapUnits(context, usable ? value : 0.0, axis, topLevel);
    if (!converted) {
        usable = false;
        converted = ToMapUnits(context, 0.0, axis, topLevel); // an offset alone always fits
    }
    coordinate = converted.value_or(0);
    return usable ? GroupOutcome::ReadOn : GroupOutcome::StopAfterThis;
}

// Until the first x the bound is the count declared so far: a y that comes before any x is
// measured against group 90 like every other vertex group.
bool HasRoomForVertex(const LwPolylineEntity& entity) {
    const std::int32_t bound = entity.verticesStarted ? entity.bound : entity.declared;
    return entity.points.size() < static_cast<std::size_t>(std::max(bound, 0));
}

GroupOutcome TakeCount(const GroupPair& pair, LwPolylineEntity& entity) {
    std::int32_t count = 0;
    if (ScanInt(pair.value, count) != ScanResult::Matched)
        return GroupOutcome::StopBefore;
    entity.declared = count;
    if (entity.verticesStarted) // a later count can only lower the bound
        entity.bound = std::min(entity.bound, count);
    return GroupOutcome::ReadOn;
}

GroupOutcome TakeX(const GroupPair& pair, const ImportContext& context, bool topLevel,
                   LwPolylineEntity& entity) {
    if (!entity.verticesStarted) {
        entity.verticesStarted = true;
        entity.bound = entity.declared;
        if (entity.bound <= 0)
            return GroupOutcome::StopBefore;
    }
    if (!HasRoomForVertex(entity))
        return GroupOutcome::ReadOn; // vertices beyond the declared count are ignored
    std::int32_t x = 0;
    const GroupOutcome outcome =
        ConvertCoordinate(pair, context, Axis::X, topLevel, x, entity.pendingRawX);
    if (entity.holdingX)
        return GroupOutcome::StopBefore; // two x in a row
    entity.pendingX = x;
    entity.holdingX = true;
    return outcome;
}

GroupOutcome TakeY(const GroupPair& pair, const ImportContext& context, bool topLevel,
                   LwPolylineEntity& entity) {
    if (!HasRoomForVertex(entity))
        return GroupOutcome::ReadOn;
    std::int32_t y = 0;
    double rawY = 0.0;
    const GroupOutcome outcome = ConvertCoordinate(pair, context, Axis::Y, topLevel, y, rawY);
    if (!entity.holdingX)
        return GroupOutcome::StopBefore; // a y without its x
    entity.points.push_back(MAP_COORDPT{entity.pendingX, y});
    if (context.extendedEntities) {
        entity.raw->push_back({entity.pendingRawX, rawY, 0.0});
    }
    entity.holdingX = false;
    return outcome;
}

// The groups only the extended import reads: the bulge of the vertex read last, the extrusion
// direction and the elevation. A malformed value stops reading after its group.
GroupOutcome TakeExtendedGroup(const GroupPair& pair, LwPolylineEntity& entity) {
    bool malformed = false;
    if (pair.code == 42 && !entity.raw->empty() && !entity.holdingX) {
        double& bulge = entity.raw->back()[2];
        malformed = !StoreFinite(pair, bulge);
        entity.curved = entity.curved || bulge != 0.0;
    } else if (pair.code == 38) {
        malformed = !StoreFinite(pair, entity.elevation);
    } else {
        TakeExtrusion(pair, entity.extrusion, malformed);
    }
    return malformed ? GroupOutcome::StopAfterThis : GroupOutcome::ReadOn;
}

GroupOutcome TakeGroup(const GroupPair& pair, const ImportContext& context, bool topLevel,
                       LwPolylineEntity& entity) {
    switch (pair.code) {
    case 8:
        entity.layerName.assign(pair.value);
        return GroupOutcome::ReadOn;
    case 90:
        return TakeCount(pair, entity);
    case 70:
        entity.closed = (ParseInt(pair.value) & 1) != 0;
        return GroupOutcome::ReadOn;
    case 10:
        return TakeX(pair, context, topLevel, entity);
    case 20:
        return TakeY(pair, context, topLevel, entity);
    default:
        return context.extendedEntities ? TakeExtendedGroup(pair, entity) : GroupOutcome::ReadOn;
    }
}

// The extended import's object of a polyline with arc segments or in a plane other than the
// plan view: the first `count` vertices with their bulges, projected onto the plan view.
void CreateCurvedRun(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                     const LwPolylineEntity& entity, std::size_t count) {
    const auto axes = AxesForExtrusion(entity.extrusion);
    if (!axes || count == 0)
        return; // a direction without length gives no plane: malformed
    const ObjectAxes* plane = IsWorldExtrusion(entity.extrusion) ? nullptr : &*axes;
    CurvePoints curve(context);
    const auto& raw = *entity.raw;
    curve.Add(ProjectToPlan(plane, raw[0][0], raw[0][1], entity.elevation));
    const std::size_t segments = entity.closed ? count : count - 1;
    for (std::size_t i = 0; i < segments; ++i) {
        const std::size_t next = (i + 1) % count;
        AppendBulge(curve, {raw[i][0], raw[i][1]}, {raw[next][0], raw[next][1]}, raw[i][2], plane,
                    entity.elevation);
    }
    CreateCurveObject(map, context, blockSlot, entity.layerName, curve.points, entity.closed);
}

} // namespace

std::int32_t ImportLwPolyline(HWND map, GroupReader& reader, GroupPair& pair,
                              ImportContext& context, OBJHANDLE* blockSlot) {
    LwPolylineEntity entity;
    if (context.extendedEntities) {
        entity.raw = &context.bulgeVertices;
        entity.raw->clear();
    }
    const bool topLevel = blockSlot == nullptr;
    while (NextEntityGroup(reader, pair) == EntityStep::Group) {
        if (TakeGroup(pair, context, topLevel, entity) != GroupOutcome::ReadOn)
            break; // whatever stopped reading stays current for the caller
    }
    // The layer is resolved whether or not the vertices read make an object.
    TakeLayerStep(map, context, entity.layerName);
    const std::size_t count =
        std::min(entity.points.size(), static_cast<std::size_t>(std::max(entity.bound, 0)));
    if (context.extendedEntities && (entity.curved || !IsWorldExtrusion(entity.extrusion))) {
        CreateCurvedRun(map, context, blockSlot, entity, count); // joins the block itself
        return 0;
    }
    AddToGroup(map, blockSlot,
               CreateRunObject(map, std::span(entity.points.data(), count), entity.closed));
    return 0;
}
