// Hostile drawings through the whole import, as the host calls it (DXFFileImport on a stand-in
// map): truncated, enormous, deeply nested, not DXF at all. Each must end (a hang is CTest's time
// limit) with result 1 (0 only for a path that cannot be opened) and leave a map whose layers and
// groups hold together. The drawings are generated here; the small ones (codes and coordinates
// past 32 bits, an empty file) are in cases/hostile.txt, values that are no finite number wherever
// a number goes in cases/not_finite.txt, the nesting bomb in insert_limits_test.cpp.
//
// Sanitizer and coverage builds run the cases of a million items at a tenth of their size
// (kScale); the ordinary build runs them in full.
#include "blocks_dxf.h"
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define DXFCNV_HOSTILE_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(DXFCNV_COVERAGE_BUILD)
#define DXFCNV_HOSTILE_SANITIZED 1
#endif

namespace {

namespace fs = std::filesystem;
using namespace testing_support;
using namespace blocks_dxf;
using export_support::MessageBoxes;

#if defined(DXFCNV_HOSTILE_SANITIZED)
constexpr std::size_t kScale = 10;
constexpr bool kMeasureMemory = false; // the sanitizer's own memory hides the import's
#else
constexpr std::size_t kScale = 1;
constexpr bool kMeasureMemory = true;
#endif

// The peak resident memory of the process so far, in bytes.
std::uint64_t PeakMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

struct Imported {
    std::uint64_t peakGrowth; // how far the import raised the peak resident memory
    standin::MapSnapshot map;
};

// Imports the file at `path` into a fresh map, read whole: result 1, no box, references hold.
Imported ImportPath(const fs::path& path) {
    MapWindow map;
    MessageBoxes boxes;
    const std::uint64_t peakBefore = PeakMemory();
    EXPECT_EQ(DXFFileImport(map.Handle(), path.c_str(), 0, nullptr), 1);
    const Imported imported{PeakMemory() - peakBefore, map.Snapshot()};
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_TRUE(ReferencesHold(imported.map));
    return imported;
}

Imported ImportText(const TempHome& home, std::string_view dxf) {
    return ImportPath(WriteFile(home.Path(), "hostile.dxf", dxf));
}

std::string LineOnLayer(const std::string& layer, std::int64_t x, std::int64_t y) {
    return LineEntity(std::to_string(x), std::to_string(y), std::to_string(x + 1),
                      std::to_string(y + 1), layer);
}

// The texts of f(0) ... f(n - 1), one after the other.
std::string Repeat(std::int32_t n, const std::function<std::string(std::int32_t)>& f) {
    std::string text;
    for (std::int32_t i = 0; i < n; ++i)
        text += f(i);
    return text;
}
std::string B(std::int32_t i) {
    return "B" + std::to_string(i);
}

TEST(HostileImport, EveryPrefixOfTheSampleDrawingIsRead) {
    TempHome home;
    const std::string site = ReadText(fs::path(DXFCNV_SOURCE_DIR) / "samples" / "site.dxf");
    ASSERT_GT(site.size(), 1000u);
    const std::size_t wholeCount = AllObjects(ImportText(home, site).map).size();
    ASSERT_GT(wholeCount, 5u);
    for (std::size_t length = 0; length <= site.size(); ++length) {
        const Imported part = ImportText(home, std::string_view(site).substr(0, length));
        // A cut can end an entity early, never add one: no prefix yields more than the whole.
        ASSERT_LE(AllObjects(part.map).size(), wholeCount) << length;
        ASSERT_FALSE(HasFailure()) << "prefix of " << length << " bytes";
    }
}

constexpr std::int32_t kMillion = 1'000'000 / static_cast<std::int32_t>(kScale);
const std::int32_t kLevels = kScale > 1 ? 300 : 1000;

// B0 holds a line from (0, 0) to (1, 1); Bi inserts B(i-1) at (1, 0), so B9999 holds it shifted
// 9999 to the right, and the INSERT of B9999 at (1, 0) shifts it once more.
std::string ShiftedChain() {
    return Drawing(
        Block("B0", "0", "0", LineEntity("0", "0", "1", "1")) +
            Repeat(9999, [](auto i) { return Block(B(i + 1), "0", "0", Insert(B(i), "1", "0")); }),
        Insert("B9999", "1", "0"));
}
// No ENDBLK anywhere: every BLOCK starts while the previous one is still open, and each holds its
// own line only.
std::string OpenBlocks() {
    return Drawing(Repeat(10'000,
                          [](auto i) {
                              return "0\nBLOCK\n2\nN" + std::to_string(i) + "\n10\n0\n20\n0\n" +
                                     LineOnLayer("L", i, 0);
                          }),
                   Insert("N9999", "0", "0") + Insert("N0", "0", "0"));
}
// Bi holds a line of its own, then an INSERT of B(i-1): the line takes the block's slot first, so
// the copy joins a new group beside it and the copy of Bi is a tree of groups i levels deep with
// i + 1 lines, 2i + 1 objects in all.
std::string GroupChain(std::int32_t levels, std::int32_t top) {
    return Drawing(Block("B0", "0", "0", LineEntity("0", "0", "1", "1")) +
                       Repeat(levels,
                              [](auto i) {
                                  return Block(B(i + 1), "0", "0",
                                               LineOnLayer("", 0, i + 1) + Insert(B(i), "0", "0"));
                              }),
                   Insert(B(top), "0", "0"));
}
// B1 ... B1414 alone copy 1 + 3 + ... + 2827 = 1414^2 = 1,999,396 objects while their
// definitions are read; the 2,829 objects of B1414 then no longer fit under the built-in cap at
// the top level. Unbounded, the chain would copy 10^8 objects.
std::string ChainPastTheCap() {
    return GroupChain(9999, 1414);
}
// Lookups by name must stay cheap however many blocks there are: each INSERT names a different
// block, the last ones those defined last.
std::string MillionBlocks() {
    const auto name = [](auto i) { return "Block" + std::to_string(i); };
    return Drawing(
        Repeat(kMillion, [&](auto i) { return Block(name(i), "0", "0", LineOnLayer("", 0, 0)); }),
        Repeat(kMillion, [&](auto i) { return Insert(name(i), std::to_string(i), "7"); }));
}
std::string MillionVertices() {
    return EntitiesFile("0\nPOLYLINE\n8\nLong\n66\n1\n" +
                        Repeat(kMillion,
                               [](auto i) {
                                   return "0\nVERTEX\n10\n" + std::to_string(i) + "\n20\n" +
                                          std::to_string(-i) + "\n";
                               }) +
                        "0\nSEQEND\n");
}
std::string TwoBillionDeclared() {
    return EntitiesFile(
        "0\nLWPOLYLINE\n90\n2000000000\n10\n1\n20\n2\n10\n3\n20\n4\n10\n5\n20\n6\n");
}
std::string MegabyteLayerName() {
    const std::string name(1 << 20, 'N');
    return EntitiesFile(LineOnLayer(name, 0, 0) + LineOnLayer(name, 5, 5));
}
std::string MillionLayers() {
    return EntitiesFile(
        Repeat(kMillion, [](auto i) { return LineOnLayer("Layer" + std::to_string(i), i, 0); }));
}

// A drawing made here and what its map must hold: the numbers of objects (groups left out),
// layers and groups, the number of points of the last object and its first and last point, and a
// bound on how far the import may raise the peak memory (when not 0).
struct Generated {
    const char* name;
    std::string (*drawing)();
    std::size_t objects, layers, groups, points;
    std::int32_t x0, y0, x1, y1;
    std::uint64_t peakBound = 0;
};
using testing_support::PrintTo;

class HostileGenerated : public ::testing::TestWithParam<Generated> {};

TEST_P(HostileGenerated, IsReadWhole) {
    const Generated& c = GetParam();
    TempHome home;
    const Imported imported = ImportText(home, c.drawing());
    const auto objects = AllObjects(imported.map);
    ASSERT_EQ(objects.size(), c.objects);
    EXPECT_EQ(imported.map.layers.size(), c.layers);
    EXPECT_EQ(imported.map.objects.size() - objects.size(), c.groups);
    EXPECT_LE(kMeasureMemory && c.peakBound ? imported.peakGrowth : 0, c.peakBound)
        << "room for what came, only";
    if (!objects.empty()) {
        ASSERT_EQ(objects.back().points.size(), c.points);
        const auto xy = XY(objects.back());
        EXPECT_EQ((Points{xy.front(), xy.back()}), (Points{{c.x0, c.y0}, {c.x1, c.y1}}));
    }
}

const auto kM = static_cast<std::size_t>(kMillion);
const auto kL = static_cast<std::size_t>(kLevels);
const std::int32_t kM1 = kMillion - 1;
INSTANTIATE_TEST_SUITE_P(
    Drawings, HostileGenerated,
    ::testing::Values(
        Generated{"TenThousandBlocksEachInsertingThePrevious", ShiftedChain, 1, 1, 0, 2, 10'000, 0,
                  10'001, 1},
        Generated{"TenThousandBlocksOpenedInsideEachOther", OpenBlocks, 2, 2, 0, 2, 0, 0, 1, 1},
        Generated{"GroupTreesAThousandLevelsDeep", [] { return GroupChain(kLevels, kLevels); },
                  kL + 1, 1, kL, 2, 0, 0, 1, 1},
        Generated{"ChainOfTenThousandBlocksStopsAtTheBuiltInCap", ChainPastTheCap, 0, 1, 0, 0, 0, 0,
                  0, 0},
        Generated{"AMillionBlocksAndAMillionInserts", MillionBlocks, kM, 1, 0, 2, kM1, 7, kMillion,
                  8},
        Generated{"APolylineOfAMillionVertices", MillionVertices, 1, 2, 0, kM, 0, 0, kM1, -kM1},
        Generated{"AnLwPolylineDeclaringTwoBillionVertices", TwoBillionDeclared, 1, 1, 0, 3, 1, 2,
                  5, 6, std::uint64_t{64} << 20},
        // Both lines on one layer beside layer 0.
        Generated{"ALayerNameOfAMegabyte", MegabyteLayerName, 2, 2, 0, 2, 5, 5, 6, 6},
        Generated{"AMillionLayers", MillionLayers, kM, kM + 1, 0, 2, kM1, 0, kMillion, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(HostileImport, AValueLineOfAHundredMegabytes) {
    // Written piece by piece, so that the test itself never holds the long line.
    constexpr std::size_t kLine = 100u << 20;
    TempHome home;
    const fs::path path = home.Path() / "long-line.dxf";
    {
        std::ofstream out(path, std::ios::binary);
        out << "0\nSECTION\n2\nENTITIES\n999\n";
        const std::string chunk(1 << 20, 'x');
        for (std::size_t written = 0; written < kLine; written += chunk.size())
            out << chunk;
        out << "\n" << LineOnLayer("After", 3, 4) << "0\nENDSEC\n0\nEOF\n";
    }
    const Imported imported = ImportPath(path);
    EXPECT_EQ(PointRuns(imported.map), (std::vector<Points>{{{3, 4}, {4, 5}}}));
    EXPECT_LT(kMeasureMemory ? imported.peakGrowth : 0, 4 * kLine)
        << "a few times the line at most";
}

TEST(HostileImport, BinaryGarbageIsReadWithoutACrash) {
    std::mt19937 random(20240613);
    std::string garbage(8u << 20, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    // The same bytes, once bare and once behind the signature of a binary DXF file.
    TempHome home;
    ImportText(home, garbage);
    ImportText(home, std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + garbage);
}

TEST(HostileImport, PathsThatCannotBeReadAreRefusedWithTheMessage) {
    TempHome home;
    const fs::path folder = home.Path() / "a folder.dxf";
    fs::create_directory(folder);
    for (const fs::path& path : {folder, home.Path() / "missing.dxf", fs::path()}) {
        SCOPED_TRACE(path);
        MapWindow map;
        MessageBoxes boxes;
        EXPECT_EQ(DXFFileImport(map.Handle(), path.c_str(), 0, nullptr), 0);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        const auto& box = boxes.Shown()[0];
        EXPECT_EQ(box.caption + ": " + box.text, "DXF Import: File Opening Problems");
        EXPECT_EQ(box.owner, map.Handle());
        EXPECT_TRUE(map.Snapshot().objects.empty());
        EXPECT_EQ(map.Snapshot().layers.size(), 1u);
    }
}

TEST(HostileImport, APipeIsReadToItsEnd) {
    // A pipe has no length and no position: progress has nothing to divide by.
    TempHome home;
    const fs::path pipe = home.Path() / "drawing.pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string drawing =
        EntitiesFile(Repeat(1000, [](auto i) { return LineOnLayer("Piped", i, i); }));
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << drawing; });
    const Imported imported = ImportPath(pipe);
    writer.join();
    EXPECT_EQ(AllObjects(imported.map).size(), 1000u);
}

} // namespace
