// The point-symbol settings in the registry, as the POINT import reads and writes them through
// RegistrySettings (the POINT's groups are in cases/points.txt).
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

constexpr const char* kPointKey = "Software\\Orv\\Vexa 8.0\\Settings\\Point";

void Store(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, kPointKey, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void StoreText(const char* name, const std::string& text) {
    Store(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
}

void StoreNumber(const char* name, DWORD number) {
    Store(name, REG_DWORD, &number, sizeof number);
}

// The three point settings as stored, joined by " / ": "dword:" and the number, or "sz:" and the
// bytes (a zero byte as "\0"), or "-" for a missing one.
std::string Stored() {
    std::string out;
    HKEY key = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, kPointKey, &key);
    for (const char* name : {"Symbol", "FontName", "FontSize"}) {
        DWORD type = REG_NONE;
        DWORD size = 64;
        std::string data(size, '\0');
        out += out.empty() ? "" : " / ";
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size) != ERROR_SUCCESS) {
            out += "-";
        } else if (DWORD number = 0; type == REG_DWORD) {
            std::memcpy(&number, data.data(), sizeof number);
            out += "dword:" + std::to_string(number);
        } else {
            out += "sz:";
            for (const char c : data.substr(0, size))
                out += c == '\0' ? std::string("\\0") : std::string(1, c);
        }
    }
    RegCloseKey(key);
    return out;
}

// What a filled registry gives the symbols ("text font size"), and what the settings hold
// afterwards. They are read before the groups: a POINT that is dropped still writes the defaults.
struct SettingsCase {
    const char* name;
    void (*fill)();
    std::string made;
    std::string stored;
};

class PointSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(PointSettingsTest, TextFollowsTheSettings) {
    TempHome home;
    GetParam().fill();
    const std::string point = "0\nPOINT\n10\n12.7\n20\n-3.2\n";
    const auto objects =
        AllObjects(ImportedMap(home, EntitiesFile("0\nPOINT\n10\nabc\n20\n1\n" + point + point)));
    ASSERT_EQ(objects.size(), 2u);
    for (const standin::Object& text : objects)
        EXPECT_EQ(text.text + " " + text.font + " " + std::to_string(text.size), GetParam().made);
    EXPECT_EQ(Stored(), GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, PointSettingsTest,
    ::testing::Values(
        SettingsCase{"Empty", [] {}, "X Arial 10", "sz:X\\0 / sz:Arial\\0 / dword:10"},
        SettingsCase{"AllSet",
                     [] {
                         StoreText("Symbol", "+");
                         StoreText("FontName", "Symbol");
                         StoreNumber("FontSize", 24);
                     },
                     "+ Symbol 24", "sz:+\\0 / sz:Symbol\\0 / dword:24"},
        SettingsCase{"FontSizeAsText", [] { StoreText("FontSize", "24"); }, "X Arial 10",
                     "sz:X\\0 / sz:Arial\\0 / sz:24\\0"},
        SettingsCase{"SymbolAsNumber", [] { StoreNumber("Symbol", 7); }, "X Arial 10",
                     "sz:X\\0 / sz:Arial\\0 / dword:10"},
        SettingsCase{"FontNameAsBinary", [] { Store("FontName", REG_BINARY, "Abc", 3); },
                     "X Arial 10", "sz:X\\0 / sz:Arial\\0 / dword:10"},
        SettingsCase{"EmptySymbol", [] { StoreText("Symbol", ""); }, " Arial 10",
                     "sz:\\0 / sz:Arial\\0 / dword:10"},
        SettingsCase{"SymbolWithoutItsZeroIsReadToItsSize",
                     [] { Store("Symbol", REG_SZ, "ab", 2); }, "ab Arial 10",
                     "sz:ab / sz:Arial\\0 / dword:10"},
        SettingsCase{"SymbolIsReadToItsFirstZero", [] { Store("Symbol", REG_SZ, "a\0b", 4); },
                     "a Arial 10", "sz:a\\0b\\0 / sz:Arial\\0 / dword:10"},
        SettingsCase{"NegativeSizeGoesOverUnchanged", [] { StoreNumber("FontSize", 0xFFFFFFFEu); },
                     "X Arial -2", "sz:X\\0 / sz:Arial\\0 / dword:4294967294"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
