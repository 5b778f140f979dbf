// Byte strings of a map (layer names, texts, font names) as UTF-8 text for the SVG and GeoJSON
// writers. The map keeps whatever bytes the import gave it: UTF-8 from newer drawings, Windows-1252
// from most others.
#pragma once

#include <string>
#include <string_view>

namespace dxfcnv {

// The bytes as UTF-8 text: unchanged when they are strict UTF-8, otherwise every byte read as
// Windows-1252. The decision is made for the whole string, as map documents make it, so a
// Windows-1252 name never comes out half decoded. The five bytes Windows-1252 leaves undefined
// become the C1 control characters of the same value.
std::string Utf8FromBytes(std::string_view bytes);

// Appends the bytes to `out` as XML character data that is also valid inside a quoted attribute:
// decoded by Utf8FromBytes, & < > " ' escaped, tab, line feed and carriage return written as
// character references (so attribute values keep them), and the characters XML 1.0 forbids (the
// other C0 controls, U+FFFE, U+FFFF) dropped.
void AppendXmlText(std::string& out, std::string_view bytes);

} // namespace dxfcnv
