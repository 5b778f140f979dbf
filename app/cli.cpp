#include "app/cli.h"

#include "host/vexcore.h"
#include "import/import_settings.h"
#include "standin/standin.h"

#include <CLI/CLI.hpp>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

namespace dxfcnv {

namespace {

void PrintLine(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stderr);
    std::fputc('\n', stderr);
}

// True when the argument looks like an option ("--name"); "-" alone is a file name.
bool IsOption(std::string_view argument) {
    return argument.size() > 1 && argument.front() == '-';
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

CommandLine::CommandLine() : app_(std::make_unique<CLI::App>()) {
    app_->set_help_flag(); // main prints the help texts, wherever --help stands
    app_->allow_extras();  // positional arguments and unknown options: see TakeRemaining
    app_->allow_windows_style_options(false); // "/x" is a path in dxfcnv.exe too, not an option
    app_->option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
}

CommandLine::~CommandLine() = default;

CommandLine& CommandLine::Flag(const std::string& names, bool& value) {
    app_->add_flag(names, value);
    return *this;
}

CommandLine& CommandLine::Option(const std::string& names, std::optional<std::string>& value) {
    app_->add_option(names, value);
    return *this;
}

CommandLine& CommandLine::Required(const std::string& names, std::string& value,
                                   std::string_view whenMissing) {
    required_.emplace_back(app_->add_option(names, value), whenMissing);
    return *this;
}

CommandLine& CommandLine::Positional(std::string& value, std::string_view what) {
    positionals_.push_back({&value, what});
    return *this;
}

CommandLine& CommandLine::Rest(std::vector<std::string>& rest) {
    app_->prefix_command();
    rest_ = &rest;
    return *this;
}

std::optional<std::string> CommandLine::Parse(const std::vector<std::string>& args) {
    std::vector<std::string> reversed(args.rbegin(), args.rend()); // CLI11 takes them from the back
    try {
        app_->parse(reversed);
    } catch (const CLI::ArgumentMismatch& error) { // "--map: 1 required TEXT missing"
        const std::string text = error.what();
        return text.substr(0, text.find(':')) + " needs a value";
    } catch (const CLI::ParseError& error) {
        return std::string(error.what());
    }
    return TakeRemaining();
}

// What CLI11 left, in command-line order: the positional arguments and the unknown options.
std::optional<std::string> CommandLine::TakeRemaining() {
    std::size_t taken = 0;
    for (const std::string& argument : app_->remaining()) {
        if (rest_ != nullptr && (!rest_->empty() || !IsOption(argument))) {
            rest_->push_back(argument);
        } else if (IsOption(argument)) {
            return "unknown option " + argument;
        } else if (positionals_.empty()) {
            return "unknown argument " + argument;
        } else if (taken == positionals_.size()) {
            return "more than one " + std::string(positionals_.back().what) + ": " + argument;
        } else {
            *positionals_[taken++].value = argument;
        }
    }
    if (taken < positionals_.size())
        return "missing " + std::string(positionals_[taken].what);
    for (const auto& [option, whenMissing] : required_) {
        if (option->count() == 0)
            return std::string(whenMissing);
    }
    return std::nullopt;
}

std::optional<LoadedModule> LoadModule(const Command& command,
                                       const std::optional<std::string>& modulePath) {
    std::string error;
    auto module = LoadedModule::Load(ModulePath(modulePath), &error);
    if (!module)
        Failure(command, error, kExitUsage);
    return module;
}

MapWindow::MapWindow() : handle(standin::CreateMapWindow()) {}

MapWindow::~MapWindow() {
    standin::DestroyMapWindow(handle);
}

bool LoadMap(const Command& command, HWND map, const std::string& path) {
    std::string error;
    if (standin::LoadMapDocument(map, path, &error))
        return true;
    Failure(command, path + ": " + error, kExitUsage);
    return false;
}

void ExitLeavingMapsInPlace(int status) {
    std::fflush(nullptr);
    std::_Exit(status);
}

void UseExtendedImportForThisRun() {
    standin::OverrideSetting(kImportSettingsSection, "ExtendedEntities", 1);
}

bool IsBinaryDxf(const std::string& path) {
    static constexpr char kSentinel[] = "AutoCAD Binary DXF\r\n\x1a"; // and a zero byte
    char start[sizeof kSentinel] = {};
    std::ifstream file(path, std::ios::binary);
    return file.read(start, sizeof start) && std::memcmp(start, kSentinel, sizeof start) == 0;
}

void WarnIfBinaryNotRead(const Command& command, const std::string& path) {
    std::int32_t extended = 0;
    m_RegValueGet(kImportSettingsSection, "ExtendedEntities", &extended);
    if (extended != 0 || !IsBinaryDxf(path))
        return;
    Failure(command,
            path + " is a binary DXF file, which only the extended import reads: "
                   "nothing was imported (--extended, or dxfcnv settings "
                   "ExtendedEntities 1)",
            0);
}

} // namespace dxfcnv
