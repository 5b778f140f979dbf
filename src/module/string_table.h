// The module's string table, with the literal text of each string as its fallback.
#pragma once

#include <string>

enum class ModuleString : unsigned {
    DxfImport = 1,   // "DXF Import"
    DxfExport = 2,   // "DXF Export"
    FileOpening = 3, // "File Opening Problems"
    Warning = 4,     // "Warning"
    IniNotFound = 5, // "Initialization file not found.\nContinue?"
    FileWriting = 6, // "File Writing Problems"
};

// Loads a string from the module's resources; the literal text when it cannot be loaded.
std::string LoadModuleString(ModuleString id);
