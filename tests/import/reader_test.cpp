// The group reader, the keyword table and the numeric conversions.
#include "import/group_reader.h"
#include "import/numbers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

using testing_support::TempHome;
using testing_support::WriteFile;

struct ReadResult {
    std::int32_t code;
    std::string value;
};

std::vector<ReadResult> ReadAll(std::string_view text) {
    GroupReader reader;
    OpenReaderOnText(reader, text);
    GroupPair pair;
    std::vector<ReadResult> pairs;
    while (ReadPair(pair, reader))
        pairs.push_back({pair.code, std::string(pair.value)});
    return pairs;
}

struct PairCase {
    const char* name;
    std::string text;
    std::vector<ReadResult> expected;
    friend void PrintTo(const PairCase& c, std::ostream* os) { *os << c.name; }
};

class ReadPairTest : public ::testing::TestWithParam<PairCase> {};

TEST_P(ReadPairTest, YieldsTheGroupsOfTheText) {
    const auto pairs = ReadAll(GetParam().text);
    ASSERT_EQ(pairs.size(), GetParam().expected.size());
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        EXPECT_EQ(pairs[i].code, GetParam().expected[i].code) << "pair " << i;
        EXPECT_EQ(pairs[i].value, GetParam().expected[i].value) << "pair " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(
    LexicalForms, ReadPairTest,
    ::testing::Values(PairCase{"LfLines", "0\nLINE\n8\nA\n", {{0, "LINE"}, {8, "A"}}},
                      PairCase{"CrLfLines", "0\r\nLINE\r\n8\r\nA\r\n", {{0, "LINE"}, {8, "A"}}},
                      PairCase{"CodeAfterBlanks", "   0\nLINE\n", {{0, "LINE"}}},
                      PairCase{"CodeWithTrailingWords", "10 ignored words\n1.5\n", {{10, "1.5"}}},
                      PairCase{"BlankLinesBeforeCode", "\n\n  \n0\nLINE\n", {{0, "LINE"}}},
                      PairCase{"BlankValueLine", "1\n\n0\nEOF\n", {{1, ""}, {0, "EOF"}}},
                      PairCase{"ValueKeepsBlanks", "1\n  two words \n", {{1, "  two words "}}},
                      PairCase{"LettersBeforeCodeAreSkipped", "abc\n0\nLINE\n", {{0, "LINE"}}},
                      PairCase{"TokenAfterLettersOnSameLine", "abc 10\n5\n", {{10, "5"}}},
                      PairCase{"DigitsThenLetters", "20abc\nx\n", {{20, "x"}}},
                      PairCase{"DecimalCodeGivesWholePart", "10.7\nv\n", {{10, "v"}}},
                      PairCase{"LastLineWithoutLineEnd", "0\nEOF", {{0, "EOF"}}},
                      PairCase{"LoneCrStaysInValue", "1\na\rb\n", {{1, "a\rb"}}},
                      PairCase{"SignedCode", "-5\nv\n+7\nw\n", {{-5, "v"}, {7, "w"}}},
                      PairCase{"HugeCodeSaturatesAndKeepsAlignment",
                               "99999999999999999999\nv\n-99999999999999999999\nw\n0\nEOF\n",
                               {{2147483647, "v"}, {-2147483647 - 1, "w"}, {0, "EOF"}}},
                      PairCase{"EmptyText", "", {}}, PairCase{"OnlyBlankLines", "\n\n \t\n", {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReadPair, EndAfterCodeLineSetsCodeAndEmptiesValue) {
    GroupReader reader;
    OpenReaderOnText(reader, "0\nLINE\n8");
    GroupPair pair;
    ASSERT_EQ(ReadPair(pair, reader), 1);
    EXPECT_EQ(ReadPair(pair, reader), 0);
    EXPECT_EQ(pair.code, 8);
    EXPECT_EQ(pair.value, "");
    EXPECT_TRUE(reader.exhausted);
}

TEST(ReadPair, NoCodeLeavesThePairUnchanged) {
    GroupReader reader;
    OpenReaderOnText(reader, "0\nLINE\n\n  \nwords only\n");
    GroupPair pair;
    ASSERT_EQ(ReadPair(pair, reader), 1);
    EXPECT_EQ(ReadPair(pair, reader), 0);
    EXPECT_EQ(pair.code, 0);
    EXPECT_EQ(pair.value, "LINE");
}

// A file larger than the reader's block: pairs that straddle block boundaries, a value line far
// longer than the block, and a failed read at the end that must keep the last value intact.
TEST(ReadPair, FileReadAcrossBlocksKeepsEveryPair) {
    TempHome home;
    std::string text;
    constexpr int kPairs = 60000;
    for (int i = 0; i < kPairs; ++i)
        text += "10\n" + std::to_string(i) + ".25\n";
    const std::string longValue(3 * 1024 * 1024, 'x');
    text += "1\n" + longValue + "\n";
    text += "0\nLASTVALUE\n\n\n   \n";
    const auto path = WriteFile(home.Path(), "big.dxf", text);

    GroupReader reader;
    ASSERT_TRUE(OpenReader(reader, path.c_str()));
    GroupPair pair;
    for (int i = 0; i < kPairs; ++i) {
        ASSERT_EQ(ReadPair(pair, reader), 1) << i;
        ASSERT_EQ(pair.code, 10);
        ASSERT_EQ(pair.value, std::to_string(i) + ".25");
    }
    ASSERT_EQ(ReadPair(pair, reader), 1);
    EXPECT_EQ(pair.value.size(), longValue.size());
    EXPECT_EQ(pair.value, longValue);
    ASSERT_EQ(ReadPair(pair, reader), 1);
    EXPECT_EQ(pair.value, "LASTVALUE");
    EXPECT_EQ(ReadPair(pair, reader), 0);
    EXPECT_EQ(pair.value, "LASTVALUE");
}

TEST(OpenReader, RefusesMissingFilesAndDirectories) {
    TempHome home;
    GroupReader reader;
    EXPECT_FALSE(OpenReader(reader, (home.Path() / "missing.dxf").c_str()));
    EXPECT_FALSE(OpenReader(reader, home.Path().c_str()));
    EXPECT_FALSE(OpenReader(reader, nullptr));
}

TEST(LookupKeyword, MatchesWholeCaseSensitiveValuesOnly) {
    const std::vector<std::pair<std::string, KeywordId>> cases = {
        {"VERTEX", KeywordId::Vertex},
        {"POLYLINE", KeywordId::Polyline},
        {"SECTION", KeywordId::Section},
        {"HEADER", KeywordId::Header},
        {"ENDSEC", KeywordId::EndSec},
        {"CLASSES", KeywordId::Classes},
        {"BLOCKS", KeywordId::Blocks},
        {"ENTITIES", KeywordId::Entities},
        {"OBJECTS", KeywordId::Objects},
        {"EOF", KeywordId::Eof},
        {"TABLES", KeywordId::Tables},
        {"TABLE", KeywordId::Table},
        {"ENDTAB", KeywordId::EndTab},
        {"LTYPE", KeywordId::LType},
        {"LAYER", KeywordId::Layer},
        {"LINE", KeywordId::Line},
        {"POINT", KeywordId::Point},
        {"TEXT", KeywordId::Text},
        {"LWPOLYLINE", KeywordId::LwPolyline},
        {"SEQEND", KeywordId::SeqEnd},
        {"BLOCK", KeywordId::Block},
        {"ENDBLK", KeywordId::EndBlk},
        {"INSERT", KeywordId::Insert},
        {"ATTRIB", KeywordId::Attrib},
        {"$EXTMIN", KeywordId::ExtMin},
        {"$EXTMAX", KeywordId::ExtMax},
        {"ARC", KeywordId::Arc},
        {"CIRCLE", KeywordId::Circle}};
    for (const auto& [value, id] : cases) {
        GroupPair pair;
        pair.value = value;
        EXPECT_EQ(LookupKeyword(pair), 1) << value;
        EXPECT_EQ(pair.keyword, id) << value;
    }
    for (const char* value :
         {" LINE", "LINE ", "line", "LIN", "LINES", "", "ATTDEF", "$EXTMINX", "E", "LWPOLYLINES"}) {
        GroupPair pair;
        pair.value = value;
        EXPECT_EQ(LookupKeyword(pair), 0) << value;
        EXPECT_EQ(pair.keyword, KeywordId::None) << value;
    }
}

struct Searched {
    std::int32_t found;
    std::string value; // a copy: the pair's view dies with its reader
    KeywordId keyword;
};

// Runs one search on a reader of the text; gives its result and the pair it stopped on.
template <typename Search>
Searched SearchIn(std::string_view text, Search search) {
    GroupReader reader;
    OpenReaderOnText(reader, text);
    GroupPair pair;
    const std::int32_t found = search(pair, reader);
    return {found, std::string(pair.value), pair.keyword};
}

TEST(SeekCode, StopsOnTheCodeOrAtEndsec) {
    const auto seek2 = [](GroupPair& pair, GroupReader& reader) {
        return SeekCode(pair, reader, 2);
    };
    const auto entities = SearchIn("0\nSECTION\n2\nENTITIES\n", seek2);
    EXPECT_EQ(entities.found, 1);
    EXPECT_EQ(entities.keyword, KeywordId::Entities);
    const auto endsec = SearchIn("0\nENDSEC\n2\nANY\n", seek2);
    EXPECT_EQ(endsec.found, 0);
    EXPECT_EQ(endsec.value, "ENDSEC");
    EXPECT_EQ(SearchIn("2\nENDSEC\n", seek2).found, 1) << "the sought code is taken even at ENDSEC";
}

TEST(SeekKeyword, InSectionStopsAtEndsecWhileThePlainSearchGoesOn) {
    const std::string text = "9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n0\nSECTION\n9\n$EXTMAX\n";
    const auto inSection = SearchIn(text, [](GroupPair& pair, GroupReader& reader) {
        return SeekKeywordInSection(pair, reader, KeywordId::ExtMax);
    });
    EXPECT_EQ(inSection.found, 0);
    EXPECT_EQ(inSection.keyword, KeywordId::EndSec);
    EXPECT_EQ(SearchIn(text,
                       [](GroupPair& pair, GroupReader& reader) {
                           return SeekKeyword(pair, reader, KeywordId::ExtMax);
                       })
                  .found,
              1);
}

// Once the reader has met the end of the file, a search reports failure even when the stale
// pair still holds the keyword sought: otherwise loops over tables never end.
TEST(SeekKeyword, FailsForeverOnceExhausted) {
    GroupReader reader;
    OpenReaderOnText(reader, "0\nTABLE\n");
    GroupPair pair;
    EXPECT_EQ(SeekKeyword(pair, reader, KeywordId::Table), 1);
    EXPECT_EQ(SeekKeyword(pair, reader, KeywordId::Table), 0);
    EXPECT_EQ(pair.keyword, KeywordId::Table);
    EXPECT_EQ(SeekKeywordInSection(pair, reader, KeywordId::Table), 0);
    EXPECT_EQ(SeekCode(pair, reader, 0), 0);
}

struct ProgressRecorder {
    std::vector<LPARAM> values;
    HWND window = nullptr;
    ProgressRecorder() {
        window = standin::CreateHostWindow([this](UINT message, WPARAM wParam, LPARAM lParam) {
            if (message == kProgressMessage && wParam == 3)
                values.push_back(lParam);
            return LRESULT{0};
        });
    }
    ~ProgressRecorder() { standin::DestroyHostWindow(window); }
};

TEST(Progress, SendsStartGrowingPercentagesAndEnd) {
    TempHome home;
    std::string text;
    for (int i = 0; i < 2000; ++i)
        text += "0\nLINE\n";
    const auto path = WriteFile(home.Path(), "p.dxf", text);
    ProgressRecorder recorder;
    GroupReader reader;
    ASSERT_TRUE(OpenReader(reader, path.c_str()));
    reader.progressWindow = recorder.window;
    ProgressStart(reader);
    GroupPair pair;
    while (ReadPair(pair, reader))
        ProgressStep(reader);
    ProgressEnd(reader);

    const auto& v = recorder.values;
    ASSERT_GE(v.size(), 4u);
    EXPECT_EQ(v[0], -1);
    EXPECT_EQ(v[1], 0);
    EXPECT_EQ(v[v.size() - 2], 100);
    EXPECT_EQ(v.back(), -2);
    for (std::size_t i = 2; i + 2 < v.size(); ++i) {
        EXPECT_GT(v[i], v[i - 1]) << "percentages only grow";
        EXPECT_LE(v[i], 100);
    }
}

TEST(Progress, SilentWithoutWindowAndWithoutLength) {
    TempHome home;
    GroupReader reader;
    EXPECT_EQ(ProgressStart(reader), 0);
    EXPECT_EQ(ProgressStep(reader), 0);
    EXPECT_EQ(ProgressEnd(reader), 0);

    const auto path = WriteFile(home.Path(), "empty.dxf", "");
    ProgressRecorder recorder;
    ASSERT_TRUE(OpenReader(reader, path.c_str()));
    reader.progressWindow = recorder.window;
    ProgressStart(reader);
    ProgressStep(reader);
    ProgressStep(reader);
    EXPECT_EQ(recorder.values, (std::vector<LPARAM>{-1, 0})) << "a file of length 0: no steps";
}

TEST(ParseDouble, ReadsAsCStrtodDoes) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"1.5", 1.5},
        {"  -2.25", -2.25},
        {"+3", 3.0},
        {"1e3", 1000.0},
        {"1E-2", 0.01},
        {"12abc", 12.0},
        {"abc", 0.0},
        {"", 0.0},
        {".5", 0.5},
        {"-.0", 0.0},
        {"0x10", 16.0},
        {"0X1p4", 16.0},
        {"0x", 0.0},
        {"1e", 1.0},
        {"1e+", 1.0},
        {"+-5", 0.0},
        {"\t\n7", 7.0},
        {"1e400", std::numeric_limits<double>::infinity()},
        {"-1e400", -std::numeric_limits<double>::infinity()},
        {"1e-400", 0.0},
        {"inf", std::numeric_limits<double>::infinity()},
        {"-Infinity", -std::numeric_limits<double>::infinity()},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseDouble(text), expected) << '"' << text << '"';
    EXPECT_TRUE(std::isnan(ParseDouble("nan")));
    EXPECT_TRUE(std::isnan(ParseDouble("-NaN(123)")));
    EXPECT_TRUE(std::signbit(ParseDouble("-0")));
}

TEST(ScanInt, FollowsPercentDWithSaturation) {
    struct Case {
        std::string text;
        ScanResult result;
        std::int32_t value;
    };
    const std::vector<Case> cases = {
        {"42", ScanResult::Matched, 42},
        {"  -7xyz", ScanResult::Matched, -7},
        {"+0", ScanResult::Matched, 0},
        {"", ScanResult::EndOfInput, 99},
        {"   ", ScanResult::EndOfInput, 99},
        {"abc", ScanResult::NoMatch, 99},
        {"-", ScanResult::NoMatch, 99},
        {"-.0", ScanResult::NoMatch, 99},
        {"2147483647", ScanResult::Matched, 2147483647},
        {"2147483648", ScanResult::Matched, 2147483647},
        {"-2147483648", ScanResult::Matched, -2147483647 - 1},
        {"-2147483649", ScanResult::Matched, -2147483647 - 1},
        {"99999999999999999999999999", ScanResult::Matched, 2147483647},
    };
    for (const auto& c : cases) {
        std::int32_t value = 99;
        EXPECT_EQ(ScanInt(c.text, value), c.result) << '"' << c.text << '"';
        EXPECT_EQ(value, c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseInt("junk"), 0);
    EXPECT_EQ(ParseInt("12.9"), 12);
}

TEST(CheckNumber, RefusesOnlyZeroesThatAreNoNumbers) {
    const std::vector<std::pair<std::string, bool>> malformed = {
        {"0", false},   {"0.0", false}, {"-0", false},  {"", false},
        {"  ", false},  {"abc", true},  {"-.0", true},  {".0", true},
        {"1.5", false}, {"0x0", false}, {"nan", false}, {"1e-400", false},
    };
    for (const auto& [text, expected] : malformed)
        EXPECT_EQ(CheckNumber(text).malformed, expected) << '"' << text << '"';
}

TEST(TruncToInt32, RefusesWhatIsNoThirtyTwoBitNumber) {
    EXPECT_EQ(TruncToInt32(2.9), 2);
    EXPECT_EQ(TruncToInt32(-2.9), -2);
    EXPECT_EQ(TruncToInt32(2147483647.9), 2147483647);
    EXPECT_EQ(TruncToInt32(-2147483648.9), -2147483647 - 1);
    EXPECT_FALSE(TruncToInt32(2147483648.0));
    EXPECT_FALSE(TruncToInt32(-2147483649.0));
    EXPECT_FALSE(TruncToInt32(1e300));
    EXPECT_FALSE(TruncToInt32(std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(TruncToInt32(std::numeric_limits<double>::quiet_NaN()));
}

} // namespace
