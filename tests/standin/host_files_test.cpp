// The stand-in's own files as the module meets them: the settings file of the options and the
// layer-mapping file of the import.
#include "test_support.h"

#include "module/exports.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::ReadText;
using testing_support::TempHome;

TEST(HostFiles, ACorruptSettingsFileGivesDefaultsAndIsSetAsideNotLost) {
    const std::string corrupt[] = {
        "[Converters\\Imports\\Dxf]\nMultiplier=double:one\n", // not a number
        "Multiplier=double:2\n",                               // a value before any section
        "[Converters\\Imports\\Dxf]\nMultiplier=float:2\n",    // an unknown type
        "[Converters\\Imports\\Dxf]\nIniFile=text:%zz\n",      // a bad escape
        std::string("[Converters\\Imports\\Dxf]\nXOffset=int:1\0\xff", 40),
    };
    for (const std::string& content : corrupt) {
        SCOPED_TRACE(content);
        TempHome home;
        testing_support::WriteFile(home.Path(), "settings.ini", content);
        testing::internal::CaptureStderr();
        EXPECT_EQ(DXFImportOptions(nullptr, nullptr, 0), 1); // no dialog: stores what it read
        const std::string warning = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(testing_support::IsOneLine(warning)) << warning;
        EXPECT_NE(warning.find("settings.ini"), std::string::npos) << warning;
        EXPECT_EQ(ReadText(home.Path() / "settings.ini.corrupt"), content);
        const auto stored = standin::SettingsSection("Converters\\Imports\\Dxf");
        EXPECT_NE(std::find(stored.begin(), stored.end(),
                            std::pair<std::string, std::string>{"Multiplier", "double:1"}),
                  stored.end());
    }
}

TEST(HostFiles, TheBundledLayerMappingSortsAnImportIntoItsLayers) {
    TempHome home;
    const std::string sample = std::string(DXFCNV_SOURCE_DIR) + "/samples/dxf.ini";
    testing_support::SetSetting("IniFile", sample.c_str());
    // DXF layer, and the map layer the first matching record gives (none: its own name).
    const std::pair<std::string, std::string> cases[] = {
        {"0", "0"},
        {"wall-2", "Walls"},
        {"Door1", "Doors and windows"},
        {"DOOR12", "DOOR12"},
        {"window", "Doors and windows"},
        {"text", "Annotation"},
        {"DIMS", "Dimensions"},
        {"defpoints", "Construction"},
        {"Other", "Other"},
    };
    std::string body;
    for (std::size_t i = 0; i < std::size(cases); ++i)
        body += "0\nLINE\n8\n" + cases[i].first + "\n10\n" + std::to_string(i) +
                "\n20\n0\n11\n9\n21\n9\n";
    testing::internal::CaptureStderr();
    const standin::MapSnapshot map =
        testing_support::ImportedMap(home, testing_support::EntitiesFile(body));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    const auto objects = testing_support::AllObjects(map);
    ASSERT_EQ(objects.size(), std::size(cases));
    for (const standin::Object& object : objects) {
        const auto& [dxfLayer, mapLayer] = cases[static_cast<std::size_t>(object.points.at(0).x)];
        const auto layer = std::find_if(map.layers.begin(), map.layers.end(),
                                        [&](const auto& l) { return l.id == object.layer; });
        ASSERT_NE(layer, map.layers.end()) << dxfLayer;
        EXPECT_EQ(layer->name, mapLayer) << dxfLayer;
    }
}

} // namespace
