// The ENTITIES section: which layers are point layers, the order of objects, polylines and
// polygons in 2-D and 3-D, texts and points with their alignment, angles, height and line breaks.
#include "export_support.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace {

using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;
using Entity = std::vector<Group>;

// A failing case prints as its name.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

// The entities of the export of the built map, each POLYLINE together with its VERTEX records
// and SEQEND, so that one entry stands for one map object.
std::vector<Entity> ExportEntities(const MapBuilder& builder) {
    TempHome home;
    MapWindow map;
    builder.Into(map.Handle());
    const Exported exported = ExportMap(home, map.Handle());
    EXPECT_TRUE(exported.wellFormed);
    std::vector<Entity> objects;
    for (const Entity& entity : Entities(exported)) {
        const std::string& kind = entity.front().second;
        if ((kind == "VERTEX" || kind == "SEQEND") && !objects.empty())
            objects.back().insert(objects.back().end(), entity.begin(), entity.end());
        else
            objects.push_back(entity);
    }
    return objects;
}

std::vector<std::string> Kinds(const std::vector<Entity>& entities) {
    std::vector<std::string> kinds;
    for (const Entity& entity : entities)
        kinds.push_back(entity.front().second);
    return kinds;
}

standin::Object TextDetails(std::int32_t size, std::int32_t rotation, std::int32_t oblique,
                            std::uint32_t flags) {
    standin::Object details;
    details.size = size;
    details.rotation = rotation;
    details.oblique = oblique;
    details.flags = flags;
    return details;
}

// ---------------------------------------------------------------------------------------------
// Point layers: a layer whose objects are all texts of at most one character.

struct PointLayerCase {
    const char* name;
    MapBuilder layer;               // one layer, objects in host order
    std::vector<std::string> kinds; // in file order, last object first
};

class PointLayerTest : public ::testing::TestWithParam<PointLayerCase> {};

TEST_P(PointLayerTest, OneCharacterTextsBecomePointsOnlyOnPointLayers) {
    EXPECT_EQ(Kinds(ExportEntities(GetParam().layer)), GetParam().kinds);
}

INSTANTIATE_TEST_SUITE_P(
    Layers, PointLayerTest,
    ::testing::Values(
        PointLayerCase{"SymbolsOnly",
                       MapBuilder().Layer(1, "P").Text("A", {1, 1}).Text("B", {2, 2}),
                       {"POINT", "POINT"}},
        PointLayerCase{"EmptyTextStaysText",
                       MapBuilder().Layer(1, "P").Text("A", {1, 1}).Text("", {2, 2}),
                       {"TEXT", "POINT"}},
        PointLayerCase{"PolylineSpoilsIt",
                       MapBuilder().Layer(1, "P").Text("A", {1, 1}).Polyline({{0, 0}, {1, 1}}),
                       {"POLYLINE", "TEXT"}},
        PointLayerCase{"LongerTextSpoilsIt",
                       MapBuilder().Layer(1, "P").Text("A", {1, 1}).Text("AB", {2, 2}),
                       {"TEXT", "TEXT"}},
        PointLayerCase{"ArcSpoilsItAndLeavesNoTrace",
                       MapBuilder().Layer(1, "P").Text("A", {1, 1}).Arc({0, 0}, 10),
                       {"TEXT"}},
        PointLayerCase{"LoneLineFeedIsATextOfTwoCharacters",
                       MapBuilder().Layer(1, "P").Text("\n", {1, 1}),
                       {"TEXT"}},
        PointLayerCase{"EachLayerDecidesForItself",
                       MapBuilder()
                           .Layer(1, "Lines")
                           .Polyline({{0, 0}, {1, 1}})
                           .Text("A", {1, 1})
                           .Layer(2, "Points")
                           .Text("A", {1, 1}),
                       {"TEXT", "POLYLINE", "POINT"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PointEntity, CarriesOnlyLayerAndPosition) {
    const auto entities = ExportEntities(MapBuilder().Layer(1, "Trees").Text("A", {5000, 7000}));
    ASSERT_EQ(entities.size(), 1u);
    EXPECT_EQ(entities[0], (Entity{{0, "POINT"}, {8, "Trees"}, {10, "5000"}, {20, "7000"}}));
}

TEST(PointEntity, ThreeDimensionalPointHasItsZ) {
    const auto entities = ExportEntities(MapBuilder().Layer(1, "T").Text3d("x", {1, 2, 3}));
    ASSERT_EQ(entities.size(), 1u);
    EXPECT_EQ(entities[0], (Entity{{0, "POINT"}, {8, "T"}, {10, "1"}, {20, "2"}, {30, "3"}}));
}

// ---------------------------------------------------------------------------------------------
// Order: layers first to last, the objects of a layer last to first.

TEST(EntityOrder, ObjectsOfALayerComeLastToFirst) {
    const auto entities = ExportEntities(MapBuilder()
                                             .Layer(1, "First")
                                             .Polyline({{1, 1}, {2, 2}})        // A
                                             .Polygon({{3, 3}, {4, 4}, {5, 3}}) // B
                                             .Layer(2, "Second")
                                             .Text("C1", {0, 0})
                                             .Text("C2", {0, 0}));
    ASSERT_EQ(entities.size(), 4u);
    EXPECT_EQ(ValuesOf(entities[0], 70), std::vector<std::string>{"1"}) << "B, the polygon";
    EXPECT_EQ(ValuesOf(entities[0], 10), (std::vector<std::string>{"3", "4", "5"}));
    EXPECT_EQ(ValuesOf(entities[1], 10), (std::vector<std::string>{"1", "2"})) << "then A";
    EXPECT_EQ(ValuesOf(entities[2], 1), std::vector<std::string>{"C2"});
    EXPECT_EQ(ValuesOf(entities[3], 1), std::vector<std::string>{"C1"});
    EXPECT_EQ(ValuesOf(entities[3], 8), std::vector<std::string>{"Second"});
}

// ---------------------------------------------------------------------------------------------
// Polylines and polygons.

struct PolylineCase {
    const char* name;
    MapBuilder map;
    std::vector<Group> expected; // the whole entity, VERTEX records and SEQEND included
};

class PolylineTest : public ::testing::TestWithParam<PolylineCase> {};

TEST_P(PolylineTest, WritesHeadVerticesAndSeqend) {
    std::vector<Group> all;
    for (const Entity& entity : ExportEntities(GetParam().map))
        all.insert(all.end(), entity.begin(), entity.end());
    EXPECT_EQ(all, GetParam().expected);
}

// A POLYLINE on the layer, closed (group 70 = 1) or not, with a VERTEX per point ({x, y} or
// {x, y, z}) and its SEQEND.
Entity PolylineEntity(const char* layer, bool closed,
                      std::initializer_list<std::vector<std::string>> points) {
    Entity all{{0, "POLYLINE"}, {8, layer}};
    if (closed)
        all.push_back({70, "1"});
    all.push_back({66, "1"});
    for (const std::vector<std::string>& xyz : points) {
        all.insert(all.end(), {{0, "VERTEX"}, {8, layer}, {10, xyz[0]}, {20, xyz[1]}});
        if (xyz.size() == 3)
            all.push_back({30, xyz[2]});
    }
    all.push_back({0, "SEQEND"});
    return all;
}

const PolylineCase kPolylines[] = {
    {"OpenPolyline2d", MapBuilder().Layer(1, "L").Polyline({{1, 2}, {-3, 4}}),
     PolylineEntity("L", false, {{"1", "2"}, {"-3", "4"}})},
    {"ClosedPolygon2dKeepsItsPointsAsGiven",
     MapBuilder().Layer(1, "L").Polygon({{0, 0}, {1000, 0}, {1000, 1000}}),
     PolylineEntity("L", true, {{"0", "0"}, {"1000", "0"}, {"1000", "1000"}})},
    {"FactorThousand",
     MapBuilder().Unit(1).Layer(1, "L").Polygon({{0, 0}, {1000, 0}, {1000, 1000}}),
     PolylineEntity(
         "L", true,
         {{"0.000000", "0.000000"}, {"1.000000", "0.000000"}, {"1.000000", "1.000000"}})},
    {"Polyline3dHasNoFlagsAndAZEverywhere",
     MapBuilder().Layer(1, "L").Polyline3d({{1, 2, 3}, {4, 5, -6}}),
     PolylineEntity("L", false, {{"1", "2", "3"}, {"4", "5", "-6"}})},
    {"Polygon3dZThroughTheFactor", MapBuilder().Unit(1).Layer(1, "L").Polygon3d({{1500, 0, -250}}),
     PolylineEntity("L", true, {{"1.500000", "0.000000", "-0.250000"}})},
    {"NoPointsGivesHeadAndSeqend", MapBuilder().Layer(1, "L").Polyline({}),
     PolylineEntity("L", false, {})},
    {"EmptyLayerNameGivesTheNumber", MapBuilder().Layer(12, "").Polyline({{7, 8}}),
     PolylineEntity("12", false, {{"7", "8"}})},
    {"ArcsLeaveNoTrace", MapBuilder().Layer(1, "L").Arc({5, 5}, 3), Entity{}},
};

INSTANTIATE_TEST_SUITE_P(Shapes, PolylineTest, ::testing::ValuesIn(kPolylines),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------------
// Texts.

TEST(TextEntity, WritesEveryGroupInItsOrder) {
    const auto entities = ExportEntities(
        MapBuilder().Layer(1, "Names").Text("Hall", {12, -34}, TextDetails(250, 900, 150, 2 | 4)));
    ASSERT_EQ(entities.size(), 1u);
    EXPECT_EQ(entities[0], (Entity{{0, "TEXT"},
                                   {8, "Names"},
                                   {1, "Hall"},
                                   {10, "12"},
                                   {20, "-34"},
                                   {11, "12"},
                                   {21, "-34"},
                                   {40, "250.000000"},
                                   {50, "90"},
                                   {51, "15"},
                                   {72, "2"},
                                   {73, "2"}}));
}

TEST(TextEntity, ThreeDimensionalTextRepeatsItsZ) {
    const auto entities = ExportEntities(
        MapBuilder().Layer(1, "N").Text3d("Peak", {1, 2, 300}, TextDetails(10, 0, 0, 0)));
    ASSERT_EQ(entities.size(), 1u);
    EXPECT_EQ(entities[0], (Entity{{0, "TEXT"},
                                   {8, "N"},
                                   {1, "Peak"},
                                   {10, "1"},
                                   {20, "2"},
                                   {30, "300"},
                                   {11, "1"},
                                   {21, "2"},
                                   {31, "300"},
                                   {40, "10.000000"}}));
}

TEST(TextEntity, HeightStaysInMapUnitsWhenCoordinatesAreScaled) {
    const auto entities = ExportEntities(
        MapBuilder().Unit(1).Layer(1, "N").Text("Hall", {2500, 500}, TextDetails(100, 0, 0, 0)));
    ASSERT_EQ(entities.size(), 1u);
    EXPECT_EQ(ValuesOf(entities[0], 10), std::vector<std::string>{"2.500000"});
    EXPECT_EQ(ValuesOf(entities[0], 21), std::vector<std::string>{"0.500000"});
    EXPECT_EQ(ValuesOf(entities[0], 40), std::vector<std::string>{"100.000000"});
}

struct AttributeCase {
    const char* name;
    std::int32_t rotation;
    std::int32_t oblique;
    std::uint32_t flags;
    std::vector<Group> tail; // the groups after 40
};

class TextAttributeTest : public ::testing::TestWithParam<AttributeCase> {};

TEST_P(TextAttributeTest, AnglesInWholeDegreesAndJustificationCodes) {
    const auto entities = ExportEntities(MapBuilder().Layer(1, "N").Text(
        "Word", {0, 0}, TextDetails(4, GetParam().rotation, GetParam().oblique, GetParam().flags)));
    ASSERT_EQ(entities.size(), 1u);
    const Entity& text = entities[0];
    ASSERT_GE(text.size(), 8u);
    EXPECT_EQ(Entity(text.begin() + 8, text.end()), GetParam().tail);
}

INSTANTIATE_TEST_SUITE_P(
    Attributes, TextAttributeTest,
    ::testing::Values(
        AttributeCase{"Nothing", 0, 0, 0, {}},
        AttributeCase{"Rotation900", 900, 0, 0, {{50, "90"}}},
        AttributeCase{"RotationTruncates", 455, 0, 0, {{50, "45"}}},
        AttributeCase{"NegativeRotationTruncatesTowardZero", -455, 0, 0, {{50, "-45"}}},
        AttributeCase{"TinyRotationIsWrittenAsZero", 9, 0, 0, {{50, "0"}}},
        AttributeCase{"Oblique", 0, -150, 0, {{51, "-15"}}},
        AttributeCase{"Centre", 0, 0, 1, {{72, "1"}}}, AttributeCase{"Right", 0, 0, 2, {{72, "2"}}},
        AttributeCase{"CentreWinsOverRight", 0, 0, 3, {{72, "1"}}},
        AttributeCase{"RightMiddle", 0, 0, 2 | 4, {{72, "2"}, {73, "2"}}},
        AttributeCase{"BottomAloneWritesLeftFirst", 0, 0, 8, {{72, "0"}, {73, "1"}}},
        AttributeCase{"BottomWinsOverMiddle", 0, 0, 8 | 4, {{72, "0"}, {73, "1"}}},
        AttributeCase{"CentreBottom", 0, 0, 1 | 8, {{72, "1"}, {73, "1"}}},
        AttributeCase{"OtherBitsAreNotRead", 0, 0, 16 | 32, {}},
        AttributeCase{
            "Everything", 1800, 300, 1 | 4, {{50, "180"}, {51, "30"}, {72, "1"}, {73, "2"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct LineBreakCase {
    const char* name;
    std::string text;
    std::string written;
};

class TextLineBreakTest : public ::testing::TestWithParam<LineBreakCase> {};

TEST_P(TextLineBreakTest, EveryLineBreakBecomesBackslashN) {
    const auto entities =
        ExportEntities(MapBuilder().Layer(1, "N").Polyline({{0, 0}}).Text(GetParam().text, {0, 0}));
    ASSERT_EQ(entities.size(), 2u) << "the polyline keeps the text from becoming a point";
    EXPECT_EQ(ValuesOf(entities[0], 1), std::vector<std::string>{GetParam().written});
}

INSTANTIATE_TEST_SUITE_P(
    Breaks, TextLineBreakTest,
    ::testing::Values(LineBreakCase{"CrLf", "first\r\nsecond", "first\\nsecond"},
                      LineBreakCase{"LoneLf", "first\nsecond", "first\\nsecond"},
                      LineBreakCase{"LoneCr", "first\rsecond", "first\\nsecond"},
                      LineBreakCase{"LfCrIsTwoBreaks", "a\n\rb", "a\\n\\nb"},
                      LineBreakCase{"TwoCrLf", "a\r\n\r\nb", "a\\n\\nb"},
                      LineBreakCase{"MixedAtTheEnds", "\ra\r\nb\n", "\\na\\nb\\n"},
                      LineBreakCase{"BackslashNStays", "a\\nb", "a\\nb"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TextEntity, TextLongerThanTheSixteenBitFetchIsCutNotOverrun) {
    std::string text(70000, 'x');
    for (std::size_t i = 0; i < text.size(); i += 1000)
        text[i] = static_cast<char>('a' + (i / 1000) % 26);
    const auto entities =
        ExportEntities(MapBuilder().Layer(1, "N").Text(text, {0, 0}, TextDetails(1, 0, 0, 0)));
    ASSERT_EQ(entities.size(), 1u);
    const auto values = ValuesOf(entities[0], 1);
    ASSERT_EQ(values.size(), 1u);
    EXPECT_EQ(values[0], text.substr(0, 65534));
}

} // namespace
