// End to end over the real DXF corpus: every file imports, and for a few small files the map
// holds exactly the objects counted by reading the file.
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

TEST(Corpus, EveryFileImports) {
    const fs::path folder = CorpusFolder();
    if (folder.empty())
        GTEST_SKIP() << "the DXF corpus folder is not on this machine";
    std::size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".dxf")
            continue;
        ++files;
        TempHome home;
        MapWindow map;
        EXPECT_EQ(ImportDxf(home, map.Handle(), ReadText(entry.path())), 1)
            << entry.path().filename();
    }
    EXPECT_GT(files, 0u);
}

struct CorpusCase {
    const char* file;
    std::string counts; // polylines, polygons, arcs, texts
    friend void PrintTo(const CorpusCase& c, std::ostream* out) { *out << c.file; }
};

class CorpusCountsTest : public ::testing::TestWithParam<CorpusCase> {};

// A multiplier of 1000 keeps the small radii and coordinates of these drawings apart after
// truncation, so that no object degenerates.
TEST_P(CorpusCountsTest, ObjectsPerKindMatchTheFile) {
    const fs::path folder = CorpusFolder();
    if (folder.empty())
        GTEST_SKIP() << "the DXF corpus folder is not on this machine";
    TempHome home;
    SetSetting("Multiplier", 1000.0);
    MapWindow map;
    ASSERT_EQ(ImportDxf(home, map.Handle(), ReadText(folder / GetParam().file)), 1);
    std::map<standin::ObjectKind, int> counts;
    for (const standin::Object& object : AllObjects(map.Snapshot()))
        ++counts[object.kind];
    using standin::ObjectKind;
    EXPECT_EQ(std::to_string(counts[ObjectKind::Polyline]) + " " +
                  std::to_string(counts[ObjectKind::Polygon]) + " " +
                  std::to_string(counts[ObjectKind::Arc]) + " " +
                  std::to_string(counts[ObjectKind::Text]),
              GetParam().counts);
}

INSTANTIATE_TEST_SUITE_P(SmallFiles, CorpusCountsTest,
                         ::testing::Values(CorpusCase{"ac1003_lines_arcs.dxf", "13 0 9 0"},
                                           CorpusCase{"freecad020_edge_cuts.dxf", "4 2 4 0"},
                                           CorpusCase{"r12_cloudcompare_dxflib.dxf", "0 1 0 0"},
                                           CorpusCase{"r13_small_polylines.dxf", "13 3 0 0"},
                                           CorpusCase{"cadman_no_header.dxf", "8 0 0 0"}));

} // namespace
