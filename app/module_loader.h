// Loading the converter module dxf.cnv at run time, as the host application does: by path, and
// through its exported names only.
#pragma once

#include "module/exports.h"

#include <memory>
#include <optional>
#include <string>

namespace dxfcnv {

// Which module to load: the --module option, else $DXFCNV_MODULE, else dxf.cnv in the folder of
// this program.
std::string ModulePath(const std::optional<std::string>& option);

class LoadedModule {
  public:
    // Opens the module and looks up its exported names; nothing and a one-line reason on failure.
    static std::optional<LoadedModule> Load(const std::string& path, std::string* error);

    DxfImportFn Import() const { return import_; }
    // Null when the module does not export DXFFileExport.
    DxfExportFn Export() const { return export_; }
    // Null when the module does not export DXFImportOptions.
    DxfOptionsFn Options() const { return options_; }

  private:
    struct Closer {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, Closer> handle_;
    DxfImportFn import_ = nullptr;
    DxfExportFn export_ = nullptr;
    DxfOptionsFn options_ = nullptr;
};

} // namespace dxfcnv
