// Numbers as the options dialog shows and reads them: the multiplier with three decimals, and
// typed texts read the way the C runtime's atof and atoi read them, without their faults (no
// locale, no hexadecimal, no infinity, no overflow).
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

// The decimal integer at the start of `text`, read the same way ("12.7" gives 12); 0 when none,
// held to the signed 32-bit range.
std::int32_t LeadingInteger(std::string_view text);
