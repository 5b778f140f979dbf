// End to end over the real DXF corpus: every file imports, and for a few small files the map
// holds exactly the objects counted by reading the file.
#include "test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// The objects per kind ("polylines polygons arcs texts") of a few small files. A multiplier of
// 1000 keeps the small radii and coordinates of these drawings apart after truncation, so that
// no object degenerates.
const std::map<std::string, std::string> kCounts = {{"ac1003_lines_arcs.dxf", "13 0 9 0"},
                                                    {"freecad020_edge_cuts.dxf", "4 2 4 0"},
                                                    {"r12_cloudcompare_dxflib.dxf", "0 1 0 0"},
                                                    {"r13_small_polylines.dxf", "13 3 0 0"},
                                                    {"cadman_no_header.dxf", "8 0 0 0"}};

TEST(Corpus, EveryFileImportsAndSmallOnesHoldTheirObjects) {
    const fs::path folder = CorpusFolder();
    if (folder.empty())
        GTEST_SKIP() << "the DXF corpus folder is not on this machine";
    std::size_t files = 0;
    std::size_t counted = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() != ".dxf")
            continue;
        ++files;
        const auto counts = kCounts.find(entry.path().filename().string());
        TempHome home;
        if (counts != kCounts.end())
            SetSetting("Multiplier", 1000.0);
        MapWindow map;
        EXPECT_EQ(ImportDxf(home, map.Handle(), ReadText(entry.path())), 1)
            << entry.path().filename();
        if (counts == kCounts.end())
            continue;
        ++counted;
        std::map<standin::ObjectKind, int> kinds;
        for (const standin::Object& object : AllObjects(map.Snapshot()))
            ++kinds[object.kind];
        using standin::ObjectKind;
        EXPECT_EQ(std::to_string(kinds[ObjectKind::Polyline]) + " " +
                      std::to_string(kinds[ObjectKind::Polygon]) + " " +
                      std::to_string(kinds[ObjectKind::Arc]) + " " +
                      std::to_string(kinds[ObjectKind::Text]),
                  counts->second)
            << counts->first;
    }
    EXPECT_GT(files, 0u);
    EXPECT_EQ(counted, kCounts.size());
}

} // namespace
