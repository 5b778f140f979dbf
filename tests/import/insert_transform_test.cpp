// What the host is asked while an INSERT is carried out, where the map alone cannot show it:
// passed-over INSERTs copy nothing, and an INSERT's layer is looked up even when current. Where
// copies land is in cases/inserts.txt.
#include "blocks_dxf.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

// Imports the drawing with the map's journal on and gives the journal lines of `call`.
std::vector<std::string> CallsDuring(const std::string& dxf, const std::string& call,
                                     std::int32_t xOffset = 0) {
    TempHome home;
    SetSetting("XOffset", xOffset);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    EXPECT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    return CallsOf(map.Handle(), call);
}

TEST(InsertJournal, PassedOverInsertsCopyNothing) {
    const std::string wide = LineEntity("-2000000000", "0", "0", "0");
    const std::string blocks =
        Block("B", "0", "0", LineEntity("0", "0", "1", "0")) + Block("E", "0", "0", "") +
        Block("A", "0", "0", "0\nATTDEF\n2\nT\n") + Block("W", "-2000000000", "0", wide);
    const std::string inserts = Insert("C", "0", "0") + "0\nINSERT\n10\n0\n20\n0\n" +
                                Insert("E", "0", "0") + Insert("A", "0", "0") +
                                Insert("W", "2000000000", "0");
    EXPECT_TRUE(CallsDuring(Drawing(blocks, inserts), "CopyStruct").empty());
    // Wide only once the offset is added.
    EXPECT_TRUE(
        CallsDuring(Drawing(blocks, Insert("W", "147483000", "0")), "CopyStruct", 1000).empty());
    EXPECT_EQ(CallsDuring(Drawing(blocks, Insert("B", "0", "0")), "CopyStruct").size(), 1u);
}

TEST(InsertJournal, LayerIsResolvedEvenWhenItIsTheCurrentOne) {
    // The map's current layer is "0"; an entity on "0" needs no layer call, an INSERT does.
    const std::string dxf =
        Drawing(Block("C", "0", "0", LineEntity("0", "0", "1", "0")),
                LineEntity("0", "0", "1", "1", "0") + Insert("C", "0", "0", "8\n0\n"));
    EXPECT_EQ(CallsDuring(dxf, "map_layer_Search").size(), 2u)
        << "the current layer at the start, then 0 for the INSERT";
}

} // namespace
