// The import operation behind DXFFileImport.
#pragma once

#include "host/win32.h"

#include <cstdint>

// Reads the DXF file at `path` into the map of `map`; attribute rows go to `attributeWindow`
// when it is not null. Returns 1 when the file was opened and read, 0 when it cannot be opened.
std::int32_t RunImport(HWND map, const char* path, HWND attributeWindow);
