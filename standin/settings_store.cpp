// The host's settings store (m_RegValueGet, m_RegValueSet): values by section and name, kept
// in settings.ini in the configuration folder (layout in config_file.h). Each value is written
// as type:payload, one of
//   double:2.5      (the shortest text that reads back to the same double)
//   int:-3          (a signed 32-bit integer)
//   text:dxf.ini    (bytes, with the escapes of config_file.h)
// Section and value names are matched without regard to ASCII case. The file is read once and
// kept in memory; every write rewrites the file whole and atomically. A file that is not in
// the layout gives the defaults (every value absent), one warning on stderr, and is renamed to
// settings.ini.corrupt before the next write replaces it.
#include "standin/buffers.h"
#include "standin/config_file.h"
#include "standin/host_state.h"

#include <charconv>
#include <cstdio>
#include <map>

namespace standin {

struct StoredValue {
    enum class Type { Double, Int, Text } type = Type::Int;
    double real = 0.0;
    std::int32_t integer = 0;
    std::string text;
};

struct NamedValue {
    std::string name;
    StoredValue value;
};

struct StoredSection {
    std::string name;
    std::map<std::string, NamedValue> values; // by folded name
};

struct SettingsData {
    std::string path;
    bool setAside = false;                         // the file on disk was not usable
    std::map<std::string, StoredSection> sections; // by folded name
};

} // namespace standin

using namespace standin;

namespace {

constexpr char kFileName[] = "/settings.ini";

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

template <typename Number>
bool ParseWhole(std::string_view text, Number& number) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, number);
    return result.ec == std::errc() && result.ptr == end;
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

std::optional<std::string> Fill(SettingsData& data, const config::FileContent& content) {
    for (const config::Section& section : content.sections) {
        StoredSection& stored = data.sections[config::Folded(section.name)];
        stored.name = section.name;
        for (const config::Entry& entry : section.entries) {
            auto value = ParseValue(entry.value);
            if (!value) {
                return "value \"" + entry.name + "\" of [" + section.name +
                       "] is not double:, int: or text:";
            }
            stored.values[config::Folded(entry.name)] = {entry.name, std::move(*value)};
        }
    }
    return std::nullopt;
}

SettingsData& Settings() {
    auto& cached = State().settings;
    if (cached) {
        return *cached;
    }
    auto data = std::make_shared<SettingsData>();
    data->path = config::Folder() + kFileName;
    const config::FileContent content = config::Read(data->path);
    std::optional<std::string> problem = content.error;
    if (!problem) {
        problem = Fill(*data, content);
    }
    if (problem) {
        config::WarnCorrupt("settings", data->path, *problem);
        data->sections.clear();
        data->setAside = true;
    }
    cached = data;
    return *cached;
}

bool Save(SettingsData& data) {
    std::vector<config::Section> sections;
    for (const auto& [key, section] : data.sections) {
        config::Section& out = sections.emplace_back();
        out.name = section.name;
        for (const auto& [valueKey, named] : section.values) {
            out.entries.push_back({named.name, FormatValue(named.value)});
        }
    }
    if (data.setAside) {
        // Keep the unusable file for its owner instead of writing over it.
        std::rename(data.path.c_str(), (data.path + ".corrupt").c_str());
        data.setAside = false;
    }
    std::string error;
    if (!config::WriteAtomically(
            data.path, config::Format(sections, "VEXA settings store, written by the host"),
            &error)) {
        std::fprintf(stderr, "vexa: settings not saved: %s\n", error.c_str());
        return false;
    }
    return true;
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

const StoredValue* Find(const char* section, const char* name) {
    if (!section || !name) {
        return nullptr;
    }
    const SettingsData& data = Settings();
    const auto foundSection = data.sections.find(config::Folded(section));
    if (foundSection == data.sections.end()) {
        return nullptr;
    }
    const auto found = foundSection->second.values.find(config::Folded(name));
    return found == foundSection->second.values.end() ? nullptr : &found->second.value;
}

std::int32_t Store(const char* section, const char* name, StoredValue value) {
    if (!section || !name) {
        return 0;
    }
    SettingsData& data = Settings();
    StoredSection& stored = data.sections[config::Folded(section)];
    if (stored.name.empty()) {
        stored.name = section;
    }
    NamedValue& named = stored.values[config::Folded(name)];
    if (named.name.empty()) {
        named.name = name;
    }
    named.value = std::move(value);
    return Save(data) ? 1 : 0;
}

} // namespace

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    double* value) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        if (const std::int32_t* given = OverrideOf(section, name); given && value) {
            *value = *given;
            return 1;
        }
        const StoredValue* stored = Find(section, name);
        if (!stored || !value) {
            return 0;
        }
        // An integer reads as a double as well; a text does not.
        if (stored->type == StoredValue::Type::Double) {
            *value = stored->real;
        } else if (stored->type == StoredValue::Type::Int) {
            *value = stored->integer;
        } else {
            return 0;
        }
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueGet(const char* section, const char* name,
                                                    std::int32_t* value) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        if (const std::int32_t* given = OverrideOf(section, name); given && value) {
            *value = *given;
            return 1;
        }
        const StoredValue* stored = Find(section, name);
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
        const StoredValue* stored = Find(section, name);
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
        StoredValue stored;
        stored.type = StoredValue::Type::Double;
        stored.real = value;
        return Store(section, name, std::move(stored));
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    std::int32_t value) {
    return Guarded<std::int32_t>(0, [&] {
        StoredValue stored;
        stored.type = StoredValue::Type::Int;
        stored.integer = value;
        return Store(section, name, std::move(stored));
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL m_RegValueSet(const char* section, const char* name,
                                                    const char* text) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        if (!text) {
            return 0;
        }
        StoredValue stored;
        stored.type = StoredValue::Type::Text;
        stored.text = text;
        return Store(section, name, std::move(stored));
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
    std::vector<std::pair<std::string, std::string>> listing;
    if (!section) {
        return listing;
    }
    const SettingsData& data = Settings();
    const auto found = data.sections.find(config::Folded(section));
    if (found != data.sections.end()) {
        for (const auto& [key, named] : found->second.values) {
            listing.emplace_back(named.name, FormatValue(named.value));
        }
    }
    return listing;
}

STANDIN_API void OverrideSetting(const char* section, const char* name, std::int32_t value) {
    if (section && name) {
        State().settingOverrides[OverrideKey(section, name)] = value;
    }
}

} // namespace standin
