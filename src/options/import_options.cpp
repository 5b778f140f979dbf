#include "options/import_options.h"

#include "host/vexcore.h"
#include "import/import_settings.h"

ImportOptionsFields ReadImportOptionFields() {
    ImportOptionsFields fields;
    m_RegValueGet(kImportSettingsSection, "Multiplier", &fields.multiplier);
    if (fields.multiplier == 0.0) {
        fields.multiplier = 1.0; // a multiplier of 0 would flatten the drawing
    }
    m_RegValueGet(kImportSettingsSection, "SetLayerOrderFromIniFile", &fields.layerOrderFromFile);
    m_RegValueGet(kImportSettingsSection, "XOffset", &fields.xOffset);
    m_RegValueGet(kImportSettingsSection, "YOffset", &fields.yOffset);
    m_RegValueGet(kImportSettingsSection, "ZOffset", &fields.zOffset);
    fields.iniFile = ReadIniFileSetting();
    // Blocks are always on here: the dialog's own check box for them stays hidden.
    fields.useBlocks = 1;
    return fields;
}

void WriteImportOptionFields(const ImportOptionsFields& fields) {
    m_RegValueSet(kImportSettingsSection, "Multiplier", fields.multiplier);
    m_RegValueSet(kImportSettingsSection, "XOffset", fields.xOffset);
    m_RegValueSet(kImportSettingsSection, "YOffset", fields.yOffset);
    m_RegValueSet(kImportSettingsSection, "ZOffset", fields.zOffset);
    m_RegValueSet(kImportSettingsSection, "UseBlock", fields.useBlocks);
    m_RegValueSet(kImportSettingsSection, "SetLayerOrderFromIniFile", fields.layerOrderFromFile);
    m_RegValueSet(kImportSettingsSection, "IniFile", fields.iniFile.c_str());
}

std::int32_t RunImportOptions(HWND owner, HWND helpWindow) {
    ImportOptionsDialog dialog(owner, helpWindow, ReadImportOptionFields());
    dialog.DoModal(); // whatever closed it, the fields are written back
    WriteImportOptionFields(dialog.Fields());
    return 1;
}
