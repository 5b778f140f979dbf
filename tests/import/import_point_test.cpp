// The point-symbol settings in the registry, as the POINT import reads and writes them (the
// POINT's groups are in cases/points.txt).
#include "test_support.h"

#include "import/registry_settings.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The three point settings as stored: "type:bytes" each (a zero byte as "\0", a number as its
// value), "-" for a missing one, joined by " / ".
std::string Stored() {
    std::string out;
    for (const char* name : {"Symbol", "FontName", "FontSize"}) {
        HKEY key = nullptr;
        DWORD type = REG_NONE;
        DWORD size = 0;
        RegCreateKeyA(HKEY_CURRENT_USER, kPointKey, &key);
        std::string value = "-";
        if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
            std::string data(size, '\0');
            RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                             &size);
            DWORD number = 0;
            std::memcpy(&number, data.data(), std::min<std::size_t>(size, sizeof number));
            value = type == REG_DWORD ? "dword:" + std::to_string(number) : "sz:";
            for (const char c : type == REG_DWORD ? std::string() : data)
                value += c == '\0' ? std::string("\\0") : std::string(1, c);
        }
        RegCloseKey(key);
        out += (out.empty() ? "" : " / ") + value;
    }
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
        SettingsCase{"NegativeSizeGoesOverUnchanged", [] { StoreNumber("FontSize", 0xFFFFFFFEu); },
                     "X Arial -2", "sz:X\\0 / sz:Arial\\0 / dword:4294967294"}),
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
    EXPECT_EQ(Stored(), "sz:#\\0 / - / dword:4294967284");
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
