// The extended import's blocks: INSERTs of blocks defined later, column and row arrays, planes
// other than the world's, DIMENSIONs as inserts of their blocks; and the classic import of the
// same drawings with the setting off.
#include "blocks_dxf.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

standin::MapSnapshot Import(const std::string& dxf, bool extended, std::int32_t cap = 0) {
    TempHome home;
    SetSetting("ExtendedEntities", std::int32_t{extended ? 1 : 0});
    SetSetting("MaxInsertedObjects", cap);
    MapWindow map;
    EXPECT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    return map.Snapshot();
}

struct BlocksCase {
    const char* name;
    std::string blocks;
    std::string entities;
    std::vector<Points> extended; // the runs with the setting on
    std::vector<Points> classic;  // and off
};

class ExtendedBlocksTest : public ::testing::TestWithParam<BlocksCase> {};

TEST_P(ExtendedBlocksTest, CopiesLandWhereTheDrawingPutsThem) {
    const BlocksCase& c = GetParam();
    const std::string dxf = Drawing(c.blocks, c.entities);
    EXPECT_EQ(SortedPointRuns(Import(dxf, true)), c.extended);
    EXPECT_EQ(SortedPointRuns(Import(dxf, false)), c.classic);
}

const std::string kLineB = Block("B", "0", "0", LineEntity("0", "0", "1", "0"));

INSTANTIATE_TEST_SUITE_P(
    LaterDefinitions, ExtendedBlocksTest,
    ::testing::Values(
        BlocksCase{"InsertedBeforeItsDefinition",
                   Block("A", "0", "0", Insert("B", "10", "0")) + kLineB,
                   Insert("A", "100", "0"),
                   {{{110, 0}, {111, 0}}},
                   {}},
        BlocksCase{
            "ChainOfLaterDefinitions",
            Block("A", "0", "0", Insert("C", "10", "0")) +
                Block("C", "0", "0", Insert("B", "0", "10") + LineEntity("0", "0", "0", "1")) +
                kLineB,
            Insert("A", "0", "0"),
            {{{10, 0}, {10, 1}}, {{10, 10}, {11, 10}}},
            {}},
        BlocksCase{"BlockWaitingForALaterOneInsertedByAnother",
                   Block("A", "0", "0", Insert("B", "10", "0") + LineEntity("0", "0", "0", "1")) +
                       Block("M", "0", "0", Insert("A", "0", "100")) + kLineB,
                   Insert("M", "0", "0"),
                   {{{0, 100}, {0, 101}}, {{10, 100}, {11, 100}}},
                   {{{0, 100}, {0, 101}}}},
        BlocksCase{"CycleIsDropped",
                   Block("A", "0", "0", Insert("C", "5", "0") + LineEntity("0", "0", "0", "1")) +
                       Block("C", "0", "0", Insert("A", "0", "5") + LineEntity("0", "0", "2", "0")),
                   Insert("A", "0", "0"),
                   {{{0, 0}, {0, 1}}},
                   {{{0, 0}, {0, 1}}}},
        BlocksCase{"NeverDefined",
                   Block("A", "0", "0", Insert("X", "5", "0") + LineEntity("0", "0", "0", "1")),
                   Insert("A", "0", "0"),
                   {{{0, 0}, {0, 1}}},
                   {{{0, 0}, {0, 1}}}}));

INSTANTIATE_TEST_SUITE_P(
    Arrays, ExtendedBlocksTest,
    ::testing::Values(
        BlocksCase{
            "ColumnsAndRows",
            kLineB,
            Insert("B", "0", "0", "70\n2\n71\n2\n44\n10\n45\n100\n"),
            {{{0, 0}, {1, 0}}, {{0, 100}, {1, 100}}, {{10, 0}, {11, 0}}, {{10, 100}, {11, 100}}},
            {{{0, 0}, {1, 0}}}},
        BlocksCase{"MInsertRotated",
                   kLineB,
                   "0\nMINSERT\n2\nB\n10\n0\n20\n0\n50\n90\n70\n2\n44\n10\n",
                   {{{0, 0}, {0, 1}}, {{0, 10}, {0, 11}}},
                   {}},
        BlocksCase{"CountOutOfRangeDropsTheInsert",
                   kLineB,
                   Insert("B", "0", "0", "70\n40000\n44\n10\n"),
                   {},
                   {{{0, 0}, {1, 0}}}},
        BlocksCase{"MirroredPlane",
                   kLineB,
                   Insert("B", "10", "3", "210\n0\n220\n0\n230\n-1\n"),
                   {{{-10, 3}, {-11, 3}}},
                   {{{10, 3}, {11, 3}}}},
        // Normal (0.6, 0, 0.8): the plane's x axis is the world's y, its y axis (-0.8, 0, 0.6);
        // turned by 45 degrees in it, the block is sheared as seen from above, and the
        // elevation 10 moves it by 10 times the normal.
        BlocksCase{"TiltedPlaneShearsTheCopy",
                   Block("L", "0", "0",
                         LineEntity("0", "0", "100", "0") + LineEntity("0", "0", "0", "100")),
                   Insert("L", "0", "0", "30\n10\n50\n45\n210\n0.6\n220\n0\n230\n0.8\n"),
                   {{{6, 0}, {-50, -70}}, {{6, 0}, {-50, 70}}},
                   {{{0, 0}, {-71, 71}}, {{0, 0}, {71, 71}}}},
        // The elevation 10 of the copy inside N is a height the tilted copy of N shows.
        BlocksCase{"HeightOfANestedCopyInATiltedPlane",
                   Block("L", "0", "0", LineEntity("0", "0", "100", "0")) +
                       Block("N", "0", "0", Insert("L", "0", "0", "30\n10\n")),
                   Insert("N", "0", "0", "210\n0.6\n220\n0\n230\n0.8\n"),
                   {{{6, 0}, {6, 100}}},
                   {{{0, 0}, {100, 0}}}},
        BlocksCase{"DimensionInsertsItsBlock",
                   Block("*D1", "0", "0", LineEntity("0", "0", "1", "0")),
                   "0\nDIMENSION\n2\n*D1\n10\n50\n20\n50\n",
                   {{{0, 0}, {1, 0}}},
                   {}},
        // Without its block: the dimension line through 10/20 along the angle 50, its
        // arrowheads, and the extension lines from 13/23 and 14/24 to it.
        BlocksCase{"RotatedDimensionWithoutItsBlock",
                   "",
                   "0\nDIMENSION\n2\n*D2\n70\n128\n50\n90\n10\n10\n20\n0\n13\n0\n23\n0\n"
                   "14\n3\n24\n5\n",
                   {{{0, 0}, {10, 0}},
                    {{3, 5}, {10, 5}},
                    {{10, 0}, {9, 2}, {10, 2}}, // arrowheads 2.5 long without $DIMASZ
                    {{10, 0}, {10, 5}},
                    {{10, 5}, {10, 2}, {9, 2}}},
                   {}}));

TEST(ExtendedBlocks, ArrayStopsAtTheCapOnInsertedObjects) {
    const std::string dxf = Drawing(kLineB, Insert("B", "0", "0", "70\n10\n44\n10\n"));
    EXPECT_EQ(AllObjects(Import(dxf, true, 3)).size(), 3u);
}

struct HugeArrayCase {
    const char* name;
    std::string attributeX; // where the one visible attribute stands
    std::size_t objects;
};

class HugeArrayTest : public ::testing::TestWithParam<HugeArrayCase> {};

// 32767 × 32767 cells of a block never defined, with an attribute: its repeats end at the cap,
// whether the map can take them (a text) or not (a point beyond the map).
TEST_P(HugeArrayTest, EndsAtTheCap) {
    const std::string entities =
        Insert("Undefined", "0", "0", "66\n1\n70\n32767\n71\n32767\n44\n1\n45\n1\n") +
        Dxf({{0, "ATTRIB"}, {10, GetParam().attributeX}, {20, "0"}, {1, "V"}, {2, "T"}}) + kSeqEnd;
    EXPECT_EQ(AllObjects(Import(Drawing(kLineB, entities), true, 20)).size(), GetParam().objects);
}

INSTANTIATE_TEST_SUITE_P(Values, HugeArrayTest,
                         ::testing::Values(HugeArrayCase{"TextsTheMapTakes", "0", 21},
                                           HugeArrayCase{"TextsBeyondTheMap", "3e9", 0}));

// The arrowheads of a dimension without its block are as long as the header's $DIMASZ.
TEST(ExtendedBlocks, DimensionArrowheadsTakeTheHeadersSize) {
    const std::string header = "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n"
                               "9\n20\n9\n9\n$DIMASZ\n40\n6\n0\nENDSEC\n";
    const std::string dimension =
        "0\nDIMENSION\n2\n*D2\n10\n0\n20\n0\n13\n0\n23\n-10\n14\n60\n24\n-10\n";
    const std::vector<Points> runs{{{0, -10}, {0, 0}},
                                   {{0, 0}, {6, 1}, {6, -1}},
                                   {{0, 0}, {60, 0}},
                                   {{60, -10}, {60, 0}},
                                   {{60, 0}, {54, -1}, {54, 1}}};
    EXPECT_EQ(SortedPointRuns(Import(header + Drawing("", dimension), true)), runs);
}

TEST(ExtendedBlocks, DimensionWithoutItsBlockShowsItsText) {
    const std::string dimensions =
        Dxf({{0, "DIMENSION"}, {8, "Dims"}, {2, "*D9"}, {11, "7"}, {21, "8"}, {42, "2.5"}}) +
        Dxf({{0, "DIMENSION"}, {2, "*D9"}, {1, "<> mm"}, {11, "1"}, {21, "2"}, {42, "3"}}) +
        Dxf({{0, "DIMENSION"},
             {70, "33"},
             {11, "1"},
             {21, "2"},
             {13, "1"},
             {23, "1"},
             {14, "4"},
             {24, "5"}});
    const auto map = Import(EntitiesFile(dimensions), true);
    std::vector<standin::Object> objects;
    for (const standin::Object& object : AllObjects(map)) {
        if (object.kind == standin::ObjectKind::Text)
            objects.push_back(object);
    }
    ASSERT_EQ(objects.size(), 3u);
    EXPECT_EQ(objects[0].text, "2.50");
    EXPECT_EQ(objects[0].position.x, 7);
    EXPECT_EQ(objects[0].position.y, 8);
    EXPECT_EQ(objects[1].text, "3.00 mm");
    EXPECT_EQ(objects[2].text, "5.00") << "an aligned dimension measures its definition points";
    EXPECT_NE(FindLayer(map, "Dims"), nullptr);
}

} // namespace
