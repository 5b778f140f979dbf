// The map as a GeoJSON FeatureCollection (RFC 7946 in shape; coordinates are map units and no
// CRS is named): one Feature per map object, layer by layer in map order.
#pragma once

#include "standin/standin.h"

#include <array>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace dxfcnv {

// No point of an arc's LineString is farther than this from the arc, in map units.
constexpr double kArcTolerance = 0.1;
// The most chords one arc gets (a full circle of the largest radius needs about 330000).
constexpr std::int64_t kMaxArcSegments = std::int64_t{1} << 22;

// The number of chords that keep a polyline within `tolerance` of an arc: the sagitta of each
// chord, radius × (1 − cos(angle / 2)), stays at or below the tolerance. At least one chord per
// quarter turn begun, so that a full circle still has an area.
std::int64_t ArcSegmentCount(double radius, double sweepDegrees, double tolerance);

// The points of an arc's LineString, from its start angle counter-clockwise to its end angle,
// rounded to 0.0001 map units; empty for an arc without radius or with an angle that is not
// finite.
std::vector<std::array<double, 2>> ArcPoints(const standin::Object& arc, double tolerance);

// True when the path names a GeoJSON file (it ends in ".geojson", in any case).
bool IsGeoJsonPath(std::string_view path);

// Writes the map as GeoJSON, feature by feature. Every object but groups becomes a Feature with
// the properties layer, layerNumber and type; polylines are LineStrings, polygons Polygons with
// a closed counter-clockwise ring, arcs LineStrings (kArcTolerance), texts and point symbols
// Points with their text and attributes; 3-D objects carry z. An object without a drawable
// shape (an arc of radius 0, a polyline of one point) keeps its Feature with a null geometry.
// Returns the number of features.
std::size_t WriteGeoJson(const standin::MapSnapshot& map, std::ostream& out);

// The GeoJSON of a map window's map, written to `path` ("-": standard output); false with a
// reason when the file cannot be written.
bool WriteGeoJsonFile(HWND map, const std::string& path, std::string* error);

} // namespace dxfcnv
