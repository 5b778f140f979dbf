// The group-pair reader: turns a DXF file into a stream of (code, value) groups, classifies
// values against the keyword table, searches forward, and reports reading progress to the host.
// A text file is read as it stands; a binary DXF file (on request, see StartBinaryIfPresent)
// gives the same pairs, its numbers written out as the text a text file would hold.
#pragma once

#include "host/win32.h"
#include "import/keywords.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// The current group. `value` is the whole value line, without its line end and untrimmed; it
// stays valid until the next ReadPair. `keyword` is set only by LookupKeyword.
struct GroupPair {
    std::int32_t code = 0;
    std::string_view value;
    KeywordId keyword = KeywordId::None;
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

// How the groups of the file are written: text lines, or binary with 8-bit group codes (255
// followed by a 16-bit code for the larger ones; R12 and before) or 16-bit group codes.
enum class GroupEncoding : std::uint8_t { Text, Binary8, Binary16 };

// Room for the text of one binary value: a binary chunk of up to 255 bytes as hex digits, or a
// number.
constexpr std::size_t kBinaryValueTextSize = 512;

// The reading state of one import. The file is read in large blocks; lines are handed out as
// views into the block buffer, so a pair costs no allocation and no system call.
struct GroupReader {
    std::unique_ptr<std::FILE, FileCloser> file;
    std::vector<char> buffer;                 // grows only for a line longer than the buffer
    std::size_t begin = 0;                    // first unconsumed byte of buffer
    std::size_t end = 0;                      // one past the last valid byte of buffer
    std::uint64_t bufferOffset = 0;           // file offset of buffer[0]
    bool fileEnded = false;                   // the file has no more bytes to give
    bool exhausted = false;                   // a ReadPair failed: no further pair can be read
    std::string_view line;                    // the unconsumed rest of the current code line
    std::string_view* guardedValue = nullptr; // the pair value to save before the buffer moves
    std::string heldValue;                    // where that value is saved
    HWND progressWindow = nullptr;
    std::int32_t lastPercent = 0;
    std::uint64_t fileLength = 0;
    GroupEncoding encoding = GroupEncoding::Text;
    std::array<char, kBinaryValueTextSize> binaryValueText{}; // a number or chunk as text
};

// Opens `path` for reading; false when it cannot be opened (a directory counts as such).
bool OpenReader(GroupReader& reader, const char* path);
void CloseReader(GroupReader& reader);
// Reads from an in-memory text instead of a file (tests, fuzzing).
void OpenReaderOnText(GroupReader& reader, std::string_view text);

// When the file begins with the sentinel of a binary DXF file, steps past it, tells the two
// binary flavours apart and reads every further group as binary; true then. Otherwise the reader
// stays as it was. Called once, before the first pair.
bool StartBinaryIfPresent(GroupReader& reader);

// Reads the next group into the pair. Returns 1 when a code and its value line were read; 0 when
// no code could be found (the pair is unchanged) or the file ended after the code line (the code
// is set and the value is empty). A failure marks the reader exhausted.
std::int32_t ReadPair(GroupPair& pair, GroupReader& reader);

// For the binary reader: moves the unconsumed bytes to the front of the buffer and adds more of
// the file behind them; false when no byte could be added.
bool RefillReader(GroupReader& reader);
// The binary way to a pair, with ReadPair's results; the reader's encoding is binary.
std::int32_t ReadBinaryPair(GroupPair& pair, GroupReader& reader);

// Sets the pair's keyword id from its value; 1 when the value is a keyword. Inline: it runs
// for nearly every pair, and most values are turned away by MayBeKeyword alone.
inline std::int32_t LookupKeyword(GroupPair& pair) {
    pair.keyword = MayBeKeyword(pair.value) ? ClassifyKeyword(pair.value) : KeywordId::None;
    return pair.keyword != KeywordId::None ? 1 : 0;
}

// Reads and classifies pairs until one whose keyword is `id`; nonzero when it stopped on one.
// Once the reader is exhausted every search fails at once.
std::int32_t SeekKeyword(GroupPair& pair, GroupReader& reader, KeywordId id);
// The same, but it also stops at ENDSEC; nonzero only when it stopped on `id`.
std::int32_t SeekKeywordInSection(GroupPair& pair, GroupReader& reader, KeywordId id);
// Reads pairs until one with group code `code` (classified, 1); 0 at ENDSEC or the file's end.
std::int32_t SeekCode(GroupPair& pair, GroupReader& reader, std::int32_t code);

// Progress to the progress window, message 1177 with wParam 3. Each returns 0 without a window.
constexpr unsigned kProgressMessage = 1177;
std::int32_t ProgressStart(GroupReader& reader);
std::int32_t ProgressStep(GroupReader& reader);
std::int32_t ProgressEnd(GroupReader& reader);
