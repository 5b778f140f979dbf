#include "options/field_numbers.h"

#include "import/ascii.h"

#include <algorithm>
#include <charconv>

namespace {

using ascii::IsDigit;

// Skips leading blanks and takes an optional sign; true when the sign was a minus.
bool TakeSign(std::string_view& text) {
    while (!text.empty() && ascii::IsSpace(text.front())) {
        text.remove_prefix(1);
    }
    const bool negative = !text.empty() && text.front() == '-';
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        text.remove_prefix(1);
    }
    return negative;
}

std::size_t CountDigits(std::string_view text, std::size_t from) {
    std::size_t end = from;
    while (end < text.size() && IsDigit(text[end])) {
        ++end;
    }
    return end - from;
}

// The length of the decimal number at the start of `text` (no sign), 0 when there is none.
std::size_t DecimalLength(std::string_view text) {
    std::size_t length = CountDigits(text, 0);
    std::size_t digits = length;
    if (length < text.size() && text[length] == '.') {
        const std::size_t fraction = CountDigits(text, length + 1);
        digits += fraction;
        length += 1 + fraction;
    }
    if (digits == 0) {
        return 0;
    }
    if (length < text.size() && (text[length] == 'e' || text[length] == 'E')) {
        std::size_t exponent = length + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) {
            ++exponent;
        }
        const std::size_t exponentDigits = CountDigits(text, exponent);
        if (exponentDigits > 0) {
            length = exponent + exponentDigits;
        }
    }
    return length;
}

} // namespace

std::string FormatMultiplier(double value) {
    // The widest fixed form of a double is a sign, 309 digits, a point and three decimals.
    char buffer[400];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 3);
    if (result.ec != std::errc()) {
        return std::string();
    }
    const auto length = static_cast<std::size_t>(result.ptr - buffer);
    return std::string(buffer, std::min(length, kMultiplierTextLimit));
}

double LeadingDecimal(std::string_view text) {
    const bool negative = TakeSign(text);
    const std::size_t length = DecimalLength(text);
    if (length == 0) {
        return 0.0;
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + length, value);
    if (result.ec != std::errc()) {
        return 0.0; // beyond a double's range
    }
    return negative ? -value : value;
}
