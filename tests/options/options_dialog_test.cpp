// The import options dialog as the host runs it: DXFImportOptions driven by a script that types,
// clicks and answers the message boxes. The scripts and what each must give (the return value,
// what the dialog showed when it opened, the boxes, browses, help requests, the steps a user
// could not take, and every setting stored afterwards) live in cases/*.txt:
//
//   case NAME | set SETTING [VALUE] | no dialog | entry VexaImportOptions
//   type CONTROL [TEXT] | click CONTROL | enter | escape | key LETTER
//   answer yes|no | choose [PATH]
//   expect                    the expected result follows, up to the next case
//
// Every case runs in a fresh home that is also the current folder and holds dxf_layers.ini.
// DXFCNV_UPDATE_CASES=1 rewrites the expected results from what the dialog gives.
#include "case_files.h"
#include "test_support.h"

#include "dialog_script.h"
#include "import/import_settings.h"
#include "import/numbers.h"
#include "module/exports.h"
#include "options/field_numbers.h"
#include "options/resource.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using testing_support::TempHome;

struct Named {
    const char* name;
    int id;
    char kind; // 'e' edit, 'c' check box, 'b' button
};
constexpr Named kControls[] = {{"ok", IDOK, 'b'},
                               {"cancel", IDCANCEL, 'b'},
                               {"multiplier", IDC_MULTIPLIER, 'e'},
                               {"x", IDC_X_OFFSET, 'e'},
                               {"y", IDC_Y_OFFSET, 'e'},
                               {"z", IDC_Z_OFFSET, 'e'},
                               {"help", IDC_HELP_BUTTON, 'b'},
                               {"skip_z", IDC_SKIP_Z, 'c'},
                               {"use_ini", IDC_USE_INI_FILE, 'c'},
                               {"ini", IDC_INI_FILE, 'e'},
                               {"browse", IDC_BROWSE, 'b'},
                               {"use_blocks", IDC_USE_BLOCKS, 'c'},
                               {"layer_order", IDC_LAYER_ORDER, 'c'}};

int ControlId(const std::string& name) {
    for (const Named& control : kControls)
        if (name == control.name)
            return control.id;
    ADD_FAILURE() << "unknown control " << name;
    return 0;
}

std::string Escaped(const std::string& text) {
    std::string out;
    for (const char c : text)
        out += c == '\n' ? std::string("\\n") : std::string(1, c);
    return out;
}

struct DialogCase {
    std::string name;
    std::vector<std::string> lines; // everything before "expect"
    std::string expected;
};

std::vector<DialogCase> ReadCases(const fs::path& file) {
    std::vector<DialogCase> cases;
    bool inExpected = false;
    std::istringstream in(testing_support::ReadText(file));
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("case ")) {
            cases.push_back({line.substr(5), {}, ""});
            inExpected = false;
        } else if (inExpected) {
            cases.back().expected += line + "\n";
        } else if (line == "expect") {
            inExpected = true;
        } else if (!line.empty() && line[0] != '#' && !cases.empty()) {
            cases.back().lines.push_back(line);
        }
    }
    for (DialogCase& c : cases)
        while (c.expected.ends_with("\n\n"))
            c.expected.pop_back();
    return cases;
}

std::string RunCase(const DialogCase& c) {
    TempHome home;
    testing_support::WriteFile(home.Path(), "dxf_layers.ini", "A 1 One\n");
    const fs::path previous = fs::current_path();
    fs::current_path(home.Path());
    standin::DialogScript script;
    bool withDialog = true;
    bool vexaEntry = false;
    for (const std::string& line : c.lines) {
        const auto space = line.find(' ');
        const std::string verb = line.substr(0, space);
        const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
        const auto restSpace = rest.find(' ');
        const std::string text = restSpace == std::string::npos ? "" : rest.substr(restSpace + 1);
        if (verb == "set")
            testing_support::SetSettingText(rest.substr(0, restSpace), text);
        else if (verb == "type")
            script.Type(ControlId(rest.substr(0, restSpace)), text);
        else if (verb == "click")
            script.Click(ControlId(rest));
        else if (verb == "enter")
            script.PressEnter();
        else if (verb == "escape")
            script.PressEscape();
        else if (verb == "key")
            script.PressAccessKey(rest.at(0));
        else if (verb == "answer")
            script.Answer(rest == "yes" ? IDYES : IDNO);
        else if (verb == "choose")
            script.Choose(rest.empty() ? std::nullopt : std::optional<std::string>(rest));
        else if (line == "no dialog")
            withDialog = false;
        else if (line == "entry VexaImportOptions")
            vexaEntry = true;
        else
            ADD_FAILURE() << c.name << ": not understood: " << line;
    }
    const HWND helpWindow = standin::CreateHostWindow(nullptr);
    std::int32_t result = 0;
    {
        std::optional<standin::ScopedDialogDriver> driver;
        if (withDialog)
            driver.emplace(script);
        result = vexaEntry ? VexaImportOptions(nullptr, helpWindow, 12345)
                           : DXFImportOptions(nullptr, helpWindow, 0);
    }
    fs::current_path(previous);
    std::string out = "result " + std::to_string(result) + "\n";
    if (script.Runs() > 0) {
        out += "opened";
        for (const Named& control : kControls) {
            if (control.kind == 'e')
                out += std::string(" ") + control.name + " [" + script.OpenedText(control.id) + "]";
            if (control.kind == 'c')
                out += std::string(" ") + control.name +
                       (script.OpenedChecked(control.id) ? " on" : " off");
        }
        out += "\n";
    }
    for (const auto& box : script.Boxes())
        out += "box " + box.caption + ": " + Escaped(box.text) + " -> " +
               std::to_string(box.answer) + "\n";
    for (const std::string& start : script.BrowseStarts())
        out += "browse from " + start + "\n";
    for (const auto& help : script.HelpRequests())
        out += "help " + std::to_string(help.context) +
               (help.helpWindow == helpWindow ? "" : " on another window") + "\n";
    for (const std::string& problem : script.Problems())
        out += "problem: " + problem + "\n";
    for (const auto& [name, value] : standin::SettingsSection(kImportSettingsSection))
        out += "stored " + name + " " + Escaped(value) + "\n";
    standin::DestroyHostWindow(helpWindow);
    return out;
}

TEST(OptionsDialog, CaseFiles) {
    const bool update = std::getenv("DXFCNV_UPDATE_CASES") != nullptr;
    for (const fs::path& file : testing_support::CaseFiles("options/cases")) {
        std::vector<std::string> results;
        for (const DialogCase& c : ReadCases(file)) {
            SCOPED_TRACE(file.filename().string() + ": " + c.name);
            results.push_back(RunCase(c));
            if (!update) {
                EXPECT_EQ(results.back(), c.expected);
            }
        }
        ASSERT_FALSE(results.empty()) << file;
        if (update)
            testing_support::RewriteExpectations(file, results);
    }
}

TEST(OptionsDialog, TheNextImportUsesWhatOkStored) {
    TempHome home;
    standin::DialogScript script;
    script.Type(IDC_MULTIPLIER, "2").Type(IDC_X_OFFSET, "100").Type(IDC_Y_OFFSET, "-50");
    script.Type(IDC_INI_FILE, "").Click(IDOK);
    {
        standin::ScopedDialogDriver driver(script);
        ASSERT_EQ(DXFImportOptions(nullptr, nullptr, 0), 1);
    }
    const auto map = testing_support::ImportedMap(
        home, testing_support::EntitiesFile("0\nLINE\n8\n0\n10\n1.5\n20\n2\n11\n10\n21\n-4\n"));
    EXPECT_EQ(testing_support::PointRuns(map),
              (std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>>{
                  {{103, -46}, {120, -58}}}));
}

// ---- the conversions behind the fields ----

TEST(OptionsNumbers, TypedTextReadsLikeTheRuntimeWithoutItsFaults) {
    const std::pair<const char*, double> decimals[] = {
        {"  -2", -2.0}, {"+.5x", 0.5}, {"7e+", 7.0},   {"-", 0.0},       {"0x10", 0.0},
        {"inf", 0.0},   {"nan", 0.0},  {"1e999", 0.0}, {"12.7.1", 12.7}, {"--1", 0.0},
    };
    for (const auto& [text, expected] : decimals)
        EXPECT_EQ(LeadingDecimal(text), expected) << '"' << text << '"';
    const std::pair<const char*, std::int32_t> integers[] = {
        {"12.7", 12},
        {"x1", 0},
        {"-", 0},
        {"2147483648", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"-99999999999999999999", INT32_MIN},
        {"1e3", 1},
    };
    for (const auto& [text, expected] : integers)
        EXPECT_EQ(ParseInt(text), expected) << '"' << text << '"';
}

} // namespace
