#include "import/numbers.h"

#include "import/ascii.h"

#include <bit>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstring>
#include <iterator>
#include <limits>

namespace {

using ascii::IsDigit;

constexpr bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
    while (pos < text.size() && ascii::IsSpace(text[pos]))
        ++pos;
    return pos;
}

// Whether the exponent of a number that from_chars found out of range is negative (underflow).
bool HasNegativeExponent(const char* first, const char* last, bool hex) {
    for (const char* p = first; p < last; ++p) {
        const char c = *p;
        if ((!hex && (c == 'e' || c == 'E')) || (hex && (c == 'p' || c == 'P')))
            return p + 1 < last && p[1] == '-';
    }
    return false;
}

// The fast path below holds only where arithmetic on doubles is carried out in doubles (not in
// the x87's wider registers, whose second rounding could differ).
#if defined(FLT_EVAL_METHOD) && FLT_EVAL_METHOD == 0
#define DXF_EXACT_DOUBLE_ARITHMETIC 1
#else
#define DXF_EXACT_DOUBLE_ARITHMETIC 0
#endif

#if DXF_EXACT_DOUBLE_ARITHMETIC
// The powers of ten that a double holds exactly.
constexpr double kExactPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                        1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Adds the decimal digits from `p` on, up to `stop`, to `mantissa`; returns the end of them.
const char* AccumulateDigits(const char* p, const char* stop, std::uint64_t& mantissa) {
    for (; p < stop; ++p) {
        const auto digit = static_cast<unsigned char>(*p) - static_cast<unsigned>('0');
        if (digit > 9)
            break;
        mantissa = mantissa * 10 + digit;
    }
    return p;
}

// The end of at most `count` characters from `p`, within `last`.
const char* Within(const char* p, const char* last, std::ptrdiff_t count) {
    return last - p > count ? p + count : last;
}
#endif

// Eight bytes at a time, for the short reals of a DXF file: a word holds eight bytes of the
// text in file order from its lowest byte up, which only little-endian hosts keep when loading
// (kWordsInFileOrder); elsewhere the byte loops below do all the work.
#if DXF_EXACT_DOUBLE_ARITHMETIC
constexpr bool kWordsInFileOrder = std::endian::native == std::endian::little;
constexpr std::uint64_t kEveryByte = 0x0101010101010101U;
constexpr std::uint64_t kHighBits = 0x8080808080808080U;

std::uint64_t LoadWord(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The index of the byte whose high bit is the lowest set in `bits`; 8 when none is.
constexpr int FirstByte(std::uint64_t bits) {
    return std::countr_zero(bits) / 8;
}

// Each byte of `word` minus '0': exact for a digit, above 9 for any other byte.
constexpr std::uint64_t DigitValues(std::uint64_t word) {
    return word ^ (kEveryByte * '0');
}

// The high bit of every byte of DigitValues that is no digit.
constexpr std::uint64_t NotDigits(std::uint64_t values) {
    return (((values & ~kHighBits) + kEveryByte * (0x80 - 10)) | values) & kHighBits;
}

// The powers of ten that scale the integer digits past up to seven decimals.
constexpr std::uint64_t kDecimalScales[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000};

// The number the digit values in the lowest `count` bytes of `values` spell, 1 <= count <= 8:
// the digits moved to the top bytes behind zeros (the bytes after them shifted out), then
// combined into pairs, fours and eight.
constexpr std::uint64_t DigitsNumber(std::uint64_t values, int count) {
    std::uint64_t v = values << (8 * (8 - count));
    v = v * 10 + (v >> 8);
    return (((v & 0x000000FF000000FFU) * (100 + (1000000ULL << 32))) +
            (((v >> 16) & 0x000000FF000000FFU) * (1 + (10000ULL << 32)))) >>
           32;
}

// ParsePlainDecimal's shape, read a word at a time when the text has at least eight bytes: one
// to seven digits, a point, up to seven digits and no exponent. The same digits and the same
// number of decimals as the byte loops below, so the same division, with fewer branches to guess
// for the lengths of the two runs of digits. False for anything else, having decided nothing.
bool ParseShortDecimal(const char* first, const char* last, double& value) {
    const std::ptrdiff_t size = last - first;
    if (!kWordsInFileOrder || size < 8)
        return false;
    const std::uint64_t head = DigitValues(LoadWord(first));
    const int integerDigits = FirstByte(NotDigits(head));
    if (integerDigits == 0 || integerDigits == 8 || first[integerDigits] != '.')
        return false;
    std::uint64_t mantissa = DigitsNumber(head, integerDigits);
    // The fraction from the byte after the point. Its word is read from the text's end and
    // shifted down when fewer than eight bytes are left: nothing past the text is read, and the
    // zeros shifted in are no digits.
    const std::ptrdiff_t fractionAt = integerDigits + 1;
    const std::ptrdiff_t left = size - fractionAt;
    int decimals = 0;
    if (left > 0) {
        const std::uint64_t fraction = DigitValues(
            left >= 8 ? LoadWord(first + fractionAt) : LoadWord(last - 8) >> (8 * (8 - left)));
        decimals = FirstByte(NotDigits(fraction));
        if (decimals == 8)
            return false;
        if (decimals > 0)
            mantissa = mantissa * kDecimalScales[decimals] + DigitsNumber(fraction, decimals);
    }
    const char* const after = first + fractionAt + decimals;
    if (after < last && (*after == 'e' || *after == 'E'))
        return false;
    value = static_cast<double>(mantissa) / kExactPowersOfTen[decimals];
    return true;
}

// The common shape of a DXF real, digits with a point and more digits and no exponent, by
// Clinger's fast path: when all the digits make an integer of at most 2^53 and at most 22 of
// them follow the point, the integer and the power of ten are exact doubles, and one division
// rounds their quotient correctly: the value from_chars gives, at a fraction of its cost. False
// for any other shape. Where doubles are computed in wider registers neither fast path is built:
// every number goes the general way.
bool ParsePlainDecimal(const char* first, const char* last, double& value) {
    constexpr std::uint64_t kExactIntegers = std::uint64_t{1} << 53;
    constexpr std::ptrdiff_t kMaxDigits = 19; // no overflow of the 64-bit integer
    std::uint64_t mantissa = 0;
    const char* p = AccumulateDigits(first, Within(first, last, kMaxDigits), mantissa);
    const std::ptrdiff_t integerDigits = p - first;
    if (integerDigits == 0)
        return false;
    std::ptrdiff_t decimals = 0;
    if (p < last && *p == '.') {
        const char* const fraction = p + 1;
        p = AccumulateDigits(fraction, Within(fraction, last, kMaxDigits - integerDigits),
                             mantissa);
        decimals = p - fraction;
    }
    // A digit here is one more than the integer can take; an exponent is another shape.
    if (p < last && (IsDigit(*p) || *p == 'e' || *p == 'E'))
        return false;
    if (mantissa > kExactIntegers ||
        decimals >= static_cast<std::ptrdiff_t>(std::size(kExactPowersOfTen)))
        return false;
    value = static_cast<double>(mantissa) / kExactPowersOfTen[decimals];
    return true;
}
#endif

double ParseUnsigned(const char* first, const char* last) {
    bool hex = false;
    if (last - first >= 2 && first[0] == '0' && (first[1] == 'x' || first[1] == 'X')) {
        const char* digits = first + 2;
        const bool hexMantissa =
            digits < last &&
            (IsHexDigit(*digits) || (*digits == '.' && digits + 1 < last && IsHexDigit(digits[1])));
        if (hexMantissa) {
            first = digits;
            hex = true;
        }
    }
    if (first < last && (*first == '+' || *first == '-'))
        return 0.0; // a second sign: strtod converts nothing
    double value = 0.0;
#if DXF_EXACT_DOUBLE_ARITHMETIC
    if (!hex && (ParseShortDecimal(first, last, value) || ParsePlainDecimal(first, last, value)))
        return value;
#endif
    const auto format = hex ? std::chars_format::hex : std::chars_format::general;
    const auto [end, error] = std::from_chars(first, last, value, format);
    if (error == std::errc::result_out_of_range) {
        return HasNegativeExponent(first, end, hex) ? 0.0 : std::numeric_limits<double>::infinity();
    }
    if (error != std::errc())
        return 0.0;
    return value;
}

} // namespace

double ParseDouble(std::string_view text) {
    std::size_t pos = SkipSpace(text, 0);
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    const double magnitude = ParseUnsigned(text.data() + pos, text.data() + text.size());
    return negative ? -magnitude : magnitude;
}

ScanResult ScanInt(std::string_view text, std::int32_t& value) {
    std::size_t pos = SkipSpace(text, 0);
    if (pos == text.size())
        return ScanResult::EndOfInput;
    bool negative = false;
    if (text[pos] == '+' || text[pos] == '-') {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos == text.size() || !IsDigit(text[pos]))
        return ScanResult::NoMatch;
    // Accumulate toward the sign so that INT32_MIN is reachable; saturate past the limits.
    constexpr std::int64_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int32_t>::min();
    std::int64_t accumulated = 0;
    for (; pos < text.size() && IsDigit(text[pos]); ++pos) {
        if (accumulated <= kMax + 1)
            accumulated = accumulated * 10 + (text[pos] - '0');
    }
    const std::int64_t signedValue = negative ? -accumulated : accumulated;
    value = static_cast<std::int32_t>(signedValue > kMax   ? kMax
                                      : signedValue < kMin ? kMin
                                                           : signedValue);
    return ScanResult::Matched;
}

std::int32_t ParseInt(std::string_view text) {
    std::int32_t value = 0;
    if (ScanInt(text, value) != ScanResult::Matched)
        return 0;
    return value;
}

CheckedNumber CheckNumber(std::string_view text) {
    CheckedNumber result;
    result.value = ParseDouble(text);
    if (result.value == 0.0) {
        std::int32_t scratch = 0;
        result.malformed = ScanInt(text, scratch) == ScanResult::NoMatch;
    }
    return result;
}
