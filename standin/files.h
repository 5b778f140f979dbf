// Byte strings and files as the stand-in and the command-line host write them: the one atomic
// file writer, the strict UTF-8 check and the hex codec that map documents, the configuration
// files and the CLI's outputs share.
#pragma once

#include "standin/standin.h"

#include <algorithm>
#include <charconv>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace standin {

// Replaces the file at `path` with `text` so that a reader sees either the old or the new file,
// never a torn one: a temporary file `.NAME.tmp-XXXXXX` beside the target, flushed to disk,
// renamed over the target, then the folder flushed so that the rename lasts. The new file keeps
// the permissions of the file it replaces, or gets the usual ones under the umask. False with a
// one-line reason on failure; the temporary file is then removed and the target left as it was.
STANDIN_API bool WriteFileAtomically(const std::string& path, std::string_view text,
                                     std::string* error);

// The length of the strict UTF-8 sequence starting at `at` (no overlong forms, no surrogates,
// nothing above U+10FFFF), or 0 when none starts there.
STANDIN_API std::size_t Utf8SequenceLength(std::string_view bytes, std::size_t at);
STANDIN_API bool IsStrictUtf8(std::string_view bytes);

// Two hex digits a byte, in lower or upper case.
STANDIN_API void AppendHex(std::string& out, std::string_view bytes, bool upperCase = false);
// The bytes of an even number of hex digits (either case); nothing when a digit is not one,
// with the offset of the first bad digit (or the size, for an odd count) in `badAt`.
STANDIN_API std::optional<std::string> DecodeHex(std::string_view hex,
                                                 std::size_t* badAt = nullptr);

// Calls `visit` with every part of the text between separators that is not empty.
template <typename Visit>
void ForEachPart(std::string_view text, char separator, Visit&& visit) {
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(separator), text.size());
        if (end > 0) {
            visit(text.substr(0, end));
        }
        text.remove_prefix(std::min(end + 1, text.size()));
    }
}

// A number that is the whole text, as std::from_chars reads it (`base` for an integer).
template <typename Number, typename... Base>
bool ParseWhole(std::string_view text, Number& number, Base... base) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number, base...);
    return result.ec == std::errc() && result.ptr == end;
}

} // namespace standin
