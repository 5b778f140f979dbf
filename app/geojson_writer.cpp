#include "app/geojson_writer.h"

#include "app/byte_text.h"
#include "app/render_support.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <strings.h>

namespace dxfcnv {

namespace {

using Json = nlohmann::ordered_json;

constexpr double kDegrees = std::numbers::pi / 180.0;
// Arc points are rounded to this step, which keeps the output short; the chords get the
// tolerance less the rounding, so the rounded points still keep to it.
constexpr double kArcPointStep = 1e-4;
constexpr double kQuarterTurn = 90.0;

double RoundToStep(double value) {
    return std::round(value / kArcPointStep) * kArcPointStep;
}

Json Position(const MAP3D_COORDPT& point, bool is3d) {
    return is3d ? Json::array({point.x, point.y, point.z}) : Json::array({point.x, point.y});
}

Json Geometry(std::string_view type, Json coordinates) {
    return Json{{"type", type}, {"coordinates", std::move(coordinates)}};
}

Json LineStringOf(const standin::Object& polyline) {
    if (polyline.points.size() < 2) {
        return nullptr;
    }
    Json coordinates = Json::array();
    for (const MAP3D_COORDPT& point : polyline.points) {
        coordinates.push_back(Position(point, polyline.is3d));
    }
    return Geometry("LineString", std::move(coordinates));
}

// Twice the signed area of the ring (counter-clockwise is positive).
double TwiceSignedArea(const std::vector<MAP3D_COORDPT>& ring, std::size_t count) {
    double sum = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const MAP3D_COORDPT& a = ring[i];
        const MAP3D_COORDPT& b = ring[(i + 1) % count];
        sum += static_cast<double>(a.x) * b.y - static_cast<double>(b.x) * a.y;
    }
    return sum;
}

bool SamePoint(const MAP3D_COORDPT& a, const MAP3D_COORDPT& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// A polygon's ring, closed by its first point. A clockwise ring is written the other way round,
// from the same first point, as RFC 7946 asks of exterior rings.
Json PolygonOf(const standin::Object& polygon) {
    const std::vector<MAP3D_COORDPT>& points = polygon.points;
    std::size_t count = points.size();
    if (count > 1 && SamePoint(points.front(), points.back())) {
        --count; // already closed
    }
    if (count < 3) {
        return nullptr;
    }
    const bool reverse = TwiceSignedArea(points, count) < 0.0;
    Json ring = Json::array();
    ring.push_back(Position(points[0], polygon.is3d));
    for (std::size_t k = 1; k < count; ++k) {
        ring.push_back(Position(points[reverse ? count - k : k], polygon.is3d));
    }
    ring.push_back(Position(points[0], polygon.is3d));
    return Geometry("Polygon", Json::array({std::move(ring)}));
}

Json GeometryOf(const standin::Object& object) {
    switch (object.kind) {
    case standin::ObjectKind::Polyline:
        return LineStringOf(object);
    case standin::ObjectKind::Polygon:
        return PolygonOf(object);
    case standin::ObjectKind::Arc:
        if (const auto points = ArcPoints(object, kArcTolerance); !points.empty()) {
            return Geometry("LineString", Json(points));
        }
        break;
    case standin::ObjectKind::Text:
        return Geometry("Point", Position(object.position, object.is3d));
    case standin::ObjectKind::Group:
        break;
    }
    return nullptr;
}

void AddKindProperties(Json& properties, const standin::Object& object) {
    if (object.kind == standin::ObjectKind::Text) {
        properties["text"] = Utf8FromBytes(object.text);
        properties["font"] = Utf8FromBytes(object.font);
        properties["size"] = object.size;
        properties["rotation"] = object.rotation;
        properties["oblique"] = object.oblique;
        properties["flags"] = object.flags;
        properties["style"] = object.style;
        properties["color"] = object.color;
    } else if (object.kind == standin::ObjectKind::Arc) {
        properties["centerX"] = object.center.x;
        properties["centerY"] = object.center.y;
        properties["radius"] = object.radius;
        properties["startAngle"] = object.startAngle; // a NaN or infinity is written as null
        properties["endAngle"] = object.endAngle;
    }
}

Json FeatureOf(const standin::Object& object, const standin::Layer& layer) {
    Json properties{{"layer", Utf8FromBytes(layer.name)},
                    {"layerNumber", layer.number},
                    {"type", ObjectTypeName(object)}};
    AddKindProperties(properties, object);
    return Json{{"type", "Feature"},
                {"id", object.id},
                {"geometry", GeometryOf(object)},
                {"properties", std::move(properties)}};
}

} // namespace

std::int64_t ArcSegmentCount(double radius, double sweepDegrees, double tolerance) {
    const double sweep = std::clamp(sweepDegrees, 0.0, 360.0);
    const auto quarters = static_cast<std::int64_t>(std::max(1.0, std::ceil(sweep / kQuarterTurn)));
    radius = std::fabs(radius);
    if (!(radius > tolerance) || !(tolerance > 0.0)) {
        return quarters; // every chord is within the tolerance (or no tolerance can be kept)
    }
    // sagitta = r (1 - cos(a / 2)) = 2 r sin²(a / 4), solved for the largest angle a per chord.
    const double largestStep = 4.0 * std::asin(std::sqrt(tolerance / (2.0 * radius)));
    const double chords = std::ceil(sweep * kDegrees / largestStep);
    return std::clamp(static_cast<std::int64_t>(std::min(chords, 1e18)), quarters, kMaxArcSegments);
}

std::vector<std::array<double, 2>> ArcPoints(const standin::Object& arc, double tolerance) {
    const auto sweep = ArcSweepDegrees(arc.startAngle, arc.endAngle);
    if (!sweep || arc.radius == 0) {
        return {};
    }
    // Bring the start into one turn first, so that huge angles keep their precision.
    const double start = std::fmod(arc.startAngle, 360.0);
    const std::int64_t count = ArcSegmentCount(arc.radius, *sweep, tolerance - kArcPointStep);
    std::vector<std::array<double, 2>> points;
    points.reserve(static_cast<std::size_t>(count) + 1);
    const double radius = arc.radius; // a negative radius puts the points opposite the centre
    for (std::int64_t k = 0; k <= count; ++k) {
        const double angle = (start + *sweep * static_cast<double>(k) / count) * kDegrees;
        points.push_back({RoundToStep(arc.center.x + radius * std::cos(angle)),
                          RoundToStep(arc.center.y + radius * std::sin(angle))});
    }
    return points;
}

bool IsGeoJsonPath(std::string_view path) {
    constexpr std::string_view kExtension = ".geojson";
    return path.size() >= kExtension.size() &&
           ::strncasecmp(path.data() + path.size() - kExtension.size(), kExtension.data(),
                         kExtension.size()) == 0;
}

std::size_t WriteGeoJson(const standin::MapSnapshot& map, std::ostream& out) {
    const ObjectIndex index(map);
    out << "{\"type\":\"FeatureCollection\",\"features\":[";
    std::size_t count = 0;
    std::string line;
    for (const standin::Layer& layer : map.layers) {
        for (const standin::ObjectId id : layer.objects) {
            const standin::Object* object = index.Find(id);
            if (object == nullptr || object->kind == standin::ObjectKind::Group) {
                continue;
            }
            line = count == 0 ? "\n" : ",\n";
            line += FeatureOf(*object, layer).dump();
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            ++count;
        }
    }
    out << "\n]}\n";
    return count;
}

bool WriteGeoJsonFile(HWND map, const std::string& path, std::string* error) {
    const standin::MapSnapshot snapshot = standin::Snapshot(map);
    return WriteOutputFile(
        path, [&](std::ostream& out) { WriteGeoJson(snapshot, out); }, error);
}

} // namespace dxfcnv
