#include "options/import_options.h"

#include "host/vexcore.h"
#include "import/import_settings.h"

#include <cmath>

namespace {

const char* Name(ImportSetting setting) {
    return Definition(setting).name;
}

} // namespace

ImportOptionsFields ReadImportOptionFields() {
    ImportOptionsFields fields;
    m_RegValueGet(kImportSettingsSection, Name(ImportSetting::Multiplier), &fields.multiplier);
    if (fields.multiplier == 0.0 || !std::isfinite(fields.multiplier)) {
        fields.multiplier = 1.0; // 0 would flatten the drawing, "nan" or "inf" drop it
    }
    m_RegValueGet(kImportSettingsSection, Name(ImportSetting::LayerOrderFromIni),
                  &fields.layerOrderFromFile);
    m_RegValueGet(kImportSettingsSection, Name(ImportSetting::XOffset), &fields.xOffset);
    m_RegValueGet(kImportSettingsSection, Name(ImportSetting::YOffset), &fields.yOffset);
    m_RegValueGet(kImportSettingsSection, Name(ImportSetting::ZOffset), &fields.zOffset);
    fields.iniFile = ReadIniFileSetting();
    // Blocks are always on here: the dialog's own check box for them stays hidden.
    fields.useBlocks = 1;
    return fields;
}

void WriteImportOptionFields(const ImportOptionsFields& fields) {
    const char* section = kImportSettingsSection;
    m_RegValueSet(section, Name(ImportSetting::Multiplier), fields.multiplier);
    m_RegValueSet(section, Name(ImportSetting::XOffset), fields.xOffset);
    m_RegValueSet(section, Name(ImportSetting::YOffset), fields.yOffset);
    m_RegValueSet(section, Name(ImportSetting::ZOffset), fields.zOffset);
    m_RegValueSet(section, Name(ImportSetting::UseBlock), fields.useBlocks);
    m_RegValueSet(section, Name(ImportSetting::LayerOrderFromIni), fields.layerOrderFromFile);
    m_RegValueSet(section, Name(ImportSetting::IniFile), fields.iniFile.c_str());
}

std::int32_t RunImportOptions(HWND owner, HWND helpWindow) {
    ImportOptionsDialog dialog(owner, helpWindow, ReadImportOptionFields());
    dialog.DoModal(); // whatever closed it, the fields are written back
    WriteImportOptionFields(dialog.Fields());
    return 1;
}
