#include "import/text_codes.h"

#include "import/ascii.h"

#include <algorithm>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

using ascii::IsDigit;

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The symbol a one-letter %% code stands for; empty for a letter that is dropped, null for one
// that is no code.
const char* PercentSymbol(char letter) {
    switch (Lower(letter)) {
    case 'd':
        return "\xC2\xB0";
    case 'p':
        return "\xC2\xB1";
    case 'c':
        return "\xE2\x8C\x80";
    case '%':
        return "%";
    case 'u':
    case 'o':
        return "";
    default:
        return nullptr;
    }
}

// Codes of MTEXT whose argument runs up to the next ';'.
bool TakesArgument(char letter) {
    switch (letter) {
    case 'f':
    case 'F':
    case 'H':
    case 'C':
    case 'c':
    case 'A':
    case 'T':
    case 'Q':
    case 'W':
    case 'p':
        return true;
    default:
        return false;
    }
}

// The end of an argument that runs to ';': one past the ';', or the end of the value.
std::size_t PastSemicolon(std::string_view value, std::size_t from) {
    const std::size_t semicolon = value.find(';', from);
    return semicolon == std::string_view::npos ? value.size() : semicolon + 1;
}

// Appends the parts of a stack (after "\S", up to ';') as "upper/lower"; gives the position
// after it. In a stack "\^", "\/" and "\#" are the characters themselves.
std::size_t AppendStack(std::string& out, std::string_view value, std::size_t i) {
    while (i < value.size() && value[i] != ';') {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            out.push_back(value[i + 1]);
            i += 2;
            continue;
        }
        if (c == '^' || c == '/' || c == '#') {
            out.push_back('/');
            // "^ " is how a lower part after '^' starts; the space is no part of it.
            i += c == '^' && i + 1 < value.size() && value[i + 1] == ' ' ? 2 : 1;
            continue;
        }
        out.push_back(c);
        ++i;
    }
    return i < value.size() ? i + 1 : i;
}

// Handles the MTEXT code whose letter is at `i` (after the backslash); gives the position
// after it.
std::size_t AppendMTextCode(std::string& out, std::string_view value, std::size_t i) {
    const char letter = value[i];
    switch (letter) {
    case 'P':
    case 'N':
        out.append("\r\n");
        return i + 1;
    case '~':
        out.push_back(' ');
        return i + 1;
    case 'S':
        return AppendStack(out, value, i + 1);
    case 'U':
        if (i + 2 < value.size() && value[i + 1] == '+') {
            char32_t codePoint = 0;
            if (const std::size_t used = ReadUnicodeEscape(value.substr(i + 2), codePoint)) {
                AppendUtf8(out, codePoint);
                return i + 2 + used;
            }
        }
        out.push_back(letter);
        return i + 1;
    case 'M': // \M+nXXXX: a double-byte character of a code page the import does not read
        return i + 1 < value.size() && value[i + 1] == '+' ? std::min(value.size(), i + 7) : i + 1;
    case 'L':
    case 'l':
    case 'O':
    case 'o':
    case 'K':
    case 'k':
        return i + 1;
    default:
        if (TakesArgument(letter))
            return PastSemicolon(value, i + 1);
        out.push_back(letter); // \\ \{ \} and any unknown code: the character itself
        return i + 1;
    }
}

// A control character the DXF writer put as '^' and a letter: ^J a line break, ^I a tab (a
// space here), "^ " the caret itself; any other pair stays as it is.
void AppendCaretCode(std::string& out, char letter) {
    if (letter == 'J') {
        out.append("\r\n");
    } else if (letter == 'I') {
        out.push_back(' ');
    } else {
        out.push_back('^');
        if (letter != ' ')
            out.push_back(letter);
    }
}

} // namespace

void AppendUtf8(std::string& text, char32_t codePoint) {
    if (codePoint == 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF))
        return;
    if (codePoint < 0x80) {
        text.push_back(static_cast<char>(codePoint));
    } else if (codePoint < 0x800) {
        text.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else if (codePoint < 0x10000) {
        text.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    } else {
        text.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
        text.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
    }
}

std::size_t ReadUnicodeEscape(std::string_view digits, char32_t& codePoint) {
    constexpr std::size_t kDigits = 4;
    if (digits.size() < kDigits)
        return 0;
    char32_t value = 0;
    for (std::size_t i = 0; i < kDigits; ++i) {
        const int digit = HexDigit(digits[i]);
        if (digit < 0)
            return 0;
        value = value * 16 + static_cast<char32_t>(digit);
    }
    codePoint = value;
    return kDigits;
}

void DecodePercentCodes(std::string& text) {
    if (text.find("%%") == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size();) {
        if (text.compare(i, 2, "%%") != 0 || i + 2 >= text.size()) {
            out.push_back(text[i++]);
            continue;
        }
        if (i + 4 < text.size() && IsDigit(text[i + 2]) && IsDigit(text[i + 3]) &&
            IsDigit(text[i + 4])) {
            AppendUtf8(out, static_cast<char32_t>((text[i + 2] - '0') * 100 +
                                                  (text[i + 3] - '0') * 10 + (text[i + 4] - '0')));
            i += 5;
            continue;
        }
        if (const char* symbol = PercentSymbol(text[i + 2])) {
            out.append(symbol);
            i += 3;
            continue;
        }
        out.push_back(text[i++]);
    }
    text = std::move(out);
}

void DecodeUnicodeEscapes(std::string& text) {
    if (text.find("\\U+") == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size());
    const std::string_view value = text;
    for (std::size_t i = 0; i < value.size();) {
        char32_t codePoint = 0;
        if (value.compare(i, 3, "\\U+") == 0) {
            if (const std::size_t used = ReadUnicodeEscape(value.substr(i + 3), codePoint)) {
                AppendUtf8(out, codePoint);
                i += 3 + used;
                continue;
            }
        }
        out.push_back(value[i++]);
    }
    text = std::move(out);
}

std::string PlainMText(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size();) {
        const char c = value[i];
        if (c == '\\' && i + 1 < value.size()) {
            i = AppendMTextCode(out, value, i + 1);
        } else if (c == '{' || c == '}') {
            ++i;
        } else if (c == '^' && i + 1 < value.size()) {
            AppendCaretCode(out, value[i + 1]);
            i += 2;
        } else {
            out.push_back(c);
            ++i;
        }
    }
    return out;
}
