// The map as an SVG drawing: one group per layer in map order, polylines, polygons and arcs as
// paths, texts and point symbols as text elements. The map's y axis points up, so every y is
// written negated; the viewBox is in map units.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace dxfcnv {

struct SvgOptions {
    // The names of the layers to draw (they are drawn in map order). Empty: every layer, with
    // the frozen ones (not visible) hidden.
    std::vector<std::string> layers;
    // The width of the drawing in pixels; the height follows from the viewBox.
    std::int32_t widthPx = 1024;
    // The height of a text's capitals in map units, from its size.
    std::function<double(std::int32_t size)> textHeight = [](std::int32_t size) {
        return static_cast<double>(size);
    };
};

constexpr std::int32_t kMaxSvgWidthPx = 100000;

// The names in `names` that no layer of the map has.
std::vector<std::string> UnknownLayers(const standin::MapSnapshot& map,
                                       const std::vector<std::string>& names);

// Writes the SVG of the map to `out`, object by object (the time is linear in the map's size).
// The viewBox fits the drawn objects, with a margin; without objects it is the map's objects
// rectangle, and without that a unit square.
void WriteSvg(const standin::MapSnapshot& map, const SvgOptions& options, std::ostream& out);

// The SVG of a map window's map, written to `path` ("-": standard output). The text heights are
// the ones the export gives a TEXT: 0.4 times the host's PointSizeToMap of the size. False with
// a reason when the file cannot be written.
bool WriteSvgFile(HWND map, SvgOptions options, const std::string& path, std::string* error);

} // namespace dxfcnv
