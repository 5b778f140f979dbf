#include "case_files.h"

#include "import/import_settings.h"
#include "module/exports.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

namespace testing_support {

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

// "CODE VALUE" as the two lines of a group pair.
std::string GroupLines(const std::string& line) {
    const std::size_t space = std::min(line.find(' '), line.size());
    return line.substr(0, space) + "\n" + line.substr(std::min(space + 1, line.size())) + "\n";
}

} // namespace

void SetSettingText(const std::string& name, const std::string& value) {
    const auto definition = std::find_if(kImportSettings.begin(), kImportSettings.end(),
                                         [&](const auto& d) { return name == d.name; });
    if (definition == kImportSettings.end()) {
        ADD_FAILURE() << "unknown setting " << name;
        return;
    }
    switch (definition->type) {
    case SettingType::Double:
        SetSetting(definition->name, std::stod(value));
        break;
    case SettingType::Integer:
        SetSetting(definition->name, static_cast<std::int32_t>(std::stol(value)));
        break;
    case SettingType::Text:
        SetSetting(definition->name, value.c_str());
        break;
    }
}

// Object ids depend on what the process made before; the n-th id met becomes n.
std::string RenumberedIds(const std::string& document) {
    static const std::regex idField(R"("id":(\d+))");
    static const std::regex membersField(R"("members":\[([\d,]*)\])");
    std::map<std::string, int> numbers;
    const auto number = [&](const std::string& id) {
        return std::to_string(
            numbers.emplace(id, static_cast<int>(numbers.size()) + 1).first->second);
    };
    std::string out;
    for (const std::string& line : Lines(document)) {
        std::string renamed;
        auto begin = line.cbegin();
        for (std::sregex_iterator it(line.begin(), line.end(), idField), end; it != end; ++it) {
            renamed.append(begin, (*it)[1].first);
            renamed += number((*it)[1].str());
            begin = (*it)[1].second;
        }
        renamed.append(begin, line.cend());
        std::smatch members;
        if (std::regex_search(renamed, members, membersField)) {
            std::string list;
            std::istringstream ids(members[1].str());
            for (std::string id; std::getline(ids, id, ',');)
                list += (list.empty() ? "" : ",") + number(id);
            renamed =
                members.prefix().str() + "\"members\":[" + list + "]" + members.suffix().str();
        }
        out += renamed + "\n";
    }
    return out;
}

namespace {

std::string AttributeLines(HWND window) {
    const standin::AttributeTable table = standin::AttributeTableOf(window);
    std::string out = "attributes:";
    for (const std::string& column : table.columns)
        out += " [" + column + "]";
    out += "\n";
    for (const auto& row : table.rows) {
        out += " ";
        for (const std::string& cell : row)
            out += " [" + cell + "]";
        out += "\n";
    }
    return out;
}

} // namespace

std::vector<DataCase> ReadCases(const fs::path& file) {
    std::vector<DataCase> cases;
    enum class Part { None, Groups, Map, Expected } part = Part::None;
    bool wrapEntities = false;
    const auto finishGroups = [&] {
        if (part == Part::Groups && wrapEntities)
            cases.back().dxf = EntitiesFile(cases.back().dxf);
    };
    const std::vector<std::string> lines = Lines(ReadText(file));
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        if (line.starts_with("case ")) {
            finishGroups();
            cases.push_back({line.substr(5), {}, false, "", "", "", 0});
            part = Part::None;
        } else if (part == Part::Expected) {
            cases.back().expected += line + "\n";
        } else if (line.empty() || line[0] == '#') {
            continue;
        } else if (cases.empty()) {
            ADD_FAILURE() << file << ":" << i + 1 << ": text before the first case";
        } else if (part == Part::Groups && line != "expect") {
            cases.back().dxf += GroupLines(line);
        } else if (part == Part::Map && line != "expect") {
            cases.back().map += line + "\n";
        } else if (line.starts_with("set ")) {
            const auto space = line.find(' ', 4);
            cases.back().settings.emplace_back(line.substr(4, space - 4),
                                               space == std::string::npos ? ""
                                                                          : line.substr(space + 1));
        } else if (line == "attributes") {
            cases.back().attributes = true;
        } else if (line == "map") {
            part = Part::Map;
        } else if (line == "entities" || line == "file") {
            wrapEntities = line == "entities";
            part = Part::Groups;
        } else if (line == "expect") {
            finishGroups();
            part = Part::Expected;
            cases.back().expectLine = i + 1;
        } else {
            ADD_FAILURE() << file << ":" << i + 1 << ": not understood: " << line;
        }
    }
    finishGroups();
    for (DataCase& dataCase : cases) {
        // Blank lines between cases belong to no result.
        while (dataCase.expected.ends_with("\n\n"))
            dataCase.expected.pop_back();
    }
    return cases;
}

std::string RunImportCase(const DataCase& importCase) {
    TempHome home;
    for (const auto& [name, value] : importCase.settings)
        SetSettingText(name, value);
    MessageBoxes boxes;
    MapWindow map;
    HWND attributeWindow = importCase.attributes ? standin::CreateAttributeWindow() : nullptr;
    const std::int32_t result = ImportDxf(home, map.Handle(), importCase.dxf, attributeWindow);
    std::string out = "result " + std::to_string(result) + "\n";
    for (const auto& box : boxes.Shown())
        out += "box: " + box.caption + ": " + box.text + "\n";
    out += MapDocument(map.Handle(), home.Path());
    if (attributeWindow != nullptr) {
        out += AttributeLines(attributeWindow);
        standin::DestroyHostWindow(attributeWindow);
    }
    return out;
}

void RewriteExpectations(const fs::path& file, const std::vector<std::string>& results) {
    const std::vector<std::string> lines = Lines(ReadText(file));
    std::string text;
    std::size_t next = 0;
    bool inExpected = false;
    for (const std::string& line : lines) {
        if (line.starts_with("case "))
            inExpected = false;
        if (inExpected)
            continue;
        text += line + "\n";
        if (line == "expect" && next < results.size()) {
            text += results[next++] + "\n";
            inExpected = true;
        }
    }
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

std::vector<fs::path> CaseFiles(const std::string& folder) {
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(fs::path(DXFCNV_SOURCE_DIR) / "tests" / folder))
        if (entry.path().extension() == ".txt")
            files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

std::string MapDocument(HWND map, const std::filesystem::path& folder) {
    const std::filesystem::path document = folder / "map.json";
    std::string error;
    if (!standin::SaveMapDocument(map, document.string(), &error))
        return "unsaved: " + error + "\n";
    return RenumberedIds(ReadText(document));
}

} // namespace testing_support
