// The ncurses side of the terminal dialog: the screen's lifetime, the drawing of a dialog from
// its template, and the small boxes the host shows over it (message box, path prompt, help).
#pragma once

#include "standin/dialog.h"

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dxfcnv {

// Where a control lands on the screen.
struct CellRect {
    int row = 0;
    int col = 0;
    int width = 1;
    int height = 1;
};

// Dialog units to character cells: 3.5 units across and 8 down make one cell (a dialog unit
// across is a quarter of the dialog font's average character, and a terminal's cell is wider
// than that average). One-line controls sit on the row of their middle, so that a label and its
// edit control share a row.
CellRect ControlCells(const standin::ControlTemplate& control);
// The size of the dialog's client area in cells.
CellRect DialogCells(const standin::DialogTemplate& dialog);
// The text an edit control of `width` cells shows, scrolled so that `cursor` stays in view;
// `first` receives the index of the first character shown.
std::string_view VisibleEditText(std::string_view text, std::size_t cursor, int width,
                                 std::size_t& first);
// `text` broken into lines of at most `width` characters, at blanks where possible; line feeds
// start new lines.
std::vector<std::string> WrapText(std::string_view text, int width);
// Applies an editing key to `text` and its cursor: Left, Right, Home and End move the cursor,
// Backspace and Delete erase, a printable character is inserted while the text is shorter than
// `limit`. False for any other key, or one that can do nothing where the cursor stands.
bool EditText(std::string& text, std::size_t& cursor, int key, std::size_t limit);

class TerminalScreen {
  public:
    // Takes over the terminal; Ok() tells whether that worked.
    TerminalScreen();
    ~TerminalScreen();
    TerminalScreen(const TerminalScreen&) = delete;
    TerminalScreen& operator=(const TerminalScreen&) = delete;
    bool Ok() const { return ok_; }

    // The next key; -1 when the terminal has no more input. Alt+letter comes as kAltFlag|letter.
    int ReadKey();
    static constexpr int kAltFlag = 0x10000;

    void DrawDialog(const standin::DialogSession& session,
                    const std::map<std::int32_t, std::size_t>& cursors);
    // A message box: the button chosen, IDYES, IDNO or IDOK.
    int MessageBox(std::string_view text, std::string_view caption, UINT type);
    // A one-line prompt; nothing when the user pressed Esc.
    std::optional<std::string> Prompt(std::string_view title, std::string_view label,
                                      std::string_view initial);
    // A page of text; any key but the arrows and page keys closes it.
    void ShowText(std::string_view title, std::string_view text);

  private:
    void* screen_ = nullptr; // the curses SCREEN
    bool ok_ = false;
};

} // namespace dxfcnv
