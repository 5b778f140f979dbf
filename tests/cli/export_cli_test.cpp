// dxfcnv export and dxfcnv convert, run as programs: the files they write, their exit status and
// the messages of the module on stderr.
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace export_support;
using testing_support::CliRun;
using testing_support::MapWindow;
using testing_support::RunCli;
using testing_support::TempHome;

// A map of lines and areas saved as a map document in the home folder.
void SaveSampleMap(const TempHome& home, const std::string& name) {
    MapWindow map;
    MapBuilder()
        .Layer(2, "Roads")
        .Polyline({{0, 0}, {100, 0}, {100, 250}})
        .Layer(3, "Areas")
        .Polygon({{0, 0}, {50, 0}, {50, 50}, {0, 50}})
        .Into(map.Handle());
    std::string error;
    ASSERT_TRUE(standin::SaveMapDocument(map.Handle(), (home.Path() / name).string(), &error))
        << error;
}

TEST(CliExport, AnswersHelpForBothCommands) {
    TempHome home;
    for (const char* command : {"export", "convert"}) {
        const CliRun run = RunCli(home, std::string(command) + " --help");
        EXPECT_EQ(run.exitCode, 0) << command;
        EXPECT_EQ(run.out.rfind(std::string("usage: dxfcnv ") + command, 0), 0u) << run.out;
    }
    const CliRun overview = RunCli(home, "--help");
    EXPECT_NE(overview.out.find("  export "), std::string::npos) << overview.out;
    EXPECT_NE(overview.out.find("  convert "), std::string::npos);
}

TEST(CliExport, WritesTheSameFileAsTheModuleCalledDirectly) {
    TempHome home;
    SaveSampleMap(home, "map.json");
    const CliRun run = RunCli(home, "export map.json -o drawing.dxf");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    MapWindow map;
    std::string error;
    ASSERT_TRUE(
        standin::LoadMapDocument(map.Handle(), (home.Path() / "map.json").string(), &error));
    const Exported direct = ExportMap(home, map.Handle());
    EXPECT_EQ(ReadFileBytes(home.Path() / "drawing.dxf"), direct.bytes);
}

TEST(CliExport, UnwritableTargetGivesTheModuleMessageAndStatusOne) {
    TempHome home;
    SaveSampleMap(home, "map.json");
    const CliRun run = RunCli(home, "export map.json --output missing/drawing.dxf");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("DXF Export: File Opening Problems"), std::string::npos) << run.err;
}

TEST(CliExport, UsageErrorsGiveStatusTwo) {
    TempHome home;
    SaveSampleMap(home, "map.json");
    for (const char* arguments : {"export map.json", "export -o x.dxf", "export map.json -o",
                                  "export nothere.json -o x.dxf", "convert only.dxf",
                                  "convert a.dxf b.dxf c.dxf", "export map.json -o x.dxf --bad"}) {
        const CliRun run = RunCli(home, arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments << "\n" << run.err;
    }
    EXPECT_FALSE(fs::exists(home.Path() / "x.dxf"));
}

// The groups of the ENTITIES section by the layer of each entity, in file order.
std::map<std::string, std::vector<Group>> EntitiesByLayer(const std::vector<Group>& groups) {
    std::map<std::string, std::vector<Group>> byLayer;
    std::string layer;
    for (const auto& entity : SplitAtCodeZero(SectionBody(groups, "ENTITIES"))) {
        const auto names = ValuesOf(entity, 8);
        if (!names.empty())
            layer = names[0]; // SEQEND carries no layer: it stays with its POLYLINE
        auto& list = byLayer[layer];
        list.insert(list.end(), entity.begin(), entity.end());
    }
    return byLayer;
}

TEST(CliConvert, ExportedDrawingConvertsToTheSameEntities) {
    TempHome home;
    SaveSampleMap(home, "map.json");
    ASSERT_EQ(RunCli(home, "export map.json -o first.dxf").exitCode, 0);
    const CliRun run = RunCli(home, "convert first.dxf second.dxf");
    ASSERT_EQ(run.exitCode, 0) << run.err;

    std::vector<Group> first;
    std::vector<Group> second;
    ASSERT_TRUE(ParseGroups(ReadFileBytes(home.Path() / "first.dxf").value_or(""), first));
    ASSERT_TRUE(ParseGroups(ReadFileBytes(home.Path() / "second.dxf").value_or(""), second));
    // Import and export each reverse the objects of a layer, so the pair restores the order;
    // the import makes the layers in an order of its own, so they are matched by name.
    EXPECT_EQ(EntitiesByLayer(second), EntitiesByLayer(first));
    EXPECT_EQ(SectionBody(second, "HEADER"), SectionBody(first, "HEADER"));
}

TEST(CliConvert, MissingInputGivesTheImportMessageAndWritesNothing) {
    TempHome home;
    const CliRun run = RunCli(home, "convert absent.dxf out.dxf");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("DXF Import: File Opening Problems"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(home.Path() / "out.dxf"));
}

} // namespace
