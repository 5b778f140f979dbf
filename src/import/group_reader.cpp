#include "import/group_reader.h"

#include "import/ascii.h"
#include "import/numbers.h"

#include <bit>
#include <cstring>
#include <filesystem>
#include <functional>
#include <system_error>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr std::size_t kBlockSize = 256 * 1024;

constexpr auto IsLeadingSpace = ascii::IsSpace;
constexpr bool IsTokenDelimiter(char c) {
    return c == ' ' || c == '\t' || c == '\n';
}

// Before buffer bytes move, the current pair's value (which may point into them) is copied
// aside, so that a pair left unchanged by a failed read still holds its text.
void SaveGuardedValue(GroupReader& reader) {
    std::string_view* value = reader.guardedValue;
    if (!value || value->empty() || reader.buffer.empty())
        return;
    const char* first = reader.buffer.data();
    const char* last = first + reader.buffer.size();
    if (std::less<const char*>()(value->data(), first) ||
        !std::less<const char*>()(value->data(), last))
        return;
    reader.heldValue.assign(value->data(), value->size());
    *value = reader.heldValue;
}

} // namespace

// Moves the unconsumed bytes to the front and reads more of the file behind them, growing the
// buffer when a single line fills it. Returns false when no byte could be added.
bool RefillReader(GroupReader& reader) {
    if (reader.fileEnded || !reader.file)
        return false;
    SaveGuardedValue(reader);
    if (reader.buffer.empty())
        reader.buffer.resize(kBlockSize);
    const std::size_t kept = reader.end - reader.begin;
    if (reader.begin > 0) {
        std::memmove(reader.buffer.data(), reader.buffer.data() + reader.begin, kept);
        reader.bufferOffset += reader.begin;
        reader.begin = 0;
        reader.end = kept;
    }
    if (reader.end == reader.buffer.size())
        reader.buffer.resize(reader.buffer.size() * 2);
    const std::size_t room = reader.buffer.size() - reader.end;
    const std::size_t got =
        std::fread(reader.buffer.data() + reader.end, 1, room, reader.file.get());
    reader.end += got;
    if (got < room)
        reader.fileEnded = true;
    return got > 0;
}

namespace {

// Takes the next line (without LF or CR LF) out of the buffer. A last line without a line end is
// still a line. Returns false at the end of the file.
bool ReadLine(GroupReader& reader, std::string_view& line) {
    std::size_t searchFrom = reader.begin;
    for (;;) {
        const char* start = reader.buffer.data() + searchFrom;
        const auto* newline =
            reader.end > searchFrom
                ? static_cast<const char*>(std::memchr(start, '\n', reader.end - searchFrom))
                : nullptr;
        if (newline) {
            const char* first = reader.buffer.data() + reader.begin;
            std::size_t length = static_cast<std::size_t>(newline - first);
            if (length > 0 && first[length - 1] == '\r')
                --length;
            line = std::string_view(first, length);
            reader.begin = static_cast<std::size_t>(newline - reader.buffer.data()) + 1;
            return true;
        }
        const std::size_t scanned = reader.end - reader.begin;
        if (!RefillReader(reader)) {
            if (reader.begin == reader.end)
                return false;
            line = std::string_view(reader.buffer.data() + reader.begin, reader.end - reader.begin);
            reader.begin = reader.end;
            return true;
        }
        searchFrom = reader.begin + scanned;
    }
}

// Takes the next token from the code line, reading further lines while the line holds none.
bool NextToken(GroupReader& reader, std::string_view& token) {
    for (;;) {
        std::size_t pos = 0;
        while (pos < reader.line.size() && IsLeadingSpace(reader.line[pos]))
            ++pos;
        std::size_t stop = pos;
        while (stop < reader.line.size() && !IsTokenDelimiter(reader.line[stop]))
            ++stop;
        if (stop > pos) {
            token = reader.line.substr(pos, stop - pos);
            reader.line.remove_prefix(stop);
            return true;
        }
        if (!ReadLine(reader, reader.line)) {
            reader.line = {};
            return false;
        }
    }
}

using ascii::IsDigit;

// The first line feed in [p, end), or null. Most value lines are short: their end is found in
// the first sixteen bytes with one comparison (SSE2 hosts), without a call of memchr.
const char* FindLineFeed(const char* p, const char* end) {
#if defined(__SSE2__)
    if (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const auto feeds =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n'))));
        if (feeds != 0)
            return p + std::countr_zero(feeds);
        p += 16;
    }
#endif
    return static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
}

// The code line of the common pair: blanks, up to nine digits, CR LF or LF. Not a word at a
// time: the lengths of the code lines of an entity repeat, and the processor learns them.
bool TakeCodeLine(const char* p, const char* end, std::int32_t& code, const char*& next) {
    while (p < end && *p == ' ')
        ++p;
    constexpr std::ptrdiff_t kMaxDigits = 9; // no overflow, no saturation to think of
    const char* const digits = p;
    const char* const digitsEnd = end - p > kMaxDigits ? p + kMaxDigits : end;
    std::int32_t number = 0;
    for (; p < digitsEnd && IsDigit(*p); ++p)
        number = number * 10 + (*p - '0');
    if (p == digits)
        return false;
    if (p < end && *p == '\r')
        ++p;
    if (p == end || *p != '\n')
        return false;
    code = number;
    next = p + 1;
    return true;
}

// Nearly every pair has one shape: a code line of blanks, a few digits and the line end, then
// the value line. When the buffer holds such a pair whole, it is taken here straight from the
// buffer: the code without the token machinery (which would give the same code), the value's
// end mostly without a call. Anything else (a sign, a tab, letters, more than nine digits, a
// pair that runs past the buffer) consumes nothing and is left to the general way. Only at the
// start of a pair, when no rest of a code line is pending.
// The pair is written field by field, straight from the registers: a string_view built aside
// and copied in whole would be read back before its two halves reached memory, a stall.
bool TakePlainPair(GroupReader& reader, GroupPair& pair) {
    if (!reader.line.empty())
        return false;
    const char* const base = reader.buffer.data();
    const char* const end = base + reader.end;
    const char* const p = base + reader.begin;
    std::int32_t number = 0;
    const char* first = nullptr;
    if (!TakeCodeLine(p, end, number, first))
        return false;
    const char* const newline = FindLineFeed(first, end);
    if (!newline)
        return false;
    const char* const last = newline > first && newline[-1] == '\r' ? newline - 1 : newline;
    pair.code = number;
    pair.value = std::string_view(first, static_cast<std::size_t>(last - first));
    reader.begin = static_cast<std::size_t>(newline + 1 - base);
    return true;
}

// The general way to a code: tokens of the code line and the lines after it, non-numeric tokens
// skipped. False when the file ends first.
bool SeekCodeToken(GroupReader& reader, std::int32_t& code) {
    std::string_view token;
    for (;;) {
        if (!NextToken(reader, token))
            return false;
        if (ScanInt(token, code) == ScanResult::Matched)
            return true;
    }
}

// The general way to a pair, for whatever TakePlainPair leaves; the buffer may move meanwhile.
std::int32_t ReadPairGuarded(GroupPair& pair, GroupReader& reader) {
    std::int32_t code = 0;
    if (!SeekCodeToken(reader, code))
        return 0;
    // The rest of the code line is discarded; the value is the next whole line.
    reader.line = {};
    pair.code = code;
    std::string_view value;
    if (!ReadLine(reader, value)) {
        pair.value = {};
        return 0;
    }
    pair.value = value;
    return 1;
}

} // namespace

bool OpenReader(GroupReader& reader, const char* path) {
    std::error_code error;
    if (!path || std::filesystem::is_directory(path, error))
        return false;
    reader.file.reset(std::fopen(path, "rb"));
    if (!reader.file)
        return false;
    std::setvbuf(reader.file.get(), nullptr, _IONBF, 0);
    return true;
}

void CloseReader(GroupReader& reader) {
    reader.file.reset();
}

void OpenReaderOnText(GroupReader& reader, std::string_view text) {
    reader.file.reset();
    reader.buffer.assign(text.begin(), text.end());
    reader.begin = 0;
    reader.end = reader.buffer.size();
    reader.fileEnded = true;
    reader.fileLength = text.size();
}

std::int32_t ReadPair(GroupPair& pair, GroupReader& reader) {
    // The common pair is taken from the buffer as it stands: nothing moves, nothing to guard.
    // A binary file never takes this way: its bytes could pass for a text pair.
    if (reader.encoding == GroupEncoding::Text && TakePlainPair(reader, pair)) [[likely]]
        return 1;
    reader.guardedValue = &pair.value;
    const std::int32_t result = reader.encoding == GroupEncoding::Text
                                    ? ReadPairGuarded(pair, reader)
                                    : ReadBinaryPair(pair, reader);
    reader.guardedValue = nullptr;
    if (!result)
        reader.exhausted = true;
    return result;
}

namespace {
std::int32_t Seek(GroupPair& pair, GroupReader& reader, KeywordId id, bool stopAtEndSec) {
    if (reader.exhausted)
        return 0;
    const std::int32_t read = ReadPair(pair, reader);
    LookupKeyword(pair);
    if (!read)
        return 0;
    while (pair.keyword != id && !(stopAtEndSec && pair.keyword == KeywordId::EndSec)) {
        if (!ReadPair(pair, reader))
            return 0;
        LookupKeyword(pair);
    }
    return pair.keyword == id ? 1 : 0;
}
} // namespace

std::int32_t SeekKeyword(GroupPair& pair, GroupReader& reader, KeywordId id) {
    return Seek(pair, reader, id, false);
}

std::int32_t SeekKeywordInSection(GroupPair& pair, GroupReader& reader, KeywordId id) {
    return Seek(pair, reader, id, true);
}

std::int32_t SeekCode(GroupPair& pair, GroupReader& reader, std::int32_t code) {
    if (reader.exhausted)
        return 0;
    for (;;) {
        if (!ReadPair(pair, reader))
            return 0;
        LookupKeyword(pair);
        if (pair.code == code)
            return 1;
        if (pair.keyword == KeywordId::EndSec)
            return 0;
    }
}

namespace {
constexpr WPARAM kProgressKind = 3;

void SendProgress(const GroupReader& reader, LPARAM value) {
    SendMessageA(reader.progressWindow, kProgressMessage, kProgressKind, value);
}

std::uint64_t FileLength(GroupReader& reader) {
    if (!reader.file)
        return reader.fileLength;
    std::FILE* file = reader.file.get();
    const long here = std::ftell(file);
    if (here < 0 || std::fseek(file, 0, SEEK_END) != 0)
        return 0;
    const long length = std::ftell(file);
    std::fseek(file, here, SEEK_SET);
    return length < 0 ? 0 : static_cast<std::uint64_t>(length);
}
} // namespace

std::int32_t ProgressStart(GroupReader& reader) {
    if (!reader.progressWindow)
        return 0;
    reader.fileLength = FileLength(reader);
    SendProgress(reader, -1);
    SendProgress(reader, 0);
    return 1;
}

std::int32_t ProgressStep(GroupReader& reader) {
    if (!reader.progressWindow)
        return 0;
    if (reader.fileLength == 0)
        return 1; // no length, no percentage: nothing to divide by
    const double position = static_cast<double>(reader.bufferOffset + reader.begin);
    const double percent = position / static_cast<double>(reader.fileLength) * 100.0;
    const auto whole = static_cast<std::int32_t>(percent < 100.0 ? percent : 100.0);
    if (whole > reader.lastPercent) {
        reader.lastPercent = whole;
        SendProgress(reader, whole);
    }
    return 1;
}

std::int32_t ProgressEnd(GroupReader& reader) {
    if (!reader.progressWindow)
        return 0;
    SendProgress(reader, 100);
    SendProgress(reader, -2);
    return 1;
}
