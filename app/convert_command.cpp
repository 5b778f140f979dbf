// dxfcnv convert: reads a DXF file into a new map and writes that map to another DXF file, both
// through the module, as a user of the host who opens a drawing and exports it again.
#include "app/export_command.h"

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

int RunConvert(const Invocation& invocation) {
    std::string input;
    std::string output;
    bool extended = false;
    std::optional<std::string> modulePath = invocation.modulePath;
    CommandLine line;
    line.Positional(input, "input DXF file").Positional(output, "output DXF file");
    line.Flag("--extended", extended).Option("--module", modulePath);
    if (const auto problem = line.Parse(invocation.args))
        return UsageError(kConvertCommand, *problem);
    const auto module = LoadModule(kConvertCommand, modulePath);
    if (!module)
        return kExitUsage;
    if (extended)
        UseExtendedImportForThisRun();
    MapWindow map;
    if (module->Import()(map.handle, input.c_str(), 0, nullptr) != 1)
        return kExitFailed; // the module has shown its message box on stderr
    WarnIfBinaryNotRead(kConvertCommand, input);
    return ExportThroughModule(kConvertCommand, *module, map.handle, output);
}

} // namespace

const Command kConvertCommand{"convert", "read a DXF file into a new map and export it again",
                              kUsage, RunConvert};

} // namespace dxfcnv
