// The export operation as the host calls it: both exported names, targets that cannot be
// opened, and a disk that fills up while the file is written. In every failure the user is told
// in a message box, the target is left as it was and no temporary file stays behind.
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;

// What is at a path: whether it is a folder, and the bytes of a file.
std::pair<bool, std::optional<std::string>> StateOf(const fs::path& path) {
    std::error_code error;
    if (fs::is_directory(path, error))
        return {true, std::nullopt};
    return {false, ReadFileBytes(path)};
}

TEST(ExportOperation, BothNamesWriteTheSameFileAndReturnZero) {
    TempHome home;
    MapWindow map;
    FillMap(map.Handle());
    void* module = dlopen(DXFCNV_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const fs::path first = home.Path() / "first.dxf";
    const fs::path second = home.Path() / "second.dxf";
    const auto byFirstName = reinterpret_cast<DxfExportFn>(dlsym(module, "DXFFileExport"));
    const auto bySecondName = reinterpret_cast<DxfExportFn>(dlsym(module, "VexaExport"));
    ASSERT_TRUE(byFirstName && bySecondName);
    EXPECT_EQ(byFirstName(map.Handle(), first.c_str(), 0, 0), 0);
    EXPECT_EQ(bySecondName(map.Handle(), second.c_str(), 17, -1), 0);
    dlclose(module);
    EXPECT_GT(ReadFileBytes(first).value_or("").size(), 10000u);
    EXPECT_EQ(ReadFileBytes(first), ReadFileBytes(second));
}

TEST(ExportOperation, TargetThatCannotBeOpenedIsToldAndLeftAsItWas) {
    TempHome home;
    MapWindow map;
    FillMap(map.Handle());
    const fs::path folder = home.Path() / "work";
    fs::create_directories(folder / "drawing.dxf");
    fs::create_directories(folder / "locked");
    fs::permissions(folder / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    const fs::path readOnly = testing_support::WriteFile(folder, "ro.dxf", "old drawing");
    fs::permissions(readOnly, fs::perms::owner_read);
    // Root writes whatever the permissions say: then files nobody can replace or make.
    std::FILE* probe = std::fopen(readOnly.c_str(), "r+b");
    const bool bypassed = probe != nullptr;
    if (probe)
        std::fclose(probe);
    const std::vector<fs::path> targets{
        folder / "nowhere" / "a.dxf", folder / "drawing.dxf",
        bypassed ? fs::path("/proc/version") : readOnly,
        bypassed ? fs::path("/proc/dxfcnv-export-test.dxf") : folder / "locked" / "a.dxf", ""};
    const auto listing = FolderListing(folder);
    for (const fs::path& target : targets) {
        SCOPED_TRACE(target);
        const auto before = StateOf(target);
        MessageBoxes boxes;
        EXPECT_EQ(DXFFileExport(map.Handle(), target.c_str(), 0, 0), 0);
        ExpectOneBox(boxes, map.Handle(), "File Opening Problems");
        EXPECT_EQ(StateOf(target), before);
    }
    EXPECT_EQ(FolderListing(folder), listing);
    fs::permissions(folder / "locked", fs::perms::owner_all);
    MessageBoxes boxes;
    EXPECT_EQ(VexaExport(map.Handle(), nullptr, 0, 0), 0);
    ExpectOneBox(boxes, map.Handle(), "File Opening Problems");
}

TEST(DiskFull, DeviceThatIsAlwaysFullGivesTheWritingMessage) {
    if (!fs::is_character_file("/dev/full"))
        GTEST_SKIP() << "/dev/full is not available here";
    MapWindow map;
    FillMap(map.Handle());
    MessageBoxes boxes;
    EXPECT_EQ(DXFFileExport(map.Handle(), "/dev/full", 0, 0), 0);
    ExpectOneBox(boxes, map.Handle(), "File Writing Problems");
    EXPECT_TRUE(fs::is_character_file("/dev/full")) << "the device must not be replaced";
}

// Files of at most 4 KiB: a write beyond fails as on a full disk (SIGXFSZ ignored meanwhile).
TEST(DiskFull, TargetKeepsItsOldStateAndNoTemporaryFileStays) {
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "replacing a file" : "a new file");
        TempHome home;
        MapWindow map;
        FillMap(map.Handle());
        const fs::path target = home.Path() / "drawing.dxf";
        if (existing)
            testing_support::WriteFile(home.Path(), "drawing.dxf", "old drawing\r\n");
        const auto before = StateOf(target);
        const auto listing = FolderListing(home.Path());
        MessageBoxes boxes;
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit limited = old;
        limited.rlim_cur = 4096;
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
        const std::int32_t result = DXFFileExport(map.Handle(), target.c_str(), 0, 0);
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        EXPECT_EQ(result, 0);
        ExpectOneBox(boxes, map.Handle(), "File Writing Problems");
        EXPECT_EQ(StateOf(target), before);
        EXPECT_EQ(FolderListing(home.Path()), listing);
    }
}

} // namespace
