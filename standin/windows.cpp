// Windows of the stand-in host: map windows, application windows with a message handler, and
// the user-interface calls of the Win32 subset (SendMessageA, MessageBoxA) and the
// host's dialog helpers.
#include "standin/dialog.h"
#include "standin/host_state.h"

#include <cstdio>
#include <string>

using namespace standin;

namespace standin {

STANDIN_API HWND CreateMapWindow() {
    return Guarded<HWND>(nullptr, [] { return State().AddMap(); });
}

STANDIN_API void DestroyMapWindow(HWND map) {
    State().RemoveMap(map);
}

STANDIN_API bool IsMapWindow(HWND map) {
    return State().MapOf(map) != nullptr;
}

STANDIN_API HWND CreateHostWindow(MessageHandler handler) {
    return Guarded<HWND>(nullptr, [&] {
        const std::uint64_t id = NewWindowId();
        if (id == 0) {
            return HWND{};
        }
        State().hostWindows.emplace(id, HostWindow{std::move(handler)});
        return HandleFromId<HWND>(id);
    });
}

STANDIN_API void DestroyHostWindow(HWND window) {
    State().hostWindows.erase(IdOf(window));
    State().attributeWindows.erase(IdOf(window));
    ReleaseWindowId(IdOf(window));
}

STANDIN_API void SetMapMessageObserver(HWND map, MessageHandler observer) {
    if (MapModel* model = State().MapOf(map)) {
        model->observer = std::move(observer);
    }
}

STANDIN_API void SetMessageBoxHook(MessageBoxHook hook) {
    State().messageBoxHook = std::move(hook);
}

LRESULT DeliverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    HostState& state = State();
    // The handler is copied first: it may create or destroy windows while it runs.
    MessageHandler handler;
    if (const MapModel* model = state.MapOf(window)) {
        handler = model->observer;
    } else if (const auto host = state.hostWindows.find(IdOf(window));
               host != state.hostWindows.end()) {
        handler = host->second.handler;
    } else if (const auto table = state.attributeWindows.find(IdOf(window));
               table != state.attributeWindows.end()) {
        return AttributeWindowMessage(table->second, message, wParam, lParam);
    }
    return handler ? handler(message, wParam, lParam) : 0;
}

} // namespace standin

#if !defined(_WIN32)
extern "C" {

WIN32_STANDIN_API LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return Guarded<LRESULT>(
        0, [&]() -> LRESULT { return DeliverMessage(window, message, wParam, lParam); });
}

WIN32_STANDIN_API int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return Guarded<int>(IDCANCEL, [&]() -> int {
        const std::string_view textView = text ? text : "";
        const std::string_view captionView = caption ? caption : "";
        if (const MessageBoxHook hook = State().messageBoxHook) {
            return hook(owner, textView, captionView, type);
        }
        std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(captionView.size()),
                     captionView.data(), static_cast<int>(textView.size()), textView.data());
        return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
    });
}

// LoadStringA reads the module's string table: dialog_resources.cpp.

} // extern "C"
#endif

VEXCORE_API std::int32_t VEXCORE_CALL BrowseIniFile(HWND dialog, std::int32_t controlId,
                                                    const char* current, const char*, const char*,
                                                    const char*, std::int32_t) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        DialogDriver* driver = State().dialogDriver;
        std::string chosen;
        if (!driver || !driver->ChooseFile(current ? current : "", chosen)) {
            return 0;
        }
#if defined(_WIN32)
        SetDlgItemTextA(dialog, controlId, chosen.c_str());
#else
        SendMessageA(dialog, kSetItemTextMessage, static_cast<WPARAM>(controlId),
                     reinterpret_cast<LPARAM>(chosen.c_str()));
#endif
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL VexaF1Help(HWND helpWindow, std::int32_t context) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        if (DialogDriver* driver = State().dialogDriver) {
            driver->ShowHelp(helpWindow, context);
        }
        return 1;
    });
}
