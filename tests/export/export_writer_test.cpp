// The group writer: the exact bytes of each kind of group, reals against printf, a file larger
// than the writer's buffer, and the safe replacement of the target.
#include "export/dxf_writer.h"
#include "export_support.h"

#include <gtest/gtest.h>

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

TEST(GroupFormat, TwoBlanksTheCodeAndTheValueEachEndedByCrLf) {
    TempHome home;
    EXPECT_EQ(Written(home,
                      [](DxfWriter& w) {
                          w.WriteStringGroup(0, "SECTION");
                          w.WriteStringGroup(999, "BUILD: 8.1.8");
                          w.WriteStringGroup(1, "");
                          w.WriteStringGroup(1, " a\tb \xE4\xFC ");
                          w.WriteIntGroup(10, std::numeric_limits<std::int32_t>::min());
                          w.WriteUnsignedGroup(70, 4294967295u);
                          w.WriteRealGroup(40, 2.5);
                          w.WriteRealGroup(10, -0.5);
                          w.WriteRealGroup(10, 1234567 / 1000.0);
                          w.WriteRealGroup(20, 1e21);
                          w.WriteIntGroup(-1, 3);
                      }),
              "  0\r\nSECTION\r\n  999\r\nBUILD: 8.1.8\r\n  1\r\n\r\n  1\r\n a\tb \xE4\xFC \r\n"
              "  10\r\n-2147483648\r\n  70\r\n4294967295\r\n  40\r\n2.500000\r\n"
              "  10\r\n-0.500000\r\n  10\r\n1234.567000\r\n"
              "  20\r\n1000000000000000000000.000000\r\n  -1\r\n3\r\n");
}

// Doubles of every kind the coordinate rule can produce and then some: integers divided by
// common factors, values on rounding ties, subnormals, the extremes and random bit patterns.
TEST(RealGroups, DigitsEqualPrintfSixDecimalsForManyDoubles) {
    using Limits = std::numeric_limits<double>;
    std::vector<double> samples{0.0,
                                -0.0,
                                0.0000005,
                                -0.0000005,
                                0.0000015,
                                2.5e-7,
                                0.1,
                                1.0 / 3.0,
                                123456.7890125,
                                9007199254740993.0,
                                Limits::max(),
                                Limits::lowest(),
                                Limits::denorm_min(),
                                Limits::min()};
    for (double factor : {1000.0, 100.0, 10.0, 0.001, 72.0, 1440.0, 3.0})
        for (std::int32_t value : {1, -1, 7, 999, 1234567, -2147483647 - 1, 2147483647})
            samples.push_back(value / factor);
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
    TempHome home;
    std::string expected;
    std::vector<char> digits(400);
    for (double value : samples) {
        std::snprintf(digits.data(), digits.size(), "%.6f", value);
        expected += "  10\r\n" + std::string(digits.data()) + "\r\n";
    }
    const std::string bytes = Written(home, [&](DxfWriter& writer) {
        for (double value : samples)
            writer.WriteRealGroup(10, value);
    });
    EXPECT_TRUE(bytes == expected)
        << "the first difference at byte "
        << std::mismatch(bytes.begin(), bytes.end(), expected.begin(), expected.end()).first -
               bytes.begin();
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
// keeps its permissions (and a link stays a link), and no temporary file outlives the writer.
TEST(SafeReplace, TargetKeepsItsOldContentUntilTheCommitAndItsPermissionsAfter) {
    TempHome home;
    const fs::path target = testing_support::WriteFile(home.Path(), "drawing.dxf", "old content");
    const auto perms = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(target, perms);
    const fs::path link = home.Path() / "link.dxf";
    fs::create_symlink(target, link);
    DxfWriter writer;
    ASSERT_TRUE(writer.Open(link.c_str()));
    for (int i = 0; i < 200000; ++i) // past the buffer: some groups have reached a file
        writer.WriteStringGroup(0, "VERTEX");
    EXPECT_EQ(ReadFileBytes(target), "old content");
    ASSERT_TRUE(writer.Commit());
    EXPECT_EQ(ReadFileBytes(target)->substr(0, 15), "  0\r\nVERTEX\r\n  ");
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::status(target).permissions(), perms);
    EXPECT_EQ(FolderListing(home.Path()), (std::vector<std::string>{"drawing.dxf", "link.dxf"}));
}

TEST(SafeReplace, AbandonedOrUncommittedWriterLeavesTheTargetAndNoTemporaryFile) {
    TempHome home;
    const fs::path target = testing_support::WriteFile(home.Path(), "drawing.dxf", "old content");
    {
        DxfWriter abandoned;
        ASSERT_TRUE(abandoned.Open(target.c_str()));
        abandoned.WriteStringGroup(0, "SECTION");
        abandoned.Abandon();
        EXPECT_FALSE(abandoned.Commit());
        DxfWriter uncommitted;
        ASSERT_TRUE(uncommitted.Open(target.c_str()));
        uncommitted.WriteStringGroup(0, "SECTION");
    }
    EXPECT_EQ(ReadFileBytes(target), "old content");
    EXPECT_EQ(FolderListing(home.Path()), std::vector<std::string>{"drawing.dxf"});
}

} // namespace
