// LWPOLYLINE import: declared counts, early stops and the vertices that reach the object.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

// Test cases print as their names in failure messages.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}
using Points = std::vector<std::pair<std::int32_t, std::int32_t>>;

std::string LwPolyline(const std::string& groups) {
    return "0\nLWPOLYLINE\n" + groups;
}

std::string V(const std::string& x, const std::string& y) {
    return "10\n" + x + "\n20\n" + y + "\n";
}

const std::string kThree = V("1", "1") + V("2", "2") + V("3", "1");
const std::string kLine = "0\nLINE\n10\n7\n20\n7\n11\n8\n21\n8\n";

struct CountCase {
    const char* name;
    std::string groups;
    Points points; // empty: nothing is created
};

class LwPolylineTest : public ::testing::TestWithParam<CountCase> {};

// Every case is followed by a LINE, which must still be imported: whatever stopped the
// LWPOLYLINE, the driver finds the next entity.
TEST_P(LwPolylineTest, MakesTheObjectFromTheCompleteVerticesRead) {
    TempHome home;
    const auto made =
        PointRuns(ImportedMap(home, EntitiesFile(LwPolyline(GetParam().groups) + kLine)));
    std::vector<Points> expected;
    if (!GetParam().points.empty())
        expected.push_back(GetParam().points);
    expected.push_back({{7, 7}, {8, 8}});
    EXPECT_EQ(made, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Counts, LwPolylineTest,
    ::testing::Values(
        CountCase{"ExactCount", "90\n3\n" + kThree, {{1, 1}, {2, 2}, {3, 1}}},
        CountCase{"VerticesBeyondTheCountAreSkipped", "90\n2\n" + kThree, {{1, 1}, {2, 2}}},
        CountCase{"FewerVerticesThanDeclared", "90\n5\n" + kThree, {{1, 1}, {2, 2}, {3, 1}}},
        CountCase{"HugeDeclaredCount", "90\n2000000000\n" + kThree, {{1, 1}, {2, 2}, {3, 1}}},
        CountCase{
            "CountAboveInt32Saturates", "90\n99999999999\n" + kThree, {{1, 1}, {2, 2}, {3, 1}}},
        CountCase{"LaterSmallerCountLowersTheBound",
                  "90\n4\n" + V("1", "1") + "90\n2\n" + V("2", "2") + V("3", "1") + V("4", "4"),
                  {{1, 1}, {2, 2}}},
        CountCase{"LaterSmallerCountBelowStoredVertices",
                  "90\n4\n" + kThree + "90\n2\n",
                  {{1, 1}, {2, 2}}},
        CountCase{"LaterLargerCountDoesNotRaiseTheBound",
                  "90\n2\n" + V("1", "1") + "90\n2000000000\n" + V("2", "2") + V("3", "1"),
                  {{1, 1}, {2, 2}}},
        CountCase{"LaterZeroCountLeavesNothing", "90\n3\n" + kThree + "90\n0\n", {}},
        CountCase{"CountAfterTheVerticesAlsoBounds",
                  "90\n3\n" + kThree + "90\n3\n",
                  {{1, 1}, {2, 2}, {3, 1}}},
        CountCase{"NoCount", kThree, {}}, CountCase{"ZeroCount", "90\n0\n" + kThree, {}},
        CountCase{"NegativeCount", "90\n-3\n" + kThree, {}},
        CountCase{"CountThatIsNoNumberStops", "90\nabc\n" + kThree, {}},
        CountCase{"EmptyCountStops", "90\n\n" + kThree, {}},
        CountCase{"CountThatIsNoNumberAfterVerticesStops",
                  "90\n5\n" + V("1", "1") + V("2", "2") + "90\nx\n" + V("3", "1"),
                  {{1, 1}, {2, 2}}},
        CountCase{"SingleVertexMakesNothing", "90\n1\n" + kThree, {}},
        CountCase{"TwoXInARowStop",
                  "90\n5\n" + V("1", "1") + V("2", "2") + "10\n3\n10\n4\n20\n4\n",
                  {{1, 1}, {2, 2}}},
        CountCase{"YWithoutXStops",
                  "90\n5\n" + V("1", "1") + V("2", "2") + "20\n3\n" + V("4", "4"),
                  {{1, 1}, {2, 2}}},
        CountCase{"YBeforeAnyXStops", "90\n3\n20\n9\n" + V("1", "1") + V("2", "2"), {}},
        CountCase{"MalformedXStopsAfterIt",
                  "90\n5\n" + V("1", "1") + V("2", "2") + V("abc", "3"),
                  {{1, 1}, {2, 2}}},
        CountCase{"MalformedYCountsAsZeroThenStops",
                  "90\n5\n" + V("1", "1") + V("2", "2") + V("3", "abc") + V("4", "4"),
                  {{1, 1}, {2, 2}, {3, 0}}},
        CountCase{"OutOfRangeYCountsAsZeroThenStops",
                  "90\n5\n" + V("1", "1") + V("2", "2") + V("3", "1e300") + V("4", "4"),
                  {{1, 1}, {2, 2}, {3, 0}}},
        CountCase{
            "NanXStops", "90\n5\n" + V("1", "1") + V("2", "2") + V("nan", "3"), {{1, 1}, {2, 2}}},
        CountCase{"BulgesAndWidthsIgnored",
                  "90\n3\n43\n1\n" + V("1", "1") + "42\n1\n40\n2\n41\n2\n" + V("2", "2") +
                      "42\n-1\n" + V("3", "1"),
                  {{1, 1}, {2, 2}, {3, 1}}},
        CountCase{"CountAfterTheFirstVertexComesTooLate", "8\nL\n" + V("1", "1") + "90\n3\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LwPolylineImport, EndOfFileKeepsTheCompleteVertices) {
    TempHome home;
    const std::string text =
        "0\nSECTION\n2\nENTITIES\n" + LwPolyline("90\n4\n" + kThree + "10\n4\n20");
    EXPECT_EQ(PointRuns(ImportedMap(home, text)), (std::vector<Points>{{{1, 1}, {2, 2}, {3, 1}}}));
}

TEST(LwPolylineImport, MultiplierAndOffsets) {
    TempHome home;
    SetSetting("Multiplier", 10.0);
    SetSetting("XOffset", 100);
    SetSetting("YOffset", 200);
    const std::string body =
        LwPolyline("90\n3\n" + V("1.25", "-0.5") + V("0", "0") + V("3", "abc")) +
        LwPolyline("90\n3\n" + V("1", "1") + V("2", "1e300") + V("4", "4"));
    // A malformed value counts as a file value of 0, offset included.
    EXPECT_EQ(
        PointRuns(ImportedMap(home, EntitiesFile(body))),
        (std::vector<Points>{{{112, 195}, {100, 200}, {130, 200}}, {{110, 210}, {120, 200}}}));
}

TEST(LwPolylineImport, LayerIsResolvedEvenWhenNothingIsMade) {
    TempHome home;
    const auto snapshot = ImportedMap(home, EntitiesFile(LwPolyline("8\nEmpty\n90\n0\n" + kThree)));
    const standin::Layer* layer = FindLayer(snapshot, "Empty");
    ASSERT_NE(layer, nullptr);
    EXPECT_TRUE(layer->objects.empty());
}

TEST(LwPolylineImport, SameLayerIsResolvedOnce) {
    TempHome home;
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string one = LwPolyline("8\nWalls\n90\n3\n" + kThree);
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(one + one + one)), 1);
    const auto journal = standin::Journal(map.Handle());
    const auto searches = std::count_if(journal.begin(), journal.end(), [](const std::string& l) {
        return l.rfind("map_layer_Search(map, -1, \"Walls\")", 0) == 0;
    });
    EXPECT_EQ(searches, 1);
    const standin::MapSnapshot snapshot = map.Snapshot(); // outlives the layer found in it
    const standin::Layer* walls = FindLayer(snapshot, "Walls");
    ASSERT_NE(walls, nullptr);
    EXPECT_EQ(walls->objects.size(), 3u);
}

TEST(LwPolylineImport, InsideABlockNoOffsetAndJoinsTheBlock) {
    TempHome home;
    SetSetting("XOffset", 1000);
    SetSetting("YOffset", 2000);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" + kLine +
                             LwPolyline("90\n3\n" + kThree) + "0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    const auto journal = standin::Journal(map.Handle());
    const auto created = std::find_if(journal.begin(), journal.end(), [](const std::string& l) {
        return l.rfind("map_polyline_Create(", 0) == 0 &&
               l.find("[{1, 1}, {2, 2}, {3, 1}]") != std::string::npos;
    });
    EXPECT_NE(created, journal.end());
    const auto groupings = std::count_if(journal.begin(), journal.end(), [](const std::string& l) {
        return l.rfind("map_group_Create(", 0) == 0;
    });
    EXPECT_EQ(groupings, 1) << "the LWPOLYLINE joins the LINE in the block's group";
}

} // namespace
