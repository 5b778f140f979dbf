#include "options/import_options_dialog.h"

#include "host/vexcore.h"
#include "import/numbers.h"
#include "module/string_table.h"
#include "options/field_numbers.h"

#include <optional>
#include <string_view>

namespace {

// The longest initialisation file read back from the control.
constexpr std::size_t kIniFileTextLimit = 254;
// The longest text read from a number control.
constexpr std::size_t kNumberTextLimit = 255;
// The host's help on this dialog.
constexpr std::int32_t kHelpContext = 320;

// Where the bare file name of a path starts. Windows paths separate folders with a backslash;
// where the system's own separator is the slash, a slash counts as well.
#if defined(_WIN32)
constexpr std::string_view kFolderSeparators = "\\";
#else
constexpr std::string_view kFolderSeparators = "\\/";
#endif

// Whether the system's file-open search finds the file; the file is closed again at once.
bool FileOpens(const std::string& path) {
    OFSTRUCT info{};
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) {
        return false;
    }
    _lclose(file);
    return true;
}

// The part after the last folder separator, looked for from the end down to the second
// character; nothing when there is none.
std::optional<std::string> BareFileName(const std::string& path) {
    for (std::size_t i = path.size(); i-- > 1;) {
        if (kFolderSeparators.find(path[i]) != std::string_view::npos) {
            return path.substr(i + 1);
        }
    }
    return std::nullopt;
}

std::string IntegerText(std::int32_t value) {
    return std::to_string(value);
}

} // namespace

bool ImportOptionsDialog::OnInitDialog() {
    SetItemText(IDC_MULTIPLIER, FormatMultiplier(fields_.multiplier));
    SetItemText(IDC_X_OFFSET, IntegerText(fields_.xOffset));
    SetItemText(IDC_Y_OFFSET, IntegerText(fields_.yOffset));
    SetItemText(IDC_Z_OFFSET, IntegerText(0)); // the stored Z offset is not shown
    CheckItem(IDC_USE_BLOCKS, fields_.useBlocks != 0);
    CheckItem(IDC_LAYER_ORDER, fields_.layerOrderFromFile != 0);
    CheckItem(IDC_SKIP_Z, true);
    SetItemText(IDC_INI_FILE, fields_.iniFile);
    return true;
}

void ImportOptionsDialog::OnOK() {
    fields_.iniFile = ItemText(IDC_INI_FILE, kIniFileTextLimit);
    if (!AcceptIniFile()) {
        return; // the dialog stays open for the user to correct the file
    }
    End(IDOK);
    ReadControls();
}

bool ImportOptionsDialog::AcceptIniFile() {
    const std::string& path = fields_.iniFile;
    if (path.empty() || FileOpens(path)) {
        return true;
    }
    if (const std::optional<std::string> bare = BareFileName(path); bare && FileOpens(*bare)) {
        return true;
    }
    return ShowMessage(LoadModuleString(ModuleString::IniNotFound),
                       LoadModuleString(ModuleString::Warning), MB_YESNO) == IDYES;
}

void ImportOptionsDialog::ReadControls() {
    // A typed multiplier of 0, or a text that is no number, keeps the multiplier it had.
    if (const double multiplier = LeadingDecimal(ItemText(IDC_MULTIPLIER, kNumberTextLimit));
        multiplier != 0.0) {
        fields_.multiplier = multiplier;
    }
    fields_.xOffset = ParseInt(ItemText(IDC_X_OFFSET, kNumberTextLimit));
    fields_.yOffset = ParseInt(ItemText(IDC_Y_OFFSET, kNumberTextLimit));
    fields_.zOffset = ParseInt(ItemText(IDC_Z_OFFSET, kNumberTextLimit));
    fields_.useBlocks = IsItemChecked(IDC_USE_BLOCKS) ? 1 : 0;
    fields_.layerOrderFromFile = IsItemChecked(IDC_LAYER_ORDER) ? 1 : 0;
}

void ImportOptionsDialog::OnClicked(int controlId) {
    if (controlId == IDC_BROWSE) {
        OnBrowse();
    } else if (controlId == IDC_HELP_BUTTON) {
        OnHelp();
    }
}

void ImportOptionsDialog::OnBrowse() {
    // The host puts the chosen path into the control itself.
    BrowseIniFile(Window(), IDC_INI_FILE, fields_.iniFile.c_str(), nullptr, nullptr, nullptr, 0);
    fields_.iniFile = ItemText(IDC_INI_FILE, kIniFileTextLimit);
}

void ImportOptionsDialog::OnHelp() {
    VexaF1Help(helpWindow_, kHelpContext);
}
