// Hostile drawings through the whole import, as the host calls it (DXFFileImport on a stand-in
// map): truncated, enormous, deeply nested, not DXF at all. Each must end (a hang is CTest's time
// limit) with result 1 (0 only for a path that cannot be opened) and leave a map whose layers and
// groups hold together. The drawings are generated here; the small ones (codes and coordinates
// past 32 bits, an empty file) are in cases/hostile.txt, the nesting bomb in
// insert_limits_test.cpp.
//
// Sanitizer and coverage builds run the cases of a million items at a tenth of their size
// (kScale); the ordinary build runs them in full.
#include "blocks_dxf.h"
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <sstream>
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

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// The peak resident memory of the process so far, in bytes.
std::uint64_t PeakMemory() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

struct Imported {
    std::int32_t result = -1;
    std::uint64_t peakGrowth = 0; // how far the import raised the peak resident memory
    std::size_t boxes = 0;
    standin::MapSnapshot map;
};

// Imports the file at `path` into a fresh map, read whole: result 1, no box, references hold.
Imported ImportPath(const fs::path& path) {
    MapWindow map;
    MessageBoxes boxes;
    Imported imported;
    const std::uint64_t peakBefore = PeakMemory();
    imported.result = DXFFileImport(map.Handle(), path.c_str(), 0, nullptr);
    imported.peakGrowth = PeakMemory() - peakBefore;
    imported.boxes = boxes.Shown().size();
    imported.map = standin::Snapshot(map.Handle());
    EXPECT_EQ(imported.result, 1);
    EXPECT_EQ(imported.boxes, 0u);
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

std::string B(std::size_t i) {
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

// A drawing made here and what its map must hold: the count of objects (groups left out), the
// first and last point of the last object and its number of points, the numbers of layers and
// groups (when not 0), and a bound on how far the import may raise the peak memory (when not 0).
struct Generated {
    const char* name;
    std::function<std::string()> drawing;
    std::size_t objects;
    Points ends;
    std::size_t points = 2;
    std::size_t layers = 0;
    std::size_t groups = 0;
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
    if (!c.ends.empty()) {
        ASSERT_EQ(objects.back().points.size(), c.points);
        const auto xy = XY(objects.back());
        EXPECT_EQ((Points{xy.front(), xy.back()}), c.ends);
    }
    EXPECT_EQ(c.layers ? imported.map.layers.size() : 0, c.layers);
    EXPECT_EQ(c.groups ? imported.map.objects.size() - objects.size() : 0, c.groups);
    EXPECT_LE(kMeasureMemory && c.peakBound ? imported.peakGrowth : 0, c.peakBound)
        << "room for what came, only";
}

constexpr std::int32_t kMillion = 1'000'000 / static_cast<std::int32_t>(kScale);
const int kLevels = kScale > 1 ? 300 : 1000;

INSTANTIATE_TEST_SUITE_P(
    Drawings, HostileGenerated,
    ::testing::Values(
        // B0 holds a line from (0, 0) to (1, 1); Bi inserts B(i-1) at (1, 0), so B9999 holds it
        // shifted 9999 to the right, and the INSERT of B9999 at (1, 0) shifts it once more.
        Generated{"TenThousandBlocksEachInsertingThePrevious",
                  [] {
                      std::string blocks = Block("B0", "0", "0", LineEntity("0", "0", "1", "1"));
                      for (std::size_t i = 1; i < 10'000; ++i)
                          blocks += Block(B(i), "0", "0", Insert(B(i - 1), "1", "0"));
                      return Drawing(blocks, Insert("B9999", "1", "0"));
                  },
                  1,
                  {{10'000, 0}, {10'001, 1}}},
        // No ENDBLK anywhere: every BLOCK starts while the previous one is still open, and each
        // holds its own line only.
        Generated{"TenThousandBlocksOpenedInsideEachOther",
                  [] {
                      std::string blocks;
                      for (int i = 0; i < 10'000; ++i)
                          blocks += "0\nBLOCK\n2\nN" + std::to_string(i) + "\n10\n0\n20\n0\n" +
                                    LineOnLayer("L", i, 0);
                      return Drawing(blocks, Insert("N9999", "0", "0") + Insert("N0", "0", "0"));
                  },
                  2,
                  {{0, 0}, {1, 1}}},
        // Bi holds a line of its own, then an INSERT of B(i-1): the line takes the block's slot
        // first, so the copy joins a new group beside it and the copy of Bi is a tree of groups
        // i levels deep with i + 1 lines.
        Generated{"GroupTreesAThousandLevelsDeep",
                  [] {
                      std::string blocks = Block("B0", "0", "0", LineEntity("0", "0", "1", "1"));
                      for (int i = 1; i <= kLevels; ++i)
                          blocks +=
                              Block(B(i), "0", "0",
                                    LineEntity("0", std::to_string(i), "1", std::to_string(i)) +
                                        Insert(B(i - 1), "0", "0"));
                      return Drawing(blocks, Insert(B(kLevels), "0", "0"));
                  },
                  static_cast<std::size_t>(kLevels) + 1,
                  {},
                  2,
                  0,
                  static_cast<std::size_t>(kLevels)},
        // Lookups by name must stay cheap however many blocks there are: each INSERT names a
        // different block, the last ones those defined last.
        Generated{"AMillionBlocksAndAMillionInserts",
                  [] {
                      std::string blocks, inserts;
                      for (std::int32_t i = 0; i < kMillion; ++i) {
                          blocks +=
                              Block("Block" + std::to_string(i), "0", "0", LineOnLayer("", 0, 0));
                          inserts += Insert("Block" + std::to_string(i), std::to_string(i), "7");
                      }
                      return Drawing(blocks, inserts);
                  },
                  static_cast<std::size_t>(kMillion),
                  {{kMillion - 1, 7}, {kMillion, 8}}},
        Generated{"APolylineOfAMillionVertices",
                  [] {
                      std::string body = "0\nPOLYLINE\n8\nLong\n66\n1\n";
                      for (std::int32_t i = 0; i < kMillion; ++i)
                          body += "0\nVERTEX\n10\n" + std::to_string(i) + "\n20\n" +
                                  std::to_string(-i) + "\n";
                      return EntitiesFile(body + "0\nSEQEND\n");
                  },
                  1,
                  {{0, 0}, {kMillion - 1, 1 - kMillion}},
                  static_cast<std::size_t>(kMillion)},
        Generated{
            "AnLwPolylineDeclaringTwoBillionVertices",
            [] {
                return EntitiesFile(
                    "0\nLWPOLYLINE\n90\n2000000000\n10\n1\n20\n2\n10\n3\n20\n4\n10\n5\n20\n6\n");
            },
            1,
            {{1, 2}, {5, 6}},
            3,
            0,
            0,
            std::uint64_t{64} << 20},
        // Both lines on one layer beside layer 0.
        Generated{"ALayerNameOfAMegabyte",
                  [] {
                      const std::string name(1 << 20, 'N');
                      return EntitiesFile(LineOnLayer(name, 0, 0) + LineOnLayer(name, 5, 5));
                  },
                  2,
                  {{5, 5}, {6, 6}},
                  2,
                  2},
        Generated{"AMillionLayers",
                  [] {
                      std::string body;
                      for (std::int32_t i = 0; i < kMillion; ++i)
                          body += LineOnLayer("Layer" + std::to_string(i), i, 0);
                      return EntitiesFile(body);
                  },
                  static_cast<std::size_t>(kMillion),
                  {{kMillion - 1, 0}, {kMillion, 1}},
                  2,
                  static_cast<std::size_t>(kMillion) + 1}),
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

// Every numeric group of every imported entity, given each value that is no finite number.
TEST(HostileImport, NanAndInfinityWhereverANumberGoes) {
    const std::vector<std::pair<std::string, std::string>> entities = {
        {"LINE", "10 1 20 2 30 0 11 3 21 4 31 0"},
        {"ARC", "10 1 20 2 30 0 40 3 50 0 51 90"},
        {"CIRCLE", "10 1 20 2 30 0 40 3"},
        {"POINT", "10 1 20 2 30 0"},
        {"TEXT", "10 1 20 2 30 0 40 2.5 50 30 51 10 11 5 21 6 1 T"},
        {"LWPOLYLINE", "90 2 10 1 20 2 10 3 20 4"},
        {"INSERT", "2 K 10 1 20 2 30 0 41 2 42 2 43 1 50 45"},
        {"VERTEX", "10 1 20 2 30 0"}, // inside a POLYLINE, below
    };
    std::string body;
    std::size_t cases = 0;
    for (const auto& [keyword, text] : entities) {
        std::vector<Group> groups;
        std::istringstream in(text);
        for (Group group; in >> group.first >> group.second;)
            groups.push_back(group);
        for (std::size_t g = 0; g < groups.size(); ++g) {
            for (const char* value :
                 {"nan", "-nan", "inf", "-inf", "infinity", "1e309", "-1e309", "NaN(123)"}) {
                if (groups[g].first == 1 || groups[g].first == 2)
                    continue;
                std::vector<Group> entity = groups;
                entity[g].second = value;
                // Each on a layer of its own, so that nothing it makes lands on the sentinel's.
                body += keyword == "VERTEX" ? "0\nPOLYLINE\n8\nHostile\n0\nVERTEX\n" + Dxf(entity) +
                                                  "0\nVERTEX\n10\n0\n20\n0\n0\nSEQEND\n"
                                            : "0\n" + keyword + "\n8\nHostile\n" + Dxf(entity);
                body += LineOnLayer("Sentinel", 100, 100); // must come through every time
                ++cases;
            }
        }
    }
    TempHome home;
    const Imported imported =
        ImportText(home, Drawing(Block("K", "0", "0", LineOnLayer("", 0, 0)), body));
    const standin::Layer* sentinel = FindLayer(imported.map, "Sentinel");
    ASSERT_NE(sentinel, nullptr);
    EXPECT_EQ(sentinel->objects.size(), cases);
    // What a value that is no number would become through an unchecked conversion.
    for (const standin::Object& object : AllObjects(imported.map)) {
        for (const MAP3D_COORDPT& point : object.points)
            EXPECT_TRUE(point.x != kInt32Min && point.y != kInt32Min) << object.id;
        EXPECT_NE(object.center.x, kInt32Min);
        EXPECT_NE(object.radius, kInt32Min);
        EXPECT_NE(object.position.x, kInt32Min);
        EXPECT_NE(object.size, kInt32Min);
        EXPECT_NE(object.rotation, kInt32Min);
    }
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
        EXPECT_EQ(boxes.Shown()[0].text, "File Opening Problems");
        EXPECT_EQ(boxes.Shown()[0].caption, "DXF Import");
        EXPECT_EQ(boxes.Shown()[0].owner, map.Handle());
        EXPECT_TRUE(map.Snapshot().objects.empty());
        EXPECT_EQ(map.Snapshot().layers.size(), 1u);
    }
}

TEST(HostileImport, APipeIsReadToItsEnd) {
    // A pipe has no length and no position: progress has nothing to divide by.
    TempHome home;
    const fs::path pipe = home.Path() / "drawing.pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    std::string body;
    for (int i = 0; i < 1000; ++i)
        body += LineOnLayer("Piped", i, i);
    const std::string drawing = EntitiesFile(body);
    std::thread writer([&] { std::ofstream(pipe, std::ios::binary) << drawing; });
    const Imported imported = ImportPath(pipe);
    writer.join();
    EXPECT_EQ(AllObjects(imported.map).size(), 1000u);
}

} // namespace
