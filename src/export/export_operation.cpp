#include "export/export_operation.h"

#include "export/sections.h"
#include "host/host_calls.h"
#include "host/window_record.h"
#include "module/string_table.h"

#include <exception>
#include <string>

namespace {

void TellUser(HWND map, ModuleString problem) {
    ShowMessageBox(map, LoadModuleString(problem), LoadModuleString(ModuleString::DxfExport));
}

// The sections in their fixed order, then the end of the file. Memory that runs out midway
// abandons the file: a part of a drawing must not replace the target.
void WriteDrawing(ExportContext& context, DxfWriter& writer) {
    try {
        WriteHeaderSection(context, writer);
        WriteTablesSection(context, writer);
        WriteEntitiesSection(context, writer);
        writer.WriteStringGroup(0, "EOF");
    } catch (const std::exception&) {
        writer.Abandon();
    }
}

} // namespace

std::int32_t RunExport(HWND map, const char* path) {
    DxfWriter writer;
    ExportContext context{map, 1, WindowObjectDatabase(map)};
    if (!writer.Open(path)) {
        TellUser(map, ModuleString::FileOpening);
        return 0;
    }
    context.unitFactor = UnitFactor(map);
    WriteDrawing(context, writer);
    if (!writer.Commit())
        TellUser(map, ModuleString::FileWriting);
    return 0;
}
