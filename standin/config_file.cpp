#include "standin/config_file.h"
#include "standin/files.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace standin::config {

namespace {

constexpr std::string_view kBlanks = " \t";

enum class Field { Name, Value, SectionName };

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(kBlanks);
    return text.substr(first, last - first + 1);
}

bool NeedsEscape(unsigned char byte, Field field, bool atEdge) {
    if (byte == '%' || byte < 0x20 || byte == 0x7F) {
        return true;
    }
    if ((byte == ' ' || byte == '\t') && atEdge) {
        return true;
    }
    switch (field) {
    case Field::Name:
        return byte == '=' || (atEdge && (byte == '[' || byte == '#' || byte == ';'));
    case Field::SectionName:
        return byte == '[' || byte == ']';
    case Field::Value:
        return false;
    }
    return false;
}

std::string Encode(std::string_view text, Field field) {
    std::string encoded;
    encoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const bool atEdge = i == 0 || i + 1 == text.size();
        if (NeedsEscape(static_cast<unsigned char>(text[i]), field, atEdge)) {
            encoded += '%';
            AppendHex(encoded, text.substr(i, 1), true);
        } else {
            encoded += text[i];
        }
    }
    return encoded;
}

std::optional<std::string> Decode(std::string_view text) {
    std::string decoded;
    decoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            decoded += text[i];
            continue;
        }
        const auto byte = DecodeHex(text.substr(i + 1, 2));
        if (!byte || byte->size() != 1) {
            return std::nullopt;
        }
        decoded += *byte;
        i += 2;
    }
    return decoded;
}

std::string LineError(std::size_t line, const char* reason) {
    return "line " + std::to_string(line) + ": " + reason;
}

} // namespace

std::string Folder() {
    if (const char* home = std::getenv("VEXA_HOME"); home && *home) {
        return home;
    }
    if (const char* home = std::getenv("HOME"); home && *home) {
        return std::string(home) + "/.config/vexa";
    }
    return ".config/vexa";
}

std::string Folded(std::string_view text) {
    std::string folded(text);
    for (char& c : folded) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return folded;
}

Store::Store(const FileKind& kind) : kind_(kind), path_(Folder() + "/" + kind.fileName) {
    if (const auto problem = Load()) {
        std::fprintf(stderr, "vexa: %s file %s is not usable (%s); using defaults\n", kind_.what,
                     path_.c_str(), problem->c_str());
        sections_.clear();
        setAside_ = true;
    }
}

// A fault of the layout is reported at once; a malformed value only once the whole file is
// known to be in the layout.
std::optional<std::string> Store::Load() {
    std::ifstream in(path_, std::ios::binary);
    if (!in) {
        std::error_code ignored;
        return std::filesystem::exists(path_, ignored)
                   ? std::optional<std::string>("cannot be read")
                   : std::nullopt;
    }
    std::optional<std::string> malformed;
    Section* section = nullptr;
    std::string line;
    for (std::size_t number = 1; std::getline(in, line); ++number) {
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#' || text.front() == ';') {
            continue;
        }
        if (text.front() == '[') {
            const auto name =
                text.back() == ']' ? Decode(text.substr(1, text.size() - 2)) : std::nullopt;
            if (!name) {
                return LineError(number, "malformed section name");
            }
            section = &SectionNamed(*name);
            section->name = *name;
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            return LineError(number, "expected name=value");
        }
        if (section == nullptr) {
            return LineError(number, "value outside a section");
        }
        const auto name = Decode(Trimmed(text.substr(0, equals)));
        const auto value = Decode(Trimmed(text.substr(equals + 1)));
        if (!name || !value) {
            return LineError(number, "malformed %XX escape");
        }
        auto canonical = kind_.canonical(*value);
        if (!canonical && !malformed) {
            malformed = "value \"" + *name + "\" of [" + section->name + "] " + kind_.malformed;
        }
        section->values[Folded(*name)] = {*name, canonical.value_or(std::string())};
    }
    return in.bad() ? std::optional<std::string>("cannot be read") : malformed;
}

Store::Section& Store::SectionNamed(std::string_view name) {
    Section& section = sections_[Folded(name)];
    if (section.name.empty()) {
        section.name = name;
    }
    return section;
}

const std::string* Store::Find(std::string_view section, std::string_view name) const {
    const auto foundSection = sections_.find(Folded(section));
    if (foundSection == sections_.end()) {
        return nullptr;
    }
    const auto found = foundSection->second.values.find(Folded(name));
    return found == foundSection->second.values.end() ? nullptr : &found->second.text;
}

std::vector<std::pair<std::string, std::string>> Store::Values(std::string_view section) const {
    std::vector<std::pair<std::string, std::string>> values;
    if (const auto found = sections_.find(Folded(section)); found != sections_.end()) {
        for (const auto& [folded, value] : found->second.values) {
            values.emplace_back(value.name, value.text);
        }
    }
    return values;
}

bool Store::AddSection(std::string_view section) {
    if (sections_.contains(Folded(section))) {
        return true;
    }
    SectionNamed(section);
    return Save();
}

bool Store::Set(std::string_view section, std::string_view name, std::string value) {
    Value& stored = SectionNamed(section).values[Folded(name)];
    if (stored.name.empty()) {
        stored.name = name;
    }
    stored.text = std::move(value);
    return Save();
}

bool Store::Save() {
    std::string text = "# ";
    text += kind_.heading;
    text += '\n';
    for (const auto& [folded, section] : sections_) {
        text += "\n[" + Encode(section.name, Field::SectionName) + "]\n";
        for (const auto& [foldedName, value] : section.values) {
            text += Encode(value.name, Field::Name) + '=' + Encode(value.text, Field::Value) + '\n';
        }
    }
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path_).parent_path(), ignored);
    if (setAside_) {
        // Keep the unusable file for its owner instead of writing over it.
        std::rename(path_.c_str(), (path_ + ".corrupt").c_str());
        setAside_ = false;
    }
    std::string error;
    if (!WriteFileAtomically(path_, text, &error)) {
        std::fprintf(stderr, "vexa: %s not saved: %s\n", kind_.what, error.c_str());
        return false;
    }
    return true;
}

Store& Cached(std::shared_ptr<Store>& slot, const FileKind& kind) {
    if (!slot) {
        slot = std::make_shared<Store>(kind);
    }
    return *slot;
}

} // namespace standin::config
