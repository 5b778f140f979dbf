#include "module/line_breaks.h"

namespace {

// Replaces every `from` pair by the `to` pair, scanning left to right without overlap.
void ReplacePairs(char* buffer, std::size_t length, const char (&from)[2], const char (&to)[2]) {
    for (std::size_t i = 0; i + 1 < length; ++i) {
        if (buffer[i] == from[0] && buffer[i + 1] == from[1]) {
            buffer[i] = to[0];
            buffer[i + 1] = to[1];
            ++i; // go on after the pair
        }
    }
}

} // namespace

std::int32_t ConvertLineBreaks(char* buffer, std::size_t length, LineBreakMode mode) {
    if (!buffer)
        return 1;
    constexpr char kBackslashN[2] = {'\\', 'n'};
    constexpr char kCrLf[2] = {'\r', '\n'};
    if (mode == LineBreakMode::BackslashNToCrLf)
        ReplacePairs(buffer, length, kBackslashN, kCrLf);
    else
        ReplacePairs(buffer, length, kCrLf, kBackslashN);
    return 1;
}
