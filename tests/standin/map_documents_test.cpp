// Map documents as the command-line host saves and loads them (standin::SaveMapDocument and
// LoadMapDocument). A document gives back every field of the map it was saved from; one that is
// broken or built to hurt is refused with a one-line reason naming the place of the fault, and
// the map is left as it was; a save replaces its file whole or not at all.
#include "case_files.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using testing_support::MapWindow;
using testing_support::ReadText;
using testing_support::TempHome;
using testing_support::WriteFile;
using Json = nlohmann::json;

const fs::path kDocuments = fs::path(DXFCNV_SOURCE_DIR) / "tests" / "standin" / "documents";

// Loads the document into the map: "ok", or the reason it was refused.
std::string Load(HWND map, const fs::path& path) {
    std::string error;
    return standin::LoadMapDocument(map, path.string(), &error) ? "ok" : error;
}

// The map as the text of its saved document, object ids renumbered in order of appearance.
std::string Saved(HWND map, const fs::path& folder) {
    std::string error;
    EXPECT_TRUE(standin::SaveMapDocument(map, (folder / "saved.json").string(), &error)) << error;
    return testing_support::RenumberedIds(ReadText(folder / "saved.json"));
}

std::set<std::string> Names(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

TEST(MapDocuments, ASecondLoadReplacesTheFirstAndASaveGivesBackEveryField) {
    TempHome home;
    MapWindow map;
    ASSERT_EQ(Load(map.Handle(), kDocuments / "good.json"), "ok");
    ASSERT_EQ(Load(map.Handle(), kDocuments / "good.json"), "ok");
    EXPECT_EQ(Saved(map.Handle(), home.Path()), ReadText(kDocuments / "good.json"));
}

TEST(MapDocuments, BrokenOnesAreRefusedWithTheirReasonAndTheMapIsKept) {
    TempHome home;
    const Json good = Json::parse(ReadText(kDocuments / "good.json"));
    MapWindow map;
    std::istringstream cases(ReadText(kDocuments / "broken.txt"));
    int count = 0;
    for (std::string line; std::getline(cases, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        SCOPED_TRACE(line);
        ++count;
        const auto arrow = line.rfind(" => ");
        ASSERT_NE(arrow, std::string::npos);
        const std::string reason = line.substr(arrow + 4);
        std::istringstream change(line.substr(0, arrow));
        std::string op, path, value;
        change >> op >> path;
        std::getline(change >> std::ws, value);
        fs::path document = home.Path() / "broken.json";
        if (op == "file") {
            document = fs::path(DXFCNV_SOURCE_DIR) / "fuzz" / "regressions" / "document" / path;
        } else if (op == "whole") {
            WriteFile(home.Path(), "broken.json", line.substr(6, arrow - 6));
        } else {
            Json step = {{"op", op}, {"path", path}};
            if (!value.empty())
                step["value"] = Json::parse(value);
            WriteFile(home.Path(), "broken.json", good.patch(Json::array({step})).dump());
        }
        ASSERT_EQ(Load(map.Handle(), kDocuments / "good.json"), "ok");
        const std::string before = Saved(map.Handle(), home.Path());
        EXPECT_EQ(Load(map.Handle(), document), reason);
        if (reason != "ok") {
            EXPECT_EQ(Saved(map.Handle(), home.Path()), before);
            continue;
        }
        std::set<std::int32_t> numbers;
        for (const standin::Layer& layer : standin::Snapshot(map.Handle()).layers) {
            EXPECT_GE(layer.number, 0) << layer.name;
            EXPECT_TRUE(numbers.insert(layer.number).second) << layer.number;
        }
    }
    EXPECT_GT(count, 20);
}

TEST(MapDocuments, EveryPrefixAndTextThatIsNoJsonIsRefusedWithAOneLineReason) {
    TempHome home;
    const std::string good = ReadText(kDocuments / "good.json");
    std::vector<std::string> texts = {std::string("\x00\xFF\xFE{", 4), "{\"format\": \"\xFF\"}",
                                      std::string(100'000, '[') + std::string(100'000, ']'),
                                      std::string(100'000, '[')};
    std::string deepObjects;
    for (int i = 0; i < 100'000; ++i)
        deepObjects += "{\"a\":";
    texts.push_back(deepObjects + "1" + std::string(100'000, '}'));
    for (std::size_t length = 0; length + 1 < good.size(); ++length)
        texts.push_back(good.substr(0, length)); // without the last line end it is whole
    MapWindow map;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        SCOPED_TRACE(texts[i].substr(0, 40));
        // A new file each time: rewriting one file waits for the disk on some file systems.
        const fs::path path = WriteFile(home.Path(), std::to_string(i), texts[i]);
        const std::string reason = Load(map.Handle(), path);
        ASSERT_NE(reason, "ok");
        ASSERT_TRUE(!reason.empty() && reason.find('\n') == std::string::npos) << reason;
    }
    // The map keeps what a new map holds: one layer, no objects.
    EXPECT_EQ(map.Snapshot().layers.size(), 1u);
    EXPECT_TRUE(map.Snapshot().objects.empty());
    EXPECT_NE(Load(map.Handle(), home.Path() / "missing.json").find("No such file"),
              std::string::npos);
}

// ---- saving ----

TEST(MapDocumentSave, ReplacesTheTargetKeepingItsModeAndLeavesNoStrayFile) {
    TempHome home;
    const fs::path folder = home.Path() / "maps";
    fs::create_directory(folder);
    MapWindow map;
    ASSERT_EQ(Load(map.Handle(), kDocuments / "good.json"), "ok");
    const fs::path path = WriteFile(folder, "map.json", "old");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    std::string error;
    ASSERT_TRUE(standin::SaveMapDocument(map.Handle(), path.string(), &error)) << error;
    EXPECT_EQ(testing_support::RenumberedIds(ReadText(path)), ReadText(kDocuments / "good.json"));
    EXPECT_EQ(fs::status(path).permissions(), mode);
    EXPECT_EQ(Names(folder), std::set<std::string>{"map.json"});

    // A folder that is not empty in the way: the rename over it fails.
    fs::create_directory(folder / "folder.json");
    WriteFile(folder / "folder.json", "keep", "kept");
    EXPECT_FALSE(standin::SaveMapDocument(map.Handle(), (folder / "folder.json").string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadText(folder / "folder.json" / "keep"), "kept");
    EXPECT_EQ(Names(folder), (std::set<std::string>{"folder.json", "map.json"}));
    const fs::path nowhere = home.Path() / "no" / "such" / "folder" / "map.json";
    EXPECT_FALSE(standin::SaveMapDocument(map.Handle(), nowhere.string(), &error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos) << error;
}

// Runs the body in a child process and gives its exit status.
int InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(MapDocumentSave, AnUnwritableFolderKeepsTheOldFile) {
    TempHome home;
    fs::permissions(home.Path(), fs::perms::others_exec | fs::perms::group_exec,
                    fs::perm_options::add);
    const fs::path locked = home.Path() / "locked";
    fs::create_directory(locked);
    const fs::path path = WriteFile(locked, "map.json", "old document");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    MapWindow map;
    // Permissions do not bind root, so the save runs as nobody when the tests run as root.
    const int status = InChild([&]() {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 3;
        std::string error;
        if (standin::SaveMapDocument(map.Handle(), path.string(), &error))
            return 1;
        return error.find("locked") != std::string::npos ? 0 : 2;
    });
    fs::permissions(locked, fs::perms::owner_all);
    if (status == 3)
        GTEST_SKIP() << "cannot drop root privileges here";
    EXPECT_EQ(status, 0) << "1: the save succeeded, 2: the error did not name the folder";
    EXPECT_EQ(ReadText(path), "old document");
    EXPECT_EQ(Names(locked), std::set<std::string>{"map.json"});
}

TEST(MapDocumentSave, ConcurrentSavesNeverLeaveATornFile) {
    TempHome home;
    const fs::path folder = home.Path() / "maps";
    fs::create_directory(folder);
    const std::string path = (folder / "map.json").string();
    MapWindow big;
    ASSERT_EQ(testing_support::ImportDxf(home, big.Handle(), testing_support::EntitiesFile([] {
                                             std::string lines;
                                             for (int i = 0; i < 2000; ++i)
                                                 lines += "0\nLINE\n10\n1\n20\n2\n11\n3\n21\n4\n";
                                             return lines;
                                         }())),
              1);
    MapWindow small;
    ASSERT_TRUE(standin::SaveMapDocument(small.Handle(), path, nullptr));
    std::vector<pid_t> writers;
    for (const HWND map : {big.Handle(), small.Handle()}) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < 20; ++i)
                ok = standin::SaveMapDocument(map, path, nullptr) && ok;
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(child);
    }
    while (!writers.empty()) {
        MapWindow reader;
        EXPECT_EQ(Load(reader.Handle(), path), "ok");
        std::erase_if(writers, [](pid_t writer) {
            int status = 0;
            if (::waitpid(writer, &status, WNOHANG) != writer)
                return false;
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
            return true;
        });
    }
    EXPECT_EQ(Names(folder), std::set<std::string>{"map.json"});
}

} // namespace
