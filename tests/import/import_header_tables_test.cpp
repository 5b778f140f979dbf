// HEADER extent, the LAYER table and the layer order of the layer-mapping file.
#include "test_support.h"

#include <gtest/gtest.h>

#include <optional>
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

std::string Header(const std::string& variables) {
    return "0\nSECTION\n2\nHEADER\n" + variables + "0\nENDSEC\n";
}

std::string Variable(const std::string& name, const std::string& x, const std::string& y) {
    return "9\n" + name + "\n10\n" + x + "\n20\n" + y + "\n30\n0.0\n";
}

const std::string kExtMin = Variable("$EXTMIN", "-5.9", "3.2");
const std::string kExtMax = Variable("$EXTMAX", "99.5", "50.5");

struct HeaderCase {
    const char* name;
    double multiplier;
    std::string header;                            // the HEADER's variables
    std::optional<std::vector<std::int32_t>> rect; // min x, min y, max x, max y
};

class HeaderTest : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(HeaderTest, ExtentBecomesTheObjectsRectangle) {
    TempHome home;
    SetSetting("Multiplier", GetParam().multiplier);
    SetSetting("XOffset", 1000);
    SetSetting("YOffset", 2000);
    MapWindow map;
    const std::string text = Header(GetParam().header) + "0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    const auto rect = map.Snapshot().objectsRect;
    if (!GetParam().rect) {
        EXPECT_FALSE(rect.has_value());
        return;
    }
    ASSERT_TRUE(rect.has_value());
    EXPECT_EQ((std::vector<std::int32_t>{rect->min.x, rect->min.y, rect->max.x, rect->max.y}),
              *GetParam().rect);
}

INSTANTIATE_TEST_SUITE_P(
    Extents, HeaderTest,
    ::testing::Values(
        HeaderCase{"TruncatedNeverOffset", 1.0, kExtMin + kExtMax,
                   std::vector<std::int32_t>{-5, 3, 99, 50}},
        HeaderCase{"Scaled", 10.0, kExtMin + kExtMax, std::vector<std::int32_t>{-59, 32, 995, 505}},
        HeaderCase{"OtherVariablesAround", 1.0,
                   "9\n$ACADVER\n1\nAC1009\n" + kExtMin + "9\n$LIMMIN\n10\n1\n20\n1\n" + kExtMax +
                       "9\n$FILLETRAD\n40\n1\n",
                   std::vector<std::int32_t>{-5, 3, 99, 50}},
        HeaderCase{"ExtMaxBeforeExtMin", 1.0, kExtMax + kExtMin, std::nullopt},
        HeaderCase{"OnlyExtMin", 1.0, kExtMin, std::nullopt},
        HeaderCase{"OnlyExtMax", 1.0, kExtMax, std::nullopt},
        HeaderCase{"NanCorner", 1.0, Variable("$EXTMIN", "nan", "0") + kExtMax, std::nullopt},
        HeaderCase{"HugeCorner", 1.0, kExtMin + Variable("$EXTMAX", "1", "1e300"), std::nullopt},
        HeaderCase{"ScaledOutOfRange", 1e9, kExtMin + kExtMax, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

std::string Tables(const std::string& tables) {
    return "0\nSECTION\n2\nTABLES\n" + tables + "0\nENDSEC\n";
}

std::string LayerTable(const std::vector<std::string>& names) {
    std::string text = "0\nTABLE\n2\nLAYER\n70\n" + std::to_string(names.size()) + "\n";
    for (const std::string& name : names)
        text += "0\nLAYER\n2\n" + name + "\n70\n0\n62\n7\n6\nCONTINUOUS\n";
    return text + "0\nENDTAB\n";
}

const std::string kLtypeTable =
    "0\nTABLE\n2\nLTYPE\n70\n1\n0\nLTYPE\n2\nDASHED\n70\n0\n3\n__ __\n0\nENDTAB\n";

TEST(LayerTableImport, OnlyTheLastLayerIsResolvedAndMadeCurrent) {
    TempHome home;
    const std::string text = Tables(kLtypeTable + LayerTable({"First", "Second", "Third"})) +
                             EntitiesFile("0\nLINE\n10\n0\n20\n0\n11\n1\n21\n1\n");
    const auto snapshot = ImportedMap(home, text);
    EXPECT_EQ(FindLayer(snapshot, "First"), nullptr);
    EXPECT_EQ(FindLayer(snapshot, "Second"), nullptr);
    EXPECT_EQ(FindLayer(snapshot, "DASHED"), nullptr) << "line types are passed over";
    const standin::Layer* third = FindLayer(snapshot, "Third");
    ASSERT_NE(third, nullptr);
    ASSERT_TRUE(snapshot.currentLayer.has_value());
    EXPECT_EQ(*snapshot.currentLayer, third->number);
    EXPECT_EQ(third->objects.size(), 1u) << "a LINE without a layer lands on the table's layer";
}

TEST(LayerTableImport, EarlierLayersAreMadeWhenAnEntityNamesThem) {
    TempHome home;
    const std::string text = Tables(LayerTable({"First", "Second", "Third"})) +
                             EntitiesFile("0\nLINE\n8\nFirst\n10\n0\n20\n0\n11\n1\n21\n1\n");
    const auto snapshot = ImportedMap(home, text);
    const standin::Layer* first = FindLayer(snapshot, "First");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->objects.size(), 1u);
    EXPECT_EQ(FindLayer(snapshot, "Second"), nullptr);
}

struct EndingCase {
    const char* name;
    std::string text;
};

class TablesEndingTest : public ::testing::TestWithParam<EndingCase> {};

// Files that end, or lose their structure, inside TABLES: the import ends and reports success.
TEST_P(TablesEndingTest, TerminatesWithSuccess) {
    TempHome home;
    MapWindow map;
    EXPECT_EQ(ImportDxf(home, map.Handle(), GetParam().text), 1);
    EXPECT_TRUE(AllObjects(map.Snapshot()).empty());
}

INSTANTIATE_TEST_SUITE_P(
    Truncated, TablesEndingTest,
    ::testing::Values(
        EndingCase{"RightAfterTable", "0\nSECTION\n2\nTABLES\n0\nTABLE\n"},
        EndingCase{"RightAfterTableName", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n"},
        EndingCase{"InsideALayerEntry", "0\nSECTION\n2\nTABLES\n0\nTABLE\n2\nLAYER\n0\nLAYER\n2"},
        EndingCase{"TableWithoutName", "0\nSECTION\n2\nTABLES\n0\nTABLE\n0\nENDTAB\n0\nENDSEC\n"},
        EndingCase{"EmptyTables", "0\nSECTION\n2\nTABLES\n0\nENDSEC\n0\nEOF\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Layer-mapping entries for map layers 3, 7 and 9 carry the order flag, in that file order;
// the DXF names them in another order, with an unmapped layer in between.
const char kIni[] = "# pattern number name attr7 attr8 attr9 attr10 attr12 order\n"
                    "L3  3  \"Three\"  0 -1 0 1 0 1\n"
                    "L5  5  \"Five\"   0 -1 0 1 0 0\n"
                    "L7  7  \"Seven\"  0 -1 0 1 0 1\n"
                    "L9  9  \"Nine\"   0 -1 0 1 0 1\n"
                    "L11 11 \"Absent\" 0 -1 0 1 0 1\n";

std::string LineOn(const std::string& layer) {
    return "0\nLINE\n8\n" + layer + "\n10\n0\n20\n0\n11\n1\n21\n1\n";
}

std::vector<std::string> LayerNamesInOrder(const standin::MapSnapshot& map) {
    std::vector<std::string> names;
    for (const standin::Layer& layer : map.layers)
        names.push_back(layer.name);
    return names;
}

struct OrderCase {
    const char* name;
    std::int32_t setting;
    std::vector<std::string> order;
};

class LayerOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(LayerOrderTest, FlaggedLayersFollowTheFirstInFileOrder) {
    TempHome home;
    const auto ini = WriteFile(home.Path(), "order.ini", kIni);
    SetSetting("IniFile", ini.c_str());
    SetSetting("SetLayerOrderFromIniFile", GetParam().setting);
    MapWindow map;
    const std::string body =
        LineOn("L9") + LineOn("Free") + LineOn("L5") + LineOn("L7") + LineOn("L3");
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(body)), 1);
    EXPECT_EQ(LayerNamesInOrder(map.Snapshot()), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Setting, LayerOrderTest,
    ::testing::Values(OrderCase{"On", 1, {"0", "Three", "Seven", "Nine", "Free", "Five"}},
                      OrderCase{"Off", 0, {"0", "Nine", "Free", "Five", "Seven", "Three"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LayerOrder, WithoutIniFileNothingMoves) {
    TempHome home;
    SetSetting("IniFile", (home.Path() / "missing.ini").c_str());
    MapWindow map;
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(LineOn("B") + LineOn("A"))), 1);
    EXPECT_EQ(LayerNamesInOrder(map.Snapshot()), (std::vector<std::string>{"0", "B", "A"}));
}

} // namespace
