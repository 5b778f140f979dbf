// The GeoJSON of a map: features and their properties, polygon rings, arcs within their
// tolerance, 3-D coordinates and byte strings.
#include "app/geojson_writer.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <limits>
#include <numbers>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Json = nlohmann::json;
using standin::MapSnapshot;
using standin::Object;
using standin::ObjectKind;

constexpr double kDegrees = std::numbers::pi / 180.0;

standin::ObjectId AddObject(MapSnapshot& map, Object object) {
    object.id = map.objects.size() + 100;
    if (object.kind != ObjectKind::Group) {
        object.layer = map.layers.back().id;
        map.layers.back().objects.push_back(object.id);
    }
    map.objects.push_back(std::move(object));
    return map.objects.back().id;
}

void AddLayer(MapSnapshot& map, std::string name, std::int32_t number) {
    standin::Layer layer;
    layer.id = map.layers.size() + 1;
    layer.name = std::move(name);
    layer.number = number;
    map.layers.push_back(std::move(layer));
}

Object PointObject(ObjectKind kind, std::vector<MAP3D_COORDPT> points, bool is3d = false) {
    Object object;
    object.kind = kind;
    object.points = std::move(points);
    object.is3d = is3d;
    return object;
}

Object ArcObject(std::int32_t radius, double start, double end) {
    Object arc;
    arc.kind = ObjectKind::Arc;
    arc.center = {1000, -2000};
    arc.radius = radius;
    arc.startAngle = start;
    arc.endAngle = end;
    return arc;
}

// The map written as GeoJSON and parsed back.
Json GeoJson(const MapSnapshot& map, std::size_t* count = nullptr) {
    std::ostringstream out;
    const std::size_t written = dxfcnv::WriteGeoJson(map, out);
    if (count != nullptr) {
        *count = written;
    }
    return Json::parse(out.str());
}

// The one feature of a map of one object.
Json FeatureOf(Object object) {
    MapSnapshot map;
    AddLayer(map, "0", 1);
    AddObject(map, std::move(object));
    const Json collection = GeoJson(map);
    EXPECT_EQ(collection["features"].size(), 1u);
    return collection["features"].at(0);
}

TEST(GeoJson, OneFeaturePerObjectInMapOrderWithLayerAndType) {
    MapSnapshot map;
    AddLayer(map, "Walls", 7);
    const auto line = AddObject(map, PointObject(ObjectKind::Polyline, {{0, 0, 0}, {5, 5, 0}}));
    AddLayer(map, "Points", 3);
    Object symbol;
    symbol.kind = ObjectKind::Text;
    symbol.text = "X";
    symbol.flags = 5;
    const auto point = AddObject(map, symbol);
    Object group;
    group.kind = ObjectKind::Group;
    group.members = {line, point};
    AddObject(map, group);

    std::size_t count = 0;
    const Json collection = GeoJson(map, &count);
    EXPECT_EQ(collection["type"], "FeatureCollection");
    EXPECT_EQ(count, 2u); // the group is no feature
    const Json& features = collection["features"];
    ASSERT_EQ(features.size(), 2u);
    EXPECT_EQ(features[0]["type"], "Feature");
    EXPECT_EQ(features[0]["id"], line);
    EXPECT_EQ(features[0]["properties"],
              (Json{{"layer", "Walls"}, {"layerNumber", 7}, {"type", "polyline"}}));
    EXPECT_EQ(features[0]["geometry"],
              (Json{{"type", "LineString"}, {"coordinates", {{0, 0}, {5, 5}}}}));
    EXPECT_EQ(features[1]["properties"]["type"], "symbol");
    EXPECT_EQ(features[1]["properties"]["layer"], "Points");
    EXPECT_EQ(features[1]["geometry"]["type"], "Point");
}

struct RingCase {
    const char* what;
    std::vector<MAP3D_COORDPT> points;
    Json ring; // null: no geometry
};

TEST(GeoJson, PolygonRingsAreClosedAndCounterClockwise) {
    const RingCase cases[] = {
        {"counter-clockwise kept",
         {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}},
         {{0, 0}, {10, 0}, {10, 10}, {0, 0}}},
        {"clockwise turned round from the same first point",
         {{0, 0, 0}, {0, 10, 0}, {10, 10, 0}, {10, 0, 0}},
         {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}},
        {"already closed is not closed twice",
         {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 0, 0}},
         {{0, 0}, {10, 0}, {10, 10}, {0, 0}}},
        {"large coordinates do not overflow the area",
         {{INT32_MIN, INT32_MIN, 0}, {INT32_MAX, INT32_MIN, 0}, {INT32_MAX, INT32_MAX, 0}},
         {{INT32_MIN, INT32_MIN},
          {INT32_MAX, INT32_MIN},
          {INT32_MAX, INT32_MAX},
          {INT32_MIN, INT32_MIN}}},
        {"two points make no ring", {{0, 0, 0}, {10, 0, 0}}, nullptr},
        {"two points and the closing one make no ring",
         {{0, 0, 0}, {10, 0, 0}, {0, 0, 0}},
         nullptr},
    };
    for (const RingCase& c : cases) {
        const Json feature = FeatureOf(PointObject(ObjectKind::Polygon, c.points));
        if (c.ring.is_null()) {
            EXPECT_TRUE(feature["geometry"].is_null()) << c.what;
        } else {
            EXPECT_EQ(feature["geometry"]["type"], "Polygon") << c.what;
            EXPECT_EQ(feature["geometry"]["coordinates"], Json::array({c.ring})) << c.what;
        }
    }
}

TEST(GeoJson, ThreeDimensionalObjectsCarryZ) {
    const Json line =
        FeatureOf(PointObject(ObjectKind::Polyline, {{1, 2, 3}, {4, 5, -6}}, /*is3d=*/true));
    EXPECT_EQ(line["properties"]["type"], "polyline3d");
    EXPECT_EQ(line["geometry"]["coordinates"], (Json{{1, 2, 3}, {4, 5, -6}}));

    const Json area = FeatureOf(
        PointObject(ObjectKind::Polygon, {{0, 0, 1}, {9, 0, 2}, {9, 9, 3}}, /*is3d=*/true));
    EXPECT_EQ(area["properties"]["type"], "polygon3d");
    EXPECT_EQ(area["geometry"]["coordinates"][0],
              (Json{{0, 0, 1}, {9, 0, 2}, {9, 9, 3}, {0, 0, 1}}));

    Object text;
    text.kind = ObjectKind::Text;
    text.is3d = true;
    text.text = "Peak";
    text.position = {10, 20, 30};
    EXPECT_EQ(FeatureOf(text)["geometry"]["coordinates"], (Json{10, 20, 30}));
    text.is3d = false;
    EXPECT_EQ(FeatureOf(text)["geometry"]["coordinates"], (Json{10, 20}));
}

TEST(GeoJson, TextsCarryTheirAttributesAsUtf8) {
    Object text;
    text.kind = ObjectKind::Text;
    text.text = "Stra\xDF"
                "e\r\n2";
    text.font = "Arial";
    text.position = {-5, 7, 0};
    text.size = 250;
    text.rotation = 900;
    text.oblique = -150;
    text.flags = 25;
    text.style = 2;
    text.color = 0xFFFFFFFFu;
    const Json feature = FeatureOf(text);
    EXPECT_EQ(feature["properties"], (Json{{"layer", "0"},
                                           {"layerNumber", 1},
                                           {"type", "text"},
                                           {"text", "Stra\xC3\x9F"
                                                    "e\r\n2"},
                                           {"font", "Arial"},
                                           {"size", 250},
                                           {"rotation", 900},
                                           {"oblique", -150},
                                           {"flags", 25},
                                           {"style", 2},
                                           {"color", 0xFFFFFFFFu}}));
}

TEST(GeoJson, LayerNamesInWindows1252BecomeUtf8) {
    MapSnapshot map;
    AddLayer(map, "Geb\xE4ude", 2);
    AddObject(map, PointObject(ObjectKind::Polyline, {{0, 0, 0}, {1, 1, 0}}));
    EXPECT_EQ(GeoJson(map)["features"][0]["properties"]["layer"], "Geb\xC3\xA4ude");
}

TEST(GeoJson, ObjectsWithoutAShapeKeepANullGeometry) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const Json noRadius = FeatureOf(ArcObject(0, 0, 90));
    EXPECT_TRUE(noRadius["geometry"].is_null());
    EXPECT_EQ(noRadius["properties"]["type"], "arc");
    const Json notANumber = FeatureOf(ArcObject(10, nan, 90));
    EXPECT_TRUE(notANumber["geometry"].is_null());
    EXPECT_TRUE(notANumber["properties"]["startAngle"].is_null());
    EXPECT_TRUE(FeatureOf(PointObject(ObjectKind::Polyline, {{3, 4, 0}}))["geometry"].is_null());
    EXPECT_TRUE(FeatureOf(PointObject(ObjectKind::Polyline, {}))["geometry"].is_null());
}

TEST(GeoJson, ArcsRunCounterClockwiseFromStartToEnd) {
    const Json feature = FeatureOf(ArcObject(100, 350, 10));
    EXPECT_EQ(feature["geometry"]["type"], "LineString");
    const Json& points = feature["geometry"]["coordinates"];
    ASSERT_GE(points.size(), 2u);
    EXPECT_NEAR(points.front()[0].get<double>(), 1000 + 100 * std::cos(350 * kDegrees), 1e-4);
    EXPECT_NEAR(points.front()[1].get<double>(), -2000 + 100 * std::sin(350 * kDegrees), 1e-4);
    EXPECT_NEAR(points.back()[0].get<double>(), 1000 + 100 * std::cos(10 * kDegrees), 1e-4);
    EXPECT_NEAR(points.back()[1].get<double>(), -2000 + 100 * std::sin(10 * kDegrees), 1e-4);
    // Through east: every point lies right of the centre.
    for (const Json& point : points) {
        EXPECT_GT(point[0].get<double>(), 1000 + 98);
    }
    EXPECT_EQ(feature["properties"]["radius"], 100);
    EXPECT_EQ(feature["properties"]["centerX"], 1000);
    EXPECT_EQ(feature["properties"]["endAngle"], 10.0);
}

// Every point of the arc's polyline, and the middle of every chord, within the tolerance of the
// circle; and one chord fewer would not have kept it.
TEST(GeoJson, ArcPointsStayWithinATenthOfAMapUnit) {
    const std::int32_t radii[] = {-500, 1, 7, 100, 12345, 1000000, INT32_MAX};
    const double sweeps[] = {0.5, 45, 90, 180, 359.9, 360};
    for (const std::int32_t radius : radii) {
        for (const double sweep : sweeps) {
            SCOPED_TRACE("radius " + std::to_string(radius) + ", sweep " + std::to_string(sweep));
            const Object arc = ArcObject(radius, 30, 30 + sweep);
            const auto points = dxfcnv::ArcPoints(arc, dxfcnv::kArcTolerance);
            ASSERT_GE(points.size(), 2u);
            const double r = std::abs(static_cast<double>(radius));
            const auto distance = [&](double x, double y) {
                return std::hypot(x - arc.center.x, y - arc.center.y);
            };
            double worst = 0.0;
            for (std::size_t i = 0; i < points.size(); ++i) {
                worst = std::max(worst, std::abs(distance(points[i][0], points[i][1]) - r));
                if (i > 0) {
                    const double mx = (points[i - 1][0] + points[i][0]) / 2;
                    const double my = (points[i - 1][1] + points[i][1]) / 2;
                    worst = std::max(worst, std::abs(distance(mx, my) - r));
                }
            }
            EXPECT_LE(worst, dxfcnv::kArcTolerance);
            const auto chords = static_cast<double>(points.size() - 1);
            const double quarters = std::ceil(sweep / 90);
            if (chords > quarters) {
                // The sagitta r (1 - cos(a / 2)) as 2 r sin²(a / 4), exact for tiny angles too.
                const double quarterAngle = sweep * kDegrees / (chords - 1) / 4;
                const double fewer = 2 * r * std::sin(quarterAngle) * std::sin(quarterAngle);
                EXPECT_GT(fewer, dxfcnv::kArcTolerance - 2e-4) << chords << " chords";
            }
        }
    }
}

TEST(GeoJson, ArcSegmentCountGrowsWithTheRadius) {
    // A full circle of radius 100: chords of sagitta 0.1 span 2 acos(0.999) = 0.0894 radians,
    // 70.24 of them to the turn.
    EXPECT_EQ(dxfcnv::ArcSegmentCount(100, 360, 0.1), 71);
    EXPECT_EQ(dxfcnv::ArcSegmentCount(0.05, 360, 0.1), 4); // tiny circles keep four chords
    EXPECT_EQ(dxfcnv::ArcSegmentCount(0.05, 100, 0.1), 2);
    EXPECT_LT(dxfcnv::ArcSegmentCount(INT32_MAX, 360, 0.1), dxfcnv::kMaxArcSegments);
    EXPECT_GT(dxfcnv::ArcSegmentCount(INT32_MAX, 360, 0.1), 300000);
}

TEST(GeoJson, OutputPathsAreChosenByExtension) {
    const std::pair<const char*, bool> cases[] = {
        {"map.geojson", true}, {"MAP.GeoJSON", true}, {"dir.geojson/map.json", false},
        {"map.json", false},   {".geojson", true},    {"geojson", false},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(dxfcnv::IsGeoJsonPath(path), expected) << path;
    }
}

} // namespace
