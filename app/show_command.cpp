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

// A message for the usage error, if the arguments are not exactly one map document.
std::optional<std::string> CheckArguments(const std::vector<std::string>& args) {
    for (const std::string& argument : args) {
        if (IsOption(argument)) {
            return "unknown option " + argument;
        }
    }
    if (args.empty()) {
        return std::string("missing map document");
    }
    if (args.size() > 1) {
        return "expected one map document, got " + std::to_string(args.size());
    }
    return std::nullopt;
}

int RunShow(const Invocation& invocation) {
    if (const auto problem = CheckArguments(invocation.args)) {
        return UsageError(kShowCommand, *problem);
    }
    const std::string& path = invocation.args.front();
    const HWND map = standin::CreateMapWindow();
    std::string error;
    const bool loaded = standin::LoadMapDocument(map, path, &error);
    const std::string summary = loaded ? MapSummary(standin::Snapshot(map)) : std::string();
    standin::DestroyMapWindow(map);
    if (!loaded) {
        return Failure(kShowCommand, path + ": " + error, kExitUsage);
    }
    std::fwrite(summary.data(), 1, summary.size(), stdout);
    return kExitOk;
}

} // namespace

const Command kShowCommand{"show", "print the summary of a saved map", kUsage, RunShow};

} // namespace dxfcnv
