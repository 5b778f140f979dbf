// The extended import's line work: arc segments, curves, faces, hatch boundaries and object
// planes, checked against the curves they stand for; malformed curves; the import with the
// setting off.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
using standin::ObjectKind;

template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// The distance of a point from the curve an object stands for.
using Distance = std::function<double(double, double)>;

Distance Circle(double cx, double cy, double r) {
    return [=](double x, double y) { return std::fabs(std::hypot(x - cx, y - cy) - r); };
}

// Distance from the polyline through `corners` (for outlines of straight pieces).
Distance Path(std::vector<std::pair<double, double>> corners) {
    return [corners](double x, double y) {
        double best = 1e300;
        for (std::size_t i = 0; i + 1 < corners.size(); ++i) {
            const auto [ax, ay] = corners[i];
            const auto [bx, by] = corners[i + 1];
            const double dx = bx - ax;
            const double dy = by - ay;
            const double length2 = dx * dx + dy * dy;
            const double t =
                length2 > 0 ? std::clamp(((x - ax) * dx + (y - ay) * dy) / length2, 0.0, 1.0) : 0;
            best = std::min(best, std::hypot(x - ax - t * dx, y - ay - t * dy));
        }
        return best;
    };
}

// Points within chord tolerance and truncation of the curve: half a unit, plus up to one unit
// per axis lost to truncation.
constexpr double kSlack = 0.5 + std::numbers::sqrt2;

std::string Entities(const std::string& body) {
    return EntitiesFile(body + "0\nLINE\n10\n7\n20\n7\n11\n8\n21\n8\n");
}

struct CurveCase {
    const char* name;
    std::string body;
    std::vector<ObjectKind> kinds; // of the objects made, the closing LINE left out
    Distance distance;             // every point and every chord's middle lie near this curve
    std::pair<int, int> first;     // the first point of the first object
};

class ExtendedCurveTest : public ::testing::TestWithParam<CurveCase> {};

TEST_P(ExtendedCurveTest, PointsAndChordsFollowTheCurve) {
    TempHome home;
    SetSetting("ExtendedEntities", 1);
    auto objects = AllObjects(ImportedMap(home, Entities(GetParam().body)));
    ASSERT_FALSE(objects.empty());
    objects.pop_back(); // the LINE after the case: the entity ended where it should
    std::vector<ObjectKind> kinds;
    for (const auto& object : objects)
        kinds.push_back(object.kind);
    ASSERT_EQ(kinds, GetParam().kinds);
    EXPECT_EQ(XY(objects.front()).front(), GetParam().first);
    for (const auto& object : objects) {
        const auto points = XY(object);
        ASSERT_GE(points.size(), 2u);
        ASSERT_LE(points.size(), 600u);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const auto [x, y] = points[i];
            const auto [nx, ny] = points[(i + 1) % points.size()];
            EXPECT_LE(GetParam().distance(x, y), kSlack) << x << "," << y;
            if (i + 1 < points.size() || object.kind == ObjectKind::Polygon) {
                EXPECT_LE(GetParam().distance(0.5 * (x + nx), 0.5 * (y + ny)), kSlack + 0.5)
                    << "chord " << x << "," << y << " " << nx << "," << ny;
            }
        }
    }
}

const std::string kBulgeRun = "10\n0\n20\n0\n42\n1\n10\n1000\n20\n0\n";

INSTANTIATE_TEST_SUITE_P(
    Entities, ExtendedCurveTest,
    ::testing::Values(
        // A quarter turn counter-clockwise from (0,0) to (1000,0): below the chord, about
        // (500, 500).
        CurveCase{"LwPolylineBulge",
                  "0\nLWPOLYLINE\n90\n2\n10\n0\n20\n0\n42\n0.41421356237309503\n10\n1000\n"
                  "20\n0\n",
                  {ObjectKind::Polyline},
                  [](double x, double y) {
                      return y > 1 ? 99 : Circle(500, 500, 500 * std::numbers::sqrt2)(x, y);
                  },
                  {0, 0}},
        CurveCase{"LwPolylineClosedByTwoBulges",
                  "0\nLWPOLYLINE\n90\n2\n70\n1\n" + kBulgeRun + "42\n1\n",
                  {ObjectKind::Polygon},
                  Circle(500, 0, 500),
                  {0, 0}},
        CurveCase{"PolylineVertexBulge",
                  "0\nPOLYLINE\n66\n1\n0\nVERTEX\n10\n0\n20\n0\n42\n-1\n0\nVERTEX\n10\n1000\n20\n"
                  "0\n0\nSEQEND\n",
                  {ObjectKind::Polyline},
                  [](double x, double y) { return y < -1 ? 99 : Circle(500, 0, 500)(x, y); },
                  {0, 0}},
        CurveCase{"ThreeDPolylineDropsZ",
                  "0\nPOLYLINE\n70\n8\n0\nVERTEX\n10\n0\n20\n0\n30\n5\n70\n32\n0\nVERTEX\n10\n10\n"
                  "20\n20\n30\n9\n70\n32\n0\nSEQEND\n",
                  {ObjectKind::Polyline},
                  Path({{0, 0}, {10, 20}}),
                  {0, 0}},
        CurveCase{"LwPolylineSeenFromBelowIsMirrored",
                  "0\nLWPOLYLINE\n90\n2\n10\n10\n20\n5\n10\n20\n20\n5\n230\n-1\n",
                  {ObjectKind::Polyline},
                  Path({{-10, 5}, {-20, 5}}),
                  {-10, 5}},
        CurveCase{"PolylineSeenFromBelowIsMirrored",
                  "0\nPOLYLINE\n230\n-1\n0\nVERTEX\n10\n10\n20\n5\n0\nVERTEX\n10\n20\n20\n5\n0\n"
                  "SEQEND\n",
                  {ObjectKind::Polyline},
                  Path({{-10, 5}, {-20, 5}}),
                  {-10, 5}},
        CurveCase{"WholeEllipse",
                  "0\nELLIPSE\n10\n1000\n20\n1000\n11\n500\n21\n0\n40\n0.5\n",
                  {ObjectKind::Polygon},
                  [](double x, double y) {
                      // Near the ellipse x²/500² + y²/250² = 1 about (1000, 1000).
                      const double t = std::atan2((y - 1000) / 250, (x - 1000) / 500);
                      return std::hypot(x - 1000 - 500 * std::cos(t), y - 1000 - 250 * std::sin(t));
                  },
                  {1500, 1000}},
        CurveCase{"HalfEllipseSeenFromBelow",
                  "0\nELLIPSE\n10\n0\n20\n0\n11\n400\n21\n0\n40\n1\n41\n0\n42\n3.14159265358979\n"
                  "230\n-1\n",
                  {ObjectKind::Polyline},
                  [](double x, double y) { return y > 1 ? 99 : Circle(0, 0, 400)(x, y); },
                  {400, 0}},
        CurveCase{"LinearSplineIsItsControlPolygon",
                  "0\nSPLINE\n71\n1\n40\n0\n40\n0\n40\n1\n40\n2\n40\n2\n10\n0\n20\n0\n10\n100\n20\n"
                  "100\n10\n200\n20\n0\n",
                  {ObjectKind::Polyline},
                  Path({{0, 0}, {100, 100}, {200, 0}}),
                  {0, 0}},
        CurveCase{"RationalQuadraticQuarterCircle",
                  "0\nSPLINE\n70\n4\n71\n2\n40\n0\n40\n0\n40\n0\n40\n1\n40\n1\n40\n1\n10\n1000\n"
                  "20\n0\n41\n1\n10\n1000\n20\n1000\n41\n0.70710678118654757\n10\n0\n20\n1000\n41\n"
                  "1\n",
                  {ObjectKind::Polyline},
                  Circle(0, 0, 1000),
                  {1000, 0}},
        CurveCase{"HelixReadAsItsSpline",
                  "0\nHELIX\n71\n1\n40\n0\n40\n0\n40\n1\n40\n1\n10\n0\n20\n0\n10\n50\n20\n50\n"
                  "100\nAcDbHelix\n10\n999\n20\n999\n40\n77\n",
                  {ObjectKind::Polyline},
                  Path({{0, 0}, {50, 50}}),
                  {0, 0}},
        CurveCase{"SplineThroughFitPoints",
                  "0\nSPLINE\n71\n3\n11\n0\n21\n0\n11\n100\n21\n0\n11\n200\n21\n0\n",
                  {ObjectKind::Polyline},
                  Path({{0, 0}, {200, 0}}),
                  {0, 0}},
        CurveCase{"SolidCornersOneTwoFourThree",
                  "0\nSOLID\n10\n0\n20\n0\n11\n10\n21\n0\n12\n0\n22\n10\n13\n10\n23\n10\n",
                  {ObjectKind::Polygon},
                  Path({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
                  {0, 0}},
        CurveCase{"FaceCornersInOrder",
                  "0\n3DFACE\n10\n0\n20\n0\n11\n10\n21\n0\n12\n10\n22\n10\n13\n0\n23\n10\n",
                  {ObjectKind::Polygon},
                  Path({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
                  {0, 0}},
        CurveCase{"LeaderVertices",
                  "0\nLEADER\n76\n3\n10\n0\n20\n0\n10\n10\n20\n10\n10\n30\n20\n10\n",
                  {ObjectKind::Polyline},
                  Path({{0, 0}, {10, 10}, {30, 10}}),
                  {0, 0}},
        CurveCase{
            "MlineElements",
            "0\nMLINE\n73\n2\n11\n0\n21\n0\n12\n1\n22\n0\n13\n0\n23\n1\n74\n1\n41\n5\n74\n1\n"
            "41\n-5\n11\n100\n21\n0\n12\n1\n22\n0\n13\n0\n23\n1\n74\n1\n41\n5\n74\n1\n41\n-5\n",
            {ObjectKind::Polyline, ObjectKind::Polyline},
            [](double x, double y) {
                return std::min(Path({{0, 5}, {100, 5}})(x, y), Path({{0, -5}, {100, -5}})(x, y));
            },
            {0, 5}},
        CurveCase{"HatchPolylinePathWithBulge",
                  "0\nHATCH\n2\nLINE\n91\n1\n92\n2\n72\n1\n73\n1\n93\n2\n10\n0\n20\n0\n42\n1\n10\n"
                  "1000\n20\n0\n42\n1\n97\n0\n75\n1\n98\n1\n10\n5000\n20\n5000\n",
                  {ObjectKind::Polygon},
                  Circle(500, 0, 500),
                  {0, 0}},
        // A square with one clockwise arc edge: stored as 360 minus its angles.
        CurveCase{"HatchEdgePathWithClockwiseArc",
                  "0\nHATCH\n91\n1\n92\n1\n93\n3\n72\n1\n10\n0\n20\n0\n11\n0\n21\n1000\n72\n2\n10\n"
                  "0\n20\n0\n40\n1000\n50\n270\n51\n360\n73\n0\n72\n1\n10\n1000\n20\n0\n11\n0\n21\n"
                  "0\n97\n0\n75\n1\n",
                  {ObjectKind::Polygon},
                  [](double x, double y) {
                      const double arc = x < -1 || y < -1 ? 99 : Circle(0, 0, 1000)(x, y);
                      return std::min(
                          {arc, Path({{0, 0}, {0, 1000}})(x, y), Path({{0, 0}, {1000, 0}})(x, y)});
                  },
                  {0, 0}},
        CurveCase{"CircleInATiltedPlane",
                  "0\nCIRCLE\n10\n0\n20\n0\n40\n1000\n210\n1\n220\n0\n230\n1\n",
                  {ObjectKind::Polygon},
                  [](double x, double y) {
                      // Tilted 45 degrees about the y axis: an ellipse of half axes 707 and 1000.
                      const double a = 1000 * std::sqrt(0.5);
                      const double t = std::atan2(y / 1000, x / a);
                      return std::hypot(x - a * std::cos(t), y - 1000 * std::sin(t));
                  },
                  {0, 1000}},
        CurveCase{
            "PolyfaceFace",
            "0\nPOLYLINE\n70\n64\n0\nVERTEX\n10\n0\n20\n0\n70\n192\n0\nVERTEX\n10\n10\n20\n0\n"
            "70\n192\n0\nVERTEX\n10\n10\n20\n10\n70\n192\n0\nVERTEX\n70\n128\n71\n1\n72\n2\n"
            "73\n-3\n0\nSEQEND\n",
            {ObjectKind::Polygon},
            Path({{0, 0}, {10, 0}, {10, 10}, {0, 0}}),
            {0, 0}},
        CurveCase{
            "MeshRowsAndColumns",
            "0\nPOLYLINE\n70\n16\n71\n2\n72\n2\n0\nVERTEX\n10\n0\n20\n0\n70\n64\n0\nVERTEX\n10\n"
            "10\n20\n0\n70\n64\n0\nVERTEX\n10\n0\n20\n10\n70\n64\n0\nVERTEX\n10\n10\n20\n10\n70\n"
            "64\n0\nSEQEND\n",
            {ObjectKind::Polyline, ObjectKind::Polyline, ObjectKind::Polyline,
             ObjectKind::Polyline},
            Path({{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}),
            {0, 0}}),
    [](const auto& info) { return std::string(info.param.name); });

// An ARC seen from below stays an arc: centre mirrored, angles mirrored and swapped.
TEST(ExtendedImport, ArcSeenFromBelowIsAMirroredArc) {
    TempHome home;
    SetSetting("ExtendedEntities", 1);
    const auto objects = AllObjects(ImportedMap(
        home, Entities("0\nARC\n10\n10\n20\n5\n40\n3\n50\n10\n51\n60\n210\n0\n220\n0\n230\n-1\n")));
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].kind, ObjectKind::Arc);
    EXPECT_EQ(objects[0].center.x, -10);
    EXPECT_EQ(objects[0].center.y, 5);
    EXPECT_EQ(objects[0].radius, 3);
    EXPECT_DOUBLE_EQ(objects[0].startAngle, 120.0);
    EXPECT_DOUBLE_EQ(objects[0].endAngle, 170.0);
}

struct MalformedCase {
    const char* name;
    std::string body;
};

class ExtendedMalformedTest : public ::testing::TestWithParam<MalformedCase> {};

// A malformed entity makes nothing, and the LINE after it is still read.
TEST_P(ExtendedMalformedTest, DropsTheEntityAndReadsOn) {
    TempHome home;
    SetSetting("ExtendedEntities", 1);
    const auto runs = PointRuns(ImportedMap(home, Entities(GetParam().body)));
    EXPECT_EQ(runs,
              (std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>>{{{7, 7}, {8, 8}}}));
}

INSTANTIATE_TEST_SUITE_P(
    Entities, ExtendedMalformedTest,
    ::testing::Values(
        MalformedCase{"EllipseRatioNan", "0\nELLIPSE\n10\n0\n20\n0\n11\n5\n21\n0\n40\nnan\n"},
        MalformedCase{"EllipseWithoutAxis", "0\nELLIPSE\n10\n0\n20\n0\n11\n0\n21\n0\n40\n0.5\n"},
        MalformedCase{"EllipseBeyondTheMap", "0\nELLIPSE\n10\n0\n20\n0\n11\n1e12\n21\n0\n40\n1\n"},
        MalformedCase{"SplineKnotsAllEqual", "0\nSPLINE\n71\n1\n40\n1\n40\n1\n40\n1\n40\n1\n10\n0\n"
                                             "20\n0\n10\n5\n20\n5\n"},
        MalformedCase{"SplineKnotsFalling", "0\nSPLINE\n71\n1\n40\n0\n40\n0\n40\n2\n40\n1\n10\n0\n"
                                            "20\n0\n10\n5\n20\n5\n"},
        MalformedCase{"SplineDegreeZero", "0\nSPLINE\n71\n0\n10\n0\n20\n0\n10\n5\n20\n5\n"},
        MalformedCase{"SplineHugeDegree", "0\nSPLINE\n71\n2000000000\n10\n0\n20\n0\n"},
        MalformedCase{"SplineWeightZero", "0\nSPLINE\n71\n1\n40\n0\n40\n0\n40\n1\n40\n1\n10\n0\n"
                                          "20\n0\n41\n0\n10\n5\n20\n5\n41\n1\n"},
        MalformedCase{"ArcWithoutPlane", "0\nARC\n10\n0\n20\n0\n40\n3\n50\n0\n51\n9\n230\n0\n"},
        MalformedCase{"TiltedCircleZeroRadius", "0\nCIRCLE\n10\n0\n20\n0\n40\n0\n210\n1\n230\n1\n"},
        MalformedCase{"HatchArcEdgeZeroRadius",
                      "0\nHATCH\n91\n1\n92\n1\n93\n1\n72\n2\n10\n0\n20\n0\n40\n0\n50\n0\n51\n90\n"
                      "73\n1\n"},
        MalformedCase{"MeshSizesBeyondItsVertices",
                      "0\nPOLYLINE\n70\n16\n71\n2000000000\n72\n2000000000\n0\nVERTEX\n10\n0\n20\n"
                      "0\n70\n64\n0\nSEQEND\n"},
        MalformedCase{"SolidWithoutThirdCorner", "0\nSOLID\n10\n0\n20\n0\n11\n10\n21\n0\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// However large the arc, its points are capped.
TEST(ExtendedImport, PointsPerArcAreCapped) {
    TempHome home;
    SetSetting("ExtendedEntities", 1);
    const auto objects = AllObjects(
        ImportedMap(home, EntitiesFile("0\nCIRCLE\n10\n0\n20\n0\n40\n1e9\n210\n0\n220\n1\n230\n1\n"
                                       "0\nLWPOLYLINE\n90\n2\n10\n-1e9\n20\n0\n42\n1\n10\n1e9\n"
                                       "20\n0\n")));
    ASSERT_EQ(objects.size(), 2u);
    for (const auto& object : objects) {
        EXPECT_GT(object.points.size(), 100u);
        EXPECT_LE(object.points.size(), 257u); // one arc: at most 256 chords
    }
}

// Inside a block the new objects join the block's group, like the classic entities.
TEST(ExtendedImport, BlockEntitiesJoinTheBlockGroup) {
    TempHome home;
    SetSetting("ExtendedEntities", 1);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n"
                             "0\nELLIPSE\n10\n0\n20\n0\n11\n50\n21\n0\n40\n0.5\n"
                             "0\nSOLID\n10\n0\n20\n0\n11\n10\n21\n0\n12\n0\n22\n10\n"
                             "0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    const auto journal = standin::Journal(map.Handle());
    EXPECT_EQ(
        std::count_if(journal.begin(), journal.end(),
                      [](const std::string& l) { return l.rfind("map_group_Create(", 0) == 0; }),
        1);
}

// With the setting off, the new entities make nothing, and bulges, 3-D polylines and extrusion
// directions are read as the classic import reads them.
TEST(ExtendedImport, SettingOffKeepsTheClassicImport) {
    TempHome home;
    const std::string body =
        "0\nELLIPSE\n10\n0\n20\n0\n11\n5\n21\n0\n40\n0.5\n"
        "0\nSPLINE\n71\n1\n40\n0\n40\n0\n40\n1\n40\n1\n10\n0\n20\n0\n10\n5\n20\n5\n"
        "0\nSOLID\n10\n0\n20\n0\n11\n10\n21\n0\n12\n0\n22\n10\n"
        "0\nHATCH\n91\n1\n92\n2\n93\n2\n10\n0\n20\n0\n10\n5\n20\n5\n97\n0\n75\n1\n"
        "0\nLWPOLYLINE\n90\n2\n" +
        kBulgeRun + "230\n-1\n" +
        "0\nPOLYLINE\n70\n8\n0\nVERTEX\n10\n0\n20\n0\n70\n32\n0\nVERTEX\n10\n1\n20\n1\n70\n32\n"
        "0\nSEQEND\n"
        "0\nARC\n10\n10\n20\n5\n40\n3\n50\n10\n51\n60\n230\n-1\n";
    const auto objects = AllObjects(ImportedMap(home, Entities(body)));
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(XY(objects[0]),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{0, 0}, {1000, 0}}));
    EXPECT_EQ(objects[1].kind, ObjectKind::Arc);
    EXPECT_EQ(objects[1].center.x, 10);
    EXPECT_DOUBLE_EQ(objects[1].startAngle, 10.0);
    EXPECT_EQ(XY(objects[2]), (std::vector<std::pair<std::int32_t, std::int32_t>>{{7, 7}, {8, 8}}));
}

} // namespace
