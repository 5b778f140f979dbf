#include "app/render_support.h"

#include "standin/posix_files.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

namespace dxfcnv {

namespace {

constexpr double kFullTurn = 360.0;
// Attempts at a temporary name that no other file holds.
constexpr int kTemporaryNameAttempts = 100;

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (const char c : text) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return count;
}

// Creates a new empty file beside `target` with the usual permissions under the umask; its name,
// or nothing with the reason.
std::optional<std::string> CreateTemporaryFile(const std::filesystem::path& target,
                                               std::string* error) {
    const std::filesystem::path folder = target.parent_path();
    const std::string stem =
        "." + target.filename().string() + ".tmp-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
        const std::string name = (folder / (stem + "-" + std::to_string(attempt))).string();
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
            return name;
        }
        if (errno != EEXIST) {
            *error = std::strerror(errno);
            return std::nullopt;
        }
    }
    *error = "no free temporary file name";
    return std::nullopt;
}

} // namespace

std::optional<double> ArcSweepDegrees(double startAngle, double endAngle) {
    if (!std::isfinite(startAngle) || !std::isfinite(endAngle)) {
        return std::nullopt;
    }
    double sweep = std::fmod(endAngle - startAngle, kFullTurn);
    if (sweep <= 0.0) {
        sweep += kFullTurn;
    }
    return sweep;
}

bool IsPointSymbol(const standin::Object& text) {
    return text.kind == standin::ObjectKind::Text && (text.flags & kTextFlagImported) == 0 &&
           (text.text.size() == 1 || CharacterCount(text.text) == 1);
}

std::string_view ObjectTypeName(const standin::Object& object) {
    switch (object.kind) {
    case standin::ObjectKind::Polyline:
        return object.is3d ? "polyline3d" : "polyline";
    case standin::ObjectKind::Polygon:
        return object.is3d ? "polygon3d" : "polygon";
    case standin::ObjectKind::Arc:
        return "arc";
    case standin::ObjectKind::Text:
        return IsPointSymbol(object) ? "symbol" : "text";
    case standin::ObjectKind::Group:
        break;
    }
    return "group";
}

ObjectIndex::ObjectIndex(const standin::MapSnapshot& map) {
    byId_.reserve(map.objects.size());
    for (const standin::Object& object : map.objects) {
        byId_.emplace(object.id, &object);
    }
}

const standin::Object* ObjectIndex::Find(standin::ObjectId id) const {
    const auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

bool WriteOutputFile(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string* error) {
    if (path == "-") {
        write(std::cout);
        std::cout.flush();
        if (!std::cout) {
            *error = "cannot write to standard output";
            return false;
        }
        return true;
    }
    const auto temporary = CreateTemporaryFile(path, error);
    if (!temporary) {
        return false;
    }
    bool written = false;
    {
        std::ofstream out(*temporary, std::ios::binary | std::ios::trunc);
        if (out) {
            write(out);
            out.close();
            written = !out.fail();
        }
    }
    if (!written) {
        *error = "cannot write the file (disk full or folder not writable?)";
        std::remove(temporary->c_str());
        return false;
    }
    if (standin::RenameOver(temporary->c_str(), path.c_str()) != 0) {
        *error = std::strerror(errno);
        std::remove(temporary->c_str());
        return false;
    }
    return true;
}

} // namespace dxfcnv
