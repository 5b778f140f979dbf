// The registry of the Win32 subset, under HKEY_CURRENT_USER only, kept in registry.ini in the
// configuration folder (layout in config_file.h). One section per key, named by its full path
// ("HKEY_CURRENT_USER\Software\Orv\Vexa 8.0\Settings\Point"), one line per value:
//   Symbol=sz:X           REG_SZ holding one text and its terminating zero
//   FontSize=dword:10     REG_DWORD of four bytes, as an unsigned decimal
//   Other=hex(3):0a0b     any other type or shape: the type number and the bytes in hex
// Key and value names are matched without regard to ASCII case. Like the settings store the
// file is read once, cached, rewritten whole and atomically on every change, and set aside as
// registry.ini.corrupt when it is not usable.
#include "standin/config_file.h"
#include "standin/host_state.h"

#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>

namespace standin {

struct RegValue {
    std::string name;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct RegKey {
    std::string path;
    std::map<std::string, RegValue> values; // by folded name
};

struct RegistryData {
    std::string path;
    bool setAside = false;
    std::map<std::string, RegKey> keys; // by folded path
};

} // namespace standin

using namespace standin;

namespace {

constexpr char kFileName[] = "/registry.ini";
constexpr char kCurrentUser[] = "HKEY_CURRENT_USER";
constexpr LONG kErrorInvalidHandle = 6;
constexpr LONG kErrorInvalidParameter = 87;

bool IsPlainText(const std::vector<BYTE>& data) {
    return !data.empty() && data.back() == 0 &&
           std::memchr(data.data(), 0, data.size() - 1) == nullptr;
}

std::string FormatValue(const RegValue& value) {
    if (value.type == REG_SZ && IsPlainText(value.data)) {
        return "sz:" + std::string(value.data.begin(), value.data.end() - 1);
    }
    if (value.type == REG_DWORD && value.data.size() == sizeof(DWORD)) {
        DWORD number;
        std::memcpy(&number, value.data.data(), sizeof number);
        return "dword:" + std::to_string(number);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text = "hex(" + std::to_string(value.type) + "):";
    for (const BYTE byte : value.data) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

std::optional<RegValue> ParseValue(const std::string& name, std::string_view text) {
    RegValue value;
    value.name = name;
    if (text.starts_with("sz:")) {
        value.type = REG_SZ;
        value.data.assign(text.begin() + 3, text.end());
        value.data.push_back(0);
        return value;
    }
    if (text.starts_with("dword:")) {
        DWORD number = 0;
        const char* end = text.data() + text.size();
        const auto result = std::from_chars(text.data() + 6, end, number);
        if (result.ec != std::errc() || result.ptr != end) {
            return std::nullopt;
        }
        value.type = REG_DWORD;
        value.data.resize(sizeof number);
        std::memcpy(value.data.data(), &number, sizeof number);
        return value;
    }
    if (!text.starts_with("hex(")) {
        return std::nullopt;
    }
    const auto close = text.find("):");
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    const char* typeEnd = text.data() + close;
    const auto typeResult = std::from_chars(text.data() + 4, typeEnd, value.type);
    const std::string_view hex = text.substr(close + 2);
    if (typeResult.ec != std::errc() || typeResult.ptr != typeEnd || hex.size() % 2 != 0) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        BYTE byte = 0;
        const auto result = std::from_chars(hex.data() + i, hex.data() + i + 2, byte, 16);
        if (result.ec != std::errc() || result.ptr != hex.data() + i + 2) {
            return std::nullopt;
        }
        value.data.push_back(byte);
    }
    return value;
}

std::optional<std::string> Fill(RegistryData& data, const config::FileContent& content) {
    for (const config::Section& section : content.sections) {
        RegKey& key = data.keys[config::Folded(section.name)];
        key.path = section.name;
        for (const config::Entry& entry : section.entries) {
            auto value = ParseValue(entry.name, entry.value);
            if (!value) {
                return "value \"" + entry.name + "\" of [" + section.name + "] is malformed";
            }
            key.values[config::Folded(entry.name)] = std::move(*value);
        }
    }
    return std::nullopt;
}

RegistryData& Registry() {
    auto& cached = State().registry;
    if (cached) {
        return *cached;
    }
    auto data = std::make_shared<RegistryData>();
    data->path = config::Folder() + kFileName;
    const config::FileContent content = config::Read(data->path);
    std::optional<std::string> problem = content.error;
    if (!problem) {
        problem = Fill(*data, content);
    }
    if (problem) {
        config::WarnCorrupt("registry", data->path, *problem);
        data->keys.clear();
        data->setAside = true;
    }
    cached = data;
    return *cached;
}

bool Save(RegistryData& data) {
    std::vector<config::Section> sections;
    for (const auto& [folded, key] : data.keys) {
        config::Section& out = sections.emplace_back();
        out.name = key.path;
        for (const auto& [name, value] : key.values) {
            out.entries.push_back({value.name, FormatValue(value)});
        }
    }
    if (data.setAside) {
        std::rename(data.path.c_str(), (data.path + ".corrupt").c_str());
        data.setAside = false;
    }
    std::string error;
    if (!config::WriteAtomically(
            data.path, config::Format(sections, "VEXA registry, written by the host"), &error)) {
        std::fprintf(stderr, "vexa: registry not saved: %s\n", error.c_str());
        return false;
    }
    return true;
}

// The open key of a handle, or null. Valid until the key is closed.
const OpenRegistryKey* OpenKeyOf(HKEY key) {
    if (key == HKEY_CURRENT_USER) {
        static const OpenRegistryKey currentUser{kCurrentUser, config::Folded(kCurrentUser)};
        return &currentUser;
    }
    const auto found = State().openKeys.find(IdOf(key));
    return found == State().openKeys.end() ? nullptr : &found->second;
}

// Joins a sub-key path on, one backslash between parts, empty parts dropped.
std::string JoinPath(std::string base, const char* subKey) {
    if (!subKey) {
        return base;
    }
    std::string_view rest = subKey;
    while (!rest.empty()) {
        const auto slash = rest.find('\\');
        const std::string_view part = rest.substr(0, slash);
        if (!part.empty()) {
            base += '\\';
            base += part;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(slash + 1);
    }
    return base;
}

const RegValue* FindValue(const std::string& foldedKeyPath, const char* valueName) {
    const RegistryData& data = Registry();
    const auto key = data.keys.find(foldedKeyPath);
    if (key == data.keys.end()) {
        return nullptr;
    }
    const auto value = key->second.values.find(config::Folded(valueName ? valueName : ""));
    return value == key->second.values.end() ? nullptr : &value->second;
}

} // namespace

extern "C" {

WIN32_STANDIN_API LONG RegCreateKeyA(HKEY key, LPCSTR subKey, PHKEY result) {
    return Guarded<LONG>(kErrorInvalidParameter, [&]() -> LONG {
        if (!result) {
            return kErrorInvalidParameter;
        }
        *result = nullptr;
        const OpenRegistryKey* base = OpenKeyOf(key);
        if (!base) {
            return kErrorInvalidHandle;
        }
        std::string path = JoinPath(base->path, subKey);
        RegistryData& data = Registry();
        std::string folded = config::Folded(path);
        if (path != kCurrentUser && !data.keys.contains(folded)) {
            data.keys[folded].path = path;
            Save(data); // a key that cannot be saved still exists for this session
        }
        const std::uint64_t id = State().NewId();
        State().openKeys.emplace(id, OpenRegistryKey{std::move(path), std::move(folded)});
        *result = HandleFromId<HKEY>(id);
        return ERROR_SUCCESS;
    });
}

WIN32_STANDIN_API LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type,
                                        LPBYTE data, LPDWORD dataSize) {
    return Guarded<LONG>(kErrorInvalidParameter, [&]() -> LONG {
        const OpenRegistryKey* open = OpenKeyOf(key);
        if (!open) {
            return kErrorInvalidHandle;
        }
        if (data && !dataSize) {
            return kErrorInvalidParameter;
        }
        const RegValue* value = FindValue(open->folded, valueName);
        if (!value) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (type) {
            *type = value->type;
        }
        const auto size = static_cast<DWORD>(value->data.size());
        if (data) {
            if (*dataSize < size) {
                *dataSize = size;
                return ERROR_MORE_DATA;
            }
            std::memcpy(data, value->data.data(), size);
        }
        if (dataSize) {
            *dataSize = size;
        }
        return ERROR_SUCCESS;
    });
}

WIN32_STANDIN_API LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type,
                                      const BYTE* data, DWORD dataSize) {
    return Guarded<LONG>(kErrorInvalidParameter, [&]() -> LONG {
        const OpenRegistryKey* open = OpenKeyOf(key);
        if (!open) {
            return kErrorInvalidHandle;
        }
        if (!data && dataSize > 0) {
            return kErrorInvalidParameter;
        }
        RegistryData& registry = Registry();
        RegKey& stored = registry.keys[open->folded];
        if (stored.path.empty()) {
            stored.path = open->path;
        }
        const std::string name = valueName ? valueName : "";
        RegValue& value = stored.values[config::Folded(name)];
        if (value.name.empty()) {
            value.name = name;
        }
        value.type = type;
        value.data.assign(data, data + dataSize);
        return Save(registry) ? ERROR_SUCCESS : kErrorInvalidParameter;
    });
}

WIN32_STANDIN_API LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER) {
        return ERROR_SUCCESS;
    }
    return State().openKeys.erase(IdOf(key)) > 0 ? ERROR_SUCCESS : kErrorInvalidHandle;
}

} // extern "C"
