#include "test_support.h"

#include "module/exports.h"

#include <cstdlib>
#include <fstream>
#include <random>

namespace testing_support {

namespace fs = std::filesystem;

TempHome::TempHome() {
    std::random_device random;
    path_ = fs::temp_directory_path() /
            ("dxfcnv-test-" + std::to_string(random()) + "-" + std::to_string(random()));
    fs::create_directories(path_);
    setenv("VEXA_HOME", path_.c_str(), 1);
    standin::ReloadConfiguration();
}

TempHome::~TempHome() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
    standin::ReloadConfiguration();
}

fs::path WriteFile(const fs::path& folder, const std::string& name, std::string_view content) {
    const fs::path path = folder / name;
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    return path;
}

std::string Dxf(const std::vector<Group>& groups) {
    std::string text;
    for (const auto& [code, value] : groups) {
        text += std::to_string(code);
        text += '\n';
        text += value;
        text += '\n';
    }
    return text;
}

std::string EntitiesFile(std::string_view body) {
    return "0\nSECTION\n2\nENTITIES\n" + std::string(body) + "0\nENDSEC\n0\nEOF\n";
}

MapWindow::MapWindow() : map_(standin::CreateMapWindow()) {}
MapWindow::~MapWindow() {
    standin::DestroyMapWindow(map_);
}

std::int32_t ImportDxf(const TempHome& home, HWND map, std::string_view dxf, HWND attributeWindow) {
    const fs::path path = WriteFile(home.Path(), "drawing.dxf", dxf);
    return DXFFileImport(map, path.c_str(), 0, attributeWindow);
}

void SetSetting(const char* name, double value) {
    m_RegValueSet("Converters\\Imports\\Dxf", name, value);
}
void SetSetting(const char* name, std::int32_t value) {
    m_RegValueSet("Converters\\Imports\\Dxf", name, value);
}
void SetSetting(const char* name, const char* text) {
    m_RegValueSet("Converters\\Imports\\Dxf", name, text);
}

std::vector<standin::Object> AllObjects(const standin::MapSnapshot& map) {
    std::vector<standin::Object> objects;
    for (const standin::Layer& layer : map.layers) {
        for (standin::ObjectId id : layer.objects) {
            for (const standin::Object& object : map.objects) {
                if (object.id == id)
                    objects.push_back(object);
            }
        }
    }
    return objects;
}

const standin::Layer* FindLayer(const standin::MapSnapshot& map, std::string_view name) {
    for (const standin::Layer& layer : map.layers) {
        if (layer.name == name)
            return &layer;
    }
    return nullptr;
}

std::vector<std::pair<std::int32_t, std::int32_t>> XY(const standin::Object& object) {
    std::vector<std::pair<std::int32_t, std::int32_t>> points;
    for (const MAP3D_COORDPT& point : object.points)
        points.emplace_back(point.x, point.y);
    return points;
}

fs::path CorpusFolder() {
    const fs::path folder = fs::path(DXFCNV_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code error;
    return fs::is_directory(folder, error) ? folder : fs::path();
}

} // namespace testing_support
