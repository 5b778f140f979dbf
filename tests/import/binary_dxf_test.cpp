// Binary DXF: the group reader's two flavours of group codes and its values by type, damaged
// files, and whole drawings written by another program, imported from binary as from text.
#include "case_files.h"
#include "import/group_reader.h"
#include "module/exports.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cfloat>
#include <cstdint>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr std::string_view kSentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

enum class Width { Eight, Sixteen };

std::string LittleEndian(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Code(int code, Width width) {
    if (width == Width::Sixteen)
        return LittleEndian(static_cast<std::uint64_t>(code), 2);
    return code < 255 ? LittleEndian(static_cast<std::uint64_t>(code), 1)
                      : "\xff" + LittleEndian(static_cast<std::uint64_t>(code), 2);
}

std::string String(std::string_view text) {
    return std::string(text) + '\0';
}
std::string Double(double value) {
    return LittleEndian(std::bit_cast<std::uint64_t>(value), 8);
}

// A group as written in a binary file (its value bytes) and as the reader gives it back.
struct BinaryGroup {
    int code;
    std::string bytes;
    std::string text;
};

// Every kind of value, in both flavours; codes from 255 on take the escape in 8-bit files.
const std::vector<BinaryGroup> kGroups = {
    {0, String("SECTION"), "SECTION"},
    {2, String("ENTITIES"), "ENTITIES"},
    {999, String("a comment"), "a comment"},
    {10, Double(0.1), "0.1"},
    {20, Double(-0.0), "-0"},
    {30, Double(1e300), "1e+300"},
    {40, Double(5e-324), "5e-324"},
    {70, LittleEndian(0xFFFE, 2), "-2"},
    {90, LittleEndian(0x7FFFFFFF, 4), "2147483647"},
    {160, LittleEndian(0x8000000000000000u, 8), "-9223372036854775808"},
    {290, "\x01", "1"},
    {310, std::string("\x03\x00\xab\xff", 4), "00ABFF"},
    {1004, std::string("\x00", 1), ""},
    {1071, LittleEndian(0xFFFFFFFF, 4), "-1"},
    {1040, Double(-123.456), "-123.456"},
    {1041, Double(1.0 / 3.0), "0.3333333333333333"}, // the shortest text that reads back exactly
    {1042, Double(-DBL_MAX), "-1.7976931348623157e+308"},
    {1043, Double(-2.5e-310), "-2.5e-310"},
    {5000, String("unknown codes hold strings"), "unknown codes hold strings"},
    {0, String("EOF"), "EOF"}};

std::string BinaryFile(Width width, const std::vector<BinaryGroup>& groups) {
    std::string file(kSentinel);
    for (const BinaryGroup& group : groups)
        file += Code(group.code, width) + group.bytes;
    return file;
}

// The pairs of a binary file read from memory, as "code value|"; the reader is left as the last
// read left it.
std::string ReadBinary(GroupReader& reader, std::string_view file) {
    OpenReaderOnText(reader, file);
    EXPECT_TRUE(StartBinaryIfPresent(reader));
    std::string pairs;
    GroupPair pair;
    while (ReadPair(pair, reader))
        pairs += std::to_string(pair.code) + " " + std::string(pair.value) + "|";
    return pairs;
}

std::string Expected(const std::vector<BinaryGroup>& groups, std::size_t count = SIZE_MAX) {
    std::string pairs;
    for (std::size_t i = 0; i < std::min(count, groups.size()); ++i)
        pairs += std::to_string(groups[i].code) + " " + groups[i].text + "|";
    return pairs;
}

class BinaryFlavour : public ::testing::TestWithParam<Width> {};

// From SECTION, then from a comment first: the escape byte (8-bit) or the low half of code 999
// (16-bit) tells the flavour.
TEST_P(BinaryFlavour, ReadsEveryValueTypeAsItsText) {
    for (const std::size_t first : {0, 2}) {
        const std::vector<BinaryGroup> groups(kGroups.begin() + first, kGroups.end());
        GroupReader reader;
        EXPECT_EQ(ReadBinary(reader, BinaryFile(GetParam(), groups)), Expected(groups));
        EXPECT_TRUE(reader.exhausted);
        EXPECT_EQ(reader.bufferOffset + reader.begin, BinaryFile(GetParam(), groups).size());
    }
}

// A file cut anywhere gives the whole pairs before the cut and then fails for good: never a pair
// made of bytes that are not there.
TEST_P(BinaryFlavour, CutFilesEndAtTheLastWholePair) {
    const std::string file = BinaryFile(GetParam(), kGroups);
    std::vector<std::size_t> ends{kSentinel.size()};
    for (std::size_t i = 0; i < kGroups.size(); ++i)
        ends.push_back(BinaryFile(GetParam(), {kGroups.begin(), kGroups.begin() + i + 1}).size());
    for (std::size_t cut = kSentinel.size(); cut < file.size(); ++cut) {
        GroupReader reader;
        std::size_t whole = 0;
        while (whole + 1 < ends.size() && ends[whole + 1] <= cut)
            ++whole;
        EXPECT_EQ(ReadBinary(reader, std::string_view(file).substr(0, cut)),
                  Expected(kGroups, whole))
            << "cut at " << cut;
        EXPECT_TRUE(reader.exhausted);
        GroupPair pair;
        EXPECT_EQ(SeekCode(pair, reader, 0), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(EightAndSixteenBitCodes, BinaryFlavour,
                         ::testing::Values(Width::Eight, Width::Sixteen));

// Raw bytes in, the pairs read and what the failed read at the end left ("/code value", "." when
// the reader knows it is exhausted), "binary" when the signature was taken. A string whose zero
// never comes and a chunk longer than the bytes left: the code is read, the value stays empty.
// Text, a signature cut short and one with a foreign byte stay text, read from their start.
TEST(BinaryValues, RawBytesEndAsTheyShould) {
    const std::string sixteen = std::string(kSentinel) + Code(0, Width::Sixteen) + String("LINE");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {sixteen + Code(1, Width::Sixteen) + "no zero", "binary 0 LINE|/1 ."},
        {sixteen + Code(310, Width::Sixteen) + "\xff" + "abc", "binary 0 LINE|/310 ."},
        {"0\nSECTION\n", "0 SECTION|/0 SECTION."},
        {std::string(kSentinel.substr(0, 21)), "/0 ."},
        {std::string("AutoCAD Binary DXF\r\n\x1a\x01", 22), "/0 ."}};
    for (const auto& [bytes, expected] : cases) {
        GroupReader reader;
        OpenReaderOnText(reader, bytes);
        std::string read = StartBinaryIfPresent(reader) ? "binary " : "";
        EXPECT_EQ(read.empty(), reader.begin == 0 && reader.encoding == GroupEncoding::Text);
        GroupPair pair;
        while (ReadPair(pair, reader))
            read += std::to_string(pair.code) + " " + std::string(pair.value) + "|";
        read += "/" + std::to_string(pair.code) + " " + std::string(pair.value);
        EXPECT_EQ(read + (reader.exhausted ? "." : ""), expected);
    }
}

// From a file on disk: strings and numbers that straddle the block boundaries, a string longer
// than a block, and the value of a failed read kept.
TEST(BinaryValues, FileReadAcrossBlocksKeepsEveryPair) {
    TempHome home;
    std::vector<BinaryGroup> groups;
    for (int i = 0; i < 60000; ++i) {
        groups.push_back({8, String("L" + std::to_string(i)), "L" + std::to_string(i)});
        groups.push_back({10, Double(i + 0.25), std::to_string(i) + ".25"});
    }
    const std::string longValue(700 * 1024, 'x');
    groups.push_back({1, String(longValue), longValue});
    groups.push_back({0, String("LASTVALUE"), "LASTVALUE"});
    const auto path =
        WriteFile(home.Path(), "big.dxf", BinaryFile(Width::Sixteen, groups) + "\x01");

    GroupReader reader;
    ASSERT_TRUE(OpenReader(reader, path.c_str()));
    ASSERT_TRUE(StartBinaryIfPresent(reader));
    GroupPair pair;
    for (const BinaryGroup& group : groups) {
        ASSERT_EQ(ReadPair(pair, reader), 1);
        ASSERT_EQ(pair.code, group.code);
        ASSERT_EQ(pair.value, group.text);
    }
    EXPECT_EQ(ReadPair(pair, reader), 0);
    EXPECT_EQ(pair.value, "LASTVALUE");
}

// --- Whole drawings --------------------------------------------------------------------------

// The map document of an import of the file into a fresh map, with the stored settings.
std::string ImportedDocument(const TempHome& home, const fs::path& file) {
    MapWindow map;
    EXPECT_EQ(DXFFileImport(map.Handle(), file.c_str(), 0, nullptr), 1);
    return MapDocument(map.Handle(), home.Path());
}

// Drawings another program saved both ways (R12 with 8-bit codes, R2000 with 16-bit codes):
// the extended import makes the same map from either; the classic import reads the binary file
// as text and finds nothing.
TEST(BinaryDrawings, MakeTheMapOfTheirTextTwin) {
    const fs::path data = fs::path(DXFCNV_SOURCE_DIR) / "tests" / "data";
    for (const char* name : {"binary_r12", "binary_r2000"}) {
        SCOPED_TRACE(name);
        TempHome home;
        const fs::path binary = data / (std::string(name) + ".dxf");
        const fs::path text = data / (std::string(name) + "_text.dxf");
        const std::string classic = ImportedDocument(home, binary);
        SetSetting("ExtendedEntities", std::int32_t{1});
        const std::string fromBinary = ImportedDocument(home, binary);
        EXPECT_EQ(fromBinary, ImportedDocument(home, text));
        EXPECT_NE(fromBinary.find("\"arc\""), std::string::npos);
        EXPECT_NE(fromBinary.find("Binary text"), std::string::npos);
        EXPECT_EQ(classic.find("\"type\""), std::string::npos) << classic;
    }
}

} // namespace
