// dxfcnv render, dxfcnv import --svg and dxfcnv export to GeoJSON, run as programs: the files
// they write, their exit status and their messages.
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

constexpr const char* kMapDocument = R"({"format": "vexa-map", "version": 1, "unitId": 0,
"objectsRect": null, "currentLayer": 1, "textBase": 0,
"page": {"origin": [0, 0], "extent": [0, 0]},
"layers": [
{"number": 1, "name": "Roads", "attributes": [0, 0, 0, 0, 0, 0], "visible": true,
 "editable": true, "objects": [
  {"id": 1, "type": "polyline", "points": [[0, 0], [100, 50]]},
  {"id": 2, "type": "arc", "center": [0, 0], "radius": 10, "startAngle": 0, "endAngle": 90}]},
{"number": 2, "name": "Labels", "attributes": [0, 0, 0, 0, 0, 0], "visible": true,
 "editable": true, "objects": [
  {"id": 3, "type": "text", "text": "Mill Road", "position": [10, 20], "font": "Arial",
   "size": 40, "style": 0, "color": 0, "rotation": 0, "oblique": 0, "flags": 24}]}
], "groups": []})";

void WriteMap(const TempHome& home) {
    testing_support::WriteFile(home.Path(), "map.json", kMapDocument);
}

bool HasTemporaryFiles(const fs::path& folder) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().find(".tmp-") != std::string::npos) {
            return true;
        }
    }
    return false;
}

TEST(RenderCli, DrawsEveryLayerIntoTheFile) {
    TempHome home;
    WriteMap(home);
    const CliRun run = RunCli(home, "render map.json -o map.svg --width 300");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string svg = ReadText(home.Path() / "map.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_NE(svg.find("width=\"300\""), std::string::npos);
    EXPECT_NE(svg.find("<g id=\"layer-Roads\""), std::string::npos);
    EXPECT_NE(svg.find("<g id=\"layer-Labels\""), std::string::npos);
    EXPECT_NE(svg.find("d=\"M0 0 100 -50\""), std::string::npos);
    // The host's text height: 0.4 times PointSizeToMap of size 40 is 40 map units of capitals.
    EXPECT_NE(svg.find("font-size=\"55.866\""), std::string::npos) << svg;
    EXPECT_FALSE(HasTemporaryFiles(home.Path()));
}

TEST(RenderCli, LayersOptionAndStandardOutput) {
    TempHome home;
    WriteMap(home);
    const CliRun run = RunCli(home, "render map.json --layers Labels -o -");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("layer-Labels"), std::string::npos);
    EXPECT_EQ(run.out.find("layer-Roads"), std::string::npos);
    EXPECT_NE(run.out.find("</svg>"), std::string::npos);
}

TEST(RenderCli, RefusesBadCommandLinesAndMaps) {
    TempHome home;
    WriteMap(home);
    testing_support::WriteFile(home.Path(), "broken.json", "{\"format\": ");
    const struct {
        const char* arguments;
        int exitCode;
        const char* message;
    } cases[] = {
        {"render map.json", 2, "missing -o FILE.svg"},
        {"render -o x.svg", 2, "missing map document"},
        {"render map.json -o x.svg --width 0", 2, "--width takes a whole number"},
        {"render map.json -o x.svg --width 12px", 2, "--width takes a whole number"},
        {"render map.json -o x.svg --layers Roads,Rivers,X", 2, "no layer named Rivers, X"},
        {"render map.json -o x.svg --colour red", 2, "unknown option --colour"},
        {"render broken.json -o x.svg", 2, "broken.json: "},
        {"render missing.json -o x.svg", 2, "missing.json: "},
        {"render map.json -o no/such/folder/x.svg", 1, "no/such/folder/x.svg: "},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(home, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << ": " << run.err;
        EXPECT_EQ(run.err.rfind(std::string("dxfcnv render: "), 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.message), std::string::npos) << c.arguments << ": " << run.err;
    }
    EXPECT_FALSE(fs::exists(home.Path() / "x.svg"));
    EXPECT_FALSE(HasTemporaryFiles(home.Path()));
}

TEST(RenderCli, ImportDrawsTheImportedMap) {
    TempHome home;
    testing_support::WriteFile(
        home.Path(), "line.dxf",
        testing_support::EntitiesFile(testing_support::Dxf(
            {{0, "LINE"}, {8, "A"}, {10, "0"}, {20, "0"}, {11, "5"}, {21, "5"}})));
    const CliRun run = RunCli(home, "import line.dxf --svg line.svg --quiet");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const std::string svg = ReadText(home.Path() / "line.svg");
    EXPECT_NE(svg.find("<g id=\"layer-A\""), std::string::npos) << svg;
    EXPECT_NE(svg.find("d=\"M0 0 5 -5\""), std::string::npos) << svg;

    const CliRun unwritable = RunCli(home, "import line.dxf --svg no/folder/line.svg --quiet");
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("dxfcnv import: no/folder/line.svg: "), std::string::npos);
}

TEST(RenderCli, ExportChoosesGeoJsonByTheExtensionWithoutTheModule) {
    TempHome home;
    WriteMap(home);
    // The module named here does not exist: GeoJSON is written by dxfcnv itself.
    const CliRun run = RunCli(home, "--module /nonexistent/dxf.cnv export map.json -o map.GeoJSON");
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const auto collection = nlohmann::json::parse(ReadText(home.Path() / "map.GeoJSON"));
    ASSERT_EQ(collection["features"].size(), 3u);
    EXPECT_EQ(collection["features"][0]["geometry"]["type"], "LineString");
    EXPECT_EQ(collection["features"][2]["properties"]["text"], "Mill Road");

    const CliRun broken = RunCli(home, "export missing.json -o map.geojson");
    EXPECT_EQ(broken.exitCode, 2);
    EXPECT_NE(broken.err.find("dxfcnv export: missing.json: "), std::string::npos) << broken.err;
}

} // namespace
