// Line breaks inside DXF texts: a DXF TEXT writes a line break as the two characters \n, a map
// text holds carriage return and line feed. Import and export convert between the two in place.
#pragma once

#include <cstddef>
#include <cstdint>

enum class LineBreakMode : std::int32_t {
    BackslashNToCrLf = 0, // import: backslash + n becomes CR LF
    CrLfToBackslashN = 1, // export: CR LF becomes backslash + n
};

// Converts the first `length` bytes of `buffer` in place; both forms are two bytes long, so the
// length never changes. A pair counts only when both of its bytes lie inside the length, and the
// pass goes on after each converted pair. Returns 1.
std::int32_t ConvertLineBreaks(char* buffer, std::size_t length, LineBreakMode mode);
