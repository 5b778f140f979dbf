// dxfcnv against files that are broken or written by two processes at once: corrupt and
// truncated map documents, settings, registry and layer-mapping files give one error line naming
// the file (for the settings and the registry: the defaults and one warning), never a crash; map
// documents and settings written by two dxfcnv processes at the same time are never torn.
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

#if defined(__SANITIZE_ADDRESS__) || defined(DXFCNV_COVERAGE_BUILD)
constexpr int kRounds = 6; // every process start costs the sanitizer's set-up
#else
constexpr int kRounds = 20;
#endif

// Runs of dxfcnv with their own configuration folder.
class Cli {
  public:
    explicit Cli(const fs::path& folder) : folder_(folder) { fs::create_directories(Home()); }
    fs::path Home() const { return folder_ / "home"; }

    // Starts dxfcnv; its output goes to files named after `tag`.
    pid_t Start(const std::vector<std::string>& args, const std::string& tag = "run") const {
        return StartCli(args, Home(), Output(tag, ".out"), Output(tag, ".err"));
    }
    CliRun Wait(pid_t child, const std::string& tag = "run") const {
        return WaitCli(child, Output(tag, ".out"), Output(tag, ".err"));
    }
    CliRun Run(const std::vector<std::string>& args) const { return Wait(Start(args)); }
    std::string Out(const std::string& tag = "run") const { return ReadText(Output(tag, ".out")); }

  private:
    fs::path Output(const std::string& tag, const char* extension) const {
        return folder_ / (tag + extension);
    }
    fs::path folder_;
};

std::string SampleDrawing() {
    return ReadText(fs::path(DXFCNV_SOURCE_DIR) / "samples" / "site.dxf");
}

// Whether the map document at `path` loads.
bool Loads(const fs::path& path, std::string* error = nullptr) {
    MapWindow map;
    return standin::LoadMapDocument(map.Handle(), path.string(), error);
}

std::vector<std::string> NamesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// --- Map documents ----------------------------------------------------------------------------

TEST(CliFaults, BrokenMapDocumentsGiveOneLineNamingTheFile) {
    TempHome home;
    const Cli cli(home.Path());
    const fs::path dxf = WriteFile(home.Path(), "site.dxf", SampleDrawing());
    const fs::path good = home.Path() / "good.json";
    ASSERT_EQ(cli.Run({"import", dxf.string(), "--map", good.string(), "--quiet"}).exitCode, 0);
    const std::string document = ReadText(good);
    ASSERT_TRUE(Loads(good));

    // Cut at spread places, and spoilt in ways a disk or an editor spoils files.
    std::vector<std::pair<std::string, std::string>> broken;
    for (std::size_t length = 0; length + 2 < document.size(); length += document.size() / 23)
        broken.emplace_back("cut at " + std::to_string(length), document.substr(0, length));
    std::string flipped = document;
    flipped[flipped.find('[')] = '{';
    broken.emplace_back("bracket flipped", flipped);
    broken.emplace_back("zeros", std::string(4096, '\0'));
    broken.emplace_back("not a map", "{\"format\": \"vexa-map\", \"version\": 2}");
    std::string numbers = document;
    numbers.replace(numbers.find("\"unitId\": ") + 10, 1, "1e999");
    broken.emplace_back("number beyond double", numbers);

    const fs::path path = home.Path() / "broken map.json";
    for (const auto& [what, text] : broken) {
        SCOPED_TRACE(what);
        WriteFile(home.Path(), "broken map.json", text);
        const CliRun shown = cli.Run({"show", path.string()});
        EXPECT_EQ(shown.exitCode, 2);
        EXPECT_TRUE(IsOneLine(shown.err)) << shown.err;
        EXPECT_NE(shown.err.find(path.string()), std::string::npos) << shown.err;
    }
    // Every command that reads a map document, on one broken document and on a folder.
    fs::create_directory(home.Path() / "folder.json");
    for (const fs::path& bad : {path, home.Path() / "folder.json"}) {
        const std::vector<std::vector<std::string>> commands = {
            {"import", dxf.string(), "--map", bad.string()},
            {"export", bad.string(), "-o", (home.Path() / "out.dxf").string()},
            {"render", bad.string(), "-o", (home.Path() / "out.svg").string()},
            {"show", bad.string()}};
        for (const auto& args : commands) {
            SCOPED_TRACE(args[0] + " " + bad.string());
            const CliRun result = cli.Run(args);
            EXPECT_EQ(result.exitCode, 2);
            EXPECT_TRUE(IsOneLine(result.err)) << result.err;
            EXPECT_NE(result.err.find(bad.string()), std::string::npos) << result.err;
        }
    }
    const fs::path missing = home.Path() / "missing.json";
    const CliRun shownMissing = cli.Run({"show", missing.string()});
    EXPECT_EQ(shownMissing.exitCode, 2);
    EXPECT_TRUE(IsOneLine(shownMissing.err)) << shownMissing.err;
    EXPECT_NE(shownMissing.err.find(missing.string()), std::string::npos) << shownMissing.err;
    EXPECT_EQ(ReadText(path), broken.back().second) << "a broken map is never written over";
    EXPECT_FALSE(fs::exists(home.Path() / "out.dxf"));
    EXPECT_FALSE(fs::exists(home.Path() / "out.svg"));
}

// --- Settings, registry, layer mapping -------------------------------------------------------

struct ConfigCase {
    const char* what;
    const char* file;    // in the configuration folder
    std::string content; // unusable
    const char* setting; // read through dxfcnv settings NAME
    const char* defaultValue;
};

void PrintTo(const ConfigCase& c, std::ostream* out) {
    *out << c.what;
}

class BrokenConfigTest : public ::testing::TestWithParam<ConfigCase> {};

TEST_P(BrokenConfigTest, GivesTheDefaultsAndOneWarningNamingTheFile) {
    TempHome home;
    const Cli cli(home.Path());
    const ConfigCase& c = GetParam();
    const fs::path dxf =
        WriteFile(home.Path(), "points.dxf",
                  EntitiesFile("0\nPOINT\n10\n1\n20\n2\n0\nLINE\n10\n0\n20\n0\n11\n1\n21\n"
                               "1\n"));
    const fs::path aside = cli.Home() / (std::string(c.file) + ".corrupt");
    // Each command meets the broken file afresh: a write of the store (the import writes the
    // point symbol's defaults back) sets the broken file aside first.
    const std::vector<std::vector<std::string>> commands = {
        {"settings", c.setting},
        {"settings"},
        {"import", dxf.string(), "--map", (home.Path() / "m.json").string(), "--quiet"}};
    for (const auto& args : commands) {
        SCOPED_TRACE(args[0] + (args.size() > 1 ? " " + args[1] : ""));
        const fs::path file = WriteFile(cli.Home(), c.file, c.content);
        fs::remove(aside);
        const CliRun result = cli.Run(args);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(IsOneLine(result.err)) << result.err;
        EXPECT_NE(result.err.find(file.string()), std::string::npos) << result.err;
        EXPECT_TRUE(ReadText(file) == c.content || ReadText(aside) == c.content)
            << "the broken file is never lost";
    }
    EXPECT_EQ(cli.Run({"settings", c.setting}).exitCode, 0);
    EXPECT_EQ(cli.Out(), std::string(c.defaultValue) + "\n");
    EXPECT_TRUE(Loads(home.Path() / "m.json"));
}

// The text cut between the two digits of its first %XX escape.
std::string CutInEscape(std::string text) {
    text.resize(text.find('%') + 2);
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenConfigTest,
    ::testing::Values(
        ConfigCase{"SettingsOfBinaryBytes", "settings.ini", std::string("\x7f\x01[\0\xff=", 6),
                   "Multiplier", "1"},
        ConfigCase{"SettingsWithAValueOfNoType", "settings.ini",
                   "[Converters\\Imports\\Dxf]\nMultiplier=2.5\n", "Multiplier", "1"},
        ConfigCase{"SettingsCutInAnEscape", "settings.ini",
                   CutInEscape("[Converters\\Imports\\Dxf]\nIniFile=text:my%20layers.ini\n"),
                   "IniFile", "dxf.ini"},
        ConfigCase{"SettingsWithADoubleBeyondRange", "settings.ini",
                   "[Converters\\Imports\\Dxf]\nMultiplier=double:1e999\n", "Multiplier", "1"},
        ConfigCase{"SettingsOutsideASection", "settings.ini", "UseBlock=int:0\n", "UseBlock", "1"},
        ConfigCase{"RegistryOfBinaryBytes", "registry.ini", std::string("\0\0\x80[]=\n", 7),
                   "Symbol", "X"},
        ConfigCase{"RegistryWithOddHex", "registry.ini",
                   "[HKEY_CURRENT_USER\\Software\\Orv\\Vexa 8.0\\Settings\\Point]\n"
                   "FontSize=hex(4):0a0\n",
                   "FontSize", "10"},
        ConfigCase{"RegistryWithADwordBeyondRange", "registry.ini",
                   "[HKEY_CURRENT_USER\\Software\\Orv\\Vexa 8.0\\Settings\\Point]\n"
                   "FontSize=dword:4294967296\n",
                   "FontSize", "10"}),
    [](const auto& info) { return std::string(info.param.what); });

TEST(CliFaults, EveryPrefixOfASettingsFileIsReadOrSetAside) {
    TempHome home;
    const Cli cli(home.Path());
    const std::string settings = "# VEXA settings store\n\n[Converters\\Imports\\Dxf]\n"
                                 "Multiplier=double:2.5\nIniFile=text:a%3Db.ini\nUseBlock=int:0\n";
    const std::size_t step = kRounds == 20 ? 1 : 5;
    for (std::size_t length = 0; length <= settings.size();
         length = length == settings.size() ? length + 1
                                            : std::min(length + step, settings.size())) {
        SCOPED_TRACE(length);
        WriteFile(cli.Home(), "settings.ini", settings.substr(0, length));
        const CliRun result = cli.Run({"settings"});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        EXPECT_TRUE(result.err.empty() || IsOneLine(result.err)) << result.err;
    }
    EXPECT_NE(cli.Out().find("Multiplier = 2.5\n"), std::string::npos) << cli.Out();
    EXPECT_NE(cli.Out().find("IniFile = a=b.ini\n"), std::string::npos) << cli.Out();
}

TEST(CliFaults, ABrokenLayerMappingFileLeavesTheImportOnLayerNames) {
    TempHome home;
    const Cli cli(home.Path());
    std::string garbage = "WALL* 10 \"unclosed\n";
    for (int i = 0; i < 256; ++i)
        garbage += static_cast<char>(i);
    garbage += "\n* 99999999999 \"too big\"\n" + std::string(100, 'P') + " 1 \"long pattern\"\n";
    const fs::path ini = WriteFile(home.Path(), "layers.ini", garbage);
    ASSERT_EQ(cli.Run({"settings", "IniFile", ini.string()}).exitCode, 0);
    const fs::path dxf = WriteFile(home.Path(), "wall.dxf",
                                   EntitiesFile("0\nLINE\n8\nWALL1\n10\n0\n20\n0\n11\n1\n21\n1\n"));
    const CliRun result = cli.Run({"import", dxf.string()});
    EXPECT_EQ(result.exitCode, 0);
    std::istringstream lines(result.err);
    int warnings = 0;
    for (std::string line; std::getline(lines, line); ++warnings)
        EXPECT_NE(line.find(ini.string()), std::string::npos) << line;
    EXPECT_GE(warnings, 3);
    EXPECT_NE(cli.Out().find("WALL1"), std::string::npos) << "resolved by its own name";
}

// --- Two writers ------------------------------------------------------------------------------

TEST(CliFaults, TwoImportsIntoOneMapDocumentNeverTearIt) {
    TempHome home;
    const Cli cli(home.Path());
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += "0\nLINE\n8\nBig\n10\n" + std::to_string(i) + "\n20\n0\n11\n1\n21\n1\n";
    const fs::path big = WriteFile(home.Path(), "big.dxf", EntitiesFile(body));
    const fs::path small = WriteFile(home.Path(), "small.dxf", SampleDrawing());
    const fs::path map = home.Path() / "shared.json";
    int loads = 0;
    for (int round = 0; round < kRounds; ++round) {
        fs::remove(map);
        const pid_t first = cli.Start({"import", big.string(), "--map", map.string()}, "first");
        const pid_t second = cli.Start({"import", small.string(), "--map", map.string()}, "second");
        // Meanwhile the document is read as often as possible: once there, it always loads.
        bool firstDone = false;
        bool secondDone = false;
        while (!(firstDone && secondDone)) {
            std::string error;
            if (fs::exists(map)) {
                EXPECT_TRUE(Loads(map, &error)) << "round " << round << ": " << error;
                ++loads;
            }
            firstDone = firstDone || ::waitpid(first, nullptr, WNOHANG) == first;
            secondDone = secondDone || ::waitpid(second, nullptr, WNOHANG) == second;
        }
        ASSERT_TRUE(Loads(map)) << "round " << round;
    }
    EXPECT_GT(loads, 0);
    // No temporary file of either writer stays behind.
    for (const std::string& name : NamesIn(home.Path()))
        EXPECT_EQ(name.find("tmp"), std::string::npos) << name;
}

TEST(CliFaults, TwoProcessesStoringSettingsNeverTearTheFile) {
    TempHome home;
    const Cli cli(home.Path());
    for (int round = 0; round < kRounds; ++round) {
        const std::string value = std::to_string(round);
        const pid_t first = cli.Start({"settings", "XOffset", value}, "first");
        const pid_t second =
            cli.Start({"settings", "IniFile", "layers" + value + ".ini"}, "second");
        const CliRun one = cli.Wait(first, "first");
        const CliRun two = cli.Wait(second, "second");
        EXPECT_EQ(one.exitCode, 0) << one.err;
        EXPECT_EQ(two.exitCode, 0) << two.err;
        // The file reads without a warning; each value is this round's or, when the other
        // process wrote last from an older copy, absent or an earlier round's.
        const CliRun listed = cli.Run({"settings"});
        EXPECT_EQ(listed.exitCode, 0);
        EXPECT_TRUE(listed.err.empty()) << "round " << round << ": " << listed.err;
    }
    for (const std::string& name : NamesIn(cli.Home()))
        EXPECT_EQ(name.find("tmp"), std::string::npos) << name;
}

} // namespace
