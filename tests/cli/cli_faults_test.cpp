// dxfcnv against broken configuration files, files written by two processes at once, and disks
// that fill up or turn read-only: the defaults with one warning naming the file, which is never
// lost; never a torn file; a failed write reported with the previous file intact.
#include "export_support.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/wait.h>

namespace {

namespace fs = std::filesystem;
using namespace testing_support;

struct ConfigCase {
    const char* file; // in the configuration folder
    std::string content;
    const char* setting; // read through dxfcnv settings NAME
    const char* defaultValue;
};

TEST(CliFaults, BrokenConfigurationGivesTheDefaultsAndOneWarningNamingTheFile) {
    const std::string dxf = "[Converters\\Imports\\Dxf]\n";
    const std::string point = "[HKEY_CURRENT_USER\\Software\\Orv\\Vexa 8.0\\Settings\\Point]\n";
    const ConfigCase cases[] = {
        {"settings.ini", std::string("\x7f\x01[\0\xff=", 6), "Multiplier", "1"},
        {"settings.ini", dxf + "Multiplier=2.5\n", "Multiplier", "1"},
        {"settings.ini", dxf + "IniFile=text:my%2", "IniFile", "dxf.ini"},
        {"settings.ini", dxf + "Multiplier=double:1e999\n", "Multiplier", "1"},
        {"registry.ini", std::string("\0\0\x80[]=\n", 7), "Symbol", "X"},
        {"registry.ini", point + "FontSize=dword:4294967296\n", "FontSize", "10"},
    };
    for (const ConfigCase& c : cases) {
        TempHome home;
        const fs::path dxfFile =
            WriteFile(home.Path(), "line.dxf", EntitiesFile(Dxf({{0, "POINT"}})));
        const fs::path aside = home.Path() / (std::string(c.file) + ".corrupt");
        // Each command meets the broken file afresh: a write of the store (the import writes the
        // point symbol's defaults back) sets the broken file aside first.
        for (const std::string& command : {std::string("settings ") + c.setting,
                                           std::string("import line.dxf --map m.json --quiet")}) {
            SCOPED_TRACE(c.content + " | " + command);
            const fs::path file = WriteFile(home.Path(), c.file, c.content);
            fs::remove(aside);
            const CliRun run = RunCli(home, command);
            EXPECT_EQ(run.exitCode, 0) << run.err;
            EXPECT_TRUE(IsOneLine(run.err)) << run.err;
            EXPECT_NE(run.err.find(file.string()), std::string::npos) << run.err;
            EXPECT_TRUE(ReadText(file) == c.content || ReadText(aside) == c.content)
                << "the broken file is never lost";
            if (command.starts_with("settings")) {
                EXPECT_EQ(run.out, std::string(c.defaultValue) + "\n");
            }
        }
    }
}

// Two processes write one file again and again, while it is read as often as possible: once
// there, it always reads whole, and no temporary file stays behind.
TEST(CliFaults, TwoWritersNeverTearAFile) {
    TempHome home;
    std::string body;
    for (int i = 0; i < 3000; ++i)
        body += Dxf({{0, "LINE"}, {10, std::to_string(i)}, {20, "0"}, {11, "1"}, {21, "1"}});
    WriteFile(home.Path(), "big.dxf", EntitiesFile(body));
    WriteFile(home.Path(), "small.dxf", EntitiesFile(Dxf({{0, "POINT"}})));
    const fs::path map = home.Path() / "shared.json";
    const auto start = [&](std::vector<std::string> args, const char* tag) {
        return StartCli(args, home.Path(), home.Path() / tag);
    };
    for (int round = 0; round < 6; ++round) {
        fs::remove(map);
        const std::string n = std::to_string(round);
        const pid_t pids[] = {
            start({"import", (home.Path() / "big.dxf").string(), "--map", map.string()}, "1"),
            start({"import", (home.Path() / "small.dxf").string(), "--map", map.string()}, "2"),
            start({"settings", "XOffset", n}, "3"),
            start({"settings", "IniFile", "layers" + n + ".ini"}, "4")};
        for (int done = 0; done < 4;) {
            MapWindow window;
            std::string error;
            if (fs::exists(map)) {
                EXPECT_TRUE(standin::LoadMapDocument(window.Handle(), map.string(), &error))
                    << error;
            }
            done = 0;
            for (const pid_t pid : pids)
                done += ::waitpid(pid, nullptr, WNOHANG) != 0;
        }
        const CliRun listed = RunCli(home, "settings");
        EXPECT_TRUE(listed.err.empty()) << "round " << round << ": " << listed.err;
    }
    for (const auto& entry : fs::recursive_directory_iterator(home.Path()))
        EXPECT_EQ(entry.path().filename().string().find("tmp"), std::string::npos) << entry.path();
}

// Each writer of dxfcnv on a disk too small for its file, then on a read-only one: status 1, the
// previous file intact, no other file made. The cases skip where this process may not mount.
TEST(CliFaults, AFullOrReadOnlyDiskKeepsThePreviousFile) {
    TempHome home;
    const fs::path disk = home.Path() / "disk";
    fs::create_directory(disk);
    if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=256k") != 0)
        GTEST_SKIP() << "cannot mount a tmpfs here";
    MapWindow map;
    export_support::FillMap(map.Handle(), 50'000); // each output several times the disk
    ASSERT_TRUE(
        standin::SaveMapDocument(map.Handle(), (home.Path() / "map.json").string(), nullptr));
    for (const bool readOnly : {false, true}) {
        if (readOnly) {
            fs::remove_all(disk / "old");
            fs::create_directory(disk / "old");
            for (const char* output : {"out.dxf", "out.geojson", "out.svg"})
                WriteFile(disk / "old", output, "old");
            ASSERT_EQ(::mount(nullptr, disk.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
        }
        for (const char* output : {"out.dxf", "out.geojson", "out.svg"}) {
            for (const bool previous : {true, false}) {
                SCOPED_TRACE(std::string(output) + (readOnly ? " read-only" : "") +
                             (previous ? " replacing a file" : " a new file"));
                if (!readOnly) {
                    fs::remove_all(disk / "old");
                    fs::create_directory(disk / "old");
                    if (previous)
                        WriteFile(disk / "old", output, "old");
                }
                const fs::path target =
                    disk / "old" / ((previous ? "" : "new-") + std::string(output));
                const auto before = export_support::FolderListing(disk / "old");
                const std::string command = target.extension() == ".svg" ? "render" : "export";
                const CliRun run = RunCli(home, command + " map.json -o " + target.string());
                EXPECT_EQ(run.exitCode, 1) << run.err;
                EXPECT_FALSE(run.err.empty());
                EXPECT_EQ(export_support::FolderListing(disk / "old"), before);
                EXPECT_EQ(ReadText(target), previous ? "old" : "");
            }
        }
    }
    ::umount2(disk.c_str(), MNT_DETACH);
}

} // namespace
