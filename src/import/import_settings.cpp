#include "import/import_settings.h"

#include "host/vexcore.h"

#include <cmath>

namespace {

std::int32_t ReadInteger(ImportSetting setting) {
    std::int32_t value = DefaultInteger(setting);
    m_RegValueGet(kImportSettingsSection, Definition(setting).name, &value);
    return value;
}

bool ReadFlag(ImportSetting setting) {
    return ReadInteger(setting) != 0;
}

} // namespace

ImportSettings ReadImportSettings() {
    ImportSettings settings;
    m_RegValueGet(kImportSettingsSection, Definition(ImportSetting::Multiplier).name,
                  &settings.multiplier);
    // A hand-edited "nan" or "inf" would silently drop every coordinate: the default instead.
    if (!std::isfinite(settings.multiplier))
        settings.multiplier = Definition(ImportSetting::Multiplier).defaultNumber;
    settings.xOffset = ReadInteger(ImportSetting::XOffset);
    settings.yOffset = ReadInteger(ImportSetting::YOffset);
    settings.zOffset = ReadInteger(ImportSetting::ZOffset);
    settings.layerOrderFromIni = ReadFlag(ImportSetting::LayerOrderFromIni);
    settings.useBlocks = ReadFlag(ImportSetting::UseBlock);
    settings.groupPolylines = ReadFlag(ImportSetting::GroupPolylines);
    settings.attributesOneColumn = ReadFlag(ImportSetting::AttributesOneColumn);
    settings.extendedEntities = ReadFlag(ImportSetting::ExtendedEntities);
    settings.maxInsertedObjects = ReadInteger(ImportSetting::MaxInsertedObjects);
    return settings;
}

std::string ReadIniFileSetting() {
    const SettingDefinition& iniFile = Definition(ImportSetting::IniFile);
    char text[kIniFileMaxLength + 1] = {};
    if (!m_RegValueGet(kImportSettingsSection, iniFile.name, text, sizeof text))
        return std::string(iniFile.defaultText);
    text[kIniFileMaxLength] = '\0';
    return text;
}
