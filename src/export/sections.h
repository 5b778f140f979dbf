// The section and entity writers of the export. Each takes the export's context and writer,
// writes through the writer's group operations and returns 1 unless its own line says more.
#pragma once

#include "export/export_context.h"

#include <cstdint>

// HEADER: the comment lines, then $EXTMIN, $EXTMAX, $LIMMIN and $LIMMAX from the bounding
// rectangle of the whole map (all zero when the host has none).
std::int32_t WriteHeaderSection(ExportContext& context, DxfWriter& writer);

// TABLES (line types, then layers), then the empty BLOCKS section.
std::int32_t WriteTablesSection(ExportContext& context, DxfWriter& writer);
// The fixed LTYPE table of five line types, every number in the integer form.
std::int32_t WriteLineTypeTable(ExportContext& context, DxfWriter& writer);
// The LAYER table: every layer whose record the host gives and whose name does not begin with
// a tab, in the host's order, after their count.
std::int32_t WriteLayerTable(ExportContext& context, DxfWriter& writer);
// One LAYER entry: cleaned name (or number), flags (1 frozen, 4 locked), colour 7, line type 0.
// Returns 0 and writes nothing when the host gives no record for the layer.
std::int32_t WriteLayerEntry(ExportContext& context, DxfWriter& writer, OBJHANDLE layer);

// ENTITIES: layers first to last, the objects of each layer last to first.
std::int32_t WriteEntitiesSection(ExportContext& context, DxfWriter& writer);
// 1 when every object of the layer is a text of at most one character (so also when the layer
// is empty), else 0.
std::int32_t IsPointLayer(DBHANDLE database, OBJHANDLE layer);
// One POLYLINE with its VERTEX records and SEQEND; 0 and nothing written when the object is not
// a polyline or polygon or its points cannot be had.
std::int32_t WritePolylineEntity(ExportContext& context, DxfWriter& writer, OBJHANDLE object,
                                 const char* layerName);
// One TEXT, or a POINT for a one-character text on a point layer.
std::int32_t WriteTextEntity(ExportContext& context, DxfWriter& writer, OBJHANDLE object,
                             const char* layerName);
