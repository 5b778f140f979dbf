#include "export/layer_names.h"
#include "export/sections.h"

#include <cstring>

namespace {

// TextObjectTextGet is asked for this many bytes: enough to tell a symbol from a longer text.
constexpr std::int32_t kSymbolProbeSize = 10;

// Hands one object to the writer of its class; other classes leave no trace.
void WriteObject(ExportContext& context, DxfWriter& writer, OBJHANDLE object,
                 const char* layerName) {
    switch (GetOBJectClassID(context.database, object)) {
    case kClassPolyline:
    case kClassPolygon:
        WritePolylineEntity(context, writer, object, layerName);
        break;
    case kClassText:
        WriteTextEntity(context, writer, object, layerName);
        break;
    default:
        break;
    }
}

// The objects of one layer, last to first: the file holds them in the reverse of the host's
// order.
void WriteLayerObjects(ExportContext& context, DxfWriter& writer, OBJHANDLE layer,
                       const char* layerName) {
    std::int32_t cursor = 0;
    for (OBJHANDLE object = LastReference(context.database, layer, kRefLayerChildren, &cursor);
         object; object = PrevReference(context.database, layer, kRefLayerChildren, &cursor))
        WriteObject(context, writer, object, layerName);
}

bool IsSymbolText(DBHANDLE database, OBJHANDLE object) {
    char text[kSymbolProbeSize + 1] = {}; // the last byte stays NUL whatever the host writes
    TextObjectTextGet(database, object, text, kSymbolProbeSize);
    return std::strlen(text) <= 1;
}

} // namespace

std::int32_t IsPointLayer(DBHANDLE database, OBJHANDLE layer) {
    std::int32_t cursor = 0;
    for (OBJHANDLE object = FirstReference(database, layer, kRefLayerChildren, &cursor); object;
         object = GetReference(database, layer, kRefLayerChildren, &cursor)) {
        if (GetOBJectClassID(database, object) != kClassText || !IsSymbolText(database, object))
            return 0;
    }
    return 1;
}

std::int32_t WriteEntitiesSection(ExportContext& context, DxfWriter& writer) {
    writer.WriteStringGroup(0, "SECTION");
    writer.WriteStringGroup(2, "ENTITIES");
    // Without a root the map has no layers to walk: the section stays empty.
    OBJHANDLE root = GetRootOBJect(context.map, kRootLayers);
    std::int32_t cursor = 0;
    for (OBJHANDLE layer = root ? FirstReference(context.database, root, kRefLayerChildren, &cursor)
                                : nullptr;
         layer; layer = GetReference(context.database, root, kRefLayerChildren, &cursor)) {
        LayerFields fields;
        if (!ReadLayerFields(context.database, layer, fields))
            continue; // a layer the host gives no record for is left out, as in the table
        const ExportLayerName name = EntityLayerName(fields);
        context.pointLayer = IsPointLayer(context.database, layer);
        WriteLayerObjects(context, writer, layer, name.text);
    }
    writer.WriteStringGroup(0, "ENDSEC");
    return 1;
}
