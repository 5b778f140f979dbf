// The DXF keywords the import recognises, by the value of a group alone.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

enum class KeywordId : std::int32_t {
    Section = 1,
    Header = 2,
    EndSec = 3,
    Classes = 4,
    Blocks = 5,
    Entities = 6,
    Objects = 7,
    Eof = 8,
    Tables = 9,
    Table = 10,
    EndTab = 11,
    LType = 12,
    Layer = 13,
    Polyline = 14,
    Vertex = 15,
    Line = 16,
    Point = 17,
    Text = 18,
    LwPolyline = 19,
    SeqEnd = 20,
    Block = 21,
    EndBlk = 23,
    Insert = 24,
    Attrib = 25,
    ExtMin = 26,
    ExtMax = 27,
    Arc = 28,
    Circle = 29,
    None = 9999,
};

// The keyword the whole value equals (byte for byte, case-sensitive, untrimmed), or None.
KeywordId ClassifyKeyword(std::string_view value);

// The names run from 3 to 10 characters and begin with a capital letter or '$' (keywords.cpp
// checks that every name does).
inline constexpr std::size_t kShortestKeyword = 3;
inline constexpr std::size_t kLongestKeyword = 10;

// False for a value that cannot be a keyword: tested inline for every pair, so that numbers,
// handles and most names never reach the table.
constexpr bool MayBeKeyword(std::string_view value) {
    return value.size() >= kShortestKeyword && value.size() <= kLongestKeyword &&
           ((value[0] >= 'A' && value[0] <= 'Z') || value[0] == '$');
}
