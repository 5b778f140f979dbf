// Windows only: the stand-in's windows are real, hidden system windows of one window class, and
// a map window carries the host record the module reads at its byte offsets. Messages at and
// above WM_USER reach the same handlers as elsewhere (map observer, application window handler,
// attribute table); the system's own messages go to DefWindowProcA.
#include "standin/host_state.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>

namespace standin {

namespace {

constexpr const char* kWindowClass = "VexcoreStandInWindow";

// The host record of a map window, at the byte offsets the module reads: the text memory
// (a movable block holding the text base at 68) at 12, the presentation manager at 232 and the
// object database at 240. The presentation manager keeps the unit id at 52.
constexpr std::size_t kRecordSize = 256;
constexpr std::size_t kTextMemoryOffset = 12;
constexpr std::size_t kPresentationOffset = 232;
constexpr std::size_t kDatabaseOffset = 240;
constexpr std::size_t kPresentationSize = 64;
constexpr std::size_t kUnitIdOffset = 52;
constexpr std::size_t kTextBlockSize = 128;
constexpr std::size_t kTextBaseOffset = 68;

struct MapWindowRecord {
    alignas(8) unsigned char record[kRecordSize]{};
    alignas(8) unsigned char presentation[kPresentationSize]{};
    HGLOBAL textMemory = nullptr;

    MapWindowRecord() = default;
    MapWindowRecord(const MapWindowRecord&) = delete;
    MapWindowRecord& operator=(const MapWindowRecord&) = delete;
    ~MapWindowRecord() {
        if (textMemory) {
            GlobalFree(textMemory);
        }
    }
};

std::unordered_map<std::uint64_t, std::unique_ptr<MapWindowRecord>>& Records() {
    static std::unordered_map<std::uint64_t, std::unique_ptr<MapWindowRecord>> records;
    return records;
}

template <typename T>
void WriteField(unsigned char* base, std::size_t offset, T value) {
    std::memcpy(base + offset, &value, sizeof value);
}

HINSTANCE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&Records), &module);
    return module;
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message < WM_USER) {
        return DefWindowProcA(window, message, wParam, lParam);
    }
    return Guarded<LRESULT>(0, [&] { return DeliverMessage(window, message, wParam, lParam); });
}

bool IsDialog(HWND window) {
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    return std::strcmp(className, "#32770") == 0;
}

// The system's message boxes are dialogs of the system's own: their instance handle is user32's
// (or none, as under Wine), never that of a module such as dxf.cnv, whose dialog 129 carries its
// own instance. The handle is known once the dialog is made.
bool IsMessageBox(HWND window) {
    const auto owner = reinterpret_cast<HMODULE>(GetWindowLongPtrA(window, GWLP_HINSTANCE));
    return IsDialog(window) && (owner == nullptr || owner == GetModuleHandleA("user32.dll"));
}

std::string WindowText(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// A box's buttons tell its type: Yes and No, or OK.
UINT BoxType(HWND box) {
    return GetDlgItem(box, IDYES) != nullptr ? MB_YESNO : MB_OK;
}

int Answer(HWND box) {
    constexpr int kMessageBoxTextId = 0xFFFF; // the static control that holds the text
    const std::string caption = WindowText(box);
    const std::string text = WindowText(GetDlgItem(box, kMessageBoxTextId));
    const UINT type = BoxType(box);
    if (const MessageBoxHook hook = State().messageBoxHook) {
        return hook(GetWindow(box, GW_OWNER), text, caption, type);
    }
    std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
    return type == MB_YESNO ? IDYES : IDOK;
}

bool& Answering() {
    static bool on = true;
    return on;
}

// The box seen being created, answered once its dialog loop runs.
HWND& PendingBox() {
    static HWND box = nullptr;
    return box;
}

void CALLBACK AnswerPendingBox(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    const HWND box = std::exchange(PendingBox(), nullptr);
    if (box && IsWindow(box) && IsMessageBox(box)) {
        const int answer = Guarded<int>(IDCANCEL, [&] { return Answer(box); });
        PostMessageA(box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
    }
}

// A box is seen when it is created (a hidden host window is never activated, nor is a box on a
// display without a window manager); its caption and text are set later, by its dialog
// procedure, so it is read from a timer that its own message loop runs.
LRESULT CALLBACK BoxWatcher(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && Answering()) {
        const auto window = reinterpret_cast<HWND>(wParam);
        if (IsDialog(window)) {
            PendingBox() = window;
            SetTimer(nullptr, 0, 0, AnswerPendingBox);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool RegisterWindowClass() {
    static const bool registered = [] {
        SetWindowsHookExA(WH_CBT, BoxWatcher, nullptr, GetCurrentThreadId());
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = WindowProcedure;
        windowClass.hInstance = ThisModule();
        windowClass.lpszClassName = kWindowClass;
        return RegisterClassA(&windowClass) != 0;
    }();
    return registered;
}

} // namespace

STANDIN_API void AnswerMessageBoxes(bool on) {
    Answering() = on;
}

std::uint64_t NewWindowId() {
    if (!RegisterWindowClass()) {
        return 0;
    }
    const HWND window = CreateWindowExA(0, kWindowClass, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                        ThisModule(), nullptr);
    return IdOf(window);
}

void ReleaseWindowId(std::uint64_t id) {
    Records().erase(id);
    if (id != 0) {
        DestroyWindow(HandleFromId<HWND>(id));
    }
}

std::uint64_t AttachMapRecord(std::uint64_t window, std::uint64_t database) {
    auto record = std::make_unique<MapWindowRecord>();
    record->textMemory = GlobalAlloc(GHND, kTextBlockSize);
    if (!record->textMemory) {
        return 0;
    }
    WriteField(record->record, kTextMemoryOffset, record->textMemory);
    WriteField(record->record, kPresentationOffset, static_cast<void*>(record->presentation));
    WriteField(record->record, kDatabaseOffset, HandleFromId<DBHANDLE>(database));
    SetWindowLongPtrA(HandleFromId<HWND>(window), GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(record->record));
    const std::uint64_t presentation = IdOf(record->presentation);
    Records()[window] = std::move(record);
    return presentation;
}

void SyncMapRecord(const MapModel& model) {
    const auto found = Records().find(model.window);
    if (found == Records().end()) {
        return;
    }
    MapWindowRecord& record = *found->second;
    WriteField(record.presentation, kUnitIdOffset, model.unitId);
    if (void* block = GlobalLock(record.textMemory)) {
        WriteField(static_cast<unsigned char*>(block), kTextBaseOffset, model.textBase);
        GlobalUnlock(record.textMemory);
    }
}

} // namespace standin
