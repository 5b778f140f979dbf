#include "import/inserts.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <limits>
#include <string>

namespace {

constexpr std::string_view kOneColumnName = "Attributes";
constexpr std::int32_t kXColumn = 0;
constexpr std::int32_t kYColumn = 1;

bool IsUtf8Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0u) == 0x80u;
}

// The length of the longest prefix of `text` that fits `room` bytes and ends between two UTF-8
// sequences. A cut never backs off more than the three continuation bytes a sequence can have,
// so text that is no UTF-8 (a legacy code page) is cut at the room as it is.
std::size_t CutLength(std::string_view text, std::size_t room) {
    if (text.size() <= room)
        return text.size();
    std::size_t cut = room;
    for (int backed = 0; backed < 3 && cut > 0 && IsUtf8Continuation(text[cut]); ++backed)
        --cut;
    return IsUtf8Continuation(text[cut]) ? room : cut;
}

std::int32_t ToInt32(LRESULT answer) {
    return static_cast<std::int32_t>(std::clamp<LRESULT>(answer,
                                                         std::numeric_limits<std::int32_t>::min(),
                                                         std::numeric_limits<std::int32_t>::max()));
}

void SendCell(HWND window, AttributeCell& cell, std::int32_t column, std::string_view text) {
    cell.column = column;
    SetCellText(cell, text);
    SendMessageA(window, attribute_message::kSetCell, 0, reinterpret_cast<LPARAM>(&cell));
}

// The index of the column of that name, made and named when the window has none; -1 when the
// window gives no usable index.
std::int32_t ColumnIndex(HWND window, std::string_view name, std::string& nameBuffer) {
    nameBuffer.assign(name); // the window wants a zero-terminated name
    const auto nameArgument = reinterpret_cast<LPARAM>(nameBuffer.c_str());
    std::int32_t index =
        ToInt32(SendMessageA(window, attribute_message::kFindColumn, 0, nameArgument));
    if (index != -1)
        return index;
    index = ToInt32(SendMessageA(window, attribute_message::kNewColumn, 0, 0));
    if (index < 0)
        return -1;
    SendMessageA(window, attribute_message::kNameColumn, static_cast<WPARAM>(index), nameArgument);
    return index;
}

std::string_view FormatInt(std::int32_t value, char (&buffer)[16]) {
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return {buffer, static_cast<std::size_t>(result.ptr - buffer)};
}

} // namespace

void SetCellText(AttributeCell& cell, std::string_view text) {
    const std::size_t length = CutLength(text, sizeof cell.text - 1);
    std::memcpy(cell.text, text.data(), length);
    std::memset(cell.text + length, 0, sizeof cell.text - length);
}

std::int32_t WriteAttributeRow(ImportContext& context, std::span<const ColumnValue> values,
                               MAP_COORDPT position) {
    HWND window = context.attributeWindow;
    if (!window)
        return 0;
    AttributeCell cell{};
    SendMessageA(window, attribute_message::kNextRow, 0, 0);
    cell.row = context.attributeRow;
    char number[16];
    SendCell(window, cell, kXColumn, FormatInt(position.x, number));
    SendCell(window, cell, kYColumn, FormatInt(position.y, number));
    std::string nameBuffer;
    for (const ColumnValue& each : values) {
        const std::int32_t column = ColumnIndex(window, each.column, nameBuffer);
        if (column >= 0)
            SendCell(window, cell, column, each.value);
    }
    // The last row number stays the last: rows past it would wrap round to negative numbers.
    if (context.attributeRow < std::numeric_limits<std::int32_t>::max())
        ++context.attributeRow;
    return 1;
}

void InsertAttributes::Add(std::string_view tag, std::string_view value, MAP_COORDPT position) {
    if (!context_.attributeWindow)
        return;
    if (context_.attributesOneColumn) {
        const ColumnValue cell{kOneColumnName, value};
        WriteAttributeRow(context_, {&cell, 1}, position);
        return;
    }
    lastPosition_ = position;
    const auto [found, isNew] = indexOfTag_.try_emplace(std::string(tag), tags_.size());
    if (isNew) {
        tags_.emplace_back(tag);
        values_.emplace_back(value);
    } else {
        values_[found->second].assign(value);
    }
}

void InsertAttributes::Finish() {
    if (tags_.empty())
        return;
    std::vector<ColumnValue> cells;
    cells.reserve(tags_.size());
    for (std::size_t i = 0; i < tags_.size(); ++i)
        cells.push_back({tags_[i], values_[i]});
    WriteAttributeRow(context_, cells, lastPosition_);
    tags_.clear();
    values_.clear();
    indexOfTag_.clear();
}
