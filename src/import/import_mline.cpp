#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <string>
#include <vector>

namespace {

// Most vertices and most elements one MLINE may give; more is malformed.
constexpr std::size_t kMaxMlineVertices = std::size_t{1} << 16;
constexpr std::size_t kMaxMlineElements = 64;

// One vertex: its position, its miter direction, and per element the offset along the miter
// (the first value after each group 74).
struct MlineVertex {
    Vector3 position;
    Vector3 miter;
    std::vector<double> offsets;
    bool awaitingOffset = false;
};

struct MlineEntity {
    std::string layerName;
    bool closed = false;
    std::vector<MlineVertex> vertices;
};

bool TakeVertexGroup(const GroupPair& pair, MlineEntity& entity) {
    if (const int which = CoordinateOf(pair.code, 11); which >= 0) {
        if (which == 0) {
            if (entity.vertices.size() >= kMaxMlineVertices)
                return false;
            entity.vertices.emplace_back();
        }
        return entity.vertices.empty() ||
               StoreCoordinate(pair, entity.vertices.back().position, which);
    }
    if (entity.vertices.empty())
        return true;
    MlineVertex& vertex = entity.vertices.back();
    if (const int which = CoordinateOf(pair.code, 13); which >= 0)
        return StoreCoordinate(pair, vertex.miter, which);
    if (pair.code == 74) { // the parameters of the next element follow
        if (vertex.offsets.size() >= kMaxMlineElements)
            return false;
        vertex.awaitingOffset = true;
    } else if (pair.code == 41 && vertex.awaitingOffset) {
        double offset = 0.0;
        if (!StoreFinite(pair, offset))
            return false;
        vertex.offsets.push_back(offset);
        vertex.awaitingOffset = false;
    }
    return true;
}

// Takes one group; false when its value is malformed, which drops the entity.
bool TakeGroup(const GroupPair& pair, MlineEntity& entity) {
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
        return true;
    }
    if (pair.code == 71) {
        entity.closed = (ParseInt(pair.value) & 2) != 0;
        return true;
    }
    return TakeVertexGroup(pair, entity);
}

} // namespace

// MLINE: each element as a polyline through the vertices moved along their miter directions by
// the element's offset (world coordinates, z dropped). Dashes of the elements are not drawn.
std::int32_t ImportMline(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot) {
    MlineEntity entity;
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeGroup(group, entity); }))
        return 0;
    if (entity.vertices.empty())
        return 0;
    const std::size_t elements = entity.vertices.front().offsets.size();
    for (const MlineVertex& vertex : entity.vertices) {
        if (vertex.offsets.size() != elements)
            return 0; // vertices that disagree on the elements are no multiline
    }
    for (std::size_t element = 0; element < elements; ++element) {
        CurvePoints line(context);
        for (const MlineVertex& vertex : entity.vertices) {
            const double offset = vertex.offsets[element];
            line.Add({vertex.position.x + vertex.miter.x * offset,
                      vertex.position.y + vertex.miter.y * offset});
        }
        CreateCurveObject(map, context, blockSlot, entity.layerName, line.points, entity.closed);
    }
    return 1;
}
