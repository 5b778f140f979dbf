#include "standin/files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

// MinGW's C runtime (msvcrt) has no fsync or fchmod (_commit stands for fsync), opens files in
// text mode unless told otherwise, and its rename refuses an existing target, so the replacement
// goes through MoveFileExA; MOVEFILE_WRITE_THROUGH returns only once the move is on disk, which
// stands for the flush of the folder.
#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#endif

namespace standin {
namespace {

#if defined(_WIN32)
constexpr const char* kFolderSeparators = "/\\"; // Windows paths use both
#else
constexpr const char* kFolderSeparators = "/";
#endif

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of(kFolderSeparators);
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string BaseNameOf(const std::string& path) {
    const auto slash = path.find_last_of(kFolderSeparators);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        constexpr std::size_t kMostAtOnce = std::size_t{1} << 30; // msvcrt counts in unsigned int
        const auto written =
            ::write(fd, text.data(), static_cast<unsigned>(std::min(text.size(), kMostAtOnce)));
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

// mkstemp makes the file private: it gets the permissions of the file it replaces, else the
// usual ones under the umask. msvcrt files carry no permission bits beyond read-only, but must be
// kept from writing every LF as CR LF.
bool SetMode(int fd, [[maybe_unused]] const std::string& target) {
#if defined(_WIN32)
    return ::_setmode(fd, _O_BINARY) != -1;
#else
    struct stat existing {};
    if (::stat(target.c_str(), &existing) == 0) {
        return ::fchmod(fd, existing.st_mode & 07777) == 0;
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(fd, 0666 & ~mask) == 0;
#endif
}

bool Flush(int fd) {
#if defined(_WIN32)
    return ::_commit(fd) == 0;
#else
    return ::fsync(fd) == 0;
#endif
}

// Renames `from` over `to`, replacing an existing `to`, and makes the rename last.
bool RenameOver(const std::string& from, const std::string& to) {
#if defined(_WIN32)
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
#else
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        return false;
    }
    // The file is in place; a folder that cannot be flushed (some file systems refuse) does not
    // undo that.
    const int folder = ::open(FolderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
#endif
}

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

} // namespace

bool WriteFileAtomically(const std::string& path, std::string_view text, std::string* error) {
    const auto fail = [&](const std::string& what, int code) {
        if (error != nullptr) {
            *error = SystemError(what, code);
        }
        return false;
    };
    std::string temporary = FolderOf(path) + "/." + BaseNameOf(path) + ".tmp-XXXXXX";
#if defined(_WIN32)
    const int fd = ::mkstemp(temporary.data()); // msvcrt descriptors are not inherited anyway
#else
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
#endif
    if (fd < 0) {
        const int createError = errno;
        return fail("cannot create a temporary file in " + FolderOf(path), createError);
    }
    bool ok = SetMode(fd, path) && WriteAll(fd, text) && Flush(fd);
    int writeError = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        writeError = errno;
    }
    if (!ok) {
        ::unlink(temporary.c_str());
        return fail("cannot write " + temporary, writeError);
    }
    if (!RenameOver(temporary, path)) {
        const int renameError = errno;
        ::unlink(temporary.c_str());
        return fail("cannot replace " + path, renameError);
    }
    return true;
}

std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[at + k]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        return 1;
    }
    std::size_t length = 0;
    unsigned char low = 0x80; // bounds of the second byte exclude overlongs and surrogates
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (bytes.size() - at < length || byte(1) < low || byte(1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if ((byte(k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

bool IsStrictUtf8(std::string_view bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = Utf8SequenceLength(bytes, at);
        if (length == 0) {
            return false;
        }
        at += length;
    }
    return true;
}

void AppendHex(std::string& out, std::string_view bytes, bool upperCase) {
    const char* digits = upperCase ? "0123456789ABCDEF" : "0123456789abcdef";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += digits[byte >> 4];
        out += digits[byte & 0xF];
    }
}

std::optional<std::string> DecodeHex(std::string_view hex, std::size_t* badAt) {
    std::string bytes;
    bytes.reserve(hex.size() / 2);
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexValue(hex[i]);
        const int low = i + 1 < hex.size() ? HexValue(hex[i + 1]) : -1;
        if (high < 0 || low < 0) {
            if (badAt != nullptr) {
                *badAt = high < 0 ? i : i + 1;
            }
            return std::nullopt;
        }
        bytes += static_cast<char>((high << 4) | low);
    }
    return bytes;
}

} // namespace standin
