// dxfcnv: the command-line host of the DXF converter module. It plays the host application's
// part on this machine: it makes maps with the stand-in host library, loads dxf.cnv at run time
// and calls it through its exported names.
#include "app/cli.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace dxfcnv {
namespace {

// Every subcommand, in the order "dxfcnv --help" lists them.
constexpr std::array kCommands{&kConvertCommand, &kExportCommand, &kImportCommand,
                               &kOptionsCommand, &kRenderCommand, &kSettingsCommand,
                               &kShowCommand};

constexpr std::string_view kGlobalUsage =
    "usage: dxfcnv [--module PATH] COMMAND [ARGUMENTS]\n"
    "\n"
    "Options before the command:\n"
    "  --module PATH   the converter module to load (default: $DXFCNV_MODULE, else dxf.cnv\n"
    "                  beside this program)\n"
    "  --help          this text; \"dxfcnv COMMAND --help\" describes one command\n"
    "\n"
    "Commands:\n";

void PrintGlobalUsage(std::FILE* out) {
    std::string text(kGlobalUsage);
    for (const Command* command : kCommands) {
        std::string name(command->name);
        name.resize(std::max<std::size_t>(name.size(), 10), ' ');
        text += "  " + name + "  " + std::string(command->summary) + "\n";
    }
    std::fputs(text.c_str(), out);
}

int RunCommand(const Command& command, const Invocation& invocation) {
    const auto& args = invocation.args;
    if (std::find(args.begin(), args.end(), "--help") != args.end() ||
        std::find(args.begin(), args.end(), "-h") != args.end()) {
        std::fwrite(command.usage.data(), 1, command.usage.size(), stdout);
        return kExitOk;
    }
    return command.run(invocation);
}

int Run(const std::vector<std::string>& arguments) {
    Invocation invocation;
    bool help = false;
    CommandLine line;
    line.Flag("-h,--help", help).Option("--module", invocation.modulePath).Rest(invocation.args);
    const auto problem = line.Parse(arguments);
    if (help) {
        PrintGlobalUsage(stdout);
        return kExitOk;
    }
    if (problem) {
        std::fprintf(stderr, "dxfcnv: %s (see dxfcnv --help)\n", problem->c_str());
        return kExitUsage;
    }
    if (invocation.args.empty()) {
        PrintGlobalUsage(stderr);
        return kExitUsage;
    }
    const auto command = std::find_if(kCommands.begin(), kCommands.end(), [&](const Command* c) {
        return c->name == invocation.args.front();
    });
    if (command == kCommands.end()) {
        std::fprintf(stderr, "dxfcnv: unknown command %s (see dxfcnv --help)\n",
                     invocation.args.front().c_str());
        return kExitUsage;
    }
    invocation.args.erase(invocation.args.begin());
    return RunCommand(**command, invocation);
}

} // namespace
} // namespace dxfcnv

int main(int argc, char** argv) {
    try {
        return dxfcnv::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dxfcnv: %s\n", e.what());
    } catch (...) {
        std::fputs("dxfcnv: unexpected failure\n", stderr);
    }
    return dxfcnv::kExitFailed;
}
