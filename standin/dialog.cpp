// Modal dialogs of the stand-in host: DialogBoxParamA and the dialog calls of the Win32 subset
// over in-memory dialogs, and the dialog session that a driver acts on (dialog.h).
#include "standin/dialog.h"

#include "standin/buffers.h"
#include "standin/host_state.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <utility>

using namespace standin;

namespace {

// The running dialogs by the id behind their window handle, and the installed driver.
struct DialogRegistry {
    std::map<std::uint64_t, DialogSession*> sessions;
    DialogDriver* driver = nullptr;
};

DialogRegistry& Dialogs() {
    static DialogRegistry registry;
    return registry;
}

DialogSession* SessionOf(HWND window) {
    const auto found = Dialogs().sessions.find(IdOf(window));
    return found == Dialogs().sessions.end() ? nullptr : found->second;
}

bool IsButton(ControlKind kind) {
    return kind == ControlKind::PushButton || kind == ControlKind::DefaultPushButton;
}

bool IsCheckBox(ControlKind kind) {
    return kind == ControlKind::CheckBox || kind == ControlKind::AutoCheckBox;
}

// While a dialog runs, the host's message boxes, file browsing and help go to its driver; what
// was installed before comes back when the dialog ends.
class DriverHooks {
  public:
    explicit DriverHooks(DialogDriver& driver)
        : messageBox_(std::exchange(State().messageBoxHook, nullptr)),
          driver_(std::exchange(State().dialogDriver, &driver)) {
        State().messageBoxHook = [&driver](HWND, std::string_view text, std::string_view caption,
                                           UINT type) {
            return driver.AnswerMessageBox(text, caption, type);
        };
    }
    ~DriverHooks() {
        State().messageBoxHook = std::move(messageBox_);
        State().dialogDriver = driver_;
    }
    DriverHooks(const DriverHooks&) = delete;
    DriverHooks& operator=(const DriverHooks&) = delete;

  private:
    MessageBoxHook messageBox_;
    DialogDriver* driver_;
};

// The dialog's window for the life of one DialogBoxParamA: known to the dialog calls by its
// handle, and to SendMessageA as a host window (the host's browse sets an item's text that way).
class DialogWindow {
  public:
    DialogWindow() : id_(State().NewId()) {}
    ~DialogWindow() {
        Dialogs().sessions.erase(id_);
        State().hostWindows.erase(id_);
    }
    DialogWindow(const DialogWindow&) = delete;
    DialogWindow& operator=(const DialogWindow&) = delete;

    HWND Handle() const { return HandleFromId<HWND>(id_); }

    void Attach(DialogSession& session) {
        Dialogs().sessions[id_] = &session;
        State().hostWindows[id_] =
            HostWindow{[&session](UINT message, WPARAM wParam, LPARAM lParam) -> LRESULT {
                if (message == kSetItemTextMessage) {
                    const char* text = reinterpret_cast<const char*>(lParam);
                    return session.SetItemText(static_cast<std::int32_t>(wParam), text ? text : "");
                }
                return session.Send(message, wParam, lParam);
            }};
    }

  private:
    std::uint64_t id_;
};

bool IsIntegerResource(LPCSTR name) {
    return (reinterpret_cast<std::uintptr_t>(name) >> 16) == 0;
}

} // namespace

namespace standin {

DialogSession::DialogSession(HWND window, const DialogTemplate& layout, DLGPROC procedure)
    : window_(window), layout_(layout), procedure_(procedure) {
    controls_.reserve(layout_.controls.size());
    for (const ControlTemplate& control : layout_.controls) {
        controls_.push_back(DialogControl{control, control.text, false});
    }
}

const DialogControl* DialogSession::Control(std::int32_t controlId) const {
    const auto found =
        std::find_if(controls_.begin(), controls_.end(),
                     [&](const DialogControl& c) { return c.layout.id == controlId; });
    return found == controls_.end() ? nullptr : &*found;
}

DialogControl* DialogSession::Find(std::int32_t controlId) {
    return const_cast<DialogControl*>(std::as_const(*this).Control(controlId));
}

int DialogSession::IndexOf(const DialogControl* control) const {
    return control ? static_cast<int>(control - controls_.data()) : -1;
}

bool DialogSession::Reachable(const DialogControl& control) {
    return control.layout.Visible() && control.layout.Enabled();
}

INT_PTR DialogSession::Send(UINT message, WPARAM wParam, LPARAM lParam) {
    return procedure_ ? procedure_(window_, message, wParam, lParam) : 0;
}

void DialogSession::Command(std::int32_t controlId, WORD notification) {
    const auto wParam = static_cast<WPARAM>((static_cast<std::uint32_t>(notification) << 16) |
                                            (static_cast<std::uint32_t>(controlId) & 0xFFFFu));
    Send(WM_COMMAND, wParam, 0);
}

void DialogSession::SendInitDialog(LPARAM initParam) {
    // As the system does: a procedure that answers TRUE leaves the focus to the first tab stop.
    if (Send(WM_INITDIALOG, 0, initParam) != FALSE && focus_ < 0) {
        MoveFocus(false);
    }
}

bool DialogSession::Type(std::int32_t controlId, std::string_view text) {
    DialogControl* control = Find(controlId);
    if (ended_ || !control || !Reachable(*control) || control->layout.Kind() != ControlKind::Edit) {
        return false;
    }
    focus_ = IndexOf(control);
    control->text = std::string(text.substr(0, kEditTextLimit));
    Command(controlId, kEditChanged);
    return true;
}

bool DialogSession::Click(std::int32_t controlId) {
    return Press(controlId, true);
}

bool DialogSession::Press(std::int32_t controlId, bool takeFocus) {
    DialogControl* control = Find(controlId);
    if (ended_ || !control || !Reachable(*control)) {
        return false;
    }
    const ControlKind kind = control->layout.Kind();
    if (!IsButton(kind) && !IsCheckBox(kind)) {
        return false;
    }
    if (takeFocus) {
        focus_ = IndexOf(control);
    }
    if (kind == ControlKind::AutoCheckBox) {
        control->checked = !control->checked;
    }
    Command(controlId, BN_CLICKED);
    return true;
}

bool DialogSession::SetFocus(std::int32_t controlId) {
    const DialogControl* control = Find(controlId);
    if (ended_ || !control || !Reachable(*control) || !control->layout.TabStop()) {
        return false;
    }
    focus_ = IndexOf(control);
    return true;
}

bool DialogSession::MoveFocus(bool backwards) {
    const int count = static_cast<int>(controls_.size());
    if (ended_ || count == 0) {
        return false;
    }
    const int step = backwards ? count - 1 : 1;
    int index = focus_ >= 0 ? focus_ : (backwards ? 0 : count - 1);
    for (int tried = 0; tried < count; ++tried) {
        index = (index + step) % count;
        const DialogControl& control = controls_[static_cast<std::size_t>(index)];
        if (Reachable(control) && control.layout.TabStop()) {
            focus_ = index;
            return true;
        }
    }
    return false;
}

bool DialogSession::PressEnter() {
    if (ended_) {
        return false;
    }
    if (focus_ >= 0 && IsButton(controls_[static_cast<std::size_t>(focus_)].layout.Kind())) {
        return Click(controls_[static_cast<std::size_t>(focus_)].layout.id);
    }
    const auto defaultButton = std::find_if(controls_.begin(), controls_.end(), [](auto& c) {
        return c.layout.Kind() == ControlKind::DefaultPushButton;
    });
    if (defaultButton != controls_.end()) {
        return Press(defaultButton->layout.id, false); // the focus stays where it was
    }
    Command(IDOK, BN_CLICKED); // a dialog without a default button still gets IDOK
    return true;
}

bool DialogSession::PressEscape() {
    if (ended_) {
        return false;
    }
    Command(IDCANCEL, BN_CLICKED);
    return true;
}

bool DialogSession::PressAccessKey(char key) {
    const char wanted = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    for (const DialogControl& control : controls_) {
        const ControlKind kind = control.layout.Kind();
        if (wanted != 0 && control.layout.AccessKey() == wanted && Reachable(control) &&
            (IsButton(kind) || IsCheckBox(kind))) {
            return Click(control.layout.id);
        }
    }
    return false;
}

bool DialogSession::SetItemText(std::int32_t controlId, std::string_view text) {
    DialogControl* control = Find(controlId);
    if (!control) {
        return false;
    }
    const bool edit = control->layout.Kind() == ControlKind::Edit;
    control->text = std::string(edit ? text.substr(0, kEditTextLimit) : text);
    if (edit) {
        Command(controlId, kEditChanged);
    }
    return true;
}

bool DialogSession::SetItemChecked(std::int32_t controlId, bool checked) {
    DialogControl* control = Find(controlId);
    if (!control || !IsCheckBox(control->layout.Kind())) {
        return false;
    }
    control->checked = checked;
    return true;
}

void DialogSession::End(INT_PTR result) {
    if (!ended_) {
        ended_ = true;
        result_ = result;
    }
}

LONG_PTR DialogSession::SwapUserData(LONG_PTR value) {
    return std::exchange(userData_, value);
}

DialogDriver* SetDialogDriver(DialogDriver* driver) {
    return std::exchange(Dialogs().driver, driver);
}

std::string_view HelpTopic(std::int32_t context) {
    if (context != 320) {
        return {};
    }
    return "DXF Import Options\n"
           "\n"
           "These settings are used by every DXF import from now on.\n"
           "\n"
           "X, Y: map units added to the x and y of every entity of the drawing, after the "
           "multiplier is applied. Objects inside block definitions are not shifted.\n"
           "Z: not used: every imported object is two-dimensional. OK stores 0.\n"
           "Skip Z Coordinate: always on, for the same reason.\n"
           "Multiplier: the scale factor of the drawing's coordinates. 0, or a text that is no "
           "number, keeps the multiplier you had; a negative multiplier mirrors the drawing.\n"
           "Initialization file: the layer-mapping file that assigns DXF layers to map layers "
           "(dxf.ini when nothing else is stored). A bare file name is searched in the current "
           "folder and the folders of the search path. Browse... picks a file. OK warns when "
           "the file cannot be found; answer No to correct it.\n"
           "Set layer order from initialization file: after the import, order the map's layers "
           "as the initialization file lists them.\n"
           "\n"
           "OK stores what you typed. Cancel keeps the settings as they were; a file picked "
           "with Browse... is stored in both cases.";
}

} // namespace standin

extern "C" {

WIN32_STANDIN_API INT_PTR DialogBoxParamA(HINSTANCE, LPCSTR templateName, HWND, DLGPROC procedure,
                                          LPARAM initParam) {
    return Guarded<INT_PTR>(-1, [&]() -> INT_PTR {
        DialogDriver* driver = Dialogs().driver;
        if (!driver || !procedure || !IsIntegerResource(templateName)) {
            return -1;
        }
        const auto id = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(templateName));
        const DialogTemplate* layout = ModuleResources().Dialog(id);
        if (!layout) {
            return -1;
        }
        DialogWindow window;
        DialogSession session(window.Handle(), *layout, procedure);
        window.Attach(session);
        DriverHooks hooks(*driver);
        session.SendInitDialog(initParam);
        if (!session.Ended()) {
            driver->Run(session);
        }
        if (!session.Ended()) {
            session.PressEscape(); // the close box
        }
        return session.Ended() ? session.Result() : -1;
    });
}

WIN32_STANDIN_API BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogSession* session = SessionOf(dialog);
    if (!session) {
        return FALSE;
    }
    session->End(result);
    return TRUE;
}

WIN32_STANDIN_API UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int bufferSize) {
    return Guarded<UINT>(0, [&]() -> UINT {
        const DialogSession* session = SessionOf(dialog);
        const DialogControl* control = session ? session->Control(controlId) : nullptr;
        CopyTextOut(buffer, bufferSize, control ? std::string_view(control->text) : "");
        if (!control || !buffer || bufferSize <= 0) {
            return 0;
        }
        return static_cast<UINT>(
            std::min<std::size_t>(control->text.size(), static_cast<std::size_t>(bufferSize - 1)));
    });
}

WIN32_STANDIN_API BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text) {
    return Guarded<BOOL>(FALSE, [&]() -> BOOL {
        DialogSession* session = SessionOf(dialog);
        return session && session->SetItemText(controlId, text ? text : "") ? TRUE : FALSE;
    });
}

WIN32_STANDIN_API BOOL CheckDlgButton(HWND dialog, int controlId, UINT check) {
    DialogSession* session = SessionOf(dialog);
    return session && session->SetItemChecked(controlId, check == BST_CHECKED) ? TRUE : FALSE;
}

WIN32_STANDIN_API UINT IsDlgButtonChecked(HWND dialog, int controlId) {
    const DialogSession* session = SessionOf(dialog);
    const DialogControl* control = session ? session->Control(controlId) : nullptr;
    return control && control->checked ? BST_CHECKED : BST_UNCHECKED;
}

// Only dialogs keep a value of their own here: the DWLP_USER slot.
WIN32_STANDIN_API LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
    DialogSession* session = SessionOf(window);
    return session && index == DWLP_USER ? session->SwapUserData(value) : 0;
}

WIN32_STANDIN_API LONG_PTR GetWindowLongPtrA(HWND window, int index) {
    const DialogSession* session = SessionOf(window);
    return session && index == DWLP_USER ? session->UserData() : 0;
}

} // extern "C"
