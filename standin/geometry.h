// Geometry of the stand-in host: circle polygons, the DoOperations2 transform and bounds.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace standin {

// The nearest 32-bit integer, saturated at both ends; NaN gives 0.
std::int32_t RoundSaturated(double value);

// A circle as a polygon: pointsPerQuarter points in each quarter (at least 1, at most
// kMaxPointsPerQuarter), counter-clockwise from angle 0, the first point not repeated.
constexpr std::int32_t kMaxPointsPerQuarter = 4096;
// The points go to `points`, which is resized to 4 x pointsPerQuarter.
void CirclePoints(std::int32_t centerX, std::int32_t centerY, std::int32_t radius,
                  std::int32_t pointsPerQuarter, std::vector<MAP_COORDPT>& points);

// DoOperations2: scale by (scaleX, scaleY) and rotate counter-clockwise by angleDegrees about
// the reference point, then translate by (dx, dy); z is scaled by scaleZ and moved by dz.
struct Transform {
    MAP_COORDPT reference{};
    std::int32_t dx = 0;
    std::int32_t dy = 0;
    std::int32_t dz = 0;
    double scaleX = 1.0;
    double scaleY = 1.0;
    double scaleZ = 1.0;
    double angleDegrees = 0.0;
};
bool IsFinite(const Transform& transform);
// Transforms a point run as the map keeps it: x, y (and z for a 3-D run) per point.
void TransformPointRun(std::int32_t* values, std::size_t count, bool is3d,
                       const Transform& transform);
// Transforms an arc or a text in place; nothing for other objects (TransformPointRun moves the
// points of a polyline or polygon where they lie, and each member of a group has a call of its
// own).
void ApplyTransform(Object& object, const Transform& transform);

// The bounding rectangle of an arc or a text; none for other objects (ObjectStore::Bounds reads
// the points of a polyline or polygon where they lie).
std::optional<MAP_COORDRECT> BoundsOf(const Object& object);
void Include(std::optional<MAP_COORDRECT>& total, const MAP_COORDRECT& more);

} // namespace standin
