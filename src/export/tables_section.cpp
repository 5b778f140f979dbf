#include "export/layer_names.h"
#include "export/sections.h"

#include <algorithm>
#include <vector>

namespace {

// One entry of the fixed line-type table. Name and numbers are written in the integer form;
// the solid line type has no dash pattern.
struct LineType {
    std::int32_t name;
    const char* description;
    std::int32_t elements; // 73
    std::int32_t length;   // 40
    std::int32_t dash;     // 49, written only when the pattern has elements
};

// "CONTINUOS" is the description readers of our files have always found.
constexpr LineType kLineTypes[] = {
    {0, "CONTINUOS", 0, 0, 0}, {1, "BROKEN 1", 2, 2, 1}, {2, "BROKEN 2", 2, 4, 2},
    {3, "BROKEN 3", 2, 6, 3},  {4, "BROKEN 4", 2, 8, 4},
};
constexpr std::int32_t kLineTypeFlags = 64;
constexpr std::int32_t kAlignment = 65;
constexpr std::int32_t kLayerColour = 7;
constexpr std::int32_t kSolidLineType = 0;
constexpr std::int32_t kFrozenFlag = 1;
constexpr std::int32_t kLockedFlag = 4;

void WriteLineType(DxfWriter& writer, const LineType& type) {
    writer.WriteStringGroup(0, "LTYPE");
    writer.WriteIntGroup(2, type.name);
    writer.WriteIntGroup(70, kLineTypeFlags);
    writer.WriteStringGroup(3, type.description);
    writer.WriteIntGroup(72, kAlignment);
    writer.WriteIntGroup(73, type.elements);
    writer.WriteIntGroup(40, type.length);
    if (type.elements == 0)
        return;
    writer.WriteIntGroup(49, type.dash);  // the dash ...
    writer.WriteIntGroup(49, -type.dash); // ... then the gap
}

// The map's layer handles in the host's order; only as many as the host delivered.
std::vector<OBJHANDLE> MapLayers(HWND map) {
    std::int32_t count = 0;
    map_layers_Get(map, &count, nullptr, 0);
    if (count <= 0)
        return {};
    std::vector<OBJHANDLE> layers(static_cast<std::size_t>(count), nullptr);
    const std::int32_t delivered = map_layers_Get(map, nullptr, layers.data(), count);
    layers.resize(static_cast<std::size_t>(std::clamp(delivered, 0, count)));
    return layers;
}

// A layer appears in the table when the host gives its record and its name does not begin
// with a tab.
bool BelongsInTable(DBHANDLE database, OBJHANDLE layer) {
    LayerFields fields;
    return ReadLayerFields(database, layer, fields) && !IsHiddenFromTable(fields);
}

} // namespace

std::int32_t WriteTablesSection(ExportContext& context, DxfWriter& writer) {
    writer.WriteStringGroup(0, "SECTION");
    writer.WriteStringGroup(2, "TABLES");
    WriteLineTypeTable(context, writer);
    WriteLayerTable(context, writer);
    writer.WriteStringGroup(0, "ENDSEC");
    writer.WriteStringGroup(0, "SECTION");
    writer.WriteStringGroup(2, "BLOCKS");
    writer.WriteStringGroup(0, "ENDSEC");
    return 1;
}

std::int32_t WriteLineTypeTable(ExportContext&, DxfWriter& writer) {
    writer.WriteStringGroup(0, "TABLE");
    writer.WriteStringGroup(2, "LTYPE");
    writer.WriteIntGroup(70, static_cast<std::int32_t>(std::size(kLineTypes)));
    for (const LineType& type : kLineTypes)
        WriteLineType(writer, type);
    writer.WriteStringGroup(0, "ENDTAB");
    return 1;
}

std::int32_t WriteLayerTable(ExportContext& context, DxfWriter& writer) {
    writer.WriteStringGroup(0, "TABLE");
    writer.WriteStringGroup(2, "LAYER");
    const std::vector<OBJHANDLE> layers = MapLayers(context.map);
    std::uint32_t count = 0;
    for (OBJHANDLE layer : layers)
        count += BelongsInTable(context.database, layer) ? 1 : 0;
    writer.WriteUnsignedGroup(70, count);
    for (OBJHANDLE layer : layers) {
        if (BelongsInTable(context.database, layer))
            WriteLayerEntry(context, writer, layer);
    }
    writer.WriteStringGroup(0, "ENDTAB");
    return 1;
}

std::int32_t WriteLayerEntry(ExportContext& context, DxfWriter& writer, OBJHANDLE layer) {
    LayerFields fields;
    if (!ReadLayerFields(context.database, layer, fields))
        return 0;
    writer.WriteStringGroup(0, "LAYER");
    if (fields.name[0] == '\0')
        writer.WriteIntGroup(2, fields.number);
    else
        writer.WriteStringGroup(2, EntityLayerName(fields).text);
    const std::int32_t flags =
        (fields.frozen ? kFrozenFlag : 0) + (fields.locked ? kLockedFlag : 0);
    writer.WriteIntGroup(70, flags);
    writer.WriteIntGroup(62, kLayerColour);
    writer.WriteIntGroup(6, kSolidLineType);
    return 1;
}
