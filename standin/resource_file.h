// The stand-in's reader of compiled resource files (.res, the 32-bit format that windres and the
// system's resource compiler write): the module's dialog templates and string table come from the
// .res that windres makes of src/options/dxf.rc, the same bytes the Windows build links into
// dxf.cnv. Read: DIALOG and DIALOGEX templates and STRINGTABLE blocks named by number; other
// resources are passed over. A file that ends inside a resource, or a resource that ends inside
// one of its fields, is refused with the offset where the reading stopped.
#pragma once

#include "standin/standin.h"

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace standin {

// Window-style bits the stand-in reads from a template.
namespace window_style {
constexpr std::uint32_t kVisible = 0x10000000u;
constexpr std::uint32_t kDisabled = 0x08000000u;
constexpr std::uint32_t kTabStop = 0x00010000u;
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
    std::string className; // "Button", "Edit", "Static", ... or the class a CONTROL names
    std::string text;      // the label (Latin-1), & marking the access key
    DialogRect rect;
    std::uint32_t style = 0;
    std::uint32_t exStyle = 0;

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
    std::vector<ControlTemplate> controls; // in template order, which is the tab order

    STANDIN_API const ControlTemplate* Control(std::int32_t controlId) const;
};

struct ResourceFile {
    std::vector<DialogTemplate> dialogs;
    std::map<std::uint32_t, std::string> strings; // by string id; empty strings are absent

    STANDIN_API const DialogTemplate* Dialog(std::int32_t dialogId) const;
};

// Reads a resource file; nothing, and "offset N: what" in *error, for bytes it cannot read.
STANDIN_API std::optional<ResourceFile> ReadResourceFile(std::span<const std::uint8_t> bytes,
                                                         std::string* error);

// The module's compiled resources, built into the stand-in, and what they read as (once). An
// unreadable file leaves them empty and says why on stderr.
STANDIN_API std::span<const std::uint8_t> ModuleResourceFile();
STANDIN_API const ResourceFile& ModuleResources();

} // namespace standin
