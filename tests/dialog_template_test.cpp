// The module's resources as the stand-in reads them from src/options/dxf.rc: dialog 129 against
// the dialog's table of controls, the string table, and the resource-script reader itself.
#include "module/string_table.h"
#include "standin/resource_script.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

namespace {

using standin::ControlKind;
using standin::ControlTemplate;
using standin::DialogRect;
using standin::ParseResourceScript;
using standin::ResourceScript;

const standin::DialogTemplate& OptionsDialog() {
    const standin::DialogTemplate* dialog = standin::ModuleResources().Dialog(129);
    if (!dialog)
        throw std::runtime_error("dialog 129 is missing from dxf.rc");
    return *dialog;
}

// ---- dialog 129 ----

struct ExpectedControl {
    int id;
    ControlKind kind;
    const char* label;
    bool enabled;
    bool visible;
};

// The Z offset, Skip Z, Use blocks and Use initialisation file cannot be changed by the user.
constexpr std::array kExpectedControls{
    ExpectedControl{1, ControlKind::DefaultPushButton, "OK", true, true},
    ExpectedControl{2, ControlKind::PushButton, "Cancel", true, true},
    ExpectedControl{1000, ControlKind::Edit, "", true, true},
    ExpectedControl{1002, ControlKind::Edit, "", true, true},
    ExpectedControl{1003, ControlKind::Edit, "", true, true},
    ExpectedControl{1004, ControlKind::Edit, "", false, true},
    ExpectedControl{1005, ControlKind::PushButton, "Help", true, true},
    ExpectedControl{1006, ControlKind::AutoCheckBox, "Skip Z Coordinate", false, true},
    ExpectedControl{1007, ControlKind::AutoCheckBox, "Use initialisation file", false, false},
    ExpectedControl{1008, ControlKind::Edit, "", true, true},
    ExpectedControl{1009, ControlKind::PushButton, "Browse...", true, true},
    ExpectedControl{1010, ControlKind::AutoCheckBox, "Use blocks", false, false},
    ExpectedControl{1011, ControlKind::AutoCheckBox, "Set &layer order from initialization file",
                    true, true},
};
constexpr std::size_t kUnnamedControls = 7; // five labels and two group boxes

TEST(DialogTemplate, EveryControlOfTheTable) {
    const auto& dialog = OptionsDialog();
    EXPECT_EQ(dialog.controls.size(), kExpectedControls.size() + kUnnamedControls);
    for (const ExpectedControl& expected : kExpectedControls) {
        const ControlTemplate* control = dialog.Control(expected.id);
        ASSERT_NE(control, nullptr) << expected.id;
        SCOPED_TRACE(expected.id);
        EXPECT_EQ(control->Kind(), expected.kind);
        EXPECT_EQ(control->Enabled(), expected.enabled);
        EXPECT_EQ(control->Visible(), expected.visible);
        EXPECT_TRUE(control->TabStop());
        if (control->Kind() != ControlKind::Edit) {
            EXPECT_EQ(control->text, expected.label);
        } else {
            EXPECT_NE(control->style & standin::window_style::kAutoHScroll, 0u) << "auto-scrolling";
        }
    }
}

TEST(DialogTemplate, AccessKeyAndFirstTabStop) {
    const auto& dialog = OptionsDialog();
    EXPECT_EQ(dialog.Control(1011)->AccessKey(), 'l');
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id != 1011) {
            EXPECT_EQ(control.AccessKey(), 0) << control.text;
        }
    }
    const auto first =
        std::find_if(dialog.controls.begin(), dialog.controls.end(), [](const ControlTemplate& c) {
            return c.TabStop() && c.Visible() && c.Enabled();
        });
    ASSERT_NE(first, dialog.controls.end());
    EXPECT_EQ(first->id, 1002) << "the dialog opens on the X offset";
}

// The resource compiler reads dxf.rc the same way: its own listing of the compiled dialog gives
// every control's final style. Skipped where the cross tools are not installed.
TEST(DialogTemplate, StylesAgreeWithTheResourceCompiler) {
    const std::string source = std::string(DXFCNV_SOURCE_DIR) + "/src/options";
    const std::string command =
        "i686-w64-mingw32-windres -I '" + source + "' '" + source + "/dxf.rc' -O rc 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string listing;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get()))
        listing += buffer;
    if (listing.find("DIALOGEX") == std::string::npos)
        GTEST_SKIP() << "i686-w64-mingw32-windres is not installed";

    // e.g.   EDITTEXT 1002, 27, 18, 56, 14, 0x50810080
    const std::regex line(
        R"re(^\s+\w+ (?:"((?:[^"]|"")*)", )?(-?\d+), (-?\d+), (-?\d+), (\d+), (\d+), (0x[0-9a-f]+))re");
    const auto& controls = OptionsDialog().controls;
    std::size_t index = 0;
    std::istringstream lines(listing);
    for (std::string text; std::getline(lines, text);) {
        std::smatch match;
        if (!std::regex_search(text, match, line))
            continue;
        ASSERT_LT(index, controls.size()) << text;
        const ControlTemplate& control = controls[index++];
        SCOPED_TRACE(text);
        EXPECT_EQ(control.id, std::stoi(match[2]));
        EXPECT_EQ(control.rect, (DialogRect{std::stoi(match[3]), std::stoi(match[4]),
                                            std::stoi(match[5]), std::stoi(match[6])}));
        EXPECT_EQ(control.style, std::stoul(match[7], nullptr, 16));
    }
    EXPECT_EQ(index, controls.size());
}

// ---- the string table ----

TEST(DialogTemplate, StringTableLoadsThroughTheModule) {
    const std::pair<ModuleString, const char*> strings[] = {
        {ModuleString::DxfImport, "DXF Import"},
        {ModuleString::DxfExport, "DXF Export"},
        {ModuleString::FileOpening, "File Opening Problems"},
        {ModuleString::Warning, "Warning"},
        {ModuleString::IniNotFound, "Initialization file not found.\nContinue?"},
        {ModuleString::FileWriting, "File Writing Problems"},
    };
    const auto& table = standin::ModuleResources().strings;
    EXPECT_EQ(table.size(), std::size(strings));
    for (const auto& [id, text] : strings) {
        EXPECT_EQ(LoadModuleString(id), text);
        const auto stored = table.find(static_cast<std::uint32_t>(id));
        ASSERT_NE(stored, table.end());
        EXPECT_EQ(stored->second, text) << "the resource itself, not the fallback";
    }
}

TEST(DialogTemplate, LoadStringCutsToTheBufferLikeTheSystem) {
    char buffer[5] = "....";
    EXPECT_EQ(LoadStringA(nullptr, 3, buffer, sizeof buffer), 4);
    EXPECT_STREQ(buffer, "File");
    EXPECT_EQ(LoadStringA(nullptr, 7, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(LoadStringA(nullptr, 1, nullptr, 10), 0);
}

// ---- the reader ----

std::optional<ResourceScript> Parse(const std::string& text, std::string* error = nullptr) {
    const standin::IncludeReader includes =
        [](std::string_view name) -> std::optional<std::string> {
        if (name == "ids.h")
            return "#pragma once\n// ids\n#define IDC_NAME 1000\n#define IDC_NEXT (IDC_NAME + 1)\n";
        if (name == "bad.h")
            return "#define A 1\nSTRINGTABLE\n";
        return std::nullopt;
    };
    std::string ignored;
    return ParseResourceScript(text, includes, error ? error : &ignored);
}

std::string Dialog(const std::string& controls) {
    return "7 DIALOGEX 0, 0, 100, 50\nBEGIN\n" + controls + "\nEND\n";
}

struct StyleCase {
    const char* control;
    ControlKind kind;
    std::uint32_t style;
};

TEST(ResourceScriptReader, EachStatementHasTheCompilersDefaultStyle) {
    const StyleCase cases[] = {
        {R"(DEFPUSHBUTTON "OK", 1, 1, 2, 3, 4)", ControlKind::DefaultPushButton, 0x50010001},
        {R"(AUTOCHECKBOX "C", 3, 1, 2, 3, 4)", ControlKind::AutoCheckBox, 0x50010003},
        {R"(LTEXT "L", -1, 1, 2, 3, 4)", ControlKind::Static, 0x50020000},
        {R"(LTEXT "L", -1, 1, 2, 3, 4, WS_DISABLED)", ControlKind::Static, 0x58000000},
        {R"(GROUPBOX "G", -1, 1, 2, 3, 4)", ControlKind::GroupBox, 0x50000007},
        {R"(EDITTEXT 5, 1, 2, 3, 4)", ControlKind::Edit, 0x50810000},
        {R"(EDITTEXT 5, 1, 2, 3, 4, ES_AUTOHSCROLL | NOT WS_TABSTOP)", ControlKind::Edit,
         0x50800080},
        {R"(CONTROL "x", 6, "Button", BS_AUTOCHECKBOX | WS_TABSTOP, 1, 2, 3, 4)",
         ControlKind::AutoCheckBox, 0x50010003},
        {R"(CONTROL "", 6, EDIT, 0x80, 1, 2, 3, 4, WS_EX_CLIENTEDGE)", ControlKind::Edit,
         0x50000080},
        {R"(CONTROL "", 6, "msctls_trackbar32", 0, 1, 2, 3, 4)", ControlKind::Other, 0x50000000},
    };
    for (const StyleCase& c : cases) {
        std::string error;
        const auto script = Parse(Dialog(c.control), &error);
        ASSERT_TRUE(script) << c.control << ": " << error;
        const ControlTemplate& control = script->dialogs.at(0).controls.at(0);
        EXPECT_EQ(control.Kind(), c.kind) << c.control;
        EXPECT_EQ(control.style, c.style) << c.control << std::hex << " got 0x" << control.style;
        EXPECT_EQ(control.rect, (DialogRect{1, 2, 3, 4})) << c.control;
    }
}

TEST(ResourceScriptReader, NamesFromIncludedHeadersAndExpressions) {
    std::string error;
    const auto script =
        Parse("#include <windows.h>\n#include \"ids.h\"\n#define TWICE (IDC_NEXT * 2)\n" +
                  Dialog("EDITTEXT IDC_NEXT, 0x10, -(2), 3+4, 10 - 2 - 1"),
              &error);
    EXPECT_FALSE(script) << "* is outside the subset";
    EXPECT_EQ(error, "line 3: #define TWICE: unexpected character '*'");

    const auto ok = Parse("#include \"ids.h\"\n" +
                              Dialog("EDITTEXT IDC_NEXT, 0x10, -(2), 3+4, 10 - 2 - 1 // the sum"),
                          &error);
    ASSERT_TRUE(ok) << error;
    const ControlTemplate& control = ok->dialogs.at(0).controls.at(0);
    EXPECT_EQ(control.id, 1001);
    EXPECT_EQ(control.rect, (DialogRect{16, -2, 7, 7}));
}

TEST(ResourceScriptReader, StringsWithEscapesAndDoubledQuotes) {
    std::string error;
    const auto script = Parse(R"(STRINGTABLE
{
    1, "a\tb\nc"
    2 "say ""hi"" \\ \"there\""
    /* a comment
       over lines */
    65535 ""
})",
                              &error);
    ASSERT_TRUE(script) << error;
    EXPECT_EQ(script->strings.at(1), "a\tb\nc");
    EXPECT_EQ(script->strings.at(2), "say \"hi\" \\ \"there\"");
    EXPECT_EQ(script->strings.at(65535), "");
}

TEST(ResourceScriptReader, DialogCaptionFontAndStyle) {
    std::string error;
    const auto script = Parse(R"(LANGUAGE LANG_ENGLISH, SUBLANG_ENGLISH_US
300 DIALOG 5, 6, 70, 80
STYLE DS_MODALFRAME | WS_POPUP
CAPTION "Title"
FONT 9, "Tahoma"
BEGIN
END
301 DIALOGEX 0, 0, 1, 2, 99
FONT 8, "MS Shell Dlg", 400, 0, 0x1
BEGIN
END)",
                              &error);
    ASSERT_TRUE(script) << error;
    const auto* first = script->Dialog(300);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->fontName, "Tahoma");
    EXPECT_EQ(first->style, 0x80C000C0u) << "STYLE, then WS_CAPTION and DS_SETFONT";
    const auto* second = script->Dialog(301);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->style, 0x80880040u) << "the default style and DS_SETFONT";
}

TEST(ResourceScriptReader, RefusesWhatItDoesNotKnowWithTheLine) {
    const std::pair<std::string, std::string> cases[] = {
        {"1 ICON \"a.ico\"", "line 1: unsupported resource type, found ICON"},
        {Dialog("LISTBOX 5, 1, 2, 3, 4"), "line 3: unsupported control statement, found LISTBOX"},
        {Dialog("EDITTEXT IDC_UNKNOWN, 1, 2, 3, 4"), "line 3: unknown name IDC_UNKNOWN"},
        {Dialog("LTEXT \"open, -1, 1, 2, 3, 4"), "line 3: string without its closing quote"},
        {Dialog("EDITTEXT 5, 1, 2, 3, 4\nEDITTEXT 5, 1, 2, 3, 4"),
         "line 4: control 5 defined twice"},
        {Dialog("EDITTEXT 5, 1, 2, 3"), "line 4: expected ',', found END"},
        {Dialog("EDITTEXT 5, 1, 2, 3, 4"), ""},
        {"7 DIALOG 0, 0, 1, 1\nBEGIN\nEND\n7 DIALOG 0, 0, 1, 1\nBEGIN\nEND",
         "line 4: dialog 7 defined twice"},
        {"STRINGTABLE\nBEGIN\n70000 \"a\"\nEND", "line 3: string id out of range: 70000"},
        {"#if 0\n", "line 1: unsupported preprocessor line #if"},
        {"#include \"none.h\"\n", "line 1: cannot read included file none.h"},
        {"#include \"bad.h\"\n", "line 1: bad.h: line 2: an included file may hold only "
                                 "preprocessor lines"},
        {"STRINGTABLE\nBEGIN\n1 \"a\"\n", "line 4: expected a number at the end of the script"},
        {"/* open", "line 1: comment without its end"},
        {"1 DIALOG 0, 0, 1, 0x1FFFFFFFF", "line 1: not a 32-bit number: 1FFFFFFFF"},
    };
    for (const auto& [text, expected] : cases) {
        std::string error;
        const auto script = Parse(text, &error);
        EXPECT_EQ(error, expected) << text;
        EXPECT_EQ(script.has_value(), expected.empty()) << text;
    }
}

TEST(ResourceScriptReader, AccessKeysAndPlainLabels) {
    const std::tuple<const char*, char, const char*> cases[] = {
        {"Set &layer order", 'l', "Set layer order"},
        {"Fish && &Chips", 'c', "Fish & Chips"},
        {"Trailing &", 0, "Trailing &"},
        {"&&", 0, "&"},
    };
    for (const auto& [label, key, plain] : cases) {
        ControlTemplate control;
        control.text = label;
        EXPECT_EQ(control.AccessKey(), key) << label;
        EXPECT_EQ(control.PlainText(), plain) << label;
    }
}

} // namespace
