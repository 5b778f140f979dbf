// Layer names as the export writes them, in the LAYER table and in every entity alike.
#pragma once

#include "host/vexcore.h"

#include <cstddef>
#include <cstdint>

// Both the table and the entities cut names to this many characters.
constexpr std::int32_t kExportLayerNameLength = 25;

// Copies at most `maximumLength` bytes of `source` into `destination` (which holds at least
// maximumLength + 1 bytes), each character DXF readers refuse in a layer name replaced by an
// underscore, and terminates it. Carriage return and line feed are replaced too: either would
// end the value line early and break every group after it. Returns 1.
std::int32_t SanitizeLayerName(char* destination, const char* source, std::int32_t maximumLength);

// The fields of a layer record that the export reads; the name always terminated.
struct LayerFields {
    std::int32_t number = 0;
    char name[layer_record::kNameEnd - layer_record::kName + 1] = {};
    bool frozen = false; // the first switch is 0
    bool locked = false; // the second switch is 0
};

// Reads the record OBJectLock gives for the layer; false when the host gives none.
bool ReadLayerFields(DBHANDLE database, OBJHANDLE layer, LayerFields& fields);

// Layers whose name begins with a tab are left out of the LAYER table.
inline bool IsHiddenFromTable(const LayerFields& fields) {
    return fields.name[0] == '\t';
}

// The name the entities of a layer carry and the table shows: the cleaned name, or the layer
// number in decimal when the name is empty.
struct ExportLayerName {
    char text[kExportLayerNameLength + 1] = {};
};
ExportLayerName EntityLayerName(const LayerFields& fields);
