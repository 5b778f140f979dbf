#include "import/vertex_run.h"

#include <cstdint>

namespace {

// The shortest run whose repeated end point is dropped: with fewer points the ends are kept.
constexpr std::size_t kMinPointsForRepeatedEnd = 4;

bool EndsOnItsStart(std::span<const MAP_COORDPT> points) {
    return points.size() >= kMinPointsForRepeatedEnd && points.back().x == points.front().x &&
           points.back().y == points.front().y;
}

} // namespace

OBJHANDLE CreateRunObject(HWND map, std::span<const MAP_COORDPT> points, bool closed) {
    if (points.size() < kMinRunPoints)
        return nullptr;
    const bool repeatedEnd = EndsOnItsStart(points);
    const auto count = static_cast<std::int32_t>(repeatedEnd ? points.size() - 1 : points.size());
    OBJHANDLE object = nullptr;
    if (closed || repeatedEnd)
        map_polygon_Create(map, &object, points.data(), count, 0);
    else
        map_polyline_Create(map, &object, points.data(), count, 0);
    return object;
}
