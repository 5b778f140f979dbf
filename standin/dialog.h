// Modal dialogs of the stand-in host. DialogBoxParamA builds the dialog from the module's
// compiled resources (resource_file.h): every control with its id, kind, label, rectangle,
// enabled and visible state, tab stop and access key. It sends WM_INITDIALOG to the dialog
// procedure and then hands the dialog to the installed driver, which plays the user: it types,
// clicks, answers the message boxes and picks files. The test suite drives dialogs with a script
// (tests/support/dialog_script.h), the command-line host with the terminal (app/terminal_dialog.h).
#pragma once

#include "standin/resource_file.h"
#include "standin/standin.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// One control of a running dialog.
struct DialogControl {
    ControlTemplate layout; // as the template gives it; nothing changes it while the dialog runs
    std::string text;       // an edit's text, the label of any other control
    bool checked = false;   // check boxes only
};

// The longest text an edit control takes, as the system's edit controls by default.
constexpr std::size_t kEditTextLimit = 32767;
// EN_CHANGE: the notification an edit control sends after its text changed.
constexpr WORD kEditChanged = 0x0300;

// A dialog while it runs. The first group of operations is what a user can do; each returns
// false, and changes nothing, when a user could not do it: the dialog has ended, or the control
// is missing, hidden, disabled or of another kind. The second group is what the dialog's own
// code asks through the Win32 calls.
class STANDIN_API DialogSession {
  public:
    DialogSession(HWND window, const DialogTemplate& layout, DLGPROC procedure);

    HWND Window() const { return window_; }
    const DialogTemplate& Layout() const { return layout_; }
    const std::vector<DialogControl>& Controls() const { return controls_; }
    const DialogControl* Control(std::int32_t controlId) const;
    bool Ended() const { return ended_; }
    INT_PTR Result() const { return result_; }
    // The index in Controls() of the control with the focus; -1 when none has it.
    int Focus() const { return focus_; }
    // Whether a user can reach the control: visible and enabled.
    static bool Reachable(const DialogControl& control);

    // Replaces the text of an edit control, as selecting all of it and typing would.
    bool Type(std::int32_t controlId, std::string_view text);
    // Clicks a push button, or a check box (an automatic one changes its state first); the
    // control takes the focus.
    bool Click(std::int32_t controlId);
    // Gives the focus to a control that is a tab stop.
    bool SetFocus(std::int32_t controlId);
    // Tab and Shift+Tab: the next or previous reachable tab stop, in template order, wrapping.
    bool MoveFocus(bool backwards);
    // Enter: clicks the focused push button, else the default push button (the focus stays).
    bool PressEnter();
    // Escape: the Cancel command, whether or not a Cancel button is there.
    bool PressEscape();
    // Alt and a letter (or the letter alone away from an edit control): clicks the reachable
    // button or check box whose label marks that access key.
    bool PressAccessKey(char key);

    // The dialog's own code.
    void SendInitDialog(LPARAM initParam);
    bool SetItemText(std::int32_t controlId, std::string_view text);
    bool SetItemChecked(std::int32_t controlId, bool checked);
    void End(INT_PTR result);
    LONG_PTR SwapUserData(LONG_PTR value);
    LONG_PTR UserData() const { return userData_; }
    // Sends a message to the dialog procedure.
    INT_PTR Send(UINT message, WPARAM wParam, LPARAM lParam);

  private:
    DialogControl* Find(std::int32_t controlId);
    bool Press(std::int32_t controlId, bool takeFocus);
    void Command(std::int32_t controlId, WORD notification);
    int IndexOf(const DialogControl* control) const;

    HWND window_;
    DialogTemplate layout_;
    DLGPROC procedure_;
    std::vector<DialogControl> controls_;
    bool ended_ = false;
    INT_PTR result_ = 0;
    int focus_ = -1;
    LONG_PTR userData_ = 0;
};

// Plays the user of the dialogs that the stand-in shows.
class DialogDriver {
  public:
    virtual ~DialogDriver() = default;
    // Acts on the dialog until it has ended. A driver that returns while the dialog is still
    // open closes it as the close box would: with the Cancel command.
    virtual void Run(DialogSession& session) = 0;
    // Answers a message box shown while a dialog runs: IDOK, IDYES, IDNO, ...
    virtual int AnswerMessageBox(std::string_view text, std::string_view caption, UINT type) = 0;
    // The host's browse for a file, starting from `current`: false when the user picks none.
    virtual bool ChooseFile(std::string_view current, std::string& chosen) = 0;
    // The host's help for a context number (see HelpTopic), asked for on `helpWindow`.
    virtual void ShowHelp(HWND helpWindow, std::int32_t context) = 0;
};

// Installs the driver of the dialogs shown from now on (not owned; null for none) and gives the
// one it replaces. Without a driver DialogBoxParamA gives -1, as when a dialog cannot be made.
STANDIN_API DialogDriver* SetDialogDriver(DialogDriver* driver);

// Installs a driver for the life of the object.
class ScopedDialogDriver {
  public:
    explicit ScopedDialogDriver(DialogDriver& driver) : previous_(SetDialogDriver(&driver)) {}
    ~ScopedDialogDriver() { SetDialogDriver(previous_); }
    ScopedDialogDriver(const ScopedDialogDriver&) = delete;
    ScopedDialogDriver& operator=(const ScopedDialogDriver&) = delete;

  private:
    DialogDriver* previous_;
};

// The help text of the stand-in's help system for a context number; empty for one it lacks.
// Context 320 is the import options dialog.
STANDIN_API std::string_view HelpTopic(std::int32_t context);

} // namespace standin
