#include "app/module_loader.h"

#include <algorithm>
#include <cstdlib>
#if defined(_WIN32)
#include "host/win32.h"
#else
#include <dlfcn.h>
#include <filesystem>
#endif

namespace dxfcnv {

namespace {

#if defined(_WIN32)
// The system's way: LoadLibraryA and GetProcAddress, as the host application loads converters.
std::string ProgramFolder() {
    std::string path(MAX_PATH, '\0');
    const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0 || length >= path.size()) {
        return ".";
    }
    path.resize(length);
    const auto slash = path.find_last_of("\\/");
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

void* OpenLibrary(const std::string& path) {
    return reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
}

void* Symbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

std::string LastDlError() {
    return "system error " + std::to_string(GetLastError());
}

std::string OpenPath(const std::string& path) {
    return path;
}
#else

std::string ProgramFolder() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error || !program.has_parent_path() ? "." : program.parent_path().string();
}

void* OpenLibrary(const std::string& path) {
    return ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* Symbol(void* library, const char* name) {
    return ::dlsym(library, name);
}

void CloseLibrary(void* library) {
    ::dlclose(library);
}

// dlopen searches the library path for a name without a slash; a module is named by path.
std::string OpenPath(const std::string& path) {
    return path.find('/') == std::string::npos ? "./" + path : path;
}

std::string LastDlError() {
    const char* text = ::dlerror();
    std::string message = text != nullptr ? text : "unknown error";
    std::replace(message.begin(), message.end(), '\n', ' '); // every failure on one line
    return message;
}
#endif

} // namespace

std::string ModulePath(const std::optional<std::string>& option) {
    if (option) {
        return *option;
    }
    if (const char* fromEnvironment = std::getenv("DXFCNV_MODULE");
        fromEnvironment != nullptr && *fromEnvironment != '\0') {
        return fromEnvironment;
    }
    return ProgramFolder() + "/dxf.cnv";
}

void LoadedModule::Closer::operator()(void* handle) const {
    CloseLibrary(handle);
}

std::optional<LoadedModule> LoadedModule::Load(const std::string& path, std::string* error) {
    LoadedModule module;
    module.handle_.reset(OpenLibrary(OpenPath(path)));
    if (!module.handle_) {
        *error = "cannot load module " + path + ": " + LastDlError();
        return std::nullopt;
    }
    void* symbol = Symbol(module.handle_.get(), "DXFFileImport");
    if (symbol == nullptr) {
        *error = "module " + path + " does not export DXFFileImport";
        return std::nullopt;
    }
    module.import_ = reinterpret_cast<DxfImportFn>(symbol);
    module.export_ = reinterpret_cast<DxfExportFn>(Symbol(module.handle_.get(), "DXFFileExport"));
    module.options_ =
        reinterpret_cast<DxfOptionsFn>(Symbol(module.handle_.get(), "DXFImportOptions"));
    return module;
}

} // namespace dxfcnv
