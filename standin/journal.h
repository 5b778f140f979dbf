// The call journal of a map: one line per host operation called with the map window or its
// object database, "name(arg, arg, ...)". Recording costs one branch while the journal is off.
//
// Argument forms: the map window, database and presentation manager are written map, db and
// pm; an object handle #<id> or null; an output pointer &<name> or null; a text in double
// quotes with C escapes (bytes outside printable ASCII as \xHH) or null; a handle list
// [#1, #2] and a point list [{x, y}, ...]; a single point {x, y}; integers in decimal, unsigned
// 32-bit arguments as their signed value (all bits set reads -1); reals in their shortest form
// that reads back to the same double.
#pragma once

#include "standin/map_model.h"

#include <cstdint>
#include <string>

namespace standin::journal {

struct Map {};
struct Db {};
struct Pm {};
struct Out {
    const char* name;
    const void* pointer;
};
struct Handle {
    OBJHANDLE handle;
};
struct Handles {
    const OBJHANDLE* handles;
    std::int32_t count;
};
struct Text {
    const char* text;
};
struct Point {
    const MAP_COORDPT* point;
};
struct Points {
    const MAP_COORDPT* points;
    std::int32_t count;
};

void AppendArgument(std::string& line, Map);
void AppendArgument(std::string& line, Db);
void AppendArgument(std::string& line, Pm);
void AppendArgument(std::string& line, Out out);
void AppendArgument(std::string& line, Handle handle);
void AppendArgument(std::string& line, Handles handles);
void AppendArgument(std::string& line, Text text);
void AppendArgument(std::string& line, Point point);
void AppendArgument(std::string& line, Points points);
void AppendArgument(std::string& line, std::int32_t value);
void AppendArgument(std::string& line, std::uint32_t value);
void AppendArgument(std::string& line, std::uint16_t value);
void AppendArgument(std::string& line, double value);

template <typename... Args>
std::string FormatCall(const char* name, const Args&... args) {
    std::string line = name;
    line += '(';
    bool first = true;
    (
        [&] {
            if (!first) {
                line += ", ";
            }
            first = false;
            AppendArgument(line, args);
        }(),
        ...);
    line += ')';
    return line;
}

template <typename... Args>
void Record(MapModel* map, const char* name, const Args&... args) {
    if (map && map->journalOn) [[unlikely]] {
        map->journal.push_back(FormatCall(name, args...));
    }
}

} // namespace standin::journal
