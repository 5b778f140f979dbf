// The group reader, the keyword table and the numeric conversions: the cases of text in, text
// out are in tests/data/reader_cases.txt, read by one driver here.
#include "import/group_reader.h"
#include "import/numbers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

namespace {

using testing_support::TempHome;
using testing_support::WriteFile;

// What one kind of reading makes of the text: see tests/data/reader_cases.txt.
std::string RunCase(const std::string& kind, const std::string& input) {
    GroupReader reader;
    OpenReaderOnText(reader, input);
    GroupPair pair;
    std::string out;
    if (kind == "pairs") {
        while (ReadPair(pair, reader))
            out += std::to_string(pair.code) + " " + std::string(pair.value) + "|";
        return out + "/" + std::to_string(pair.code) + " " + std::string(pair.value) +
               (reader.exhausted ? "." : "");
    }
    if (kind.starts_with("seek")) {
        const std::int32_t found = kind == "seek-code" ? SeekCode(pair, reader, 2)
                                   : kind == "seek-section"
                                       ? SeekKeywordInSection(pair, reader, KeywordId::ExtMax)
                                       : SeekKeyword(pair, reader, KeywordId::ExtMax);
        return std::to_string(found) + " " + std::string(pair.value);
    }
    if (kind == "again-table") {
        for (int i = 0; i < 2; ++i)
            out += std::to_string(SeekKeyword(pair, reader, KeywordId::Table)) + " ";
        out += std::to_string(static_cast<int>(pair.keyword)) + " ";
        out += std::to_string(SeekKeywordInSection(pair, reader, KeywordId::Table)) + " ";
        return out + std::to_string(SeekCode(pair, reader, 0));
    }
    if (kind == "keyword") {
        GroupPair pair;
        pair.value = input;
        const std::string found = LookupKeyword(pair) == 1 ? "" : "0:";
        return found + (pair.keyword == KeywordId::None
                            ? "none"
                            : std::to_string(static_cast<int>(pair.keyword)));
    }
    if (kind == "scan-int") {
        std::int32_t value = 99; // left alone unless matched
        const ScanResult result = ScanInt(input, value);
        return result == ScanResult::Matched ? std::to_string(value)
                                             : (result == ScanResult::EndOfInput ? "end" : "none") +
                                                   std::string(value == 99 ? "" : " changed");
    }
    if (kind == "parse-int")
        return std::to_string(ParseInt(input));
    return CheckNumber(input).malformed ? "malformed" : "number";
}

// "\\n", "\\r", "\\t" and "\\\\" as the characters they stand for.
std::string Unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        out += next == 'n' ? '\n' : next == 'r' ? '\r' : next == 't' ? '\t' : next;
    }
    return out;
}

TEST(ReaderCases, GiveTheResultsWrittenInTheFile) {
    std::ifstream file(std::string(DXFCNV_SOURCE_DIR) + "/tests/data/reader_cases.txt");
    std::size_t cases = 0;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const auto tab = line.find('\t'), last = line.rfind('\t');
        if (line.starts_with("#") || tab == last)
            continue;
        const std::string input = Unescaped(line.substr(tab + 1, last - tab - 1));
        EXPECT_EQ(RunCase(line.substr(0, tab), input), Unescaped(line.substr(last + 1)))
            << "line " << number;
        ++cases;
    }
    EXPECT_GT(cases, 80u);
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

} // namespace
