// Shared helpers for tests: a fresh configuration folder, DXF texts built from groups, and an
// import of such a text into a fresh stand-in map.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace testing_support {

// Points VEXA_HOME at a new empty folder for the life of the object, so that settings and the
// registry start empty; the folder is removed afterwards.
class TempHome {
  public:
    TempHome();
    ~TempHome();
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;
    const std::filesystem::path& Path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A file in the temporary folder holding `content`; returns its path.
std::filesystem::path WriteFile(const std::filesystem::path& folder, const std::string& name,
                                std::string_view content);
// Whether the text is exactly one line, ended by its line end.
bool IsOneLine(const std::string& text);

// One run of dxfcnv: the exit status (128 + the signal when killed) and what it printed.
struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};
// Runs dxfcnv through the shell with the arguments (none of which may hold a single quote) in
// the home folder, which is also its configuration folder.
CliRun RunCli(const TempHome& home, const std::string& arguments);
// Starts dxfcnv without a shell: stdin from /dev/null, stdout and stderr into `output`,
// VEXA_HOME=`home` and no DXFCNV_MODULE. Returns the process id, or -1 when it could not start.
pid_t StartCli(const std::vector<std::string>& args, const std::filesystem::path& home,
               const std::filesystem::path& output);

using Group = std::pair<int, std::string>;
// DXF text of the groups, one code line and one value line each, LF line ends.
std::string Dxf(const std::vector<Group>& groups);
// An ENTITIES section holding `body` (DXF text), then EOF.
std::string EntitiesFile(std::string_view body);

// A new stand-in map window that is destroyed with the object.
class MapWindow {
  public:
    MapWindow();
    ~MapWindow();
    MapWindow(const MapWindow&) = delete;
    MapWindow& operator=(const MapWindow&) = delete;
    HWND Handle() const { return map_; }
    standin::MapSnapshot Snapshot() const { return standin::Snapshot(map_); }

  private:
    HWND map_ = nullptr;
};

// Writes `dxf` to a file under `home` and runs the module's import on it.
std::int32_t ImportDxf(const TempHome& home, HWND map, std::string_view dxf,
                       HWND attributeWindow = nullptr);

// Imports `dxf` into a fresh map, with the settings stored so far, and gives the map; the import
// must return 1.
standin::MapSnapshot ImportedMap(const TempHome& home, std::string_view dxf);

// Settings of the import, written to the host's settings store.
template <typename Value> // double, std::int32_t or const char*
void SetSetting(const char* name, Value value) {
    m_RegValueSet("Converters\\Imports\\Dxf", name, value);
}

// Every non-group object of the map, layer by layer in map order.
std::vector<standin::Object> AllObjects(const standin::MapSnapshot& map);
// The point runs of AllObjects, one per object.
std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>>
PointRuns(const standin::MapSnapshot& map);
// The layer of the given name, or null.
const standin::Layer* FindLayer(const standin::MapSnapshot& map, std::string_view name);
// Points of an object as (x, y) pairs.
std::vector<std::pair<std::int32_t, std::int32_t>> XY(const standin::Object& object);

// Records the message boxes shown while it lives, and answers them with OK.
struct MessageBoxRecord {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT type = 0;
};
class MessageBoxes {
  public:
    MessageBoxes();
    ~MessageBoxes();
    MessageBoxes(const MessageBoxes&) = delete;
    MessageBoxes& operator=(const MessageBoxes&) = delete;
    const std::vector<MessageBoxRecord>& Shown() const { return shown_; }

  private:
    std::vector<MessageBoxRecord> shown_;
};

// The folder of the real DXF corpus, or empty when it is not there.
std::filesystem::path CorpusFolder();

} // namespace testing_support

// Shared by the tests and the fuzz targets (header only, so that the fuzz targets need no
// gtest).
#include <algorithm>
#include <fstream>
#include <ostream>
#include <sstream>
#include <unordered_set>

namespace testing_support {

// The bytes of the file; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Every layer's objects and every group's members are objects of the map.
inline bool ReferencesHold(const standin::MapSnapshot& map) {
    std::unordered_set<standin::ObjectId> ids;
    for (const standin::Object& object : map.objects)
        ids.insert(object.id);
    const auto known = [&ids](const std::vector<standin::ObjectId>& list) {
        return std::all_of(list.begin(), list.end(), [&](auto id) { return ids.contains(id); });
    };
    return std::all_of(map.layers.begin(), map.layers.end(),
                       [&](const standin::Layer& layer) { return known(layer.objects); }) &&
           std::all_of(map.objects.begin(), map.objects.end(),
                       [&](const standin::Object& object) { return known(object.members); });
}

// A table case prints as its name when a test of it fails; bring it in beside the case type
// with `using testing_support::PrintTo;` so that gtest finds it.
template <typename Case>
requires requires(const Case& c) {
    std::string_view(c.name);
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

} // namespace testing_support
