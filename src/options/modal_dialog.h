// A modal dialog built from a dialog template of the module's resources: the small layer over the
// system's dialog calls that the options dialog stands on. A dialog class derives from it and
// overrides the handlers it needs; DoModal runs the dialog until a handler ends it.
#pragma once

#include "host/win32.h"

#include <cstddef>
#include <string>

class ModalDialog {
  public:
    ModalDialog(int templateId, HWND owner) : templateId_(templateId), owner_(owner) {}
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog and returns when it has ended: the result given to End, or -1 when the
    // dialog could not be shown.
    INT_PTR DoModal();

  protected:
    // The controls exist and are empty. True lets the system give the focus to the first control.
    virtual bool OnInitDialog() { return true; }
    // OK (the button, or Enter) and Cancel (the button, Escape or the close box).
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    // A click on any other push button or check box.
    virtual void OnClicked(int /*controlId*/) {}

    HWND Window() const { return window_; }
    // The text of a control, at most maxChars characters of it.
    std::string ItemText(int controlId, std::size_t maxChars) const;
    void SetItemText(int controlId, const std::string& text) const;
    bool IsItemChecked(int controlId) const;
    void CheckItem(int controlId, bool checked) const;
    // Ends the dialog once the current handler returns; DoModal gives `result`.
    void End(INT_PTR result) const;
    // A message box owned by the dialog; the button the user chose.
    int ShowMessage(const std::string& text, const std::string& caption, UINT type) const;

  private:
    static INT_PTR CALLBACK DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam);

    int templateId_;
    HWND owner_;
    HWND window_ = nullptr;
};
