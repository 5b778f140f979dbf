// The stand-in's reader of resource scripts (.rc): the module's dialog templates and string table
// come from the same script that the resource compiler builds into dxf.cnv on Windows.
//
// The subset read: `#include "file"` (read for its #define lines), `#include <file>` (skipped:
// the window-style names are known here), `#define NAME expression`, `#pragma`; LANGUAGE;
// `ID DIALOG` / `ID DIALOGEX` with STYLE, EXSTYLE, CAPTION, FONT and the control statements
// DEFPUSHBUTTON, PUSHBUTTON, CHECKBOX, AUTOCHECKBOX, LTEXT, CTEXT, RTEXT, GROUPBOX, EDITTEXT and
// CONTROL; STRINGTABLE. Expressions are numbers, names, ( ), unary -, + and -, | and, in styles,
// NOT. Anything else is refused with its line number, never guessed at.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin {

// Window-style bits the stand-in reads from a template.
namespace window_style {
constexpr std::uint32_t kPopup = 0x80000000u;
constexpr std::uint32_t kChild = 0x40000000u;
constexpr std::uint32_t kVisible = 0x10000000u;
constexpr std::uint32_t kDisabled = 0x08000000u;
constexpr std::uint32_t kCaption = 0x00C00000u;
constexpr std::uint32_t kBorder = 0x00800000u;
constexpr std::uint32_t kSysMenu = 0x00080000u;
constexpr std::uint32_t kGroup = 0x00020000u;
constexpr std::uint32_t kTabStop = 0x00010000u;
constexpr std::uint32_t kModalFrame = 0x00000080u;  // DS_MODALFRAME
constexpr std::uint32_t kSetFont = 0x00000040u;     // DS_SETFONT
constexpr std::uint32_t kAutoHScroll = 0x00000080u; // ES_AUTOHSCROLL
constexpr std::uint32_t kButtonTypeMask = 0x0000000Fu;
} // namespace window_style

// Rectangles in dialog units: a quarter of the font's average character width across, an eighth
// of its height down.
struct DialogRect {
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool operator==(const DialogRect&) const = default;
};

enum class ControlKind {
    PushButton,
    DefaultPushButton,
    CheckBox,     // the program checks it
    AutoCheckBox, // a click checks and unchecks it
    GroupBox,
    Edit,
    Static,
    Other,
};

struct ControlTemplate {
    std::int32_t id = -1;
    std::string className; // "Button", "Edit", "Static" or the class a CONTROL names
    std::string text;      // the label as written, & marking the access key
    DialogRect rect;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    int line = 0; // where the script defines it

    STANDIN_API ControlKind Kind() const;
    bool Visible() const { return (style & window_style::kVisible) != 0; }
    bool Enabled() const { return (style & window_style::kDisabled) == 0; }
    bool TabStop() const { return (style & window_style::kTabStop) != 0; }
    // The lower-case character after the first single &, or 0 when the label marks none.
    STANDIN_API char AccessKey() const;
    // The label without its & marks ("&&" stands for one &).
    STANDIN_API std::string PlainText() const;
};

struct DialogTemplate {
    std::int32_t id = 0;
    bool extended = false; // DIALOGEX
    DialogRect rect;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;
    std::string caption;
    std::int32_t fontSize = 0;
    std::string fontName;
    std::vector<ControlTemplate> controls; // in script order, which is the tab order

    STANDIN_API const ControlTemplate* Control(std::int32_t controlId) const;
};

struct ResourceScript {
    std::vector<DialogTemplate> dialogs;
    std::map<std::uint32_t, std::string> strings;

    STANDIN_API const DialogTemplate* Dialog(std::int32_t dialogId) const;
};

// Gives the text of a file that a script includes in quotes, or nothing when there is none.
using IncludeReader = std::function<std::optional<std::string>(std::string_view name)>;

// Reads a script; nothing, and "line N: what" in *error, for text outside the subset.
STANDIN_API std::optional<ResourceScript>
ParseResourceScript(std::string_view text, const IncludeReader& includes, std::string* error);

// The module's own resources (src/options/dxf.rc, built into the stand-in), read once.
// An unreadable script leaves them empty and says why on stderr.
STANDIN_API const ResourceScript& ModuleResources();

} // namespace standin
