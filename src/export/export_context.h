// The state of one export and the coordinate rule every section writer follows.
#pragma once

#include "export/dxf_writer.h"
#include "host/vexcore.h"

#include <cstdint>

struct ExportContext {
    HWND map = nullptr;          // passed first to every map-level host call
    std::int32_t pointLayer = 1; // set per layer by the ENTITIES walk; read by the text writer
    DBHANDLE database = nullptr; // passed first to every object-tree call
    double unitFactor = 1.0;     // UnitFactor of the map, asked once when the file is open
};

// The factor between map units and drawing units: the unit record's factor when its flag says
// it has one, else 1.0. A map whose unit the host does not know also gets 1.0. Every coordinate
// of one export is written with the same factor, kept in the ExportContext.
double UnitFactor(HWND map);

// Writes one coordinate: the map's integer as it stands when the factor is exactly 1.0,
// otherwise the integer divided by the factor in the real form.
void WriteCoordinate(DxfWriter& writer, std::int32_t code, std::int32_t value, double factor);
