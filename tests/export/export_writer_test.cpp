// The group writer: the exact bytes of each kind of group, reals against printf, a file larger
// than the writer's buffer, and the safe replacement of the target.
#include "export/dxf_writer.h"
#include "export_support.h"

#include <gtest/gtest.h>

#include <ostream>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <random>

namespace {

namespace fs = std::filesystem;
using namespace export_support;
using testing_support::TempHome;

// Writes the groups into a new file through a writer and gives the file's bytes.
std::string Written(const TempHome& home, const std::function<void(DxfWriter&)>& write) {
    const fs::path path = home.Path() / "groups.dxf";
    DxfWriter writer;
    EXPECT_TRUE(writer.Open(path.c_str()));
    write(writer);
    EXPECT_TRUE(writer.Commit());
    return ReadFileBytes(path).value_or("<missing>");
}

std::string Printf6(double value) {
    const int length = std::snprintf(nullptr, 0, "%.6f", value);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), "%.6f", value);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

struct GroupCase {
    const char* name;
    std::function<void(DxfWriter&)> write;
    std::string expected;
};

// A failing case prints as its name.
void PrintTo(const GroupCase& c, std::ostream* out) {
    *out << c.name;
}

class GroupFormatTest : public ::testing::TestWithParam<GroupCase> {};

TEST_P(GroupFormatTest, WritesTwoBlanksTheCodeAndTheValueEachEndedByCrLf) {
    TempHome home;
    EXPECT_EQ(Written(home, GetParam().write), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, GroupFormatTest,
    ::testing::Values(
        GroupCase{"Code0", [](DxfWriter& w) { w.WriteStringGroup(0, "SECTION"); },
                  "  0\r\nSECTION\r\n"},
        GroupCase{"Code8", [](DxfWriter& w) { w.WriteStringGroup(8, "Roads"); },
                  "  8\r\nRoads\r\n"},
        GroupCase{"Code70", [](DxfWriter& w) { w.WriteIntGroup(70, 64); }, "  70\r\n64\r\n"},
        GroupCase{"Code999", [](DxfWriter& w) { w.WriteStringGroup(999, "BUILD: 8.1.8"); },
                  "  999\r\nBUILD: 8.1.8\r\n"},
        GroupCase{"EmptyText", [](DxfWriter& w) { w.WriteStringGroup(1, ""); }, "  1\r\n\r\n"},
        GroupCase{"TextKeepsItsBytes",
                  [](DxfWriter& w) { w.WriteStringGroup(1, " a\tb \xE4\xFC "); },
                  "  1\r\n a\tb \xE4\xFC \r\n"},
        GroupCase{
            "SmallestInteger",
            [](DxfWriter& w) { w.WriteIntGroup(10, std::numeric_limits<std::int32_t>::min()); },
            "  10\r\n-2147483648\r\n"},
        GroupCase{"LargestUnsigned", [](DxfWriter& w) { w.WriteUnsignedGroup(70, 4294967295u); },
                  "  70\r\n4294967295\r\n"},
        GroupCase{"RealTwoAndAHalf", [](DxfWriter& w) { w.WriteRealGroup(40, 2.5); },
                  "  40\r\n2.500000\r\n"},
        GroupCase{"RealMinusAHalf", [](DxfWriter& w) { w.WriteRealGroup(10, -0.5); },
                  "  10\r\n-0.500000\r\n"},
        GroupCase{"RealDividedByFactor",
                  [](DxfWriter& w) { w.WriteRealGroup(10, 1234567 / 1000.0); },
                  "  10\r\n1234.567000\r\n"},
        GroupCase{"RealWithoutExponent", [](DxfWriter& w) { w.WriteRealGroup(20, 1e21); },
                  "  20\r\n1000000000000000000000.000000\r\n"},
        GroupCase{"NegativeCode", [](DxfWriter& w) { w.WriteIntGroup(-1, 3); }, "  -1\r\n3\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// Doubles of every kind the coordinate rule can produce and then some: integers divided by
// common factors, values on rounding ties, subnormals, the extremes and random bit patterns.
std::vector<double> RealSamples() {
    using Limits = std::numeric_limits<double>;
    std::vector<double> samples{0.0,    -0.0, 0.0000005, -0.0000005,     0.0000015,
                                2.5e-7, 0.1,  1.0 / 3.0, 123456.7890125, 9007199254740993.0};
    samples.insert(samples.end(),
                   {Limits::max(), Limits::lowest(), Limits::denorm_min(), Limits::min()});
    for (double factor : {1000.0, 100.0, 10.0, 0.001, 72.0, 1440.0, 3.0}) {
        for (std::int32_t value : {1, -1, 7, 999, 1234567, -2147483647 - 1, 2147483647})
            samples.push_back(value / factor);
    }
    std::mt19937_64 random(20240613);
    std::uniform_int_distribution<std::int32_t> coordinates(
        std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max());
    std::uniform_real_distribution<double> factors(1e-4, 1e4);
    for (int i = 0; i < 20000; ++i)
        samples.push_back(coordinates(random) / factors(random));
    while (samples.size() < 40000) {
        const std::uint64_t bits = random();
        double value = 0.0;
        std::memcpy(&value, &bits, sizeof value);
        if (std::isfinite(value))
            samples.push_back(value);
    }
    return samples;
}

TEST(RealGroups, DigitsEqualPrintfSixDecimalsForManyDoubles) {
    TempHome home;
    const std::vector<double> samples = RealSamples();
    const std::string bytes = Written(home, [&](DxfWriter& writer) {
        for (double value : samples)
            writer.WriteRealGroup(10, value);
    });
    std::vector<Group> groups;
    ASSERT_TRUE(ParseGroups(bytes, groups));
    ASSERT_EQ(groups.size(), samples.size());
    int mismatches = 0;
    for (std::size_t i = 0; i < samples.size() && mismatches < 5; ++i) {
        if (groups[i].second != Printf6(samples[i])) {
            ++mismatches;
            ADD_FAILURE() << "value " << samples[i] << ": wrote " << groups[i].second
                          << ", printf gives " << Printf6(samples[i]);
        }
    }
}

TEST(WriterBuffer, OutputLargerThanTheBufferArrivesWholeAndInOrder) {
    TempHome home;
    constexpr int kGroups = 300000; // about 4 MB, several times the writer's buffer
    std::string expected;
    for (int i = 0; i < kGroups; ++i)
        expected += "  10\r\n" + std::to_string(i * 7 - 1000000) + "\r\n";
    const std::string bytes = Written(home, [](DxfWriter& writer) {
        for (int i = 0; i < kGroups; ++i)
            writer.WriteIntGroup(10, i * 7 - 1000000);
    });
    EXPECT_EQ(bytes.size(), expected.size());
    EXPECT_TRUE(bytes == expected);
}

// The safe replacement: the target holds its old content until the commit, a replaced file
// keeps its permissions, and no temporary file outlives the writer.
class SafeReplace : public ::testing::Test {
  protected:
    void SetUp() override {
        target_ = testing_support::WriteFile(home_.Path(), "drawing.dxf", "old content");
        fs::permissions(target_,
                        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    }
    TempHome home_;
    fs::path target_;
};

TEST_F(SafeReplace, TargetKeepsItsOldContentUntilTheCommit) {
    DxfWriter writer;
    ASSERT_TRUE(writer.Open(target_.c_str()));
    for (int i = 0; i < 200000; ++i) // past the buffer: some groups have reached a file
        writer.WriteStringGroup(0, "VERTEX");
    EXPECT_EQ(ReadFileBytes(target_), "old content");
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(ReadFileBytes(target_)->substr(0, 15), "  0\r\nVERTEX\r\n  ");
    EXPECT_EQ(FolderListing(home_.Path()), std::vector<std::string>{"drawing.dxf"});
}

TEST_F(SafeReplace, ReplacedFileKeepsItsPermissions) {
    DxfWriter writer;
    ASSERT_TRUE(writer.Open(target_.c_str()));
    writer.WriteStringGroup(0, "EOF");
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(fs::status(target_).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(SafeReplace, AbandonedOrUncommittedWriterLeavesTheTargetAndNoTemporaryFile) {
    {
        DxfWriter abandoned;
        ASSERT_TRUE(abandoned.Open(target_.c_str()));
        abandoned.WriteStringGroup(0, "SECTION");
        abandoned.Abandon();
        EXPECT_FALSE(abandoned.Commit());
    }
    {
        DxfWriter uncommitted;
        ASSERT_TRUE(uncommitted.Open(target_.c_str()));
        uncommitted.WriteStringGroup(0, "SECTION");
    }
    EXPECT_EQ(ReadFileBytes(target_), "old content");
    EXPECT_EQ(FolderListing(home_.Path()), std::vector<std::string>{"drawing.dxf"});
}

TEST_F(SafeReplace, SymbolicLinkStaysAndTheFileItNamesIsReplaced) {
    const fs::path link = home_.Path() / "link.dxf";
    fs::create_symlink(target_, link);
    DxfWriter writer;
    ASSERT_TRUE(writer.Open(link.c_str()));
    writer.WriteStringGroup(0, "EOF");
    ASSERT_TRUE(writer.Commit());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(target_), "  0\r\nEOF\r\n");
}

} // namespace
