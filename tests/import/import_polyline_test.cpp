// POLYLINE import (and the object shape both polyline kinds share), through DXFFileImport.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

using Points = std::vector<std::pair<std::int32_t, std::int32_t>>;

std::string Vertex(const std::string& x, const std::string& y, const std::string& more = "") {
    return "0\nVERTEX\n8\nIgnored\n10\n" + x + "\n20\n" + y + "\n" + more;
}

std::string VerticesOf(const Points& points) {
    std::string text;
    for (const auto& [x, y] : points)
        text += Vertex(std::to_string(x), std::to_string(y));
    return text;
}

std::string Polyline(const std::string& header, const std::string& vertices,
                     const std::string& tail = "0\nSEQEND\n") {
    return "0\nPOLYLINE\n" + header + vertices + tail;
}

std::string LwPolyline(const std::string& groups) {
    return "0\nLWPOLYLINE\n" + groups;
}

std::string LwVerticesOf(const Points& points) {
    std::string text;
    for (const auto& [x, y] : points)
        text += "10\n" + std::to_string(x) + "\n20\n" + std::to_string(y) + "\n";
    return text;
}

std::size_t CallCount(const std::vector<std::string>& journal, const std::string& name) {
    return static_cast<std::size_t>(
        std::count_if(journal.begin(), journal.end(),
                      [&](const std::string& line) { return line.rfind(name + "(", 0) == 0; }));
}

std::vector<standin::Object> OfKind(const standin::MapSnapshot& map, standin::ObjectKind kind) {
    std::vector<standin::Object> found;
    for (const standin::Object& object : map.objects) {
        if (object.kind == kind)
            found.push_back(object);
    }
    return found;
}

// The shape rule both polyline kinds share: closed flag and repeated end point.
enum class Kind { Polyline, LwPolyline };

struct ShapeCase {
    const char* name;
    std::int32_t flags;
    Points vertices;
    standin::ObjectKind kind;
    Points expected;
};

std::string ShapeEntity(Kind kind, const ShapeCase& c) {
    const std::string flags = "70\n" + std::to_string(c.flags) + "\n";
    if (kind == Kind::Polyline)
        return Polyline("8\nShapes\n" + flags, VerticesOf(c.vertices));
    return LwPolyline("8\nShapes\n90\n" + std::to_string(c.vertices.size()) + "\n" + flags +
                      LwVerticesOf(c.vertices));
}

class ShapeTest : public ::testing::TestWithParam<std::tuple<Kind, ShapeCase>> {};

TEST_P(ShapeTest, ClosedFlagAndRepeatedEndChooseTheObject) {
    const auto& [kind, c] = GetParam();
    TempHome home;
    const auto objects = AllObjects(ImportedMap(home, EntitiesFile(ShapeEntity(kind, c))));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].kind, c.kind);
    EXPECT_EQ(XY(objects[0]), c.expected);
}

using standin::ObjectKind;
const Points kTriangleClosed{{0, 0}, {10, 0}, {10, 10}, {0, 0}};
const Points kTriangle{{0, 0}, {10, 0}, {10, 10}};
const Points kSquare{{0, 0}, {10, 0}, {10, 10}, {0, 10}};

INSTANTIATE_TEST_SUITE_P(
    BothKinds, ShapeTest,
    ::testing::Combine(
        ::testing::Values(Kind::Polyline, Kind::LwPolyline),
        ::testing::Values(
            ShapeCase{"ClosedRepeatedEnd", 1, kTriangleClosed, ObjectKind::Polygon, kTriangle},
            ShapeCase{"OpenRepeatedEnd", 0, kTriangleClosed, ObjectKind::Polygon, kTriangle},
            ShapeCase{"OpenThreePointsBackToStart",
                      0,
                      {{0, 0}, {10, 0}, {0, 0}},
                      ObjectKind::Polyline,
                      {{0, 0}, {10, 0}, {0, 0}}},
            ShapeCase{
                "ClosedTwoPoints", 1, {{0, 0}, {10, 0}}, ObjectKind::Polygon, {{0, 0}, {10, 0}}},
            ShapeCase{"OpenSquare", 0, kSquare, ObjectKind::Polyline, kSquare},
            ShapeCase{"FlagsThreeAreClosed", 3, kSquare, ObjectKind::Polygon, kSquare},
            ShapeCase{"OtherFlagBitsAreIgnored", 128, kSquare, ObjectKind::Polyline, kSquare})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == Kind::Polyline ? "Polyline_"
                                                                     : "LwPolyline_") +
               std::get<1>(info.param).name;
    });

// Entities whose vertices are refused, or which end early.
struct PolylineCase {
    const char* name;
    std::string body; // the whole ENTITIES body
    std::vector<Points> objects;
};

class PolylineVertexTest : public ::testing::TestWithParam<PolylineCase> {};

TEST_P(PolylineVertexTest, CreatesTheRunsItCanRead) {
    TempHome home;
    EXPECT_EQ(PointRuns(ImportedMap(home, EntitiesFile(GetParam().body))), GetParam().objects);
}

const std::string kLine = "0\nLINE\n10\n7\n20\n7\n11\n8\n21\n8\n";

INSTANTIATE_TEST_SUITE_P(
    Vertices, PolylineVertexTest,
    ::testing::Values(
        // A polygon: the ends are the same point once truncated.
        PolylineCase{"EndsCompareAfterTruncation",
                     Polyline("", Vertex("0.2", "0.9") + Vertex("10", "0") + Vertex("10", "10") +
                                      Vertex("0.7", "-0.4")),
                     {{{0, 0}, {10, 0}, {10, 10}}}},
        PolylineCase{"IgnoresBulgeWidthsAndZ",
                     Polyline("40\n1\n41\n2\n", Vertex("1", "2", "30\n9\n40\n1\n41\n2\n42\n1\n") +
                                                    Vertex("3", "4", "42\n-0.5\n")),
                     {{{1, 2}, {3, 4}}}},
        PolylineCase{"MalformedXEndsTheRun",
                     Polyline("", Vertex("1", "1") + Vertex("2", "2") + Vertex("abc", "3") +
                                      Vertex("4", "4")) +
                         kLine,
                     {{{1, 1}, {2, 2}}, {{7, 7}, {8, 8}}}},
        PolylineCase{"OutOfRangeVertexEndsTheRun",
                     Polyline("", Vertex("1", "1") + Vertex("2", "2") + Vertex("1e300", "3") +
                                      Vertex("4", "4")),
                     {{{1, 1}, {2, 2}}}},
        PolylineCase{"NanVertexEndsTheRun",
                     Polyline("", Vertex("1", "1") + Vertex("2", "2") + Vertex("3", "nan")),
                     {{{1, 1}, {2, 2}}}},
        PolylineCase{
            "FlaggedFirstVertexCreatesNothing",
            Polyline("70\n8\n", Vertex("1", "1", "70\n32\n") + Vertex("2", "2", "70\n32\n")) +
                kLine,
            {{{7, 7}, {8, 8}}}},
        PolylineCase{
            "FlaggedLaterVertexEndsTheRun",
            Polyline("", Vertex("1", "1") + Vertex("2", "2") + Vertex("3", "3", "70\n16\n")),
            {{{1, 1}, {2, 2}}}},
        PolylineCase{
            "FirstVertexWithoutY", Polyline("", "0\nVERTEX\n10\n1\n" + Vertex("2", "2")), {}},
        PolylineCase{"NoVertexAtAll", Polyline("", "", "") + kLine, {{{7, 7}, {8, 8}}}},
        PolylineCase{"SeqEndAfterSeqEndMakesNothing",
                     Polyline("", VerticesOf({{1, 1}, {2, 2}}), "0\nSEQEND\n0\nSEQEND\n") + kLine,
                     {{{1, 1}, {2, 2}}, {{7, 7}, {8, 8}}}},
        PolylineCase{"RunWithoutSeqEndIsKept",
                     Polyline("", VerticesOf({{1, 1}, {2, 2}, {3, 1}}), "") + kLine,
                     {{{1, 1}, {2, 2}, {3, 1}}, {{7, 7}, {8, 8}}}},
        PolylineCase{"CodeZeroWithoutKeywordDoesNotEndAVertex",
                     Polyline("", Vertex("1", "1", "0\nJUNK\n") + Vertex("2", "2")),
                     {{{1, 1}, {2, 2}}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PolylineImport, FileEndingInsideARunKeepsTheRun) {
    TempHome home;
    const std::string text = "0\nSECTION\n2\nENTITIES\n" +
                             Polyline("", VerticesOf({{1, 1}, {2, 2}}) + "0\nVERTEX\n10\n3", "");
    EXPECT_EQ(PointRuns(ImportedMap(home, text)), (std::vector<Points>{{{1, 1}, {2, 2}}}));
}

TEST(PolylineImport, NeverAsksTheHostForFewerThanTwoPoints) {
    TempHome home;
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string body = Polyline("", Vertex("1", "1")) +
                             Polyline("", Vertex("1", "1"), "0\nSEQEND\n0\nSEQEND\n") +
                             Polyline("", Vertex("1", "1"), "");
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    const auto journal = standin::Journal(map.Handle());
    EXPECT_EQ(CallCount(journal, "map_polyline_Create"), 0u);
    EXPECT_EQ(CallCount(journal, "map_polygon_Create"), 0u);
}

TEST(PolylineImport, RefusedOnlyVertexLeavesTheLayerUnresolved) {
    TempHome home;
    const auto snapshot =
        ImportedMap(home, EntitiesFile(Polyline("8\nNewLayer\n", Vertex("1", "1", "70\n1\n"))));
    EXPECT_TRUE(AllObjects(snapshot).empty());
    EXPECT_EQ(FindLayer(snapshot, "NewLayer"), nullptr);
}

TEST(PolylineImport, LaterRunsReuseTheGrownBuffer) {
    TempHome home;
    Points first;
    for (std::int32_t i = 0; i < 1200; ++i)
        first.emplace_back(i, 1);
    const Points second{{5, 5}, {6, 6}, {7, 5}};
    const std::string body =
        Polyline("", VerticesOf(first), "0\nSEQEND\n" + VerticesOf(second) + "0\nSEQEND\n");
    EXPECT_EQ(PointRuns(ImportedMap(home, EntitiesFile(body))),
              (std::vector<Points>{first, second}));
}

// A vertex without 10 or 20 keeps the previous vertex's file value, converted once.
TEST(PolylineImport, MissingCoordinateRepeatsTheFileValueConvertedOnce) {
    TempHome home;
    SetSetting("Multiplier", 10.0);
    SetSetting("XOffset", 100);
    SetSetting("YOffset", 200);
    const std::string vertices =
        Vertex("1", "2") + "0\nVERTEX\n10\n3\n" + "0\nVERTEX\n20\n4\n" + "0\nVERTEX\n30\n1\n";
    EXPECT_EQ(PointRuns(ImportedMap(home, EntitiesFile(Polyline("", vertices)))),
              (std::vector<Points>{{{110, 220}, {130, 220}, {130, 240}, {130, 240}}}));
}

// POLYLINE, three VERTEX, SEQEND, two VERTEX, SEQEND, then LINE.
const std::string kTwoRuns =
    Polyline("8\nRuns\n", VerticesOf({{1, 1}, {2, 2}, {3, 1}}),
             "0\nSEQEND\n" + VerticesOf({{5, 5}, {6, 6}}) + "0\nSEQEND\n") +
    kLine;

TEST(PolylineRuns, GroupedIntoOneHostGroupByDefault) {
    TempHome home;
    const auto snapshot = ImportedMap(home, EntitiesFile(kTwoRuns));
    const auto lines = OfKind(snapshot, ObjectKind::Polyline);
    ASSERT_EQ(lines.size(), 3u) << "two runs and the LINE that follows the last SEQEND";
    const auto groups = OfKind(snapshot, ObjectKind::Group);
    ASSERT_EQ(groups.size(), 1u);
    EXPECT_EQ(groups[0].members, (std::vector<standin::ObjectId>{lines[0].id, lines[1].id}));
    EXPECT_EQ(XY(lines[2]), (Points{{7, 7}, {8, 8}}));
}

TEST(PolylineRuns, NotGroupedWhenGroupingIsOffOrForASingleRun) {
    TempHome home;
    const auto single = ImportedMap(home, EntitiesFile(Polyline("", VerticesOf({{1, 1}, {2, 2}}))));
    EXPECT_TRUE(OfKind(single, ObjectKind::Group).empty());
    SetSetting("Group polylines after SEQEND", 0);
    const auto separate = ImportedMap(home, EntitiesFile(kTwoRuns));
    EXPECT_EQ(OfKind(separate, ObjectKind::Polyline).size(), 3u);
    EXPECT_TRUE(OfKind(separate, ObjectKind::Group).empty());
}

// Inside a BLOCK: a LINE, then the two-run POLYLINE. The block definition is deleted at the end
// of the import, so its structure is read from the calls the module made.
std::string BlockFile(const std::string& entities) {
    return "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" + entities +
           "0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
}

const std::string kBlockBody =
    kLine + Polyline("", VerticesOf({{1, 1}, {2, 2}}),
                     "0\nSEQEND\n" + VerticesOf({{5, 5}, {6, 6}}) + "0\nSEQEND\n");

struct BlockGroupingCase {
    const char* name;
    std::int32_t grouping;
    std::size_t groupCreates;
    std::size_t groupSets;
};

class PolylineInBlockTest : public ::testing::TestWithParam<BlockGroupingCase> {};

TEST_P(PolylineInBlockTest, RunsJoinTheBlockAsTheSettingSays) {
    TempHome home;
    SetSetting("Group polylines after SEQEND", GetParam().grouping);
    SetSetting("XOffset", 1000);
    SetSetting("YOffset", 2000);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    ASSERT_EQ(ImportDxf(home, map.Handle(), BlockFile(kBlockBody)), 1);
    const auto journal = standin::Journal(map.Handle());
    EXPECT_EQ(CallCount(journal, "map_group_Create"), GetParam().groupCreates);
    EXPECT_EQ(CallCount(journal, "map_group_Set"), GetParam().groupSets);
    const auto created = std::find_if(journal.begin(), journal.end(), [](const std::string& l) {
        return l.rfind("map_polyline_Create(", 0) == 0 && l.find("{1, 1}") != std::string::npos;
    });
    EXPECT_NE(created, journal.end()) << "no offsets inside a block definition";
}

// On: the entity's own group of both runs becomes one member of the block's group beside the
// LINE (two groups made, one member added to each). Off: the runs join the LINE's block group
// one by one (one group made, two members added).
INSTANTIATE_TEST_SUITE_P(Grouping, PolylineInBlockTest,
                         ::testing::Values(BlockGroupingCase{"On", 1, 2, 2},
                                           BlockGroupingCase{"Off", 0, 1, 2}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
