// Small values kept in the Windows registry under one root key and path, each operation opening
// (and creating, when missing) the key root path + "\" + subkey and closing it again.
#pragma once

#include "host/win32.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>

class RegistrySettings {
  public:
    RegistrySettings(HKEY rootKey, std::string rootPath)
        : rootKey_(rootKey), rootPath_(std::move(rootPath)) {}

    // Reads a REG_SZ value into `text` (up to its terminating zero). 1 when the key opened, the
    // value is a REG_SZ and it was read; otherwise 0 and `text` is unchanged.
    std::int32_t ReadText(std::string_view subkey, const char* valueName, std::string& text) const;
    // Reads a REG_DWORD value into `number`. 1 when the value's type could be asked for: a value
    // of another type counts as read although `number` stays unchanged. 0 when it is missing.
    std::int32_t ReadNumber(std::string_view subkey, const char* valueName,
                            std::int32_t& number) const;
    // Stores `text` as REG_SZ, terminating zero included; 1 when the write succeeded.
    std::int32_t WriteText(std::string_view subkey, const char* valueName,
                           const std::string& text) const;
    // Stores `number` as REG_DWORD of 4 bytes; 1 when the write succeeded.
    std::int32_t WriteNumber(std::string_view subkey, const char* valueName,
                             std::int32_t number) const;

  private:
    std::string KeyPath(std::string_view subkey) const;

    HKEY rootKey_;
    std::string rootPath_;
};

// Where the point-symbol settings of the import live.
inline constexpr const char* kVexaRegistryPath = "Software\\Orv\\Vexa 8.0";
inline constexpr const char* kPointSettingsSubkey = "Settings\\Point";
