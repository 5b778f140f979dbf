// The subset of the Windows API that the module calls.
// On Windows this is <windows.h> itself; everywhere else the declarations below are implemented
// by the stand-in host (library vexcore), which plays the part of user32, kernel32 and advapi32.
#pragma once

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else

#include <cstddef>
#include <cstdint>

#if defined(VEXCORE_BUILD)
#define WIN32_STANDIN_API __attribute__((visibility("default")))
#else
#define WIN32_STANDIN_API
#endif

#define WINAPI
#define CALLBACK

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using UINT = unsigned int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using LPCSTR = const char*;
using LPSTR = char*;
using LPBYTE = BYTE*;
using LPDWORD = DWORD*;
using SIZE_T = std::size_t;
using INT_PTR = std::intptr_t;
using LONG_PTR = std::intptr_t;

struct HWND__;
using HWND = HWND__*;
struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
struct HGLOBAL__;
using HGLOBAL = HGLOBAL__*;
struct HINSTANCE__;
using HINSTANCE = HINSTANCE__*;
using HMODULE = HINSTANCE;
using HFILE = int;

constexpr BOOL FALSE = 0;
constexpr BOOL TRUE = 1;

// Message boxes.
constexpr UINT MB_OK = 0x0000;
constexpr UINT MB_YESNO = 0x0004;
constexpr UINT MB_ICONWARNING = 0x0030;
constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDYES = 6;
constexpr int IDNO = 7;

// Global memory.
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;

// Registry.
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u)))
constexpr LONG ERROR_SUCCESS = 0;
constexpr LONG ERROR_FILE_NOT_FOUND = 2;
constexpr LONG ERROR_MORE_DATA = 234;
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;

// OpenFile.
constexpr int OFS_MAXPATHNAME = 128;
struct OFSTRUCT {
    BYTE cBytes;
    BYTE fFixedDisk;
    WORD nErrCode;
    WORD Reserved1;
    WORD Reserved2;
    char szPathName[OFS_MAXPATHNAME];
};
constexpr UINT OF_READ = 0x0000;
constexpr HFILE HFILE_ERROR = -1;

// Dialogs. A dialog procedure gets WM_INITDIALOG with the value given to DialogBoxParamA, then
// WM_COMMAND (control id in the low word of wParam, notification in the high word).
using DLGPROC = INT_PTR (*)(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
constexpr UINT WM_INITDIALOG = 0x0110;
constexpr UINT WM_COMMAND = 0x0111;
constexpr WORD BN_CLICKED = 0;
constexpr UINT BST_UNCHECKED = 0;
constexpr UINT BST_CHECKED = 1;
constexpr int DWLP_USER = 8; // the dialog's own pointer-sized slot for its procedure
#define MAKEINTRESOURCEA(id)                                                                       \
    (reinterpret_cast<LPSTR>(static_cast<std::uintptr_t>(static_cast<WORD>(id))))
#define LOWORD(value) (static_cast<WORD>(static_cast<std::uintptr_t>(value) & 0xFFFFu))
#define HIWORD(value) (static_cast<WORD>((static_cast<std::uintptr_t>(value) >> 16) & 0xFFFFu))

extern "C" {
WIN32_STANDIN_API LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
WIN32_STANDIN_API int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);
WIN32_STANDIN_API int LoadStringA(HINSTANCE module, UINT id, LPSTR buffer, int bufferSize);

WIN32_STANDIN_API HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
WIN32_STANDIN_API void* GlobalLock(HGLOBAL memory);
WIN32_STANDIN_API BOOL GlobalUnlock(HGLOBAL memory);
WIN32_STANDIN_API HGLOBAL GlobalFree(HGLOBAL memory);
WIN32_STANDIN_API SIZE_T GlobalCompact(DWORD minFree);
WIN32_STANDIN_API SIZE_T GlobalSize(HGLOBAL memory);

WIN32_STANDIN_API LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result);
WIN32_STANDIN_API LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                                        LPBYTE data, LPDWORD dataSize);
WIN32_STANDIN_API LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type,
                                      const BYTE* data, DWORD dataSize);
WIN32_STANDIN_API LONG RegCloseKey(HKEY key);

WIN32_STANDIN_API HFILE OpenFile(LPCSTR fileName, OFSTRUCT* info, UINT style);
WIN32_STANDIN_API HFILE _lclose(HFILE file);

WIN32_STANDIN_API INT_PTR DialogBoxParamA(HINSTANCE module, LPCSTR templateName, HWND owner,
                                          DLGPROC procedure, LPARAM initParam);
WIN32_STANDIN_API BOOL EndDialog(HWND dialog, INT_PTR result);
WIN32_STANDIN_API UINT GetDlgItemTextA(HWND dialog, int controlId, LPSTR buffer, int bufferSize);
WIN32_STANDIN_API BOOL SetDlgItemTextA(HWND dialog, int controlId, LPCSTR text);
WIN32_STANDIN_API BOOL CheckDlgButton(HWND dialog, int controlId, UINT check);
WIN32_STANDIN_API UINT IsDlgButtonChecked(HWND dialog, int controlId);
WIN32_STANDIN_API LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
WIN32_STANDIN_API LONG_PTR GetWindowLongPtrA(HWND window, int index);
}

#endif
