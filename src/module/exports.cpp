#include "module/exports.h"

#include "export/export_operation.h"
#include "import/import_operation.h"
#include "options/import_options.h"

namespace {

// No exception may reach the host: it would take the user's map with it.
std::int32_t GuardedImport(HWND map, const char* path, HWND attributeWindow) noexcept {
    try {
        return RunImport(map, path, attributeWindow);
    } catch (...) {
        return 0;
    }
}

// The export reports its own failures to the user; whatever else goes wrong stays here.
std::int32_t GuardedExport(HWND map, const char* path) noexcept {
    try {
        return RunExport(map, path);
    } catch (...) {
        return 0;
    }
}

// The dialog's result is 1 whatever happens; the settings are written only when the dialog ran.
std::int32_t GuardedOptions(HWND parent, HWND helpWindow) noexcept {
    try {
        return RunImportOptions(parent, helpWindow);
    } catch (...) {
        return 1;
    }
}

} // namespace

extern "C" {

std::int32_t DXFCNV_CALL DXFFileImport(HWND map, const char* path, std::int32_t,
                                       HWND attributeWindow) {
    return GuardedImport(map, path, attributeWindow);
}

std::int32_t DXFCNV_CALL VexaImport(HWND map, const char* path, std::int32_t,
                                    HWND attributeWindow) {
    return GuardedImport(map, path, attributeWindow);
}

std::int32_t DXFCNV_CALL DXFFileExport(HWND map, const char* path, std::int32_t, std::int32_t) {
    return GuardedExport(map, path);
}

std::int32_t DXFCNV_CALL VexaExport(HWND map, const char* path, std::int32_t, std::int32_t) {
    return GuardedExport(map, path);
}

std::int32_t DXFCNV_CALL DXFImportOptions(HWND parent, HWND helpWindow, std::int32_t) {
    return GuardedOptions(parent, helpWindow);
}

std::int32_t DXFCNV_CALL VexaImportOptions(HWND parent, HWND helpWindow, std::int32_t) {
    return GuardedOptions(parent, helpWindow);
}
}
