// The attribute table where the case files cannot reach: a column per tag (the one-column
// setting off), a window whose rows do not start at 0, and how a cell's text is cut.
// Everything in one column is in cases/attributes.txt.
#include "blocks_dxf.h"
#include "import/inserts.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace testing_support;
using namespace blocks_dxf;

using Rows = std::vector<std::vector<std::string>>;

struct TableCase {
    const char* name;
    std::string attributes; // of the INSERTs of block B, each closed by SEQEND
    bool oneColumn;
    std::int32_t firstRow;
    std::vector<std::string> columns;
    Rows rows;
};

class AttributeTableTest : public ::testing::TestWithParam<TableCase> {};

TEST_P(AttributeTableTest, RowsAndColumns) {
    TempHome home;
    SetSetting("Attributes into one column", std::int32_t{GetParam().oneColumn ? 1 : 0});
    MapWindow map;
    HWND window = standin::CreateAttributeWindow(GetParam().firstRow);
    const std::string blocks = Block("B", "0", "0", LineEntity("0", "0", "1", "0"));
    EXPECT_EQ(ImportDxf(home, map.Handle(), Drawing(blocks, GetParam().attributes), window), 1);
    const standin::AttributeTable table = standin::AttributeTableOf(window);
    standin::DestroyHostWindow(window);
    EXPECT_EQ(table.columns, GetParam().columns);
    EXPECT_EQ(table.rows, GetParam().rows);
}

const std::string kOak = Insert("B", "0", "0") + Attrib("NAME", "Oak", "5", "6") + kSeqEnd;
const std::string kTwo =
    Insert("B", "0", "0") + Attrib("NAME", "Oak", "1", "2") + Attrib("HEIGHT", "12", "3", "4");
const std::vector<std::string> kTags{"X", "Y", "NAME", "HEIGHT"};

INSTANTIATE_TEST_SUITE_P(
    Layouts, AttributeTableTest,
    ::testing::Values(
        TableCase{"ColumnPerTag", kOak, false, 0, {"X", "Y", "NAME"}, {{"5", "6", "Oak"}}},
        TableCase{"TagColumnsOneRow", kTwo + kSeqEnd, false, 0, kTags, {{"3", "4", "Oak", "12"}}},
        TableCase{"LaterValueOfATagWins",
                  kTwo + Attrib("NAME", "Elm", "5", "6") + kSeqEnd,
                  false,
                  0,
                  kTags,
                  {{"5", "6", "Elm", "12"}}},
        TableCase{"IncompleteOnesGiveNoColumn",
                  kTwo + Attrib("", "NoTag", "3", "4") + Attrib("NOVALUE", "", "3", "4") +
                      Attrib("NOX", "v", "", "4") + kSeqEnd,
                  false,
                  0,
                  kTags,
                  {{"3", "4", "Oak", "12"}}},
        // Rows 3 and 4: the window's first row is 3.
        TableCase{"AfterTheWindowsFirstRow",
                  kOak + Insert("B", "9", "9") + Attrib("NAME", "Elm", "7", "8") + kSeqEnd,
                  true,
                  3,
                  {"X", "Y", "Attributes"},
                  {{}, {}, {}, {"5", "6", "Oak"}, {"7", "8", "Elm"}}}),
    [](const auto& info) { return std::string(info.param.name); });

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

} // namespace
