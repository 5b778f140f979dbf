#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <string>
#include <vector>

namespace {

// Most vertices one LEADER may give; more is malformed.
constexpr std::size_t kMaxLeaderVertices = std::size_t{1} << 16;

struct LeaderEntity {
    std::string layerName;
    std::vector<Vector3> vertices;
};

// Takes one group; false when its value is malformed, which drops the entity.
bool TakeGroup(const GroupPair& pair, LeaderEntity& entity) {
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
        return true;
    }
    const int which = CoordinateOf(pair.code, 10);
    if (which < 0)
        return true;
    if (which == 0) {
        if (entity.vertices.size() >= kMaxLeaderVertices)
            return false;
        entity.vertices.push_back(Vector3{kNotGiven, kNotGiven, 0.0});
    }
    if (entity.vertices.empty())
        return true;
    return StoreCoordinate(pair, entity.vertices.back(), which);
}

} // namespace

// LEADER: the polyline of its vertices (world coordinates, z dropped); the arrowhead and the
// annotation it points to are not drawn.
std::int32_t ImportLeader(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    LeaderEntity entity;
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeGroup(group, entity); }))
        return 0;
    CurvePoints line(context);
    for (const Vector3& vertex : entity.vertices) {
        if (vertex.x == kNotGiven || vertex.y == kNotGiven)
            return 0;
        line.Add({vertex.x, vertex.y});
    }
    CreateCurveObject(map, context, blockSlot, entity.layerName, line.points, false);
    return 1;
}
