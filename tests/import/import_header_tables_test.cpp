// The layer order of the layer-mapping file (HEADER and TABLES cases are in cases/tables.txt).
#include "test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace testing_support;

// Layer-mapping entries for map layers 3, 7 and 9 carry the order flag, in that file order;
// the DXF names them in another order, with an unmapped layer in between.
const char kIni[] = "# pattern number name attr7 attr8 attr9 attr10 attr12 order\n"
                    "L3  3  \"Three\"  0 -1 0 1 0 1\n"
                    "L5  5  \"Five\"   0 -1 0 1 0 0\n"
                    "L7  7  \"Seven\"  0 -1 0 1 0 1\n"
                    "L9  9  \"Nine\"   0 -1 0 1 0 1\n"
                    "L11 11 \"Absent\" 0 -1 0 1 0 1\n";

struct OrderCase {
    const char* name;
    const char* ini; // the file named by the setting; only order.ini is written
    std::int32_t setting;
    std::string order; // the map's layers, each followed by a blank
};

class LayerOrderTest : public ::testing::TestWithParam<OrderCase> {};

TEST_P(LayerOrderTest, FlaggedLayersFollowTheFirstInFileOrder) {
    TempHome home;
    WriteFile(home.Path(), "order.ini", kIni);
    SetSetting("IniFile", (home.Path() / GetParam().ini).c_str());
    SetSetting("SetLayerOrderFromIniFile", GetParam().setting);
    std::string body;
    for (const char* layer : {"L9", "Free", "L5", "L7", "L3"})
        body += "0\nLINE\n8\n" + std::string(layer) + "\n10\n0\n20\n0\n11\n1\n21\n1\n";
    std::string names;
    for (const standin::Layer& layer : ImportedMap(home, EntitiesFile(body)).layers)
        names += layer.name + " ";
    EXPECT_EQ(names, GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Setting, LayerOrderTest,
    ::testing::Values(OrderCase{"On", "order.ini", 1, "0 Three Seven Nine Free Five "},
                      OrderCase{"Off", "order.ini", 0, "0 Nine Free Five Seven Three "},
                      OrderCase{"WithoutIniFileNothingMoves", "missing.ini", 1,
                                "0 L9 Free L5 L7 L3 "}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
