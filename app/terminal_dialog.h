// The terminal plays the user of the stand-in's dialogs (ncurses): the dialog is drawn at the
// positions of its template (terminal_dialog_screen.h says how dialog units become character
// cells), and the keys act as they do in a dialog box:
//   Tab, Shift+Tab (or Down, Up)   next, previous control that is a tab stop
//   typing, Left, Right, Home, End, Backspace, Delete   edit the text of an edit control
//   Space                          click the focused button or check box
//   Enter                          the focused push button, else the default one (OK)
//   Esc                            Cancel
//   Alt+letter, or the letter away from an edit control   the control whose label marks it
// Hidden controls are not drawn; disabled ones are drawn dim and cannot be reached. Message boxes,
// the host's file browse (a path prompt) and its help are shown in the terminal as well.
#pragma once

#include "standin/dialog.h"

#include <map>
#include <memory>
#include <string>

namespace dxfcnv {

class TerminalScreen;

class TerminalDialog : public standin::DialogDriver {
  public:
    TerminalDialog();
    ~TerminalDialog() override;
    TerminalDialog(const TerminalDialog&) = delete;
    TerminalDialog& operator=(const TerminalDialog&) = delete;

    void Run(standin::DialogSession& session) override;
    int AnswerMessageBox(std::string_view text, std::string_view caption, UINT type) override;
    bool ChooseFile(std::string_view current, std::string& chosen) override;
    void ShowHelp(HWND helpWindow, std::int32_t context) override;

  private:
    TerminalScreen& Screen();
    // One key for the dialog; false when the terminal has no more input.
    bool HandleKey(standin::DialogSession& session, int key);
    void EditKey(standin::DialogSession& session, const standin::DialogControl& edit, int key);
    void Draw(const standin::DialogSession& session);
    std::size_t& Cursor(const standin::DialogControl& edit);

    std::unique_ptr<TerminalScreen> screen_;
    std::map<std::int32_t, std::size_t> cursors_; // edit control id -> cursor position
    int lastFocus_ = -1;                          // an edit entered anew puts the cursor at the end
};

} // namespace dxfcnv
