// The host's settings store (m_RegValueGet, m_RegValueSet): values by section and name, kept
// in settings.ini in the configuration folder (layout in config_file.h). Each value is written
// as type:payload, one of
//   double:2.5      (the shortest text that reads back to the same double)
//   int:-3          (a signed 32-bit integer)
//   text:dxf.ini    (bytes, with the escapes of config_file.h)
// The file is read, cached, set aside and saved as config_file.h tells; a file that is not usable
// gives the defaults (every value absent).
#include "standin/buffers.h"
#include "standin/config_file.h"
#include "standin/files.h"
#include "standin/host_state.h"

#include <cstdio>
#include <optional>

namespace standin {

struct StoredValue {
    enum class Type { Double, Int, Text } type = Type::Int;
    double real = 0.0;
    std::int32_t integer = 0;
    std::string text;
};

} // namespace standin

using namespace standin;

namespace {

std::string FormatValue(const StoredValue& value) {
    switch (value.type) {
    case StoredValue::Type::Double: {
        char buffer[32];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.real);
        return "double:" + std::string(buffer, result.ptr);
    }
    case StoredValue::Type::Int:
        return "int:" + std::to_string(value.integer);
    case StoredValue::Type::Text:
        return "text:" + value.text;
    }
    return {};
}

std::optional<StoredValue> ParseValue(std::string_view text) {
    StoredValue value;
    const auto colon = text.find(':');
    if (colon == std::string_view::npos) {
        return std::nullopt;
    }
    const std::string_view type = text.substr(0, colon);
    const std::string_view payload = text.substr(colon + 1);
    if (type == "double") {
        value.type = StoredValue::Type::Double;
        return ParseWhole(payload, value.real) ? std::optional(value) : std::nullopt;
    }
    if (type == "int") {
        value.type = StoredValue::Type::Int;
        return ParseWhole(payload, value.integer) ? std::optional(value) : std::nullopt;
    }
    if (type == "text") {
        value.type = StoredValue::Type::Text;
        value.text = payload;
        return value;
    }
    return std::nullopt;
}

constexpr config::FileKind kSettingsFile{
    "settings", "settings.ini", "VEXA settings store, written by the host",
    "is not double:, int: or text:", config::Canonical<ParseValue, FormatValue>};

config::Store& Settings() {
    return config::Cached(State().settings, kSettingsFile);
}

std::string OverrideKey(const char* section, const char* name) {
    return config::Folded(section) + '\n' + config::Folded(name);
}

const std::int32_t* OverrideOf(const char* section, const char* name) {
    const auto& overrides = State().settingOverrides;
    if (!section || !name || overrides.empty()) {
        return nullptr;
    }
    const auto found = overrides.find(OverrideKey(section, name));
    return found == overrides.end() ? nullptr : &found->second;
}

// The value a get answers; for a number, an override given for this process comes first.
std::optional<StoredValue> Find(const char* section, const char* name, bool number) {
    if (!section || !name) {
        return std::nullopt;
    }
    if (const std::int32_t* given = number ? OverrideOf(section, name) : nullptr) {
        return StoredValue{StoredValue::Type::Int, 0.0, *given, {}};
    }
    const std::string* text = Settings().Find(section, name);
    return text ? ParseValue(*text) : std::nullopt;
}

std::int32_t Store(const char* section, const char* name, const StoredValue& value) {
    if (!section || !name) {
        return 0;
    }
    return Settings().Set(section, name, FormatValue(value)) ? 1 : 0;
}

} // namespace

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    double* value) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        const auto stored = Find(section, name, true);
        // An integer reads as a double as well; a text does not.
        if (!stored || !value || stored->type == StoredValue::Type::Text) {
            return 0;
        }
        *value = stored->type == StoredValue::Type::Double ? stored->real : stored->integer;
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    std::int32_t* value) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        const auto stored = Find(section, name, true);
        if (!stored || !value || stored->type != StoredValue::Type::Int) {
            return 0;
        }
        *value = stored->integer;
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    char* text, std::int32_t size) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        const auto stored = Find(section, name, false);
        if (!stored || !text || size <= 0 || stored->type != StoredValue::Type::Text) {
            return 0;
        }
        CopyTextOut(text, size, stored->text);
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    double value) {
    return Guarded<std::int32_t>(0, [&] {
        return Store(section, name, {StoredValue::Type::Double, value, 0, {}});
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    std::int32_t value) {
    return Guarded<std::int32_t>(0, [&] {
        return Store(section, name, {StoredValue::Type::Int, 0.0, value, {}});
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    const char* text) {
    return Guarded<std::int32_t>(0, [&] {
        return text ? Store(section, name, {StoredValue::Type::Text, 0.0, 0, text}) : 0;
    });
}

namespace standin {

STANDIN_API std::string ConfigFolder() {
    return config::Folder();
}

STANDIN_API void ReloadConfiguration() {
    State().settings.reset();
    State().registry.reset();
}

STANDIN_API std::vector<std::pair<std::string, std::string>> SettingsSection(const char* section) {
    return section ? Settings().Values(section)
                   : std::vector<std::pair<std::string, std::string>>();
}

STANDIN_API void OverrideSetting(const char* section, const char* name, std::int32_t value) {
    if (section && name) {
        State().settingOverrides[OverrideKey(section, name)] = value;
    }
}

} // namespace standin
