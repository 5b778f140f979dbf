// The attribute table window: block attributes arrive as cells of numbered rows and named
// columns; columns 0 and 1 are "X" and "Y".
//
// Messages (wParam, lParam):
//   1042 (0, 0)               the next row: the rows so far, or the first row given at creation
//   1029 (0, cell record)     sets one cell; the record is {int32 row, int32 column, char[256]}
//   1025 (0, column name)     the index of the first column of that name, or -1
//   1043 (0, 0)               adds a column without a name and gives its index
//   1027 (index, name)        names the column at that index; 1 when it exists, else 0
#include "standin/files.h"
#include "standin/host_state.h"

#include <algorithm>
#include <cstring>

using namespace standin;

namespace {

constexpr UINT kNextRow = 1042;
constexpr UINT kSetCell = 1029;
constexpr UINT kFindColumn = 1025;
constexpr UINT kNewColumn = 1043;
constexpr UINT kNameColumn = 1027;

// Limits that keep a wild row or column number from taking all memory.
constexpr std::int32_t kMaxRows = 10'000'000;
constexpr std::int32_t kMaxColumns = 100'000;

struct CellRecord {
    std::int32_t row;
    std::int32_t column;
    char text[256];
};

std::int32_t NextRow(const AttributeWindowState& window) {
    return std::max(window.firstRow, static_cast<std::int32_t>(window.table.rows.size()));
}

LRESULT SetCell(AttributeWindowState& window, const CellRecord* cell) {
    if (!cell || cell->row < 0 || cell->row >= kMaxRows || cell->column < 0 ||
        cell->column >= kMaxColumns) {
        return 0;
    }
    auto& rows = window.table.rows;
    if (rows.size() <= static_cast<std::size_t>(cell->row)) {
        rows.resize(static_cast<std::size_t>(cell->row) + 1);
    }
    auto& row = rows[static_cast<std::size_t>(cell->row)];
    if (row.size() <= static_cast<std::size_t>(cell->column)) {
        row.resize(static_cast<std::size_t>(cell->column) + 1);
    }
    row[static_cast<std::size_t>(cell->column)].assign(cell->text,
                                                       strnlen(cell->text, sizeof cell->text));
    return 1;
}

LRESULT FindColumn(const AttributeWindowState& window, const char* name) {
    if (!name) {
        return -1;
    }
    const auto& columns = window.table.columns;
    const auto found = std::find(columns.begin(), columns.end(), name);
    return found == columns.end() ? -1 : found - columns.begin();
}

// RFC 4180: a field with a comma, a double quote, CR or LF is quoted, its quotes doubled.
void AppendCsvField(std::string& line, const std::string& field) {
    if (field.find_first_of(",\"\r\n") == std::string::npos) {
        line += field;
        return;
    }
    line += '"';
    for (const char c : field) {
        if (c == '"') {
            line += '"';
        }
        line += c;
    }
    line += '"';
}

void AppendCsvRecord(std::string& text, const std::vector<std::string>& fields, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) {
        if (i > 0) {
            text += ',';
        }
        if (i < fields.size()) {
            AppendCsvField(text, fields[i]);
        }
    }
    text += "\r\n";
}

} // namespace

namespace standin {

LRESULT AttributeWindowMessage(AttributeWindowState& window, UINT message, WPARAM wParam,
                               LPARAM lParam) {
    switch (message) {
    case kNextRow:
        return NextRow(window);
    case kSetCell:
        return SetCell(window, reinterpret_cast<const CellRecord*>(lParam));
    case kFindColumn:
        return FindColumn(window, reinterpret_cast<const char*>(lParam));
    case kNewColumn:
        if (window.table.columns.size() >= static_cast<std::size_t>(kMaxColumns)) {
            return -1;
        }
        window.table.columns.emplace_back();
        return static_cast<LRESULT>(window.table.columns.size() - 1);
    case kNameColumn: {
        const char* name = reinterpret_cast<const char*>(lParam);
        if (!name || wParam >= window.table.columns.size()) {
            return 0;
        }
        window.table.columns[wParam] = name;
        return 1;
    }
    default:
        return 0;
    }
}

STANDIN_API HWND CreateAttributeWindow(std::int32_t firstRow) {
    return Guarded<HWND>(nullptr, [&] {
        const std::uint64_t id = NewWindowId();
        if (id == 0) {
            return HWND{};
        }
        AttributeWindowState window;
        window.firstRow = std::max(firstRow, 0);
        window.table.columns = {"X", "Y"};
        State().attributeWindows.emplace(id, std::move(window));
        return HandleFromId<HWND>(id);
    });
}

STANDIN_API AttributeTable AttributeTableOf(HWND window) {
    const auto found = State().attributeWindows.find(IdOf(window));
    return found == State().attributeWindows.end() ? AttributeTable{} : found->second.table;
}

STANDIN_API bool SaveAttributeCsv(HWND window, const std::string& path, std::string* error) {
    const auto found = State().attributeWindows.find(IdOf(window));
    if (found == State().attributeWindows.end()) {
        if (error) {
            *error = "not an attribute window";
        }
        return false;
    }
    const AttributeTable& table = found->second.table;
    std::size_t width = table.columns.size();
    for (const auto& row : table.rows) {
        width = std::max(width, row.size());
    }
    std::string text;
    AppendCsvRecord(text, table.columns, width);
    for (const auto& row : table.rows) {
        AppendCsvRecord(text, row, width);
    }
    return WriteFileAtomically(path, text, error);
}

} // namespace standin
