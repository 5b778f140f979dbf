// dxfcnv import: reads a DXF file into a map through the module's DXFFileImport.
#include "app/cli.h"
#include "app/map_summary.h"
#include "app/module_loader.h"
#include "app/progress_bar.h"
#include "app/svg_render.h"

#include "standin/standin.h"

#include <cstdio>
#include <sys/stat.h>

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage =
    "usage: dxfcnv import FILE.dxf [--map MAP.json] [--attributes FILE.csv] [--svg FILE.svg]\n"
    "                    [--extended] [--trace] [--quiet] [--module PATH]\n"
    "\n"
    "Reads FILE.dxf into a map through the converter module and prints a summary of the map.\n"
    "\n"
    "  --map MAP.json        import into the map saved in MAP.json (a new map when the file does\n"
    "                        not exist) and save the result there\n"
    "  --attributes FILE.csv give the import an attribute table and write it to FILE.csv\n"
    "  --svg FILE.svg        draw the imported map as SVG into FILE.svg (see dxfcnv render)\n"
    "  --extended            also import what the classic import leaves out (MTEXT, HATCH,\n"
    "                        bulges, ...) for this run, as the setting ExtendedEntities 1 does\n"
    "  --trace               print every host call of the module on stderr after the import\n"
    "  --quiet               print no summary\n"
    "  --module PATH         the converter module to load\n"
    "\n"
    "Exit status: 0 imported, 1 the file could not be opened or a result could not be written,\n"
    "2 usage error, unreadable map document or module that cannot be loaded.\n";

struct ImportOptions {
    std::string dxfPath;
    std::optional<std::string> mapPath;
    std::optional<std::string> attributesPath;
    std::optional<std::string> svgPath;
    std::optional<std::string> modulePath;
    bool trace = false;
    bool quiet = false;
    bool extended = false;
};

// Parses the arguments; a message for the usage error otherwise.
std::optional<std::string> ParseOptions(const std::vector<std::string>& args,
                                        ImportOptions& options) {
    bool haveFile = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (!IsOption(argument)) {
            if (haveFile) {
                return "more than one DXF file: " + argument;
            }
            options.dxfPath = argument;
            haveFile = true;
        } else if (argument == "--trace") {
            options.trace = true;
        } else if (argument == "--extended") {
            options.extended = true;
        } else if (argument == "--quiet") {
            options.quiet = true;
        } else if (argument == "--map" || argument == "--attributes" || argument == "--svg" ||
                   argument == "--module") {
            auto value = TakeOptionValue(args, i);
            if (!value) {
                return argument + " needs a file name";
            }
            auto& target = argument == "--map"          ? options.mapPath
                           : argument == "--attributes" ? options.attributesPath
                           : argument == "--svg"        ? options.svgPath
                                                        : options.modulePath;
            target = std::move(value);
        } else {
            return "unknown option " + argument;
        }
    }
    if (!haveFile) {
        return std::string("missing DXF file");
    }
    return std::nullopt;
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// Owns the stand-in windows of one import.
struct Windows {
    HWND map = nullptr;
    HWND attributes = nullptr;
    ~Windows() {
        if (attributes != nullptr) {
            standin::DestroyHostWindow(attributes);
        }
        if (map != nullptr) {
            standin::DestroyMapWindow(map);
        }
    }
};

void PrintJournal(HWND map) {
    for (const std::string& line : standin::Journal(map)) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

int RunImport(const Invocation& invocation) {
    ImportOptions options;
    if (const auto problem = ParseOptions(invocation.args, options)) {
        return UsageError(kImportCommand, *problem);
    }
    std::string error;
    const auto module = LoadedModule::Load(
        ModulePath(options.modulePath ? options.modulePath : invocation.modulePath), &error);
    if (!module) {
        return Failure(kImportCommand, error, kExitUsage);
    }

    if (options.extended) {
        UseExtendedImportForThisRun();
    }
    Windows windows;
    windows.map = standin::CreateMapWindow();
    if (options.mapPath && FileExists(*options.mapPath) &&
        !standin::LoadMapDocument(windows.map, *options.mapPath, &error)) {
        return Failure(kImportCommand, *options.mapPath + ": " + error, kExitUsage);
    }
    if (options.attributesPath) {
        windows.attributes = standin::CreateAttributeWindow();
    }
    standin::EnableJournal(windows.map, options.trace);

    std::int32_t result = 0;
    {
        ProgressBar progress(windows.map);
        result = module->Import()(windows.map, options.dxfPath.c_str(), 0, windows.attributes);
    }
    if (options.trace) {
        PrintJournal(windows.map);
    }
    if (result != 1) {
        return kExitFailed; // the module has shown its message box on stderr
    }
    WarnIfBinaryNotRead(kImportCommand, options.dxfPath);

    if (!options.quiet) {
        const std::string summary = MapSummary(standin::Snapshot(windows.map));
        std::fwrite(summary.data(), 1, summary.size(), stdout);
    }
    if (options.mapPath && !standin::SaveMapDocument(windows.map, *options.mapPath, &error)) {
        return Failure(kImportCommand, *options.mapPath + ": " + error, kExitFailed);
    }
    if (options.attributesPath &&
        !standin::SaveAttributeCsv(windows.attributes, *options.attributesPath, &error)) {
        return Failure(kImportCommand, *options.attributesPath + ": " + error, kExitFailed);
    }
    if (options.svgPath && !WriteSvgFile(windows.map, SvgOptions{}, *options.svgPath, &error)) {
        return Failure(kImportCommand, *options.svgPath + ": " + error, kExitFailed);
    }
    // Every result is written: the map goes with the process.
    ExitLeavingMapsInPlace(kExitOk);
}

} // namespace

const Command kImportCommand{"import", "read a DXF file into a map", kUsage, RunImport};

} // namespace dxfcnv
