// Shared pieces of the command-line host dxfcnv: the subcommand record, exit codes and the
// helpers every subcommand uses to report errors.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dxfcnv {

// Exit codes of every subcommand.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1; // the operation ran and failed (the import returned 0, ...)
constexpr int kExitUsage = 2;  // bad command line, unreadable map document, module not loaded

// What a subcommand handler gets: its own arguments (after the subcommand name) and the options
// given before the subcommand.
struct Invocation {
    std::vector<std::string> args;
    std::optional<std::string> modulePath; // --module given before the subcommand
};

// One subcommand. A new subcommand is a file of its own that defines one of these, plus one
// line in the table of main.cpp.
struct Command {
    std::string_view name;
    std::string_view summary; // one line for "dxfcnv --help"
    std::string_view usage;   // the text of "dxfcnv NAME --help"
    int (*run)(const Invocation& invocation);
};

extern const Command kConvertCommand;
extern const Command kExportCommand;
extern const Command kImportCommand;
extern const Command kOptionsCommand;
extern const Command kRenderCommand;
extern const Command kSettingsCommand;
extern const Command kShowCommand;

// Prints "dxfcnv NAME: MESSAGE (see dxfcnv NAME --help)" on stderr and returns kExitUsage.
int UsageError(const Command& command, std::string_view message);
// Prints "dxfcnv NAME: MESSAGE" on stderr and returns the given code.
int Failure(const Command& command, std::string_view message, int exitCode);

// True when the argument looks like an option ("--name"); "-" alone is a file name.
bool IsOption(std::string_view argument);

// The value of an option that takes one: the argument after index, which is advanced past it.
// Nothing when the arguments end there.
std::optional<std::string> TakeOptionValue(const std::vector<std::string>& args,
                                           std::size_t& index);

// Ends the process with the status once every result is written: flushes the standard streams
// and exits without tearing down the maps. The process is about to end anyway, and freeing a
// large map object by object would only delay that.
[[noreturn]] void ExitLeavingMapsInPlace(int status);

// Turns the import setting ExtendedEntities on for this process only (--extended).
void UseExtendedImportForThisRun();

// True when the file begins with the sentinel of a binary DXF file.
bool IsBinaryDxf(const std::string& path);
// The classic import reads a binary DXF file as text and finds nothing in it, without a word:
// after such an import (the setting ExtendedEntities off), this says so on stderr.
void WarnIfBinaryNotRead(const Command& command, const std::string& path);

} // namespace dxfcnv
