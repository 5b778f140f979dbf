#include "app/cli.h"

#include "standin/standin.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace dxfcnv {

namespace {

void PrintLine(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

} // namespace

int UsageError(const Command& command, std::string_view message) {
    PrintLine("dxfcnv " + std::string(command.name) + ": " + std::string(message) +
              " (see dxfcnv " + std::string(command.name) + " --help)");
    return kExitUsage;
}

int Failure(const Command& command, std::string_view message, int exitCode) {
    PrintLine("dxfcnv " + std::string(command.name) + ": " + std::string(message));
    return exitCode;
}

bool IsOption(std::string_view argument) {
    return argument.size() > 1 && argument.front() == '-';
}

std::optional<std::string> TakeOptionValue(const std::vector<std::string>& args,
                                           std::size_t& index) {
    if (index + 1 >= args.size()) {
        return std::nullopt;
    }
    ++index;
    return args[index];
}

void ExitLeavingMapsInPlace(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

void UseExtendedImportForThisRun() {
    standin::OverrideSetting("Converters\\Imports\\Dxf", "ExtendedEntities", 1);
}

} // namespace dxfcnv
