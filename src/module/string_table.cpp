#include "module/string_table.h"

#include "host/win32.h"
#include "module/module_instance.h"

namespace {

const char* Fallback(ModuleString id) {
    switch (id) {
    case ModuleString::DxfImport:
        return "DXF Import";
    case ModuleString::DxfExport:
        return "DXF Export";
    case ModuleString::FileOpening:
        return "File Opening Problems";
    case ModuleString::Warning:
        return "Warning";
    case ModuleString::IniNotFound:
        return "Initialization file not found.\nContinue?";
    case ModuleString::FileWriting:
        return "File Writing Problems";
    }
    return "";
}

} // namespace

std::string LoadModuleString(ModuleString id) {
    char text[256] = {};
    const int length =
        LoadStringA(ModuleInstance(), static_cast<UINT>(id), text, static_cast<int>(sizeof text));
    if (length <= 0)
        return Fallback(id);
    return std::string(text, static_cast<std::size_t>(length));
}
