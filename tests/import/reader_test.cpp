// The group reader, the keyword table and the numeric conversions.
#include "import/group_reader.h"
#include "import/numbers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <sstream>
#include <string>
#include <vector>

namespace {

using testing_support::TempHome;
using testing_support::WriteFile;

// The pairs of the text as "code value|", then the pair the failed read at the end left, and
// whether the reader knows it is exhausted: a text that ends after a code line sets the code and
// empties the value, a text without any further code leaves the pair as it was.
std::string ReadAll(std::string_view text) {
    GroupReader reader;
    OpenReaderOnText(reader, text);
    GroupPair pair;
    std::string pairs;
    while (ReadPair(pair, reader))
        pairs += std::to_string(pair.code) + " " + std::string(pair.value) + "|";
    return pairs + "/" + std::to_string(pair.code) + " " + std::string(pair.value) +
           (reader.exhausted ? "." : "");
}

TEST(ReadPair, YieldsTheGroupsOfTheText) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"0\nLINE\n8\nA\n", "0 LINE|8 A|/8 A."},
        {"0\r\nLINE\r\n8\r\nA\r\n", "0 LINE|8 A|/8 A."},
        {"   0\nLINE\n", "0 LINE|/0 LINE."},                      // blanks before the code
        {"10 ignored words\n1.5\n", "10 1.5|/10 1.5."},           // words after it
        {"\n\n  \n0\nLINE\n", "0 LINE|/0 LINE."},                 // blank lines before it
        {"1\n\n0\nEOF\n", "1 |0 EOF|/0 EOF."},                    // a blank value line
        {"1\n  two words \n", "1   two words |/1   two words ."}, // a value keeps its blanks
        {"abc\n0\nLINE\n", "0 LINE|/0 LINE."}, // letters before a code are skipped
        {"abc 10\n5\n", "10 5|/10 5."},        // a token after them on the line counts
        {"20abc\nx\n", "20 x|/20 x."},         // digits then letters
        {"10.7\nv\n", "10 v|/10 v."},          // the whole part of a decimal code
        {"0\nEOF", "0 EOF|/0 EOF."},           // no line end at the end
        {"1\na\rb\n", "1 a\rb|/1 a\rb."},      // a lone CR stays in the value
        {"-5\nv\n+7\nw\n", "-5 v|7 w|/7 w."},  // signed codes
        {"99999999999999999999\nv\n-99999999999999999999\nw\n0\nEOF\n",
         "2147483647 v|-2147483648 w|0 EOF|/0 EOF."}, // saturated, the pairs stay aligned
        {"", "/0 ."},
        {"\n\n \t\n", "/0 ."},
        {"0\nLINE\n8", "0 LINE|/8 ."},
        {"0\nLINE\n\n  \nwords only\n", "0 LINE|/0 LINE."}};
    for (const auto& [text, pairs] : cases)
        EXPECT_EQ(ReadAll(text), pairs) << '"' << text << '"';
}

// A file that ends after a code line sets the code and empties the value; a text without any
// further code leaves the pair as it was.
// Every keyword with its id, then values that are none.
TEST(LookupKeyword, MatchesWholeCaseSensitiveValuesOnly) {
    std::istringstream keywords(
        "SECTION 1 HEADER 2 ENDSEC 3 CLASSES 4 BLOCKS 5 ENTITIES 6 OBJECTS 7 EOF 8 TABLES 9 TABLE "
        "10 "
        "ENDTAB 11 LTYPE 12 LAYER 13 POLYLINE 14 VERTEX 15 LINE 16 POINT 17 TEXT 18 LWPOLYLINE 19 "
        "SEQEND 20 BLOCK 21 ENDBLK 23 INSERT 24 ATTRIB 25 $EXTMIN 26 $EXTMAX 27 ARC 28 CIRCLE 29");
    GroupPair pair;
    std::string value;
    for (std::int32_t id = 0; keywords >> value >> id;) {
        pair.value = value;
        EXPECT_EQ(LookupKeyword(pair), 1) << value;
        EXPECT_EQ(static_cast<std::int32_t>(pair.keyword), id) << value;
    }
    for (const char* none :
         {" LINE", "LINE ", "line", "LIN", "LINES", "", "ATTDEF", "$EXTMINX", "E", "LWPOLYLINES"}) {
        pair.value = none;
        EXPECT_EQ(LookupKeyword(pair), 0) << none;
        EXPECT_EQ(pair.keyword, KeywordId::None) << none;
    }
}

// One search on a reader of the text, SeekCode for code 2 ('c') or SeekKeywordInSection ('s') or
// SeekKeyword ('k') for $EXTMAX: what it returned and the value it stopped on.
std::string SearchIn(std::string_view text, char search) {
    GroupReader reader;
    OpenReaderOnText(reader, text);
    GroupPair pair;
    const std::int32_t found = search == 'c' ? SeekCode(pair, reader, 2)
                               : search == 's'
                                   ? SeekKeywordInSection(pair, reader, KeywordId::ExtMax)
                                   : SeekKeyword(pair, reader, KeywordId::ExtMax);
    return std::to_string(found) + " " + std::string(pair.value);
}

TEST(Seek, StopsOnWhatIsSoughtOrAtEndsec) {
    EXPECT_EQ(SearchIn("0\nSECTION\n2\nENTITIES\n", 'c'), "1 ENTITIES");
    EXPECT_EQ(SearchIn("0\nENDSEC\n2\nANY\n", 'c'), "0 ENDSEC");
    EXPECT_EQ(SearchIn("2\nENDSEC\n", 'c'), "1 ENDSEC") << "the code is taken even at ENDSEC";
    const std::string text = "9\n$ACADVER\n1\nAC1009\n0\nENDSEC\n0\nSECTION\n9\n$EXTMAX\n";
    EXPECT_EQ(SearchIn(text, 's'), "0 ENDSEC");
    EXPECT_EQ(SearchIn(text, 'k'), "1 $EXTMAX");
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

TEST(Progress, SilentWithoutWindowAndWithoutLength) {
    TempHome home;
    GroupReader reader;
    EXPECT_EQ(ProgressStart(reader), 0);
    EXPECT_EQ(ProgressStep(reader), 0);
    EXPECT_EQ(ProgressEnd(reader), 0);
    EXPECT_FALSE(OpenReader(reader, nullptr)); // missing files and folders: ImportOperation

    testing_support::MapWindow window;
    std::vector<LPARAM> values;
    standin::SetMapMessageObserver(window.Handle(), [&](UINT message, WPARAM wParam, LPARAM l) {
        if (message == kProgressMessage && wParam == 3)
            values.push_back(l);
        return LRESULT{0};
    });
    ASSERT_TRUE(OpenReader(reader, WriteFile(home.Path(), "empty.dxf", "").c_str()));
    reader.progressWindow = window.Handle();
    ProgressStart(reader);
    ProgressStep(reader);
    ProgressStep(reader);
    EXPECT_EQ(values, (std::vector<LPARAM>{-1, 0})) << "a file of length 0: no steps";
}

// Texts compared with strtod are in fast_paths_test.cpp; these are what strtod cannot tell.
TEST(ParseDouble, NanAndNegativeZero) {
    EXPECT_TRUE(std::isnan(ParseDouble("nan")));
    EXPECT_TRUE(std::isnan(ParseDouble("-NaN(123)")));
    EXPECT_TRUE(std::signbit(ParseDouble("-0")));
}

// %d with saturation: "text=value", the value "end" (nothing but blanks) or "none".
TEST(ScanInt, FollowsPercentDWithSaturation) {
    std::istringstream cases("42=42|  -7xyz=-7|+0=0|=end|   =end|abc=none|-=none|-.0=none|"
                             "2147483647=2147483647|2147483648=2147483647|-2147483648=-2147483648|"
                             "-2147483649=-2147483648|99999999999999999999999999=2147483647");
    for (std::string text, expected;
         std::getline(cases, text, '=') && std::getline(cases, expected, '|');) {
        std::int32_t value = 99;
        const ScanResult result = ScanInt(text, value);
        EXPECT_EQ(result == ScanResult::Matched      ? std::to_string(value)
                  : result == ScanResult::EndOfInput ? "end"
                                                     : "none",
                  expected)
            << '"' << text << '"';
        EXPECT_TRUE(result == ScanResult::Matched || value == 99) << '"' << text << '"';
    }
    EXPECT_EQ(ParseInt("junk"), 0);
    EXPECT_EQ(ParseInt("12.9"), 12);
}

TEST(CheckNumber, RefusesOnlyZeroesThatAreNoNumbers) {
    for (const char* text : {"0", "0.0", "-0", "", "  ", "1.5", "0x0", "nan", "1e-400"})
        EXPECT_FALSE(CheckNumber(text).malformed) << '"' << text << '"';
    for (const char* text : {"abc", "-.0", ".0"})
        EXPECT_TRUE(CheckNumber(text).malformed) << '"' << text << '"';
}

} // namespace
