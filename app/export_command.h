// The part of "dxfcnv export" that "dxfcnv convert" shares: one call of the module's export,
// with its message boxes reported on stderr.
#pragma once

#include "app/cli.h"

#include <string>

namespace dxfcnv {

// Writes the map of `map` to `dxfPath` through the module's DXFFileExport. The module tells of
// a failure only in a message box; each box is printed on stderr as "CAPTION: TEXT". Returns
// kExitOk when no box was shown, kExitFailed otherwise, kExitUsage when the module has no export.
int ExportThroughModule(const Command& command, const LoadedModule& module, HWND map,
                        const std::string& dxfPath);

} // namespace dxfcnv
