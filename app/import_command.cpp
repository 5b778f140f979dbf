// dxfcnv import: reads a DXF file into a map through the module's DXFFileImport.
#include "app/cli.h"
#include "app/map_summary.h"
#include "app/progress_bar.h"
#include "app/svg_render.h"

#include "standin/standin.h"

#include <cstdio>
#include <memory>
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

// Reads the command line into `options`; a message for the usage error otherwise.
std::optional<std::string> ParseOptions(const Invocation& invocation, ImportOptions& options) {
    options.modulePath = invocation.modulePath;
    CommandLine line;
    line.Positional(options.dxfPath, "DXF file").Option("--map", options.mapPath);
    line.Option("--attributes", options.attributesPath).Option("--svg", options.svgPath);
    line.Option("--module", options.modulePath).Flag("--trace", options.trace);
    line.Flag("--quiet", options.quiet).Flag("--extended", options.extended);
    return line.Parse(invocation.args);
}

bool FileExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

// The attribute window of one import, when it has one.
using AttributeWindow = std::unique_ptr<HWND__, decltype(&standin::DestroyHostWindow)>;

void PrintJournal(HWND map) {
    for (const std::string& line : standin::Journal(map)) {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// Writes what the options ask for once the import is done: the summary, the map document, the
// attribute table and the drawing.
int WriteResults(const ImportOptions& options, HWND map, HWND attributes) {
    if (!options.quiet) {
        const std::string summary = MapSummary(standin::Snapshot(map));
        std::fwrite(summary.data(), 1, summary.size(), stdout);
    }
    std::string error;
    if (options.mapPath && !standin::SaveMapDocument(map, *options.mapPath, &error))
        return Failure(kImportCommand, *options.mapPath + ": " + error, kExitFailed);
    if (options.attributesPath &&
        !standin::SaveAttributeCsv(attributes, *options.attributesPath, &error)) {
        return Failure(kImportCommand, *options.attributesPath + ": " + error, kExitFailed);
    }
    if (options.svgPath && !WriteSvgFile(map, SvgOptions{}, *options.svgPath, &error))
        return Failure(kImportCommand, *options.svgPath + ": " + error, kExitFailed);
    return kExitOk;
}

int RunImport(const Invocation& invocation) {
    ImportOptions options;
    if (const auto problem = ParseOptions(invocation, options))
        return UsageError(kImportCommand, *problem);
    const auto module = LoadModule(kImportCommand, options.modulePath);
    if (!module)
        return kExitUsage;
    if (options.extended)
        UseExtendedImportForThisRun();
    MapWindow map;
    if (options.mapPath && FileExists(*options.mapPath) &&
        !LoadMap(kImportCommand, map.handle, *options.mapPath)) {
        return kExitUsage;
    }
    AttributeWindow attributes(options.attributesPath ? standin::CreateAttributeWindow() : nullptr,
                               &standin::DestroyHostWindow);
    standin::EnableJournal(map.handle, options.trace);
    std::int32_t result = 0;
    {
        ProgressBar progress(map.handle);
        result = module->Import()(map.handle, options.dxfPath.c_str(), 0, attributes.get());
    }
    if (options.trace)
        PrintJournal(map.handle);
    if (result != 1)
        return kExitFailed; // the module has shown its message box on stderr
    WarnIfBinaryNotRead(kImportCommand, options.dxfPath);
    if (const int status = WriteResults(options, map.handle, attributes.get()); status != kExitOk)
        return status;
    // Every result is written: the map goes with the process.
    ExitLeavingMapsInPlace(kExitOk);
}

} // namespace

const Command kImportCommand{"import", "read a DXF file into a map", kUsage, RunImport};

} // namespace dxfcnv
