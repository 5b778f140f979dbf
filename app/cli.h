// Shared pieces of the command-line host dxfcnv: the subcommand record, exit codes, the command
// line and the helpers every subcommand uses to load the module and maps and to report errors.
#pragma once

#include "app/module_loader.h"
#include "standin/files.h"

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace CLI {
class App;
class Option;
} // namespace CLI

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

// One subcommand. A new subcommand is a file of its own, NAME_command.cpp, that defines one of
// these, plus one line in the table of main.cpp.
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

// A strict conversion of a command-line value: the whole text must be the number, and a finite
// one.
template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    if (!standin::ParseWhole(text, value) || !std::isfinite(static_cast<double>(value))) {
        return std::nullopt;
    }
    return value;
}

// Prints "dxfcnv NAME: MESSAGE (see dxfcnv NAME --help)" on stderr and returns kExitUsage.
int UsageError(const Command& command, std::string_view message);
// Prints "dxfcnv NAME: MESSAGE" on stderr and returns the given code.
int Failure(const Command& command, std::string_view message, int exitCode);

// The command line of one command, read by CLI11. The command binds its options and positional
// arguments to its own variables, then Parse fills them in. Options come in any order, also
// between the positional arguments; a repeated option keeps its last value.
class CommandLine {
  public:
    CommandLine();
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // NAMES as CLI11 takes them: "-o,--output".
    CommandLine& Flag(const std::string& names, bool& value);
    CommandLine& Option(const std::string& names, std::optional<std::string>& value);
    // An option that must be given; `whenMissing` is the usage error without it.
    CommandLine& Required(const std::string& names, std::string& value,
                          std::string_view whenMissing);
    // The next positional argument, a `what` ("map document"): "missing WHAT" when it is not
    // given; one more than the positionals bound is "more than one WHAT" of the last.
    CommandLine& Positional(std::string& value, std::string_view what);
    // Everything from the first positional argument on, options included, as it stands: the
    // command and its arguments after the options before it.
    CommandLine& Rest(std::vector<std::string>& rest);

    // Reads the arguments; a message for the usage error otherwise.
    std::optional<std::string> Parse(const std::vector<std::string>& args);

  private:
    struct Bound {
        std::string* value;
        std::string_view what;
    };
    std::optional<std::string> TakeRemaining();

    std::unique_ptr<CLI::App> app_;
    std::vector<Bound> positionals_;
    std::vector<std::pair<const CLI::Option*, std::string_view>> required_;
    std::vector<std::string>* rest_ = nullptr;
};

// The module named by --module (the command's own, else the one before the command), else
// $DXFCNV_MODULE, else dxf.cnv beside this program. Nothing once the failure is reported.
std::optional<LoadedModule> LoadModule(const Command& command,
                                       const std::optional<std::string>& modulePath);

// A map window of the stand-in, destroyed with its owner.
struct MapWindow {
    HWND handle;
    MapWindow();
    ~MapWindow();
    MapWindow(const MapWindow&) = delete;
    MapWindow& operator=(const MapWindow&) = delete;
};

// Reads the map document at `path` into `map`; false once the failure is reported.
bool LoadMap(const Command& command, HWND map, const std::string& path);

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
