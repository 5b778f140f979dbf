// The persisted import settings: one table of names, types and defaults, read by the import and
// edited by the options dialog.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr const char* kImportSettingsSection = "Converters\\Imports\\Dxf";

enum class SettingType { Double, Integer, Text };

struct SettingDefinition {
    std::string_view name;
    SettingType type;
    double defaultNumber;
    std::string_view defaultText;
};

inline constexpr std::array kImportSettings{
    SettingDefinition{"Multiplier", SettingType::Double, 1.0, ""},
    SettingDefinition{"XOffset", SettingType::Integer, 0, ""},
    SettingDefinition{"YOffset", SettingType::Integer, 0, ""},
    SettingDefinition{"ZOffset", SettingType::Integer, 0, ""},
    SettingDefinition{"SetLayerOrderFromIniFile", SettingType::Integer, 1, ""},
    SettingDefinition{"UseBlock", SettingType::Integer, 1, ""},
    SettingDefinition{"Group polylines after SEQEND", SettingType::Integer, 1, ""},
    SettingDefinition{"Attributes into one column", SettingType::Integer, 1, ""},
    SettingDefinition{"IniFile", SettingType::Text, 0, "dxf.ini"},
    SettingDefinition{"ExtendedEntities", SettingType::Integer, 0, ""},
    SettingDefinition{"MaxInsertedObjects", SettingType::Integer, 0, ""},
};

// The longest "IniFile" text taken, in characters.
inline constexpr std::size_t kIniFileMaxLength = 255;

struct ImportSettings {
    double multiplier = 1.0;
    std::int32_t xOffset = 0;
    std::int32_t yOffset = 0;
    std::int32_t zOffset = 0;
    bool layerOrderFromIni = true;
    bool useBlocks = true;
    bool groupPolylines = true;
    bool attributesOneColumn = true;
    // Also import the entities and readings beyond the classic set (MTEXT, bulges, HATCH, ...).
    bool extendedEntities = false;
    // The cap on objects copied by INSERTs; 0 (or less) means the built-in default.
    std::int32_t maxInsertedObjects = 0;
};

// Reads every setting but "IniFile" from the host's settings store, in table order.
ImportSettings ReadImportSettings();
// Reads "IniFile"; "dxf.ini" when it cannot be read.
std::string ReadIniFileSetting();
