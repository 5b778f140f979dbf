// The persisted import settings: one table of names, types, defaults and limits, read by the
// import, edited by the options dialog and listed by the command line's settings command.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr const char* kImportSettingsSection = "Converters\\Imports\\Dxf";

enum class SettingType { Double, Integer, Text };

// The settings, in table order.
enum class ImportSetting : std::size_t {
    Multiplier,
    XOffset,
    YOffset,
    ZOffset,
    LayerOrderFromIni,
    UseBlock,
    GroupPolylines,
    AttributesOneColumn,
    IniFile,
    ExtendedEntities,
    MaxInsertedObjects,
};

struct SettingDefinition {
    ImportSetting id;
    const char* name;
    SettingType type;
    double defaultNumber;         // a Double or an Integer setting's default
    std::string_view defaultText; // a Text setting's default
    std::size_t maxLength;        // the longest Text value taken, in characters; 0 for numbers
};

// The longest "IniFile" text taken, in characters.
inline constexpr std::size_t kIniFileMaxLength = 255;

inline constexpr std::array kImportSettings{
    SettingDefinition{ImportSetting::Multiplier, "Multiplier", SettingType::Double, 1.0, "", 0},
    SettingDefinition{ImportSetting::XOffset, "XOffset", SettingType::Integer, 0, "", 0},
    SettingDefinition{ImportSetting::YOffset, "YOffset", SettingType::Integer, 0, "", 0},
    SettingDefinition{ImportSetting::ZOffset, "ZOffset", SettingType::Integer, 0, "", 0},
    SettingDefinition{ImportSetting::LayerOrderFromIni, "SetLayerOrderFromIniFile",
                      SettingType::Integer, 1, "", 0},
    SettingDefinition{ImportSetting::UseBlock, "UseBlock", SettingType::Integer, 1, "", 0},
    SettingDefinition{ImportSetting::GroupPolylines, "Group polylines after SEQEND",
                      SettingType::Integer, 1, "", 0},
    SettingDefinition{ImportSetting::AttributesOneColumn, "Attributes into one column",
                      SettingType::Integer, 1, "", 0},
    SettingDefinition{ImportSetting::IniFile, "IniFile", SettingType::Text, 0, "dxf.ini",
                      kIniFileMaxLength},
    SettingDefinition{ImportSetting::ExtendedEntities, "ExtendedEntities", SettingType::Integer, 0,
                      "", 0},
    SettingDefinition{ImportSetting::MaxInsertedObjects, "MaxInsertedObjects", SettingType::Integer,
                      0, "", 0},
};

constexpr const SettingDefinition& Definition(ImportSetting setting) {
    return kImportSettings[static_cast<std::size_t>(setting)];
}

constexpr bool TableFollowsItsIds() {
    for (std::size_t i = 0; i < kImportSettings.size(); ++i) {
        if (static_cast<std::size_t>(kImportSettings[i].id) != i)
            return false;
    }
    return true;
}
static_assert(TableFollowsItsIds(), "kImportSettings lists the settings in ImportSetting order");

// The default of an Integer setting.
constexpr std::int32_t DefaultInteger(ImportSetting setting) {
    return static_cast<std::int32_t>(Definition(setting).defaultNumber);
}

struct ImportSettings {
    double multiplier = Definition(ImportSetting::Multiplier).defaultNumber;
    std::int32_t xOffset = DefaultInteger(ImportSetting::XOffset);
    std::int32_t yOffset = DefaultInteger(ImportSetting::YOffset);
    std::int32_t zOffset = DefaultInteger(ImportSetting::ZOffset);
    bool layerOrderFromIni = DefaultInteger(ImportSetting::LayerOrderFromIni) != 0;
    bool useBlocks = DefaultInteger(ImportSetting::UseBlock) != 0;
    bool groupPolylines = DefaultInteger(ImportSetting::GroupPolylines) != 0;
    bool attributesOneColumn = DefaultInteger(ImportSetting::AttributesOneColumn) != 0;
    // Also import the entities and readings beyond the classic set (MTEXT, bulges, HATCH, ...).
    bool extendedEntities = DefaultInteger(ImportSetting::ExtendedEntities) != 0;
    // The cap on objects copied by INSERTs; 0 (or less) means the built-in default.
    std::int32_t maxInsertedObjects = DefaultInteger(ImportSetting::MaxInsertedObjects);
};

// Reads every setting but "IniFile" from the host's settings store, in table order; a setting
// that is not stored keeps its default.
ImportSettings ReadImportSettings();
// Reads "IniFile"; its default when it cannot be read.
std::string ReadIniFileSetting();
