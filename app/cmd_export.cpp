// dxfcnv export: writes a saved map to a DXF file through the module's DXFFileExport.
#include "app/cmd_export.h"
#include "app/cmd_render.h"
#include "app/geojson_writer.h"

#include "standin/standin.h"

#include <cstdio>

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage =
    "usage: dxfcnv export MAP.json -o FILE.dxf [--module PATH]\n"
    "\n"
    "Writes the map saved in MAP.json to FILE.dxf through the converter module: its polylines,\n"
    "polygons, texts and point symbols, layer by layer. FILE.dxf is replaced only by a complete\n"
    "file; when it cannot be opened or written, it stays as it was.\n"
    "\n"
    "  -o, --output FILE.dxf  the DXF file to write; a name ending in .geojson gets the map as\n"
    "                         GeoJSON instead, written without the module\n"
    "  --module PATH          the converter module to load\n"
    "\n"
    "Exit status: 0 written, 1 the file could not be opened or written, 2 usage error,\n"
    "unreadable map document or module that cannot be loaded.\n";

struct ExportOptions {
    std::string mapPath;
    std::string dxfPath;
    std::optional<std::string> modulePath;
};

std::optional<std::string> ParseOptions(const std::vector<std::string>& args,
                                        ExportOptions& options) {
    bool haveMap = false;
    bool haveOutput = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (!IsOption(argument)) {
            if (haveMap)
                return "more than one map document: " + argument;
            options.mapPath = argument;
            haveMap = true;
        } else if (argument == "-o" || argument == "--output" || argument == "--module") {
            auto value = TakeOptionValue(args, i);
            if (!value)
                return argument + " needs a file name";
            if (argument == "--module") {
                options.modulePath = std::move(value);
            } else {
                options.dxfPath = std::move(*value);
                haveOutput = true;
            }
        } else {
            return "unknown option " + argument;
        }
    }
    if (!haveMap)
        return std::string("missing map document");
    if (!haveOutput)
        return std::string("missing output file (-o FILE.dxf)");
    return std::nullopt;
}

// Counts the message boxes shown while it lives and prints each on stderr.
class BoxReporter {
  public:
    BoxReporter() {
        standin::SetMessageBoxHook(
            [this](HWND, std::string_view text, std::string_view caption, UINT) {
                ++shown_;
                std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()),
                             caption.data(), static_cast<int>(text.size()), text.data());
                return IDOK;
            });
    }
    ~BoxReporter() { standin::SetMessageBoxHook(nullptr); }
    BoxReporter(const BoxReporter&) = delete;
    BoxReporter& operator=(const BoxReporter&) = delete;
    int Shown() const { return shown_; }

  private:
    int shown_ = 0;
};

struct MapWindowOwner {
    HWND map = standin::CreateMapWindow();
    ~MapWindowOwner() { standin::DestroyMapWindow(map); }
};

int RunExport(const Invocation& invocation) {
    ExportOptions options;
    if (const auto problem = ParseOptions(invocation.args, options))
        return UsageError(kExportCommand, *problem);
    if (IsGeoJsonPath(options.dxfPath))
        return ExportGeoJson(kExportCommand, options.mapPath, options.dxfPath);
    std::string error;
    const auto module = LoadedModule::Load(
        ModulePath(options.modulePath ? options.modulePath : invocation.modulePath), &error);
    if (!module)
        return Failure(kExportCommand, error, kExitUsage);
    MapWindowOwner window;
    if (!standin::LoadMapDocument(window.map, options.mapPath, &error))
        return Failure(kExportCommand, options.mapPath + ": " + error, kExitUsage);
    return ExportThroughModule(kExportCommand, *module, window.map, options.dxfPath);
}

} // namespace

int ExportThroughModule(const Command& command, const LoadedModule& module, HWND map,
                        const std::string& dxfPath) {
    if (!module.Export())
        return Failure(command, "the module does not export DXFFileExport", kExitUsage);
    BoxReporter boxes;
    module.Export()(map, dxfPath.c_str(), 0, 0); // returns 0 whatever happened
    return boxes.Shown() == 0 ? kExitOk : kExitFailed;
}

const Command kExportCommand{"export", "write a saved map to a DXF file", kUsage, RunExport};

} // namespace dxfcnv
