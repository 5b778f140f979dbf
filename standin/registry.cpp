// The registry of the Win32 subset, under HKEY_CURRENT_USER only, kept in registry.ini in the
// configuration folder (layout in config_file.h). One section per key, named by its full path
// ("HKEY_CURRENT_USER\Software\Orv\Vexa 8.0\Settings\Point"), one line per value:
//   Symbol=sz:X           REG_SZ holding one text and its terminating zero
//   FontSize=dword:10     REG_DWORD of four bytes, as an unsigned decimal
//   Other=hex(3):0a0b     any other type or shape: the type number and the bytes in hex
// The file is read, cached, set aside and saved as config_file.h tells.
#include "standin/config_file.h"
#include "standin/files.h"
#include "standin/host_state.h"

#include <cstring>

using namespace standin;

namespace {

struct RegValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

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
    std::string text = "hex(" + std::to_string(value.type) + "):";
    AppendHex(text, {reinterpret_cast<const char*>(value.data.data()), value.data.size()});
    return text;
}

std::optional<RegValue> ParseValue(std::string_view text) {
    RegValue value;
    if (text.starts_with("sz:")) {
        value.type = REG_SZ;
        value.data.assign(text.begin() + 3, text.end());
        value.data.push_back(0);
        return value;
    }
    if (text.starts_with("dword:")) {
        DWORD number = 0;
        if (!ParseWhole(text.substr(6), number)) {
            return std::nullopt;
        }
        value.type = REG_DWORD;
        value.data.resize(sizeof number);
        std::memcpy(value.data.data(), &number, sizeof number);
        return value;
    }
    const auto close = text.find("):");
    if (!text.starts_with("hex(") || close == std::string_view::npos) {
        return std::nullopt;
    }
    const auto bytes = DecodeHex(text.substr(close + 2));
    if (!ParseWhole(text.substr(4, close - 4), value.type) || !bytes) {
        return std::nullopt;
    }
    value.data.assign(bytes->begin(), bytes->end());
    return value;
}

constexpr config::FileKind kRegistryFile{"registry", "registry.ini",
                                         "VEXA registry, written by the host", "is malformed",
                                         config::Canonical<ParseValue, FormatValue>};

config::Store& Registry() {
    return config::Cached(State().registry, kRegistryFile);
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
    if (subKey) {
        ForEachPart(subKey, '\\', [&](std::string_view part) {
            base += '\\';
            base += part;
        });
    }
    return base;
}

std::optional<RegValue> FindValue(const std::string& foldedKeyPath, const char* valueName) {
    const std::string* text = Registry().Find(foldedKeyPath, valueName ? valueName : "");
    return text ? ParseValue(*text) : std::nullopt;
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
        std::string folded = config::Folded(path);
        if (path != kCurrentUser) {
            Registry().AddSection(path); // a key that cannot be saved still exists for this session
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
        const auto value = FindValue(open->folded, valueName);
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
        RegValue value{type, {}};
        value.data.assign(data, data + dataSize);
        const std::string name = valueName ? valueName : "";
        return Registry().Set(open->path, name, FormatValue(value)) ? ERROR_SUCCESS
                                                                    : kErrorInvalidParameter;
    });
}

WIN32_STANDIN_API LONG RegCloseKey(HKEY key) {
    if (key == HKEY_CURRENT_USER) {
        return ERROR_SUCCESS;
    }
    return State().openKeys.erase(IdOf(key)) > 0 ? ERROR_SUCCESS : kErrorInvalidHandle;
}

} // extern "C"
