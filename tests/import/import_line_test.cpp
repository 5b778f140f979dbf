// LINE import and the map-unit conversion, through DXFFileImport on small
// drawings.
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
using Points = std::vector<std::pair<std::int32_t, std::int32_t>>;

std::string Line(const std::string& groups) {
    return "0\nLINE\n" + groups;
}

struct LineCase {
    const char* name;
    std::string groups; // the LINE's groups after its keyword pair
    Points points;      // empty: nothing is created
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class LineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineTest, CreatesATwoPointPolylineOrNothing) {
    TempHome home;
    const auto objects = AllObjects(ImportedMap(home, EntitiesFile(Line(GetParam().groups))));
    ASSERT_EQ(objects.size(), GetParam().points.empty() ? 0u : 1u);
    if (objects.empty())
        return;
    EXPECT_EQ(objects[0].kind, standin::ObjectKind::Polyline);
    EXPECT_EQ(XY(objects[0]), GetParam().points);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, LineTest,
    ::testing::Values(
        LineCase{"Plain", "10\n1\n20\n2\n11\n3\n21\n4\n", {{1, 2}, {3, 4}}},
        LineCase{"AnyGroupOrder", "11\n3\n10\n1\n21\n4\n20\n2\n", {{1, 2}, {3, 4}}},
        LineCase{
            "TruncatesTowardZero", "10\n2.9\n20\n-2.9\n11\n-3.7\n21\n3.7\n", {{2, -2}, {-3, 3}}},
        LineCase{"ZeroForms", "10\n0\n20\n0.0\n11\n-0\n21\n\n", {{0, 0}, {0, 0}}},
        LineCase{"LastValueWins", "10\n1\n10\n5\n20\n2\n11\n3\n21\n4\n", {{5, 2}, {3, 4}}},
        LineCase{"ZIgnored", "10\n1\n20\n2\n30\n9\n11\n3\n21\n4\n31\n9\n", {{1, 2}, {3, 4}}},
        LineCase{"MissingEndY", "10\n1\n20\n2\n11\n3\n", {}},
        LineCase{"MalformedX", "10\nabc\n20\n2\n11\n3\n21\n4\n", {}},
        LineCase{"MalformedNegativeDot", "10\n1\n20\n-.0\n11\n3\n21\n4\n", {}},
        LineCase{"MalformedZ", "10\n1\n20\n2\n30\nabc\n11\n3\n21\n4\n", {}},
        LineCase{"NanCoordinate", "10\nnan\n20\n2\n11\n3\n21\n4\n", {}},
        LineCase{"InfCoordinate", "10\n1\n20\ninf\n11\n3\n21\n4\n", {}},
        LineCase{"HugeCoordinate", "10\n1e300\n20\n2\n11\n3\n21\n4\n", {}},
        LineCase{"JustOutsideInt32", "10\n2147483648\n20\n2\n11\n3\n21\n4\n", {}},
        LineCase{"JustInsideInt32",
                 "10\n2147483647.5\n20\n-2147483648.5\n11\n3\n21\n4\n",
                 {{2147483647, -2147483647 - 1}, {3, 4}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LineImport, LandsOnTheLayerOfItsGroupEight) {
    TempHome home;
    const std::string body = Line("8\nWalls\n10\n0\n20\n0\n11\n1\n21\n1\n") +
                             Line("10\n5\n20\n5\n11\n6\n21\n6\n") +
                             Line("8\n0\n10\n7\n20\n7\n11\n8\n21\n8\n");
    const auto snapshot = ImportedMap(home, EntitiesFile(body));
    const standin::Layer* walls = FindLayer(snapshot, "Walls");
    const standin::Layer* zero = FindLayer(snapshot, "0");
    ASSERT_NE(walls, nullptr);
    ASSERT_NE(zero, nullptr);
    EXPECT_EQ(walls->objects.size(), 2u) << "a LINE without a layer stays on the current one";
    EXPECT_EQ(zero->objects.size(), 1u);
}

// A keyword ends the LINE whatever its group code; the pair is left to the
// driver, which starts the entity it names.
TEST(LineImport, LayerNamedLikeAKeywordEndsTheLine) {
    TempHome home;
    const auto objects =
        AllObjects(ImportedMap(home, EntitiesFile(Line("8\nPOINT\n10\n1\n20\n2\n11\n3\n21\n4\n"))));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].kind, standin::ObjectKind::Text) << "the POINT that the pair started";
    EXPECT_EQ(objects[0].position.x, 1);
    EXPECT_EQ(objects[0].position.y, 2);
}

TEST(LineImport, EndsWhereTheFileEnds) {
    TempHome home;
    MapWindow map;
    EXPECT_EQ(ImportDxf(home, map.Handle(), "0\nSECTION\n2\nENTITIES\n0\nLINE\n"), 1);
    EXPECT_EQ(ImportDxf(home, map.Handle(), "0\nSECTION\n2\nENTITIES\n0\nLINE\n10\n1\n20"), 1);
    EXPECT_TRUE(AllObjects(map.Snapshot()).empty());
}

struct ConversionCase {
    const char* name;
    double multiplier;
    std::int32_t offsets[3]; // x, y, z
    double ends[4];          // the file's x, y, x2, y2
    Points points;
    friend void PrintTo(const ConversionCase& c, std::ostream* os) { *os << c.name; }
};

class ConversionTest : public ::testing::TestWithParam<ConversionCase> {};

TEST_P(ConversionTest, ScalesThenShiftsThenTruncates) {
    TempHome home;
    const ConversionCase& c = GetParam();
    SetSetting("Multiplier", c.multiplier);
    SetSetting("XOffset", c.offsets[0]);
    SetSetting("YOffset", c.offsets[1]);
    SetSetting("ZOffset", c.offsets[2]);
    std::ostringstream groups;
    groups << "10\n"
           << c.ends[0] << "\n20\n"
           << c.ends[1] << "\n11\n"
           << c.ends[2] << "\n21\n"
           << c.ends[3] << "\n";
    EXPECT_EQ(PointRuns(ImportedMap(home, EntitiesFile(Line(groups.str())))),
              std::vector<Points>{c.points});
}

const ConversionCase kConversions[] = {
    {"MultiplierAndOffset", 2.0, {100, 0, 0}, {1.75, 1, -3.7, 0}, {{103, 2}, {92, 0}}},
    {"MultiplierZeroMeansOne", 0.0, {0, 0, 0}, {1.5, 2.5, 3, 4}, {{1, 2}, {3, 4}}},
    {"ZOffsetAloneShiftsNothing", 1.0, {0, 0, 100}, {1, 2, 3, 4}, {{1, 2}, {3, 4}}},
    {"BothOffsets", 10.0, {100, 200, 0}, {1.25, -0.5, 0, 0}, {{112, 195}, {100, 200}}},
    {"LargeMultiplier", 1e6, {0, 0, 0}, {1, 2, 3, 4}, {{1000000, 2000000}, {3000000, 4000000}}},
};

INSTANTIATE_TEST_SUITE_P(Settings, ConversionTest, ::testing::ValuesIn(kConversions),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(LineImport, MultiplierPushingOutsideTheMapDropsTheLine) {
    TempHome home;
    SetSetting("Multiplier", 1e9);
    const auto snapshot =
        ImportedMap(home, EntitiesFile(Line("8\nL\n10\n1\n20\n2\n11\n3\n21\n4\n")));
    EXPECT_TRUE(AllObjects(snapshot).empty());
    EXPECT_NE(FindLayer(snapshot, "L"), nullptr)
        << "the layer step is taken before the conversion refuses the values";
}

} // namespace
