#include "test_support.h"

#include "module/exports.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

extern char** environ;

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

bool IsOneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == text.size() - 1;
}

CliRun RunCli(const TempHome& home, const std::string& arguments) {
    const fs::path out = home.Path() / "cli.out";
    const fs::path err = home.Path() / "cli.err";
    const std::string command = "cd '" + home.Path().string() + "' && VEXA_HOME='" +
                                home.Path().string() + "' '" + DXFCNV_CLI + "' " + arguments +
                                " >'" + out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(out), ReadText(err)};
}

namespace {
std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}
} // namespace

pid_t StartCli(const std::vector<std::string>& args, const fs::path& home, const fs::path& output) {
    std::vector<std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string_view text(*entry);
        if (!text.starts_with("VEXA_HOME=") && !text.starts_with("DXFCNV_MODULE="))
            environment.emplace_back(text);
    }
    environment.push_back("VEXA_HOME=" + home.string());
    std::vector<std::string> argv{DXFCNV_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, output.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> argvPointers = Pointers(argv);
    std::vector<char*> environmentPointers = Pointers(environment);
    pid_t child = -1;
    if (posix_spawn(&child, DXFCNV_CLI, &actions, nullptr, argvPointers.data(),
                    environmentPointers.data()) != 0)
        child = -1;
    posix_spawn_file_actions_destroy(&actions);
    return child;
}

std::string Dxf(const std::vector<Group>& groups) {
    std::string text;
    for (const auto& [code, value] : groups)
        text += std::to_string(code) + '\n' + value + '\n';
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

standin::MapSnapshot ImportedMap(const TempHome& home, std::string_view dxf) {
    MapWindow map;
    EXPECT_EQ(ImportDxf(home, map.Handle(), dxf), 1);
    return map.Snapshot();
}

std::vector<standin::Object> AllObjects(const standin::MapSnapshot& map) {
    // Linear in the map's size: hostile drawings make maps of a million objects.
    std::unordered_map<standin::ObjectId, const standin::Object*> byId;
    byId.reserve(map.objects.size());
    for (const standin::Object& object : map.objects)
        byId.emplace(object.id, &object);
    std::vector<standin::Object> objects;
    for (const standin::Layer& layer : map.layers) {
        for (const standin::ObjectId id : layer.objects) {
            if (const auto found = byId.find(id); found != byId.end())
                objects.push_back(*found->second);
        }
    }
    return objects;
}

std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>>
PointRuns(const standin::MapSnapshot& map) {
    std::vector<std::vector<std::pair<std::int32_t, std::int32_t>>> runs;
    for (const standin::Object& object : AllObjects(map))
        runs.push_back(XY(object));
    return runs;
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

MessageBoxes::MessageBoxes() {
    standin::SetMessageBoxHook(
        [this](HWND owner, std::string_view text, std::string_view caption, UINT type) {
            shown_.push_back({owner, std::string(text), std::string(caption), type});
            return IDOK;
        });
}

MessageBoxes::~MessageBoxes() {
    standin::SetMessageBoxHook(nullptr);
}

fs::path CorpusFolder() {
    const fs::path folder = fs::path(DXFCNV_SOURCE_DIR) / ".." / "shared" / "corpus";
    std::error_code error;
    return fs::is_directory(folder, error) ? folder : fs::path();
}

} // namespace testing_support
