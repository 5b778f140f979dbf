// The summary of a map that "import" and "show" print: one line per layer with its object
// counts by type, a total line and the number of groups.
#pragma once

#include "standin/standin.h"

#include <string>

namespace dxfcnv {

std::string MapSummary(const standin::MapSnapshot& map);

} // namespace dxfcnv
