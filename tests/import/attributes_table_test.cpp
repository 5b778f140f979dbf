// Block attributes: which ATTRIB records reach the attribute table, in which rows and columns,
// and where a run of attributes that lost its SEQEND ends.
#include "blocks_dxf.h"
#include "import/inserts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

using Rows = std::vector<std::vector<std::string>>;

const std::string kBlocks = Block("B", "0", "0", LineEntity("0", "0", "1", "0"));

// Imports `entities` (after block B) with an attribute window whose first row is `firstRow`.
standin::AttributeTable ImportAttributes(const std::string& entities, bool oneColumn,
                                         std::int32_t firstRow = 0, std::int32_t xOffset = 0,
                                         const std::string& blocks = kBlocks) {
    TempHome home;
    SetSetting("Attributes into one column", std::int32_t{oneColumn ? 1 : 0});
    if (xOffset != 0)
        SetSetting("XOffset", xOffset);
    MapWindow map;
    HWND window = standin::CreateAttributeWindow(firstRow);
    EXPECT_EQ(ImportDxf(home, map.Handle(), Drawing(blocks, entities), window), 1);
    standin::AttributeTable table = standin::AttributeTableOf(window);
    standin::DestroyHostWindow(window);
    return table;
}

TEST(AttributeTable, OneColumnPutsEveryValueUnderAttributes) {
    const auto table = ImportAttributes(
        Insert("B", "0", "0", "66\n1\n") + Attrib("NAME", "Oak", "5", "6") + kSeqEnd, true);
    EXPECT_EQ(table.columns, (std::vector<std::string>{"X", "Y", "Attributes"}));
    EXPECT_EQ(table.rows, (Rows{{"5", "6", "Oak"}}));
}

TEST(AttributeTable, ColumnPerTagWhenTheOptionIsOff) {
    const auto table = ImportAttributes(
        Insert("B", "0", "0", "66\n1\n") + Attrib("NAME", "Oak", "5", "6") + kSeqEnd, false);
    EXPECT_EQ(table.columns, (std::vector<std::string>{"X", "Y", "NAME"}));
    EXPECT_EQ(table.rows, (Rows{{"5", "6", "Oak"}}));
}

TEST(AttributeTable, TwoInsertsTwoRowsAndNoSecondColumn) {
    const std::string entities = Insert("B", "0", "0") + Attrib("NAME", "Oak", "5", "6") + kSeqEnd +
                                 Insert("B", "9", "9") + Attrib("NAME", "Elm", "7", "8") + kSeqEnd;
    const auto table = ImportAttributes(entities, true, 3);
    EXPECT_EQ(table.columns, (std::vector<std::string>{"X", "Y", "Attributes"}));
    ASSERT_EQ(table.rows.size(), 5u) << "rows 3 and 4, after the window's first row";
    EXPECT_EQ(table.rows[3], (std::vector<std::string>{"5", "6", "Oak"}));
    EXPECT_EQ(table.rows[4], (std::vector<std::string>{"7", "8", "Elm"}));
}

// One INSERT with several attributes, in both column layouts.
struct SeveralCase {
    const char* name;
    std::string attributes;
    bool oneColumn;
    std::vector<std::string> columns;
    Rows rows;
};

class SeveralAttributesTest : public ::testing::TestWithParam<SeveralCase> {};

TEST_P(SeveralAttributesTest, EveryCompleteAttributeReachesTheTable) {
    const auto table = ImportAttributes(Insert("B", "0", "0") + GetParam().attributes + kSeqEnd,
                                        GetParam().oneColumn);
    EXPECT_EQ(table.columns, GetParam().columns);
    EXPECT_EQ(table.rows, GetParam().rows);
}

const std::string kTwoAttributes =
    Attrib("NAME", "Oak", "1", "2") + Attrib("HEIGHT", "12", "3", "4");
const std::vector<std::string> kTagColumns{"X", "Y", "NAME", "HEIGHT"};
const std::vector<std::string> kOneColumn{"X", "Y", "Attributes"};

INSTANTIATE_TEST_SUITE_P(
    Layouts, SeveralAttributesTest,
    ::testing::Values(
        SeveralCase{"OneColumnRowEach",
                    kTwoAttributes,
                    true,
                    kOneColumn,
                    {{"1", "2", "Oak"}, {"3", "4", "12"}}},
        SeveralCase{
            "TagColumnsOneRow", kTwoAttributes, false, kTagColumns, {{"3", "4", "Oak", "12"}}},
        SeveralCase{"LaterValueOfATagWins",
                    kTwoAttributes + Attrib("NAME", "Elm", "5", "6"),
                    false,
                    kTagColumns,
                    {{"5", "6", "Elm", "12"}}},
        SeveralCase{"IncompleteOnesGiveNothing",
                    Attrib("NAME", "Oak", "1", "2") + Attrib("", "NoTag", "3", "4") +
                        Attrib("NOVALUE", "", "3", "4") + Attrib("NOX", "v", "", "4") +
                        Attrib("NOY", "v", "3", ""),
                    false,
                    {"X", "Y", "NAME"},
                    {{"1", "2", "Oak"}}},
        SeveralCase{"AttribUnderAnyCodeStartsTheNext",
                    "0\nATTRIB\n1\nOak\n2\nNAME\n10\n1\n20\n2\n100\nATTRIB\n1\nElm\n2\nKIND\n",
                    true,
                    kOneColumn,
                    {{"1", "2", "Oak"}}},
        SeveralCase{"KeywordsThatCanContinueAreValues",
                    Attrib("NAME", "LAYER", "1", "2") + Attrib("BLOCK", "TABLE", "3", "4"),
                    false,
                    {"X", "Y", "NAME", "BLOCK"},
                    {{"3", "4", "LAYER", "TABLE"}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CoordinateCase {
    const char* name;
    std::string x;
    std::int32_t xOffset;
    Rows rows;
    bool insideBlock = false; // the INSERT stands in block C, which the top level inserts
};

class AttributeCoordinateTest : public ::testing::TestWithParam<CoordinateCase> {};

TEST_P(AttributeCoordinateTest, MultipliedShiftedAndNeverRefused) {
    const std::string insert =
        Insert("B", "0", "0") + Attrib("T", "v", GetParam().x, "2.9") + kSeqEnd;
    const auto table = GetParam().insideBlock
                           ? ImportAttributes(Insert("C", "0", "0"), true, 0, GetParam().xOffset,
                                              kBlocks + Block("C", "0", "0", insert))
                           : ImportAttributes(insert, true, 0, GetParam().xOffset);
    EXPECT_EQ(table.rows, GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(
    Values, AttributeCoordinateTest,
    ::testing::Values(
        CoordinateCase{"Truncated", "-5.7", 0, {{"-5", "2", "v"}}},
        CoordinateCase{"Offset", "5", 100, {{"105", "2", "v"}}},
        CoordinateCase{"MalformedCountsAsZero", "abc", 0, {{"0", "2", "v"}}},
        CoordinateCase{"OutsideTheMapCountsAsZero", "1e20", 0, {{"0", "2", "v"}}},
        CoordinateCase{
            "OffsetPushesOutOfTheMapSoZeroGetsTheOffset", "2147483000", 1000, {{"1000", "2", "v"}}},
        CoordinateCase{"NanCountsAsZero", "nan", 0, {{"0", "2", "v"}}},
        CoordinateCase{"InfinityCountsAsZero", "-inf", 0, {{"0", "2", "v"}}},
        CoordinateCase{"InsideABlockGetsTheOffsetToo", "5", 100, {{"105", "2", "v"}}, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A run of attributes that lost its SEQEND ends at the next entity, which is read as usual.
struct RunEndCase {
    const char* name;
    std::string after; // what follows the attributes instead of SEQEND
    std::size_t lines; // map objects afterwards: the INSERT's copy and what follows
};

class MissingSeqEndTest : public ::testing::TestWithParam<RunEndCase> {};

TEST_P(MissingSeqEndTest, RunEndsAtAKeywordThatCannotContinueIt) {
    TempHome home;
    MapWindow map;
    HWND window = standin::CreateAttributeWindow();
    const std::string entities =
        Insert("B", "0", "0") + Attrib("NAME", "Oak", "5", "6") + GetParam().after;
    ASSERT_EQ(ImportDxf(home, map.Handle(),
                        Drawing(kBlocks, entities) + EntitiesFile(LineEntity("0", "0", "3", "3")),
                        window),
              1);
    EXPECT_EQ(standin::AttributeTableOf(window).rows, (Rows{{"5", "6", "Oak"}}));
    EXPECT_EQ(AllObjects(map.Snapshot()).size(), GetParam().lines);
    standin::DestroyHostWindow(window);
}

// Every case ends with a second ENTITIES section holding one line, which must be read too.
INSTANTIATE_TEST_SUITE_P(Keywords, MissingSeqEndTest,
                         ::testing::Values(RunEndCase{"Line", LineEntity("0", "0", "2", "2"), 3},
                                           RunEndCase{"Circle", "0\nCIRCLE\n10\n0\n20\n0\n40\n5\n",
                                                      3},
                                           RunEndCase{"Insert", Insert("B", "50", "50"), 3},
                                           RunEndCase{"LineUnderAnotherCode",
                                                      "1\nLINE\n10\n0\n20\n0\n11\n2\n21\n2\n", 3},
                                           RunEndCase{"Vertex", "0\nVERTEX\n10\n0\n20\n0\n", 2},
                                           RunEndCase{"EndSec", "", 2}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(AttributeRun, MissingSeqEndInsideABlockEndsAtEndBlk) {
    TempHome home;
    MapWindow map;
    HWND window = standin::CreateAttributeWindow();
    const std::string blocks = kBlocks + "0\nBLOCK\n2\nC\n10\n0\n20\n0\n" + Insert("B", "1", "0") +
                               Attrib("NAME", "Oak", "5", "6") + "0\nENDBLK\n" +
                               Block("D", "0", "0", LineEntity("0", "0", "0", "7"));
    ASSERT_EQ(ImportDxf(home, map.Handle(),
                        Drawing(blocks, Insert("C", "100", "0") + Insert("D", "200", "0")), window),
              1);
    EXPECT_EQ(SortedPointRuns(map.Snapshot()),
              (std::vector<Points>{{{101, 0}, {102, 0}}, {{200, 0}, {200, 7}}}));
    EXPECT_EQ(standin::AttributeTableOf(window).rows.size(), 1u);
    standin::DestroyHostWindow(window);
}

TEST(AttributeRun, SeqEndGroupsBelongToTheInsert) {
    TempHome home;
    const std::string entities = Insert("B", "0", "0", "8\nFirst\n") +
                                 Attrib("NAME", "Oak", "5", "6") + "0\nSEQEND\n8\nSecond\n";
    const auto snapshot = ImportedMap(home, Drawing(kBlocks, entities));
    EXPECT_EQ(FindLayer(snapshot, "First"), nullptr) << "the later group 8 replaced it";
    ASSERT_NE(FindLayer(snapshot, "Second"), nullptr);
    EXPECT_EQ(FindLayer(snapshot, "Second")->objects.size(), 1u);
}

TEST(AttributeRun, NoRowsWhenBlocksAreNotUsed) {
    TempHome home;
    SetSetting("UseBlock", std::int32_t{0});
    MapWindow map;
    HWND window = standin::CreateAttributeWindow();
    const std::string entities = Insert("B", "0", "0") + Attrib("NAME", "Oak", "5", "6") + kSeqEnd;
    ASSERT_EQ(ImportDxf(home, map.Handle(), Drawing(kBlocks, entities), window), 1);
    EXPECT_TRUE(standin::AttributeTableOf(window).rows.empty());
    EXPECT_TRUE(map.Snapshot().objects.empty());
    standin::DestroyHostWindow(window);
}

TEST(AttributeRun, RowsAreWrittenEvenWhenTheBlockIsMissing) {
    const auto table = ImportAttributes(
        Insert("Nowhere", "0", "0") + Attrib("NAME", "Oak", "5", "6") + kSeqEnd, true);
    EXPECT_EQ(table.rows, (Rows{{"5", "6", "Oak"}}));
}

struct CutCase {
    const char* name;
    std::string text;
    std::size_t kept;
};

class CellTextTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CellTextTest, CutAt255BytesBetweenSequences) {
    AttributeCell cell{};
    std::memset(cell.text, 'x', sizeof cell.text);
    SetCellText(cell, GetParam().text);
    const std::string kept(cell.text, strnlen(cell.text, sizeof cell.text));
    EXPECT_EQ(kept, GetParam().text.substr(0, GetParam().kept));
    for (std::size_t i = kept.size(); i < sizeof cell.text; ++i)
        ASSERT_EQ(cell.text[i], '\0') << "byte " << i;
}

const std::string kEAcute = "\xC3\xA9";       // é, two bytes
const std::string kEuro = "\xE2\x82\xAC";     // €, three bytes
const std::string kClef = "\xF0\x9D\x84\x9E"; // musical G clef, four bytes

INSTANTIATE_TEST_SUITE_P(
    Texts, CellTextTest,
    ::testing::Values(CutCase{"Short", "Oak", 3}, CutCase{"Exactly255", std::string(255, 'a'), 255},
                      CutCase{"Long", std::string(300, 'a'), 255},
                      CutCase{"TwoByteAcrossTheEnd", std::string(254, 'a') + kEAcute + "b", 254},
                      CutCase{"TwoByteJustFits", std::string(253, 'a') + kEAcute + "b", 255},
                      CutCase{"ThreeByteAcrossTheEnd", std::string(253, 'a') + kEuro, 253},
                      CutCase{"FourByteAcrossTheEnd", std::string(252, 'a') + kClef, 252},
                      CutCase{"LegacyCodePage", std::string(300, '\xE9'), 255},
                      CutCase{"NoUtf8AtAll", std::string(300, '\x80'), 255}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AttributeTable, LongValueIsCutInTheTable) {
    const std::string value = std::string(254, 'a') + kEAcute;
    const auto table =
        ImportAttributes(Insert("B", "0", "0") + Attrib("T", value, "1", "2") + kSeqEnd, true);
    ASSERT_EQ(table.rows.size(), 1u);
    EXPECT_EQ(table.rows[0][2], std::string(254, 'a'));
}

} // namespace
