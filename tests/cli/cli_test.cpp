// The command-line host dxfcnv, run as a program: exit codes, messages, settings, imports into
// map documents and their summaries. Every run gets a configuration folder of its own.
#include "test_support.h"

#include "import/import_settings.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using namespace testing_support;

constexpr const char* kLineDxf = "0\nSECTION\n2\nENTITIES\n0\nLINE\n8\nA\n10\n0\n20\n0\n11\n5\n21\n"
                                 "5\n0\nENDSEC\n0\nEOF\n";

// A temporary folder holding the configuration folder (VEXA_HOME) and the files of one test.
class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "dxfcnv-cli-XXXXXX").string();
        folder_ = ::mkdtemp(pattern.data());
        fs::create_directory(folder_ / "home");
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(folder_, ignored);
    }

    fs::path File(const std::string& name) const { return folder_ / name; }

    fs::path WriteDxf(const std::string& name, const std::string& text) const {
        return testing_support::WriteFile(folder_, name, text);
    }

    // Runs dxfcnv with the arguments; extra entries ("NAME=value") join its environment.
    CliRun Run(const std::vector<std::string>& args,
               const std::vector<std::string>& extraEnvironment = {}) const {
        const fs::path out = folder_ / "stdout.txt";
        const fs::path err = folder_ / "stderr.txt";
        return WaitCli(StartCli(args, folder_ / "home", out, err, extraEnvironment), out, err);
    }

  private:
    fs::path folder_;
};

// The object counts of a layer's summary line (polyline, polygon, polyline3d, polygon3d, arc,
// text), found by the layer's name.
std::vector<std::string> SummaryRow(const std::string& summary, const std::string& name) {
    std::istringstream lines(summary);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string word; words >> word;) {
            row.push_back(word);
        }
        if (row.size() == 8 && row[1] == name) {
            return std::vector<std::string>(row.begin() + 2, row.end());
        }
    }
    return {};
}

// --- Help and usage --------------------------------------------------------------------------

TEST_F(CliTest, HelpListsTheCommandsAndEveryCommandAnswersHelp) {
    const CliRun help = Run({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* command : {"import", "settings", "show"}) {
        SCOPED_TRACE(command);
        EXPECT_NE(help.out.find(std::string("  ") + command), std::string::npos) << help.out;
        const CliRun commandHelp = Run({command, "--help"});
        EXPECT_EQ(commandHelp.exitCode, 0);
        EXPECT_TRUE(commandHelp.out.starts_with(std::string("usage: dxfcnv ") + command))
            << commandHelp.out;
        EXPECT_EQ(commandHelp.err, "");
    }
    // --help after a command wins over whatever else its line holds.
    const CliRun helpWins = Run({"import", "--map", "--bogus", "--help"});
    EXPECT_EQ(helpWins.exitCode, 0);
    EXPECT_TRUE(helpWins.out.starts_with("usage: dxfcnv import")) << helpWins.out;
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndOneLine) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"frobnicate"},
        {"--module"},
        {"--bogus", "show"},
        {"import"},
        {"import", "a.dxf", "--bogus"},
        {"import", "a.dxf", "--map"},
        {"show"},
        {"show", "a.json", "b.json"},
        {"options", "stray"},
        {"settings", "NoSuchSetting"},
        {"settings", "Multiplier", "abc"},
        {"settings", "Multiplier", "inf"},
        {"settings", "XOffset", "1.5"},
        {"settings", "XOffset", "2147483648"},
        {"settings", "IniFile", std::string(256, 'a')},
        {"settings", "UseBlock", "1", "2"},
    };
    for (const auto& args : cases) {
        std::string label;
        for (const std::string& arg : args) {
            label += arg.substr(0, 20) + ' ';
        }
        SCOPED_TRACE(label);
        const CliRun result = Run(args);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(result.err.empty());
        if (!args.empty()) {
            EXPECT_TRUE(IsOneLine(result.err)) << result.err;
        }
    }
}

TEST_F(CliTest, AModuleThatCannotBeLoadedIsAUsageError) {
    const fs::path dxf = WriteDxf("line.dxf", kLineDxf);
    const fs::path notAModule = WriteDxf("not-a-module.cnv", "plain text");
    const std::vector<std::pair<std::vector<std::string>, std::vector<std::string>>> cases = {
        {{"--module", "/no/such/dxf.cnv", "import", dxf.string()}, {}},
        {{"import", dxf.string(), "--module", notAModule.string()}, {}},
        {{"import", dxf.string()}, {"DXFCNV_MODULE=/no/such/dxf.cnv"}},
    };
    for (const auto& [args, environment] : cases) {
        SCOPED_TRACE(args.front());
        const CliRun result = Run(args, environment);
        EXPECT_EQ(result.exitCode, 2);
        EXPECT_TRUE(IsOneLine(result.err)) << result.err;
        EXPECT_NE(result.err.find("module"), std::string::npos) << result.err;
    }
}

// --- Import ----------------------------------------------------------------------------------

TEST_F(CliTest, AMissingDxfFileFailsWithTheModulesMessage) {
    const CliRun result = Run({"import", File("missing.dxf").string()});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("DXF Import: File Opening Problems"), std::string::npos)
        << result.err;
    EXPECT_EQ(result.out, "");
}

TEST_F(CliTest, ImportPrintsTheSummaryAndSavesAMapThatShowPrintsAgain) {
    const fs::path dxf = WriteDxf("line.dxf", kLineDxf);
    const std::string map = File("map.json").string();
    const CliRun imported = Run({"import", dxf.string(), "--map", map});
    ASSERT_EQ(imported.exitCode, 0) << imported.err;
    EXPECT_EQ(SummaryRow(imported.out, "A"),
              (std::vector<std::string>{"1", "0", "0", "0", "0", "0"}))
        << imported.out;
    EXPECT_NE(imported.out.find("groups: 0"), std::string::npos) << imported.out;

    const CliRun shown = Run({"show", map});
    EXPECT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.out, imported.out);

    // A second import goes into the saved map.
    const CliRun again = Run({"import", dxf.string(), "--map", map, "--quiet"});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(again.out, "");
    EXPECT_EQ(SummaryRow(Run({"show", map}).out, "A"),
              (std::vector<std::string>{"2", "0", "0", "0", "0", "0"}));
}

TEST_F(CliTest, ImportUsesTheStoredSettings) {
    ASSERT_EQ(Run({"settings", "Multiplier", "2"}).exitCode, 0);
    ASSERT_EQ(Run({"settings", "XOffset", "100"}).exitCode, 0);
    const fs::path dxf = WriteDxf("line.dxf", kLineDxf);
    const CliRun result = Run({"import", dxf.string(), "--map", File("map.json").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const Json document = Json::parse(ReadText(File("map.json")));
    Json points;
    for (const Json& layer : document["layers"]) {
        if (layer["name"] == "A") {
            points = layer["objects"][0]["points"];
        }
    }
    EXPECT_EQ(points, Json::parse("[[100, 0], [110, 10]]"));
}

TEST_F(CliTest, TraceAndAttributesAddTheirOutputs) {
    const fs::path dxf = WriteDxf("line.dxf", kLineDxf);
    const fs::path csv = File("attributes.csv");
    const CliRun result =
        Run({"import", dxf.string(), "--trace", "--quiet", "--attributes", csv.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.err.find("map_polyline_Create("), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(csv));
    // No terminal: no progress bar on stderr.
    EXPECT_EQ(result.err.find('\r'), std::string::npos);
}

// --- Settings --------------------------------------------------------------------------------

TEST_F(CliTest, SettingsAreStoredAndReadBackWithTheirTypes) {
    struct Case {
        const char* name;
        const char* value;
        const char* readBack;
    };
    const Case cases[] = {
        {"Multiplier", "1e3", "1000"},
        {"ZOffset", "2147483647", "2147483647"},
        {"group polylines after seqend", "0", "0"},
        {"IniFile", "/tmp/my layers.ini", "/tmp/my layers.ini"},
        {"FontSize", "-12", "-12"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun set = Run({"settings", c.name, c.value});
        EXPECT_EQ(set.exitCode, 0) << set.err;
        const CliRun get = Run({"settings", c.name});
        EXPECT_EQ(get.exitCode, 0) << get.err;
        EXPECT_EQ(get.out, std::string(c.readBack) + "\n");
    }
    const CliRun list = Run({"settings"});
    EXPECT_EQ(list.exitCode, 0);
    for (const char* line :
         {"Multiplier = 1000\n", "Group polylines after SEQEND = 0\n", "FontSize = -12\n",
          "UseBlock = 1 (default)\n", "YOffset = 0 (default)\n"}) {
        EXPECT_NE(list.out.find(line), std::string::npos) << line << list.out;
    }
}

// ExtendedEntities: stored by "settings", or turned on by --extended for one run without being
// stored. The classic import reads a binary DXF file as text and finds nothing: the CLI says so.
TEST_F(CliTest, ExtendedImportIsASettingOrAFlagForOneRun) {
    const std::string binary = DXFCNV_SOURCE_DIR "/tests/data/binary_r12.dxf";
    const std::string notRead = "binary_r12.dxf is a binary DXF file";
    const auto importBinary = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{"import", binary};
        args.insert(args.end(), extra.begin(), extra.end());
        return Run(args);
    };

    const CliRun classic = importBinary({});
    EXPECT_EQ(classic.exitCode, 0) << classic.err;
    EXPECT_NE(classic.err.find(notRead), std::string::npos) << classic.err;
    EXPECT_NE(classic.err.find("nothing was imported"), std::string::npos) << classic.err;
    EXPECT_NE(classic.out.find("objects: 0"), std::string::npos) << classic.out;
    const CliRun converted = Run({"convert", binary, File("out.dxf").string()});
    EXPECT_NE(converted.err.find(notRead), std::string::npos) << converted.err;

    const CliRun flagged = importBinary({"--extended"});
    EXPECT_EQ(flagged.exitCode, 0) << flagged.err;
    EXPECT_EQ(flagged.err, "");
    // The same drawing saved as text gives the same map.
    EXPECT_EQ(
        flagged.out,
        Run({"import", DXFCNV_SOURCE_DIR "/tests/data/binary_r12_text.dxf", "--extended"}).out);
    EXPECT_EQ(flagged.out.find("objects: 0"), std::string::npos) << flagged.out;
    EXPECT_EQ(Run({"settings", "ExtendedEntities"}).out, "0\n");
    EXPECT_NE(importBinary({}).err.find(notRead), std::string::npos);

    ASSERT_EQ(Run({"settings", "ExtendedEntities", "1"}).exitCode, 0);
    EXPECT_EQ(Run({"settings", "ExtendedEntities"}).out, "1\n");
    const CliRun stored = importBinary({});
    EXPECT_EQ(stored.err, "");
    EXPECT_EQ(stored.out, flagged.out);
}

std::string Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(' ') - first + 1));
}

// The cells after the name of each "name = value" line of a settings listing (separator '='),
// or of each "| name, name | type | default | effect |" row of the README (separator '|').
std::map<std::string, std::vector<std::string>> Rows(const std::string& text, char separator) {
    std::map<std::string, std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (separator == '|' && !line.starts_with("| "))
            continue;
        std::vector<std::string> cells;
        std::istringstream parts(separator == '|' ? line.substr(1) : line);
        for (std::string cell; std::getline(parts, cell, separator);)
            cells.push_back(Trim(cell));
        if (cells.size() < 2)
            continue;
        std::istringstream names(cells[0]);
        for (std::string name; std::getline(names, name, ',');)
            rows[Trim(name)] = std::vector<std::string>(cells.begin() + 1, cells.end());
    }
    return rows;
}

// The settings table gives what a fresh configuration lists and what the README's table says.
TEST_F(CliTest, AFreshConfigurationGivesTheDefaults) {
    const CliRun list = Run({"settings"});
    ASSERT_EQ(list.exitCode, 0);
    const auto listed = Rows(list.out, '=');
    const auto readme = Rows(ReadText(fs::path(DXFCNV_SOURCE_DIR) / "README.md"), '|');
    const char* typeNames[] = {"real", "integer", "text"};
    for (const SettingDefinition& setting : kImportSettings) {
        SCOPED_TRACE(setting.name);
        ASSERT_TRUE(listed.contains(setting.name) && readme.contains(setting.name));
        const std::string shown = listed.at(setting.name).at(0);
        ASSERT_TRUE(shown.ends_with(" (default)"));
        const std::string& documented = readme.at(setting.name).at(1);
        EXPECT_EQ(readme.at(setting.name).at(0), typeNames[static_cast<int>(setting.type)]);
        if (setting.type == SettingType::Text) {
            EXPECT_EQ(shown, std::string(setting.defaultText) + " (default)");
            EXPECT_EQ(documented, setting.defaultText);
        } else {
            EXPECT_EQ(std::stod(shown), setting.defaultNumber);
            EXPECT_EQ(std::stod(documented), setting.defaultNumber);
        }
    }
    for (const auto& [name, value] : {std::pair{"IniFile", "dxf.ini\n"}, {"FontSize", "10\n"}}) {
        const CliRun result = Run({"settings", name});
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, value) << name;
    }
}

} // namespace
