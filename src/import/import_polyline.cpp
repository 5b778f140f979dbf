#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/layer_resolution.h"
#include "import/vertex_run.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <vector>

namespace {

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
};

// Reads the header groups up to the first pair whose value is a keyword (a pair with code 0 and
// no keyword does not end it). False when the file ended first.
bool ReadHeader(GroupReader& reader, GroupPair& pair, PolylineEntity& entity) {
    for (;;) {
        if (!ReadPair(pair, reader))
            return false;
        if (LookupKeyword(pair))
            return true;
        if (pair.code == 8)
            entity.layerName.assign(pair.value);
        else if (pair.code == 70)
            entity.closed = (ParseInt(pair.value) & 1) != 0;
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

// Converts the current vertex to map units and appends it to the run; false when a coordinate
// is no 32-bit map coordinate, which refuses the vertex like a malformed value.
bool StoreVertex(const ImportContext& context, bool topLevel, PolylineEntity& entity) {
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
            lastRead = ReadVertex(reader, pair, entity.x, entity.y);
            if (!lastRead || !StoreVertex(context, topLevel, entity))
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
    if (!ReadHeader(reader, pair, entity) || pair.keyword != KeywordId::Vertex)
        return 0;
    std::int32_t lastRead = ReadVertex(reader, pair, entity.x, entity.y);
    if (entity.x == kNotGiven || entity.y == kNotGiven)
        return 0;
    entity.points.reserve(kPointBufferStep);
    if (!StoreVertex(context, blockSlot == nullptr, entity))
        return 0;
    if (lastRead)
        lastRead = CollectRuns(map, reader, pair, context, blockSlot, entity);
    CreateRun(map, context, blockSlot, entity); // a run the entity ended without its SEQEND
    if (blockSlot && entity.entitySlot)
        AddToGroup(map, blockSlot, entity.entitySlot);
    return lastRead;
}
