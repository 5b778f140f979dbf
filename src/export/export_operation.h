// The export operation behind DXFFileExport.
#pragma once

#include "host/win32.h"

#include <cstdint>

// Writes the polylines, polygons, texts and point symbols of the map of `map` to the DXF file
// at `path`. The target is replaced only by a complete file; when it cannot be opened or the
// file cannot be written whole, the user is told in a message box and the target stays as it
// was. Returns 0 in every case.
std::int32_t RunExport(HWND map, const char* path);
