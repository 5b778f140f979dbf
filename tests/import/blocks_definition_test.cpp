// Block definitions: what names a block and gives its base point, where a definition ends, which
// record an INSERT finds, and that definitions leave nothing in the map.
#include "blocks_dxf.h"
#include "import/block_store.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

std::vector<Points> ImportAndList(const std::string& dxf) {
    TempHome home;
    MapWindow map;
    EXPECT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    return SortedPointRuns(map.Snapshot());
}

// Between a BLOCK's own groups and its first LINE stands a record whose groups look like a
// name and a base point; they must not rename or move the block.
struct InterloperCase {
    const char* name;
    std::string interloper;
};

class OwnGroupsTest : public ::testing::TestWithParam<InterloperCase> {};

TEST_P(OwnGroupsTest, NameAndBasePointComeFromTheBlockAlone) {
    const std::string blocks = "0\nBLOCK\n2\nB\n10\n1\n20\n1\n" + GetParam().interloper +
                               "2\nTAG1\n10\n3\n20\n4\n" + LineEntity("1", "1", "2", "1") +
                               "0\nENDBLK\n";
    const auto runs =
        ImportAndList(Drawing(blocks, Insert("B", "1", "1") + Insert("TAG1", "50", "50")));
    EXPECT_EQ(runs, (std::vector<Points>{{{1, 1}, {2, 1}}}))
        << "B keeps base (1, 1), so the copy stays put; nothing is stored as TAG1";
}

INSTANTIATE_TEST_SUITE_P(Interlopers, OwnGroupsTest,
                         ::testing::Values(InterloperCase{"Attdef", "0\nATTDEF\n"},
                                           InterloperCase{"VertexKeyword", "0\nVERTEX\n"},
                                           InterloperCase{"SeqEndKeyword", "0\nSEQEND\n"},
                                           InterloperCase{"UnknownEntity", "0\nHATCH\n"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(BlockDefinition, BasePointIsTruncatedAndScaledLikeTheEntities) {
    {
        // Base (2.9, -2.9) is kept as (2, -2); the line's ends become (2, -2) and (3, -2).
        const auto runs =
            ImportAndList(Drawing(Block("B", "2.9", "-2.9", LineEntity("2.9", "-2.9", "3", "-2.9")),
                                  Insert("B", "0", "0")));
        EXPECT_EQ(runs, (std::vector<Points>{{{0, 0}, {1, 0}}}));
    }
    {
        TempHome home;
        SetSetting("Multiplier", 10.0);
        MapWindow map;
        // With the base point scaled like the line, an insert at the base point leaves the
        // line where the multiplier put it.
        ASSERT_EQ(ImportDxf(home, map.Handle(),
                            Drawing(Block("B", "1", "2", LineEntity("1", "2", "3", "2")),
                                    Insert("B", "1", "2"))),
                  1);
        EXPECT_EQ(SortedPointRuns(map.Snapshot()), (std::vector<Points>{{{10, 20}, {30, 20}}}));
    }
}

struct EndingCase {
    const char* name;
    std::string dxf;
    std::vector<Points> runs;
};

class MissingEndBlkTest : public ::testing::TestWithParam<EndingCase> {};

TEST_P(MissingEndBlkTest, DefinitionEndsWhereTheNextThingBegins) {
    EXPECT_EQ(ImportAndList(GetParam().dxf), GetParam().runs);
}

const std::string kOpenBlockA = "0\nBLOCK\n2\nA\n10\n0\n20\n0\n" + LineEntity("0", "0", "1", "0");

INSTANTIATE_TEST_SUITE_P(
    Endings, MissingEndBlkTest,
    ::testing::Values(
        EndingCase{"AtEndSec",
                   "0\nSECTION\n2\nBLOCKS\n" + kOpenBlockA + "0\nENDSEC\n" +
                       EntitiesFile(LineEntity("7", "7", "8", "8") + Insert("A", "100", "0")),
                   {{{7, 7}, {8, 8}}, {{100, 0}, {101, 0}}}},
        EndingCase{"AtTheNextBlock",
                   "0\nSECTION\n2\nBLOCKS\n" + kOpenBlockA +
                       Block("C", "0", "0", LineEntity("0", "0", "0", "1")) + "0\nENDSEC\n" +
                       EntitiesFile(Insert("A", "100", "0") + Insert("C", "200", "0")),
                   {{{100, 0}, {101, 0}}, {{200, 0}, {200, 1}}}},
        EndingCase{"AtEof", "0\nSECTION\n2\nBLOCKS\n" + kOpenBlockA + "0\nEOF\n", {}},
        EndingCase{
            "AtTheFileEndAfterAKeyword", "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nA\n0\nLINE\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

struct LookupCase {
    const char* name;
    std::string blocks;
    std::string entities;
    std::vector<Points> runs;
};

class BlockLookupTest : public ::testing::TestWithParam<LookupCase> {};

TEST_P(BlockLookupTest, InsertFindsTheRightRecord) {
    EXPECT_EQ(ImportAndList(Drawing(GetParam().blocks, GetParam().entities)), GetParam().runs);
}

INSTANTIATE_TEST_SUITE_P(
    Lookups, BlockLookupTest,
    ::testing::Values(LookupCase{"TwoOfOneNameFirstWins",
                                 Block("B", "0", "0", LineEntity("0", "0", "1", "0")) +
                                     Block("B", "0", "0", LineEntity("0", "0", "2", "0")),
                                 Insert("B", "10", "0"),
                                 {{{10, 0}, {11, 0}}}},
                      LookupCase{"NamesAreCaseSensitive",
                                 Block("b", "0", "0", LineEntity("0", "0", "1", "0")) +
                                     Block("B", "0", "0", LineEntity("0", "0", "2", "0")),
                                 Insert("B", "10", "0") + Insert("b", "20", "0"),
                                 {{{10, 0}, {12, 0}}, {{20, 0}, {21, 0}}}},
                      LookupCase{"OnlyAttdefLeavesNoRecord",
                                 Block("B", "0", "0", "0\nATTDEF\n2\nT\n10\n1\n20\n1\n"),
                                 Insert("B", "10", "0"),
                                 {}},
                      LookupCase{"MalformedBaseLeavesNoRecord",
                                 Block("B", "abc", "0", LineEntity("0", "0", "1", "0")),
                                 Insert("B", "10", "0"),
                                 {}},
                      LookupCase{"NameThatIsAKeywordIsDispatched",
                                 "0\nBLOCK\n2\nB\n2\nLINE\n10\n0\n20\n0\n11\n1\n21\n0\n0\nENDBLK\n",
                                 Insert("B", "10", "0") + Insert("LINE", "20", "0"),
                                 {{{10, 0}, {11, 0}}}},
                      LookupCase{"UndefinedBlock", "", Insert("Nowhere", "10", "0"), {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The store's index against a scan of its records in order, across several growths of the index
// and names repeated, differing in case only, or empty.
TEST(BlockStore, FindGivesTheFirstRecordOfANameAsAScanWould) {
    BlockStore store;
    for (int i = 0; i < 5000; ++i) {
        BlockRecord record;
        record.name = (i % 2 ? "b" : "B") + std::to_string(i % 1777);
        if (i % 1000 == 999)
            record.name.clear();
        record.baseX = i;
        store.Append(std::move(record));
    }
    const auto firstByScan = [&](const std::string& name) -> const BlockRecord* {
        for (const BlockRecord& record : store.Records())
            if (record.name == name)
                return &record;
        return nullptr;
    };
    for (const char* prefix : {"B", "b", "X"})
        for (int k = 0; k < 1800; k += 7)
            EXPECT_EQ(store.Find(prefix + std::to_string(k)),
                      firstByScan(prefix + std::to_string(k)));
    ASSERT_NE(store.Find(""), nullptr);
    EXPECT_EQ(store.Find("")->baseX, 999);
    store.Clear();
    EXPECT_EQ(store.Find("B0"), nullptr);
}

TEST(BlockDefinition, DefinitionsAndTheirNestedCopiesLeaveNoTrace) {
    TempHome home;
    MapWindow map;
    const std::string blocks =
        Block("B1", "0", "0", LineEntity("0", "0", "1", "0")) +
        Block("B2", "0", "0", LineEntity("0", "0", "0", "1") + Insert("B1", "5", "5")) +
        Block("B3", "0", "0", Insert("B2", "0", "0") + Insert("B2", "9", "9"));
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(blocks, "")), 1);
    EXPECT_TRUE(map.Snapshot().objects.empty()) << "the copies inside B2 and B3 go with them";

    MapWindow inserted;
    ASSERT_EQ(ImportDxf(home, inserted.Handle(), Drawing(blocks, Insert("B3", "0", "0"))), 1);
    const auto snapshot = inserted.Snapshot();
    EXPECT_EQ(AllObjects(snapshot).size(), 4u) << "two copies of B2, two lines each";
    std::size_t groups = 0;
    for (const standin::Object& object : snapshot.objects)
        groups += object.kind == standin::ObjectKind::Group;
    // The copy of B3 is the first copy of B2, which took in the second one as a member.
    EXPECT_EQ(groups, 2u);
}

} // namespace
