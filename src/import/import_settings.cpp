#include "import/import_settings.h"

#include "host/vexcore.h"

namespace {

bool ReadFlag(const char* name, bool fallback) {
    std::int32_t value = fallback ? 1 : 0;
    m_RegValueGet(kImportSettingsSection, name, &value);
    return value != 0;
}

std::int32_t ReadInteger(const char* name) {
    std::int32_t value = 0;
    m_RegValueGet(kImportSettingsSection, name, &value);
    return value;
}

} // namespace

ImportSettings ReadImportSettings() {
    ImportSettings settings;
    m_RegValueGet(kImportSettingsSection, "Multiplier", &settings.multiplier);
    settings.xOffset = ReadInteger("XOffset");
    settings.yOffset = ReadInteger("YOffset");
    settings.zOffset = ReadInteger("ZOffset");
    settings.layerOrderFromIni = ReadFlag("SetLayerOrderFromIniFile", true);
    settings.useBlocks = ReadFlag("UseBlock", true);
    settings.groupPolylines = ReadFlag("Group polylines after SEQEND", true);
    settings.attributesOneColumn = ReadFlag("Attributes into one column", true);
    settings.extendedEntities = ReadFlag("ExtendedEntities", false);
    settings.maxInsertedObjects = ReadInteger("MaxInsertedObjects");
    return settings;
}

std::string ReadIniFileSetting() {
    char text[kIniFileMaxLength + 1] = {};
    if (!m_RegValueGet(kImportSettingsSection, "IniFile", text, sizeof text))
        return "dxf.ini";
    text[kIniFileMaxLength] = '\0';
    return text;
}
