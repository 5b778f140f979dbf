#include "app/byte_text.h"

#include "standin/files.h"

#include <array>
#include <cstdint>

namespace dxfcnv {

namespace {

// Windows-1252 bytes 0x80 to 0x9F; the rest of the upper half equals Latin-1.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendCodePoint(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Control characters below U+0020 that XML 1.0 admits.
bool IsXmlWhiteSpace(unsigned char byte) {
    return byte == '\t' || byte == '\n' || byte == '\r';
}

void AppendEscapedAscii(std::string& out, char c) {
    constexpr std::string_view kSpecial = "&<>\"'\t\n\r";
    constexpr std::array<std::string_view, kSpecial.size()> kEscaped{
        "&amp;", "&lt;", "&gt;", "&quot;", "&apos;", "&#9;", "&#10;", "&#13;"};
    const std::size_t at = kSpecial.find(c);
    if (at == std::string_view::npos) {
        out += c;
    } else {
        out += kEscaped[at];
    }
}

// Appends strict UTF-8 text escaped for XML.
void AppendEscapedUtf8(std::string& out, std::string_view text) {
    for (std::size_t at = 0; at < text.size();) {
        const auto lead = static_cast<unsigned char>(text[at]);
        if (lead < 0x20 && !IsXmlWhiteSpace(lead)) {
            ++at; // a control character XML forbids
            continue;
        }
        if (lead < 0x80) {
            AppendEscapedAscii(out, text[at]);
            ++at;
            continue;
        }
        const std::size_t length = standin::Utf8SequenceLength(text, at);
        const std::string_view sequence = text.substr(at, length);
        // U+FFFE and U+FFFF are not XML characters.
        if (sequence != "\xEF\xBF\xBE" && sequence != "\xEF\xBF\xBF") {
            out += sequence;
        }
        at += length;
    }
}

} // namespace

std::string Utf8FromBytes(std::string_view bytes) {
    if (standin::IsStrictUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 && byte < 0xA0) {
            AppendCodePoint(text, kWindows1252High[byte - 0x80]);
        } else {
            AppendCodePoint(text, byte);
        }
    }
    return text;
}

void AppendXmlText(std::string& out, std::string_view bytes) {
    AppendEscapedUtf8(out, Utf8FromBytes(bytes));
}

} // namespace dxfcnv
