#include "import/numbers.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace {

constexpr bool IsCSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

std::size_t SkipSpace(std::string_view text, std::size_t pos) {
    while (pos < text.size() && IsCSpace(text[pos]))
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

std::optional<std::int32_t> TruncToInt32(double value) {
    if (!std::isfinite(value))
        return std::nullopt;
    const double truncated = std::trunc(value);
    if (truncated < -2147483648.0 || truncated > 2147483647.0)
        return std::nullopt;
    return static_cast<std::int32_t>(truncated);
}
