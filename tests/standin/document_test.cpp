// Map documents: what a saved map gives back, how byte strings are kept, how broken documents
// are refused, and that saving never leaves a torn or stray file.
#include "standin/standin.h"
#include "test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>
#include <unordered_map>

namespace {

using namespace standin;
using testing_support::ReadText;
using Json = nlohmann::json;
namespace fs = std::filesystem;

constexpr std::int32_t kMin32 = std::numeric_limits<std::int32_t>::min();
constexpr std::int32_t kMax32 = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kMin64 = std::numeric_limits<std::int64_t>::min();
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

class TempFolder {
  public:
    TempFolder() {
        std::string pattern = (fs::temp_directory_path() / "dxfcnv-doc-XXXXXX").string();
        path_ = ::mkdtemp(pattern.data());
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::permissions(path_, fs::perms::owner_all, ignored);
        fs::remove_all(path_, ignored);
    }
    std::string File(const std::string& name) const { return (path_ / name).string(); }
    const fs::path& path() const { return path_; }
    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(path_)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

  private:
    fs::path path_;
};

struct MapWindow {
    HWND handle = CreateMapWindow();
    MapWindow() = default;
    MapWindow(const MapWindow&) = delete;
    MapWindow& operator=(const MapWindow&) = delete;
    ~MapWindow() { DestroyMapWindow(handle); }
};

void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// --- Building and describing maps ------------------------------------------------------------

Object Line(ObjectId id, ObjectId layer, ObjectKind kind, bool is3d,
            std::vector<MAP3D_COORDPT> points) {
    Object object;
    object.id = id;
    object.kind = kind;
    object.layer = layer;
    object.is3d = is3d;
    object.points = std::move(points);
    return object;
}

Object Arc(ObjectId id, ObjectId layer, double start, double end) {
    Object arc;
    arc.id = id;
    arc.kind = ObjectKind::Arc;
    arc.layer = layer;
    arc.center = {-500, 700};
    arc.radius = 250;
    arc.startAngle = start;
    arc.endAngle = end;
    arc.quality = 36;
    return arc;
}

Object Text(ObjectId id, ObjectId layer, bool is3d, std::string text, std::string font) {
    Object object;
    object.id = id;
    object.kind = ObjectKind::Text;
    object.layer = layer;
    object.is3d = is3d;
    object.text = std::move(text);
    object.position = {12, -34, is3d ? 56 : 0};
    object.font = std::move(font);
    object.size = 250;
    object.style = 3;
    object.color = 0xFFFFFFFFu;
    object.rotation = 900;
    object.oblique = -150;
    object.flags = 0x80000021u;
    return object;
}

Object Group(ObjectId id, std::vector<ObjectId> members) {
    Object group;
    group.id = id;
    group.kind = ObjectKind::Group;
    group.members = std::move(members);
    return group;
}

Layer MakeLayer(ObjectId id, std::int32_t number, std::string name,
                std::array<std::int64_t, 6> attributes, bool visible, bool editable,
                std::vector<ObjectId> objects) {
    Layer layer;
    layer.id = id;
    layer.number = number;
    layer.name = std::move(name);
    layer.attributes = attributes;
    layer.visible = visible;
    layer.editable = editable;
    layer.objects = std::move(objects);
    return layer;
}

// Every kind of object on layers given out of number order, a hidden and locked layer, an empty
// layer and nested groups. Creation order (the ids) differs from the order on the layers.
MapSnapshot SampleMap() {
    MapSnapshot map;
    map.unitId = 3;
    map.objectsRect = MAP_COORDRECT{{-100, -200}, {3000, 4000}};
    map.currentLayer = 7;
    map.textBase = 12;
    map.pageOrigin = {10, 20};
    map.pageExtent = {2100, 2970};
    constexpr ObjectId kFirst = 100, kSecond = 101, kEmpty = 102;
    map.layers = {
        MakeLayer(kFirst, 7,
                  "Stra\xC3\x9F"
                  "e",
                  {kMin64, -1, 0, 4294967295, kMax64, 65535}, false, false, {5, 1, 3, 2}),
        MakeLayer(kSecond, 1, "0", {1, 2, 3, 4, 5, 6}, true, true, {4, 6, 7}),
        MakeLayer(kEmpty, 3, "empty", {0, 0, 0, 0, 0, 0}, true, false, {}),
    };
    map.objects = {
        Line(1, kFirst, ObjectKind::Polyline, false, {{kMin32, kMax32, 0}, {0, 0, 0}, {5, -5, 0}}),
        Line(2, kFirst, ObjectKind::Polygon, false, {{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}),
        Line(3, kFirst, ObjectKind::Polyline, true, {{1, 2, 3}, {4, 5, kMin32}}),
        Line(4, kSecond, ObjectKind::Polygon, true, {{1, 2, 3}, {4, 5, 6}, {7, 8, kMax32}}),
        Arc(5, kFirst, 0.1, 4.71238898038469),
        Text(6, kSecond, false, "Hello\r\nWorld", "Arial"),
        Text(7, kSecond, true, "3-D", "Courier New"),
        Group(8, {1, 2}),
        Group(9, {8, 7}),
    };
    return map;
}

std::string Hex(const std::string& bytes) {
    std::string text;
    char digits[3];
    for (const char c : bytes) {
        std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(c));
        text += digits;
    }
    return text;
}

// A text of everything a map holds, with every id replaced by the object's place in the map
// (layer by layer in map order, then the groups in creation order), so that two maps compare
// equal when only the ids the host gave differ.
std::string Describe(const MapSnapshot& map) {
    std::unordered_map<ObjectId, std::size_t> rank;
    for (const Layer& layer : map.layers) {
        for (const ObjectId id : layer.objects) {
            rank.emplace(id, rank.size());
        }
    }
    std::vector<const Object*> inMapOrder(map.objects.size(), nullptr);
    for (const Object& object : map.objects) {
        rank.emplace(object.id, rank.size());
        const std::size_t place = rank[object.id];
        if (place < inMapOrder.size()) {
            inMapOrder[place] = &object;
        }
    }
    std::unordered_map<ObjectId, std::int32_t> layerNumber;
    std::ostringstream out;
    out << "unit " << map.unitId << " textBase " << map.textBase << " page " << map.pageOrigin.x
        << ',' << map.pageOrigin.y << ' ' << map.pageExtent.x << ',' << map.pageExtent.y << '\n';
    if (map.objectsRect) {
        out << "rect " << map.objectsRect->min.x << ',' << map.objectsRect->min.y << ' '
            << map.objectsRect->max.x << ',' << map.objectsRect->max.y << '\n';
    }
    out << "current " << (map.currentLayer ? std::to_string(*map.currentLayer) : "none") << '\n';
    for (const Layer& layer : map.layers) {
        layerNumber[layer.id] = layer.number;
        out << "layer " << layer.number << " [" << Hex(layer.name) << "]";
        for (const std::int64_t a : layer.attributes) {
            out << ' ' << a;
        }
        out << (layer.visible ? " visible" : " hidden")
            << (layer.editable ? " editable" : " locked") << " objects";
        for (const ObjectId id : layer.objects) {
            out << ' ' << (rank.contains(id) ? std::to_string(rank[id]) : "?");
        }
        out << '\n';
    }
    char angle[64];
    for (const Object* object : inMapOrder) {
        if (object == nullptr) {
            out << "listed object missing\n";
            continue;
        }
        const Object& o = *object;
        out << rank[o.id] << ": kind " << static_cast<int>(o.kind) << (o.is3d ? " 3d" : " 2d");
        if (o.kind != ObjectKind::Group) {
            out << " layer " << (layerNumber.contains(o.layer) ? layerNumber[o.layer] : -1);
        }
        for (const MAP3D_COORDPT& p : o.points) {
            out << " (" << p.x << ',' << p.y << ',' << p.z << ')';
        }
        if (o.kind == ObjectKind::Arc) {
            std::snprintf(angle, sizeof angle, " %.17g %.17g", o.startAngle, o.endAngle);
            out << " center " << o.center.x << ',' << o.center.y << " r " << o.radius << angle
                << " q " << o.quality;
        }
        if (o.kind == ObjectKind::Text) {
            out << " [" << Hex(o.text) << "] at " << o.position.x << ',' << o.position.y << ','
                << o.position.z << " [" << Hex(o.font) << "] " << o.size << ' ' << o.style << ' '
                << o.color << ' ' << o.rotation << ' ' << o.oblique << ' ' << o.flags;
        }
        for (const ObjectId member : o.members) {
            out << " member " << (rank.contains(member) ? std::to_string(rank[member]) : "?");
        }
        out << '\n';
    }
    return out.str();
}

// Restores the map into a fresh window, saves it and loads the file into another fresh window.
std::string RoundTrip(const MapSnapshot& map, const std::string& path) {
    MapWindow source;
    Restore(source.handle, map);
    std::string error;
    EXPECT_TRUE(SaveMapDocument(source.handle, path, &error)) << error;
    MapWindow target;
    EXPECT_TRUE(LoadMapDocument(target.handle, path, &error)) << error;
    return Describe(Snapshot(target.handle));
}

// Saves the sample map as `name` in the folder and gives the text of the document.
std::string SaveSample(const TempFolder& folder, const std::string& name) {
    MapWindow source;
    Restore(source.handle, SampleMap());
    std::string error;
    EXPECT_TRUE(SaveMapDocument(source.handle, folder.File(name), &error)) << error;
    return ReadText(folder.File(name));
}

// --- Round trips -----------------------------------------------------------------------------

TEST(MapDocumentRoundTrip, GivesBackEveryMapUnchanged) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    MapSnapshot bare = SampleMap();
    bare.objectsRect.reset();
    bare.currentLayer.reset();
    MapSnapshot oddAngles = SampleMap();
    oddAngles.objects[4] = Arc(5, 100, std::numeric_limits<double>::quiet_NaN(), kInf);
    oddAngles.objects.push_back(Arc(10, 100, -kInf, -0.0));
    oddAngles.layers[0].objects.push_back(10);
    const std::pair<const char*, MapSnapshot> cases[] = {{"every kind", SampleMap()},
                                                         {"no rectangle or current layer", bare},
                                                         {"non-finite angles", oddAngles},
                                                         {"empty", MapSnapshot{}}};
    TempFolder folder;
    for (const auto& [label, map] : cases) {
        SCOPED_TRACE(label);
        EXPECT_EQ(RoundTrip(map, folder.File("map.json")), Describe(map));
    }
}

TEST(MapDocumentRoundTrip, LoadingReplacesWhatTheMapHeld) {
    TempFolder folder;
    SaveSample(folder, "a.json");
    MapWindow target;
    MapSnapshot other;
    other.layers = {MakeLayer(1, 42, "other", {}, true, true, {2})};
    other.objects = {Line(2, 1, ObjectKind::Polyline, false, {{1, 1, 0}, {2, 2, 0}})};
    Restore(target.handle, other);
    std::string error;
    ASSERT_TRUE(LoadMapDocument(target.handle, folder.File("a.json"), &error)) << error;
    EXPECT_EQ(Describe(Snapshot(target.handle)), Describe(SampleMap()));
}

TEST(MapDocumentRoundTrip, TextBaseAndPageLeftOutGiveTheDocumentedDefaults) {
    TempFolder folder;
    WriteFile(folder.File("hand.json"),
              R"({"format": "vexa-map", "version": 1, "unitId": 0, "objectsRect": null,
                  "currentLayer": null, "layers": [], "groups": []})");
    MapWindow target;
    MapSnapshot before;
    before.textBase = 12;
    before.pageOrigin = {5, 6};
    before.pageExtent = {7, 8};
    Restore(target.handle, before);
    std::string error;
    ASSERT_TRUE(LoadMapDocument(target.handle, folder.File("hand.json"), &error)) << error;
    const MapSnapshot loaded = Snapshot(target.handle);
    EXPECT_EQ(loaded.textBase, 1000);
    EXPECT_EQ(std::vector<int>({loaded.pageOrigin.x, loaded.pageOrigin.y, loaded.pageExtent.x,
                                loaded.pageExtent.y}),
              std::vector<int>({0, 0, 640, 454}));
}

// --- Byte strings ----------------------------------------------------------------------------

struct ByteStringCase {
    const char* label;
    std::string bytes;
    bool plainString; // valid UTF-8, kept as a plain JSON string
};

TEST(MapDocumentByteStrings, SurviveAndStayValidJson) {
    const ByteStringCase cases[] = {
        {"empty", "", true},
        {"utf-8",
         "Stra\xC3\x9F"
         "e \xE2\x82\xAC",
         true},
        {"four-byte utf-8", "\xF0\x9F\x98\x80", true},
        {"controls and quotes", "tab\there\x01\x1F\"\\/", true},
        {"windows-1252",
         "Stra\xDF"
         "e \x80",
         false},
        {"overlong slash", "\xC0\xAF", false},
        {"surrogate", "\xED\xA0\x80", false},
        {"above U+10FFFF", "\xF4\x90\x80\x80", false},
        {"truncated sequence", "abc\xE2\x82", false},
    };
    TempFolder folder;
    for (const ByteStringCase& c : cases) {
        SCOPED_TRACE(c.label);
        MapSnapshot map;
        map.layers = {MakeLayer(1, 5, c.bytes, {}, true, true, {2})};
        map.objects = {Text(2, 1, false, c.bytes, c.bytes)};
        const std::string path = folder.File("bytes.json");
        EXPECT_EQ(RoundTrip(map, path), Describe(map));

        const Json document = Json::parse(ReadText(path)); // throws if not valid JSON
        const Json& name = document["layers"][0]["name"];
        const Json& text = document["layers"][0]["objects"][0]["text"];
        EXPECT_EQ(name.is_string(), c.plainString);
        EXPECT_EQ(text, name);
        if (c.plainString) {
            EXPECT_EQ(name.get<std::string>(), c.bytes);
        } else {
            EXPECT_EQ(name["bytes"].get<std::string>(), Hex(c.bytes));
        }
    }
}

// --- Broken documents ------------------------------------------------------------------------

struct BrokenCase {
    const char* label;
    std::function<void(Json&)> breakIt;
    const char* reason; // a part of the error text
};

TEST(MapDocumentErrors, WrongShapesAreRefusedWithTheirPlaceAndTheMapIsKept) {
    const BrokenCase cases[] = {
        {"not an object", [](Json& d) { d = Json::array(); }, "expected an object"},
        {"other format", [](Json& d) { d["format"] = "other"; }, "format"},
        {"later version", [](Json& d) { d["version"] = 2; }, "unsupported version 2"},
        {"no layers", [](Json& d) { d.erase("layers"); }, "layers: missing"},
        {"page not an object", [](Json& d) { d["page"] = 5; }, "page: expected an object"},
        {"short rectangle",
         [](Json& d) {
             d["objectsRect"] = {1, 2, 3};
         },
         "objectsRect"},
        {"3-D point in a 2-D polyline",
         [](Json& d) {
             d["layers"][0]["objects"][1]["points"][1] = {1, 2, 3};
         },
         "layers[0].objects[1].points[1]"},
        {"coordinate beyond 32 bits",
         [](Json& d) { d["layers"][0]["objects"][1]["points"][0][0] = 2147483648LL; },
         "out of range"},
        {"real coordinate", [](Json& d) { d["layers"][0]["objects"][1]["points"][0][1] = 1.5; },
         "expected an integer"},
        {"unknown type", [](Json& d) { d["layers"][0]["objects"][0]["type"] = "spline"; },
         "unknown object type \"spline\""},
        {"text without font", [](Json& d) { d["layers"][1]["objects"][1].erase("font"); },
         "layers[1].objects[1].font: missing"},
        {"five attributes",
         [](Json& d) {
             d["layers"][1]["attributes"] = {1, 2, 3, 4, 5};
         },
         "layers[1].attributes"},
        {"odd hex digits",
         [](Json& d) {
             d["layers"][2]["name"] = {{"bytes", "abc"}};
         },
         "odd number of hex digits"},
        {"id used twice",
         [](Json& d) { d["layers"][0]["objects"][1]["id"] = d["layers"][0]["objects"][0]["id"]; },
         "used twice"},
        {"id zero", [](Json& d) { d["layers"][0]["objects"][0]["id"] = 0; }, "id"},
        {"missing member", [](Json& d) { d["groups"][0]["members"].push_back(999999); },
         "groups[0].members[2]: no object with id 999999"},
        {"group cycle", [](Json& d) { d["groups"][0]["members"].push_back(d["groups"][1]["id"]); },
         "holds itself"},
    };
    TempFolder folder;
    const Json good = Json::parse(SaveSample(folder, "good.json"));

    MapWindow target;
    Restore(target.handle, SampleMap());
    const std::string before = Describe(Snapshot(target.handle));
    std::string error;
    for (const BrokenCase& c : cases) {
        SCOPED_TRACE(c.label);
        Json broken = good;
        c.breakIt(broken);
        const std::string path = folder.File("broken.json");
        WriteFile(path, broken.dump());
        error.clear();
        EXPECT_FALSE(LoadMapDocument(target.handle, path, &error));
        EXPECT_NE(error.find(c.reason), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
        EXPECT_EQ(Describe(Snapshot(target.handle)), before);
    }
}

TEST(MapDocumentErrors, TextThatIsNoJsonIsRefused) {
    TempFolder folder;
    const std::string good = SaveSample(folder, "good.json");
    const std::pair<const char*, std::string> cases[] = {
        {"empty file", ""},
        {"truncated", good.substr(0, good.size() / 2)},
        {"cut before the last brace", good.substr(0, good.rfind('}'))},
        {"binary", std::string("\x00\xFF\xFE{", 4)},
        {"invalid utf-8 in a string", "{\"format\": \"\xFF\"}"},
        {"deep nesting", std::string(100000, '[')},
    };
    MapWindow target;
    std::string error;
    for (const auto& [label, text] : cases) {
        SCOPED_TRACE(label);
        WriteFile(folder.File("broken.json"), text);
        error.clear();
        EXPECT_FALSE(LoadMapDocument(target.handle, folder.File("broken.json"), &error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(error.find('\n'), std::string::npos) << error;
    }
    error.clear();
    EXPECT_FALSE(LoadMapDocument(target.handle, folder.File("missing.json"), &error));
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

// --- Saving ----------------------------------------------------------------------------------

TEST(MapDocumentSave, ReplacesTheTargetKeepingItsPermissionsAndLeavesNoTemporaryFile) {
    TempFolder folder;
    const std::string path = folder.File("map.json");
    WriteFile(path, "old");
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    MapWindow map;
    Restore(map.handle, SampleMap());
    std::string error;
    ASSERT_TRUE(SaveMapDocument(map.handle, path, &error)) << error;
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"map.json"});
    EXPECT_NE(ReadText(path), "old");
    EXPECT_EQ(fs::status(path).permissions(), mode);
}

TEST(MapDocumentSave, AFailedRenameLeavesNoTemporaryFile) {
    TempFolder folder;
    // The target is a folder that is not empty, so the rename over it fails.
    fs::create_directory(folder.path() / "map.json");
    WriteFile(folder.File("map.json/keep"), "kept");
    MapWindow map;
    std::string error;
    EXPECT_FALSE(SaveMapDocument(map.handle, folder.File("map.json"), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"map.json"});
    EXPECT_EQ(ReadText(folder.File("map.json/keep")), "kept");

    EXPECT_FALSE(SaveMapDocument(map.handle, folder.File("no/such/folder/map.json"), &error));
    EXPECT_NE(error.find("no/such/folder"), std::string::npos) << error;
}

// Runs the body in a child process and returns its exit status.
int InChild(const std::function<int()>& body) {
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(MapDocumentSave, AnUnwritableFolderKeepsTheOldFile) {
    TempFolder folder;
    fs::permissions(folder.path(),
                    fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::path locked = folder.path() / "locked";
    fs::create_directory(locked);
    const std::string path = (locked / "map.json").string();
    WriteFile(path, "old document");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                fs::perms::group_exec | fs::perms::others_read |
                                fs::perms::others_exec);
    MapWindow map;
    // Permissions do not bind root, so the save runs as nobody when the tests run as root.
    const int status = InChild([&]() {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) {
            return 3;
        }
        std::string error;
        if (SaveMapDocument(map.handle, path, &error)) {
            return 1;
        }
        return error.find("locked") != std::string::npos ? 0 : 2;
    });
    if (status == 3) {
        GTEST_SKIP() << "cannot drop root privileges here";
    }
    EXPECT_EQ(status, 0) << "1: the save succeeded, 2: the error did not name the folder";
    EXPECT_EQ(ReadText(path), "old document");
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(locked)) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"map.json"});
}

TEST(MapDocumentSave, ConcurrentSavesNeverLeaveATornFile) {
    TempFolder folder;
    const std::string path = folder.File("map.json");
    MapWindow big;
    MapSnapshot sample = SampleMap();
    for (ObjectId id = 1000; id < 3000; ++id) {
        sample.objects.push_back(Line(id, 101, ObjectKind::Polyline, false,
                                      {{1, 2, 0}, {3, 4, 0}, {5, 6, 0}, {7, 8, 0}}));
        sample.layers[1].objects.push_back(id);
    }
    Restore(big.handle, sample);
    MapWindow small;
    std::string error;
    ASSERT_TRUE(SaveMapDocument(small.handle, path, &error)) << error;

    std::vector<pid_t> writers;
    for (HWND map : {big.handle, small.handle}) {
        std::fflush(nullptr);
        const pid_t child = ::fork();
        if (child == 0) {
            bool ok = true;
            for (int i = 0; i < 20; ++i) {
                ok = SaveMapDocument(map, path, nullptr) && ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(child);
    }
    int loads = 0;
    int failures = 0;
    while (!writers.empty()) {
        MapWindow reader;
        error.clear();
        if (!LoadMapDocument(reader.handle, path, &error)) {
            ++failures;
            ADD_FAILURE() << error;
        }
        ++loads;
        std::erase_if(writers, [](pid_t writer) {
            int status = 0;
            if (::waitpid(writer, &status, WNOHANG) != writer) {
                return false;
            }
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "a writer failed";
            return true;
        });
    }
    EXPECT_EQ(failures, 0) << "of " << loads << " loads";
    EXPECT_EQ(folder.Names(), std::vector<std::string>{"map.json"});
}

} // namespace
