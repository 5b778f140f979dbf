#include "app/terminal_dialog_screen.h"

#include <curses.h>

#include <algorithm>
#include <cstdio>
#include <utility>

namespace dxfcnv {

namespace {

using standin::ControlKind;
using standin::DialogControl;

int CellsAcross(std::int32_t units) {
    return static_cast<int>((2 * static_cast<std::int64_t>(units) + 3) / 7);
}

int CellsDown(std::int32_t units) {
    return static_cast<int>((static_cast<std::int64_t>(units) + 4) / 8);
}

// Where the dialog's client area starts: centred when the terminal is large enough.
CellRect DialogOrigin(const CellRect& client) {
    return CellRect{std::max(1, (LINES - client.height - 3) / 2 + 1),
                    std::max(1, (COLS - client.width - 2) / 2 + 1)};
}

void PutText(int row, int col, std::string_view text, int maxWidth = -1) {
    if (row < 0 || row >= LINES || col >= COLS) {
        return;
    }
    int room = COLS - std::max(col, 0);
    if (maxWidth >= 0) {
        room = std::min(room, maxWidth);
    }
    if (room <= 0) {
        return;
    }
    const std::string shown(text.substr(0, static_cast<std::size_t>(room)));
    mvaddstr(row, col, shown.c_str());
}

void Frame(int top, int left, int height, int width, std::string_view title) {
    if (height < 2 || width < 2) {
        return;
    }
    const int bottom = top + height - 1;
    const int right = left + width - 1;
    mvhline(top, left + 1, ACS_HLINE, width - 2);
    mvhline(bottom, left + 1, ACS_HLINE, width - 2);
    mvvline(top + 1, left, ACS_VLINE, height - 2);
    mvvline(top + 1, right, ACS_VLINE, height - 2);
    mvaddch(top, left, ACS_ULCORNER);
    mvaddch(top, right, ACS_URCORNER);
    mvaddch(bottom, left, ACS_LLCORNER);
    mvaddch(bottom, right, ACS_LRCORNER);
    if (!title.empty()) {
        PutText(top, left + 2, " " + std::string(title) + " ", width - 4);
    }
}

// A box of that size centred on the screen, drawn over what it shows: blanked, then framed.
// Its top left corner.
std::pair<int, int> Popup(int height, int width, std::string_view title) {
    const int top = std::max(0, (LINES - height) / 2);
    const int left = std::max(0, (COLS - width) / 2);
    const std::string blank(static_cast<std::size_t>(std::max(width, 0)), ' ');
    for (int row = top; row < top + height; ++row) {
        PutText(row, left, blank);
    }
    Frame(top, left, height, width, title);
    return {top, left};
}

// A label with its access key underlined.
void PutLabel(int row, int col, const standin::ControlTemplate& control, attr_t base) {
    const std::string& text = control.text;
    int x = col;
    bool marked = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        bool underline = false;
        if (c == '&' && i + 1 < text.size()) {
            c = text[++i];
            underline = c != '&' && !marked;
            marked = marked || underline;
        }
        if (x >= 0 && x < COLS && row >= 0 && row < LINES) {
            attr_set(base | (underline ? A_UNDERLINE : A_NORMAL), 0, nullptr);
            mvaddch(row, x, static_cast<chtype>(static_cast<unsigned char>(c)));
        }
        ++x;
    }
    attr_set(A_NORMAL, 0, nullptr);
}

void DrawControl(const DialogControl& control, const CellRect& cells, bool focused,
                 std::size_t cursor, int& cursorRow, int& cursorCol) {
    const standin::ControlTemplate& layout = control.layout;
    const attr_t dim = layout.Enabled() ? A_NORMAL : A_DIM;
    switch (layout.Kind()) {
    case ControlKind::GroupBox:
        attr_set(dim, 0, nullptr);
        Frame(cells.row, cells.col, cells.height, cells.width, layout.PlainText());
        break;
    case ControlKind::Static:
        PutLabel(cells.row, cells.col, layout, dim);
        break;
    case ControlKind::Edit: {
        const int inner = std::max(1, cells.width - 2);
        std::size_t first = 0;
        const std::string_view shown = VisibleEditText(control.text, cursor, inner, first);
        std::string field(shown);
        field.resize(static_cast<std::size_t>(inner), ' ');
        attr_set(dim | (focused ? A_BOLD : A_NORMAL), 0, nullptr);
        PutText(cells.row, cells.col, "[" + field + "]");
        if (focused) {
            cursorRow = cells.row;
            cursorCol = cells.col + 1 + static_cast<int>(cursor - first);
        }
        break;
    }
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        const std::string label = "[ " + layout.PlainText() + " ]";
        const int pad = std::max(0, (cells.width - static_cast<int>(label.size())) / 2);
        const attr_t emphasis = layout.Kind() == ControlKind::DefaultPushButton ? A_BOLD : 0;
        attr_set(dim | emphasis | (focused ? A_REVERSE : A_NORMAL), 0, nullptr);
        PutText(cells.row, cells.col + pad, label);
        break;
    }
    case ControlKind::CheckBox:
    case ControlKind::AutoCheckBox:
        attr_set(dim | (focused ? A_REVERSE : A_NORMAL), 0, nullptr);
        PutText(cells.row, cells.col, control.checked ? "[x]" : "[ ]");
        PutLabel(cells.row, cells.col + 4, layout, dim);
        break;
    case ControlKind::Other:
        PutLabel(cells.row, cells.col, layout, dim);
        break;
    }
    attr_set(A_NORMAL, 0, nullptr);
}

} // namespace

CellRect ControlCells(const standin::ControlTemplate& control) {
    const standin::DialogRect& r = control.rect;
    CellRect cells;
    cells.col = CellsAcross(r.x);
    cells.width = std::max(1, CellsAcross(r.x + r.width) - cells.col);
    if (control.Kind() == ControlKind::GroupBox) {
        cells.row = CellsDown(r.y);
        cells.height = std::max(2, CellsDown(r.y + r.height) - cells.row + 1);
    } else {
        cells.row = CellsDown(r.y + r.height / 2);
        cells.height = 1;
    }
    return cells;
}

CellRect DialogCells(const standin::DialogTemplate& dialog) {
    return CellRect{0, 0, std::max(1, CellsAcross(dialog.rect.width)),
                    std::max(1, CellsDown(dialog.rect.height))};
}

std::string_view VisibleEditText(std::string_view text, std::size_t cursor, int width,
                                 std::size_t& first) {
    const auto room = static_cast<std::size_t>(std::max(width, 1));
    cursor = std::min(cursor, text.size());
    // The cursor may stand after the last character, which takes a cell of its own.
    first = cursor >= room ? cursor - room + 1 : 0;
    return text.substr(first, room);
}

std::vector<std::string> WrapText(std::string_view text, int width) {
    const auto room = static_cast<std::size_t>(std::max(width, 1));
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        std::string_view paragraph = text.substr(start, end - start);
        do {
            std::size_t cut = paragraph.size();
            if (cut > room) {
                const std::size_t blank = paragraph.rfind(' ', room);
                cut = blank != std::string_view::npos && blank > 0 ? blank : room;
            }
            lines.emplace_back(paragraph.substr(0, cut));
            paragraph.remove_prefix(cut);
            while (!paragraph.empty() && paragraph.front() == ' ') {
                paragraph.remove_prefix(1);
            }
        } while (!paragraph.empty());
        start = end + 1;
    }
    return lines;
}

bool EditText(std::string& text, std::size_t& cursor, int key, std::size_t limit) {
    if (key == KEY_LEFT && cursor > 0) {
        --cursor;
    } else if (key == KEY_RIGHT && cursor < text.size()) {
        ++cursor;
    } else if (key == KEY_HOME) {
        cursor = 0;
    } else if (key == KEY_END) {
        cursor = text.size();
    } else if ((key == KEY_BACKSPACE || key == 127 || key == 8) && cursor > 0) {
        text.erase(--cursor, 1);
    } else if (key == KEY_DC && cursor < text.size()) {
        text.erase(cursor, 1);
    } else if (key >= 32 && key < 127 && text.size() < limit) {
        text.insert(cursor++, 1, static_cast<char>(key));
    } else {
        return false;
    }
    return true;
}

TerminalScreen::TerminalScreen() {
    // newterm, unlike initscr, reports a terminal it cannot use instead of ending the program.
    SCREEN* screen = newterm(nullptr, stdout, stdin);
    if (!screen) {
        return;
    }
    set_term(screen);
    screen_ = screen;
    ok_ = true;
    raw();
    noecho();
    nonl();
    keypad(stdscr, TRUE);
    set_escdelay(50);
}

TerminalScreen::~TerminalScreen() {
    if (ok_) {
        endwin();
        delscreen(static_cast<SCREEN*>(screen_));
    }
}

int TerminalScreen::ReadKey() {
    const int key = getch();
    if (key == ERR) {
        return -1;
    }
    if (key != 27) {
        return key;
    }
    // Escape alone, or Escape then a key: the terminal's way of sending Alt with that key.
    nodelay(stdscr, TRUE);
    const int next = getch();
    nodelay(stdscr, FALSE);
    return next == ERR ? 27 : (kAltFlag | next);
}

void TerminalScreen::DrawDialog(const standin::DialogSession& session,
                                const std::map<std::int32_t, std::size_t>& cursors) {
    erase();
    const standin::DialogTemplate& layout = session.Layout();
    const CellRect client = DialogCells(layout);
    const CellRect origin = DialogOrigin(client);
    Frame(origin.row - 1, origin.col - 1, client.height + 2, client.width + 2, layout.caption);

    int cursorRow = -1;
    int cursorCol = -1;
    const auto& controls = session.Controls();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const DialogControl& control = controls[i];
        if (!control.layout.Visible()) {
            continue;
        }
        CellRect cells = ControlCells(control.layout);
        cells.row += origin.row;
        cells.col += origin.col;
        const auto cursor = cursors.find(control.layout.id);
        DrawControl(control, cells, session.Focus() == static_cast<int>(i),
                    cursor == cursors.end() ? control.text.size() : cursor->second, cursorRow,
                    cursorCol);
    }
    PutText(LINES - 1, 0,
            "Tab/Shift+Tab: move  Space: press/check  Enter: OK  Esc: Cancel  Alt+key: label key");
    if (cursorRow >= 0) {
        curs_set(1);
        move(cursorRow, cursorCol);
    } else {
        curs_set(0);
    }
    refresh();
}

int TerminalScreen::MessageBox(std::string_view text, std::string_view caption, UINT type) {
    const bool yesNo = (type & 0xF) == MB_YESNO;
    const auto answers = yesNo ? std::vector<int>{IDYES, IDNO} : std::vector<int>{IDOK};
    const auto labels =
        yesNo ? std::vector<std::string>{"[ Yes ]", "[ No ]"} : std::vector<std::string>{"[ OK ]"};
    const std::vector<std::string> lines = WrapText(text, std::max(20, std::min(COLS - 8, 60)));
    std::size_t widest = caption.size() + 4;
    for (const std::string& line : lines) {
        widest = std::max(widest, line.size());
    }
    const int width = static_cast<int>(std::max<std::size_t>(widest, 20)) + 4;
    const int height = static_cast<int>(lines.size()) + 5;
    std::size_t chosen = 0;
    while (true) {
        const auto [top, left] = Popup(height, width, caption);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            PutText(top + 2 + static_cast<int>(i), left + 2, lines[i]);
        }
        int col = left + 2;
        for (std::size_t i = 0; i < labels.size(); ++i) {
            attr_set(i == chosen ? A_REVERSE : A_NORMAL, 0, nullptr);
            PutText(top + height - 2, col, labels[i]);
            attr_set(A_NORMAL, 0, nullptr);
            col += static_cast<int>(labels[i].size()) + 2;
        }
        curs_set(0);
        refresh();
        const int key = ReadKey();
        if (key < 0) {
            return answers.back(); // no more input: the safe answer
        }
        if (key == '\t' || key == KEY_RIGHT || key == KEY_LEFT || key == KEY_BTAB) {
            chosen = (chosen + 1) % answers.size();
        } else if (key == '\n' || key == '\r' || key == KEY_ENTER || key == ' ') {
            return answers[chosen];
        } else if (answers.size() == 2 && (key == 'y' || key == 'Y' || key == (kAltFlag | 'y'))) {
            return IDYES;
        } else if (answers.size() == 2 && (key == 'n' || key == 'N' || key == (kAltFlag | 'n'))) {
            return IDNO;
        } else if (answers.size() == 1 && key == 27) {
            return IDOK;
        }
    }
}

std::optional<std::string> TerminalScreen::Prompt(std::string_view title, std::string_view label,
                                                  std::string_view initial) {
    std::string text(initial);
    std::size_t cursor = text.size();
    const int width = std::max(30, std::min(COLS - 4, 72));
    const int height = 6;
    while (true) {
        const auto [top, left] = Popup(height, width, title);
        PutText(top + 1, left + 2, label);
        std::size_t first = 0;
        std::string field(VisibleEditText(text, cursor, width - 6, first));
        field.resize(static_cast<std::size_t>(width - 6), ' ');
        PutText(top + 2, left + 2, "[" + field + "]");
        PutText(top + 4, left + 2, "Enter: choose  Esc: cancel", width - 4);
        curs_set(1);
        move(top + 2, left + 3 + static_cast<int>(cursor - first));
        refresh();
        const int key = ReadKey();
        if (key < 0 || key == 27 || key == 3) {
            return std::nullopt;
        }
        if (key == '\n' || key == '\r' || key == KEY_ENTER) {
            return text;
        }
        EditText(text, cursor, key, std::string::npos);
    }
}

void TerminalScreen::ShowText(std::string_view title, std::string_view text) {
    const int width = std::max(20, std::min(COLS - 2, 76));
    const int height = std::max(5, LINES - 2);
    const std::vector<std::string> lines = WrapText(text, width - 4);
    const int page = height - 4;
    const int last = std::max(0, static_cast<int>(lines.size()) - page);
    int first = 0;
    while (true) {
        const auto [top, left] = Popup(height, width, title);
        for (int i = 0; i < page && first + i < static_cast<int>(lines.size()); ++i) {
            PutText(top + 1 + i, left + 2, lines[static_cast<std::size_t>(first + i)]);
        }
        PutText(top + height - 2, left + 2,
                last > 0 ? "Up/Down: scroll  any other key: close" : "any key: close", width - 4);
        curs_set(0);
        refresh();
        const int key = ReadKey();
        if (key == KEY_DOWN || key == KEY_NPAGE) {
            first = std::min(last, first + (key == KEY_DOWN ? 1 : page));
        } else if (key == KEY_UP || key == KEY_PPAGE) {
            first = std::max(0, first - (key == KEY_UP ? 1 : page));
        } else if (key != KEY_RESIZE) {
            return;
        }
    }
}

} // namespace dxfcnv
