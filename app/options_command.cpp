// dxfcnv options: shows the module's dialog "DXF Import Options" in the terminal, through the
// module's DXFImportOptions, and lists the import settings stored afterwards.
#include "app/cli.h"
#if !defined(_WIN32)
#include "app/terminal_dialog.h"
#endif

#include "host/vexcore.h"
#include "import/import_settings.h"
#include "standin/standin.h"

#include <charconv>
#include <cstdio>
#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace dxfcnv {

namespace {

constexpr std::string_view kUsage =
    "usage: dxfcnv options [--module PATH]\n"
    "\n"
    "Shows the converter module's dialog \"DXF Import Options\" in the terminal. The settings it\n"
    "edits are stored when the dialog closes, whichever button closed it, and the next import\n"
    "uses them; afterwards the stored import settings are listed.\n"
    "\n"
    "Keys:\n"
    "  Tab, Shift+Tab            next, previous field or button\n"
    "  typing, Left, Right, Home, End, Backspace, Delete   edit a field\n"
    "  Space                     press the focused button, check or uncheck a check box\n"
    "  Enter                     OK (or the focused button)\n"
    "  Esc                       Cancel\n"
    "  Alt+L, or L off a field   Set layer order from initialization file\n"
    "Browse... asks for the path of the initialization file; Help explains each field.\n"
    "\n"
    "Exit status: 0 the dialog ran, 2 usage error, no terminal, or a module that cannot be\n"
    "loaded.\n";

// The settings the dialog writes, as they are stored now.
void PrintStoredSettings() {
    double multiplier = 1.0;
    m_RegValueGet(kImportSettingsSection, "Multiplier", &multiplier);
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text - 1, multiplier);
    *written.ptr = '\0';
    std::printf("Multiplier                %s\n", text);
    for (const char* name :
         {"XOffset", "YOffset", "ZOffset", "UseBlock", "SetLayerOrderFromIniFile"}) {
        std::int32_t value = 0;
        m_RegValueGet(kImportSettingsSection, name, &value);
        std::printf("%-25s %d\n", name, value);
    }
    char iniFile[256] = "";
    m_RegValueGet(kImportSettingsSection, "IniFile", iniFile, sizeof iniFile);
    std::printf("IniFile                   %s\n", iniFile);
}

int RunOptions(const Invocation& invocation) {
    std::optional<std::string> modulePath = invocation.modulePath;
    CommandLine line;
    line.Option("--module", modulePath);
    if (const auto problem = line.Parse(invocation.args))
        return UsageError(kOptionsCommand, *problem);
#if !defined(_WIN32)
    if (!::isatty(STDIN_FILENO) || !::isatty(STDOUT_FILENO)) {
        return Failure(kOptionsCommand, "the dialog needs a terminal", kExitUsage);
    }
#endif
    const auto module = LoadModule(kOptionsCommand, modulePath);
    if (!module)
        return kExitUsage;
    if (!module->Options()) {
        return Failure(kOptionsCommand, "the module does not export DXFImportOptions", kExitUsage);
    }
    // The host's main window owns the dialog and receives its help requests.
    const HWND mainWindow = standin::CreateHostWindow(nullptr);
#if defined(_WIN32)
    // The system's dialog manager shows the real dialog, and its message boxes are the user's.
    standin::AnswerMessageBoxes(false);
    module->Options()(mainWindow, mainWindow, 0);
    standin::AnswerMessageBoxes(true);
#else
    {
        TerminalDialog terminal;
        standin::ScopedDialogDriver driver(terminal);
        module->Options()(mainWindow, mainWindow, 0);
    }
#endif
    standin::DestroyHostWindow(mainWindow);
    PrintStoredSettings();
    return kExitOk;
}

} // namespace

const Command kOptionsCommand{"options", "edit the import settings in the module's options dialog",
                              kUsage, RunOptions};

} // namespace dxfcnv
