#include "standin/journal.h"

#include "standin/files.h"
#include "standin/host_state.h"

#include <array>
#include <charconv>
#include <string_view>

namespace standin {
namespace journal {

namespace {
// Lists longer than this are cut with "..." so that one huge polyline does not swamp the log.
constexpr std::int32_t kMaxListedItems = 64;

void AppendHandleId(std::string& line, OBJHANDLE handle) {
    line += handle ? '#' + std::to_string(IdOf(handle)) : std::string("null");
}

void AppendPoint(std::string& line, const MAP_COORDPT& point) {
    line += '{' + std::to_string(point.x) + ", " + std::to_string(point.y) + '}';
}

template <typename T, typename AppendItem>
void AppendList(std::string& line, const T* items, std::int32_t count, AppendItem appendItem) {
    if (!items) {
        line += "null";
        return;
    }
    line += '[';
    for (std::int32_t i = 0; i < count; ++i) {
        if (i > 0) {
            line += ", ";
        }
        if (i == kMaxListedItems) {
            line += "...";
            break;
        }
        appendItem(line, items[i]);
    }
    line += ']';
}
} // namespace

void AppendArgument(std::string& line, Map) {
    line += "map";
}
void AppendArgument(std::string& line, Db) {
    line += "db";
}
void AppendArgument(std::string& line, Pm) {
    line += "pm";
}

void AppendArgument(std::string& line, Out out) {
    line += out.pointer ? '&' + std::string(out.name) : std::string("null");
}

void AppendArgument(std::string& line, Handle handle) {
    AppendHandleId(line, handle.handle);
}

void AppendArgument(std::string& line, Handles handles) {
    AppendList(line, handles.handles, handles.count, AppendHandleId);
}

void AppendArgument(std::string& line, Text text) {
    if (!text.text) {
        line += "null";
        return;
    }
    line += '"';
    for (const char* p = text.text; *p; ++p) {
        constexpr std::string_view kSpecial = "\"\\\n\r\t";
        constexpr std::array<std::string_view, kSpecial.size()> kEscaped{"\\\"", "\\\\", "\\n",
                                                                         "\\r", "\\t"};
        const auto byte = static_cast<unsigned char>(*p);
        if (const auto special = kSpecial.find(*p); special != std::string_view::npos) {
            line += kEscaped[special];
        } else if (byte < 0x20 || byte >= 0x7F) {
            line += "\\x";
            AppendHex(line, {p, 1}, true);
        } else {
            line += *p;
        }
    }
    line += '"';
}

void AppendArgument(std::string& line, Point point) {
    if (!point.point) {
        line += "null";
        return;
    }
    AppendPoint(line, *point.point);
}

void AppendArgument(std::string& line, Points points) {
    AppendList(line, points.points, points.count, AppendPoint);
}

void AppendArgument(std::string& line, std::int32_t value) {
    line += std::to_string(value);
}

void AppendArgument(std::string& line, std::uint32_t value) {
    line += std::to_string(static_cast<std::int32_t>(value));
}

void AppendArgument(std::string& line, std::uint16_t value) {
    line += std::to_string(value);
}

void AppendArgument(std::string& line, double value) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    line.append(buffer, result.ptr);
}

} // namespace journal

STANDIN_API void EnableJournal(HWND map, bool on) {
    if (MapModel* model = State().MapOf(map)) {
        model->journalOn = on;
    }
}

STANDIN_API std::vector<std::string> Journal(HWND map) {
    const MapModel* model = State().MapOf(map);
    return model ? model->journal : std::vector<std::string>{};
}

} // namespace standin
