// The only door from DXF text to numbers. Every conversion here is locale-free and never
// overflows: what C's atof, atoi and "%d" would give, made safe.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// C's strtod in the "C" locale: leading white space, sign, decimal or 0x-hexadecimal digits,
// exponent, "inf" and "nan"; conversion stops at the first character that does not fit and
// nothing convertible gives 0.0. Overflow gives +-infinity, underflow +-0.0.
double ParseDouble(std::string_view text);

// What sscanf "%d" reports: end of input (only white space or nothing), no match, or a match.
enum class ScanResult { EndOfInput = -1, NoMatch = 0, Matched = 1 };

// sscanf(text, "%d"), except that a number outside the 32-bit range saturates to the nearest
// limit instead of being undefined. `value` is written only on a match.
ScanResult ScanInt(std::string_view text, std::int32_t& value);

// C's atoi with the same saturation; nothing convertible gives 0.
std::int32_t ParseInt(std::string_view text);

// The numeric value check of coordinate groups: the value is read with ParseDouble, and only a
// result of exactly 0.0 is scanned once more with "%d"; a scan that matches nothing marks the
// value malformed. An empty or blank value passes as 0.
struct CheckedNumber {
    double value = 0.0;
    bool malformed = false;
};
CheckedNumber CheckNumber(std::string_view text);

// Truncation toward zero to a signed 32-bit integer; empty when the value is not finite or its
// truncation falls outside the 32-bit range. Every double that becomes a map coordinate, a size
// or tenths of a degree goes through here. Inline: it runs for every coordinate.
inline std::optional<std::int32_t> TruncToInt32(double value) {
    // The truncation lies in the 32-bit range exactly when the value lies strictly between
    // -2^31 - 1 and 2^31; NaN and the infinities fail the comparison. The conversion itself
    // truncates toward zero, without a call of trunc (a library call on plain x86-64).
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return std::nullopt;
    return static_cast<std::int32_t>(value);
}
