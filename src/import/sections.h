// The section driver and the non-entity sections of the import.
#pragma once

#include "import/import_context.h"

// Finds the next section and hands it to its handler; nonzero when a section name was found.
std::int32_t ImportSection(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context);
// Dispatches the entities of an ENTITIES section; 1 when it ended at ENDSEC.
std::int32_t ImportEntitiesSection(HWND map, GroupReader& reader, GroupPair& pair,
                                   ImportContext& context);
// Reads each BLOCK of a BLOCKS section; 1 when it ended at ENDSEC.
std::int32_t ImportBlocksSection(HWND map, GroupReader& reader, GroupPair& pair,
                                 ImportContext& context);
// Deletes the host objects that held the block definitions; returns 1.
std::int32_t ReleaseBlockObjects(HWND map, ImportContext& context);

// HEADER: takes $EXTMIN and $EXTMAX into the context's extent; 1 when both were read in order
// and the section ended, and every value fits the map.
std::int32_t ImportHeaderSection(GroupReader& reader, GroupPair& pair, ImportContext& context);
// TABLES: reads the LAYER table, passes over the others; 1 when it ended on ENDSEC.
std::int32_t ImportTablesSection(HWND map, GroupReader& reader, GroupPair& pair,
                                 ImportContext& context);
// LAYER table: resolves the last layer named in it and makes it current; 1 when there was one.
std::int32_t ImportLayerTable(HWND map, GroupReader& reader, GroupPair& pair,
                              ImportContext& context);
// Orders the flagged layers of the layer-mapping file after the map's first layer, in file
// order. Returns 0, or -1 when the room for the layer list cannot be had.
std::int32_t ApplyLayerOrder(HWND map, const ZOVIniEntry* entries, std::uint32_t count);
