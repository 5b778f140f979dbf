// The import options dialog as the host runs it: DXFImportOptions, driven by a script that
// types, clicks and answers the message boxes, then the settings it stored.
#include "test_support.h"

#include "import/numbers.h"
#include "module/exports.h"
#include "options/field_numbers.h"
#include "options/resource.h"
#include "standin/dialog_script.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <unistd.h>

namespace {

using standin::DialogScript;
using testing_support::SetSetting;
using testing_support::TempHome;
namespace fs = std::filesystem;

constexpr const char* kSection = "Converters\\Imports\\Dxf";

// The import settings as stored: value name -> "double:2.5", "int:3", "text:dxf.ini".
std::map<std::string, std::string> Stored() {
    std::map<std::string, std::string> values;
    for (auto& [name, value] : standin::SettingsSection(kSection))
        values[name] = value;
    return values;
}

std::int32_t RunDialog(DialogScript& script, HWND helpWindow = nullptr) {
    standin::ScopedDialogDriver driver(script);
    return DXFImportOptions(nullptr, helpWindow, 0);
}

// Runs the dialog with the script and checks that every step could be taken.
void RunCleanly(DialogScript& script) {
    EXPECT_EQ(RunDialog(script), 1);
    EXPECT_EQ(script.Runs(), 1);
    EXPECT_TRUE(script.Problems().empty()) << script.Problems().front();
}

// Makes `folder` the current folder for the life of the object.
class CurrentFolder {
  public:
    explicit CurrentFolder(const fs::path& folder) : previous_(fs::current_path()) {
        fs::current_path(folder);
    }
    ~CurrentFolder() { fs::current_path(previous_); }

  private:
    fs::path previous_;
};

// ---- what the dialog shows when it opens ----

struct ShownCase {
    const char* name;
    std::function<void()> store;
    std::map<int, std::string> texts;
    std::map<int, bool> checks;
};

class DialogShows : public testing::TestWithParam<ShownCase> {};

TEST_P(DialogShows, TheStoredSettingsFormatted) {
    TempHome home;
    GetParam().store();
    DialogScript script;
    script.PressEscape();
    RunCleanly(script);
    for (const auto& [id, text] : GetParam().texts)
        EXPECT_EQ(script.OpenedText(id), text) << "control " << id;
    for (const auto& [id, checked] : GetParam().checks)
        EXPECT_EQ(script.OpenedChecked(id), checked) << "control " << id;
}

INSTANTIATE_TEST_SUITE_P(
    Options, DialogShows,
    testing::Values(
        ShownCase{"NothingStored",
                  [] {},
                  {{IDC_MULTIPLIER, "1.000"},
                   {IDC_X_OFFSET, "0"},
                   {IDC_Y_OFFSET, "0"},
                   {IDC_Z_OFFSET, "0"},
                   {IDC_INI_FILE, "dxf.ini"}},
                  {{IDC_LAYER_ORDER, true}, {IDC_SKIP_Z, true}, {IDC_USE_BLOCKS, true}}},
        ShownCase{"ZeroMultiplierAsOne",
                  [] { SetSetting("Multiplier", 0.0); },
                  {{IDC_MULTIPLIER, "1.000"}},
                  {}},
        ShownCase{"OffsetsButNeverZ",
                  [] {
                      SetSetting("XOffset", -7);
                      SetSetting("YOffset", 250000);
                      SetSetting("ZOffset", 100);
                  },
                  {{IDC_X_OFFSET, "-7"}, {IDC_Y_OFFSET, "250000"}, {IDC_Z_OFFSET, "0"}},
                  {}},
        ShownCase{"LayerOrderOffBlocksStillOn",
                  [] {
                      SetSetting("SetLayerOrderFromIniFile", 0);
                      SetSetting("UseBlock", 0);
                  },
                  {},
                  {{IDC_LAYER_ORDER, false}, {IDC_USE_BLOCKS, true}, {IDC_SKIP_Z, true}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OptionsDialog, AHugeMultiplierIsShownCutToItsDisplayBuffer) {
    TempHome home;
    SetSetting("Multiplier", 1e300);
    DialogScript script;
    script.PressEscape();
    RunCleanly(script);
    const std::string shown = script.OpenedText(IDC_MULTIPLIER);
    EXPECT_EQ(shown.size(), kMultiplierTextLimit);
    EXPECT_EQ(shown.substr(0, 4), "1000");
    EXPECT_EQ(Stored()["Multiplier"], "double:1e+300") << "Cancel stores it back unchanged";
}

// ---- what OK and Cancel store ----

struct StoreCase {
    const char* name;
    std::function<void()> store;
    std::function<void(DialogScript&)> act;
    std::map<std::string, std::string> expected; // the values checked after the dialog
};

class DialogStores : public testing::TestWithParam<StoreCase> {};

TEST_P(DialogStores, WhatTheUserLeft) {
    TempHome home;
    SetSetting("IniFile", ""); // accepted without a file check
    GetParam().store();
    DialogScript script;
    GetParam().act(script);
    RunCleanly(script);
    const auto stored = Stored();
    for (const auto& [name, value] : GetParam().expected) {
        const auto found = stored.find(name);
        ASSERT_NE(found, stored.end()) << name << " was not stored";
        EXPECT_EQ(found->second, value) << name;
    }
}

void TypeAndOk(DialogScript& script, int id, const char* text) {
    script.Type(id, text).Click(IDOK);
}

INSTANTIATE_TEST_SUITE_P(
    Options, DialogStores,
    testing::Values(
        StoreCase{"CancelStoresWhatWasRead",
                  [] {
                      SetSetting("Multiplier", 2.5);
                      SetSetting("XOffset", 3);
                      SetSetting("YOffset", -4);
                      SetSetting("ZOffset", 100);
                      SetSetting("SetLayerOrderFromIniFile", 0);
                      SetSetting("UseBlock", 0);
                  },
                  [](DialogScript& s) {
                      s.Type(IDC_X_OFFSET, "77").Type(IDC_MULTIPLIER, "9").Click(IDC_LAYER_ORDER);
                      s.Click(IDCANCEL);
                  },
                  {{"Multiplier", "double:2.5"},
                   {"XOffset", "int:3"},
                   {"YOffset", "int:-4"},
                   {"ZOffset", "int:100"},
                   {"SetLayerOrderFromIniFile", "int:0"},
                   {"UseBlock", "int:1"},
                   {"IniFile", "text:"}}},
        StoreCase{"ZeroMultiplierStoredAsOneAfterCancel",
                  [] { SetSetting("Multiplier", 0.0); },
                  [](DialogScript& s) { s.Click(IDCANCEL); },
                  {{"Multiplier", "double:1"}}},
        StoreCase{"UseBlockAlwaysOneAfterOk",
                  [] { SetSetting("UseBlock", 0); },
                  [](DialogScript& s) { s.Click(IDOK); },
                  {{"UseBlock", "int:1"}}},
        StoreCase{"ZOffsetZeroAfterOk",
                  [] { SetSetting("ZOffset", 100); },
                  [](DialogScript& s) { s.Click(IDOK); },
                  {{"ZOffset", "int:0"}}},
        StoreCase{"TypedZeroKeepsTheMultiplier",
                  [] { SetSetting("Multiplier", 2.5); },
                  [](DialogScript& s) { TypeAndOk(s, IDC_MULTIPLIER, "0"); },
                  {{"Multiplier", "double:2.5"}}},
        StoreCase{"MultiplierBeyondADoubleKeepsThePrevious",
                  [] { SetSetting("Multiplier", 4.0); },
                  [](DialogScript& s) { TypeAndOk(s, IDC_MULTIPLIER, "1e999"); },
                  {{"Multiplier", "double:4"}}},
        StoreCase{"AccessKeyClearsTheLayerOrder",
                  [] {},
                  [](DialogScript& s) { s.PressAccessKey('L').PressEnter(); },
                  {{"SetLayerOrderFromIniFile", "int:0"}}},
        StoreCase{"EnterInAFieldIsOk",
                  [] {},
                  [](DialogScript& s) { s.Type(IDC_Y_OFFSET, "-30").PressEnter(); },
                  {{"YOffset", "int:-30"}}},
        StoreCase{"EmptyInitialisationFileStoredEmpty",
                  [] { SetSetting("IniFile", "x.ini"); },
                  [](DialogScript& s) { TypeAndOk(s, IDC_INI_FILE, ""); },
                  {{"IniFile", "text:"}}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(OptionsDialog, ZOffsetAndTheHiddenControlsCannotBeReached) {
    TempHome home;
    SetSetting("ZOffset", 100);
    SetSetting("IniFile", "");
    DialogScript script;
    script.Type(IDC_Z_OFFSET, "5").Click(IDC_SKIP_Z).Click(IDC_USE_BLOCKS).Click(IDC_USE_INI_FILE);
    script.Click(IDOK);
    EXPECT_EQ(RunDialog(script), 1);
    EXPECT_EQ(script.Problems().size(), 4u) << "a user can change none of these four";
    EXPECT_EQ(Stored()["ZOffset"], "int:0");
}

TEST(OptionsDialog, ReturnsOneAndStoresWhatItReadWhenNoDialogCanBeShown) {
    TempHome home;
    SetSetting("Multiplier", 0.0);
    EXPECT_EQ(DXFImportOptions(nullptr, nullptr, 0), 1);
    EXPECT_EQ(VexaImportOptions(nullptr, nullptr, 12345), 1);
    EXPECT_EQ(Stored()["Multiplier"], "double:1");
    EXPECT_EQ(Stored()["IniFile"], "text:dxf.ini");
}

// ---- the initialisation file check of OK ----

struct IniFileCase {
    const char* what;
    std::string typed;
    bool warned; // the file was not found: a warning, answered Yes
    std::string stored;
};

TEST(OptionsDialog, OkChecksTheInitialisationFileAndYesAcceptsAMissingOne) {
    TempHome home;
    const std::string file =
        testing_support::WriteFile(home.Path(), "dxf_layers.ini", "[x]\n").string();
    CurrentFolder here(home.Path());
    const IniFileCase cases[] = {
        {"a file that opens", file, false, file},
        // A bare name found in the current folder passes, and the path as typed is stored.
        {"windows path", "C:\\nowhere\\dxf_layers.ini", false, "C:\\nowhere\\dxf_layers.ini"},
        {"posix path", "/nowhere/dxf_layers.ini", false, "/nowhere/dxf_layers.ini"},
        {"drive-relative path", "D:dxf\\dxf_layers.ini", false, "D:dxf\\dxf_layers.ini"},
        // The search for a separator stops at the second character.
        {"separator in first place", "\\dxf_layers.ini", true, "\\dxf_layers.ini"},
        {"missing file", "missing\\none.ini", true, "missing\\none.ini"},
        {"read up to 254 characters", std::string(300, 'a'), true, std::string(254, 'a')},
    };
    for (const IniFileCase& c : cases) {
        SCOPED_TRACE(c.what);
        SetSetting("XOffset", 0);
        DialogScript script;
        script.Type(IDC_X_OFFSET, "8").Type(IDC_INI_FILE, c.typed).Click(IDOK);
        if (c.warned)
            script.Answer(IDYES);
        RunCleanly(script);
        ASSERT_EQ(script.Boxes().size(), c.warned ? 1u : 0u);
        if (c.warned) {
            EXPECT_EQ(script.Boxes()[0].text, "Initialization file not found.\nContinue?");
        }
        EXPECT_EQ(Stored()["IniFile"], "text:" + c.stored);
        EXPECT_EQ(Stored()["XOffset"], "int:8");
    }
}

TEST(OptionsDialog, NoKeepsTheDialogOpenAndCancelThenStoresOnlyTheTypedFile) {
    TempHome home;
    SetSetting("Multiplier", 2.5);
    SetSetting("XOffset", 3);
    DialogScript script;
    script.Type(IDC_X_OFFSET, "55").Type(IDC_MULTIPLIER, "7").Type(IDC_INI_FILE, "gone.ini");
    script.Click(IDOK).Answer(IDNO);
    script.Click(IDCANCEL); // possible only while the dialog is still open
    RunCleanly(script);
    EXPECT_EQ(script.Boxes().size(), 1u);
    EXPECT_EQ(Stored()["IniFile"], "text:gone.ini");
    EXPECT_EQ(Stored()["XOffset"], "int:3");
    EXPECT_EQ(Stored()["Multiplier"], "double:2.5");
}

// ---- Browse... and Help ----

TEST(OptionsDialog, APickedFileIsStoredEvenAfterCancel) {
    TempHome home;
    SetSetting("IniFile", "old.ini");
    SetSetting("XOffset", 3);
    DialogScript script;
    script.Type(IDC_X_OFFSET, "99").Click(IDC_BROWSE).Choose("/maps/picked.ini").Click(IDCANCEL);
    RunCleanly(script);
    EXPECT_EQ(script.BrowseStarts(), std::vector<std::string>{"old.ini"});
    EXPECT_EQ(Stored()["IniFile"], "text:/maps/picked.ini");
    EXPECT_EQ(Stored()["XOffset"], "int:3");
}

TEST(OptionsDialog, BrowseStartsFromTheLastBrowsedFileNotTheTypedOne) {
    TempHome home;
    SetSetting("IniFile", "old.ini");
    DialogScript script;
    script.Click(IDC_BROWSE).Choose("first.ini");
    script.Type(IDC_INI_FILE, "typed.ini").Click(IDC_BROWSE).Choose(std::nullopt);
    script.Click(IDCANCEL);
    RunCleanly(script);
    EXPECT_EQ(script.BrowseStarts(), (std::vector<std::string>{"old.ini", "first.ini"}));
    // The second browse picked nothing, so the control kept the typed text, which became the
    // dialog's file when the browse read the control back.
    EXPECT_EQ(Stored()["IniFile"], "text:typed.ini");
}

TEST(OptionsDialog, HelpAsksTheHostForContext320OnTheHelpWindow) {
    TempHome home;
    const HWND helpWindow = standin::CreateHostWindow(nullptr);
    DialogScript script;
    script.Click(IDC_HELP_BUTTON).Click(IDCANCEL);
    EXPECT_EQ(RunDialog(script, helpWindow), 1);
    ASSERT_EQ(script.HelpRequests().size(), 1u);
    EXPECT_EQ(script.HelpRequests()[0].helpWindow, helpWindow);
    EXPECT_EQ(script.HelpRequests()[0].context, 320);
    standin::DestroyHostWindow(helpWindow);
}

TEST(OptionsDialog, TheNextImportUsesWhatOkStored) {
    TempHome home;
    DialogScript script;
    script.Type(IDC_MULTIPLIER, "2").Type(IDC_X_OFFSET, "100").Type(IDC_Y_OFFSET, "-50");
    script.Type(IDC_INI_FILE, "").Click(IDOK);
    RunCleanly(script);
    testing_support::MapWindow map;
    const std::string dxf = testing_support::EntitiesFile(testing_support::Dxf(
        {{0, "LINE"}, {8, "0"}, {10, "1.5"}, {20, "2"}, {11, "10"}, {21, "-4"}}));
    ASSERT_EQ(testing_support::ImportDxf(home, map.Handle(), dxf), 1);
    const auto objects = testing_support::AllObjects(map.Snapshot());
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(testing_support::XY(objects[0]),
              (std::vector<std::pair<std::int32_t, std::int32_t>>{{103, -46}, {120, -58}}));
}

// ---- the conversions behind the fields ----

TEST(OptionsNumbers, LeadingDecimalReadsLikeTheRuntimeWithoutItsFaults) {
    const std::pair<const char*, double> cases[] = {
        {"  -2", -2.0}, {"+.5x", 0.5}, {"7e+", 7.0},   {"-", 0.0},       {"0x10", 0.0},
        {"inf", 0.0},   {"nan", 0.0},  {"1e999", 0.0}, {"12.7.1", 12.7}, {"--1", 0.0},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(LeadingDecimal(text), expected) << '"' << text << '"';
}

TEST(OptionsNumbers, OffsetsStopAtTheFirstNonDigitAndHoldTheRange) {
    const std::pair<const char*, std::int32_t> cases[] = {
        {"12.7", 12},
        {"x1", 0},
        {"-", 0},
        {"2147483648", 2147483647},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
        {"1e3", 1},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(ParseInt(text), expected) << '"' << text << '"';
}

TEST(OptionsNumbers, FormatMultiplierGivesThreeDecimalsAndNeverOverflows) {
    EXPECT_EQ(FormatMultiplier(123456.7891), "123456.789");
    EXPECT_EQ(FormatMultiplier(-1.7976931348623157e308).size(), kMultiplierTextLimit);
    EXPECT_EQ(FormatMultiplier(std::nan("")), "nan");
    // What is shown reads back as the value shown.
    for (const double value : {2.5, -0.125, 1000.0, 3.14159})
        EXPECT_EQ(LeadingDecimal(FormatMultiplier(value)), std::round(value * 1000) / 1000);
}

} // namespace
