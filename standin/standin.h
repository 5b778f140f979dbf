// The stand-in host's own interface: what the command-line host and the tests use to make map
// windows, look into maps, load and save map documents, and watch what the module asked of the
// host. The module itself never includes this header; it sees only host/vexcore.h and
// host/win32.h.
#pragma once

#include "host/vexcore.h"
#include "host/win32.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#if defined(_WIN32) && defined(VEXCORE_BUILD)
#define STANDIN_API __declspec(dllexport)
#elif defined(_WIN32)
#define STANDIN_API __declspec(dllimport)
#elif defined(VEXCORE_BUILD)
#define STANDIN_API __attribute__((visibility("default")))
#else
#define STANDIN_API
#endif

namespace standin {

using ObjectId = std::uint64_t; // the value behind an OBJHANDLE; 0 is none

enum class ObjectKind : std::uint8_t { Polyline, Polygon, Arc, Text, Group };

// One map object as the host keeps it. Which members mean something depends on the kind.
struct Object {
    ObjectId id = 0;
    ObjectKind kind = ObjectKind::Polyline;
    ObjectId layer = 0; // the layer holding it; 0 for groups, which live outside the layers
    bool is3d = false;  // polylines, polygons and texts only
    std::vector<MAP3D_COORDPT> points; // polyline or polygon; z is 0 for 2-D objects
    // Arc.
    MAP_COORDPT center{};
    std::int32_t radius = 0;
    double startAngle = 0.0;
    double endAngle = 0.0;
    std::int32_t quality = 0;
    // Text.
    std::string text;
    MAP3D_COORDPT position{};
    std::string font;
    std::int32_t size = 0;
    std::int32_t style = 0;
    std::uint32_t color = 0;
    std::int32_t rotation = 0; // tenths of a degree
    std::int32_t oblique = 0;  // tenths of a degree
    std::uint32_t flags = 0;
    // Group.
    std::vector<ObjectId> members;
};

struct Layer {
    ObjectId id = 0;
    std::int32_t number = 0;
    std::string name;
    // The values passed as arguments 7 to 12 of map_layer_Create and map_layer_Set.
    std::array<std::int64_t, 6> attributes{0, 0, 0, 0, 0, 0};
    bool visible = true;  // the first switch of the layer record; false is written as frozen
    bool editable = true; // the second switch; false is written as locked
    std::vector<ObjectId> objects; // host order
};

// A read-only view of a whole map, in map order, for tests and for saving.
struct MapSnapshot {
    std::int32_t unitId = 0;
    std::optional<MAP_COORDRECT> objectsRect;
    std::optional<std::int32_t> currentLayer; // layer number
    std::int32_t textBase = 0;
    MAP_COORDPT pageOrigin{};
    MAP_COORDPT pageExtent{};
    std::vector<Layer> layers;
    std::vector<Object> objects; // every object, groups included, in creation order
};

// Maps and their windows. A new map holds one layer, number 1, named "0", which is current.
STANDIN_API HWND CreateMapWindow();
STANDIN_API void DestroyMapWindow(HWND map);
STANDIN_API bool IsMapWindow(HWND map);
STANDIN_API MapSnapshot Snapshot(HWND map);
// A copy of the object as it stands at the call (the map keeps objects in a compact form of its
// own); it stays valid until the map goes or the same object is looked up again.
STANDIN_API const Object* FindObject(HWND map, OBJHANDLE handle);
STANDIN_API OBJHANDLE HandleOf(ObjectId id);
// Replaces the whole content of a map (used by the document loader); ids are assigned anew.
STANDIN_API void Restore(HWND map, const MapSnapshot& snapshot);
STANDIN_API void SetUnitId(HWND map, std::int32_t unitId);
STANDIN_API void SetPage(HWND map, MAP_COORDPT origin, MAP_COORDPT extent);

// Other windows: a handler answers the messages SendMessageA delivers, synchronously.
using MessageHandler = std::function<LRESULT(UINT message, WPARAM wParam, LPARAM lParam)>;
STANDIN_API HWND CreateHostWindow(MessageHandler handler);
STANDIN_API void DestroyHostWindow(HWND window);
// Messages sent to a map window are passed to this observer (progress, for example).
STANDIN_API void SetMapMessageObserver(HWND map, MessageHandler observer);

// Message boxes go to the host application's hook. Without a hook the box is printed to stderr
// as "CAPTION: TEXT" and answered with IDOK (IDYES for a Yes/No box).
using MessageBoxHook =
    std::function<int(HWND owner, std::string_view text, std::string_view caption, UINT type)>;
STANDIN_API void SetMessageBoxHook(MessageBoxHook hook);
#if defined(_WIN32)
// On Windows the boxes are the system's: a thread hook (WH_CBT) of the stand-in sees each box
// the system's MessageBoxA opens, hands its caption and text to the hook above (or prints them
// on stderr) and closes it with the answer. Off, the boxes wait for the user.
STANDIN_API void AnswerMessageBoxes(bool on);
#endif

// While a dialog runs, BrowseIniFile asks its driver (dialog.h) for a file, starting from the
// current path. With a choice it sends kSetItemTextMessage to the dialog window (wParam: the
// control id, lParam: the chosen path as a zero-terminated text) and returns 1; outside a
// dialog, or when the driver chooses nothing, it returns 0 and sends nothing. VexaF1Help hands
// the help window and the context number to the driver (nothing outside a dialog).
constexpr UINT kSetItemTextMessage = 0x7F01;

// The call journal of a map: every host operation the module called on it, with its arguments,
// one line per call ("map_layer_Create(...)"). Off until enabled.
STANDIN_API void EnableJournal(HWND map, bool on);
STANDIN_API std::vector<std::string> Journal(HWND map);

// The attribute table window: rows by index, columns 0 and 1 named "X" and "Y".
struct AttributeTable {
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows; // rows[r][c], short rows padded on save
};
STANDIN_API HWND CreateAttributeWindow(std::int32_t firstRow = 0);
STANDIN_API AttributeTable AttributeTableOf(HWND window);
// Writes the table as CSV (RFC 4180 quoting); false with a reason on failure.
STANDIN_API bool SaveAttributeCsv(HWND window, const std::string& path, std::string* error);

// ReadZOVIni keeps each record's DXF layer-name pattern at these bytes of the 128-byte record
// (bytes the converter does not read), zero-terminated: at most 24 characters.
constexpr std::size_t kZovPatternOffset = 4;
constexpr std::size_t kZovPatternEnd = 29;

// The configuration folder: $VEXA_HOME, or ~/.config/vexa. Settings and registry live there.
STANDIN_API std::string ConfigFolder();
// Forgets cached settings and registry contents so that the next access reads the files again.
STANDIN_API void ReloadConfiguration();
// A settings value as stored, for listing: "double:2.5", "int:3", "text:dxf.ini".
STANDIN_API std::vector<std::pair<std::string, std::string>> SettingsSection(const char* section);
// Makes m_RegValueGet answer this integer for the setting until the process ends, without
// storing it: how one command turns a setting on for a single run.
STANDIN_API void OverrideSetting(const char* section, const char* name, std::int32_t value);

// Map documents (JSON). Load replaces the map's content; both report failure with a reason.
STANDIN_API bool LoadMapDocument(HWND map, const std::string& path, std::string* error);
STANDIN_API bool SaveMapDocument(HWND map, const std::string& path, std::string* error);

} // namespace standin
