// Helpers of the export tests: maps built from a few lines, an export read back as bytes and as
// groups, the message boxes the module showed, and export cases kept as data.
#pragma once

#include "case_files.h"
#include "test_support.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace export_support {

using testing_support::Group;

// Builds the content of a map: layers in map order, each object on the layer added last.
class MapBuilder {
  public:
    MapBuilder& Layer(std::int32_t number, std::string name);
    MapBuilder& Polyline(std::vector<MAP_COORDPT> points);
    MapBuilder& Polygon(std::vector<MAP_COORDPT> points);
    MapBuilder& Polyline3d(std::vector<MAP3D_COORDPT> points);
    // A 2-D text; the other fields of `text` (size, rotation, flags ...) are taken as they are.
    MapBuilder& Text(std::string text, MAP_COORDPT position, standin::Object details = {});
    MapBuilder& Text3d(std::string text, MAP3D_COORDPT position, standin::Object details = {},
                       bool is3d = true);
    // Replaces the content of the map with what was built.
    void Into(HWND map) const;

  private:
    MapBuilder& Add(standin::Object object);
    MapBuilder& Shape(standin::ObjectKind kind, std::vector<MAP3D_COORDPT> points, bool is3d);
    standin::MapSnapshot snapshot_;
    standin::ObjectId nextId_ = 1;
};

// One whole export of `map` into `home`, read back.
struct Exported {
    std::int32_t result = -1;
    std::string bytes;
    std::vector<Group> groups; // parsed from the bytes
    bool wellFormed = false;   // every line ends with CR LF; code lines are "  " and digits
};
Exported ExportMap(const testing_support::TempHome& home, HWND map);

// The file at `path`, or nothing when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::filesystem::path& path);

using testing_support::MessageBoxes;

// Exactly one box was shown, owned by the map: the export's caption, the text and OK alone.
void ExpectOneBox(const MessageBoxes& boxes, HWND map, const char* text);
// A layer of one polyline of `points` points and a text: a file of several kilobytes at 2000.
void FillMap(HWND map, std::int32_t points = 2000);

// The names of the files in a folder, sorted.
std::vector<std::string> FolderListing(const std::filesystem::path& folder);

// Export cases kept as data (tests/export/cases/*.txt). A file holds any number of cases:
//   case NAME     starts a case; "# ..." lines before "expect" are comments
//   map           the map document follows (the stand-in's JSON map format)
//   expect        the expected result follows, up to the next case: the export's return value,
//                 the message boxes it showed, then the file one record a line (a new line at
//                 each group 0, 9 and 999; groups as "CODE VALUE" joined by " | ")
// Read with testing_support::ReadCases; DXFCNV_UPDATE_CASES=1 rewrites the expected results.
// Loads the case's map into a fresh map window, exports it and gives the result as "expect".
std::string RunExportCase(const testing_support::DataCase& exportCase);

} // namespace export_support
