#include "app/cli.h"

#include "host/vexcore.h"
#include "standin/standin.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
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

bool IsBinaryDxf(const std::string& path) {
    static constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a"; // and a zero byte
    char start[sizeof kSentinel] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    const std::size_t got = std::fread(start, 1, sizeof start, file);
    std::fclose(file);
    return got == sizeof start && std::memcmp(start, kSentinel, sizeof start) == 0;
}

void WarnIfBinaryNotRead(const Command& command, const std::string& path) {
    std::int32_t extended = 0;
    m_RegValueGet("Converters\\Imports\\Dxf", "ExtendedEntities", &extended);
    if (extended != 0 || !IsBinaryDxf(path))
        return;
    Failure(command,
            path + " is a binary DXF file, which only the extended import reads: "
                   "nothing was imported (--extended, or dxfcnv settings "
                   "ExtendedEntities 1)",
            0);
}

} // namespace dxfcnv
