// dxfcnv convert: reads a DXF file into a new map and writes that map to another DXF file, both
// through the module, as a user of the host who opens a drawing and exports it again.
#include "app/cmd_export.h"

#include "standin/standin.h"

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage =
    "usage: dxfcnv convert IN.dxf OUT.dxf [--extended] [--module PATH]\n"
    "\n"
    "Reads IN.dxf into a new map through the converter module's import (with the import\n"
    "settings, see dxfcnv settings), then writes that map to OUT.dxf through its export. OUT.dxf\n"
    "is replaced only by a complete file.\n"
    "\n"
    "  --extended     also import what the classic import leaves out, for this run\n"
    "  --module PATH  the converter module to load\n"
    "\n"
    "Exit status: 0 converted, 1 IN.dxf could not be opened or OUT.dxf could not be written,\n"
    "2 usage error or module that cannot be loaded.\n";

struct ConvertOptions {
    std::vector<std::string> files;
    std::optional<std::string> modulePath;
    bool extended = false;
};

std::optional<std::string> ParseOptions(const std::vector<std::string>& args,
                                        ConvertOptions& options) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& argument = args[i];
        if (!IsOption(argument)) {
            options.files.push_back(argument);
        } else if (argument == "--extended") {
            options.extended = true;
        } else if (argument == "--module") {
            options.modulePath = TakeOptionValue(args, i);
            if (!options.modulePath)
                return argument + " needs a file name";
        } else {
            return "unknown option " + argument;
        }
    }
    if (options.files.size() != 2)
        return std::string("expected an input and an output DXF file");
    return std::nullopt;
}

struct MapWindowOwner {
    HWND map = standin::CreateMapWindow();
    ~MapWindowOwner() { standin::DestroyMapWindow(map); }
};

int RunConvert(const Invocation& invocation) {
    ConvertOptions options;
    if (const auto problem = ParseOptions(invocation.args, options))
        return UsageError(kConvertCommand, *problem);
    std::string error;
    const auto module = LoadedModule::Load(
        ModulePath(options.modulePath ? options.modulePath : invocation.modulePath), &error);
    if (!module)
        return Failure(kConvertCommand, error, kExitUsage);
    if (options.extended)
        UseExtendedImportForThisRun();
    MapWindowOwner window;
    if (module->Import()(window.map, options.files[0].c_str(), 0, nullptr) != 1)
        return kExitFailed; // the module has shown its message box on stderr
    WarnIfBinaryNotRead(kConvertCommand, options.files[0]);
    return ExportThroughModule(kConvertCommand, *module, window.map, options.files[1]);
}

} // namespace

const Command kConvertCommand{"convert", "read a DXF file into a new map and export it again",
                              kUsage, RunConvert};

} // namespace dxfcnv
