#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/extended_reading.h"
#include "import/layer_resolution.h"
#include "import/mesh_polyline.h"
#include "import/vertex_run.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

// The header flag of a 3-D polyline.
constexpr std::int32_t k3dPolylineFlag = 8;
// The point buffer starts with room for this many points and grows by at least as many again.
constexpr std::size_t kPointBufferStep = 500;
// The host counts points in 32 bits.
constexpr std::size_t kMaxRunPoints = std::numeric_limits<std::int32_t>::max();

// One POLYLINE entity while it is read: header values, the current vertex as the file gave it,
// the run being collected and the group of the objects made so far.
struct PolylineEntity {
    std::string layerName;
    bool closed = false;
    // Raw file values; a vertex without group 10 or 20 keeps the previous vertex's value, which
    // is converted again from the file value, never from an already converted one.
    double x = kNotGiven;
    double y = kNotGiven;
    std::vector<MAP_COORDPT> points; // the current run, in map units
    OBJHANDLE entitySlot = nullptr;
    // Read by the extended import only: the header's flags and mesh sizes, the current vertex's
    // bulge and flags, and the file values of the run's first and last vertices.
    std::int32_t flags = 0;
    MeshHeader mesh;
    double bulge = 0.0;
    std::int32_t vertexFlags = 0;
    PlanPoint runFirst;
    PlanPoint last;
    double lastBulge = 0.0;
    std::size_t curvePoints = 0; // points made for arc segments so far
    // A 2-D polyline's object plane (null: the plan view) and its elevation (header group 30).
    Vector3 extrusion{0.0, 0.0, 1.0};
    double elevation = 0.0;
    ObjectAxes axes;
    const ObjectAxes* plane = nullptr;
};

// Reads the header groups up to the first pair whose value is a keyword (a pair with code 0 and
// no keyword does not end it); the extended import also reads the mesh sizes, the elevation and
// the extrusion direction. False when the file ended first.
bool ReadHeader(GroupReader& reader, GroupPair& pair, PolylineEntity& entity, bool extended) {
    for (;;) {
        if (!ReadPair(pair, reader))
            return false;
        if (LookupKeyword(pair))
            return true;
        if (pair.code == 8) {
            entity.layerName.assign(pair.value);
        } else if (pair.code == 70) {
            entity.flags = ParseInt(pair.value);
            entity.closed = (entity.flags & 1) != 0;
        } else if (!extended) {
            continue; // the classic import reads no more of the header
        } else if (pair.code == 71) {
            entity.mesh.m = ParseInt(pair.value);
        } else if (pair.code == 72) {
            entity.mesh.n = ParseInt(pair.value);
        } else if (pair.code == 30) {
            entity.elevation = ParseDouble(pair.value);
        } else if (const int which = CoordinateOf(pair.code, 210); which >= 0) {
            StoreCoordinate(pair, entity.extrusion, which);
        }
    }
}

// Reads the groups of one VERTEX into x and y (only the groups present overwrite them) up to the
// next pair whose value is a keyword, which stays current; returns 1 then. Returns 0 when no
// pair can be read, when x or y is malformed (that pair stays current) or when group 70 is not
// 0: flagged vertices belong to meshes, splines and 3-D polylines, which are not imported.
std::int32_t ReadVertex(GroupReader& reader, GroupPair& pair, double& x, double& y) {
    for (;;) {
        if (!ReadPair(pair, reader))
            return 0;
        if (LookupKeyword(pair))
            return 1;
        switch (pair.code) {
        case 10:
            if (!StoreChecked(pair, x))
                return 0;
            break;
        case 20:
            if (!StoreChecked(pair, y))
                return 0;
            break;
        case 70:
            if (ParseInt(pair.value) != 0)
                return 0;
            break;
        default:
            break;
        }
    }
}

// The extended import's VERTEX: as ReadVertex, but flagged vertices are read too (their flags
// kept) and so is the bulge (group 42), which a malformed value makes return 0 as well.
std::int32_t ReadExtendedVertex(GroupReader& reader, GroupPair& pair, PolylineEntity& entity) {
    entity.bulge = 0.0;
    entity.vertexFlags = 0;
    for (;;) {
        if (!ReadPair(pair, reader))
            return 0;
        if (LookupKeyword(pair))
            return 1;
        if ((pair.code == 10 && !StoreChecked(pair, entity.x)) ||
            (pair.code == 20 && !StoreChecked(pair, entity.y)) ||
            (pair.code == 42 && !StoreFinite(pair, entity.bulge)))
            return 0;
        if (pair.code == 70)
            entity.vertexFlags = ParseInt(pair.value);
    }
}

std::int32_t ReadVertexOf(GroupReader& reader, GroupPair& pair, PolylineEntity& entity,
                          bool extended) {
    return extended ? ReadExtendedVertex(reader, pair, entity)
                    : ReadVertex(reader, pair, entity.x, entity.y);
}

// Grows the buffer when the next vertex would fill it: by one step, or by half its room once
// that is more, so that a run of ten million vertices is copied a few dozen times, not twenty
// thousand. Throws std::bad_alloc when memory runs out; RunEntityHandler then ends the entity:
// the current run is lost, the objects of earlier runs stay, and the entity's objects are not
// handed to the block.
void MakeRoomForNextVertex(std::vector<MAP_COORDPT>& points) {
    if (points.size() + 1 < points.capacity())
        return;
    const std::size_t room = points.capacity();
    if (room + kPointBufferStep > kMaxRunPoints)
        throw std::bad_alloc();
    points.reserve(std::min(room + std::max(kPointBufferStep, room / 2), kMaxRunPoints));
}

// The extended import's arc segment from the previous vertex of the run to the current one,
// when the previous vertex has a bulge: the points between the two, in map units. False when
// one is no map coordinate.
bool AppendArcSegment(const ImportContext& context, bool topLevel, PolylineEntity& entity,
                      PlanPoint to) {
    if (entity.points.empty() || entity.lastBulge == 0.0)
        return true;
    CurvePoints curve(context);
    curve.limit = kMaxCurvePoints - std::min(entity.curvePoints, kMaxCurvePoints);
    AppendBulge(curve, entity.last, to, entity.lastBulge, entity.plane, entity.elevation);
    curve.points.pop_back(); // the vertex itself is stored by its caller
    entity.curvePoints += curve.points.size();
    return ToMapPoints(context, topLevel, curve.points, entity.points);
}

// The extended import's step before the current vertex joins the run: a spline's frame point
// (vertex flag 16) is passed over, an arc segment reaching the vertex is added, and the vertex
// becomes the run's last (and first) file point.
bool StoreArcBefore(const ImportContext& context, bool topLevel, PolylineEntity& entity) {
    const PlanPoint current{entity.x, entity.y};
    if (entity.lastBulge != 0.0 && !AppendArcSegment(context, topLevel, entity, current))
        return false;
    if (entity.points.empty())
        entity.runFirst = current;
    entity.last = current;
    entity.lastBulge = entity.bulge;
    return true;
}

// The extended import's StoreVertex: the arc segment reaching the vertex first, and the vertex
// projected from its object plane.
bool StoreExtendedVertex(const ImportContext& context, bool topLevel, PolylineEntity& entity) {
    if (!StoreArcBefore(context, topLevel, entity))
        return false;
    const PlanPoint point = entity.plane
                                ? ProjectToPlan(entity.plane, entity.x, entity.y, entity.elevation)
                                : PlanPoint{entity.x, entity.y};
    const auto x = ToMapUnits(context, point.x, Axis::X, topLevel);
    const auto y = ToMapUnits(context, point.y, Axis::Y, topLevel);
    if (!x || !y)
        return false;
    entity.points.push_back(MAP_COORDPT{*x, *y});
    return true;
}

// Converts the current vertex to map units and appends it to the run; false when a coordinate
// is no 32-bit map coordinate, which refuses the vertex like a malformed value.
bool StoreVertex(const ImportContext& context, bool topLevel, PolylineEntity& entity) {
    if (context.extendedEntities)
        return StoreExtendedVertex(context, topLevel, entity);
    const auto x = ToMapUnits(context, entity.x, Axis::X, topLevel);
    const auto y = ToMapUnits(context, entity.y, Axis::Y, topLevel);
    if (!x || !y)
        return false;
    entity.points.push_back(MAP_COORDPT{*x, *y});
    return true;
}

// Makes the object of the run collected so far, when it has two points or more, on the entity's
// layer (resolved only now), and groups it as "Group polylines after SEQEND" asks.
void CreateRun(HWND map, ImportContext& context, OBJHANDLE* blockSlot, PolylineEntity& entity) {
    if (context.extendedEntities && entity.closed &&
        !AppendArcSegment(context, blockSlot == nullptr, entity, entity.runFirst))
        return;
    entity.lastBulge = 0.0;
    if (entity.points.size() < kMinRunPoints)
        return;
    TakeLayerStep(map, context, entity.layerName);
    OBJHANDLE object = CreateRunObject(map, entity.points, entity.closed);
    if (!object)
        return;
    if (context.groupPolylines)
        AddToGroup(map, &entity.entitySlot, object);
    else if (blockSlot)
        AddToGroup(map, blockSlot, object);
}

// The extended import's object plane of a 2-D polyline (3-D polylines give world points); false
// when the extrusion direction makes no plane.
bool SetPlane(PolylineEntity& entity) {
    if ((entity.flags & k3dPolylineFlag) != 0 || IsWorldExtrusion(entity.extrusion))
        return true;
    const auto axes = AxesForExtrusion(entity.extrusion);
    if (!axes || !std::isfinite(entity.elevation))
        return false;
    entity.axes = *axes;
    entity.plane = &entity.axes;
    return true;
}

// A spline-fit polyline's frame control point (vertex flag 16), which the extended import
// passes over: the fitted vertices draw the curve.
bool IsFramePoint(const ImportContext& context, const PolylineEntity& entity) {
    return context.extendedEntities && (entity.vertexFlags & 16) != 0;
}

// Collects vertices from the current VERTEX pair on and creates a run at each SEQEND, until a
// pair that is neither VERTEX nor SEQEND, which stays current. The run being collected then is
// left in the buffer. Returns the last read result: 0 after a failed read or a refused vertex.
std::int32_t CollectRuns(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot, PolylineEntity& entity) {
    const bool topLevel = blockSlot == nullptr;
    std::int32_t lastRead = 1;
    for (;;) {
        if (pair.keyword == KeywordId::Vertex) {
            MakeRoomForNextVertex(entity.points);
            lastRead = ReadVertexOf(reader, pair, entity, context.extendedEntities);
            if (!lastRead)
                return 0;
            if (IsFramePoint(context, entity))
                continue;
            if (!StoreVertex(context, topLevel, entity))
                return 0;
        } else if (pair.keyword == KeywordId::SeqEnd) {
            CreateRun(map, context, blockSlot, entity);
            entity.points.clear(); // the buffer keeps its room for the next run
            lastRead = ReadPair(pair, reader);
            LookupKeyword(pair);
            if (!lastRead)
                return 0;
        } else {
            return lastRead;
        }
    }
}

} // namespace

std::int32_t ImportPolyline(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                            OBJHANDLE* blockSlot) {
    PolylineEntity entity;
    if (!ReadHeader(reader, pair, entity, context.extendedEntities) ||
        pair.keyword != KeywordId::Vertex)
        return 0;
    if (context.extendedEntities && (entity.flags & (kPolyfaceFlag | kMeshFlag)) != 0) {
        entity.mesh.polyface = (entity.flags & kPolyfaceFlag) != 0;
        entity.mesh.closedM = (entity.flags & 1) != 0;
        entity.mesh.closedN = (entity.flags & 32) != 0;
        return ImportMeshVertices(map, reader, pair, context, blockSlot, entity.layerName,
                                  entity.mesh);
    }
    if (context.extendedEntities && !SetPlane(entity))
        return 0;
    std::int32_t lastRead = ReadVertexOf(reader, pair, entity, context.extendedEntities);
    if (entity.x == kNotGiven || entity.y == kNotGiven)
        return 0;
    entity.points.reserve(kPointBufferStep);
    if (!IsFramePoint(context, entity) && !StoreVertex(context, blockSlot == nullptr, entity))
        return 0;
    if (lastRead)
        lastRead = CollectRuns(map, reader, pair, context, blockSlot, entity);
    CreateRun(map, context, blockSlot, entity); // a run the entity ended without its SEQEND
    AddToGroup(map, blockSlot, entity.entitySlot);
    return lastRead;
}
