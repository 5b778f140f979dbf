// The import options operation: reads the persisted import settings, lets the user edit them in
// the dialog "DXF Import Options" and writes them back.
#pragma once

#include "host/win32.h"
#include "options/import_options_dialog.h"

#include <cstdint>

// The settings as the dialog starts with them: multiplier (a stored 0 reads as 1.0), offsets,
// layer order and initialisation file ("dxf.ini" when none is stored); "UseBlock" always 1.
ImportOptionsFields ReadImportOptionFields();
// Stores every field the dialog edits, in the order the host has always received them.
void WriteImportOptionFields(const ImportOptionsFields& fields);

// Runs the dialog owned by `owner`; its Help button opens the host's help on `helpWindow`. The
// settings are written back however the dialog was closed. Returns 1.
std::int32_t RunImportOptions(HWND owner, HWND helpWindow);
