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
// it is. Files are written whole: to a temporary file beside the target, then renamed over it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace standin::config {

// $VEXA_HOME when set and not empty, else ~/.config/vexa.
std::string Folder();

struct Entry {
    std::string name;
    std::string value;
};
struct Section {
    std::string name;
    std::vector<Entry> entries;
};
struct FileContent {
    std::vector<Section> sections;
    std::optional<std::string> error; // "line N: reason" when the file is not in the layout
};

// A missing file reads as empty, without error; an unreadable one reports an error.
FileContent Read(const std::string& path);
std::string Format(const std::vector<Section>& sections, std::string_view heading);
bool WriteAtomically(const std::string& path, const std::string& text, std::string* error);

enum class Field { Name, Value, SectionName };
std::string Encode(std::string_view text, Field field);
std::optional<std::string> Decode(std::string_view text);

// ASCII lower case, for the case-insensitive names of sections, keys and values.
std::string Folded(std::string_view text);

// Prints one warning line about a file that was set aside.
void WarnCorrupt(const char* what, const std::string& path, const std::string& reason);

} // namespace standin::config
