// dxfcnv: the command-line host of the DXF converter module. It plays the host application's
// part on this machine: it makes maps with the stand-in host library, loads dxf.cnv at run time
// and calls it through its exported names.
#include "app/cli.h"

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

const Command* FindCommand(std::string_view name) {
    for (const Command* command : kCommands) {
        if (command->name == name) {
            return command;
        }
    }
    return nullptr;
}

void PrintGlobalUsage(std::FILE* out) {
    std::string text(kGlobalUsage);
    for (const Command* command : kCommands) {
        std::string name(command->name);
        name.resize(std::max<std::size_t>(name.size(), 10), ' ');
        text += "  " + name + "  " + std::string(command->summary) + "\n";
    }
    std::fputs(text.c_str(), out);
}

bool AsksForHelp(const std::vector<std::string>& args) {
    for (const std::string& argument : args) {
        if (argument == "--help" || argument == "-h") {
            return true;
        }
    }
    return false;
}

int Run(const std::vector<std::string>& arguments) {
    Invocation invocation;
    std::size_t index = 0;
    for (; index < arguments.size() && IsOption(arguments[index]); ++index) {
        const std::string& option = arguments[index];
        if (option == "--help" || option == "-h") {
            PrintGlobalUsage(stdout);
            return kExitOk;
        }
        if (option == "--module") {
            invocation.modulePath = TakeOptionValue(arguments, index);
            if (!invocation.modulePath) {
                std::fputs("dxfcnv: --module needs a path\n", stderr);
                return kExitUsage;
            }
            continue;
        }
        std::fprintf(stderr, "dxfcnv: unknown option %s (see dxfcnv --help)\n", option.c_str());
        return kExitUsage;
    }
    if (index == arguments.size()) {
        PrintGlobalUsage(stderr);
        return kExitUsage;
    }
    const Command* command = FindCommand(arguments[index]);
    if (command == nullptr) {
        std::fprintf(stderr, "dxfcnv: unknown command %s (see dxfcnv --help)\n",
                     arguments[index].c_str());
        return kExitUsage;
    }
    invocation.args.assign(arguments.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                           arguments.end());
    if (AsksForHelp(invocation.args)) {
        std::fwrite(command->usage.data(), 1, command->usage.size(), stdout);
        return kExitOk;
    }
    return command->run(invocation);
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
