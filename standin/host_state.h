// The stand-in host's whole state: maps, windows, memory blocks, open registry keys and the
// cached configuration live in one registry object, reached through State(). Every exported
// operation finds its map, window or block there by the id behind the handle it was given, so a
// stale or foreign handle is answered as "none" and never followed as a pointer.
#pragma once

#include "standin/map_model.h"
#include "standin/standin.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace standin {

// A window that is not a map: an application window or the attribute table.
struct HostWindow {
    MessageHandler handler;
};

struct AttributeWindowState {
    std::int32_t firstRow = 0;
    AttributeTable table;
};
// Answers one message of the attribute-table protocol (attribute_window.cpp).
LRESULT AttributeWindowMessage(AttributeWindowState& window, UINT message, WPARAM wParam,
                               LPARAM lParam);

// Hands a message to the handler of a map, application or attribute-table window; 0 when the
// window has none.
LRESULT DeliverMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

struct MemoryBlock {
    std::vector<unsigned char> bytes;
    std::int32_t locks = 0;
};

// A registry key opened with RegCreateKeyA: its full path, and that path case-folded as the
// registry looks keys up, folded once here rather than on every query of the key.
struct OpenRegistryKey {
    std::string path;
    std::string folded;
};

class DialogDriver; // dialog.h

namespace config {
class Store; // config_file.h
}

class HostState {
  public:
    // Hands out the next id of the process-wide counter; ids are never reused.
    std::uint64_t NewId() { return nextId_++; }

    MapModel* MapOf(HWND window);
    MapModel* MapOfDatabase(DBHANDLE db);
    HWND AddMap();
    void RemoveMap(HWND window);

    std::unordered_map<std::uint64_t, HostWindow> hostWindows;
    std::unordered_map<std::uint64_t, AttributeWindowState> attributeWindows;
    std::unordered_map<std::uint64_t, MemoryBlock> memory;
    std::unordered_map<std::uint64_t, OpenRegistryKey> openKeys; // by registry key handle
    std::unordered_set<int> openFiles;                           // descriptors from OpenFile
    MessageBoxHook messageBoxHook;
    DialogDriver* dialogDriver = nullptr; // the driver of the dialog running, null outside one

    // Parsed configuration files, loaded on first use; ReloadConfiguration drops them.
    std::shared_ptr<config::Store> settings;
    std::shared_ptr<config::Store> registry;
    // Integer settings given for this process only (key: folded "section\nname"); the store
    // answers them before what it keeps on disk and never writes them.
    std::unordered_map<std::string, std::int32_t> settingOverrides;

  private:
    std::uint64_t nextId_ = 0x100;
    std::unordered_map<std::uint64_t, std::unique_ptr<MapModel>> maps_;
    std::unordered_map<std::uint64_t, MapModel*> mapsByDatabase_;
    std::uint64_t lastWindow_ = 0; // the window MapOf found last, and its map
    MapModel* lastMap_ = nullptr;
};

HostState& State();

// The id of a new window: the next number of the id counter, or on Windows the handle of a real
// hidden window (system_windows_win32.cpp); released when the window goes.
std::uint64_t NewWindowId();
void ReleaseWindowId(std::uint64_t id);
#if defined(_WIN32)
// Gives a map window its host record (the user data the module reads) and answers the
// presentation manager's handle, 0 on failure; SyncMapRecord copies the unit id and the text
// base of the map into the record.
std::uint64_t AttachMapRecord(std::uint64_t window, std::uint64_t database);
void SyncMapRecord(const MapModel& model);
#endif

// Handle <-> id conversions. Ids are plain numbers; handles only carry them.
template <typename Handle>
std::uint64_t IdOf(Handle handle) {
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(handle));
}
template <typename Handle>
Handle HandleFromId(std::uint64_t id) {
    return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(id));
}

// Runs the body of an exported operation; an exception (only bad_alloc is expected) becomes the
// operation's failure value instead of crossing into the caller.
template <typename R, typename F>
R Guarded(R failure, F&& body) noexcept {
    try {
        return body();
    } catch (...) {
        return failure;
    }
}

} // namespace standin
