// Character classes of the "C" locale, shared by the readers of numbers and codes.
#pragma once

namespace ascii {

constexpr bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// C's isspace: blank, tab, line feed, vertical tab, form feed, carriage return.
constexpr bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

} // namespace ascii
