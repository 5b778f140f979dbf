// POINT import and the point-symbol settings in the registry.
#include "test_support.h"

#include "import/registry_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace testing_support;

// Test cases print as their names in failure messages.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

constexpr const char* kPointKey = "Software\\Orv\\Vexa 8.0\\Settings\\Point";

struct StoredValue {
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

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

std::optional<StoredValue> Stored(const char* name) {
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_CURRENT_USER, kPointKey, &key) != ERROR_SUCCESS)
        return std::nullopt;
    StoredValue value;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size) != ERROR_SUCCESS) {
        RegCloseKey(key);
        return std::nullopt;
    }
    value.data.resize(size);
    RegQueryValueExA(key, name, nullptr, &value.type, value.data.data(), &size);
    RegCloseKey(key);
    return value;
}

StoredValue TextValue(const std::string& text) {
    StoredValue value{REG_SZ, std::vector<BYTE>(text.begin(), text.end())};
    value.data.push_back(0);
    return value;
}

StoredValue NumberValue(DWORD number) {
    StoredValue value{REG_DWORD, std::vector<BYTE>(sizeof number)};
    std::memcpy(value.data.data(), &number, sizeof number);
    return value;
}

bool operator==(const StoredValue& a, const StoredValue& b) {
    return a.type == b.type && a.data == b.data;
}

void PrintTo(const StoredValue& value, std::ostream* out) {
    *out << "type " << value.type << ", " << value.data.size() << " bytes";
}

const std::string kPoint = "0\nPOINT\n10\n12.7\n20\n-3.2\n";

TEST(PointImport, EmptyRegistryGetsTheDefaultsAndTheMapAnX) {
    TempHome home;
    MapWindow map;
    ASSERT_EQ(ImportDxf(home, map.Handle(), EntitiesFile(kPoint)), 1);
    EXPECT_EQ(Stored("Symbol"), TextValue("X"));
    EXPECT_EQ(Stored("FontName"), TextValue("Arial"));
    EXPECT_EQ(Stored("FontSize"), NumberValue(10));
    const auto objects = AllObjects(map.Snapshot());
    ASSERT_EQ(objects.size(), 1u);
    const standin::Object& text = objects[0];
    EXPECT_EQ(text.kind, standin::ObjectKind::Text);
    EXPECT_EQ(text.text, "X");
    EXPECT_EQ(text.font, "Arial");
    EXPECT_EQ(text.size, 10);
    EXPECT_EQ(text.flags, 5u);
    EXPECT_EQ(text.rotation, 0);
    EXPECT_EQ(text.oblique, 0);
    EXPECT_EQ(text.position.x, 12);
    EXPECT_EQ(text.position.y, -3);
}

// What a filled registry gives the text, and what the settings hold afterwards.
struct SettingsCase {
    const char* name;
    void (*fill)();
    std::string symbol;
    std::string font;
    std::int32_t size;
    StoredValue symbolAfter;
    StoredValue fontAfter;
    StoredValue sizeAfter;
};

class PointSettingsTest : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(PointSettingsTest, TextFollowsTheSettings) {
    TempHome home;
    GetParam().fill();
    const auto objects = AllObjects(ImportedMap(home, EntitiesFile(kPoint + kPoint)));
    ASSERT_EQ(objects.size(), 2u);
    for (const standin::Object& text : objects) {
        EXPECT_EQ(text.text, GetParam().symbol);
        EXPECT_EQ(text.font, GetParam().font);
        EXPECT_EQ(text.size, GetParam().size);
    }
    EXPECT_EQ(Stored("Symbol"), GetParam().symbolAfter);
    EXPECT_EQ(Stored("FontName"), GetParam().fontAfter);
    EXPECT_EQ(Stored("FontSize"), GetParam().sizeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Registry, PointSettingsTest,
    ::testing::Values(
        SettingsCase{"AllSet",
                     [] {
                         StoreText("Symbol", "+");
                         StoreText("FontName", "Symbol");
                         StoreNumber("FontSize", 24);
                     },
                     "+", "Symbol", 24, TextValue("+"), TextValue("Symbol"), NumberValue(24)},
        SettingsCase{"FontSizeAsText", [] { StoreText("FontSize", "24"); }, "X", "Arial", 10,
                     TextValue("X"), TextValue("Arial"), TextValue("24")},
        SettingsCase{"SymbolAsNumber", [] { StoreNumber("Symbol", 7); }, "X", "Arial", 10,
                     TextValue("X"), TextValue("Arial"), NumberValue(10)},
        SettingsCase{"FontNameAsBinary",
                     [] {
                         const BYTE bytes[3] = {'A', 'b', 'c'};
                         Store("FontName", REG_BINARY, bytes, sizeof bytes);
                     },
                     "X", "Arial", 10, TextValue("X"), TextValue("Arial"), NumberValue(10)},
        SettingsCase{"EmptySymbol", [] { StoreText("Symbol", ""); }, "", "Arial", 10, TextValue(""),
                     TextValue("Arial"), NumberValue(10)},
        SettingsCase{"NegativeSizeGoesOverUnchanged", [] { StoreNumber("FontSize", 0xFFFFFFFEu); },
                     "X", "Arial", -2, TextValue("X"), TextValue("Arial"),
                     NumberValue(0xFFFFFFFEu)}),
    [](const auto& info) { return std::string(info.param.name); });

struct PointCase {
    const char* name;
    std::string groups;
    bool created;
    std::int32_t x;
    std::int32_t y;
};

class PointTest : public ::testing::TestWithParam<PointCase> {};

TEST_P(PointTest, CreatesTheSymbolAtThePointOrNothing) {
    TempHome home;
    const auto objects =
        AllObjects(ImportedMap(home, EntitiesFile("0\nPOINT\n" + GetParam().groups)));
    if (!GetParam().created) {
        EXPECT_TRUE(objects.empty());
        EXPECT_EQ(Stored("FontSize"), NumberValue(10)) << "settings are read before the groups";
        return;
    }
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].position.x, GetParam().x);
    EXPECT_EQ(objects[0].position.y, GetParam().y);
}

INSTANTIATE_TEST_SUITE_P(
    Groups, PointTest,
    ::testing::Values(PointCase{"MalformedZIsNotRead", "10\n1\n20\n2\n30\nabc\n", true, 1, 2},
                      PointCase{"LastValueWins", "10\n1\n20\n2\n10\n-5.5\n", true, -5, 2},
                      PointCase{"MissingY", "10\n1\n", false, 0, 0},
                      PointCase{"MalformedX", "10\nabc\n20\n2\n", false, 0, 0},
                      PointCase{"HugeY", "10\n1\n20\n-1e300\n", false, 0, 0},
                      PointCase{"InfiniteX", "10\ninf\n20\n2\n", false, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PointImport, MultiplierAndOffsetsMoveThePointButNotTheSize) {
    TempHome home;
    SetSetting("Multiplier", 1000.0);
    SetSetting("XOffset", 500);
    SetSetting("YOffset", 600);
    const auto objects =
        AllObjects(ImportedMap(home, EntitiesFile("0\nPOINT\n10\n1.5\n20\n2.5\n")));
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].position.x, 2000);
    EXPECT_EQ(objects[0].position.y, 3100);
    EXPECT_EQ(objects[0].size, 10);
}

TEST(PointImport, InsideABlockNoOffsetsAndJoinsTheBlock) {
    TempHome home;
    SetSetting("XOffset", 500);
    MapWindow map;
    standin::EnableJournal(map.Handle(), true);
    const std::string text = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n2\nB\n10\n0\n20\n0\n" + kPoint +
                             "0\nPOINT\n10\n1\n20\n1\n0\nENDBLK\n0\nENDSEC\n0\nEOF\n";
    ASSERT_EQ(ImportDxf(home, map.Handle(), text), 1);
    std::vector<std::string> texts;
    std::size_t groups = 0;
    for (const std::string& line : standin::Journal(map.Handle())) {
        if (line.rfind("map_text_CreateEx(", 0) == 0)
            texts.push_back(line);
        groups += line.rfind("map_group_Create(", 0) == 0 ? 1 : 0;
    }
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_NE(texts[0].find("\"X\", {12, -3}, \"Arial\", 10, 0, -1, 0, 0, 5, 0, 0, 0"),
              std::string::npos)
        << texts[0];
    EXPECT_EQ(groups, 1u);
}

// RegistrySettings on its own, for what the POINT import cannot show.
TEST(RegistrySettings, ReadsAndWritesUnderItsRootPath) {
    TempHome home;
    const RegistrySettings settings(HKEY_CURRENT_USER, "Software\\Orv\\Vexa 8.0");
    std::string text = "unchanged";
    std::int32_t number = 77;
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 0);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(settings.ReadNumber("Settings\\Point", "FontSize", number), 0);
    EXPECT_EQ(number, 77);

    EXPECT_EQ(settings.WriteText("Settings\\Point", "Symbol", "#"), 1);
    EXPECT_EQ(settings.WriteNumber("Settings\\Point", "FontSize", -12), 1);
    EXPECT_EQ(Stored("Symbol"), TextValue("#"));
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 1);
    EXPECT_EQ(text, "#");
    EXPECT_EQ(settings.ReadNumber("Settings\\Point", "FontSize", number), 1);
    EXPECT_EQ(number, -12);

    // A number stored as text counts as read, and the target keeps its value.
    EXPECT_EQ(settings.ReadNumber("Settings\\Point", "Symbol", number), 1);
    EXPECT_EQ(number, -12);
    EXPECT_EQ(settings.ReadText("Settings\\Point", "FontSize", text), 0);
    EXPECT_EQ(text, "#");
}

TEST(RegistrySettings, TextWithoutTerminatingZeroIsReadToItsSize) {
    TempHome home;
    Store("Symbol", REG_SZ, "ab", 2);
    const RegistrySettings settings(HKEY_CURRENT_USER, "Software\\Orv\\Vexa 8.0");
    std::string text;
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 1);
    EXPECT_EQ(text, "ab");
    Store("Symbol", REG_SZ, "a\0b", 4);
    EXPECT_EQ(settings.ReadText("Settings\\Point", "Symbol", text), 1);
    EXPECT_EQ(text, "a");
}

} // namespace
