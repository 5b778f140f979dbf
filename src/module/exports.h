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
// Writes the map of `map` to the DXF file at `path`; the last two values are not read.
// Returns 0 in every case; failures are told to the user in a message box.
DXFCNV_EXPORT std::int32_t DXFCNV_CALL DXFFileExport(HWND map, const char* path,
                                                     std::int32_t unused1, std::int32_t unused2);
DXFCNV_EXPORT std::int32_t DXFCNV_CALL VexaExport(HWND map, const char* path, std::int32_t unused1,
                                                  std::int32_t unused2);
// Shows the dialog "DXF Import Options", owned by `parent`, over the persisted import settings
// and writes them back; its Help button opens the host's help on `helpWindow`. The third value
// is not read. Returns 1 in every case.
DXFCNV_EXPORT std::int32_t DXFCNV_CALL DXFImportOptions(HWND parent, HWND helpWindow,
                                                        std::int32_t unused);
DXFCNV_EXPORT std::int32_t DXFCNV_CALL VexaImportOptions(HWND parent, HWND helpWindow,
                                                         std::int32_t unused);
}

// Function pointer types the host uses after looking the names up.
using DxfImportFn = std::int32_t(DXFCNV_CALL*)(HWND, const char*, std::int32_t, HWND);
using DxfExportFn = std::int32_t(DXFCNV_CALL*)(HWND, const char*, std::int32_t, std::int32_t);
using DxfOptionsFn = std::int32_t(DXFCNV_CALL*)(HWND, HWND, std::int32_t);
