// dxfcnv options end to end: the command runs in a pseudo-terminal (a tmux server of the test's
// own), keys are sent as a user types them, the screen is read back, and the settings stored by
// the module are checked, then used by the next dxfcnv import.
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using testing_support::SetSetting;
using testing_support::TempHome;
namespace fs = std::filesystem;

constexpr const char* kSection = "Converters\\Imports\\Dxf";

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe))
            text += buffer;
        pclose(pipe);
    }
    return text;
}

bool HaveTmux() {
    return std::system("command -v tmux >/dev/null 2>&1") == 0;
}

// One command in a tmux server of its own; the server is ended with the object.
class Terminal {
  public:
    Terminal(const std::string& command, const fs::path& exitFile)
        : socket_("dxfcnv-test-" + std::to_string(::getpid())), exitFile_(exitFile) {
        const std::string shell = command + "; echo $? > " + Quoted(exitFile.string());
        std::system(
            (Tmux() + " -f /dev/null new-session -d -x 100 -y 30 " + Quoted(shell)).c_str());
    }
    ~Terminal() { std::system((Tmux() + " kill-server >/dev/null 2>&1").c_str()); }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    std::string Screen() const { return Output(Tmux() + " capture-pane -p 2>/dev/null"); }

    // tmux key names (Tab, BTab, Enter, Escape, BSpace, M-l) or, with literal, text as typed.
    void Keys(const std::string& keys, bool literal = false) const {
        std::system((Tmux() + " send-keys " + (literal ? "-l -- " + Quoted(keys) : keys)).c_str());
        std::this_thread::sleep_for(150ms); // let the program draw before the next look
    }

    bool WaitForScreen(const std::function<bool(const std::string&)>& ready) const {
        for (auto waited = 0ms; waited < 10s; waited += 50ms) {
            if (ready(Screen()))
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
    }

    bool WaitForText(const std::string& text) const {
        return WaitForScreen(
            [&](const std::string& screen) { return screen.find(text) != std::string::npos; });
    }

    // The exit status of the command once it has ended; -1 when it did not end in time.
    int WaitForExit() const {
        for (auto waited = 0ms; waited < 10s; waited += 50ms) {
            std::ifstream in(exitFile_);
            int status = -1;
            if (in >> status)
                return status;
            std::this_thread::sleep_for(50ms);
        }
        return -1;
    }

  private:
    std::string Tmux() const { return "tmux -L " + socket_; }

    std::string socket_;
    fs::path exitFile_;
};

std::string OptionsCommand(const TempHome& home) {
    return "env VEXA_HOME=" + Quoted(home.Path().string()) +
           " DXFCNV_MODULE=" + Quoted(DXFCNV_MODULE) + " " + Quoted(DXFCNV_CLI) + " options";
}

// A number the command stored, read afresh: the command wrote the file from its own process.
template <typename Number>
Number Stored(const char* name) {
    standin::ReloadConfiguration();
    Number value = -1;
    m_RegValueGet(kSection, name, &value);
    return value;
}

std::string StoredText(const char* name) {
    standin::ReloadConfiguration();
    char text[256] = "";
    m_RegValueGet(kSection, name, text, sizeof text);
    return text;
}

void Erase(const Terminal& terminal, std::size_t characters) {
    for (std::size_t i = 0; i < characters; ++i)
        terminal.Keys("BSpace");
}

TEST(OptionsTerminal, OkStoresTheTypedSettingsAndTheNextImportUsesThem) {
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed (Debian package tmux)";
    TempHome home;
    const fs::path iniFile = testing_support::WriteFile(home.Path(), "layers.ini", "");
    SetSetting("Multiplier", 2.5);
    SetSetting("ZOffset", 100);
    SetSetting("IniFile", "missing.ini");

    Terminal terminal(OptionsCommand(home), home.Path() / "exit");
    ASSERT_TRUE(terminal.WaitForText("DXF Import Options")) << terminal.Screen();
    const std::string opened = terminal.Screen();
    for (const char* shown : {"[2.500", "[missing.ini", "[x] Skip Z Coordinate",
                              "[x] Set layer order from initialization file", "[ OK ]",
                              "[ Browse... ]", "Multiplier:", "Initialization file:"})
        EXPECT_NE(opened.find(shown), std::string::npos) << shown << "\n" << opened;
    EXPECT_EQ(opened.find("Use blocks"), std::string::npos) << "a hidden control is not drawn";

    // The dialog opens on the X offset; Tab passes over the disabled Z offset.
    terminal.Keys("BSpace");
    terminal.Keys("15", true);
    terminal.Keys("Tab");
    terminal.Keys("BSpace");
    terminal.Keys("-4", true);
    terminal.Keys("Tab");
    Erase(terminal, 5);
    terminal.Keys("4", true);
    terminal.Keys("M-l");
    ASSERT_TRUE(terminal.WaitForText("[ ] Set layer order")) << terminal.Screen();

    terminal.Keys("Enter");
    ASSERT_TRUE(terminal.WaitForText("Initialization file not found.")) << terminal.Screen();
    EXPECT_NE(terminal.Screen().find("[ Yes ]  [ No ]"), std::string::npos);
    terminal.Keys("n");
    ASSERT_TRUE(terminal.WaitForScreen(
        [](const std::string& screen) { return screen.find("not found") == std::string::npos; }));
    standin::ReloadConfiguration();
    EXPECT_EQ(standin::SettingsSection(kSection).size(), 3u)
        << "nothing is stored while the dialog is open";

    // Enter left the focus on the check box: back over Browse... to the file field.
    terminal.Keys("BTab");
    terminal.Keys("BTab");
    Erase(terminal, std::string("missing.ini").size());
    terminal.Keys(iniFile.string(), true);
    terminal.Keys("Enter");
    ASSERT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();

    EXPECT_EQ(Stored<double>("Multiplier"), 4.0);
    EXPECT_EQ(Stored<std::int32_t>("XOffset"), 15);
    EXPECT_EQ(Stored<std::int32_t>("YOffset"), -4);
    EXPECT_EQ(Stored<std::int32_t>("ZOffset"), 0);
    EXPECT_EQ(Stored<std::int32_t>("UseBlock"), 1);
    EXPECT_EQ(Stored<std::int32_t>("SetLayerOrderFromIniFile"), 0);
    EXPECT_EQ(StoredText("IniFile"), iniFile.string());

    // dxfcnv import reads what the dialog stored.
    const fs::path dxf = testing_support::WriteFile(
        home.Path(), "line.dxf",
        testing_support::EntitiesFile(testing_support::Dxf(
            {{0, "LINE"}, {8, "0"}, {10, "1"}, {20, "2"}, {11, "3"}, {21, "4"}})));
    const fs::path mapFile = home.Path() / "map.json";
    const std::string import = "env VEXA_HOME=" + Quoted(home.Path().string()) + " " +
                               Quoted(DXFCNV_CLI) + " --module " + Quoted(DXFCNV_MODULE) +
                               " import " + Quoted(dxf.string()) + " --map " +
                               Quoted(mapFile.string()) + " --quiet";
    ASSERT_EQ(std::system(import.c_str()), 0);
    testing_support::MapWindow map;
    std::string error;
    ASSERT_TRUE(standin::LoadMapDocument(map.Handle(), mapFile.string(), &error)) << error;
    const auto objects = testing_support::AllObjects(map.Snapshot());
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(testing_support::XY(objects[0]),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{19, 4}, {27, 12}}));
}

TEST(OptionsTerminal, CancelStoresWhatWasReadExceptABrowsedFile) {
    if (!HaveTmux())
        GTEST_SKIP() << "tmux is not installed (Debian package tmux)";
    TempHome home;
    SetSetting("Multiplier", 0.0);
    SetSetting("XOffset", 15);
    SetSetting("ZOffset", 100);
    SetSetting("UseBlock", 0);
    SetSetting("IniFile", "old.ini");

    Terminal terminal(OptionsCommand(home), home.Path() / "exit");
    ASSERT_TRUE(terminal.WaitForText("[1.000")) << terminal.Screen();
    terminal.Keys("999", true);
    ASSERT_TRUE(terminal.WaitForText("[15999")) << terminal.Screen();

    // Browse...: X, Y, multiplier, file, Browse.
    for (int i = 0; i < 4; ++i)
        terminal.Keys("Tab");
    terminal.Keys("Space");
    ASSERT_TRUE(terminal.WaitForText("Enter: choose  Esc: cancel")) << terminal.Screen();
    Erase(terminal, std::string("old.ini").size());
    terminal.Keys("picked.ini", true);
    terminal.Keys("Enter");
    ASSERT_TRUE(terminal.WaitForText("[picked.ini")) << terminal.Screen();

    // Help: past the layer order, OK and Cancel.
    for (int i = 0; i < 4; ++i)
        terminal.Keys("Tab");
    terminal.Keys("Space");
    ASSERT_TRUE(terminal.WaitForText("Multiplier: the scale factor")) << terminal.Screen();
    terminal.Keys("q");
    ASSERT_TRUE(terminal.WaitForScreen([](const std::string& screen) {
        return screen.find("scale factor") == std::string::npos;
    }));

    terminal.Keys("Escape");
    ASSERT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
    EXPECT_EQ(Stored<double>("Multiplier"), 1.0) << "a stored 0 comes back as 1";
    EXPECT_EQ(Stored<std::int32_t>("XOffset"), 15) << "the typed offset is dropped";
    EXPECT_EQ(Stored<std::int32_t>("ZOffset"), 100);
    EXPECT_EQ(Stored<std::int32_t>("UseBlock"), 1);
    EXPECT_EQ(StoredText("IniFile"), "picked.ini");
}

TEST(OptionsTerminal, RefusesToRunWithoutATerminal) {
    TempHome home;
    const std::string command = "env VEXA_HOME=" + Quoted(home.Path().string()) + " " +
                                Quoted(DXFCNV_CLI) + " --module " + Quoted(DXFCNV_MODULE) +
                                " options </dev/null 2>&1";
    const std::string output = Output(command + "; echo status=$?");
    EXPECT_NE(output.find("dxfcnv options: the dialog needs a terminal"), std::string::npos)
        << output;
    EXPECT_NE(output.find("status=2"), std::string::npos) << output;
    standin::ReloadConfiguration();
    EXPECT_TRUE(standin::SettingsSection(kSection).empty()) << "nothing stored";
}

} // namespace
