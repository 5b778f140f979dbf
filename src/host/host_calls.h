// Helpers at the host boundary: reading fields of host records, the literal arguments of the
// layer and group calls, the messages of the attribute-table window and the message box.
#pragma once

#include "host/vexcore.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

// A field of a host record, read at a byte offset whatever its alignment.
template <typename T>
T ReadUnaligned(const void* record, std::size_t offset) {
    T value{};
    std::memcpy(&value, static_cast<const unsigned char*>(record) + offset, sizeof value);
    return value;
}

// The literal arguments of map_layer_Set, map_layer_Create, map_layer_Search and map_group_Get.
namespace layer_call {
inline constexpr std::int32_t kAnyNumber = -1;           // number: any, or left as it is
inline constexpr std::uint32_t kUnchanged = 0xFFFFFFFFu; // attributes 7, 8 and 10: kept
inline constexpr std::int32_t kUnchangedAttr9 = -1;      // attribute 9: kept
inline constexpr std::uint16_t kUnchanged16 = 0xFFFF;    // attribute 12: kept
inline constexpr std::int32_t kMakeCurrent = 7;          // mode: set and make current
inline constexpr std::int32_t kRenumberOnly = 3;         // mode: only the number changes
inline constexpr std::int32_t kAllLevels = 1;            // map_group_Get: nested members too
} // namespace layer_call

// The messages of the attribute-table window.
namespace attribute_message {
// (0, 0): sent before each row; the answer, the row's number, is read only at an import's start
inline constexpr UINT kNextRow = 1042;
inline constexpr UINT kSetCell = 1029;    // (0, AttributeCell*): sets one cell
inline constexpr UINT kFindColumn = 1025; // (0, name): the index of the column of that name, or -1
inline constexpr UINT kNewColumn = 1043;  // (0, 0): adds a column and gives its index
inline constexpr UINT kNameColumn = 1027; // (index, name): names the column at that index
} // namespace attribute_message

// A message box owned by `owner`; returns the button that closed it.
inline int ShowMessageBox(HWND owner, const std::string& text, const std::string& caption,
                          UINT type = MB_OK) {
    return MessageBoxA(owner, text.c_str(), caption.c_str(), type);
}
