#include "export/dxf_writer.h"

#include <charconv>
#include <chrono>
#include <cstring>
#include <system_error>

#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;

namespace {

// The buffer is written out once it holds this much; a whole export of a small map is a single
// write.
constexpr std::size_t kFlushSize = std::size_t{1} << 20;
// Room beyond the flush size so that the group that crosses it does not make the buffer grow.
constexpr std::size_t kBufferSlack = 4096;
// Attempts at a temporary name that no other file holds.
constexpr int kTemporaryNameAttempts = 16;

// Room for any number std::to_chars writes here: the longest "%.6f" of a double has 317
// characters (309 digits before the point, sign, point and six decimals).
constexpr std::size_t kNumberRoom = 352;
// A code line: two blanks, at most 11 characters of a 32-bit code, CR LF.
constexpr std::size_t kCodeLineRoom = 16;

// Writes the characters std::to_chars gives for the arguments at `out`, which has kNumberRoom
// characters; returns the end.
template <typename... Args>
char* PutChars(char* out, Args... args) {
    return std::to_chars(out, out + kNumberRoom, args...).ptr;
}

char* PutLineEnd(char* out) {
    out[0] = '\r';
    out[1] = '\n';
    return out + 2;
}

// Writes the code line at `out`, which has kCodeLineRoom characters; returns the end.
char* PutCodeLine(char* out, std::int32_t code) {
    out[0] = ' ';
    out[1] = ' ';
    return PutLineEnd(std::to_chars(out + 2, out + kCodeLineRoom - 2, code).ptr);
}

// Appends the characters std::to_chars gives for the arguments.
template <typename... Args>
void AppendChars(std::string& out, Args... args) {
    char digits[kNumberRoom];
    out.append(digits, static_cast<std::size_t>(PutChars(digits, args...) - digits));
}

// A name for the temporary file beside the target: hidden, derived from the target's name and
// made unique by a value that differs from call to call.
fs::path TemporaryName(const fs::path& target, std::uint64_t salt) {
    std::string name = ".";
    name += target.filename().string();
    name += ".~";
    AppendChars(name, salt, 16);
    name += ".tmp";
    return target.parent_path() / name;
}

std::uint64_t Salt(const void* writer, int attempt) {
    const auto ticks =
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(writer));
    return (ticks ^ (address << 16)) + static_cast<std::uint64_t>(attempt) * 0x9E3779B97F4A7C15u;
}

// Creates the file for writing only when no file of that name exists. The C runtime's "x" mode
// does that where the C library documents it; Windows' msvcrt does not know "x" (Wine's reports
// it as an incorrect mode flag and ignores it), so there the file is created with
// _O_CREAT | _O_EXCL, the runtime's documented exclusive creation.
std::FILE* CreateNewFile(const fs::path& path) {
#if defined(_WIN32)
    const int fd = _open(path.string().c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                         _S_IREAD | _S_IWRITE);
    if (fd < 0)
        return nullptr;
    std::FILE* file = _fdopen(fd, "wb");
    if (!file)
        _close(fd);
    return file;
#else
    return std::fopen(path.string().c_str(), "wbx");
#endif
}

// Whether an existing file may be written: opened for update, which neither creates nor
// truncates it.
bool CanWriteInPlace(const fs::path& target) {
    std::FILE* probe = std::fopen(target.string().c_str(), "r+b");
    if (!probe)
        return false;
    std::fclose(probe);
    return true;
}

// A symbolic link is followed, so that the file it names is replaced and the link stays.
fs::path ResolveTarget(const char* path) {
    fs::path target(path);
    std::error_code error;
    if (fs::is_symlink(target, error)) {
        fs::path resolved = fs::weakly_canonical(target, error);
        if (!error)
            return resolved;
    }
    return target;
}

} // namespace

DxfWriter::~DxfWriter() {
    if (file_)
        std::fclose(file_);
    DiscardTemporary();
}

bool DxfWriter::Open(const char* path) {
    if (file_ || !path || !*path)
        return false;
    target_ = ResolveTarget(path);
    if (!target_.has_filename())
        return false;
    std::error_code error;
    const fs::file_status status = fs::status(target_, error);
    if (fs::is_directory(status))
        return false;
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        file_ = std::fopen(target_.string().c_str(), "wb");
    } else {
        if (fs::exists(status) && !CanWriteInPlace(target_))
            return false;
        for (int attempt = 0; attempt < kTemporaryNameAttempts && !file_; ++attempt) {
            temporary_ = TemporaryName(target_, Salt(this, attempt));
            file_ = CreateNewFile(temporary_); // never takes over an existing file
        }
        if (!file_)
            temporary_.clear();
    }
    if (!file_)
        return false;
    // The writer buffers whole groups itself; a second buffer in the stream would only copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    pending_.reserve(kFlushSize + kBufferSlack);
    return true;
}

// Each group is formatted whole on the stack and appended in one piece: no growth of the
// buffer's size in small steps, no filling of room that to_chars then overwrites.
std::int32_t DxfWriter::WriteStringGroup(std::int32_t code, const char* text) {
    if (failed_)
        return 1;
    char line[kCodeLineRoom];
    pending_.append(line, static_cast<std::size_t>(PutCodeLine(line, code) - line));
    pending_.append(text);
    EndLine();
    FlushIfFull();
    return 1;
}

template <typename... Args>
void DxfWriter::AppendNumberGroup(std::int32_t code, Args... args) {
    if (failed_)
        return;
    char group[kCodeLineRoom + kNumberRoom + 2];
    char* end = PutLineEnd(PutChars(PutCodeLine(group, code), args...));
    pending_.append(group, static_cast<std::size_t>(end - group));
    FlushIfFull();
}

std::int32_t DxfWriter::WriteIntGroup(std::int32_t code, std::int32_t value) {
    AppendNumberGroup(code, value);
    return 1;
}

std::int32_t DxfWriter::WriteUnsignedGroup(std::int32_t code, std::uint32_t value) {
    AppendNumberGroup(code, value);
    return 1;
}

std::int32_t DxfWriter::WriteRealGroup(std::int32_t code, double value) {
    AppendNumberGroup(code, value, std::chars_format::fixed, 6);
    return 1;
}

void DxfWriter::FlushIfFull() {
    if (pending_.size() >= kFlushSize)
        Flush();
}

bool DxfWriter::Flush() {
    if (!failed_ && !pending_.empty()) {
        if (!file_ || std::fwrite(pending_.data(), 1, pending_.size(), file_) != pending_.size())
            failed_ = true;
    }
    pending_.clear();
    return !failed_;
}

bool DxfWriter::CloseFile() {
    if (!file_)
        return false;
    const bool flushed = std::fflush(file_) == 0 && !std::ferror(file_);
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    return flushed && closed;
}

bool DxfWriter::Commit() {
    if (!file_)
        return false;
    const bool written = !failed_ && Flush();
    const bool closed = CloseFile();
    if (!written || !closed) {
        failed_ = true;
        DiscardTemporary();
        return false;
    }
    if (temporary_.empty())
        return true;
    std::error_code error;
    // A replaced file keeps its permissions; a new one gets the usual ones of a new file.
    const fs::file_status old = fs::status(target_, error);
    if (fs::exists(old))
        fs::permissions(temporary_, old.permissions(), fs::perm_options::replace, error);
    fs::rename(temporary_, target_, error);
    if (error) {
        failed_ = true;
        DiscardTemporary();
        return false;
    }
    temporary_.clear();
    return true;
}

void DxfWriter::DiscardTemporary() {
    if (temporary_.empty())
        return;
    std::error_code ignored;
    fs::remove(temporary_, ignored);
    temporary_.clear();
}
