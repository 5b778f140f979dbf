#include "export_support.h"

#include "module/exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>

namespace export_support {

namespace fs = std::filesystem;

MapBuilder& MapBuilder::Layer(std::int32_t number, std::string name) {
    standin::Layer layer;
    layer.id = nextId_++;
    layer.number = number;
    layer.name = std::move(name);
    snapshot_.layers.push_back(std::move(layer));
    return *this;
}

MapBuilder& MapBuilder::Add(standin::Object object) {
    object.id = nextId_++;
    object.layer = snapshot_.layers.back().id;
    snapshot_.layers.back().objects.push_back(object.id);
    snapshot_.objects.push_back(std::move(object));
    return *this;
}

namespace {
std::vector<MAP3D_COORDPT> Flat(const std::vector<MAP_COORDPT>& points) {
    std::vector<MAP3D_COORDPT> flat;
    for (const MAP_COORDPT& point : points)
        flat.push_back({point.x, point.y, 0});
    return flat;
}
} // namespace

MapBuilder& MapBuilder::Shape(standin::ObjectKind kind, std::vector<MAP3D_COORDPT> points,
                              bool is3d) {
    standin::Object object;
    object.kind = kind;
    object.is3d = is3d;
    object.points = std::move(points);
    return Add(std::move(object));
}

MapBuilder& MapBuilder::Polyline(std::vector<MAP_COORDPT> points) {
    return Shape(standin::ObjectKind::Polyline, Flat(points), false);
}
MapBuilder& MapBuilder::Polygon(std::vector<MAP_COORDPT> points) {
    return Shape(standin::ObjectKind::Polygon, Flat(points), false);
}
MapBuilder& MapBuilder::Polyline3d(std::vector<MAP3D_COORDPT> points) {
    return Shape(standin::ObjectKind::Polyline, std::move(points), true);
}

MapBuilder& MapBuilder::Text(std::string text, MAP_COORDPT position, standin::Object details) {
    return Text3d(std::move(text), {position.x, position.y, 0}, std::move(details), false);
}

MapBuilder& MapBuilder::Text3d(std::string text, MAP3D_COORDPT position, standin::Object details,
                               bool is3d) {
    details.kind = standin::ObjectKind::Text;
    details.is3d = is3d;
    details.text = std::move(text);
    details.position = position;
    return Add(std::move(details));
}

void MapBuilder::Into(HWND map) const {
    standin::Restore(map, snapshot_);
}

std::optional<std::string> ReadFileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

static bool ParseGroups(std::string_view bytes, std::vector<Group>& groups) {
    groups.clear();
    std::vector<std::string_view> lines;
    for (std::size_t end = 0; !bytes.empty(); bytes.remove_prefix(end + 2)) {
        end = bytes.find("\r\n");
        if (end == std::string_view::npos)
            return false;
        lines.push_back(bytes.substr(0, end));
    }
    for (std::size_t i = 0; i < lines.size(); i += 2) {
        const std::string_view code = lines[i].substr(std::min<std::size_t>(lines[i].size(), 2));
        if (i + 1 == lines.size() || !lines[i].starts_with("  ") || code.empty() ||
            code.find_first_not_of("0123456789") != std::string_view::npos ||
            lines[i + 1].find_first_of("\r\n") != std::string_view::npos)
            return false;
        groups.emplace_back(std::stoi(std::string(code)), std::string(lines[i + 1]));
    }
    return true;
}

Exported ExportMap(const testing_support::TempHome& home, HWND map) {
    Exported exported;
    const fs::path path = home.Path() / "export.dxf";
    exported.result = DXFFileExport(map, path.c_str(), 0, 0);
    exported.bytes = ReadFileBytes(path).value_or("");
    exported.wellFormed = ParseGroups(exported.bytes, exported.groups);
    return exported;
}

void ExpectOneBox(const MessageBoxes& boxes, HWND map, const char* text) {
    ASSERT_EQ(boxes.Shown().size(), 1u);
    const auto& box = boxes.Shown()[0];
    EXPECT_EQ(box.owner, map);
    EXPECT_EQ(box.caption, "DXF Export");
    EXPECT_EQ(box.text, text);
    EXPECT_EQ(box.type, MB_OK);
}

void FillMap(HWND map, std::int32_t points) {
    std::vector<MAP_COORDPT> line;
    for (std::int32_t i = 0; i < points; ++i)
        line.push_back({i * 1000, -i * 1000});
    MapBuilder().Layer(1, "Roads").Polyline(line).Text("Main street", {1, 2}).Into(map);
}

std::vector<std::string> FolderListing(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string RunExportCase(const testing_support::DataCase& exportCase) {
    testing_support::TempHome home;
    testing_support::MapWindow map;
    const fs::path document = testing_support::WriteFile(home.Path(), "map.json", exportCase.map);
    std::string error;
    if (!standin::LoadMapDocument(map.Handle(), document.string(), &error))
        return "unloaded: " + error + "\n";
    MessageBoxes boxes;
    const Exported exported = ExportMap(home, map.Handle());
    std::string out = "result " + std::to_string(exported.result) + "\n";
    for (const auto& box : boxes.Shown())
        out += "box: " + box.caption + ": " + box.text + "\n";
    std::string written;
    for (const auto& [code, value] : exported.groups)
        written += "  " + std::to_string(code) + "\r\n" + value + "\r\n";
    if (!exported.wellFormed || written != exported.bytes)
        return out + "malformed:\n" + exported.bytes + "\n";
    for (std::size_t i = 0; i < exported.groups.size(); ++i) {
        const auto& [code, value] = exported.groups[i];
        const bool newRecord = i == 0 || code == 0 || code == 9 || code == 999;
        out += (newRecord ? (i == 0 ? "" : "\n") : " | ") + std::to_string(code) + " " + value;
    }
    return out + "\n";
}

} // namespace export_support
