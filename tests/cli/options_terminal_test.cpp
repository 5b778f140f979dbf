// dxfcnv options end to end: the command runs in a pseudo-terminal (a tmux server of the test's
// own, its socket in the test's folder), keys are sent as a user types them, and the settings the
// dialog stored are used by the next dxfcnv import.
#include "test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace {

using namespace std::chrono_literals;
using testing_support::SetSetting;
using testing_support::TempHome;
namespace fs = std::filesystem;

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

// One command in a tmux server of its own, whose socket lives in `folder`; the server is ended
// with the object.
class Terminal {
  public:
    Terminal(const std::string& command, const fs::path& folder)
        : socket_(folder / "tmux.socket"), exitFile_(folder / "exit") {
        const std::string shell = command + "; echo $? > " + Quoted(exitFile_.string());
        std::system(
            (Tmux() + " -f /dev/null new-session -d -x 100 -y 30 " + Quoted(shell)).c_str());
    }
    ~Terminal() {
        std::system((Tmux() + " kill-server >/dev/null 2>&1").c_str());
        fs::remove(socket_);
    }
    Terminal(const Terminal&) = delete;
    Terminal& operator=(const Terminal&) = delete;

    std::string Screen() const { return Output(Tmux() + " capture-pane -p 2>/dev/null"); }

    // tmux key names (Tab, Enter, BSpace, M-l) or, with literal, text as typed.
    void Keys(const std::string& keys, bool literal = false) const {
        std::system((Tmux() + " send-keys " + (literal ? "-l -- " + Quoted(keys) : keys)).c_str());
        std::this_thread::sleep_for(150ms); // let the program draw before the next look
    }

    bool WaitForText(const std::string& text) const {
        for (auto waited = 0ms; waited < 10s; waited += 50ms) {
            if (Screen().find(text) != std::string::npos)
                return true;
            std::this_thread::sleep_for(50ms);
        }
        return false;
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
    std::string Tmux() const { return "tmux -S " + Quoted(socket_.string()); }

    fs::path socket_;
    fs::path exitFile_;
};

TEST(OptionsTerminal, OkStoresTheTypedSettingsAndTheNextImportUsesThem) {
    if (std::system("command -v tmux >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "tmux is not installed (Debian package tmux)";
    TempHome home;
    SetSetting("Multiplier", 2.5);
    SetSetting("ZOffset", 100);
    const std::string iniFile = testing_support::WriteFile(home.Path(), "layers.ini", "").string();
    SetSetting("IniFile", iniFile.c_str());
    {
        Terminal terminal("env VEXA_HOME=" + Quoted(home.Path().string()) + " DXFCNV_MODULE=" +
                              Quoted(DXFCNV_MODULE) + " " + Quoted(DXFCNV_CLI) + " options",
                          home.Path());
        ASSERT_TRUE(terminal.WaitForText("[2.500")) << terminal.Screen();
        // The dialog opens on the X offset; Tab passes over the disabled Z offset.
        for (const auto& [keys, literal] : std::vector<std::pair<std::string, bool>>{
                 {"BSpace", false},
                 {"15", true},
                 {"Tab", false},
                 {"BSpace", false},
                 {"-4", true},
                 {"Tab", false},
                 {"BSpace BSpace BSpace BSpace BSpace", false},
                 {"4", true},
                 {"Enter", false}})
            terminal.Keys(keys, literal);
        ASSERT_EQ(terminal.WaitForExit(), 0) << terminal.Screen();
    }
    EXPECT_FALSE(fs::exists(home.Path() / "tmux.socket"));

    // dxfcnv import reads what the dialog stored: (1 2) (3 4) times 4, plus (15 -4).
    testing_support::WriteFile(home.Path(), "line.dxf",
                               testing_support::EntitiesFile(testing_support::Dxf(
                                   {{0, "LINE"}, {10, "1"}, {20, "2"}, {11, "3"}, {21, "4"}})));
    ASSERT_EQ(testing_support::RunCli(home, "import line.dxf --map map.json --quiet").exitCode, 0);
    testing_support::MapWindow map;
    ASSERT_TRUE(
        standin::LoadMapDocument(map.Handle(), (home.Path() / "map.json").string(), nullptr));
    EXPECT_EQ(
        testing_support::PointRuns(map.Snapshot()),
        (std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>>{{{19, 4}, {27, 12}}}));
}

} // namespace
