// Hostile drawings through the whole import, as the host calls it (DXFFileImport on a stand-in
// map): truncated, enormous, deeply nested, out of range, not DXF at all. Each must end (a hang
// is CTest's time limit) with result 1 (0 only for a path that cannot be opened) and leave a map
// whose layers and groups hold together. The drawings are generated here, not kept as files.
// The nesting bomb is defused in insert_limits_test.cpp.
//
// Sanitizer and coverage builds run the cases of a million items at a tenth of their size
// (kScale); the ordinary build runs them in full.
#include "blocks_dxf.h"
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <limits>
#include <random>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unordered_set>

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
using export_support::MessageBoxes;

#if defined(DXFCNV_HOSTILE_SANITIZED)
constexpr std::size_t kScale = 10;
constexpr bool kMeasureMemory = false; // the sanitizer's own memory hides the import's
#else
constexpr std::size_t kScale = 1;
constexpr bool kMeasureMemory = true;
#endif

constexpr std::int32_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kInt32Max = std::numeric_limits<std::int32_t>::max();

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

// Imports the file at `path` into `map`. A hang is left to CTest's time limit; speed is the
// benchmark's.
Imported ImportPath(HWND map, const fs::path& path) {
    MessageBoxes boxes;
    Imported imported;
    const std::uint64_t peakBefore = PeakMemory();
    imported.result = DXFFileImport(map, path.c_str(), 0, nullptr);
    imported.peakGrowth = PeakMemory() - peakBefore;
    imported.boxes = boxes.Shown().size();
    imported.map = standin::Snapshot(map);
    return imported;
}

Imported ImportText(const TempHome& home, std::string_view dxf) {
    MapWindow map;
    return ImportPath(map.Handle(), WriteFile(home.Path(), "hostile.dxf", dxf));
}

// Every layer's objects and every group's members are objects of the map.
bool ReferencesHold(const standin::MapSnapshot& map) {
    std::unordered_set<standin::ObjectId> ids;
    for (const standin::Object& object : map.objects)
        ids.insert(object.id);
    for (const standin::Layer& layer : map.layers) {
        if (!std::all_of(layer.objects.begin(), layer.objects.end(),
                         [&](standin::ObjectId id) { return ids.contains(id); }))
            return false;
    }
    for (const standin::Object& object : map.objects) {
        if (!std::all_of(object.members.begin(), object.members.end(),
                         [&](standin::ObjectId id) { return ids.contains(id); }))
            return false;
    }
    return true;
}

void ExpectReadWhole(const Imported& imported) {
    EXPECT_EQ(imported.result, 1);
    EXPECT_EQ(imported.boxes, 0u);
    EXPECT_TRUE(ReferencesHold(imported.map));
}

std::size_t CountOf(const standin::MapSnapshot& map, standin::ObjectKind kind) {
    return static_cast<std::size_t>(
        std::count_if(map.objects.begin(), map.objects.end(),
                      [kind](const standin::Object& object) { return object.kind == kind; }));
}

std::string LineOnLayer(const std::string& layer, std::int64_t x, std::int64_t y) {
    return blocks_dxf::LineEntity(std::to_string(x), std::to_string(y), std::to_string(x + 1),
                                  std::to_string(y + 1), layer);
}

// --- Truncation -------------------------------------------------------------------------------

TEST(HostileImport, EveryPrefixOfTheSampleDrawingIsRead) {
    TempHome home;
    const std::string site = ReadText(fs::path(DXFCNV_SOURCE_DIR) / "samples" / "site.dxf");
    ASSERT_GT(site.size(), 1000u);
    const Imported whole = ImportText(home, site);
    ASSERT_EQ(whole.result, 1);
    const std::size_t wholeCount = AllObjects(whole.map).size();
    ASSERT_GT(wholeCount, 5u);

    const fs::path path = home.Path() / "prefix.dxf";
    std::size_t grown = 0;
    for (std::size_t length = 0; length <= site.size(); ++length) {
        WriteFile(home.Path(), "prefix.dxf", std::string_view(site).substr(0, length));
        MapWindow map;
        const Imported part = ImportPath(map.Handle(), path);
        ASSERT_EQ(part.result, 1) << "prefix of " << length << " bytes";
        ASSERT_EQ(part.boxes, 0u) << length;
        ASSERT_TRUE(ReferencesHold(part.map)) << length;
        // A cut can end an entity early, never add one: no prefix yields more than the whole.
        if (AllObjects(part.map).size() > wholeCount)
            ++grown;
    }
    EXPECT_EQ(grown, 0u);
}

// --- Blocks -----------------------------------------------------------------------------------

TEST(HostileImport, TenThousandBlocksEachInsertingThePrevious) {
    // B0 holds a line from (0, 0) to (1, 1); Bi inserts B(i-1) at (1, 0), so B9999 holds that
    // line shifted 9999 to the right, and the top-level INSERT of B9999 at (1, 0) shifts it once
    // more.
    using namespace blocks_dxf;
    constexpr int kBlocks = 10'000;
    std::string blocks = Block("B0", "0", "0", LineEntity("0", "0", "1", "1"));
    for (int i = 1; i < kBlocks; ++i)
        blocks +=
            Block("B" + std::to_string(i), "0", "0", Insert("B" + std::to_string(i - 1), "1", "0"));
    TempHome home;
    const Imported chain =
        ImportText(home, Drawing(blocks, Insert("B" + std::to_string(kBlocks - 1), "1", "0")));
    ExpectReadWhole(chain);
    const auto objects = AllObjects(chain.map);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(XY(objects[0]), (blocks_dxf::Points{{kBlocks, 0}, {kBlocks + 1, 1}}));
}

TEST(HostileImport, TenThousandBlocksOpenedInsideEachOther) {
    // No ENDBLK anywhere: every BLOCK starts while the previous one is still open.
    std::string blocks;
    for (int i = 0; i < 10'000; ++i)
        blocks +=
            "0\nBLOCK\n2\nN" + std::to_string(i) + "\n10\n0\n20\n0\n" + LineOnLayer("L", i, 0);
    TempHome home;
    const Imported nested =
        ImportText(home, blocks_dxf::Drawing(blocks, blocks_dxf::Insert("N9999", "0", "0") +
                                                         blocks_dxf::Insert("N0", "0", "0")));
    ExpectReadWhole(nested);
    EXPECT_TRUE(nested.map.objects.size() <= 2u) << "each block holds one line at most";
}

TEST(HostileImport, GroupTreesAThousandLevelsDeep) {
    // Bi holds a line of its own, then an INSERT of B(i-1): the line takes the block's slot
    // first, so the copy joins a new group beside it and the copy of Bi is a tree of groups i
    // levels deep with i + 1 lines.
    using namespace blocks_dxf;
    const int levels = kScale > 1 ? 300 : 1000;
    std::string blocks = Block("B0", "0", "0", LineEntity("0", "0", "1", "1"));
    for (int i = 1; i <= levels; ++i)
        blocks += Block("B" + std::to_string(i), "0", "0",
                        LineEntity("0", std::to_string(i), "1", std::to_string(i)) +
                            Insert("B" + std::to_string(i - 1), "0", "0"));
    TempHome home;
    const Imported deep =
        ImportText(home, Drawing(blocks, Insert("B" + std::to_string(levels), "0", "0")));
    ExpectReadWhole(deep);
    EXPECT_EQ(CountOf(deep.map, standin::ObjectKind::Group), static_cast<std::size_t>(levels));
    EXPECT_EQ(AllObjects(deep.map).size(), static_cast<std::size_t>(levels) + 1);
}

TEST(HostileImport, AMillionBlocksAndAMillionInserts) {
    // Lookups by name must stay cheap however many blocks there are: each INSERT names a
    // different block, the last ones those defined last.
    const std::size_t count = 1'000'000 / kScale;
    std::string blocks;
    std::string inserts;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "Block" + std::to_string(i);
        blocks += blocks_dxf::Block(name, "0", "0", LineOnLayer("", 0, 0));
        inserts += blocks_dxf::Insert(name, std::to_string(i), "7");
    }
    TempHome home;
    const Imported many = ImportText(home, blocks_dxf::Drawing(blocks, inserts));
    ExpectReadWhole(many);
    const auto objects = AllObjects(many.map);
    ASSERT_EQ(objects.size(), count);
    EXPECT_EQ(XY(objects.back()), (blocks_dxf::Points{{static_cast<std::int32_t>(count - 1), 7},
                                                      {static_cast<std::int32_t>(count), 8}}));
}

// --- Sizes ------------------------------------------------------------------------------------

// Writes the drawing piece by piece, so that the test itself never holds the long line.
fs::path WriteDrawingWithLongComment(const fs::path& folder, std::size_t lineBytes) {
    const fs::path path = folder / "long-line.dxf";
    std::ofstream out(path, std::ios::binary);
    out << "0\nSECTION\n2\nENTITIES\n999\n";
    const std::string chunk(1 << 20, 'x');
    for (std::size_t written = 0; written < lineBytes; written += chunk.size())
        out.write(chunk.data(),
                  static_cast<std::streamsize>(std::min(chunk.size(), lineBytes - written)));
    out << "\n" << LineOnLayer("After", 3, 4) << "0\nENDSEC\n0\nEOF\n";
    return path;
}

TEST(HostileImport, AValueLineOfAHundredMegabytes) {
    constexpr std::size_t kLine = 100u << 20;
    TempHome home;
    const fs::path path = WriteDrawingWithLongComment(home.Path(), kLine);
    MapWindow map;
    const Imported imported = ImportPath(map.Handle(), path);
    ExpectReadWhole(imported);
    const auto objects = AllObjects(imported.map);
    ASSERT_EQ(objects.size(), 1u) << "the LINE after the long line";
    EXPECT_EQ(XY(objects[0]), (blocks_dxf::Points{{3, 4}, {4, 5}}));
    if (kMeasureMemory) {
        EXPECT_LT(imported.peakGrowth, 4 * kLine) << "a few times the longest line at most";
    }
}

TEST(HostileImport, AnLwPolylineDeclaringTwoBillionVertices) {
    TempHome home;
    const Imported imported = ImportText(home, EntitiesFile(Dxf({{0, "LWPOLYLINE"},
                                                                 {90, "2000000000"},
                                                                 {10, "1"},
                                                                 {20, "2"},
                                                                 {10, "3"},
                                                                 {20, "4"},
                                                                 {10, "5"},
                                                                 {20, "6"}})));
    ExpectReadWhole(imported);
    const auto objects = AllObjects(imported.map);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(XY(objects[0]), (blocks_dxf::Points{{1, 2}, {3, 4}, {5, 6}}));
    if (kMeasureMemory) {
        EXPECT_LT(imported.peakGrowth, std::uint64_t{64} << 20) << "room for what came, only";
    }
}

TEST(HostileImport, APolylineOfAMillionVertices) {
    const std::int32_t count = 1'000'000 / static_cast<std::int32_t>(kScale);
    std::string body = "0\nPOLYLINE\n8\nLong\n66\n1\n";
    for (std::int32_t i = 0; i < count; ++i)
        body += "0\nVERTEX\n10\n" + std::to_string(i) + "\n20\n" + std::to_string(-i) + "\n";
    body += "0\nSEQEND\n";
    TempHome home;
    const Imported imported = ImportText(home, EntitiesFile(body));
    ExpectReadWhole(imported);
    const auto objects = AllObjects(imported.map);
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_EQ(objects[0].points.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(objects[0].points.back().x, count - 1);
    EXPECT_EQ(objects[0].points.back().y, 1 - count);
}

TEST(HostileImport, ALayerNameOfAMegabyte) {
    const std::string name(1 << 20, 'N');
    TempHome home;
    const Imported imported =
        ImportText(home, EntitiesFile(LineOnLayer(name, 0, 0) + LineOnLayer(name, 5, 5)));
    ExpectReadWhole(imported);
    const auto objects = AllObjects(imported.map);
    ASSERT_EQ(objects.size(), 2u);
    EXPECT_EQ(objects[0].layer, objects[1].layer) << "one layer for both lines";
    EXPECT_EQ(imported.map.layers.size(), 2u);
}

TEST(HostileImport, AMillionLayers) {
    const std::size_t count = 1'000'000 / kScale;
    std::string body;
    for (std::size_t i = 0; i < count; ++i)
        body += LineOnLayer("Layer" + std::to_string(i), 0, 0);
    TempHome home;
    const Imported imported = ImportText(home, EntitiesFile(body));
    ExpectReadWhole(imported);
    EXPECT_EQ(imported.map.layers.size(), count + 1);
    EXPECT_EQ(AllObjects(imported.map).size(), count);
}

// --- Numbers ----------------------------------------------------------------------------------

struct NumberCase {
    const char* name;
    std::string body; // ENTITIES content
    std::vector<blocks_dxf::Points> expected;
};

void PrintTo(const NumberCase& c, std::ostream* out) {
    *out << c.name;
}

class HostileNumbersTest : public ::testing::TestWithParam<NumberCase> {};

TEST_P(HostileNumbersTest, NothingWrapsAround) {
    TempHome home;
    const Imported imported = ImportText(home, EntitiesFile(GetParam().body));
    ExpectReadWhole(imported);
    EXPECT_EQ(PointRuns(imported.map), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, HostileNumbersTest,
    ::testing::Values(
        // 2^32 + 10 would be code 10 if it wrapped: the x would become 99.
        NumberCase{"CodeAboveThirtyTwoBits",
                   "0\nLINE\n10\n1\n4294967306\n99\n20\n2\n11\n3\n21\n4\n",
                   {{{1, 2}, {3, 4}}}},
        // -2^32 would be code 0 if it wrapped, ending the LINE before its end point.
        NumberCase{"NegativeCodeBelowThirtyTwoBits",
                   "0\nLINE\n10\n1\n20\n2\n-4294967296\nX\n11\n3\n21\n4\n",
                   {{{1, 2}, {3, 4}}}},
        NumberCase{"CodeOfThirtyDigits",
                   "0\nLINE\n999999999999999999999999999999\nLINE\n10\n5\n20\n6\n11\n7\n21\n8\n",
                   {{{5, 6}, {7, 8}}}},
        // 2^32 + 2 vertices would be two if the count wrapped.
        NumberCase{"VertexCountAboveThirtyTwoBits",
                   "0\nLWPOLYLINE\n90\n4294967298\n10\n1\n20\n1\n10\n2\n20\n2\n10\n3\n20\n3\n",
                   {{{1, 1}, {2, 2}, {3, 3}}}}),
    [](const auto& info) { return std::string(info.param.name); });

INSTANTIATE_TEST_SUITE_P(
    Coordinates, HostileNumbersTest,
    ::testing::Values(
        // 2^32 + 5 is no 32-bit map coordinate; wrapped it would be 5.
        NumberCase{"BeyondTheMap",
                   "0\nLINE\n10\n4294967301\n20\n0\n11\n1\n21\n1\n" + LineOnLayer("", 7, 7),
                   {{{7, 7}, {8, 8}}}},
        NumberCase{"JustInside",
                   "0\nLINE\n10\n2147483647.9\n20\n-2147483648.9\n11\n0\n21\n0\n",
                   {{{kInt32Max, kInt32Min}, {0, 0}}}},
        NumberCase{"OneBeyondEitherEnd",
                   "0\nLINE\n10\n2147483648\n20\n0\n11\n0\n21\n0\n"
                   "0\nLINE\n10\n0\n20\n-2147483649\n11\n0\n21\n0\n",
                   {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Every numeric group of every imported entity, given each value that is no finite number.
TEST(HostileImport, NanAndInfinityWhereverANumberGoes) {
    using blocks_dxf::Block;
    using blocks_dxf::Insert;
    const std::vector<std::pair<std::string, std::vector<Group>>> entities = {
        {"LINE", {{10, "1"}, {20, "2"}, {30, "0"}, {11, "3"}, {21, "4"}, {31, "0"}}},
        {"ARC", {{10, "1"}, {20, "2"}, {30, "0"}, {40, "3"}, {50, "0"}, {51, "90"}}},
        {"CIRCLE", {{10, "1"}, {20, "2"}, {30, "0"}, {40, "3"}}},
        {"POINT", {{10, "1"}, {20, "2"}, {30, "0"}}},
        {"TEXT",
         {{10, "1"},
          {20, "2"},
          {30, "0"},
          {40, "2.5"},
          {50, "30"},
          {51, "10"},
          {11, "5"},
          {21, "6"},
          {1, "T"}}},
        {"LWPOLYLINE", {{90, "2"}, {10, "1"}, {20, "2"}, {10, "3"}, {20, "4"}}},
        {"INSERT",
         {{2, "K"}, {10, "1"}, {20, "2"}, {30, "0"}, {41, "2"}, {42, "2"}, {43, "1"}, {50, "45"}}},
        {"VERTEX", {{10, "1"}, {20, "2"}, {30, "0"}}}, // inside a POLYLINE, below
    };
    const char* const values[] = {"nan",      "-nan",  "inf",    "-inf",
                                  "infinity", "1e309", "-1e309", "NaN(123)"};
    std::string body;
    std::size_t cases = 0;
    for (const auto& [keyword, groups] : entities) {
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (groups[g].first == 1 || groups[g].first == 2)
                continue;
            for (const char* value : values) {
                std::vector<Group> entity = groups;
                entity[g].second = value;
                // Each on a layer of its own, so that nothing it makes lands on the sentinel's.
                if (keyword == "VERTEX") {
                    body += "0\nPOLYLINE\n8\nHostile\n0\nVERTEX\n" + Dxf(entity) +
                            "0\nVERTEX\n10\n0\n20\n0\n0\nSEQEND\n";
                } else {
                    body += "0\n" + keyword + "\n8\nHostile\n" + Dxf(entity);
                }
                body += LineOnLayer("Sentinel", 100, 100); // must come through every time
                ++cases;
            }
        }
    }
    TempHome home;
    const Imported imported =
        ImportText(home, blocks_dxf::Drawing(Block("K", "0", "0", LineOnLayer("", 0, 0)), body));
    ExpectReadWhole(imported);
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

// --- Not a drawing ----------------------------------------------------------------------------

TEST(HostileImport, BinaryGarbageDoesNotCrash) {
    std::mt19937 random(20240613);
    std::string garbage(8u << 20, '\0');
    for (char& c : garbage)
        c = static_cast<char>(random());
    // The same bytes, once bare and once behind the signature of a binary DXF file.
    const std::string binaryDxf = std::string("AutoCAD Binary DXF\r\n\x1a\0", 22) + garbage;
    TempHome home;
    for (const std::string& text : {std::cref(garbage), std::cref(binaryDxf)}) {
        const Imported imported = ImportText(home, text);
        ExpectReadWhole(imported);
    }
}

TEST(HostileImport, AnEmptyFileLeavesTheMapAsItWas) {
    TempHome home;
    const Imported imported = ImportText(home, "");
    ExpectReadWhole(imported);
    EXPECT_TRUE(imported.map.objects.empty());
    ASSERT_EQ(imported.map.layers.size(), 1u);
    EXPECT_EQ(imported.map.layers[0].name, "0");
}

TEST(HostileImport, PathsThatCannotBeReadAreRefusedWithTheMessage) {
    TempHome home;
    const fs::path folder = home.Path() / "a folder.dxf";
    fs::create_directory(folder);
    for (const fs::path& path : {folder, home.Path() / "missing.dxf", fs::path()}) {
        SCOPED_TRACE(path);
        MapWindow map;
        const standin::MapSnapshot before = map.Snapshot();
        MessageBoxes boxes;
        EXPECT_EQ(DXFFileImport(map.Handle(), path.c_str(), 0, nullptr), 0);
        ASSERT_EQ(boxes.Shown().size(), 1u);
        EXPECT_EQ(boxes.Shown()[0].text, "File Opening Problems");
        EXPECT_EQ(boxes.Shown()[0].caption, "DXF Import");
        EXPECT_EQ(boxes.Shown()[0].owner, map.Handle());
        const standin::MapSnapshot after = map.Snapshot();
        EXPECT_EQ(after.layers.size(), before.layers.size());
        EXPECT_EQ(after.objects.size(), before.objects.size());
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
    MapWindow map;
    const Imported imported = ImportPath(map.Handle(), pipe);
    writer.join();
    ExpectReadWhole(imported);
    EXPECT_EQ(AllObjects(imported.map).size(), 1000u);
}

} // namespace
