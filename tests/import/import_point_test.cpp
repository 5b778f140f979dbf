// The point-symbol settings in the registry, as the POINT import reads and writes them (the
// POINT's groups are in cases/points.txt).
#include "test_support.h"

#include "import/registry_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace testing_support;
using namespace std::string_literals;

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

// A stored value as "type:bytes", numbers as their decimal value; "" when there is none.
std::string Stored(const char* name) {
    HKEY key = nullptr;
    DWORD type = REG_NONE;
    DWORD size = 0;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kPointKey, &key) != ERROR_SUCCESS)
        return "";
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return "";
    }
    std::vector<BYTE> data(size);
    RegQueryValueExA(key, name, nullptr, &type, data.data(), &size);
    RegCloseKey(key);
    if (type == REG_DWORD && size == sizeof(DWORD)) {
        DWORD number = 0;
        std::memcpy(&number, data.data(), sizeof number);
        return "dword:" + std::to_string(number);
    }
    return std::to_string(type) + ":" + std::string(data.begin(), data.end());
}

const std::string kSz = std::to_string(REG_SZ) + ":";

// What a filled registry gives the symbols, and what the settings hold afterwards. The settings
// are read before the groups: a POINT that is dropped still writes the defaults.
struct SettingsCase {
    const char* name;
    void (*fill)();
    std::string symbol, font;
    std::int32_t size;
    std::string symbolAfter, fontAfter, sizeAfter;
};

class PointSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(PointSettingsTest, TextFollowsTheSettings) {
    const SettingsCase& c = GetParam();
    TempHome home;
    c.fill();
    const std::string point = "0\nPOINT\n10\n12.7\n20\n-3.2\n";
    const auto objects =
        AllObjects(ImportedMap(home, EntitiesFile("0\nPOINT\n10\nabc\n20\n1\n" + point + point)));
    ASSERT_EQ(objects.size(), 2u);
    for (const standin::Object& text : objects) {
        EXPECT_EQ(text.text, c.symbol);
        EXPECT_EQ(text.font, c.font);
        EXPECT_EQ(text.size, c.size);
    }
    EXPECT_EQ(Stored("Symbol"), c.symbolAfter);
    EXPECT_EQ(Stored("FontName"), c.fontAfter);
    EXPECT_EQ(Stored("FontSize"), c.sizeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, PointSettingsTest,
    ::testing::Values(
        SettingsCase{"Empty", [] {}, "X", "Arial", 10, kSz + "X\0"s, kSz + "Arial\0"s, "dword:10"},
        SettingsCase{"AllSet",
                     [] {
                         StoreText("Symbol", "+");
                         StoreText("FontName", "Symbol");
                         StoreNumber("FontSize", 24);
                     },
                     "+", "Symbol", 24, kSz + "+\0"s, kSz + "Symbol\0"s, "dword:24"},
        SettingsCase{"FontSizeAsText", [] { StoreText("FontSize", "24"); }, "X", "Arial", 10,
                     kSz + "X\0"s, kSz + "Arial\0"s, kSz + "24\0"s},
        SettingsCase{"SymbolAsNumber", [] { StoreNumber("Symbol", 7); }, "X", "Arial", 10,
                     kSz + "X\0"s, kSz + "Arial\0"s, "dword:10"},
        SettingsCase{"FontNameAsBinary", [] { Store("FontName", REG_BINARY, "Abc", 3); }, "X",
                     "Arial", 10, kSz + "X\0"s, kSz + "Arial\0"s, "dword:10"},
        SettingsCase{"EmptySymbol", [] { StoreText("Symbol", ""); }, "", "Arial", 10, kSz + "\0"s,
                     kSz + "Arial\0"s, "dword:10"},
        SettingsCase{"NegativeSizeGoesOverUnchanged", [] { StoreNumber("FontSize", 0xFFFFFFFEu); },
                     "X", "Arial", -2, kSz + "X\0"s, kSz + "Arial\0"s, "dword:4294967294"}),
    [](const auto& info) { return std::string(info.param.name); });

// RegistrySettings on its own, for what the POINT import cannot show.
TEST(RegistrySettings, ReadsAndWritesUnderItsRootPath) {
    TempHome home;
    const RegistrySettings settings(HKEY_CURRENT_USER, "Software\\Orv\\Vexa 8.0");
    std::string text = "unchanged";
    std::int32_t number = 77;
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 0);
    EXPECT_EQ(settings.ReadNumber("Settings\\Point", "FontSize", number), 0);
    EXPECT_EQ(text + std::to_string(number), "unchanged77");

    EXPECT_EQ(settings.WriteText("Settings\\Point", "Symbol", "#"), 1);
    EXPECT_EQ(settings.WriteNumber("Settings\\Point", "FontSize", -12), 1);
    EXPECT_EQ(Stored("Symbol"), kSz + "#\0"s);
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 1);
    EXPECT_EQ(settings.ReadNumber("Settings\\Point", "FontSize", number), 1);
    EXPECT_EQ(text + std::to_string(number), "#-12");

    // A number stored as text counts as read, and the target keeps its value.
    EXPECT_EQ(settings.ReadNumber("Settings\\Point", "Symbol", number), 1);
    EXPECT_EQ(settings.ReadText("Settings\\Point", "FontSize", text), 0);
    EXPECT_EQ(text + std::to_string(number), "#-12");

    // Text without its terminating zero is read to its size, and to the first zero.
    Store("Symbol", REG_SZ, "ab", 2);
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 1);
    EXPECT_EQ(text, "ab");
    Store("Symbol", REG_SZ, "a\0b", 4);
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 1);
    EXPECT_EQ(text, "a");
}

} // namespace
