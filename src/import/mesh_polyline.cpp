#include "import/mesh_polyline.h"

#include "import/curve_points.h"
#include "import/entity_reading.h"
#include "import/layer_resolution.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace {

// Most vertices (faces included) one polyface or mesh may give; more is malformed.
constexpr std::size_t kMaxMeshVertices = std::size_t{1} << 20;
// The vertex flag of a polyface's face record, and of a vertex with coordinates.
constexpr std::int32_t kFaceRecordFlag = 128;
constexpr std::int32_t kMeshVertexFlag = 64;

struct MeshVertex {
    PlanPoint point{kNotGiven, kNotGiven};
    std::int32_t flags = 0;
    std::array<std::int32_t, 4> corners{}; // a face record's vertex numbers, from 1; 0 unused
};

struct MeshData {
    std::vector<PlanPoint> points;
    std::vector<std::array<std::int32_t, 4>> faces;
};

// Reads one VERTEX's groups up to the next keyword pair; false when a value is malformed or the
// file ends.
bool ReadMeshVertex(GroupReader& reader, GroupPair& pair, MeshVertex& vertex) {
    for (;;) {
        if (!ReadPair(pair, reader))
            return false;
        if (LookupKeyword(pair))
            return true;
        if (pair.code == 10 && !StoreChecked(pair, vertex.point.x))
            return false;
        if (pair.code == 20 && !StoreChecked(pair, vertex.point.y))
            return false;
        if (pair.code == 70)
            vertex.flags = ParseInt(pair.value);
        if (pair.code >= 71 && pair.code <= 74)
            vertex.corners[static_cast<std::size_t>(pair.code - 71)] = ParseInt(pair.value);
    }
}

bool ReadMesh(GroupReader& reader, GroupPair& pair, bool polyface, MeshData& mesh) {
    while (pair.keyword == KeywordId::Vertex) {
        if (mesh.points.size() + mesh.faces.size() >= kMaxMeshVertices)
            return false;
        MeshVertex vertex;
        if (!ReadMeshVertex(reader, pair, vertex))
            return false;
        const bool face = polyface && (vertex.flags & kFaceRecordFlag) != 0 &&
                          (vertex.flags & kMeshVertexFlag) == 0;
        if (face)
            mesh.faces.push_back(vertex.corners);
        else
            mesh.points.push_back(vertex.point);
    }
    if (pair.keyword == KeywordId::SeqEnd && ReadPair(pair, reader))
        LookupKeyword(pair);
    return true;
}

// The group of the entity's outlines, as POLYLINE runs are grouped.
struct Outlines {
    HWND map;
    ImportContext& context;
    OBJHANDLE* blockSlot;
    OBJHANDLE entitySlot = nullptr;

    void Add(std::span<const PlanPoint> points, bool closed, const std::string& layerName) {
        for (const PlanPoint& point : points) {
            if (point.x == kNotGiven || point.y == kNotGiven)
                return; // a corner the file did not give
        }
        OBJHANDLE object = CreateCurveObject(map, context, nullptr, layerName, points, closed);
        if (!object)
            return;
        if (context.groupPolylines)
            AddToGroup(map, &entitySlot, object);
        else if (blockSlot)
            AddToGroup(map, blockSlot, object);
    }
};

void AddFaces(Outlines& outlines, const MeshData& mesh, const std::string& layerName) {
    std::vector<PlanPoint> corners;
    for (const auto& face : mesh.faces) {
        corners.clear();
        for (std::int32_t number : face) {
            const auto index =
                static_cast<std::size_t>(std::abs(static_cast<std::int64_t>(number)));
            if (index >= 1 && index <= mesh.points.size())
                corners.push_back(mesh.points[index - 1]);
        }
        outlines.Add(corners, true, layerName);
    }
}

void AddGrid(Outlines& outlines, const MeshData& mesh, const MeshHeader& header,
             const std::string& layerName) {
    const auto m = static_cast<std::size_t>(header.m);
    const auto n = static_cast<std::size_t>(header.n);
    std::vector<PlanPoint> line;
    for (std::size_t row = 0; row < m; ++row) {
        line.assign(mesh.points.begin() + static_cast<std::ptrdiff_t>(row * n),
                    mesh.points.begin() + static_cast<std::ptrdiff_t>(row * n + n));
        outlines.Add(line, header.closedN, layerName);
    }
    for (std::size_t column = 0; column < n; ++column) {
        line.clear();
        for (std::size_t row = 0; row < m; ++row)
            line.push_back(mesh.points[row * n + column]);
        outlines.Add(line, header.closedM, layerName);
    }
}

} // namespace

std::int32_t ImportMeshVertices(HWND map, GroupReader& reader, GroupPair& pair,
                                ImportContext& context, OBJHANDLE* blockSlot,
                                const std::string& layerName, const MeshHeader& header) {
    MeshData mesh;
    if (!ReadMesh(reader, pair, header.polyface, mesh))
        return 0;
    Outlines outlines{map, context, blockSlot};
    if (header.polyface) {
        AddFaces(outlines, mesh, layerName);
    } else {
        const std::int64_t cells = static_cast<std::int64_t>(header.m) * header.n;
        if (header.m < 1 || header.n < 1 || cells > static_cast<std::int64_t>(mesh.points.size()))
            return 0; // the sizes do not match the vertices: malformed
        AddGrid(outlines, mesh, header, layerName);
    }
    AddToGroup(map, blockSlot, outlines.entitySlot);
    return 1;
}
