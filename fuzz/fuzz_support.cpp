#include "fuzz_support.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sys/mman.h>
#include <tuple>
#include <unistd.h>
#include <utility>

namespace fuzzing {

namespace fs = std::filesystem;

namespace {

std::string scratch;

void RemoveScratch() {
    std::error_code ignored;
    fs::remove_all(scratch, ignored);
}

auto Key(const MAP3D_COORDPT& p) {
    return std::tuple(p.x, p.y, p.z);
}

auto Key(const standin::Object& o) {
    std::vector<decltype(Key(o.position))> points;
    for (const MAP3D_COORDPT& point : o.points)
        points.push_back(Key(point));
    return std::tuple(o.kind, o.is3d, points, o.members.size(), o.center.x, o.center.y, o.radius,
                      std::bit_cast<std::uint64_t>(o.startAngle),
                      std::bit_cast<std::uint64_t>(o.endAngle), o.quality, o.text, Key(o.position),
                      o.font, o.size, o.style, o.color, o.rotation, o.oblique, o.flags);
}

auto Key(const standin::Layer& l) {
    return std::tuple(l.number, l.name, l.attributes, l.visible, l.editable, l.objects.size());
}

template <typename T>
bool SameKeys(const std::vector<T>& a, const std::vector<T>& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const T& x, const T& y) { return Key(x) == Key(y); });
}

auto Key(const standin::MapSnapshot& m) {
    const auto rect = m.objectsRect.value_or(MAP_COORDRECT{});
    return std::tuple(m.unitId, m.currentLayer, m.textBase, m.pageOrigin.x, m.pageOrigin.y,
                      m.pageExtent.x, m.pageExtent.y, m.objectsRect.has_value(), rect.min.x,
                      rect.min.y, rect.max.x, rect.max.y);
}

} // namespace

void CheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "dxfcnv fuzz: check failed at %s:%d: %s\n", file, line, condition);
    std::fflush(stderr);
    std::abort();
}

const std::string& ScratchFolder() {
    if (scratch.empty()) {
        std::error_code error;
        scratch = (fs::is_directory("/dev/shm", error) ? std::string("/dev/shm")
                                                       : fs::temp_directory_path(error).string()) +
                  "/dxfcnv-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(scratch.data()) != nullptr);
        fs::create_directories(scratch + "/home");
        std::atexit(RemoveScratch);
    }
    return scratch;
}

void PrepareHost() {
    static bool prepared = false;
    if (std::exchange(prepared, true))
        return;
    ::setenv("VEXA_HOME", (ScratchFolder() + "/home").c_str(), 1);
    standin::ReloadConfiguration();
    standin::SetMessageBoxHook([](HWND, std::string_view text, std::string_view, UINT) {
        messageBoxes.emplace_back(text);
        return IDOK;
    });
}

void WriteWholeFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

const std::string& InMemory(std::string_view bytes) {
    static const int fd = ::memfd_create("dxfcnv-fuzz", MFD_CLOEXEC);
    static const std::string path = "/proc/self/fd/" + std::to_string(fd);
    FUZZ_CHECK(fd >= 0 && ::ftruncate(fd, 0) == 0);
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t written =
            ::pwrite(fd, bytes.data() + done, bytes.size() - done, static_cast<off_t>(done));
        FUZZ_CHECK(written > 0);
        done += static_cast<std::size_t>(written);
    }
    return path;
}

bool SameMap(const standin::MapSnapshot& a, const standin::MapSnapshot& b) {
    return Key(a) == Key(b) && SameKeys(a.layers, b.layers) && SameKeys(a.objects, b.objects);
}

} // namespace fuzzing
