// Entities inside a BLOCK: made without the offsets and gathered into the block's group. The
// definition is deleted at the end of the import, so what was made is read from the host calls
// (the entities' own groups are in cases/*.txt).
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

std::size_t CallCount(const std::vector<std::string>& journal, const std::string& name) {
    return static_cast<std::size_t>(
        std::count_if(journal.begin(), journal.end(),
                      [&](const std::string& line) { return line.rfind(name + "(", 0) == 0; }));
}

const std::string kLine = "0\nLINE\n10\n7\n20\n7\n11\n8\n21\n8\n";
const std::string kPoint = "0\nPOINT\n10\n12.7\n20\n-3.2\n";
const std::string kTwoRuns = "0\nPOLYLINE\n0\nVERTEX\n10\n1\n20\n1\n0\nVERTEX\n10\n2\n20\n2\n"
                             "0\nSEQEND\n0\nVERTEX\n10\n5\n20\n5\n0\nVERTEX\n10\n6\n20\n6\n"
                             "0\nSEQEND\n";

struct BlockCase {
    const char* name;
    std::int32_t grouping; // "Group polylines after SEQEND"
    std::string entities;
    std::string calls;  // the start of journal lines that must be there, '|' between them
    std::string groups; // how many map_group_Create and map_group_Set calls
};

class BlockMembersTest : public ::testing::TestWithParam<BlockCase> {};

TEST_P(BlockMembersTest, MadeWithoutOffsetsIntoTheBlockGroup) {
    const BlockCase& c = GetParam();
    TempHome home;
    SetSetting("Group polylines after SEQEND", c.grouping);
    SetSetting("XOffset", 1000);
    SetSetting("YOffset", 2000);
    MapWindow map;
    standin::SetPage(map.Handle(), {0, 0}, {100, 0});
    standin::EnableJournal(map.Handle(), true);
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" + c.entities +
                             "0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    const auto journal = standin::Journal(map.Handle());
    std::istringstream calls(c.calls);
    for (std::string call; std::getline(calls, call, '|');) {
        EXPECT_TRUE(std::any_of(journal.begin(), journal.end(), [&](const std::string& l) {
            return l.rfind(call, 0) == 0;
        })) << call;
    }
    EXPECT_EQ(std::to_string(CallCount(journal, "map_group_Create")) + " " +
                  std::to_string(CallCount(journal, "map_group_Set")),
              c.groups);
}

// One of each entity: zero and negative radii go over to the host, and the six objects made
// join one group. Polyline runs, grouping on: the entity's own group
// of both runs becomes one member of the block's group beside the LINE (two groups made, one
// member added to each). Off: the runs join the LINE's block group one by one (one group made,
// two members added).
INSTANTIATE_TEST_SUITE_P(
    Entities, BlockMembersTest,
    ::testing::Values(
        BlockCase{
            "EveryKind", 1,
            kPoint +
                "0\nARC\n10\n1\n20\n2\n40\n3\n50\n0\n51\n9\n0\nCIRCLE\n10\n4\n20\n5\n40\n6\n"
                "0\nCIRCLE\n10\n0\n20\n0\n40\n0\n0\nCIRCLE\n10\n0\n20\n0\n40\n-4\n"
                "0\nTEXT\n1\nin\n10\n1.75\n20\n1\n50\n90\n0\nLWPOLYLINE\n90\n3\n"
                "10\n1\n20\n1\n10\n2\n20\n2\n10\n3\n20\n1\n" +
                kLine,
            "map_text_CreateEx(map, &h, \"X\", {12, -3}, \"Arial\", 10, 0, -1, 0, 0, 5, 0, 0, 0)|"
            "m_ArcCreate(map, 1, 2, 3, 0, 9, 20)|map_Circle_Create_AsPolygon(map, 4, 5, 6, 20)|"
            "map_Circle_Create_AsPolygon(map, 0, 0, 0, 20)|"
            "map_Circle_Create_AsPolygon(map, 0, 0, -4, 20)|"
            "map_text_CreateEx(map, &h, \"in\", {1, 1}, \"Arial\", 0, 0, -1, 900, 0, 24, 0, 0, 0)|"
            "map_polyline_Create(map, &h, [{1, 1}, {2, 2}, {3, 1}]",
            "1 5"},
        BlockCase{"PolylineRunsGrouped", 1, kLine + kTwoRuns,
                  "map_polyline_Create(map, &h, [{1, 1}", "2 2"},
        BlockCase{"PolylineRunsNotGrouped", 0, kLine + kTwoRuns,
                  "map_polyline_Create(map, &h, [{1, 1}", "1 2"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
