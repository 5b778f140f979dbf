// The export under faults of the file system: a disk that fills up (a small tmpfs), a file system
// mounted read-only (which stops root too), and a folder that vanishes while the drawing is
// written. Each ends with the right message box, the previous file intact and no temporary file
// left behind. The mount cases are skipped where this process may not mount.
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <functional>
#include <sys/inotify.h>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;

const std::string kOldDrawing = "  0\r\nEOF\r\n";

// A tmpfs of `kilobytes` mounted on a new folder while the object lives.
class SmallDisk {
  public:
    SmallDisk(const fs::path& folder, int kilobytes) : folder_(folder) {
        fs::create_directories(folder_);
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options.c_str()) == 0;
        error_ = errno;
    }
    ~SmallDisk() {
        if (mounted_)
            ::umount2(folder_.c_str(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;
    bool Mounted() const { return mounted_; }
    std::string Why() const { return std::strerror(error_); }
    bool MakeReadOnly() {
        return ::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

  private:
    fs::path folder_;
    bool mounted_ = false;
    int error_ = 0;
};

TEST(ExportFaults, ASmallDiskThatFillsUpKeepsThePreviousFile) {
    TempHome home;
    SmallDisk disk(home.Path() / "disk", 256);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.Why();
    MapWindow map;
    FillMap(map.Handle(), 50'000); // about 1.5 MB, six times the disk
    for (const bool previous : {true, false}) {
        SCOPED_TRACE(previous ? "replacing a file" : "a new file");
        const fs::path target = home.Path() / "disk" / "drawing.dxf";
        fs::remove(target);
        if (previous)
            testing_support::WriteFile(target.parent_path(), "drawing.dxf", kOldDrawing);
        MessageBoxes boxes;
        EXPECT_EQ(DXFFileExport(map.Handle(), target.c_str(), 0, 0), 0);
        ExpectOneBox(boxes, map.Handle(), "File Writing Problems");
        if (previous) {
            EXPECT_EQ(ReadFileBytes(target), kOldDrawing);
            EXPECT_EQ(FolderListing(target.parent_path()), std::vector<std::string>{"drawing.dxf"});
        } else {
            EXPECT_TRUE(FolderListing(target.parent_path()).empty());
        }
    }
    // The disk is usable again afterwards: a small map fits.
    MapWindow small;
    FillMap(small.Handle(), 10);
    MessageBoxes boxes;
    const fs::path target = home.Path() / "disk" / "drawing.dxf";
    DXFFileExport(small.Handle(), target.c_str(), 0, 0);
    EXPECT_TRUE(boxes.Shown().empty());
    EXPECT_NE(ReadFileBytes(target), kOldDrawing);
}

TEST(ExportFaults, AReadOnlyFileSystemStopsEvenRoot) {
    TempHome home;
    SmallDisk disk(home.Path() / "disk", 256);
    if (!disk.Mounted())
        GTEST_SKIP() << "cannot mount a tmpfs here: " << disk.Why();
    const fs::path folder = home.Path() / "disk";
    testing_support::WriteFile(folder, "drawing.dxf", kOldDrawing);
    ASSERT_TRUE(disk.MakeReadOnly()) << std::strerror(errno);
    MapWindow map;
    FillMap(map.Handle(), 10);
    for (const char* name : {"drawing.dxf", "new.dxf"}) {
        SCOPED_TRACE(name);
        MessageBoxes boxes;
        EXPECT_EQ(DXFFileExport(map.Handle(), (folder / name).c_str(), 0, 0), 0);
        ExpectOneBox(boxes, map.Handle(), "File Opening Problems");
        EXPECT_EQ(ReadFileBytes(folder / "drawing.dxf"), kOldDrawing);
        EXPECT_EQ(FolderListing(folder), std::vector<std::string>{"drawing.dxf"});
    }
}

// Runs `act` on the folder as soon as the export creates its temporary file there.
class FolderWatch {
  public:
    FolderWatch(const fs::path& folder, std::function<void()> act) {
        fd_ = ::inotify_init1(IN_CLOEXEC);
        if (fd_ < 0 || ::inotify_add_watch(fd_, folder.c_str(), IN_CREATE) < 0)
            return;
        watcher_ = std::thread([this, act = std::move(act)] {
            alignas(inotify_event) char buffer[4096];
            if (::read(fd_, buffer, sizeof buffer) > 0) {
                act();
                acted_ = true;
            }
        });
    }
    ~FolderWatch() { Join(); }
    FolderWatch(const FolderWatch&) = delete;
    FolderWatch& operator=(const FolderWatch&) = delete;
    bool Watching() const { return watcher_.joinable(); }
    // Waits for the watcher; true when it acted.
    bool Join() {
        if (watcher_.joinable())
            watcher_.join();
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
        return acted_;
    }

  private:
    int fd_ = -1;
    std::thread watcher_;
    std::atomic<bool> acted_ = false;
};

TEST(ExportFaults, AFolderThatVanishesMidwayIsNotMadeAgain) {
    TempHome home;
    MapWindow map;
    FillMap(map.Handle(), 200'000); // several megabytes: the export is still writing
    const fs::path folder = home.Path() / "vanishing";
    fs::create_directory(folder);
    testing_support::WriteFile(folder, "drawing.dxf", kOldDrawing);
    auto besideAfter = FolderListing(home.Path());
    std::erase(besideAfter, "vanishing");
    FolderWatch watch(folder, [&] { fs::remove_all(folder); });
    ASSERT_TRUE(watch.Watching());
    MessageBoxes boxes;
    EXPECT_EQ(DXFFileExport(map.Handle(), (folder / "drawing.dxf").c_str(), 0, 0), 0);
    ASSERT_TRUE(watch.Join()) << "the export made no file in the folder";
    ExpectOneBox(boxes, map.Handle(), "File Writing Problems");
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_EQ(FolderListing(home.Path()), besideAfter) << "nothing made beside it";
}

TEST(ExportFaults, AFolderMovedAwayMidwayKeepsItsFile) {
    // The export finds the folder by its path; once the folder has moved, the temporary file
    // inside it can no longer be reached to be removed (docs/limits.md). The old drawing stays.
    TempHome home;
    MapWindow map;
    FillMap(map.Handle(), 200'000);
    const fs::path folder = home.Path() / "moving";
    const fs::path moved = home.Path() / "moved";
    fs::create_directory(folder);
    testing_support::WriteFile(folder, "drawing.dxf", kOldDrawing);
    FolderWatch watch(folder, [&] { fs::rename(folder, moved); });
    ASSERT_TRUE(watch.Watching());
    MessageBoxes boxes;
    EXPECT_EQ(DXFFileExport(map.Handle(), (folder / "drawing.dxf").c_str(), 0, 0), 0);
    ASSERT_TRUE(watch.Join());
    ExpectOneBox(boxes, map.Handle(), "File Writing Problems");
    EXPECT_FALSE(fs::exists(folder)) << "the folder is not made again";
    EXPECT_EQ(ReadFileBytes(moved / "drawing.dxf"), kOldDrawing);
}

} // namespace
