#include "options/modal_dialog.h"

#include "host/host_calls.h"
#include "module/module_instance.h"

#include <algorithm>
#include <vector>

INT_PTR ModalDialog::DoModal() {
    return DialogBoxParamA(ModuleInstance(), MAKEINTRESOURCEA(templateId_), owner_,
                           &ModalDialog::DialogProcedure, reinterpret_cast<LPARAM>(this));
}

// The dialog object travels in WM_INITDIALOG and is kept in the window's DWLP_USER slot for the
// messages after it. No exception may go back into the system's dialog loop: a handler that
// fails ends the dialog.
INT_PTR CALLBACK ModalDialog::DialogProcedure(HWND window, UINT message, WPARAM wParam,
                                              LPARAM lParam) {
    ModalDialog* dialog = nullptr;
    if (message == WM_INITDIALOG) {
        dialog = reinterpret_cast<ModalDialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        if (dialog) {
            dialog->window_ = window;
        }
    } else {
        dialog = reinterpret_cast<ModalDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!dialog) {
        return FALSE;
    }
    try {
        return dialog->Handle(message, wParam);
    } catch (...) {
        EndDialog(window, -1);
        return TRUE;
    }
}

INT_PTR ModalDialog::Handle(UINT message, WPARAM wParam) {
    if (message == WM_INITDIALOG) {
        return OnInitDialog() ? TRUE : FALSE;
    }
    if (message != WM_COMMAND) {
        return FALSE;
    }
    const int controlId = LOWORD(wParam);
    // A button click, or the same command from the keyboard (Enter, Escape).
    const WORD notification = HIWORD(wParam);
    if (notification != BN_CLICKED && notification != 1) {
        return FALSE;
    }
    if (controlId == IDOK) {
        OnOK();
    } else if (controlId == IDCANCEL) {
        OnCancel();
    } else {
        OnClicked(controlId);
    }
    return TRUE;
}

std::string ModalDialog::ItemText(int controlId, std::size_t maxChars) const {
    std::vector<char> buffer(maxChars + 1, '\0');
    const UINT length =
        GetDlgItemTextA(window_, controlId, buffer.data(), static_cast<int>(buffer.size()));
    return std::string(buffer.data(), std::min<std::size_t>(length, maxChars));
}

void ModalDialog::SetItemText(int controlId, const std::string& text) const {
    SetDlgItemTextA(window_, controlId, text.c_str());
}

bool ModalDialog::IsItemChecked(int controlId) const {
    return IsDlgButtonChecked(window_, controlId) == BST_CHECKED;
}

void ModalDialog::CheckItem(int controlId, bool checked) const {
    CheckDlgButton(window_, controlId, checked ? BST_CHECKED : BST_UNCHECKED);
}

void ModalDialog::End(INT_PTR result) const {
    EndDialog(window_, result);
}

int ModalDialog::ShowMessage(const std::string& text, const std::string& caption, UINT type) const {
    return ShowMessageBox(window_, text, caption, type);
}
