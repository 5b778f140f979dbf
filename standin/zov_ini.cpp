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

#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

using namespace standin;

namespace {

constexpr std::size_t kPatternRoom = kZovPatternEnd - kZovPatternOffset - 1;
constexpr std::size_t kNameRoom = zov::kLayerNameEnd - zov::kLayerName - 1;

struct IniRecord {
    std::string pattern;
    std::int32_t number = 0;
    std::string name;
    std::uint32_t attr7 = 0;
    std::uint32_t attr8 = 0xFFFFFFFF;
    std::int32_t attr9 = 0;
    std::uint32_t attr10 = 1;
    std::uint16_t attr12 = 0;
    std::uint8_t order = 0;
};

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

// -1 stands for all bits set in the unsigned fields.
template <typename Unsigned>
bool ParseUnsigned(const std::string& text, Unsigned& value) {
    std::int64_t number = 0;
    if (!ParseNumber(text, -1, std::numeric_limits<Unsigned>::max(), number)) {
        return false;
    }
    value = number == -1 ? std::numeric_limits<Unsigned>::max() : static_cast<Unsigned>(number);
    return true;
}

// Reads one record from its fields; the reason when it cannot.
const char* ParseRecord(const std::vector<std::string>& fields, IniRecord& record) {
    if (fields.size() < 3) {
        return "expected at least a pattern, a layer number and a layer name";
    }
    if (fields.size() > 9) {
        return "more than nine fields";
    }
    record.pattern = fields[0];
    if (record.pattern.empty() || record.pattern.size() > kPatternRoom) {
        return "the pattern must have 1 to 24 characters";
    }
    std::int64_t number = 0;
    if (!ParseNumber(fields[1], 0, std::numeric_limits<std::int32_t>::max(), number)) {
        return "the layer number must be a whole number from 0 to 2147483647";
    }
    record.number = static_cast<std::int32_t>(number);
    record.name = fields[2];
    if (record.name.size() > kNameRoom) {
        return "the layer name must have at most 50 characters";
    }
    const auto field = [&fields](std::size_t i) -> const std::string* {
        return i < fields.size() ? &fields[i] : nullptr;
    };
    std::int64_t signedValue = 0;
    if ((field(3) && !ParseUnsigned(*field(3), record.attr7)) ||
        (field(4) && !ParseUnsigned(*field(4), record.attr8)) ||
        (field(6) && !ParseUnsigned(*field(6), record.attr10)) ||
        (field(7) && !ParseUnsigned(*field(7), record.attr12))) {
        return "an attribute is not a number in its range";
    }
    if (field(5)) {
        if (!ParseNumber(*field(5), std::numeric_limits<std::int32_t>::min(),
                         std::numeric_limits<std::int32_t>::max(), signedValue)) {
            return "an attribute is not a number in its range";
        }
        record.attr9 = static_cast<std::int32_t>(signedValue);
    }
    if (field(8)) {
        if (!ParseNumber(*field(8), 0, 255, signedValue)) {
            return "the order flag must be a number from 0 to 255";
        }
        record.order = static_cast<std::uint8_t>(signedValue);
    }
    return nullptr;
}

template <typename T>
void PutField(ZOVIniEntry& entry, std::size_t offset, T value) {
    std::memcpy(entry.bytes + offset, &value, sizeof value);
}

ZOVIniEntry ToEntry(const IniRecord& record) {
    ZOVIniEntry entry{};
    PutField(entry, zov::kLayerNumber, record.number);
    std::memcpy(entry.bytes + kZovPatternOffset, record.pattern.data(), record.pattern.size());
    std::memcpy(entry.bytes + zov::kLayerName, record.name.data(), record.name.size());
    PutField(entry, zov::kAttr7, record.attr7);
    PutField(entry, zov::kAttr9, record.attr9);
    PutField(entry, zov::kAttr10, record.attr10);
    PutField(entry, zov::kAttr12, record.attr12);
    PutField(entry, zov::kAttr8, record.attr8);
    entry.bytes[zov::kOrderFlag] = record.order;
    return entry;
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
        IniRecord record;
        const char* problem = SplitFields(line, fields) ? ParseRecord(fields, record)
                                                        : "a quoted field is not closed";
        if (problem) {
            std::fprintf(stderr, "vexa: %s line %zu skipped: %s\n", path.c_str(), lineNumber,
                         problem);
            continue;
        }
        entries.push_back(ToEntry(record));
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
