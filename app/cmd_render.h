// The map output the command-line host writes itself, without the module: "dxfcnv render" and
// the GeoJSON branch of "dxfcnv export".
#pragma once

#include "app/cli.h"

#include <string>

namespace dxfcnv {

// Writes the map saved in `mapPath` as GeoJSON to `outputPath`; errors are reported in the name
// of `command`. Returns kExitOk, kExitFailed (not written) or kExitUsage (unreadable map).
int ExportGeoJson(const Command& command, const std::string& mapPath,
                  const std::string& outputPath);

} // namespace dxfcnv
