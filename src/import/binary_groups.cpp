// Binary DXF: the sentinel, the two widths of group codes, and each value read by the type its
// code gives it. Every value becomes the text a text file would hold for it, so that the handlers
// read binary and text files alike: strings are handed out as views into the block buffer,
// numbers and binary chunks are written into the reader's own value buffer. Nothing is allocated
// per pair; the buffer refills by blocks as for text.
#include "import/group_reader.h"

#include <array>
#include <bit>
#include <charconv>
#include <cstring>
#include <type_traits>

namespace {

constexpr std::string_view kBinarySentinel{"AutoCAD Binary DXF\r\n\x1a\0", 22};

// What follows a group code in a binary file.
enum class BinaryValue : std::uint8_t { String, Double, Int16, Int32, Int64, Byte, Chunk };

constexpr bool Within(std::int32_t code, std::int32_t first, std::int32_t last) {
    return code >= first && code <= last;
}

// The value types of the DXF group code ranges. Codes of no known range are read as strings,
// the widest guess, which a zero byte always ends.
constexpr BinaryValue ValueOfCode(std::int32_t code) {
    if (Within(code, 10, 59) || Within(code, 110, 149) || Within(code, 210, 239) ||
        Within(code, 460, 469) || Within(code, 1010, 1059))
        return BinaryValue::Double;
    if (Within(code, 60, 79) || Within(code, 170, 179) || Within(code, 270, 289) ||
        Within(code, 370, 389) || Within(code, 400, 409) || Within(code, 1060, 1070))
        return BinaryValue::Int16;
    if (Within(code, 90, 99) || Within(code, 420, 429) || Within(code, 440, 459) || code == 1071)
        return BinaryValue::Int32;
    if (Within(code, 160, 169))
        return BinaryValue::Int64;
    if (Within(code, 290, 299))
        return BinaryValue::Byte;
    if (Within(code, 310, 319) || code == 1004)
        return BinaryValue::Chunk;
    return BinaryValue::String;
}

// ValueOfCode as a table over the codes of the known ranges (all below 1072): one load a pair.
constexpr std::int32_t kTypedCodes = 1072;
constexpr auto kValueOfCode = [] {
    std::array<BinaryValue, kTypedCodes> table{};
    for (std::int32_t code = 0; code < kTypedCodes; ++code)
        table[static_cast<std::size_t>(code)] = ValueOfCode(code);
    return table;
}();

BinaryValue ValueOf(std::int32_t code) {
    return code >= 0 && code < kTypedCodes ? kValueOfCode[static_cast<std::size_t>(code)]
                                           : BinaryValue::String;
}

// Makes at least `count` unconsumed bytes available in the buffer; false at the file's end.
bool Want(GroupReader& reader, std::size_t count) {
    while (reader.end - reader.begin < count) {
        if (!RefillReader(reader))
            return false;
    }
    return true;
}

// The little-endian unsigned integer of `width` bytes at the reading position.
std::uint64_t TakeLittleEndian(GroupReader& reader, std::size_t width) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(reader.buffer.data() + reader.begin);
    std::uint64_t value = 0;
    for (std::size_t i = width; i-- > 0;)
        value = (value << 8) | bytes[i];
    reader.begin += width;
    return value;
}

bool ReadCode(GroupReader& reader, std::int32_t& code) {
    if (reader.encoding == GroupEncoding::Binary16) {
        if (!Want(reader, 2))
            return false;
        code = static_cast<std::int32_t>(TakeLittleEndian(reader, 2));
        return true;
    }
    if (!Want(reader, 1))
        return false;
    code = static_cast<std::int32_t>(TakeLittleEndian(reader, 1));
    if (code != 255)
        return true;
    // 255 escapes a code that needs 16 bits.
    if (!Want(reader, 2))
        return false;
    code = static_cast<std::int32_t>(TakeLittleEndian(reader, 2));
    return true;
}

// A zero-terminated string, as a view into the buffer; false when the file ends before the zero.
bool ReadString(GroupReader& reader, std::string_view& value) {
    std::size_t searched = 0;
    for (;;) {
        const char* first = reader.buffer.data() + reader.begin;
        const std::size_t available = reader.end - reader.begin;
        const auto* zero = available > searched ? static_cast<const char*>(std::memchr(
                                                      first + searched, '\0', available - searched))
                                                : nullptr;
        if (zero) {
            value = std::string_view(first, static_cast<std::size_t>(zero - first));
            reader.begin += value.size() + 1;
            return true;
        }
        searched = available;
        if (!RefillReader(reader))
            return false;
    }
}

template <typename Number>
std::string_view WriteNumber(GroupReader& reader, Number number) {
    char* const first = reader.binaryValueText.data();
    const auto written = std::to_chars(first, first + reader.binaryValueText.size(), number);
    return std::string_view(first, static_cast<std::size_t>(written.ptr - first));
}

// A chunk of binary data (a length byte, then the bytes) as the hexadecimal digits a text file
// gives it.
bool ReadChunk(GroupReader& reader, std::string_view& value) {
    if (!Want(reader, 1))
        return false;
    const auto length = static_cast<std::size_t>(TakeLittleEndian(reader, 1));
    if (!Want(reader, length))
        return false;
    constexpr char kHexDigits[] = "0123456789ABCDEF";
    const auto* bytes = reinterpret_cast<const unsigned char*>(reader.buffer.data() + reader.begin);
    char* const text = reader.binaryValueText.data();
    static_assert(kBinaryValueTextSize >= 2 * 255);
    for (std::size_t i = 0; i < length; ++i) {
        text[2 * i] = kHexDigits[bytes[i] >> 4];
        text[2 * i + 1] = kHexDigits[bytes[i] & 15];
    }
    reader.begin += length;
    value = std::string_view(text, 2 * length);
    return true;
}

// Reads a fixed-width value and writes it out as text; false when the file ends within it. The
// host's byte order plays no part: the bytes are assembled arithmetically, integers narrow
// modulo their width (two's complement), and a double takes the bits as they are.
template <typename Number, std::size_t kWidth>
bool ReadFixed(GroupReader& reader, std::string_view& value) {
    if (!Want(reader, kWidth))
        return false;
    const std::uint64_t bits = TakeLittleEndian(reader, kWidth);
    if constexpr (std::is_same_v<Number, double>)
        value = WriteNumber(reader, std::bit_cast<double>(bits));
    else
        value = WriteNumber(reader, static_cast<Number>(bits));
    return true;
}

bool ReadValue(GroupReader& reader, BinaryValue kind, std::string_view& value) {
    switch (kind) {
    case BinaryValue::Double:
        return ReadFixed<double, 8>(reader, value);
    case BinaryValue::Int16:
        return ReadFixed<std::int16_t, 2>(reader, value);
    case BinaryValue::Int32:
        return ReadFixed<std::int32_t, 4>(reader, value);
    case BinaryValue::Int64:
        return ReadFixed<std::int64_t, 8>(reader, value);
    case BinaryValue::Byte:
        return ReadFixed<unsigned, 1>(reader, value);
    case BinaryValue::Chunk:
        return ReadChunk(reader, value);
    case BinaryValue::String:
        break;
    }
    return ReadString(reader, value);
}

// The flavour from the first group code, which is 0 (SECTION) or 999 (a comment) in any file
// that a program wrote. With 16-bit codes code 0 is two zero bytes; with 8-bit codes one zero
// byte, then the first letter of its value. 255 is the escape of 8-bit codes; any other first
// byte is the low half of a 16-bit code (999 is E7 03).
GroupEncoding FlavourOf(const unsigned char* first, std::size_t available) {
    if (available == 0)
        return GroupEncoding::Binary16;
    if (first[0] == 255)
        return GroupEncoding::Binary8;
    if (first[0] != 0)
        return GroupEncoding::Binary16;
    return available > 1 && first[1] == 0 ? GroupEncoding::Binary16 : GroupEncoding::Binary8;
}

} // namespace

bool StartBinaryIfPresent(GroupReader& reader) {
    Want(reader, kBinarySentinel.size() + 2);
    const std::string_view start(reader.buffer.data() + reader.begin, reader.end - reader.begin);
    if (!start.starts_with(kBinarySentinel))
        return false;
    reader.begin += kBinarySentinel.size();
    reader.encoding =
        FlavourOf(reinterpret_cast<const unsigned char*>(reader.buffer.data() + reader.begin),
                  reader.end - reader.begin);
    return true;
}

std::int32_t ReadBinaryPair(GroupPair& pair, GroupReader& reader) {
    std::int32_t code = 0;
    if (!ReadCode(reader, code)) {
        reader.begin = reader.end; // a code cut short by the file's end
        return 0;
    }
    pair.code = code;
    std::string_view value;
    if (!ReadValue(reader, ValueOf(code), value)) {
        reader.begin = reader.end;
        pair.value = {};
        return 0;
    }
    pair.value = value;
    return 1;
}
