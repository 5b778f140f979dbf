// dxfcnv show: the summary of a saved map document.
#include "app/cli.h"
#include "app/map_summary.h"

#include "standin/standin.h"

#include <cstdio>

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage = "usage: dxfcnv show MAP.json\n"
                                    "\n"
                                    "Prints the layers of a saved map with their object counts by "
                                    "type, the totals and the number of groups.\n"
                                    "\n"
                                    "Exit status: 0 shown, 2 usage error or unreadable map "
                                    "document.\n";

int RunShow(const Invocation& invocation) {
    std::string path;
    CommandLine line;
    line.Positional(path, "map document");
    if (const auto problem = line.Parse(invocation.args))
        return UsageError(kShowCommand, *problem);
    MapWindow map;
    if (!LoadMap(kShowCommand, map.handle, path))
        return kExitUsage;
    const std::string summary = MapSummary(standin::Snapshot(map.handle));
    std::fwrite(summary.data(), 1, summary.size(), stdout);
    return kExitOk;
}

} // namespace

const Command kShowCommand{"show", "print the summary of a saved map", kUsage, RunShow};

} // namespace dxfcnv
