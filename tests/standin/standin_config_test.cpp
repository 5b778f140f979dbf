// The stand-in's persisted configuration: the settings store, the registry and the
// layer-mapping file.
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using testing_support::ReadText;
using testing_support::TempHome;
using testing_support::WriteFile;

constexpr char kSection[] = "Converters\\Imports\\Dxf";

TEST(StandinSettings, ValuesSurviveAReloadWithTheirTypes) {
    TempHome home;
    const std::string awkward = " lead=%\nline two\\ trail ";
    ASSERT_EQ(m_RegValueSet(kSection, "Multiplier", 0.1), 1);
    ASSERT_EQ(m_RegValueSet(kSection, "XOffset", std::int32_t{-2147483647 - 1}), 1);
    ASSERT_EQ(m_RegValueSet(kSection, "IniFile", awkward.c_str()), 1);
    ASSERT_EQ(m_RegValueSet(kSection, "Odd = name", std::int32_t{1}), 1);
    standin::ReloadConfiguration();

    double multiplier = 0;
    std::int32_t offset = 0;
    char text[64] = "";
    EXPECT_EQ(m_RegValueGet(kSection, "multiplier", &multiplier), 1) << "names ignore case";
    EXPECT_EQ(multiplier, 0.1);
    EXPECT_EQ(m_RegValueGet("converters\\imports\\DXF", "XOffset", &offset), 1);
    EXPECT_EQ(offset, -2147483647 - 1);
    EXPECT_EQ(m_RegValueGet(kSection, "IniFile", text, sizeof text), 1);
    EXPECT_EQ(std::string(text), awkward);
    EXPECT_EQ(m_RegValueGet(kSection, "Odd = name", &offset), 1);
    EXPECT_EQ(offset, 1);
    const auto listing = standin::SettingsSection(kSection);
    ASSERT_EQ(listing.size(), 4u);
    EXPECT_EQ(listing[1], (std::pair<std::string, std::string>{"Multiplier", "double:0.1"}));
}

TEST(StandinSettings, AbsentOrMismatchedValuesLeaveTheTargetAlone) {
    TempHome home;
    m_RegValueSet(kSection, "Count", std::int32_t{3});
    m_RegValueSet(kSection, "Name", "dxf.ini");
    double real = 7.5;
    std::int32_t integer = 7;
    char text[8] = "keep";
    EXPECT_EQ(m_RegValueGet(kSection, "Missing", &real), 0);
    EXPECT_EQ(m_RegValueGet("Nowhere", "Count", &integer), 0);
    EXPECT_EQ(m_RegValueGet(kSection, "Name", &integer), 0);
    EXPECT_EQ(m_RegValueGet(kSection, "Count", text, sizeof text), 0);
    EXPECT_EQ(real, 7.5);
    EXPECT_EQ(integer, 7);
    EXPECT_STREQ(text, "keep");
    // An integer reads as a double too; a text is cut to size - 1 bytes.
    EXPECT_EQ(m_RegValueGet(kSection, "Count", &real), 1);
    EXPECT_EQ(real, 3.0);
    char small[4] = "";
    EXPECT_EQ(m_RegValueGet(kSection, "Name", small, sizeof small), 1);
    EXPECT_STREQ(small, "dxf");
    EXPECT_EQ(m_RegValueGet(kSection, "Name", small, 0), 0);
    EXPECT_EQ(m_RegValueGet(nullptr, "Name", small, 4), 0);
}

TEST(StandinSettings, TheFileIsReadOnceUntilReload) {
    TempHome home;
    WriteFile(home.Path(), "settings.ini", "[Converters\\Imports\\Dxf]\nUseBlock=int:0\n");
    std::int32_t useBlock = 1;
    ASSERT_EQ(m_RegValueGet(kSection, "UseBlock", &useBlock), 1);
    EXPECT_EQ(useBlock, 0);
    WriteFile(home.Path(), "settings.ini", "[Converters\\Imports\\Dxf]\nUseBlock=int:5\n");
    m_RegValueGet(kSection, "UseBlock", &useBlock);
    EXPECT_EQ(useBlock, 0) << "served from memory";
    standin::ReloadConfiguration();
    m_RegValueGet(kSection, "UseBlock", &useBlock);
    EXPECT_EQ(useBlock, 5);
}

TEST(StandinSettings, ACorruptFileGivesDefaultsAndIsSetAsideOnTheNextWrite) {
    const std::string corrupt[] = {
        "UseBlock=int:1\n",                       // value before any section
        "[S]\nUseBlock=int:one\n",                // not a number
        "[S]\nUseBlock=float:1\n",                // unknown type
        "[S]\njust words\n",                      // no '='
        "[S]\nName=text:%zz\n",                   // bad escape
        "[S\nName=text:x\n",                      // unclosed section
        std::string("[S]\nName=int:1\0\xff", 16), // a zero byte in a number
    };
    for (const std::string& content : corrupt) {
        SCOPED_TRACE(content);
        TempHome home;
        WriteFile(home.Path(), "settings.ini", content);
        std::int32_t value = 42;
        testing::internal::CaptureStderr();
        EXPECT_EQ(m_RegValueGet("S", "UseBlock", &value), 0);
        EXPECT_EQ(m_RegValueGet("S", "Name", &value), 0);
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
        EXPECT_NE(warning.find("settings.ini"), std::string::npos);
        EXPECT_EQ(value, 42);

        ASSERT_EQ(m_RegValueSet("S", "UseBlock", std::int32_t{0}), 1);
        EXPECT_EQ(ReadText(home.Path() / "settings.ini.corrupt"), content);
        standin::ReloadConfiguration();
        EXPECT_EQ(m_RegValueGet("S", "UseBlock", &value), 1);
        EXPECT_EQ(value, 0);
    }
}

TEST(StandinRegistry, QueriesGiveTypeAndSizeAndAskForMoreRoom) {
    TempHome home;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "Software\\Orv\\Vexa 8.0\\Settings\\Point", &key),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, "Symbol", 0, REG_SZ, reinterpret_cast<const BYTE*>("Cross"), 6),
              ERROR_SUCCESS);
    const DWORD size24 = 24;
    ASSERT_EQ(
        RegSetValueExA(key, "FontSize", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&size24), 4),
        ERROR_SUCCESS);
    const BYTE blob[] = {0, 1, 0xFE};
    ASSERT_EQ(RegSetValueExA(key, "Blob", 0, REG_BINARY, blob, 3), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(key), ERROR_SUCCESS);
    EXPECT_NE(RegCloseKey(key), ERROR_SUCCESS) << "closed twice";
    standin::ReloadConfiguration();

    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, "software\\ORV\\Vexa 8.0\\Settings\\Point", &key),
              ERROR_SUCCESS);
    DWORD type = 99;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExA(key, "symbol", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6u);
    char small[3] = "##";
    size = sizeof small;
    EXPECT_EQ(
        RegQueryValueExA(key, "Symbol", nullptr, nullptr, reinterpret_cast<BYTE*>(small), &size),
        ERROR_MORE_DATA);
    EXPECT_EQ(size, 6u);
    EXPECT_STREQ(small, "##");
    char text[16] = "";
    size = sizeof text;
    EXPECT_EQ(RegQueryValueExA(key, "Symbol", nullptr, &type, reinterpret_cast<BYTE*>(text), &size),
              ERROR_SUCCESS);
    EXPECT_STREQ(text, "Cross");
    DWORD number = 0;
    size = sizeof number;
    EXPECT_EQ(
        RegQueryValueExA(key, "FontSize", nullptr, &type, reinterpret_cast<BYTE*>(&number), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(type, REG_DWORD);
    EXPECT_EQ(number, 24u);
    BYTE back[3] = {};
    size = sizeof back;
    EXPECT_EQ(RegQueryValueExA(key, "Blob", nullptr, &type, back, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_BINARY);
    EXPECT_EQ(std::memcmp(back, blob, 3), 0);
    EXPECT_EQ(RegQueryValueExA(key, "Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    RegCloseKey(key);
    EXPECT_NE(RegQueryValueExA(key, "Symbol", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
}

// The layer-mapping file ------------------------------------------------------------------

struct IniRecords {
    HGLOBAL block = nullptr;
    std::uint32_t count = 0;
    const ZOVIniEntry* entries = nullptr;
    explicit IniRecords(const std::string& path) {
        block = ReadZOVIni(path.c_str(), &count);
        entries = block ? static_cast<const ZOVIniEntry*>(GlobalLock(block)) : nullptr;
    }
    ~IniRecords() {
        if (block) {
            GlobalUnlock(block);
            GlobalFree(block);
        }
    }
};

template <typename T>
T Field(const ZOVIniEntry& entry, std::size_t offset) {
    T value{};
    std::memcpy(&value, entry.bytes + offset, sizeof value);
    return value;
}

TEST(StandinLayerMapping, RecordsCarryTheirFieldsAtTheirOffsets) {
    TempHome home;
    const auto path = WriteFile(home.Path(), "map.ini",
                                "# comment\n"
                                "\n"
                                "  ; another comment\n"
                                "WALL*   12  \"Outer \"\"walls\"\"\"  7  0x20  -3  2  9  1\n"
                                "T?      3   Text\n"
                                "bad-number  x  Name\n"
                                "ThisPatternIsLongerThan24  4  Long\n"
                                "\"open  5  Name\n"
                                "Last\t4\tFour\t-1\t-1\t-1\t-1\t-1\t0\n");
    testing::internal::CaptureStderr();
    IniRecords ini(path.string());
    const std::string warnings = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(warnings.begin(), warnings.end(), '\n'), 3) << warnings;
    ASSERT_NE(ini.entries, nullptr);
    ASSERT_EQ(ini.count, 3u);
    EXPECT_EQ(GlobalSize(ini.block), 3 * sizeof(ZOVIniEntry));

    const ZOVIniEntry& wall = ini.entries[0];
    EXPECT_EQ(Field<std::int32_t>(wall, zov::kLayerNumber), 12);
    EXPECT_STREQ(reinterpret_cast<const char*>(wall.bytes + zov::kLayerName), "Outer \"walls\"");
    EXPECT_STREQ(reinterpret_cast<const char*>(wall.bytes + standin::kZovPatternOffset), "WALL*");
    EXPECT_EQ(Field<std::uint32_t>(wall, zov::kAttr7), 7u);
    EXPECT_EQ(Field<std::uint32_t>(wall, zov::kAttr8), 0x20u);
    EXPECT_EQ(Field<std::int32_t>(wall, zov::kAttr9), -3);
    EXPECT_EQ(Field<std::uint32_t>(wall, zov::kAttr10), 2u);
    EXPECT_EQ(Field<std::uint16_t>(wall, zov::kAttr12), 9u);
    EXPECT_EQ(wall.bytes[zov::kOrderFlag], 1);

    // Defaults: 0, -1, 0, 1, 0 and no order flag.
    const ZOVIniEntry& text = ini.entries[1];
    EXPECT_EQ(Field<std::uint32_t>(text, zov::kAttr7), 0u);
    EXPECT_EQ(Field<std::uint32_t>(text, zov::kAttr8), 0xFFFFFFFFu);
    EXPECT_EQ(Field<std::uint32_t>(text, zov::kAttr10), 1u);
    EXPECT_EQ(text.bytes[zov::kOrderFlag], 0);
    // -1 stands for all bits, also in the 16-bit attribute.
    EXPECT_EQ(Field<std::uint16_t>(ini.entries[2], zov::kAttr12), 0xFFFFu);
    EXPECT_EQ(Field<std::int32_t>(ini.entries[2], zov::kAttr9), -1);
}

TEST(StandinLayerMapping, MissingFilesGiveNoneAndRelativeNamesAlsoLookInTheHome) {
    TempHome home;
    std::uint32_t count = 77;
    EXPECT_EQ(ReadZOVIni((home.Path() / "absent.ini").c_str(), &count), nullptr);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(ReadZOVIni(home.Path().c_str(), &count), nullptr) << "a folder";
    EXPECT_EQ(ReadZOVIni(nullptr, &count), nullptr);
    WriteFile(home.Path(), "only-comments.ini", "# nothing\n");
    EXPECT_EQ(ReadZOVIni((home.Path() / "only-comments.ini").c_str(), &count), nullptr);

    WriteFile(home.Path(), "dxf-in-home.ini", "A 1 One\n");
    IniRecords ini("dxf-in-home.ini");
    EXPECT_EQ(ini.count, 1u);
}

TEST(StandinLayerMapping, MatchingIgnoresCaseHonoursWildcardsAndTakesTheFirst) {
    TempHome home;
    const auto path = WriteFile(home.Path(), "m.ini",
                                "WALL     1  exact\n"
                                "WALL*    2  prefix\n"
                                "*-?     3  suffix\n"
                                "A*B*C    4  spread\n"
                                "*        5  rest\n");
    IniRecords ini(path.string());
    ASSERT_EQ(ini.count, 5u);
    const std::pair<const char*, std::int32_t> cases[] = {
        {"wall", 1},    {"Wall", 1}, {"WALLS", 2}, {"wall-2", 2}, {"door-1", 3}, {"door-12", 5},
        {"AxxBxxC", 4}, {"ABC", 4},  {"ACB", 5},   {"", 5},       {"aXbXcX", 5}, {"a*b*c", 4},
    };
    for (const auto& [name, number] : cases) {
        SCOPED_TRACE(name);
        const ZOVIniEntry* entry = FindZOVEntryShort2(name, ini.entries, ini.count, 1);
        ASSERT_NE(entry, nullptr);
        EXPECT_EQ(Field<std::int32_t>(*entry, zov::kLayerNumber), number);
    }
    EXPECT_EQ(FindZOVEntryShort2("x", ini.entries, 4, 1), nullptr) << "only the first four";
    EXPECT_EQ(FindZOVEntryShort2("wall", nullptr, 0, 1), nullptr);
    EXPECT_EQ(FindZOVEntryShort2("wall", ini.entries, 0, 1), nullptr);
    EXPECT_EQ(FindZOVEntryShort2(nullptr, ini.entries, ini.count, 1), nullptr);
}

TEST(StandinLayerMapping, TheBundledSampleReads) {
    TempHome home;
    testing::internal::CaptureStderr();
    IniRecords ini(std::string(DXFCNV_SOURCE_DIR) + "/samples/dxf.ini");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(ini.count, 7u);
    const ZOVIniEntry* door = FindZOVEntryShort2("door1", ini.entries, ini.count, 1);
    ASSERT_NE(door, nullptr);
    EXPECT_STREQ(reinterpret_cast<const char*>(door->bytes + zov::kLayerName), "Doors and windows");
}

} // namespace
