#include "fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/mman.h>
#include <unistd.h>
#include <vector>

namespace fuzzing {

namespace fs = std::filesystem;

namespace {

struct ScratchState {
    std::string folder;
    int boxes = 0;
    std::string lastBox;
};

ScratchState& Scratch() {
    static ScratchState state;
    return state;
}

void RemoveScratch() {
    std::error_code ignored;
    if (!Scratch().folder.empty())
        fs::remove_all(Scratch().folder, ignored);
}

std::string MakeScratchFolder() {
    std::error_code error;
    const std::string base = fs::is_directory("/dev/shm", error)
                                 ? std::string("/dev/shm")
                                 : fs::temp_directory_path(error).string();
    std::string pattern = base + "/dxfcnv-fuzz-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("dxfcnv fuzz: cannot make a scratch folder");
        std::abort();
    }
    fs::create_directories(pattern + "/home");
    return pattern;
}

bool SameReal(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

bool SamePoint(const MAP3D_COORDPT& a, const MAP3D_COORDPT& b) {
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

bool SameObject(const standin::Object& a, const standin::Object& b) {
    if (a.kind != b.kind || a.is3d != b.is3d || a.points.size() != b.points.size() ||
        a.members.size() != b.members.size())
        return false;
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        if (!SamePoint(a.points[i], b.points[i]))
            return false;
    }
    return a.center.x == b.center.x && a.center.y == b.center.y && a.radius == b.radius &&
           SameReal(a.startAngle, b.startAngle) && SameReal(a.endAngle, b.endAngle) &&
           a.quality == b.quality && a.text == b.text && SamePoint(a.position, b.position) &&
           a.font == b.font && a.size == b.size && a.style == b.style && a.color == b.color &&
           a.rotation == b.rotation && a.oblique == b.oblique && a.flags == b.flags;
}

bool SameLayer(const standin::Layer& a, const standin::Layer& b) {
    return a.number == b.number && a.name == b.name && a.attributes == b.attributes &&
           a.visible == b.visible && a.editable == b.editable &&
           a.objects.size() == b.objects.size();
}

} // namespace

void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "dxfcnv fuzz: check failed at %s:%d: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

const std::string& ScratchFolder() {
    ScratchState& state = Scratch();
    if (state.folder.empty()) {
        state.folder = MakeScratchFolder();
        std::atexit(RemoveScratch);
    }
    return state.folder;
}

std::string HomeFolder() {
    return ScratchFolder() + "/home";
}

void PrepareHost() {
    static bool prepared = false;
    if (prepared)
        return;
    prepared = true;
    ::setenv("VEXA_HOME", HomeFolder().c_str(), 1);
    standin::ReloadConfiguration();
    standin::SetMessageBoxHook([](HWND, std::string_view text, std::string_view, UINT) {
        ++Scratch().boxes;
        Scratch().lastBox.assign(text);
        return IDOK;
    });
}

int MessageBoxCount() {
    return Scratch().boxes;
}

std::string LastMessageBoxText() {
    return Scratch().lastBox;
}

void ResetMessageBoxes() {
    Scratch().boxes = 0;
    Scratch().lastBox.clear();
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

MemoryFile::MemoryFile() {
    fd_ = ::memfd_create("dxfcnv-fuzz", MFD_CLOEXEC);
    if (fd_ >= 0) {
        path_ = "/proc/self/fd/" + std::to_string(fd_);
    } else { // no memfd here: a file in the scratch folder does the same
        static int counter = 0;
        path_ = ScratchFolder() + "/memory-file-" + std::to_string(++counter);
    }
}

MemoryFile::~MemoryFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

void MemoryFile::Assign(std::string_view bytes) {
    if (fd_ < 0) {
        WriteWholeFile(path_, bytes);
        return;
    }
    FUZZ_CHECK(::ftruncate(fd_, 0) == 0);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written =
            ::pwrite(fd_, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        FUZZ_CHECK(written > 0);
        done += static_cast<std::size_t>(written);
    }
}

bool SameMap(const standin::MapSnapshot& a, const standin::MapSnapshot& b) {
    const auto sameRect = [](const MAP_COORDRECT& r, const MAP_COORDRECT& s) {
        return r.min.x == s.min.x && r.min.y == s.min.y && r.max.x == s.max.x && r.max.y == s.max.y;
    };
    if (a.unitId != b.unitId || a.currentLayer != b.currentLayer || a.textBase != b.textBase ||
        a.pageOrigin.x != b.pageOrigin.x || a.pageOrigin.y != b.pageOrigin.y ||
        a.pageExtent.x != b.pageExtent.x || a.pageExtent.y != b.pageExtent.y ||
        a.objectsRect.has_value() != b.objectsRect.has_value() ||
        (a.objectsRect && !sameRect(*a.objectsRect, *b.objectsRect)) ||
        a.layers.size() != b.layers.size() || a.objects.size() != b.objects.size())
        return false;
    for (std::size_t i = 0; i < a.layers.size(); ++i) {
        if (!SameLayer(a.layers[i], b.layers[i]))
            return false;
    }
    for (std::size_t i = 0; i < a.objects.size(); ++i) {
        if (!SameObject(a.objects[i], b.objects[i]))
            return false;
    }
    return true;
}

bool ReferencesHold(const standin::MapSnapshot& map) {
    std::vector<standin::ObjectId> ids;
    ids.reserve(map.objects.size());
    for (const standin::Object& object : map.objects)
        ids.push_back(object.id);
    std::sort(ids.begin(), ids.end());
    const auto known = [&ids](standin::ObjectId id) {
        return std::binary_search(ids.begin(), ids.end(), id);
    };
    for (const standin::Layer& layer : map.layers) {
        for (standin::ObjectId id : layer.objects) {
            if (!known(id))
                return false;
        }
    }
    for (const standin::Object& object : map.objects) {
        for (standin::ObjectId id : object.members) {
            if (!known(id))
                return false;
        }
    }
    return true;
}

} // namespace fuzzing
