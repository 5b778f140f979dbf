// The map text of an entity of the extended import (MTEXT, a visible ATTRIB, the text of a
// MULTILEADER): where the drawing places it, in the entity's object plane, and how it is set.
#pragma once

#include "host/vexcore.h"
#include "import/entity_reading.h"
#include "import/import_context.h"
#include "import/object_coordinates.h"
#include "import/object_plane.h"

#include <cstdint>
#include <optional>
#include <string>

struct PlanPlacement {
    double x = 0.0;
    double y = 0.0;
    double rotationDegrees = 0.0;
};

// A point and a baseline angle given in the plane, seen from above (the world's x and y); empty
// when the extrusion direction has no length or is not finite.
std::optional<PlanPlacement> ProjectOntoPlan(double x, double y, double rotationDegrees,
                                             const ObjectPlane& plane);

struct PlacedText {
    std::string text; // the map's text: plain, line breaks as CR LF
    std::string layerName;
    double x = kNotGiven; // file units, in the plane of `extrusion`
    double y = kNotGiven;
    double height = 0.0;
    double rotationDegrees = 0.0;
    std::uint32_t flags = 0; // alignment flags as TextAlignmentFlags gives them
    ObjectPlane plane;
};

// Takes the layer step and creates the map text, projected onto the plan view, in the block's
// group inside a block. False, with nothing created, for an empty text, a missing or malformed
// point, a size above the host's limit, or a malformed or zero extrusion direction.
bool CreatePlacedText(HWND map, ImportContext& context, const PlacedText& placed,
                      OBJHANDLE* blockSlot);

// The rules of the TEXT handler, shared by the texts of the extended import (import_text.cpp).
// The factor from a height in map units to the host's text size:
double TextSizeFactor(HWND map);
// The host's size for a height in file units, empty when it is above the host's limit:
std::optional<std::int32_t> TextFontSize(const ImportContext& context, double height,
                                         double sizeFactor);
// The alignment flags of a horizontal (72) and vertical (73) justification:
std::uint32_t TextAlignmentFlags(std::int32_t horizontal, std::int32_t vertical);
