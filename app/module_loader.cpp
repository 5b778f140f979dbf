#include "app/module_loader.h"

#include <cstdlib>
#include <dlfcn.h>
#include <unistd.h>

namespace dxfcnv {

namespace {

std::string ProgramFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) {
        return ".";
    }
    path.resize(static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

std::string LastDlError() {
    const char* text = ::dlerror();
    std::string message = text != nullptr ? text : "unknown error";
    for (char& c : message) {
        if (c == '\n') {
            c = ' '; // every failure is reported on one line
        }
    }
    return message;
}

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
    ::dlclose(handle);
}

std::optional<LoadedModule> LoadedModule::Load(const std::string& path, std::string* error) {
    // dlopen searches the library path for a name without a slash; a module is named by path.
    const std::string openPath = path.find('/') == std::string::npos ? "./" + path : path;
    LoadedModule module;
    module.handle_.reset(::dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (!module.handle_) {
        *error = "cannot load module " + path + ": " + LastDlError();
        return std::nullopt;
    }
    void* symbol = ::dlsym(module.handle_.get(), "DXFFileImport");
    if (symbol == nullptr) {
        *error = "module " + path + " does not export DXFFileImport";
        return std::nullopt;
    }
    module.import_ = reinterpret_cast<DxfImportFn>(symbol);
    module.export_ = reinterpret_cast<DxfExportFn>(::dlsym(module.handle_.get(), "DXFFileExport"));
    module.options_ =
        reinterpret_cast<DxfOptionsFn>(::dlsym(module.handle_.get(), "DXFImportOptions"));
    return module;
}

} // namespace dxfcnv
