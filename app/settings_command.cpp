// dxfcnv settings: lists, reads and writes the import settings and the point-symbol settings,
// with the types the import reads them as.
#include "app/cli.h"

#include "host/vexcore.h"
#include "host/win32.h"
#include "import/import_settings.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <memory>
#include <strings.h>
#include <vector>

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage =
    "usage: dxfcnv settings [NAME [VALUE]]\n"
    "\n"
    "Without arguments lists every setting with its value, marked \"(default)\" when it is not\n"
    "stored. With NAME prints the value the import uses; with NAME VALUE stores VALUE.\n"
    "\n"
    "Import settings (host settings section \"Converters\\Imports\\Dxf\"):\n"
    "  Multiplier                    real     1\n"
    "  XOffset, YOffset, ZOffset     integer  0\n"
    "  SetLayerOrderFromIniFile      integer  1\n"
    "  UseBlock                      integer  1\n"
    "  Group polylines after SEQEND  integer  1\n"
    "  Attributes into one column    integer  1\n"
    "  IniFile                       text     dxf.ini (at most 255 characters)\n"
    "  ExtendedEntities              integer  0 (1: also MTEXT, bulges, HATCH, ELLIPSE, ...)\n"
    "  MaxInsertedObjects            integer  0 (0: the built-in cap on objects INSERTs copy)\n"
    "Point symbol settings (registry, HKEY_CURRENT_USER\\Software\\Orv\\Vexa "
    "8.0\\Settings\\Point):\n"
    "  Symbol                        text     X\n"
    "  FontName                      text     Arial\n"
    "  FontSize                      integer  10\n"
    "\n"
    "Names are matched without regard to case. Exit status: 0 done, 1 the value could not be\n"
    "stored, 2 unknown name or a value that is not of the setting's type.\n";

constexpr const char* kPointKey = "Software\\Orv\\Vexa 8.0\\Settings\\Point";

enum class Store { ImportSettings, PointRegistry };

struct Setting {
    const char* name;
    SettingType type;
    Store store;
    std::string defaultValue;
    std::size_t maxLength; // texts only; 0 for no limit
};

std::string RealText(double value) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), result.ptr);
}

// The import settings as their table gives them, then the point symbol settings.
const std::vector<Setting>& Settings() {
    static const std::vector<Setting> settings = [] {
        std::vector<Setting> list;
        for (const SettingDefinition& d : kImportSettings) {
            const std::string defaultValue =
                d.type == SettingType::Double    ? RealText(d.defaultNumber)
                : d.type == SettingType::Integer ? std::to_string(static_cast<int>(d.defaultNumber))
                                                 : std::string(d.defaultText);
            list.push_back({d.name, d.type, Store::ImportSettings, defaultValue, d.maxLength});
        }
        list.push_back({"Symbol", SettingType::Text, Store::PointRegistry, "X", 0});
        list.push_back({"FontName", SettingType::Text, Store::PointRegistry, "Arial", 0});
        list.push_back({"FontSize", SettingType::Integer, Store::PointRegistry, "10", 0});
        return list;
    }();
    return settings;
}

const Setting* FindSetting(const std::string& name) {
    const std::vector<Setting>& settings = Settings();
    const auto found = std::find_if(settings.begin(), settings.end(), [&](const Setting& s) {
        return ::strcasecmp(s.name, name.c_str()) == 0;
    });
    return found == settings.end() ? nullptr : &*found;
}

// The registry key of the point settings, closed when it goes; null when it cannot be opened.
using PointKey = std::unique_ptr<HKEY__, decltype(&RegCloseKey)>;

PointKey OpenPointKey() {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kPointKey, &key) != ERROR_SUCCESS) {
        key = nullptr;
    }
    return PointKey(key, &RegCloseKey);
}

std::optional<std::string> ReadPointSetting(const Setting& setting) {
    const PointKey key = OpenPointKey();
    if (!key) {
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), setting.name, nullptr, &type, nullptr, &size) !=
        ERROR_SUCCESS) {
        return std::nullopt;
    }
    if (setting.type == SettingType::Integer) {
        DWORD value = 0;
        DWORD valueSize = sizeof(value);
        if (type != REG_DWORD ||
            RegQueryValueExA(key.get(), setting.name, nullptr, &type,
                             reinterpret_cast<LPBYTE>(&value), &valueSize) != ERROR_SUCCESS) {
            return std::nullopt;
        }
        return std::to_string(static_cast<std::int32_t>(value));
    }
    if (type != REG_SZ) {
        return std::nullopt;
    }
    std::string text(size, '\0');
    if (RegQueryValueExA(key.get(), setting.name, nullptr, &type,
                         reinterpret_cast<LPBYTE>(text.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    text.resize(std::min({std::size_t{size}, text.size(), text.find('\0')}));
    return text;
}

std::optional<std::string> ReadImportSetting(const Setting& setting) {
    switch (setting.type) {
    case SettingType::Double:
        if (double value = 0.0; m_RegValueGet(kImportSettingsSection, setting.name, &value) != 0)
            return RealText(value);
        break;
    case SettingType::Integer:
        if (std::int32_t value = 0;
            m_RegValueGet(kImportSettingsSection, setting.name, &value) != 0)
            return std::to_string(value);
        break;
    case SettingType::Text: {
        std::array<char, kIniFileMaxLength + 1> text{};
        if (m_RegValueGet(kImportSettingsSection, setting.name, text.data(),
                          static_cast<std::int32_t>(text.size())) != 0) {
            text.back() = '\0';
            return std::string(text.data());
        }
        break;
    }
    }
    return std::nullopt;
}

// The stored value, or nothing when the setting is absent or stored with another type.
std::optional<std::string> ReadSetting(const Setting& setting) {
    return setting.store == Store::ImportSettings ? ReadImportSetting(setting)
                                                  : ReadPointSetting(setting);
}

bool WritePointSetting(const Setting& setting, const std::string& text) {
    const PointKey key = OpenPointKey();
    if (!key) {
        return false;
    }
    if (setting.type == SettingType::Integer) {
        const DWORD value = static_cast<DWORD>(*ParseNumber<std::int32_t>(text));
        return RegSetValueExA(key.get(), setting.name, 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&value),
                              sizeof(value)) == ERROR_SUCCESS;
    }
    return RegSetValueExA(key.get(), setting.name, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool WriteImportSetting(const Setting& setting, const std::string& text) {
    switch (setting.type) {
    case SettingType::Double:
        return m_RegValueSet(kImportSettingsSection, setting.name, *ParseNumber<double>(text)) != 0;
    case SettingType::Integer:
        return m_RegValueSet(kImportSettingsSection, setting.name,
                             *ParseNumber<std::int32_t>(text)) != 0;
    case SettingType::Text:
        return m_RegValueSet(kImportSettingsSection, setting.name, text.c_str()) != 0;
    }
    return false;
}

// A message for the usage error when the text is no value of the setting's type.
std::optional<std::string> CheckValue(const Setting& setting, const std::string& text) {
    const std::string quoted = "\"" + std::string(setting.name) + "\"";
    if (setting.type == SettingType::Double && !ParseNumber<double>(text)) {
        return quoted + " needs a finite real number, not \"" + text + "\"";
    }
    if (setting.type == SettingType::Integer && !ParseNumber<std::int32_t>(text)) {
        return quoted + " needs a 32-bit integer, not \"" + text + "\"";
    }
    if (setting.maxLength != 0 && text.size() > setting.maxLength) {
        return quoted + " takes at most " + std::to_string(setting.maxLength) + " characters";
    }
    return std::nullopt;
}

void ListSettings() {
    std::string text;
    std::optional<Store> store;
    for (const Setting& setting : Settings()) {
        if (store != setting.store) {
            store = setting.store;
            text += setting.store == Store::ImportSettings
                        ? std::string("[") + kImportSettingsSection + "]\n"
                        : std::string("[HKEY_CURRENT_USER\\") + kPointKey + "]\n";
        }
        const auto value = ReadSetting(setting);
        text += std::string(setting.name) + " = " +
                (value ? *value : std::string(setting.defaultValue) + " (default)") + "\n";
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int RunSettings(const Invocation& invocation) {
    const auto& args = invocation.args;
    if (args.size() > 2) {
        return UsageError(kSettingsCommand, "expected at most a name and a value");
    }
    if (args.empty()) {
        ListSettings();
        return kExitOk;
    }
    const Setting* setting = FindSetting(args[0]);
    if (setting == nullptr) {
        return UsageError(kSettingsCommand, "unknown setting \"" + args[0] + "\"");
    }
    if (args.size() == 1) {
        const std::string value =
            ReadSetting(*setting).value_or(std::string(setting->defaultValue));
        std::printf("%s\n", value.c_str());
        return kExitOk;
    }
    if (const auto problem = CheckValue(*setting, args[1])) {
        return UsageError(kSettingsCommand, *problem);
    }
    const bool written = setting->store == Store::ImportSettings
                             ? WriteImportSetting(*setting, args[1])
                             : WritePointSetting(*setting, args[1]);
    if (!written) {
        return Failure(kSettingsCommand, "cannot store \"" + std::string(setting->name) + "\"",
                       kExitFailed);
    }
    return kExitOk;
}

} // namespace

const Command kSettingsCommand{"settings", "list, read or write the import settings", kUsage,
                               RunSettings};

} // namespace dxfcnv
