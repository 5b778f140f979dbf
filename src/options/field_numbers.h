// Numbers as the options dialog shows and reads them: the multiplier with three decimals, and
// a typed multiplier read the way the C runtime's atof reads it, without its faults (no locale,
// no hexadecimal, no infinity, no overflow). Typed offsets are read with ParseInt (numbers.h).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// The longest text the dialog shows for the multiplier (its display buffer holds 64 bytes).
inline constexpr std::size_t kMultiplierTextLimit = 63;

// "%.3f" of the value, cut to kMultiplierTextLimit characters.
std::string FormatMultiplier(double value);

// The decimal number at the start of `text`: blanks skipped, an optional sign, digits with an
// optional point and fraction and an optional exponent; reading stops at the first character
// that does not fit. 0.0 when no number starts there, and for a number beyond a double's range.
double LeadingDecimal(std::string_view text);
