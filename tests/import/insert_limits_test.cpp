// The limits of block insertion: the nesting bomb the cap on inserted objects defuses, the block
// index over thousands of records, and the transform walk over trees far deeper than the call
// stack allows. The cap's edges (a copy that fits exactly, one that would pass it) are the Cap
// cases of cases/inserts.txt; the built-in cap is met by a chain in hostile_import_test.cpp.
#include "blocks_dxf.h"
#include "import/block_store.h"
#include "import/inserts.h"
#include "import/sections.h"

#include <gtest/gtest.h>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

TEST(InsertLimit, NestingBombIsDefused) {
    // The import's own section loop over the bomb, with the cap lowered so that reaching it
    // takes a hundred thousand host objects instead of two million; the rule is the one the Cap
    // cases of cases/inserts.txt check at its edges.
    constexpr std::uint64_t kCap = 100'000;
    MapWindow map;
    ImportContext context;
    context.insertedObjectCap = kCap;
    // B1 holds a line; each of B2 ... B8 inserts the block below it ten times, so that B8 would
    // hold about 10^7 lines. The top level inserts B8, then B2.
    std::string blocks = Block("B1", "0", "0", LineEntity("0", "0", "1", "1"));
    for (int level = 2; level <= 8; ++level) {
        std::string body;
        for (int copy = 0; copy < 10; ++copy)
            body += Insert("B" + std::to_string(level - 1), std::to_string(copy * 10), "0");
        blocks += Block("B" + std::to_string(level), "0", "0", body);
    }
    const std::string text = Drawing(blocks, Insert("B8", "0", "0") + Insert("B2", "0", "0"));
    GroupReader reader;
    OpenReaderOnText(reader, text);
    GroupPair pair;
    while (ImportSection(map.Handle(), reader, pair, context) && pair.keyword != KeywordId::Eof) {
    }
    ReleaseBlockObjects(map.Handle(), context);

    EXPECT_LE(context.insertedObjects, kCap);
    EXPECT_GT(context.insertedObjects, kCap / 2) << "the copies went on until the cap was near";
    // Blocks from B6 on could take only part of their copies, or none; inserting B8 would pass
    // the cap, while the eleven objects of B2 (a group of ten lines) still fit.
    const auto snapshot = map.Snapshot();
    EXPECT_EQ(snapshot.objects.size(), 11u);
    EXPECT_EQ(AllObjects(snapshot).size(), 10u);
}

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

TEST(TransformTree, WalksTreesDeeperThanTheCallStack) {
    // A chain of groups, each holding the next, the innermost holding one line.
    MapWindow map;
    constexpr std::int32_t kDepth = 200'000;
    const MAP_COORDPT points[2] = {{0, 0}, {1, 0}};
    OBJHANDLE line = nullptr;
    map_polyline_Create(map.Handle(), &line, points, 2, 0);
    OBJHANDLE root = line;
    for (std::int32_t level = 0; level < kDepth; ++level)
        map_group_Create(map.Handle(), &root, std::vector<OBJHANDLE>{root}.data(), 1, 0);
    EXPECT_EQ(CountObjectTree(map.Handle(), root), std::uint64_t{kDepth} + 1);

    TreeTransform transform;
    transform.dx = 5;
    transform.dy = 7;
    EXPECT_EQ(TransformObjectTree(map.Handle(), root, transform), 1);
    const standin::Object* moved = standin::FindObject(map.Handle(), line);
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(XY(*moved), (Points{{5, 7}, {6, 7}})) << "moved once, by the line's own transform";
}

TEST(TransformTree, ChildrenBeforeTheirParentInChildOrder) {
    MapWindow map;
    const MAP_COORDPT points[2] = {{0, 0}, {1, 0}};
    OBJHANDLE first = nullptr, second = nullptr, third = nullptr, inner = nullptr, outer = nullptr;
    for (OBJHANDLE* line : {&first, &second, &third})
        map_polyline_Create(map.Handle(), line, points, 2, 0);
    map_group_Create(map.Handle(), &inner, &second, 1, 0);
    const OBJHANDLE members[3] = {first, inner, third};
    map_group_Create(map.Handle(), &outer, members, 3, 0);

    standin::EnableJournal(map.Handle(), true);
    TreeTransform transform;
    transform.reference = {3, 4};
    transform.angleDegrees = 30.0;
    TransformObjectTree(map.Handle(), outer, transform);
    std::string order, expected;
    for (const std::string& call : CallsOf(map.Handle(), "DoOperations2"))
        order += call.substr(0, call.find(']') + 1);
    for (OBJHANDLE object : {first, second, inner, third, outer})
        expected += "DoOperations2(map, [#" +
                    std::to_string(reinterpret_cast<std::uintptr_t>(object)) + "]";
    EXPECT_EQ(order, expected);
    EXPECT_EQ(CountObjectTree(map.Handle(), outer), 5u);
    EXPECT_EQ(CountObjectTree(map.Handle(), nullptr), 0u);
}

} // namespace
