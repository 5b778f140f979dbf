#include "app/terminal_dialog.h"

#include "app/terminal_dialog_screen.h"

#include <curses.h>

#include <cctype>

namespace dxfcnv {

using standin::ControlKind;
using standin::DialogControl;
using standin::DialogSession;

constexpr int kCtrlC = 3;

TerminalDialog::TerminalDialog() = default;
TerminalDialog::~TerminalDialog() = default;

TerminalScreen& TerminalDialog::Screen() {
    if (!screen_) {
        screen_ = std::make_unique<TerminalScreen>();
    }
    return *screen_;
}

std::size_t& TerminalDialog::Cursor(const DialogControl& edit) {
    std::size_t& cursor = cursors_[edit.layout.id];
    cursor = std::min(cursor, edit.text.size()); // the program may have set a shorter text
    return cursor;
}

void TerminalDialog::Draw(const DialogSession& session) {
    const int focus = session.Focus();
    if (focus != lastFocus_ && focus >= 0) {
        const DialogControl& control = session.Controls()[static_cast<std::size_t>(focus)];
        if (control.layout.Kind() == ControlKind::Edit) {
            cursors_[control.layout.id] = control.text.size();
        }
    }
    lastFocus_ = focus;
    Screen().DrawDialog(session, cursors_);
}

void TerminalDialog::Run(DialogSession& session) {
    if (!Screen().Ok()) {
        return; // no usable terminal: the dialog is closed as by its close box
    }
    while (!session.Ended()) {
        Draw(session);
        const int key = Screen().ReadKey();
        if (key < 0 || !HandleKey(session, key)) {
            return;
        }
    }
    screen_.reset(); // give the terminal back as soon as the dialog has ended
}

bool TerminalDialog::HandleKey(DialogSession& session, int key) {
    const int focus = session.Focus();
    const DialogControl* focused =
        focus >= 0 ? &session.Controls()[static_cast<std::size_t>(focus)] : nullptr;
    if (key == '\t' || key == KEY_DOWN) {
        session.MoveFocus(false);
    } else if (key == KEY_BTAB || key == KEY_UP) {
        session.MoveFocus(true);
    } else if (key == '\n' || key == '\r' || key == KEY_ENTER) {
        session.PressEnter();
    } else if (key == 27 || key == kCtrlC) {
        session.PressEscape();
    } else if ((key & TerminalScreen::kAltFlag) != 0) {
        session.PressAccessKey(static_cast<char>(key & 0xFF));
    } else if (focused && focused->layout.Kind() == ControlKind::Edit) {
        EditKey(session, *focused, key);
    } else if (key == ' ' && focused) {
        session.Click(focused->layout.id);
    } else if (key >= 32 && key < 127 && std::isalnum(key)) {
        session.PressAccessKey(static_cast<char>(key));
    }
    return true;
}

void TerminalDialog::EditKey(DialogSession& session, const DialogControl& edit, int key) {
    std::string text = edit.text;
    if (EditText(text, Cursor(edit), key, standin::kEditTextLimit) && text != edit.text) {
        session.Type(edit.layout.id, text);
    }
}

int TerminalDialog::AnswerMessageBox(std::string_view text, std::string_view caption, UINT type) {
    if (!Screen().Ok()) {
        return (type & 0xF) == MB_YESNO ? IDNO : IDOK;
    }
    return Screen().MessageBox(text, caption, type);
}

bool TerminalDialog::ChooseFile(std::string_view current, std::string& chosen) {
    if (!Screen().Ok()) {
        return false;
    }
    std::optional<std::string> path = Screen().Prompt("Browse", "Initialization file:", current);
    if (!path) {
        return false;
    }
    chosen = std::move(*path);
    return true;
}

void TerminalDialog::ShowHelp(HWND, std::int32_t context) {
    if (!Screen().Ok()) {
        return;
    }
    const std::string_view topic = standin::HelpTopic(context);
    Screen().ShowText("Help", topic.empty() ? "No help for context " + std::to_string(context) + "."
                                            : std::string(topic));
}

} // namespace dxfcnv
