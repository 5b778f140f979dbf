// Reader of compiled resource files (resource_file.h). Each resource is a header (data size,
// header size, type, name, then fixed fields) and its data, both starting on a 4-byte boundary.
// A type or name is the word 0xFFFF and a number, or a zero-terminated UTF-16 name. Every read is
// checked against the end of what it reads from; a read past it stops the whole file.
#include "standin/resource_file.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <iterator>

namespace standin {

namespace {

constexpr std::uint16_t kOrdinal = 0xFFFF;
constexpr std::uint32_t kDialogType = 5;
constexpr std::uint32_t kStringTableType = 6;
constexpr std::size_t kStringsPerBlock = 16;

struct Malformed {
    std::size_t offset;
    const char* what;
};

// A UTF-16 text as the system's ANSI calls give it on a Western code page: units up to U+00FF as
// that byte (Latin-1), any other as '?'.
char Ansi(char16_t unit) {
    return unit <= 0xFF ? static_cast<char>(unit) : '?';
}

// A type, name, class or title: a number, or a text (an empty text stands for none).
struct NameOrNumber {
    std::optional<std::uint16_t> number;
    std::string text;
};

// Little-endian reads from one span of the file; `base` is the span's offset in the file.
class Cursor {
  public:
    Cursor(std::span<const std::uint8_t> bytes, std::size_t base) : bytes_(bytes), base_(base) {}

    bool AtEnd() const { return pos_ >= bytes_.size(); }
    std::size_t Offset() const { return base_ + pos_; }
    void Skip(std::size_t count) {
        Need(count, "ends inside a field");
        pos_ += count;
    }
    // To the next 4-byte boundary of the span (a template's items, the next resource).
    void Align() { pos_ = std::min(bytes_.size(), (pos_ + 3) & ~std::size_t{3}); }
    std::uint16_t Word() {
        Need(2, "ends inside a field");
        pos_ += 2;
        return static_cast<std::uint16_t>(bytes_[pos_ - 2] | bytes_[pos_ - 1] << 8);
    }
    std::uint32_t Dword() {
        const std::uint32_t low = Word();
        return low | static_cast<std::uint32_t>(Word()) << 16;
    }
    std::int16_t Short() { return static_cast<std::int16_t>(Word()); }
    std::string Text() {
        std::string text;
        for (char16_t unit = Word(); unit != 0; unit = Word()) {
            text += Ansi(unit);
        }
        return text;
    }
    NameOrNumber Name() {
        if (Peek() == kOrdinal) {
            Word();
            return NameOrNumber{Word(), {}};
        }
        return NameOrNumber{std::nullopt, Text()};
    }
    // The next `count` bytes as a span of their own.
    Cursor Take(std::size_t count) {
        Need(count, "ends before the size its header gives");
        pos_ += count;
        return Cursor(bytes_.subspan(pos_ - count, count), Offset() - count);
    }

  private:
    std::uint16_t Peek() {
        const std::size_t at = pos_;
        const std::uint16_t value = Word();
        pos_ = at;
        return value;
    }
    void Need(std::size_t count, const char* what) const {
        if (count > bytes_.size() - pos_) {
            throw Malformed{Offset(), what};
        }
    }

    std::span<const std::uint8_t> bytes_;
    std::size_t base_;
    std::size_t pos_ = 0;
};

DialogRect Rect(Cursor& data) {
    DialogRect rect;
    rect.x = data.Short();
    rect.y = data.Short();
    rect.width = data.Short();
    rect.height = data.Short();
    return rect;
}

std::string ClassName(const NameOrNumber& name) {
    static constexpr const char* kClasses[] = {"Button",  "Edit",      "Static",
                                               "ListBox", "ScrollBar", "ComboBox"};
    if (!name.number) {
        return name.text;
    }
    const unsigned index = *name.number - 0x80u;
    return index < std::size(kClasses) ? kClasses[index] : "#" + std::to_string(*name.number);
}

// An item of a DLGTEMPLATE (DLGITEMTEMPLATE) or of a DLGTEMPLATEEX.
ControlTemplate Control(Cursor& data, bool extended) {
    ControlTemplate control;
    if (extended) {
        data.Dword(); // the help id
        control.exStyle = data.Dword();
        control.style = data.Dword();
    } else {
        control.style = data.Dword();
        control.exStyle = data.Dword();
    }
    control.rect = Rect(data);
    control.id = extended ? static_cast<std::int32_t>(data.Dword()) : data.Short();
    control.className = ClassName(data.Name());
    control.text = data.Name().text; // a number here names an icon: no label
    data.Skip(data.Word());          // the creation data
    return control;
}

// A DLGTEMPLATE or a DLGTEMPLATEEX (version 1, signature 0xFFFF) and its items.
DialogTemplate Dialog(Cursor data, std::int32_t id) {
    DialogTemplate dialog;
    dialog.id = id;
    const std::uint32_t first = data.Dword();
    dialog.extended = first == 0xFFFF0001u;
    if (dialog.extended) {
        data.Dword(); // the help id
        dialog.exStyle = data.Dword();
        dialog.style = data.Dword();
    } else {
        dialog.style = first;
        dialog.exStyle = data.Dword();
    }
    const std::uint16_t count = data.Word();
    dialog.rect = Rect(data);
    data.Name(); // the menu
    data.Name(); // the window class
    dialog.caption = data.Text();
    if ((dialog.style & window_style::kSetFont) != 0) {
        dialog.fontSize = data.Word();
        if (dialog.extended) {
            data.Skip(4); // weight, italic, character set
        }
        dialog.fontName = data.Text();
    }
    for (std::uint16_t i = 0; i < count; ++i) {
        data.Align();
        dialog.controls.push_back(Control(data, dialog.extended));
    }
    return dialog;
}

// Block n holds strings 16 (n - 1) to 16 n - 1, each a length and that many UTF-16 units.
void StringBlock(Cursor data, std::uint16_t block, ResourceFile& file) {
    for (std::uint32_t i = 0; i < kStringsPerBlock && block > 0; ++i) {
        std::string text(data.Word(), '\0');
        for (char& c : text) {
            c = Ansi(data.Word());
        }
        if (!text.empty()) {
            file.strings[(block - 1u) * kStringsPerBlock + i] = std::move(text);
        }
    }
}

// One resource: its header, then its data.
void Resource(Cursor& file, ResourceFile& resources) {
    const std::size_t start = file.Offset();
    const std::uint32_t dataSize = file.Dword();
    const std::uint32_t headerSize = file.Dword();
    if (headerSize < 8) {
        throw Malformed{start, "header shorter than its sizes"};
    }
    Cursor header = file.Take(headerSize - 8);
    const NameOrNumber type = header.Name();
    const NameOrNumber name = header.Name();
    Cursor data = file.Take(dataSize);
    file.Align();
    if (!type.number || !name.number) {
        return;
    }
    if (*type.number == kDialogType) {
        resources.dialogs.push_back(Dialog(data, *name.number));
    } else if (*type.number == kStringTableType) {
        StringBlock(data, *name.number, resources);
    }
}

} // namespace

ControlKind ControlTemplate::Kind() const {
    // The system's classes come as numbers, named here as ClassName gives them.
    if (className == "Edit") {
        return ControlKind::Edit;
    }
    if (className == "Static") {
        return ControlKind::Static;
    }
    if (className != "Button") {
        return ControlKind::Other;
    }
    // By the button type of the style.
    constexpr std::array kButtons{ControlKind::PushButton, ControlKind::DefaultPushButton,
                                  ControlKind::CheckBox,   ControlKind::AutoCheckBox,
                                  ControlKind::Other,      ControlKind::Other,
                                  ControlKind::Other,      ControlKind::GroupBox};
    const std::size_t type = style & window_style::kButtonTypeMask;
    return type < kButtons.size() ? kButtons[type] : ControlKind::Other;
}

char ControlTemplate::AccessKey() const {
    for (std::size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') {
            continue;
        }
        if (text[i + 1] == '&') {
            ++i; // "&&" is a plain &
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

std::string ControlTemplate::PlainText() const {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        plain += text[i];
    }
    return plain;
}

const ControlTemplate* DialogTemplate::Control(std::int32_t controlId) const {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [&](const ControlTemplate& c) { return c.id == controlId; });
    return found == controls.end() ? nullptr : &*found;
}

const DialogTemplate* ResourceFile::Dialog(std::int32_t dialogId) const {
    const auto found = std::find_if(dialogs.begin(), dialogs.end(),
                                    [&](const DialogTemplate& d) { return d.id == dialogId; });
    return found == dialogs.end() ? nullptr : &*found;
}

std::optional<ResourceFile> ReadResourceFile(std::span<const std::uint8_t> bytes,
                                             std::string* error) {
    ResourceFile resources;
    try {
        Cursor file(bytes, 0);
        while (!file.AtEnd()) {
            Resource(file, resources);
        }
        return resources;
    } catch (const Malformed& e) {
        if (error) {
            *error = "offset " + std::to_string(e.offset) + ": " + e.what;
        }
    } catch (const std::exception& e) {
        if (error) {
            *error = e.what();
        }
    }
    return std::nullopt;
}

} // namespace standin
