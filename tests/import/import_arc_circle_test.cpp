// ARC and CIRCLE import: the arguments the host receives, scaling, and dropped entities.
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

// The journal lines of the host's arc and circle calls, in order.
std::vector<std::string> ShapeCalls(HWND map) {
    std::vector<std::string> calls;
    for (const std::string& line : standin::Journal(map)) {
        if (line.rfind("m_ArcCreate(", 0) == 0 ||
            line.rfind("map_Circle_Create_AsPolygon(", 0) == 0)
            calls.push_back(line);
    }
    return calls;
}

struct ShapeCase {
    const char* name;
    std::string body;
    std::vector<std::string> calls; // what the host is asked for; empty: nothing
};

class ArcCircleTest : public ::testing::TestWithParam<ShapeCase> {};

TEST_P(ArcCircleTest, AsksTheHostForExactlyThis) {
    TempHome home;
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(GetParam().body)), 1);
    EXPECT_EQ(ShapeCalls(map.Handle()), GetParam().calls);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, ArcCircleTest,
    ::testing::Values(
        ShapeCase{"QuarterArc",
                  "0\nARC\n10\n10\n20\n20\n40\n5\n50\n0\n51\n90\n",
                  {"m_ArcCreate(map, 10, 20, 5, 0, 90, 20)"}},
        ShapeCase{"AnglesUnchangedAcrossZero",
                  "0\nARC\n51\n10\n50\n350\n40\n5\n20\n0\n10\n0\n",
                  {"m_ArcCreate(map, 0, 0, 5, 350, 10, 20)"}},
        ShapeCase{"FractionalAnglesKept",
                  "0\nARC\n10\n1\n20\n2\n40\n3\n50\n12.5\n51\n-45.25\n",
                  {"m_ArcCreate(map, 1, 2, 3, 12.5, -45.25, 20)"}},
        ShapeCase{"RadiusTruncated",
                  "0\nCIRCLE\n10\n-1.9\n20\n1.9\n40\n2.9\n",
                  {"map_Circle_Create_AsPolygon(map, -1, 1, 2, 20)"}},
        ShapeCase{"ZeroAndNegativeRadiusGoOver",
                  "0\nCIRCLE\n10\n0\n20\n0\n40\n0\n0\nCIRCLE\n10\n0\n20\n0\n40\n-4\n",
                  {"map_Circle_Create_AsPolygon(map, 0, 0, 0, 20)",
                   "map_Circle_Create_AsPolygon(map, 0, 0, -4, 20)"}},
        ShapeCase{"ArcWithoutEndAngle", "0\nARC\n10\n1\n20\n2\n40\n3\n50\n0\n", {}},
        ShapeCase{"ArcWithoutRadius", "0\nARC\n10\n1\n20\n2\n50\n0\n51\n9\n", {}},
        ShapeCase{"CircleWithoutY", "0\nCIRCLE\n10\n1\n40\n3\n", {}},
        ShapeCase{"CircleWithMalformedZ", "0\nCIRCLE\n10\n1\n20\n2\n30\nabc\n40\n3\n", {}},
        ShapeCase{"ArcWithMalformedAngle", "0\nARC\n10\n1\n20\n2\n40\n3\n50\nabc\n51\n9\n", {}},
        ShapeCase{"CircleWithHugeCentre", "0\nCIRCLE\n10\n1e300\n20\n2\n40\n3\n", {}},
        ShapeCase{"ArcWithInfiniteRadius", "0\nARC\n10\n1\n20\n2\n40\ninf\n50\n0\n51\n9\n", {}},
        ShapeCase{"CircleWithNanRadius", "0\nCIRCLE\n10\n1\n20\n2\n40\nnan\n", {}},
        ShapeCase{"MalformedCircleThenGoodArc",
                  "0\nCIRCLE\n10\nabc\n20\n2\n40\n3\n0\nARC\n10\n1\n20\n2\n40\n3\n50\n0\n51\n9\n",
                  {"m_ArcCreate(map, 1, 2, 3, 0, 9, 20)"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ArcCircleImport, ScaledAndShiftedButAnglesStayDegrees) {
    TempHome home;
    SetSetting("Multiplier", 100.0);
    SetSetting("XOffset", 1000);
    SetSetting("YOffset", 2000);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string body = "0\nCIRCLE\n10\n1.5\n20\n2.25\n40\n0.75\n"
                             "0\nARC\n10\n1.5\n20\n2.25\n40\n0.75\n50\n30\n51\n60\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    EXPECT_EQ(ShapeCalls(map.Handle()),
              (std::vector<std::string>{"map_Circle_Create_AsPolygon(map, 1150, 2225, 75, 20)",
                                        "m_ArcCreate(map, 1150, 2225, 75, 30, 60, 20)"}));
    const auto snapshot = map.Snapshot();
    const auto objects = AllObjects(snapshot);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].kind, standin::ObjectKind::Polygon);
    EXPECT_EQ(objects[1].kind, standin::ObjectKind::Arc);
    EXPECT_EQ(objects[1].center.x, 1150);
    EXPECT_EQ(objects[1].radius, 75);
}

TEST(ArcCircleImport, RadiusPushedOutsideTheMapDropsTheCircleAfterItsLayer) {
    TempHome home;
    SetSetting("Multiplier", 1e9);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string body = "0\nCIRCLE\n8\nRound\n10\n0\n20\n0\n40\n5\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    EXPECT_TRUE(ShapeCalls(map.Handle()).empty());
    EXPECT_NE(FindLayer(map.Snapshot(), "Round"), nullptr);
}

TEST(ArcCircleImport, InsideABlockNoOffsetsAndJoinsTheBlock) {
    TempHome home;
    SetSetting("XOffset", 1000);
    SetSetting("YOffset", 2000);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n"
                             "0\nARC\n10\n1\n20\n2\n40\n3\n50\n0\n51\n9\n"
                             "0\nCIRCLE\n10\n4\n20\n5\n40\n6\n"
                             "0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    EXPECT_EQ(ShapeCalls(map.Handle()),
              (std::vector<std::string>{"m_ArcCreate(map, 1, 2, 3, 0, 9, 20)",
                                        "map_Circle_Create_AsPolygon(map, 4, 5, 6, 20)"}));
    const auto journal = standin::Journal(map.Handle());
    EXPECT_EQ(
        std::count_if(journal.begin(), journal.end(),
                      [](const std::string& l) { return l.rfind("map_group_Create(", 0) == 0; }),
        1);
}

} // namespace
