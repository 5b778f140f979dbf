// Byte tests eight bytes at a time, for the short lines of a DXF file: a word holds eight bytes
// of the text in file order from its lowest byte up. Only little-endian hosts keep that order
// when loading (kWordsInFileOrder); the callers take their byte loops elsewhere.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

inline constexpr bool kWordsInFileOrder = std::endian::native == std::endian::little;
inline constexpr std::uint64_t kEveryByte = 0x0101010101010101U;
inline constexpr std::uint64_t kHighBits = 0x8080808080808080U;

inline std::uint64_t LoadWord(const char* p) {
    std::uint64_t word = 0;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The high bit of every byte of `word` that is not zero, exactly (no carry between bytes).
constexpr std::uint64_t NonZeroBytes(std::uint64_t word) {
    return (((word & ~kHighBits) + ~kHighBits) | word) & kHighBits;
}

// The high bit of the lowest zero byte of `word` (and perhaps of higher ones); 0 when none.
constexpr std::uint64_t LowestZeroByte(std::uint64_t word) {
    return (word - kEveryByte) & ~word & kHighBits;
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

// The bytes below byte `count` (0 to 7) all set.
constexpr std::uint64_t BytesBelow(int count) {
    return (std::uint64_t{1} << (8 * count)) - 1;
}

// The number the digit values in bytes [from, to) of `values` spell, 0 <= from < to <= 8.
constexpr std::uint64_t DigitsNumber(std::uint64_t values, int from, int to) {
    std::uint64_t v =
        values << (8 * (8 - to)); // the digits in the top bytes, shifted past the rest
    v &= ~std::uint64_t{0} << (8 * (8 - to + from)); // zeros before the first digit
    v = v * 10 + (v >> 8);                           // pairs of digits
    return (((v & 0x000000FF000000FFU) * (100 + (1000000ULL << 32))) +
            (((v >> 16) & 0x000000FF000000FFU) * (1 + (10000ULL << 32)))) >>
           32;
}
