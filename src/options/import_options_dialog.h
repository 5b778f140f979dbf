// The dialog "DXF Import Options" (template IDD_IMPORT_OPTIONS): shows the import settings in
// its controls and reads them back when the user accepts.
#pragma once

#include "import/import_settings.h"
#include "options/modal_dialog.h"
#include "options/resource.h"

#include <cstdint>
#include <string>
#include <utility>

// The settings the dialog edits, as the dialog holds them.
struct ImportOptionsFields {
    double multiplier = Definition(ImportSetting::Multiplier).defaultNumber;
    std::int32_t xOffset = DefaultInteger(ImportSetting::XOffset);
    std::int32_t yOffset = DefaultInteger(ImportSetting::YOffset);
    std::int32_t zOffset = DefaultInteger(ImportSetting::ZOffset);
    std::int32_t useBlocks = DefaultInteger(ImportSetting::UseBlock);
    std::string iniFile;
    std::int32_t layerOrderFromFile = DefaultInteger(ImportSetting::LayerOrderFromIni);
};

class ImportOptionsDialog : public ModalDialog {
  public:
    ImportOptionsDialog(HWND owner, HWND helpWindow, ImportOptionsFields fields)
        : ModalDialog(IDD_IMPORT_OPTIONS, owner), helpWindow_(helpWindow),
          fields_(std::move(fields)) {}

    // What the fields hold now: after OK what the user typed, after Cancel what they held at the
    // start, apart from an initialisation file taken over by Browse... or a refused OK.
    const ImportOptionsFields& Fields() const { return fields_; }

  protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void OnClicked(int controlId) override;

  private:
    void OnBrowse();
    void OnHelp();
    // Whether the initialisation file of the control may be used: it is empty, it opens, its
    // bare name opens, or the user answers Yes to the warning.
    bool AcceptIniFile();
    void ReadControls();

    HWND helpWindow_;
    ImportOptionsFields fields_;
};
