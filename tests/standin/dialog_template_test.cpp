// The module's resources as the stand-in reads them from the .res that windres makes of
// src/options/dxf.rc: dialog 129 against the dialog's table of controls, the string table, and
// the resource-file reader itself.
#include "module/string_table.h"
#include "standin/resource_file.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

namespace {

using standin::ControlKind;
using standin::ControlTemplate;
using standin::DialogRect;
using standin::ReadResourceFile;
using standin::ResourceFile;

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

TEST(DialogTemplate, FrameCaptionFontAndOneControlAsCompiled) {
    const auto& dialog = OptionsDialog();
    EXPECT_TRUE(dialog.extended);
    EXPECT_EQ(dialog.rect, (DialogRect{0, 0, 253, 132}));
    EXPECT_EQ(dialog.style, 0x80C800C0u) << "popup, caption, system menu, modal frame, font";
    EXPECT_EQ(dialog.caption, "DXF Import Options");
    EXPECT_EQ(dialog.fontSize, 8);
    EXPECT_EQ(dialog.fontName, "MS Sans Serif");
    const ControlTemplate* edit = dialog.Control(1004);
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(edit->className, "Edit");
    EXPECT_EQ(edit->rect, (DialogRect{27, 57, 56, 14}));
    EXPECT_EQ(edit->style, 0x58810080u) << "child, visible, disabled, border, tab stop, scroll";
    EXPECT_EQ(dialog.controls.front().style, 0x50000007u) << "the first group box";
    EXPECT_EQ(dialog.controls[1].style, 0x50020000u) << "a static text without a style: group";
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

// A resource file built by hand: each resource is a header (sizes, type and name as numbers,
// the fixed fields) and its data, padded to 4 bytes.
struct Res {
    std::vector<std::uint8_t> bytes;
    Res& Word(std::uint32_t value) {
        bytes.push_back(static_cast<std::uint8_t>(value));
        bytes.push_back(static_cast<std::uint8_t>(value >> 8));
        return *this;
    }
    Res& Dword(std::uint32_t value) { return Word(value & 0xFFFF).Word(value >> 16); }
    Res& Text(std::u16string_view text) {
        for (char16_t unit : text)
            Word(unit);
        return Word(0);
    }
    Res& Resource(std::uint16_t type, std::uint16_t name, const Res& data) {
        Dword(static_cast<std::uint32_t>(data.bytes.size())).Dword(32);
        Word(0xFFFF).Word(type).Word(0xFFFF).Word(name).Dword(0).Dword(0).Dword(0).Dword(0);
        bytes.insert(bytes.end(), data.bytes.begin(), data.bytes.end());
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        return *this;
    }
};

// A DIALOG (not DIALOGEX) 7 with one edit control 1000 and no font.
Res PlainDialog(std::uint16_t items) {
    Res dialog;
    dialog.Dword(0x80C80000).Dword(0).Word(items).Word(1).Word(2).Word(30).Word(40);
    dialog.Word(0).Word(0).Text(u"Plain").Word(0); // menu, class, caption; padding
    dialog.Dword(0x50810080).Dword(0).Word(3).Word(4).Word(20).Word(12).Word(1000);
    dialog.Word(0xFFFF).Word(0x81).Text(u"").Word(0); // class Edit, no text, no data
    return dialog;
}

// Block 2 holds strings 16 to 31: here 17 ("é" and U+1F600, which Latin-1 lacks) and 31.
Res StringBlock2() {
    Res block;
    block.Word(0).Word(3).Word(0xE9).Word(0xD83D).Word(0xDE00);
    for (int i = 2; i < 15; ++i)
        block.Word(0);
    return block.Word(2).Word('o').Word('k');
}

TEST(ResourceFileReader, ReadsHandMadeResourcesAndRefusesBrokenOnes) {
    const Res openCaption = Res().Dword(0x80C80000).Dword(0).Word(0).Dword(0).Dword(0).Dword(0);
    const std::pair<Res, std::string> cases[] = {
        {Res(), ""},
        {Res().Resource(5, 7, PlainDialog(1)).Resource(6, 2, StringBlock2()), ""},
        {Res().Resource(5, 7, PlainDialog(2)), "offset 94: ends inside a field"},
        {Res().Resource(6, 2, Res().Word(40).Word('a')), "offset 36: ends inside a field"},
        {Res().Resource(5, 7, Res().Dword(0xFFFF0001)), "offset 36: ends inside a field"},
        {Res().Resource(5, 7, Res(openCaption).Word('A')), "offset 56: ends inside a field"},
        {Res().Dword(100).Dword(32).Dword(0), "offset 8: ends before the size its header gives"},
        {Res().Dword(0).Dword(4), "offset 0: header shorter than its sizes"},
        {Res().Dword(0).Dword(16).Word('A').Word('B').Word('C').Word('D'),
         "offset 16: ends inside a field"},
    };
    for (const auto& [res, expected] : cases) {
        std::string error;
        const auto file = ReadResourceFile(res.bytes, &error);
        EXPECT_EQ(error, expected) << res.bytes.size() << " bytes";
        EXPECT_EQ(file.has_value(), expected.empty()) << error;
    }
    const auto file = ReadResourceFile(std::get<0>(cases[1]).bytes, nullptr);
    ASSERT_TRUE(file && file->Dialog(7));
    const ControlTemplate& edit = file->Dialog(7)->controls.at(0);
    EXPECT_FALSE(file->Dialog(7)->extended);
    EXPECT_EQ(file->Dialog(7)->caption, "Plain");
    EXPECT_EQ(edit.id, 1000);
    EXPECT_EQ(edit.Kind(), ControlKind::Edit);
    EXPECT_EQ(edit.rect, (DialogRect{3, 4, 20, 12}));
    EXPECT_EQ(file->strings, (std::map<std::uint32_t, std::string>{{17, "\xE9??"}, {31, "ok"}}));
}

// Every cut of the module's own file reads as whole resources or is refused: never a crash, never
// a string that is not in the file, and all of them only when no more than the last resource's
// padding (at most 3 bytes) is cut.
TEST(ResourceFileReader, EveryTruncationOfTheModulesFile) {
    const auto whole = standin::ModuleResourceFile();
    const auto& strings = standin::ModuleResources().strings;
    ASSERT_EQ(strings.size(), 6u);
    int read = 0;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        const auto file = ReadResourceFile(whole.first(size), nullptr);
        if (!file)
            continue;
        ++read;
        EXPECT_LE(file->dialogs.size(), 1u) << size;
        for (const auto& [id, text] : file->strings)
            EXPECT_EQ(strings.at(id), text) << size;
        EXPECT_TRUE(file->strings.size() < strings.size() || size + 3 >= whole.size()) << size;
    }
    EXPECT_GE(read, 3) << "at least empty, after the empty resource, and after dialog 129";
}

TEST(ResourceFileReader, AccessKeysAndPlainLabels) {
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
