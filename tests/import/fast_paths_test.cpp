// The shortcuts taken for speed must give exactly what the general way gives: the reader's and
// the number conversion's for the common shapes of a DXF file, compared over many generated
// texts.
#include "import/group_reader.h"
#include "import/numbers.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstdlib>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

// Decimal texts of the shapes the fast path takes and of the shapes next to them, which it must
// leave to the general way: many digits, long fractions, exponents, trailing text.
std::string RandomDecimal(std::mt19937_64& random) {
    std::string text;
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int integerDigits = pick(5) == 0 ? pick(22) : 1 + pick(8);
    const int fractionDigits = pick(4) == 0 ? pick(26) : pick(7);
    for (int i = 0; i < integerDigits; ++i)
        text += static_cast<char>('0' + pick(10));
    if (fractionDigits > 0 || pick(3) == 0)
        text += '.';
    for (int i = 0; i < fractionDigits; ++i)
        text += static_cast<char>('0' + pick(10));
    const int tail = pick(12); // an exponent, a cut one, trailing text, or (mostly) nothing
    const char* const tails[] = {"e", "E+", " trailing", "x"};
    if (tail < 4)
        text += tails[tail] + (tail == 0 ? std::to_string(pick(40) - 20) : "");
    return text;
}

TEST(ParseDouble, AgreesWithStrtodOnGeneratedDecimals) {
    std::mt19937_64 random(20240611);
    for (int i = 0; i < 200000; ++i) {
        const std::string text = RandomDecimal(random); // compared bit for bit
        ASSERT_EQ(std::bit_cast<std::uint64_t>(ParseDouble(text)),
                  std::bit_cast<std::uint64_t>(std::strtod(text.c_str(), nullptr)))
            << '"' << text << '"';
    }
}

// Hand-picked texts: the edges of exactness (2^53 and its neighbours, 0.1, 22 decimals, leading
// zeros against the 19 digits, a tie between two doubles, 1e22 and 1e23, the denormals, seven and
// eight digits on either side of the point), and the forms of C's strtod (blanks, signs, hex,
// cut exponents, infinities, texts that are no number).
TEST(ParseDouble, AgreesWithStrtodOnChosenTexts) {
    std::istringstream texts(
        "9007199254740992|9007199254740993|900719925474099.3|0.1|"
        "1.0000000000000000000000|123456789.0123456789|0000000000000000000001.5|"
        "4503599627370497.5|480000.0000|-5400000.1234|1e22|1e23|4.9e-324|"
        "2.2250738585072011e-308|1234567.1234567|1234567.12345678|12345678.5|1234567.|"
        "-0.0000000|+0001234.50|123456.7e5|7.0000000E+3|1234.5678 x|.12345678|1.5|"
        "  -2.25|+3|1e3|1E-2|12abc|abc||.5|-.0|0x10|0X1p4|0x|1e|1e+|+-5|\t\n7|1e400|"
        "-1e400|1e-400|inf|-Infinity");
    for (std::string text; std::getline(texts, text, '|');)
        EXPECT_EQ(ParseDouble(text), std::strtod(text.c_str(), nullptr)) << '"' << text << '"';
}

// The plain code lines the reader takes straight from its buffer and their neighbours, which
// it reads token by token, read the same whatever block boundary they meet.
TEST(ReadPair, PlainAndGeneralCodeLinesAgreeAcrossBlocks) {
    const std::vector<std::string> codeLines = {
        "0",   "  8",       " 10",        "330",      "999999999", "1000000000", "0000000010",
        "-5",  "+7",        "\t20",       "10 words", "20abc",     "10.5",       " 0 ",
        "  1", "123456789", "2147483648", "1234567",  "      9",   "       9",   "12345678"};
    std::string text;
    std::vector<std::pair<std::int32_t, std::string>> expected;
    for (int round = 0; round < 30000; ++round) { // over 256 KiB: several blocks
        const std::string& code = codeLines[static_cast<std::size_t>(round) % codeLines.size()];
        // Values short and long, so that line ends fall in each byte of a word and past words.
        const std::string value =
            "v" + std::to_string(round) + std::string(static_cast<std::size_t>(round % 41), 'x');
        text += code + (round % 3 ? "\r\n" : "\n") + value + "\r\n";
        std::int32_t number = 0;
        ASSERT_EQ(ScanInt(code, number), ScanResult::Matched) << code;
        expected.emplace_back(number, value);
    }
    // A value far longer than a block, then a failed read (blank lines only) that keeps the last
    // value intact.
    expected.emplace_back(1, std::string(3 * 1024 * 1024, 'x'));
    expected.emplace_back(0, "LASTVALUE");
    text += "1\n" + expected[expected.size() - 2].second + "\n0\nLASTVALUE\n\n\n   \n";
    const testing_support::TempHome home;
    const auto path = testing_support::WriteFile(home.Path(), "codes.dxf", text);

    GroupReader reader;
    ASSERT_TRUE(OpenReader(reader, path.c_str()));
    GroupPair pair;
    for (const auto& [code, value] : expected) {
        ASSERT_EQ(ReadPair(pair, reader), 1);
        ASSERT_EQ(pair.code, code);
        ASSERT_EQ(pair.value, value);
    }
    EXPECT_EQ(ReadPair(pair, reader), 0);
    EXPECT_EQ(pair.value, "LASTVALUE");
}

} // namespace
