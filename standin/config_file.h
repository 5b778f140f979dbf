// The plain-text files of the configuration folder (settings.ini and registry.ini), which share
// one layout:
//
//   # comment (also ; comment)
//   [section name]
//   name=value
//
// Lines are trimmed of blanks and tabs at both ends; names and values are trimmed around the
// first '='. A byte that would break the layout is written as %XX (two hex digits): '%' itself,
// control bytes and DEL everywhere, '=' in names, '[' and ']' in section names, and a blank at
// either end of a field. Everything else, backslashes and bytes above 127 included, stands as
// it is. Section and value names are matched without regard to ASCII case.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace standin::config {

// $VEXA_HOME when set and not empty, else ~/.config/vexa.
std::string Folder();

// ASCII lower case, for the case-insensitive names of sections, keys and values.
std::string Folded(std::string_view text);

// What tells the configuration files apart.
struct FileKind {
    const char* what;      // "settings": in the warning about an unusable file
    const char* fileName;  // "settings.ini", in the configuration folder
    const char* heading;   // the comment the written file starts with
    const char* malformed; // why a value `canonical` refuses is not usable: "is malformed"
    // A value as it is written back, or nothing when it is malformed.
    std::optional<std::string> (*canonical)(std::string_view value);
};

// The `canonical` of a kind whose values `parse` reads and `format` writes.
template <auto Parse, auto Format>
std::optional<std::string> Canonical(std::string_view text) {
    const auto value = Parse(text);
    return value ? std::optional(Format(*value)) : std::nullopt;
}

// One configuration file in memory. It is read when made; a file that is not in the layout, or
// holds a malformed value, reads as empty with one warning on stderr and is renamed to
// NAME.corrupt before the next write replaces it. Every change rewrites the file whole and
// atomically; a change that cannot be saved stays in memory for the session.
class Store {
  public:
    explicit Store(const FileKind& kind);

    // The text of a value, or null.
    const std::string* Find(std::string_view section, std::string_view name) const;
    // The values of a section, in the order of their folded names, by their first-given names.
    std::vector<std::pair<std::string, std::string>> Values(std::string_view section) const;
    // Adds an empty section unless there is one; false when it could not be saved.
    bool AddSection(std::string_view section);
    // Sets a value, adding its section as needed; false when it could not be saved.
    bool Set(std::string_view section, std::string_view name, std::string value);

  private:
    struct Value {
        std::string name;
        std::string text;
    };
    struct Section {
        std::string name;
        std::map<std::string, Value> values; // by folded name
    };
    std::optional<std::string> Load();
    Section& SectionNamed(std::string_view name);
    bool Save();

    const FileKind& kind_;
    std::string path_;
    bool setAside_ = false;
    std::map<std::string, Section> sections_; // by folded name
};

// The store cached in `slot`, made on first use.
Store& Cached(std::shared_ptr<Store>& slot, const FileKind& kind);

} // namespace standin::config
