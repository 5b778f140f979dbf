// dxfcnv export: writes a saved map to a DXF file through the module's DXFFileExport.
#include "app/export_command.h"
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

// Writes the map saved in `mapPath` as GeoJSON to `outputPath`, without the module.
int RunExport(const Invocation& invocation) {
    std::string mapPath;
    std::string outputPath;
    std::optional<std::string> modulePath = invocation.modulePath;
    CommandLine line;
    line.Positional(mapPath, "map document").Option("--module", modulePath);
    line.Required("-o,--output", outputPath, "missing output file (-o FILE.dxf)");
    if (const auto problem = line.Parse(invocation.args))
        return UsageError(kExportCommand, *problem);
    const bool geoJson = IsGeoJsonPath(outputPath); // written without the module
    std::optional<LoadedModule> module;
    if (!geoJson && !(module = LoadModule(kExportCommand, modulePath)))
        return kExitUsage;
    MapWindow map;
    if (!LoadMap(kExportCommand, map.handle, mapPath))
        return kExitUsage;
    if (!geoJson)
        return ExportThroughModule(kExportCommand, *module, map.handle, outputPath);
    std::string error;
    if (!WriteGeoJsonFile(map.handle, outputPath, &error))
        return Failure(kExportCommand, outputPath + ": " + error, kExitFailed);
    return kExitOk;
}

} // namespace

int ExportThroughModule(const Command& command, const LoadedModule& module, HWND map,
                        const std::string& dxfPath) {
    if (!module.Export())
        return Failure(command, "the module does not export DXFFileExport", kExitUsage);
    int shown = 0; // the message boxes, each printed on stderr
    standin::SetMessageBoxHook(
        [&shown](HWND, std::string_view text, std::string_view caption, UINT) {
            ++shown;
            std::fprintf(stderr, "%.*s: %.*s\n", static_cast<int>(caption.size()), caption.data(),
                         static_cast<int>(text.size()), text.data());
            return IDOK;
        });
    module.Export()(map, dxfPath.c_str(), 0, 0); // returns 0 whatever happened
    standin::SetMessageBoxHook(nullptr);
    return shown == 0 ? kExitOk : kExitFailed;
}

const Command kExportCommand{"export", "write a saved map to a DXF file", kUsage, RunExport};

} // namespace dxfcnv
