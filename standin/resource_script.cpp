// Reader of the resource-script subset described in resource_script.h: a lexer that hands out
// names, numbers, strings and punctuation (preprocessor lines are taken care of on the way) and a
// recursive-descent parser over the statements.
#include "standin/resource_script.h"

#include <cctype>
#include <charconv>
#include <cstdio>
#include <stdexcept>
#include <utility>

namespace standin {

namespace {

struct ParseError {
    int line;
    std::string message;
};

enum class TokenType { Name, Number, String, Punct, Directive, End };

struct Token {
    TokenType type = TokenType::End;
    std::string text;        // name, string contents, punctuation or the directive line
    std::int64_t number = 0; // numbers only
    int line = 0;
};

bool IsNameStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

class Lexer {
  public:
    explicit Lexer(std::string_view text) : text_(text) {}

    Token Next() {
        SkipBlanksAndComments();
        Token token;
        token.line = line_;
        if (pos_ >= text_.size()) {
            return token;
        }
        const char c = text_[pos_];
        if (c == '#' && atLineStart_) {
            token.type = TokenType::Directive;
            token.text = RestOfLine();
        } else if (IsNameStart(c)) {
            token.type = TokenType::Name;
            token.text = TakeWhile(IsNameChar);
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            token.type = TokenType::Number;
            token.number = ReadNumber();
        } else if (c == '"') {
            token.type = TokenType::String;
            token.text = ReadString();
        } else if (std::string_view(",|(){}-+~").find(c) != std::string_view::npos) {
            token.type = TokenType::Punct;
            token.text = std::string(1, c);
            ++pos_;
        } else {
            throw ParseError{line_, std::string("unexpected character '") + c + "'"};
        }
        atLineStart_ = false;
        return token;
    }

  private:
    void SkipBlanksAndComments() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
                atLineStart_ = true;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (text_.substr(pos_, 2) == "//") {
                while (pos_ < text_.size() && text_[pos_] != '\n') {
                    ++pos_;
                }
            } else if (text_.substr(pos_, 2) == "/*") {
                const auto end = text_.find("*/", pos_ + 2);
                if (end == std::string_view::npos) {
                    throw ParseError{line_, "comment without its end"};
                }
                for (std::size_t i = pos_; i < end; ++i) {
                    line_ += text_[i] == '\n' ? 1 : 0;
                }
                pos_ = end + 2;
            } else {
                return;
            }
        }
    }

    template <typename Predicate>
    std::string TakeWhile(Predicate keep) {
        const std::size_t start = pos_;
        while (pos_ < text_.size() && keep(text_[pos_])) {
            ++pos_;
        }
        return std::string(text_.substr(start, pos_ - start));
    }

    std::string RestOfLine() {
        ++pos_; // the #
        return TakeWhile([](char c) { return c != '\n' && c != '\r'; });
    }

    std::int64_t ReadNumber() {
        int base = 10;
        if (text_.substr(pos_, 2) == "0x" || text_.substr(pos_, 2) == "0X") {
            base = 16;
            pos_ += 2;
        }
        const std::string digits = TakeWhile([](char c) { return IsNameChar(c); });
        std::string_view value = digits;
        while (!value.empty() && (value.back() == 'L' || value.back() == 'l' ||
                                  value.back() == 'U' || value.back() == 'u')) {
            value.remove_suffix(1);
        }
        std::uint64_t number = 0;
        const auto result =
            std::from_chars(value.data(), value.data() + value.size(), number, base);
        if (value.empty() || result.ec != std::errc() ||
            result.ptr != value.data() + value.size() || number > 0xFFFFFFFFu) {
            throw ParseError{line_, "not a 32-bit number: " + digits};
        }
        return static_cast<std::int64_t>(number);
    }

    // A quoted string: the escapes \n \r \t \\ \" and the doubled quote "" are read.
    std::string ReadString() {
        std::string value;
        ++pos_;
        while (true) {
            if (pos_ >= text_.size() || text_[pos_] == '\n') {
                throw ParseError{line_, "string without its closing quote"};
            }
            const char c = text_[pos_++];
            if (c == '"') {
                if (pos_ < text_.size() && text_[pos_] == '"') {
                    value += '"';
                    ++pos_;
                    continue;
                }
                return value;
            }
            if (c != '\\') {
                value += c;
                continue;
            }
            if (pos_ >= text_.size()) {
                throw ParseError{line_, "string without its closing quote"};
            }
            const char escaped = text_[pos_++];
            switch (escaped) {
            case 'n':
                value += '\n';
                break;
            case 'r':
                value += '\r';
                break;
            case 't':
                value += '\t';
                break;
            case '\\':
            case '"':
                value += escaped;
                break;
            default:
                throw ParseError{line_, std::string("unknown escape \\") + escaped};
            }
        }
    }

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
    bool atLineStart_ = true;
};

// The names that the system headers give a script.
std::map<std::string, std::int64_t, std::less<>> SystemNames() {
    return {
        {"WS_POPUP", 0x80000000LL},
        {"WS_CHILD", 0x40000000LL},
        {"WS_VISIBLE", 0x10000000LL},
        {"WS_DISABLED", 0x08000000},
        {"WS_CAPTION", 0x00C00000},
        {"WS_BORDER", 0x00800000},
        {"WS_DLGFRAME", 0x00400000},
        {"WS_VSCROLL", 0x00200000},
        {"WS_HSCROLL", 0x00100000},
        {"WS_SYSMENU", 0x00080000},
        {"WS_GROUP", 0x00020000},
        {"WS_TABSTOP", 0x00010000},
        {"WS_EX_CLIENTEDGE", 0x200},
        {"DS_MODALFRAME", 0x80},
        {"DS_SETFONT", 0x40},
        {"DS_3DLOOK", 0x4},
        {"DS_CENTER", 0x800},
        {"ES_LEFT", 0},
        {"ES_CENTER", 1},
        {"ES_RIGHT", 2},
        {"ES_AUTOHSCROLL", 0x80},
        {"ES_READONLY", 0x800},
        {"ES_NUMBER", 0x2000},
        {"BS_PUSHBUTTON", 0},
        {"BS_DEFPUSHBUTTON", 1},
        {"BS_CHECKBOX", 2},
        {"BS_AUTOCHECKBOX", 3},
        {"BS_GROUPBOX", 7},
        {"SS_LEFT", 0},
        {"SS_CENTER", 1},
        {"SS_RIGHT", 2},
        {"IDOK", 1},
        {"IDCANCEL", 2},
        {"LANG_NEUTRAL", 0},
        {"LANG_ENGLISH", 0x09},
        {"SUBLANG_NEUTRAL", 0},
        {"SUBLANG_DEFAULT", 1},
        {"SUBLANG_ENGLISH_US", 1},
    };
}

using window_style::kChild;
using window_style::kGroup;
using window_style::kTabStop;
using window_style::kVisible;

// A control statement whose text comes first: its class, the style it has when the script gives
// none, and the style that a given style is added to. The two differ for the static texts, which
// lose WS_GROUP once a style is given, as the resource compiler that builds dxf.cnv has it.
struct ControlStatement {
    std::string_view keyword;
    std::string_view className;
    std::uint32_t defaultStyle;
    std::uint32_t styledBase;
};

constexpr ControlStatement kTextControls[] = {
    {"DEFPUSHBUTTON", "Button", 1 | kTabStop, 1 | kTabStop},
    {"PUSHBUTTON", "Button", 0 | kTabStop, 0 | kTabStop},
    {"CHECKBOX", "Button", 2 | kTabStop, 2 | kTabStop},
    {"AUTOCHECKBOX", "Button", 3 | kTabStop, 3 | kTabStop},
    {"GROUPBOX", "Button", 7, 7},
    {"LTEXT", "Static", 0 | kGroup, 0},
    {"CTEXT", "Static", 1 | kGroup, 1},
    {"RTEXT", "Static", 2 | kGroup, 2},
};
constexpr std::uint32_t kEditDefaultStyle = window_style::kBorder | kTabStop;
constexpr std::uint32_t kDialogDefaultStyle =
    window_style::kPopup | window_style::kBorder | window_style::kSysMenu;
constexpr int kMaxIncludeDepth = 8;

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

class Parser {
  public:
    Parser(std::string_view text, const IncludeReader& includes)
        : lexer_(text), includes_(includes), names_(SystemNames()) {}

    ResourceScript Parse() {
        while (Peek().type != TokenType::End) {
            Statement();
        }
        return std::move(script_);
    }

  private:
    // Tokens, with preprocessor lines handled as they pass.
    const Token& Peek() {
        while (!peeked_) {
            Token token = lexer_.Next();
            if (token.type == TokenType::Directive) {
                Directive(token);
                continue;
            }
            peeked_ = std::move(token);
        }
        return *peeked_;
    }

    Token Next() {
        Peek();
        Token token = std::move(*peeked_);
        peeked_.reset();
        return token;
    }

    [[noreturn]] void Fail(const std::string& message) { throw ParseError{Peek().line, message}; }

    bool AcceptPunct(char c) {
        const Token& token = Peek();
        if (token.type == TokenType::Punct && token.text[0] == c) {
            Next();
            return true;
        }
        return false;
    }

    void ExpectPunct(char c) {
        if (!AcceptPunct(c)) {
            Fail(std::string("expected '") + c + "'" + Found());
        }
    }

    bool AcceptKeyword(std::string_view keyword) {
        const Token& token = Peek();
        if (token.type == TokenType::Name && SameName(token.text, keyword)) {
            Next();
            return true;
        }
        return false;
    }

    std::string Found() {
        const Token& token = Peek();
        switch (token.type) {
        case TokenType::End:
            return " at the end of the script";
        case TokenType::String:
            return ", found \"" + token.text + "\"";
        case TokenType::Number:
            return ", found " + std::to_string(token.number);
        default:
            return ", found " + token.text;
        }
    }

    std::string ExpectString() {
        if (Peek().type != TokenType::String) {
            Fail("expected a quoted text" + Found());
        }
        return Next().text;
    }

    // ---- the preprocessor lines ----

    void Directive(const Token& token) {
        std::string_view line = token.text;
        const auto word = TakeWord(line);
        if (word == "pragma") {
            return;
        }
        if (word == "define") {
            Define(token.line, line);
        } else if (word == "include") {
            Include(token.line, line);
        } else {
            throw ParseError{token.line, "unsupported preprocessor line #" + std::string(word)};
        }
    }

    static std::string_view TakeWord(std::string_view& line) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) {
            line.remove_prefix(1);
        }
        std::size_t length = 0;
        while (length < line.size() && IsNameChar(line[length])) {
            ++length;
        }
        const std::string_view word = line.substr(0, length);
        line.remove_prefix(length);
        return word;
    }

    void Define(int lineNumber, std::string_view line) {
        const std::string name(TakeWord(line));
        if (name.empty() || !IsNameStart(name.front())) {
            throw ParseError{lineNumber, "#define without a name"};
        }
        // The value is an expression of its own, read with a lexer over the rest of the line.
        Parser value(line, includes_);
        value.names_ = names_;
        value.depth_ = depth_;
        if (value.Peek().type == TokenType::End) {
            throw ParseError{lineNumber, "#define " + name + " without a value"};
        }
        try {
            const std::int64_t number = value.Expression();
            if (value.Peek().type != TokenType::End) {
                value.Fail("more than one expression");
            }
            names_[name] = number;
        } catch (const ParseError& e) {
            throw ParseError{lineNumber, "#define " + name + ": " + e.message};
        }
    }

    void Include(int lineNumber, std::string_view line) {
        while (!line.empty() && std::isspace(static_cast<unsigned char>(line.front()))) {
            line.remove_prefix(1);
        }
        if (!line.empty() && line.front() == '<') {
            return; // a system header: its names are known already
        }
        const auto close = line.size() > 1 ? line.find('"', 1) : std::string_view::npos;
        if (line.empty() || line.front() != '"' || close == std::string_view::npos) {
            throw ParseError{lineNumber, "#include needs a name in quotes or in < >"};
        }
        const std::string name(line.substr(1, close - 1));
        if (depth_ >= kMaxIncludeDepth) {
            throw ParseError{lineNumber, "#include nested too deeply: " + name};
        }
        const std::optional<std::string> text = includes_ ? includes_(name) : std::nullopt;
        if (!text) {
            throw ParseError{lineNumber, "cannot read included file " + name};
        }
        Parser included(*text, includes_);
        included.names_ = std::move(names_);
        included.depth_ = depth_ + 1;
        try {
            if (included.Peek().type != TokenType::End) {
                included.Fail("an included file may hold only preprocessor lines");
            }
        } catch (const ParseError& e) {
            throw ParseError{lineNumber,
                             name + ": line " + std::to_string(e.line) + ": " + e.message};
        }
        names_ = std::move(included.names_);
    }

    // ---- expressions ----

    std::int64_t Expression() {
        std::int64_t value = Sum();
        while (AcceptPunct('|')) {
            value |= Sum();
        }
        return value;
    }

    std::int64_t Sum() {
        std::int64_t value = Unary();
        while (true) {
            if (AcceptPunct('+')) {
                value += Unary();
            } else if (AcceptPunct('-')) {
                value -= Unary();
            } else {
                return value;
            }
        }
    }

    std::int64_t Unary() {
        if (AcceptPunct('-')) {
            return -Unary();
        }
        if (AcceptPunct('~')) {
            return ~Unary() & 0xFFFFFFFFLL;
        }
        if (AcceptPunct('(')) {
            const std::int64_t value = Expression();
            ExpectPunct(')');
            return value;
        }
        const Token& token = Peek();
        if (token.type == TokenType::Number) {
            return Next().number;
        }
        if (token.type == TokenType::Name) {
            const auto found = names_.find(token.text);
            if (found == names_.end()) {
                Fail("unknown name " + token.text);
            }
            Next();
            return found->second;
        }
        Fail("expected a number" + Found());
    }

    std::int32_t Int32() {
        const int line = Peek().line;
        const std::int64_t value = Expression();
        if (value < INT32_MIN || value > INT32_MAX) {
            throw ParseError{line, "value out of range: " + std::to_string(value)};
        }
        return static_cast<std::int32_t>(value);
    }

    // A style: `base`, then each term set, or cleared when NOT stands before it.
    std::uint32_t Style(std::uint32_t base) {
        std::uint32_t style = base;
        do {
            const bool clear = AcceptKeyword("NOT");
            const auto bits = static_cast<std::uint32_t>(Sum() & 0xFFFFFFFFLL);
            style = clear ? style & ~bits : style | bits;
        } while (AcceptPunct('|'));
        return style;
    }

    DialogRect Rect() {
        DialogRect rect;
        rect.x = Int32();
        ExpectPunct(',');
        rect.y = Int32();
        ExpectPunct(',');
        rect.width = Int32();
        ExpectPunct(',');
        rect.height = Int32();
        return rect;
    }

    // ---- statements ----

    void Statement() {
        if (AcceptKeyword("LANGUAGE")) {
            Expression();
            ExpectPunct(',');
            Expression();
            return;
        }
        if (AcceptKeyword("STRINGTABLE")) {
            StringTable();
            return;
        }
        const int line = Peek().line;
        const std::int32_t id = Int32();
        if (AcceptKeyword("DIALOGEX")) {
            Dialog(id, true, line);
        } else if (AcceptKeyword("DIALOG")) {
            Dialog(id, false, line);
        } else {
            Fail("unsupported resource type" + Found());
        }
    }

    void Begin() {
        if (!AcceptKeyword("BEGIN") && !AcceptPunct('{')) {
            Fail("expected BEGIN" + Found());
        }
    }

    bool AcceptEnd() { return AcceptKeyword("END") || AcceptPunct('}'); }

    void StringTable() {
        while (AcceptKeyword("LANGUAGE")) {
            Expression();
            ExpectPunct(',');
            Expression();
        }
        Begin();
        while (!AcceptEnd()) {
            const int line = Peek().line;
            const std::int32_t id = Int32();
            AcceptPunct(',');
            std::string text = ExpectString();
            if (id < 0 || id > 0xFFFF) {
                throw ParseError{line, "string id out of range: " + std::to_string(id)};
            }
            if (!script_.strings.emplace(static_cast<std::uint32_t>(id), std::move(text)).second) {
                throw ParseError{line, "string " + std::to_string(id) + " defined twice"};
            }
        }
    }

    void Dialog(std::int32_t id, bool extended, int line) {
        if (script_.Dialog(id)) {
            throw ParseError{line, "dialog " + std::to_string(id) + " defined twice"};
        }
        DialogTemplate dialog;
        dialog.id = id;
        dialog.extended = extended;
        dialog.style = kDialogDefaultStyle;
        dialog.rect = Rect();
        if (extended && AcceptPunct(',')) {
            Expression(); // the help id
        }
        while (!AcceptKeyword("BEGIN") && !AcceptPunct('{')) {
            DialogOption(dialog);
        }
        while (!AcceptEnd()) {
            ControlTemplate control = Control();
            if (control.id != -1 && dialog.Control(control.id)) {
                throw ParseError{control.line,
                                 "control " + std::to_string(control.id) + " defined twice"};
            }
            dialog.controls.push_back(std::move(control));
        }
        script_.dialogs.push_back(std::move(dialog));
    }

    void DialogOption(DialogTemplate& dialog) {
        if (AcceptKeyword("STYLE")) {
            dialog.style = Style(0);
        } else if (AcceptKeyword("EXSTYLE")) {
            dialog.exStyle = Style(0);
        } else if (AcceptKeyword("CAPTION")) {
            dialog.caption = ExpectString();
            dialog.style |= window_style::kCaption;
        } else if (AcceptKeyword("FONT")) {
            dialog.fontSize = Int32();
            ExpectPunct(',');
            dialog.fontName = ExpectString();
            for (int extra = 0; extra < 3 && dialog.extended && AcceptPunct(','); ++extra) {
                Expression(); // weight, italic, character set
            }
            dialog.style |= window_style::kSetFont;
        } else if (AcceptKeyword("LANGUAGE")) {
            Expression();
            ExpectPunct(',');
            Expression();
        } else {
            Fail("unsupported dialog statement" + Found());
        }
    }

    ControlTemplate Control() {
        ControlTemplate control;
        control.line = Peek().line;
        if (AcceptKeyword("EDITTEXT")) {
            control.className = "Edit";
            control.id = Int32();
            ExpectPunct(',');
            ControlTail(control, kEditDefaultStyle, kEditDefaultStyle);
            return control;
        }
        if (AcceptKeyword("CONTROL")) {
            GenericControl(control);
            return control;
        }
        for (const ControlStatement& statement : kTextControls) {
            if (AcceptKeyword(statement.keyword)) {
                control.className = statement.className;
                control.text = ExpectString();
                ExpectPunct(',');
                control.id = Int32();
                ExpectPunct(',');
                ControlTail(control, statement.defaultStyle, statement.styledBase);
                return control;
            }
        }
        Fail("unsupported control statement" + Found());
    }

    // x, y, width, height [, style [, extended style]]
    void ControlTail(ControlTemplate& control, std::uint32_t defaultStyle,
                     std::uint32_t styledBase) {
        control.rect = Rect();
        control.style = kChild | kVisible | defaultStyle;
        if (AcceptPunct(',')) {
            control.style = Style(kChild | kVisible | styledBase);
            if (AcceptPunct(',')) {
                control.exStyle = Style(0);
            }
        }
    }

    // CONTROL "text", id, class, style, x, y, width, height [, extended style]
    void GenericControl(ControlTemplate& control) {
        control.text = ExpectString();
        ExpectPunct(',');
        control.id = Int32();
        ExpectPunct(',');
        const Token& token = Peek();
        if (token.type != TokenType::String && token.type != TokenType::Name) {
            Fail("expected a window class" + Found());
        }
        control.className = Next().text;
        ExpectPunct(',');
        control.style = Style(kChild | kVisible);
        ExpectPunct(',');
        control.rect = Rect();
        if (AcceptPunct(',')) {
            control.exStyle = Style(0);
        }
    }

    Lexer lexer_;
    const IncludeReader& includes_;
    std::map<std::string, std::int64_t, std::less<>> names_;
    int depth_ = 0;
    std::optional<Token> peeked_;
    ResourceScript script_;
};

} // namespace

ControlKind ControlTemplate::Kind() const {
    if (SameName(className, "Edit")) {
        return ControlKind::Edit;
    }
    if (SameName(className, "Static")) {
        return ControlKind::Static;
    }
    if (!SameName(className, "Button")) {
        return ControlKind::Other;
    }
    switch (style & window_style::kButtonTypeMask) {
    case 0:
        return ControlKind::PushButton;
    case 1:
        return ControlKind::DefaultPushButton;
    case 2:
        return ControlKind::CheckBox;
    case 3:
        return ControlKind::AutoCheckBox;
    case 7:
        return ControlKind::GroupBox;
    default:
        return ControlKind::Other;
    }
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
    for (const ControlTemplate& control : controls) {
        if (control.id == controlId) {
            return &control;
        }
    }
    return nullptr;
}

const DialogTemplate* ResourceScript::Dialog(std::int32_t dialogId) const {
    for (const DialogTemplate& dialog : dialogs) {
        if (dialog.id == dialogId) {
            return &dialog;
        }
    }
    return nullptr;
}

std::optional<ResourceScript>
ParseResourceScript(std::string_view text, const IncludeReader& includes, std::string* error) {
    try {
        return Parser(text, includes).Parse();
    } catch (const ParseError& e) {
        if (error) {
            *error = "line " + std::to_string(e.line) + ": " + e.message;
        }
    } catch (const std::exception& e) {
        if (error) {
            *error = e.what();
        }
    }
    return std::nullopt;
}

} // namespace standin
