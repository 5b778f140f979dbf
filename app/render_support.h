// Pieces the SVG renderer and the GeoJSON writer share: the reading of arcs and text flags, the
// object lookup of a map snapshot and the writing of an output file.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <unordered_map>

namespace dxfcnv {

// Alignment flags of a map text. Without 4 or 8 an imported TEXT (flag 16) hangs from its top
// (the import gives DXF top justification neither flag); any other text sits on its baseline.
constexpr std::uint32_t kTextFlagCentre = 1;
constexpr std::uint32_t kTextFlagRight = 2;
constexpr std::uint32_t kTextFlagMiddle = 4;
constexpr std::uint32_t kTextFlagBottom = 8;
constexpr std::uint32_t kTextFlagImported = 16;

// The counter-clockwise sweep of an arc from its start angle to its end angle, in degrees, in
// (0, 360]: equal angles (modulo a whole turn) make a full circle. Nothing when an angle is not
// finite.
std::optional<double> ArcSweepDegrees(double startAngle, double endAngle);

// The number of UTF-8 characters in the text (the bytes that do not continue a sequence).
std::size_t CharacterCount(std::string_view text);

// True for a point symbol: a one-character text (one byte, or one UTF-8 character) without the
// flag 16 that every imported TEXT carries; the point import makes these, centred on the point.
bool IsPointSymbol(const standin::Object& text);

// The type of an object as map documents name it (polyline, polygon, polyline3d, polygon3d,
// arc, text), or "symbol" for a point symbol.
std::string_view ObjectTypeName(const standin::Object& object);

// The objects of a snapshot by id.
class ObjectIndex {
  public:
    explicit ObjectIndex(const standin::MapSnapshot& map);
    // The object, or null when the snapshot has none of that id.
    const standin::Object* Find(standin::ObjectId id) const;

  private:
    std::unordered_map<standin::ObjectId, const standin::Object*> byId_;
};

// Writes a file through `write`, whole and atomically (standin::WriteFileAtomically), so a failed
// run leaves an older file as it was. The path "-" is standard output. False with a one-line
// reason on failure.
bool WriteOutputFile(const std::string& path, const std::function<void(std::ostream&)>& write,
                     std::string* error);

} // namespace dxfcnv
