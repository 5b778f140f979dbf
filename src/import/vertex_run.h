// What POLYLINE and LWPOLYLINE share: the map object made from a run of vertices.
#pragma once

#include "host/vexcore.h"

#include <cstddef>
#include <span>

// A run needs two points to become an object; the host is never asked for fewer.
inline constexpr std::size_t kMinRunPoints = 2;

// Creates the object of a run in map units on the current layer: a polygon when the entity is
// closed or when a run of at least four points ends on its first point (the repeated point is
// dropped), else a polyline. Returns the new handle; null for fewer than two points or when the
// host made nothing.
OBJHANDLE CreateRunObject(HWND map, std::span<const MAP_COORDPT> points, bool closed);
