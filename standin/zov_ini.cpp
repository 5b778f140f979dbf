// The layer-mapping file (default name dxf.ini) behind ReadZOVIni, and the lookup
// FindZOVEntryShort2. docs/layer-mapping.md describes the format; in short, one record a line:
//
//   # pattern   number  name        attr7  attr8  attr9  attr10  attr12  order
//   WALL*       12      "Walls"     0      -1     0      1       0       1
//
// Fields are separated by blanks or tabs; a field in double quotes may hold blanks, and "" in
// it stands for one quote. Lines starting with # or ; are comments. The pattern, number and
// name are required; the rest default to 0, -1, 0, 1, 0 and 0. A line that cannot be read is
// skipped with a warning on stderr. Matching: the DXF layer name against each record's pattern
// in file order, ASCII case ignored, * standing for any run of characters and ? for one; the
// first record that matches wins.
#include "standin/files.h"
#include "standin/host_state.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <type_traits>

using namespace standin;

namespace {

constexpr std::size_t kPatternRoom = kZovPatternEnd - kZovPatternOffset - 1;
constexpr std::size_t kNameRoom = zov::kLayerNameEnd - zov::kLayerName - 1;

// Splits one line into fields; false on an unterminated quote.
bool SplitFields(std::string_view line, std::vector<std::string>& fields) {
    std::size_t i = 0;
    while (true) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) {
            ++i;
        }
        if (i == line.size()) {
            return true;
        }
        std::string field;
        if (line[i] != '"') {
            while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r') {
                field += line[i++];
            }
            fields.push_back(std::move(field));
            continue;
        }
        ++i;
        while (true) {
            if (i == line.size()) {
                return false;
            }
            if (line[i] == '"') {
                if (i + 1 < line.size() && line[i + 1] == '"') {
                    field += '"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            field += line[i++];
        }
        fields.push_back(std::move(field));
    }
}

// A whole decimal (or 0x hexadecimal) number within [low, high].
bool ParseNumber(const std::string& text, std::int64_t low, std::int64_t high,
                 std::int64_t& number) {
    std::string_view digits = text;
    bool negative = false;
    if (digits.starts_with('-')) {
        negative = true;
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.starts_with("0x") || digits.starts_with("0X")) {
        base = 16;
        digits.remove_prefix(2);
    }
    std::uint64_t magnitude = 0;
    if (!ParseWhole(digits, magnitude, base) ||
        magnitude > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) {
        return false;
    }
    number =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return number >= low && number <= high;
}

// The number of a field, within [low, high], stored as a T at `offset` of the entry. The
// unsigned fields take -1 for all bits set.
template <typename T>
bool PutNumber(ZOVIniEntry& entry, std::size_t offset, const std::string& text,
               std::int64_t low = std::is_signed_v<T> ? std::int64_t{std::numeric_limits<T>::min()}
                                                      : -1) {
    std::int64_t number = 0;
    if (!ParseNumber(text, low, std::numeric_limits<T>::max(), number)) {
        return false;
    }
    const auto value = static_cast<T>(number);
    std::memcpy(entry.bytes + offset, &value, sizeof value);
    return true;
}

// Reads one record from its fields into the entry; the reason when it cannot.
const char* ParseRecord(std::vector<std::string> fields, ZOVIniEntry& entry) {
    if (fields.size() < 3) {
        return "expected at least a pattern, a layer number and a layer name";
    }
    if (fields.size() > 9) {
        return "more than nine fields";
    }
    const std::string& pattern = fields[0];
    if (pattern.empty() || pattern.size() > kPatternRoom) {
        return "the pattern must have 1 to 24 characters";
    }
    if (!PutNumber<std::int32_t>(entry, zov::kLayerNumber, fields[1], 0)) {
        return "the layer number must be a whole number from 0 to 2147483647";
    }
    const std::string& name = fields[2];
    if (name.size() > kNameRoom) {
        return "the layer name must have at most 50 characters";
    }
    std::memcpy(entry.bytes + kZovPatternOffset, pattern.data(), pattern.size());
    std::memcpy(entry.bytes + zov::kLayerName, name.data(), name.size());
    constexpr std::array<const char*, 6> kLeftOut{"0", "-1", "0", "1", "0", "0"};
    for (std::size_t i = fields.size(); i < 9; ++i) {
        fields.emplace_back(kLeftOut[i - 3]);
    }
    if (!PutNumber<std::uint32_t>(entry, zov::kAttr7, fields[3]) ||
        !PutNumber<std::uint32_t>(entry, zov::kAttr8, fields[4]) ||
        !PutNumber<std::int32_t>(entry, zov::kAttr9, fields[5]) ||
        !PutNumber<std::uint32_t>(entry, zov::kAttr10, fields[6]) ||
        !PutNumber<std::uint16_t>(entry, zov::kAttr12, fields[7])) {
        return "an attribute is not a number in its range";
    }
    if (!PutNumber<std::uint8_t>(entry, zov::kOrderFlag, fields[8], 0)) {
        return "the order flag must be a number from 0 to 255";
    }
    return nullptr;
}

std::vector<ZOVIniEntry> ParseIni(std::istream& in, const std::string& path) {
    std::vector<ZOVIniEntry> entries;
    std::string line;
    std::size_t lineNumber = 0;
    while (std::getline(in, line)) {
        ++lineNumber;
        std::vector<std::string> fields;
        const auto first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#' || line[first] == ';') {
            continue;
        }
        ZOVIniEntry entry{};
        const char* problem = SplitFields(line, fields) ? ParseRecord(std::move(fields), entry)
                                                        : "a quoted field is not closed";
        if (problem) {
            std::fprintf(stderr, "vexa: %s line %zu skipped: %s\n", path.c_str(), lineNumber,
                         problem);
            continue;
        }
        entries.push_back(entry);
    }
    return entries;
}

// The path as given; a relative path that names no file is looked for in the configuration
// folder as well.
std::ifstream OpenIni(const std::string& path, std::string& used) {
    used = path;
    std::ifstream in(path, std::ios::binary);
    if (!in && !path.empty() && path.front() != '/') {
        used = ConfigFolder() + "/" + path;
        in.open(used, std::ios::binary);
    }
    return in;
}

char Folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Wildcard match, ASCII case ignored. On a mismatch after a *, the star takes one more
// character and matching resumes: at most pattern × name steps, no recursion.
bool Matches(std::string_view pattern, std::string_view name) {
    std::size_t p = 0;
    std::size_t n = 0;
    std::size_t starAt = std::string_view::npos;
    std::size_t resumeAt = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starAt = p++;
            resumeAt = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || Folded(pattern[p]) == Folded(name[n]))) {
            ++p;
            ++n;
        } else if (starAt != std::string_view::npos) {
            p = starAt + 1;
            n = ++resumeAt;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

} // namespace

VEXCORE_API HGLOBAL VEXCORE_CALL ReadZOVIni(const char* path, std::uint32_t* count) {
    return Guarded<HGLOBAL>(nullptr, [&]() -> HGLOBAL {
        if (count) {
            *count = 0;
        }
        if (!path) {
            return nullptr;
        }
        std::string used;
        std::ifstream in = OpenIni(path, used);
        if (!in) {
            return nullptr;
        }
        const std::vector<ZOVIniEntry> entries = ParseIni(in, used);
        if (in.bad() || entries.empty()) {
            return nullptr;
        }
        const SIZE_T bytes = entries.size() * sizeof(ZOVIniEntry);
        HGLOBAL block = GlobalAlloc(GHND, bytes);
        void* target = block ? GlobalLock(block) : nullptr;
        if (!target) {
            GlobalFree(block);
            return nullptr;
        }
        std::memcpy(target, entries.data(), bytes);
        GlobalUnlock(block);
        if (count) {
            *count = static_cast<std::uint32_t>(entries.size());
        }
        return block;
    });
}

VEXCORE_API const ZOVIniEntry* VEXCORE_CALL FindZOVEntryShort2(const char* dxfLayerName,
                                                               const ZOVIniEntry* entries,
                                                               std::uint32_t count, std::int32_t) {
    if (!dxfLayerName || !entries) {
        return nullptr;
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        const auto* pattern = reinterpret_cast<const char*>(entries[i].bytes + kZovPatternOffset);
        const std::size_t length = strnlen(pattern, kZovPatternEnd - kZovPatternOffset);
        if (Matches({pattern, length}, dxfLayerName)) {
            return &entries[i];
        }
    }
    return nullptr;
}
