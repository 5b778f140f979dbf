#include "export/sections.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

template <typename Point>
using PointGetter = std::int32_t(VEXCORE_CALL*)(HWND, OBJHANDLE, std::int32_t*, Point*,
                                                std::int32_t);

// The points of one object, asked for twice: once for the count, once into a buffer of that
// size. Only the points the second call really delivered are kept, so a host that reports
// fewer the second time never makes the writer read past them. False when the buffer cannot
// be had.
template <typename Point>
bool FetchPoints(HWND map, OBJHANDLE object, PointGetter<Point> getter,
                 std::vector<Point>& points) {
    std::int32_t count = 0;
    getter(map, object, &count, nullptr, 0);
    if (count <= 0)
        return true;
    try {
        points.resize(static_cast<std::size_t>(count));
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::int32_t reported = count;
    const std::int32_t delivered = getter(map, object, &reported, points.data(), count);
    points.resize(static_cast<std::size_t>(std::clamp(std::min(delivered, reported), 0, count)));
    return true;
}

MAP3D_COORDPT WithZ(const MAP_COORDPT& point) {
    return {point.x, point.y, 0};
}
MAP3D_COORDPT WithZ(const MAP3D_COORDPT& point) {
    return point;
}

template <typename Point>
void WriteVertices(DxfWriter& writer, const std::vector<Point>& points, const char* layerName,
                   bool is3d, double factor) {
    for (const Point& stored : points) {
        const MAP3D_COORDPT point = WithZ(stored);
        writer.WriteStringGroup(0, "VERTEX");
        writer.WriteStringGroup(8, layerName);
        WriteCoordinate(writer, 10, point.x, factor);
        WriteCoordinate(writer, 20, point.y, factor);
        if (is3d)
            WriteCoordinate(writer, 30, point.z, factor); // z goes through the same factor
    }
}

// The whole entity for points of one dimension; the head carries no coordinates and no 3-D
// flag, only 70 = 1 for a closed object.
template <typename Point>
std::int32_t WritePolylineWith(const ExportContext& context, DxfWriter& writer, OBJHANDLE object,
                               const char* layerName, PointGetter<Point> getter, bool closed,
                               bool is3d) {
    std::vector<Point> points;
    if (!FetchPoints(context.map, object, getter, points))
        return 0;
    writer.WriteStringGroup(0, "POLYLINE");
    writer.WriteStringGroup(8, layerName);
    if (closed)
        writer.WriteIntGroup(70, 1);
    writer.WriteIntGroup(66, 1);
    WriteVertices(writer, points, layerName, is3d, context.unitFactor);
    writer.WriteStringGroup(0, "SEQEND");
    return 1;
}

} // namespace

std::int32_t WritePolylineEntity(ExportContext& context, DxfWriter& writer, OBJHANDLE object,
                                 const char* layerName) {
    const bool is3d = map3d_is_object_3d(context.map, object) != 0;
    const std::int32_t type = map_object_type_Get(context.map, object);
    if (type != kTypePolyline && type != kTypePolygon)
        return 0;
    const bool closed = type == kTypePolygon;
    if (is3d)
        return WritePolylineWith<MAP3D_COORDPT>(context, writer, object, layerName,
                                                closed ? map3d_polygon_Get : map3d_polyline_Get,
                                                closed, true);
    return WritePolylineWith<MAP_COORDPT>(context, writer, object, layerName,
                                          closed ? map_polygon_Get : map_polyline_Get, closed,
                                          false);
}
