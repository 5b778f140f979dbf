#include "standin/config_file.h"
#include "standin/posix_files.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace standin::config {

namespace {

constexpr std::string_view kBlanks = " \t";

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

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
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

std::string Encode(std::string_view text, Field field) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool atEdge = i == 0 || i + 1 == text.size();
        if (NeedsEscape(byte, field, atEdge)) {
            encoded += '%';
            encoded += kDigits[byte >> 4];
            encoded += kDigits[byte & 0xF];
        } else {
            encoded += static_cast<char>(byte);
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
        const int high = i + 1 < text.size() ? HexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? HexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        decoded += static_cast<char>(high * 16 + low);
        i += 2;
    }
    return decoded;
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

FileContent Read(const std::string& path) {
    FileContent content;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ignored;
        if (std::filesystem::exists(path, ignored)) {
            content.error = "cannot be read";
        }
        return content;
    }
    std::string line;
    std::size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string_view text = Trimmed(line);
        if (text.empty() || text.front() == '#' || text.front() == ';') {
            continue;
        }
        if (text.front() == '[') {
            const auto name =
                text.back() == ']' ? Decode(text.substr(1, text.size() - 2)) : std::nullopt;
            if (!name) {
                content.error = LineError(number, "malformed section name");
                return content;
            }
            content.sections.push_back({*name, {}});
            continue;
        }
        const auto equals = text.find('=');
        if (equals == std::string_view::npos) {
            content.error = LineError(number, "expected name=value");
            return content;
        }
        if (content.sections.empty()) {
            content.error = LineError(number, "value outside a section");
            return content;
        }
        auto name = Decode(Trimmed(text.substr(0, equals)));
        auto value = Decode(Trimmed(text.substr(equals + 1)));
        if (!name || !value) {
            content.error = LineError(number, "malformed %XX escape");
            return content;
        }
        content.sections.back().entries.push_back({std::move(*name), std::move(*value)});
    }
    if (in.bad()) {
        content.error = "cannot be read";
    }
    return content;
}

std::string Format(const std::vector<Section>& sections, std::string_view heading) {
    std::string text = "# ";
    text += heading;
    text += '\n';
    for (const Section& section : sections) {
        text += "\n[";
        text += Encode(section.name, Field::SectionName);
        text += "]\n";
        for (const Entry& entry : section.entries) {
            text += Encode(entry.name, Field::Name);
            text += '=';
            text += Encode(entry.value, Field::Value);
            text += '\n';
        }
    }
    return text;
}

bool WriteAtomically(const std::string& path, const std::string& text, std::string* error) {
    const auto fail = [&](const std::string& what) {
        if (error) {
            *error = what + ": " + std::strerror(errno);
        }
        return false;
    };
    std::error_code ignored;
    std::filesystem::create_directories(std::filesystem::path(path).parent_path(), ignored);
    const std::string temporary = path + ".tmp." + std::to_string(::getpid());
    const int fd =
        ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | kBinaryFile, 0644);
    if (fd < 0) {
        return fail("cannot create " + temporary);
    }
    std::size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            ::unlink(temporary.c_str());
            return fail("cannot write " + temporary);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        ::unlink(temporary.c_str());
        return fail("cannot write " + temporary);
    }
    if (RenameOver(temporary.c_str(), path.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return fail("cannot replace " + path);
    }
    return true;
}

void WarnCorrupt(const char* what, const std::string& path, const std::string& reason) {
    std::fprintf(stderr, "vexa: %s file %s is not usable (%s); using defaults\n", what,
                 path.c_str(), reason.c_str());
}

} // namespace standin::config
