#include "import/object_coordinates.h"

#include <cmath>

namespace {

// Below this, the normal counts as lying along the world's z axis (1/64, as the DXF format fixes).
constexpr double kArbitraryAxisBound = 1.0 / 64.0;

Vector3 Cross(const Vector3& a, const Vector3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

std::optional<Vector3> Normalised(const Vector3& v) {
    const double length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!std::isfinite(length) || length <= 0.0)
        return std::nullopt;
    return Vector3{v.x / length, v.y / length, v.z / length};
}

} // namespace

std::optional<ObjectAxes> AxesForExtrusion(const Vector3& extrusion) {
    const auto normal = Normalised(extrusion);
    if (!normal)
        return std::nullopt;
    const bool nearWorldZ =
        std::fabs(normal->x) < kArbitraryAxisBound && std::fabs(normal->y) < kArbitraryAxisBound;
    const Vector3 reference = nearWorldZ ? Vector3{0.0, 1.0, 0.0} : Vector3{0.0, 0.0, 1.0};
    const auto xAxis = Normalised(Cross(reference, *normal));
    if (!xAxis)
        return std::nullopt;
    const auto yAxis = Normalised(Cross(*normal, *xAxis));
    if (!yAxis)
        return std::nullopt;
    return ObjectAxes{*xAxis, *yAxis, *normal};
}

bool IsWorldExtrusion(const Vector3& extrusion) {
    const auto normal = Normalised(extrusion);
    return normal && normal->x == 0.0 && normal->y == 0.0 && normal->z > 0.0;
}

Vector3 ToWorld(const ObjectAxes& axes, const Vector3& point) {
    return {point.x * axes.xAxis.x + point.y * axes.yAxis.x + point.z * axes.zAxis.x,
            point.x * axes.xAxis.y + point.y * axes.yAxis.y + point.z * axes.zAxis.y,
            point.x * axes.xAxis.z + point.y * axes.yAxis.z + point.z * axes.zAxis.z};
}
