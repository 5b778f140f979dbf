// HEADER, TABLES and BLOCKS of an exported file: the whole file of an empty map (line types,
// CR LF line ends and section order included) against a file written by hand, the extent under
// each unit rule, and the layer table with its cleaned names and flags.
#include "export/layer_names.h"
#include "export_support.h"

#include <gtest/gtest.h>

#include <ostream>

#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;

TEST(ExportedFile, MapWithoutLayersGivesExactlyTheGoldenFile) {
    TempHome home;
    MapWindow map;
    MapBuilder().Into(map.Handle());
    const Exported exported = ExportMap(home, map.Handle());
    const auto golden =
        ReadFileBytes(fs::path(DXFCNV_SOURCE_DIR) / "tests" / "golden" / "empty_map.dxf");
    ASSERT_TRUE(golden.has_value());
    EXPECT_EQ(exported.result, 0);
    EXPECT_EQ(exported.bytes, *golden);
}

// The four point variables of the header, as (10, 20) value pairs in file order.
std::vector<std::string> HeaderCoordinates(const Exported& exported) {
    std::vector<std::string> values;
    for (const Group& group : SectionBody(exported.groups, "HEADER")) {
        if (group.first == 10 || group.first == 20)
            values.push_back(group.second);
    }
    return values;
}

struct ExtentCase {
    const char* name;
    std::int32_t unitId;
    std::vector<std::string> expected; // EXTMIN, EXTMAX, LIMMIN, LIMMAX as x, y
};

// A failing case prints as its name.
void PrintTo(const ExtentCase& c, std::ostream* out) {
    *out << c.name;
}

class HeaderExtentTest : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(HeaderExtentTest, ExtentAndLimitsFollowTheUnitFactor) {
    TempHome home;
    MapWindow map;
    MapBuilder()
        .Unit(GetParam().unitId)
        .Layer(1, "A")
        .Polygon({{12000, 34000}, {56000, 34000}, {56000, 78000}})
        .Into(map.Handle());
    EXPECT_EQ(HeaderCoordinates(ExportMap(home, map.Handle())), GetParam().expected);
}

const std::vector<std::string> kWholeUnits{"12000", "34000", "56000", "78000",
                                           "12000", "34000", "56000", "78000"};

INSTANTIATE_TEST_SUITE_P(Units, HeaderExtentTest,
                         ::testing::Values(ExtentCase{"FactorThousand",
                                                      1,
                                                      {"12.000000", "34.000000", "56.000000",
                                                       "78.000000", "12.000000", "34.000000",
                                                       "56.000000", "78.000000"}},
                                           ExtentCase{"UnitWithoutFactor", 0, kWholeUnits},
                                           ExtentCase{"FactorExactlyOne", 4, kWholeUnits},
                                           ExtentCase{"UnitTheHostDoesNotKnow", 9999, kWholeUnits}),
                         [](const auto& info) { return std::string(info.param.name); });

// The entries of one table of the TABLES section, its head (TABLE, name, count) left out.
std::vector<std::vector<Group>> TableEntries(const Exported& exported, const std::string& name) {
    const auto parts = SplitAtCodeZero(SectionBody(exported.groups, "TABLES"));
    std::vector<std::vector<Group>> entries;
    bool inTable = false;
    for (const auto& part : parts) {
        if (part.front() == Group{0, "TABLE"}) {
            inTable = part.size() > 1 && part[1] == Group{2, name};
            continue;
        }
        if (part.front() == Group{0, "ENDTAB"})
            inTable = false;
        else if (inTable)
            entries.push_back(part);
    }
    return entries;
}

std::string TableCount(const Exported& exported, const std::string& name) {
    const auto body = SectionBody(exported.groups, "TABLES");
    for (std::size_t i = 0; i + 2 < body.size(); ++i) {
        if (body[i] == Group{0, "TABLE"} && body[i + 1] == Group{2, name})
            return body[i + 2].first == 70 ? body[i + 2].second : "<no count>";
    }
    return "<no table>";
}

struct SanitizeCase {
    const char* name;
    std::string source;
    std::int32_t maximum;
    std::string expected;
};

// A failing case prints as its name.
void PrintTo(const SanitizeCase& c, std::ostream* out) {
    *out << c.name;
}

class SanitizeTest : public ::testing::TestWithParam<SanitizeCase> {};

TEST_P(SanitizeTest, ReplacesRefusedCharactersAndCutsToTheMaximum) {
    std::vector<char> destination(static_cast<std::size_t>(std::max(GetParam().maximum, 0)) + 1,
                                  'x');
    EXPECT_EQ(SanitizeLayerName(destination.data(), GetParam().source.c_str(), GetParam().maximum),
              1);
    EXPECT_EQ(std::string(destination.data()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Names, SanitizeTest,
    ::testing::Values(SanitizeCase{"Parentheses", "Roads (main)", 25, "Roads__main_"},
                      SanitizeCase{"DotAndSlash", "a.b/c", 25, "a_b_c"},
                      SanitizeCase{"OthersStay", "x*y;z", 25, "x*y;z"},
                      SanitizeCase{"AllSixteen", " \t.()<>\\/,'\"|:=?", 25, "________________"},
                      SanitizeCase{"HighBytesStay",
                                   "Stra\xDF"
                                   "e \xE4",
                                   25,
                                   "Stra\xDF"
                                   "e_\xE4"},
                      SanitizeCase{"LineBreaksCleaned", "Line\r\nbreak\rand\nmore", 25,
                                   "Line__break_and_more"},
                      SanitizeCase{"ThirtyCharactersCut", "abcdefghijklmnopqrstuvwxyz1234", 25,
                                   "abcdefghijklmnopqrstuvwxy"},
                      SanitizeCase{"ExactlyTheMaximum", "abcde", 5, "abcde"},
                      SanitizeCase{"MaximumZero", "abc", 0, ""},
                      SanitizeCase{"MaximumNegative", "abc", -3, ""},
                      SanitizeCase{"Empty", "", 25, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// The LAYER entries of an export as (name, flags) pairs, after checking that each entry has
// colour 7 and the solid line type.
std::vector<std::pair<std::string, std::string>> LayerEntries(const Exported& exported) {
    std::vector<std::pair<std::string, std::string>> layers;
    for (const auto& entry : TableEntries(exported, "LAYER")) {
        EXPECT_EQ(entry.size(), 5u);
        EXPECT_EQ(ValuesOf(entry, 62), std::vector<std::string>{"7"});
        EXPECT_EQ(ValuesOf(entry, 6), std::vector<std::string>{"0"});
        const auto names = ValuesOf(entry, 2);
        const auto flags = ValuesOf(entry, 70);
        layers.emplace_back(names.empty() ? "" : names[0], flags.empty() ? "" : flags[0]);
    }
    return layers;
}

TEST(LayerTable, FlagsTellFrozenAndLockedLayers) {
    TempHome home;
    MapWindow map;
    MapBuilder()
        .Layer(1, "Open", true, true)
        .Layer(2, "Frozen", false, true)
        .Layer(3, "Locked", true, false)
        .Layer(4, "Both", false, false)
        .Into(map.Handle());
    const Exported exported = ExportMap(home, map.Handle());
    EXPECT_EQ(TableCount(exported, "LAYER"), "4");
    EXPECT_EQ(LayerEntries(exported),
              (std::vector<std::pair<std::string, std::string>>{
                  {"Open", "0"}, {"Frozen", "1"}, {"Locked", "4"}, {"Both", "5"}}));
}

TEST(LayerTable, NamesAreCleanedCutAndEmptyNamesGiveTheNumber) {
    TempHome home;
    MapWindow map;
    MapBuilder()
        .Layer(1, "Roads")
        .Layer(2, "Roads.")
        .Layer(3, "A B")
        .Layer(4, "A_B")
        .Layer(7, "")
        .Layer(8, "abcdefghijklmnopqrstuvwxyz1234")
        .Layer(9, "Two\r\nlines")
        .Into(map.Handle());
    const Exported exported = ExportMap(home, map.Handle());
    ASSERT_TRUE(exported.wellFormed) << "a line break in a layer name must not split its line";
    EXPECT_EQ(LayerEntries(exported),
              (std::vector<std::pair<std::string, std::string>>{{"Roads", "0"},
                                                                {"Roads_", "0"},
                                                                {"A_B", "0"},
                                                                {"A_B", "0"},
                                                                {"7", "0"},
                                                                {"abcdefghijklmnopqrstuvwxy", "0"},
                                                                {"Two__lines", "0"}}));
    EXPECT_NE(exported.bytes.find("  0\r\nLAYER\r\n  2\r\n7\r\n  70\r\n"), std::string::npos);
}

TEST(LayerTable, LayerNamedWithALeadingTabIsLeftOutOfTableAndCount) {
    TempHome home;
    MapWindow map;
    MapBuilder()
        .Layer(1, "Shown")
        .Layer(2, "\tHidden")
        .Polyline({{1, 2}, {3, 4}})
        .Layer(3, "Also shown\t")
        .Into(map.Handle());
    const Exported exported = ExportMap(home, map.Handle());
    EXPECT_EQ(TableCount(exported, "LAYER"), "2");
    EXPECT_EQ(LayerEntries(exported), (std::vector<std::pair<std::string, std::string>>{
                                          {"Shown", "0"}, {"Also_shown_", "0"}}));
    // Its objects are still written, under the cleaned name.
    const auto entities = Entities(exported);
    ASSERT_FALSE(entities.empty());
    EXPECT_EQ(ValuesOf(entities[0], 8), std::vector<std::string>{"_Hidden"});
}

} // namespace
