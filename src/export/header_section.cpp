#include "export/sections.h"

namespace {

// The comment lines that open every exported file: the product, the maker's address and the
// build. Their order and prefixes are what readers of our files have always seen.
constexpr const char* kHeaderComments[] = {
    "This file is exported from VEXA version 5.0",
    "Orv Geosysteme GmbH",
    "Am Messeplatz 7",
    "04109 Leipzig",
    "Phone: +49 341 5550 170",
    "e-mail: support@orv.example",
    "BUILD: 8.1.8",
};

// The bounding rectangle of all objects of the map; all zero when the host has none (a map
// without objects, for example), so that the header still names an extent.
MAP_COORDRECT MapExtent(HWND map) {
    MAP_COORDRECT rect{};
    if (!map_object_boundrect_Get(map, nullptr, &rect))
        rect = MAP_COORDRECT{};
    return rect;
}

void WritePointVariable(DxfWriter& writer, const char* name, MAP_COORDPT point, double factor) {
    writer.WriteStringGroup(9, name);
    WriteCoordinate(writer, 10, point.x, factor);
    WriteCoordinate(writer, 20, point.y, factor);
}

} // namespace

std::int32_t WriteHeaderSection(ExportContext& context, DxfWriter& writer) {
    const MAP_COORDRECT extent = MapExtent(context.map);
    writer.WriteStringGroup(0, "SECTION");
    writer.WriteStringGroup(2, "HEADER");
    for (const char* comment : kHeaderComments)
        writer.WriteStringGroup(999, comment);
    const double factor = context.unitFactor;
    // The limits repeat the extent.
    WritePointVariable(writer, "$EXTMIN", extent.min, factor);
    WritePointVariable(writer, "$EXTMAX", extent.max, factor);
    WritePointVariable(writer, "$LIMMIN", extent.min, factor);
    WritePointVariable(writer, "$LIMMAX", extent.max, factor);
    writer.WriteStringGroup(0, "ENDSEC");
    return 1;
}
