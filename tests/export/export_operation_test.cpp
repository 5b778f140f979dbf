// The export operation as the host calls it: both exported names, targets that cannot be
// opened, and a disk that fills up while the file is written. In every failure the user is told
// in a message box, the target is left as it was and no temporary file stays behind.
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <ostream>

#include <csignal>
#include <cstdio>
#include <dlfcn.h>
#include <functional>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;

// What is at a path: nothing, a folder, or a file with its bytes.
struct PathState {
    bool exists = false;
    bool isDirectory = false;
    std::optional<std::string> bytes;
    bool operator==(const PathState&) const = default;
};

PathState StateOf(const fs::path& path) {
    std::error_code error;
    PathState state;
    state.exists = fs::exists(path, error);
    state.isDirectory = fs::is_directory(path, error);
    if (state.exists && !state.isDirectory)
        state.bytes = ReadFileBytes(path);
    return state;
}

// Whether this process writes to files whatever their permissions say (root does).
bool PermissionsAreBypassed(const fs::path& folder) {
    const fs::path probe = testing_support::WriteFile(folder, "probe", "x");
    fs::permissions(probe, fs::perms::owner_read);
    std::FILE* file = std::fopen(probe.c_str(), "r+b");
    if (file)
        std::fclose(file);
    fs::remove(probe);
    return file != nullptr;
}

TEST(ExportOperation, BothNamesWriteTheSameFileAndReturnZero) {
    TempHome home;
    MapWindow map;
    FillMap(map.Handle());
    void* module = dlopen(DXFCNV_MODULE, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(module, nullptr) << dlerror();
    const auto byFirstName = reinterpret_cast<DxfExportFn>(dlsym(module, "DXFFileExport"));
    const auto bySecondName = reinterpret_cast<DxfExportFn>(dlsym(module, "VexaExport"));
    ASSERT_NE(byFirstName, nullptr);
    ASSERT_NE(bySecondName, nullptr);
    const fs::path first = home.Path() / "first.dxf";
    const fs::path second = home.Path() / "second.dxf";
    EXPECT_EQ(byFirstName(map.Handle(), first.c_str(), 0, 0), 0);
    EXPECT_EQ(bySecondName(map.Handle(), second.c_str(), 17, -1), 0);
    dlclose(module);
    const auto firstBytes = ReadFileBytes(first);
    ASSERT_TRUE(firstBytes.has_value());
    EXPECT_GT(firstBytes->size(), 10000u);
    EXPECT_EQ(firstBytes, ReadFileBytes(second));
}

struct OpenFailureCase {
    const char* name;
    // Makes the target inside the folder; may answer another path where permissions are
    // bypassed (running as root).
    std::function<fs::path(const fs::path& folder, bool bypassed)> target;
};

// A failing case prints as its name.
void PrintTo(const OpenFailureCase& c, std::ostream* out) {
    *out << c.name;
}

class OpenFailureTest : public ::testing::TestWithParam<OpenFailureCase> {};

TEST_P(OpenFailureTest, TellsTheUserAndLeavesTheTargetAsItWas) {
    TempHome home;
    MapWindow map;
    FillMap(map.Handle());
    const fs::path folder = home.Path() / "work";
    fs::create_directories(folder);
    const fs::path target = GetParam().target(folder, PermissionsAreBypassed(home.Path()));
    const PathState before = StateOf(target);
    const auto listing = FolderListing(folder);
    {
        MessageBoxes boxes;
        EXPECT_EQ(DXFFileExport(map.Handle(), target.c_str(), 0, 0), 0);
        ExpectOneBox(boxes, map.Handle(), "File Opening Problems");
    }
    EXPECT_EQ(StateOf(target), before);
    EXPECT_EQ(FolderListing(folder), listing);
    std::error_code ignored;
    fs::permissions(folder, fs::perms::owner_all, fs::perm_options::add, ignored);
    for (const auto& entry : fs::recursive_directory_iterator(folder, ignored))
        fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, ignored);
}

INSTANTIATE_TEST_SUITE_P(
    Targets, OpenFailureTest,
    ::testing::Values(
        OpenFailureCase{"MissingFolder",
                        [](const fs::path& folder, bool) { return folder / "nowhere" / "a.dxf"; }},
        OpenFailureCase{"FolderAsTarget",
                        [](const fs::path& folder, bool) {
                            fs::create_directory(folder / "drawing.dxf");
                            return folder / "drawing.dxf";
                        }},
        OpenFailureCase{"ReadOnlyFile",
                        [](const fs::path& folder, bool bypassed) -> fs::path {
                            if (bypassed) // a file nobody can replace, root included
                                return "/proc/version";
                            const fs::path file =
                                testing_support::WriteFile(folder, "ro.dxf", "old drawing");
                            fs::permissions(file, fs::perms::owner_read);
                            return file;
                        }},
        OpenFailureCase{"FolderNotWritable",
                        [](const fs::path& folder, bool bypassed) -> fs::path {
                            if (bypassed) // a folder where no file can be made, root included
                                return "/proc/dxfcnv-export-test.dxf";
                            fs::create_directory(folder / "locked");
                            fs::permissions(folder / "locked",
                                            fs::perms::owner_read | fs::perms::owner_exec);
                            return folder / "locked" / "a.dxf";
                        }},
        OpenFailureCase{"EmptyPath", [](const fs::path&, bool) { return fs::path(); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ExportOperation, NullPathIsAFileThatCannotBeOpened) {
    MapWindow map;
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

// Lets this process write files of at most `bytes` bytes while it lives: a write beyond fails
// as on a full disk (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
  public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &old_);
        oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = old_;
        limited.rlim_cur = bytes;
        active_ = setrlimit(RLIMIT_FSIZE, &limited) == 0;
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, oldHandler_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Active() const { return active_; }

  private:
    rlimit old_{};
    void (*oldHandler_)(int) = SIG_DFL;
    bool active_ = false;
};

struct DiskFullCase {
    const char* name;
    std::optional<std::string> oldContent; // nothing: the target does not exist before
};

// A failing case prints as its name.
void PrintTo(const DiskFullCase& c, std::ostream* out) {
    *out << c.name;
}

class DiskFullTest : public ::testing::TestWithParam<DiskFullCase> {};

TEST_P(DiskFullTest, TargetKeepsItsOldStateAndNoTemporaryFileStays) {
    TempHome home;
    MapWindow map;
    FillMap(map.Handle());
    const fs::path target = home.Path() / "drawing.dxf";
    if (GetParam().oldContent)
        testing_support::WriteFile(home.Path(), "drawing.dxf", *GetParam().oldContent);
    const PathState before = StateOf(target);
    const auto listing = FolderListing(home.Path());
    {
        MessageBoxes boxes;
        FileSizeLimit limit(4096);
        ASSERT_TRUE(limit.Active());
        EXPECT_EQ(DXFFileExport(map.Handle(), target.c_str(), 0, 0), 0);
        ExpectOneBox(boxes, map.Handle(), "File Writing Problems");
    }
    EXPECT_EQ(StateOf(target), before);
    EXPECT_EQ(FolderListing(home.Path()), listing);
}

INSTANTIATE_TEST_SUITE_P(Targets, DiskFullTest,
                         ::testing::Values(DiskFullCase{"ExistingFile", "old drawing\r\n"},
                                           DiskFullCase{"NewFile", std::nullopt}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
