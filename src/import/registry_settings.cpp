#include "import/registry_settings.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

namespace {

// A registry key opened (or created) for one operation and closed when it goes out of scope.
class OpenKey {
  public:
    OpenKey(HKEY root, const std::string& path) {
        if (RegCreateKeyA(root, path.c_str(), &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~OpenKey() {
        if (key_)
            RegCloseKey(key_);
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    explicit operator bool() const { return key_ != nullptr; }
    HKEY Get() const { return key_; }

  private:
    HKEY key_ = nullptr;
};

struct ValueInfo {
    bool found = false;
    DWORD type = REG_NONE;
    DWORD size = 0;
};

ValueInfo QueryValueInfo(HKEY key, const char* valueName) {
    ValueInfo info;
    info.found =
        RegQueryValueExA(key, valueName, nullptr, &info.type, nullptr, &info.size) == ERROR_SUCCESS;
    return info;
}

} // namespace

std::string RegistrySettings::KeyPath(std::string_view subkey) const {
    std::string path = rootPath_;
    path += '\\';
    path += subkey;
    return path;
}

std::int32_t RegistrySettings::ReadText(std::string_view subkey, const char* valueName,
                                        std::string& text) const {
    const OpenKey key(rootKey_, KeyPath(subkey));
    if (!key)
        return 0;
    const ValueInfo info = QueryValueInfo(key.Get(), valueName);
    if (!info.found || info.type != REG_SZ)
        return 0;
    try {
        std::vector<char> room(static_cast<std::size_t>(info.size) + 1, '\0');
        DWORD type = REG_NONE;
        DWORD size = info.size;
        if (RegQueryValueExA(key.Get(), valueName, nullptr, &type,
                             reinterpret_cast<LPBYTE>(room.data()), &size) != ERROR_SUCCESS ||
            type != REG_SZ)
            return 0;
        // The text ends at its terminating zero, or at the size read when the zero is missing.
        const char* first = room.data();
        const char* last = first + std::min<std::size_t>(size, info.size);
        text.assign(first, std::find(first, last, '\0'));
        return 1;
    } catch (const std::bad_alloc&) {
        return 0; // a value too large to hold counts as unreadable
    } catch (const std::length_error&) {
        return 0;
    }
}

std::int32_t RegistrySettings::ReadNumber(std::string_view subkey, const char* valueName,
                                          std::int32_t& number) const {
    const OpenKey key(rootKey_, KeyPath(subkey));
    if (!key)
        return 0;
    const ValueInfo info = QueryValueInfo(key.Get(), valueName);
    if (!info.found)
        return 0;
    if (info.type != REG_DWORD)
        return 1; // another type: nothing is read, and the value is left as the user stored it
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key.Get(), valueName, nullptr, &type, reinterpret_cast<LPBYTE>(&value),
                         &size) != ERROR_SUCCESS)
        return 0;
    std::memcpy(&number, &value, sizeof number);
    return 1;
}

std::int32_t RegistrySettings::WriteText(std::string_view subkey, const char* valueName,
                                         const std::string& text) const {
    const OpenKey key(rootKey_, KeyPath(subkey));
    if (!key)
        return 0;
    const auto size = static_cast<DWORD>(text.size() + 1);
    return RegSetValueExA(key.Get(), valueName, 0, REG_SZ,
                          reinterpret_cast<const BYTE*>(text.c_str()), size) == ERROR_SUCCESS
               ? 1
               : 0;
}

std::int32_t RegistrySettings::WriteNumber(std::string_view subkey, const char* valueName,
                                           std::int32_t number) const {
    const OpenKey key(rootKey_, KeyPath(subkey));
    if (!key)
        return 0;
    DWORD value = 0;
    std::memcpy(&value, &number, sizeof value);
    return RegSetValueExA(key.Get(), valueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value) == ERROR_SUCCESS
               ? 1
               : 0;
}
