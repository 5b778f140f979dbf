// Shared helpers for tests: a fresh configuration folder, DXF texts built from groups, and an
// import of such a text into a fresh stand-in map.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
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

// Settings of the import, written to the host's settings store.
void SetSetting(const char* name, double value);
void SetSetting(const char* name, std::int32_t value);
void SetSetting(const char* name, const char* text);

// Every non-group object of the map, layer by layer in map order.
std::vector<standin::Object> AllObjects(const standin::MapSnapshot& map);
// The layer of the given name, or null.
const standin::Layer* FindLayer(const standin::MapSnapshot& map, std::string_view name);
// Points of an object as (x, y) pairs.
std::vector<std::pair<std::int32_t, std::int32_t>> XY(const standin::Object& object);

// The folder of the real DXF corpus, or empty when it is not there.
std::filesystem::path CorpusFolder();

} // namespace testing_support
