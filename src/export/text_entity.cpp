#include "export/sections.h"
#include "module/line_breaks.h"

#include <algorithm>
#include <string>

namespace {

// The text buffer of the second map_text_GetEx is sized by a 16-bit count: a longer text is
// fetched as far as it fits, never further.
constexpr std::uint32_t kLargestTextFetch = 0xFFFF;
// The buffer holds this much beyond what the host is allowed to write.
constexpr std::size_t kTextBufferSlack = 16;
constexpr double kHeightPerMapSize = 0.4;

enum HorizontalCode : std::int32_t { kLeft = 0, kCentre = 1, kRight = 2 };
enum VerticalCode : std::int32_t { kBaseline = 0, kBottom = 1, kMiddle = 2 };
constexpr std::uint32_t kFlagCentre = 1;
constexpr std::uint32_t kFlagRight = 2;
constexpr std::uint32_t kFlagMiddle = 4;
constexpr std::uint32_t kFlagBottom = 8;

// Everything of a text object but the text itself, from the first map_text_GetEx.
struct TextAttributes {
    std::uint32_t length = 0;
    MAP3D_COORDPT position{};
    std::int32_t size = 0;
    std::int32_t rotation = 0; // tenths of a degree
    std::int32_t oblique = 0;  // tenths of a degree
    std::uint32_t flags = 0;
};

TextAttributes FetchAttributes(HWND map, OBJHANDLE object) {
    TextAttributes attributes;
    MAP_COORDPT position{};
    map_text_GetEx(map, object, &attributes.length, nullptr, 0, &position, nullptr, 0,
                   &attributes.size, nullptr, nullptr, &attributes.rotation, &attributes.oblique,
                   &attributes.flags, nullptr, nullptr);
    attributes.position = {position.x, position.y, 0};
    return attributes;
}

// The text, up to its first NUL and never beyond what the host was allowed to write.
std::string FetchText(HWND map, OBJHANDLE object, std::uint32_t length) {
    const std::uint32_t fetch = std::min(length, kLargestTextFetch - 1) + 1;
    std::string text(fetch + kTextBufferSlack, '\0');
    map_text_GetEx(map, object, nullptr, text.data(), static_cast<std::uint16_t>(fetch), nullptr,
                   nullptr, 0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                   nullptr);
    text.resize(std::min<std::size_t>(text.find('\0'), fetch - 1));
    return text;
}

// Writes every line break as a backslash and the letter n, so that the text stays on its value
// line: CR LF in place, then a lone CR or a lone LF, which take one byte more each.
void EscapeLineBreaks(std::string& text) {
    ConvertLineBreaks(text.data(), text.size(), LineBreakMode::CrLfToBackslashN);
    if (text.find_first_of("\r\n") == std::string::npos)
        return;
    std::string escaped;
    escaped.reserve(text.size() * 2);
    for (char c : text) {
        if (c == '\r' || c == '\n')
            escaped += "\\n";
        else
            escaped += c;
    }
    text.swap(escaped);
}

std::int32_t HorizontalCodeOf(std::uint32_t flags) {
    if (flags & kFlagCentre)
        return kCentre;
    return (flags & kFlagRight) ? kRight : kLeft;
}

std::int32_t VerticalCodeOf(std::uint32_t flags) {
    if (flags & kFlagBottom)
        return kBottom;
    return (flags & kFlagMiddle) ? kMiddle : kBaseline;
}

void WritePosition(DxfWriter& writer, std::int32_t firstCode, const MAP3D_COORDPT& position,
                   bool is3d, double factor) {
    WriteCoordinate(writer, firstCode, position.x, factor);
    WriteCoordinate(writer, firstCode + 10, position.y, factor);
    if (is3d)
        WriteCoordinate(writer, firstCode + 20, position.z, factor);
}

// What a TEXT carries after its insertion point: the alignment point (always the insertion
// point), the height, the angles in whole degrees and the justification.
void WriteTextDetails(ExportContext& context, DxfWriter& writer, const TextAttributes& attributes,
                      bool is3d) {
    WritePosition(writer, 11, attributes.position, is3d, context.unitFactor);
    // The height stays in map units: the factor applies to coordinates only.
    writer.WriteRealGroup(40, PointSizeToMap(context.map, attributes.size) * kHeightPerMapSize);
    if (attributes.rotation != 0)
        writer.WriteIntGroup(50, attributes.rotation / 10);
    if (attributes.oblique != 0)
        writer.WriteIntGroup(51, attributes.oblique / 10);
    const std::int32_t horizontal = HorizontalCodeOf(attributes.flags);
    const std::int32_t vertical = VerticalCodeOf(attributes.flags);
    if (horizontal != kLeft || vertical != kBaseline)
        writer.WriteIntGroup(72, horizontal);
    if (vertical != kBaseline)
        writer.WriteIntGroup(73, vertical);
}

} // namespace

std::int32_t WriteTextEntity(ExportContext& context, DxfWriter& writer, OBJHANDLE object,
                             const char* layerName) {
    const bool is3d = map3d_is_object_3d(context.map, object) != 0;
    TextAttributes attributes = FetchAttributes(context.map, object);
    std::string text = FetchText(context.map, object, attributes.length);
    if (is3d)
        map3d_text_Get(context.map, object, &attributes.position);
    EscapeLineBreaks(text);

    // A one-character text on a layer of such texts is a point symbol.
    const bool isPoint = context.pointLayer != 0 && text.size() == 1;
    writer.WriteStringGroup(0, isPoint ? "POINT" : "TEXT");
    writer.WriteStringGroup(8, layerName);
    if (!isPoint)
        writer.WriteStringGroup(1, text.c_str());
    WritePosition(writer, 10, attributes.position, is3d, context.unitFactor);
    if (!isPoint)
        WriteTextDetails(context, writer, attributes, is3d);
    return 1;
}
