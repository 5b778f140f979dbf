// The operations dxf.cnv exports to its host, each under two names that lead to the same code.
#pragma once

#include "host/win32.h"

#include <cstdint>

#if defined(_WIN32) && !defined(_WIN64)
#define DXFCNV_CALL __stdcall
#else
#define DXFCNV_CALL
#endif

#if defined(_WIN32)
#define DXFCNV_EXPORT
#else
#define DXFCNV_EXPORT __attribute__((visibility("default")))
#endif

extern "C" {
// Reads one DXF file into the map of `map`; 1 when the file was opened and read, 0 otherwise.
DXFCNV_EXPORT std::int32_t DXFCNV_CALL DXFFileImport(HWND map, const char* path,
                                                     std::int32_t unused, HWND attributeWindow);
DXFCNV_EXPORT std::int32_t DXFCNV_CALL VexaImport(HWND map, const char* path, std::int32_t unused,
                                                  HWND attributeWindow);
}

// Function pointer types the host uses after looking the names up.
using DxfImportFn = std::int32_t(DXFCNV_CALL*)(HWND, const char*, std::int32_t, HWND);
