// INSERT: where the copy of a block lands (translation, scales, rotation, offsets), which
// INSERTs are passed over before anything is copied, and the layer of the copy.
#include "blocks_dxf.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

// Block B: base (0, 0), one line from (0, 0) to (100, 50).
const std::string kBlockB = Block("B", "0", "0", LineEntity("0", "0", "100", "50", "L1"));

TEST(InsertTransform, TranslatesByInsertionMinusBase) {
    TempHome home;
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string dxf = Drawing(Block("B", "10", "20", LineEntity("10", "20", "20", "20")),
                                    Insert("B", "110", "220"));
    ASSERT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    const auto transforms = CallsOf(map.Handle(), "DoOperations2");
    ASSERT_EQ(transforms.size(), 1u);
    EXPECT_NE(transforms[0].find(", 1, {10, 20}, 100, 200, 0, 1, 1, 1, 0, 0)"), std::string::npos)
        << transforms[0];
    EXPECT_EQ(SortedPointRuns(map.Snapshot()), (std::vector<Points>{{{110, 220}, {120, 220}}}));
}

struct PlacementCase {
    const char* name;
    std::string groups; // the INSERT's groups after its name
    std::vector<Points> runs;
};

class PlacementTest : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(PlacementTest, CopyLandsWhereTheHostPutsIt) {
    TempHome home;
    MapWindow map;
    const std::string insert = "0\nINSERT\n2\nB\n" + GetParam().groups;
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(kBlockB, insert)), 1);
    EXPECT_EQ(SortedPointRuns(map.Snapshot()), GetParam().runs);
}

// The host scales and rotates counter-clockwise about the base point, then translates.
INSTANTIATE_TEST_SUITE_P(
    Groups, PlacementTest,
    ::testing::Values(
        PlacementCase{"Plain", "10\n1000\n20\n2000\n", {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{"ScalesTwoAndThree",
                      "10\n1000\n20\n2000\n41\n2\n42\n3\n",
                      {{{1000, 2000}, {1200, 2150}}}},
        PlacementCase{"ZeroScalesKeepOne",
                      "10\n1000\n20\n2000\n41\n0\n42\n0.0\n",
                      {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{
            "EmptyScaleKeepsOne", "10\n1000\n20\n2000\n41\n\n", {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{"MalformedScaleStopsReadingButInserts",
                      "10\n1000\n20\n2000\n41\nabc\n42\n3\n",
                      {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{"MalformedZStopsReadingButInserts",
                      "10\n1000\n20\n2000\n30\nabc\n41\n2\n",
                      {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{
            "NegativeXScaleMirrors", "10\n1000\n20\n2000\n41\n-1\n", {{{1000, 2000}, {900, 2050}}}},
        PlacementCase{"Rotation45", "10\n1000\n20\n2000\n50\n45\n", {{{1000, 2000}, {1035, 2106}}}},
        PlacementCase{"Rotation90Scaled",
                      "10\n1000\n20\n2000\n41\n2\n50\n90\n",
                      {{{1000, 2000}, {950, 2200}}}},
        PlacementCase{"ArraysAreNotExpanded",
                      "10\n1000\n20\n2000\n70\n3\n71\n3\n44\n9\n45\n9\n",
                      {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{"MissingInsertionPointIsZero", "41\n1\n", {{{0, 0}, {100, 50}}}},
        // Values that do not fit stop the reading after their pair; the INSERT is carried out.
        PlacementCase{"InfiniteScaleKeepsTheDefaultAndStops",
                      "10\n1000\n20\n2000\n41\n1e999\n42\n3\n",
                      {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{"NanRotationKeepsTheDefaultAndStops",
                      "10\n1000\n20\n2000\n50\nnan\n41\n2\n",
                      {{{1000, 2000}, {1100, 2050}}}},
        PlacementCase{"InsertionOutsideTheMapCountsAsZeroAndStops",
                      "10\n3e9\n20\n2000\n",
                      {{{0, 0}, {100, 50}}}},
        PlacementCase{"InfiniteInsertionCountsAsZeroAndStops",
                      "10\n1000\n20\n-inf\n41\n2\n",
                      {{{1000, 0}, {1100, 50}}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct OffsetCase {
    const char* name;
    std::string insertPoint; // groups 10 and 20 of the INSERT, either may be missing
    Points line;
};

class InsertOffsetTest : public ::testing::TestWithParam<OffsetCase> {};

TEST_P(InsertOffsetTest, TopLevelInsertionPointTakesTheOffsets) {
    TempHome home;
    SetSetting("XOffset", std::int32_t{1000});
    SetSetting("YOffset", std::int32_t{2000});
    MapWindow map;
    const std::string dxf = Drawing(Block("B", "0", "0", LineEntity("0", "0", "1", "0")),
                                    "0\nINSERT\n2\nB\n" + GetParam().insertPoint);
    ASSERT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    EXPECT_EQ(SortedPointRuns(map.Snapshot()), std::vector<Points>{GetParam().line});
}

INSTANTIATE_TEST_SUITE_P(
    Points, InsertOffsetTest,
    ::testing::Values(OffsetCase{"Both", "10\n5\n20\n6\n", {{1005, 2006}, {1006, 2006}}},
                      OffsetCase{"NoX", "20\n6\n", {{1000, 2006}, {1001, 2006}}},
                      OffsetCase{"NoY", "10\n5\n", {{1005, 2000}, {1006, 2000}}},
                      OffsetCase{"Neither", "", {{1000, 2000}, {1001, 2000}}},
                      OffsetCase{"OffsetPushesXOutOfTheMapSoItCountsAsZero",
                                 "10\n2147483000\n20\n6\n",
                                 {{1000, 2000}, {1001, 2000}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InsertTransform, NestedInsertIsShiftedOnceAtTheTop) {
    TempHome home;
    SetSetting("XOffset", std::int32_t{1000});
    MapWindow map;
    const std::string blocks =
        Block("B1", "0", "0", LineEntity("0", "0", "10", "0")) +
        Block("B2", "0", "0", LineEntity("0", "0", "0", "10") + Insert("B1", "5", "5"));
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(blocks, Insert("B2", "100", "100"))), 1);
    EXPECT_EQ(SortedPointRuns(map.Snapshot()),
              (std::vector<Points>{{{1100, 100}, {1100, 110}}, {{1105, 105}, {1115, 105}}}));
}

TEST(InsertTransform, RotationReachesEveryObjectOfNestedCopies) {
    TempHome home;
    MapWindow map;
    const std::string blocks =
        Block("B1", "0", "0", LineEntity("0", "0", "10", "0")) +
        Block("B2", "0", "0", LineEntity("0", "0", "0", "10") + Insert("B1", "5", "5"));
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(blocks, Insert("B2", "0", "0", "50\n90\n"))),
              1);
    EXPECT_EQ(SortedPointRuns(map.Snapshot()),
              (std::vector<Points>{{{-5, 5}, {-5, 15}}, {{0, 0}, {-10, 0}}}));
}

TEST(InsertTransform, TenThousandNestedBlocks) {
    // B0 holds a line; each later block inserts the one before it one unit further right.
    std::string blocks = Block("B0", "0", "0", LineEntity("0", "0", "1", "0"));
    constexpr int kLevels = 10'000;
    for (int level = 1; level < kLevels; ++level) {
        blocks += Block("B" + std::to_string(level), "0", "0",
                        Insert("B" + std::to_string(level - 1), "1", "0"));
    }
    TempHome home;
    MapWindow map;
    ASSERT_EQ(ImportDxf(home, map.Handle(),
                        Drawing(blocks, Insert("B" + std::to_string(kLevels - 1), "0", "0"))),
              1);
    EXPECT_EQ(SortedPointRuns(map.Snapshot()),
              (std::vector<Points>{{{kLevels - 1, 0}, {kLevels, 0}}}));
}

// INSERTs that must be passed over before anything is copied or any layer resolved.
struct PassedOverCase {
    const char* name;
    std::string blocks;
    std::string insert;
    std::int32_t xOffset = 0;
};

class PassedOverTest : public ::testing::TestWithParam<PassedOverCase> {};

TEST_P(PassedOverTest, NothingIsCopiedAndNoLayerResolved) {
    TempHome home;
    if (GetParam().xOffset != 0)
        SetSetting("XOffset", GetParam().xOffset);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string insert = GetParam().insert + "8\nINS\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(GetParam().blocks, insert)), 1);
    const auto snapshot = map.Snapshot();
    EXPECT_TRUE(snapshot.objects.empty());
    EXPECT_EQ(FindLayer(snapshot, "INS"), nullptr);
    EXPECT_TRUE(CallsOf(map.Handle(), "CopyStruct").empty());
}

const std::string kLineBlock = Block("B", "0", "0", LineEntity("0", "0", "1", "0"));

INSTANTIATE_TEST_SUITE_P(
    Inserts, PassedOverTest,
    ::testing::Values(
        PassedOverCase{"UndefinedBlock", kLineBlock, Insert("C", "0", "0")},
        PassedOverCase{"NoBlockName", kLineBlock, "0\nINSERT\n10\n0\n20\n0\n"},
        PassedOverCase{"EmptyBlock", Block("B", "0", "0", ""), Insert("B", "0", "0")},
        PassedOverCase{"BlockOfAttdefsOnly", Block("B", "0", "0", "0\nATTDEF\n2\nT\n"),
                       Insert("B", "0", "0")},
        PassedOverCase{"TranslationTooWide",
                       Block("B", "-2000000000", "0", LineEntity("-2000000000", "0", "0", "0")),
                       Insert("B", "2000000000", "0")},
        PassedOverCase{"TranslationTooWideAfterTheOffset",
                       Block("B", "-2000000000", "0", LineEntity("-2000000000", "0", "0", "0")),
                       Insert("B", "147483000", "0"), 1000}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(InsertLayer, GroupMembersGoToTheInsertLayer) {
    TempHome home;
    const std::string block =
        Block("B", "0", "0",
              LineEntity("0", "0", "1", "0", "L1") + LineEntity("0", "0", "0", "1", "L1") +
                  LineEntity("0", "0", "1", "1", "L2"));
    const auto snapshot = ImportedMap(home, Drawing(block, Insert("B", "0", "0", "8\nL\n")));
    const standin::Layer* target = FindLayer(snapshot, "L");
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->objects.size(), 3u);
    EXPECT_TRUE(FindLayer(snapshot, "L1")->objects.empty());
    EXPECT_TRUE(FindLayer(snapshot, "L2")->objects.empty());
    ASSERT_EQ(snapshot.objects.size(), 4u) << "three lines and the group that holds them";
    for (const standin::Object& object : snapshot.objects) {
        if (object.kind == standin::ObjectKind::Group) {
            EXPECT_EQ(object.members.size(), 3u);
        }
    }
}

TEST(InsertLayer, WithoutGroupEightTheCopyKeepsTheOriginalsLayers) {
    TempHome home;
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string block = Block(
        "B", "0", "0", LineEntity("0", "0", "1", "0", "L1") + LineEntity("0", "0", "0", "1", "L2"));
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(block, Insert("B", "0", "0"))), 1);
    const auto snapshot = map.Snapshot();
    EXPECT_EQ(FindLayer(snapshot, "L1")->objects.size(), 1u);
    EXPECT_EQ(FindLayer(snapshot, "L2")->objects.size(), 1u);
    for (const std::string& call : CallsOf(map.Handle(), "map_layer_Set"))
        EXPECT_EQ(call.find("[#"), std::string::npos) << "no object was moved: " << call;
}

TEST(InsertLayer, LayerIsResolvedEvenWhenItIsTheCurrentOne) {
    TempHome home;
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    // The map's current layer is "0"; an entity on "0" needs no layer call, an INSERT does.
    const std::string dxf =
        Drawing(Block("C", "0", "0", LineEntity("0", "0", "1", "0")),
                LineEntity("0", "0", "1", "1", "0") + Insert("C", "0", "0", "8\n0\n"));
    ASSERT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    EXPECT_EQ(CallsOf(map.Handle(), "map_layer_Search").size(), 2u)
        << "the current layer at the start, then 0 for the INSERT";
    EXPECT_EQ(FindLayer(map.Snapshot(), "0")->objects.size(), 2u);
}

} // namespace
