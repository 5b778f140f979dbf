// Map documents: a whole map as one JSON text, read and written through nlohmann-json.
//
// The layout (docs/map-document.md has the full description):
//   {"format": "vexa-map", "version": 1, "unitId", "objectsRect", "currentLayer", "textBase",
//    "page": {"origin", "extent"}, "layers": [{..., "objects": [...]}], "groups": [...]}
// Names and texts are byte strings. Valid UTF-8 is written as a plain JSON string; anything else
// as {"bytes": "<hex>"}, so that every byte string survives and the document stays valid JSON.
// Reals that are not finite are written as the strings "NaN", "Infinity" and "-Infinity".
#include "standin/files.h"
#include "standin/map_model.h"
#include "standin/standin.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace standin {
namespace {

using Json = nlohmann::json;
// Written documents keep their keys in the order given here rather than sorted.
using OrderedJson = nlohmann::ordered_json;

constexpr const char* kFormatName = "vexa-map";
constexpr std::int64_t kFormatVersion = 1;

// ---------------------------------------------------------------------------------------------
// Byte strings.

OrderedJson BytesToJson(const std::string& bytes) {
    if (IsStrictUtf8(bytes)) {
        return bytes;
    }
    std::string hex;
    AppendHex(hex, bytes);
    return OrderedJson{{"bytes", std::move(hex)}};
}

OrderedJson RealToJson(double value) {
    if (std::isnan(value)) {
        return "NaN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "Infinity" : "-Infinity";
    }
    return value;
}

// ---------------------------------------------------------------------------------------------
// Reading: every reader names the place of a fault as a path such as
// "layers[2].objects[0].points[3]". The path is a chain on the stack and is spelt out only
// when something is wrong, so that reading a large map builds no strings.

class Location {
  public:
    Location() = default;
    Location(const Location& parent, const char* key) : parent_(&parent), key_(key) {}
    Location(const Location& parent, std::size_t index) : parent_(&parent), index_(index) {}

    std::string Text() const {
        if (parent_ == nullptr) {
            return "document";
        }
        std::string text = parent_->parent_ == nullptr ? std::string() : parent_->Text();
        if (key_ != nullptr) {
            if (!text.empty()) {
                text += '.';
            }
            text += key_;
        } else {
            text += '[' + std::to_string(index_) + ']';
        }
        return text;
    }

  private:
    const Location* parent_ = nullptr;
    const char* key_ = nullptr;
    std::size_t index_ = 0;
};

class DocumentError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const Location& at, const std::string& what) {
    throw DocumentError(at.Text() + ": " + what);
}

[[noreturn]] void FailType(const Location& at, const char* expected, const Json& value) {
    Fail(at, std::string("expected ") + expected + ", found " + value.type_name());
}

const Json& Member(const Json& object, const char* key, const Location& at) {
    const auto found = object.find(key);
    if (found == object.end()) {
        Fail(Location(at, key), "missing");
    }
    return *found;
}

const Json* OptionalMember(const Json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

// Member `key` of an object read by `read`, which names the member's place on a fault.
template <typename Read>
auto Field(const Json& object, const char* key, const Location& at, Read read) {
    return read(Member(object, key, at), Location(at, key));
}

// Member `key` read into `target` when the object has it.
template <typename T, typename Read>
void OptionalField(const Json& object, const char* key, const Location& at, Read read, T& target) {
    if (const Json* found = OptionalMember(object, key)) {
        target = read(*found, Location(at, key));
    }
}

void ExpectObject(const Json& value, const Location& at) {
    if (!value.is_object()) {
        FailType(at, "an object", value);
    }
}

// Calls `take` with every element of the array at member `key`, and the element's place.
template <typename Take>
void ForEachIn(const Json& object, const char* key, const Location& at, Take take) {
    const Location arrayAt(at, key);
    const Json& array = Member(object, key, at);
    if (!array.is_array()) {
        FailType(arrayAt, "an array", array);
    }
    for (std::size_t i = 0; i < array.size(); ++i) {
        take(array[i], Location(arrayAt, i));
    }
}

std::int64_t ReadInteger(const Json& value, const Location& at, std::int64_t min,
                         std::int64_t max) {
    std::int64_t number = 0;
    if (value.is_number_unsigned()) {
        const auto unsignedValue = value.get<std::uint64_t>();
        if (unsignedValue > static_cast<std::uint64_t>(max)) {
            Fail(at, "integer out of range");
        }
        number = static_cast<std::int64_t>(unsignedValue);
    } else if (value.is_number_integer()) {
        number = value.get<std::int64_t>();
    } else {
        FailType(at, "an integer", value);
    }
    if (number < min || number > max) {
        Fail(at, "integer out of range");
    }
    return number;
}

// An integer in the range of T.
template <typename T>
T ReadInt(const Json& value, const Location& at) {
    return static_cast<T>(
        ReadInteger(value, at, std::numeric_limits<T>::min(), std::numeric_limits<T>::max()));
}
constexpr auto* ReadInt32 = &ReadInt<std::int32_t>;
constexpr auto* ReadUInt32 = &ReadInt<std::uint32_t>;

ObjectId ReadId(const Json& value, const Location& at) {
    return static_cast<ObjectId>(
        ReadInteger(value, at, 1, std::numeric_limits<std::int64_t>::max()));
}

double ReadReal(const Json& value, const Location& at) {
    if (value.is_number()) {
        return value.get<double>();
    }
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        if (text == "NaN") {
            return std::numeric_limits<double>::quiet_NaN();
        }
        if (text == "Infinity") {
            return std::numeric_limits<double>::infinity();
        }
        if (text == "-Infinity") {
            return -std::numeric_limits<double>::infinity();
        }
    }
    FailType(at, "a number", value);
}

bool ReadBool(const Json& value, const Location& at) {
    if (!value.is_boolean()) {
        FailType(at, "true or false", value);
    }
    return value.get<bool>();
}

std::string ReadBytes(const Json& value, const Location& at) {
    if (value.is_string()) {
        return value.get<std::string>();
    }
    if (!value.is_object() || value.size() != 1 || !value.contains("bytes")) {
        FailType(at, "a string or {\"bytes\": hex}", value);
    }
    const Location hexAt(at, "bytes");
    const Json& hexValue = value["bytes"];
    if (!hexValue.is_string()) {
        FailType(hexAt, "a hex string", hexValue);
    }
    const auto& hex = hexValue.get_ref<const std::string&>();
    if (hex.size() % 2 != 0) {
        Fail(hexAt, "odd number of hex digits");
    }
    std::size_t badAt = 0;
    auto bytes = DecodeHex(hex, &badAt);
    if (!bytes) {
        Fail(hexAt, "not a hex digit at offset " + std::to_string(badAt));
    }
    return std::move(*bytes);
}

// A fixed-length array of integers: points, rectangles, layer attributes.
template <typename T, std::size_t N>
std::array<T, N> ReadIntArray(const Json& value, const Location& at) {
    if (!value.is_array() || value.size() != N) {
        Fail(at, "expected an array of " + std::to_string(N) + " integers");
    }
    std::array<T, N> numbers{};
    for (std::size_t i = 0; i < N; ++i) {
        numbers[i] = ReadInt<T>(value[i], Location(at, i));
    }
    return numbers;
}

MAP_COORDPT ReadPoint2(const Json& value, const Location& at) {
    const auto xy = ReadIntArray<std::int32_t, 2>(value, at);
    return {xy[0], xy[1]};
}

// [x, y, z], or [x, y] with z 0.
MAP3D_COORDPT ReadPoint(const Json& value, const Location& at, bool is3d) {
    if (is3d) {
        const auto xyz = ReadIntArray<std::int32_t, 3>(value, at);
        return {xyz[0], xyz[1], xyz[2]};
    }
    const MAP_COORDPT p = ReadPoint2(value, at);
    return {p.x, p.y, 0};
}

void ReadArc(const Json& value, const Location& at, Object& arc) {
    arc.center = Field(value, "center", at, ReadPoint2);
    arc.radius = Field(value, "radius", at, ReadInt32);
    arc.startAngle = Field(value, "startAngle", at, ReadReal);
    arc.endAngle = Field(value, "endAngle", at, ReadReal);
    OptionalField(value, "quality", at, ReadInt32, arc.quality);
}

void ReadText(const Json& value, const Location& at, Object& text) {
    text.text = Field(value, "text", at, ReadBytes);
    const Json& position = Member(value, "position", at);
    // A 3-D text gives its position as [x, y, z].
    text.is3d = position.is_array() && position.size() == 3;
    text.position = ReadPoint(position, Location(at, "position"), text.is3d);
    text.font = Field(value, "font", at, ReadBytes);
    text.size = Field(value, "size", at, ReadInt32);
    text.rotation = Field(value, "rotation", at, ReadInt32);
    text.oblique = Field(value, "oblique", at, ReadInt32);
    text.flags = Field(value, "flags", at, ReadUInt32);
    OptionalField(value, "style", at, ReadInt32, text.style);
    OptionalField(value, "color", at, ReadUInt32, text.color);
}

Object ReadObject(const Json& value, const Location& at, ObjectId layerId) {
    ExpectObject(value, at);
    Object object;
    object.id = Field(value, "id", at, ReadId);
    object.layer = layerId;
    const Location typeAt(at, "type");
    const Json& typeValue = Member(value, "type", at);
    if (!typeValue.is_string()) {
        FailType(typeAt, "a string", typeValue);
    }
    const auto& type = typeValue.get_ref<const std::string&>();
    if (type == "polyline" || type == "polyline3d" || type == "polygon" || type == "polygon3d") {
        object.kind = type.starts_with("polyline") ? ObjectKind::Polyline : ObjectKind::Polygon;
        object.is3d = type.ends_with("3d");
        ForEachIn(value, "points", at, [&](const Json& point, const Location& pointAt) {
            object.points.push_back(ReadPoint(point, pointAt, object.is3d));
        });
    } else if (type == "arc") {
        object.kind = ObjectKind::Arc;
        ReadArc(value, at, object);
    } else if (type == "text") {
        object.kind = ObjectKind::Text;
        ReadText(value, at, object);
    } else {
        // Quoted as JSON, so that a type holding line breaks still makes a one-line reason.
        Fail(typeAt, "unknown object type " +
                         Json(type).dump(-1, ' ', false, Json::error_handler_t::replace));
    }
    return object;
}

Layer ReadLayer(const Json& value, const Location& at, ObjectId layerId,
                std::vector<Object>& objects) {
    ExpectObject(value, at);
    Layer layer;
    layer.id = layerId;
    layer.number = Field(value, "number", at, ReadInt32);
    layer.name = Field(value, "name", at, ReadBytes);
    layer.attributes = Field(value, "attributes", at, ReadIntArray<std::int64_t, 6>);
    layer.visible = Field(value, "visible", at, ReadBool);
    layer.editable = Field(value, "editable", at, ReadBool);
    ForEachIn(value, "objects", at, [&](const Json& object, const Location& objectAt) {
        objects.push_back(ReadObject(object, objectAt, layerId));
        layer.objects.push_back(objects.back().id);
    });
    return layer;
}

Object ReadGroup(const Json& value, const Location& at) {
    ExpectObject(value, at);
    Object group;
    group.kind = ObjectKind::Group;
    group.id = Field(value, "id", at, ReadId);
    ForEachIn(value, "members", at, [&](const Json& member, const Location& memberAt) {
        group.members.push_back(ReadId(member, memberAt));
    });
    return group;
}

// A group that holds itself, directly or through other groups, has no place in a map. One
// depth-first walk over the groups (white: not seen, grey: on the current path, black: done)
// finds the first group that closes a cycle.
std::optional<std::size_t>
FindGroupCycle(const std::vector<const Object*>& groups,
               const std::unordered_map<ObjectId, std::size_t>& groupIndex) {
    enum class Mark { White, Grey, Black };
    std::vector<Mark> marks(groups.size(), Mark::White);
    struct Step {
        std::size_t group;
        std::size_t nextMember;
    };
    std::vector<Step> path;
    for (std::size_t start = 0; start < groups.size(); ++start) {
        if (marks[start] != Mark::White) {
            continue;
        }
        marks[start] = Mark::Grey;
        path.push_back({start, 0});
        while (!path.empty()) {
            Step& step = path.back();
            const auto& members = groups[step.group]->members;
            if (step.nextMember == members.size()) {
                marks[step.group] = Mark::Black;
                path.pop_back();
                continue;
            }
            const auto found = groupIndex.find(members[step.nextMember++]);
            if (found == groupIndex.end() || marks[found->second] == Mark::Black) {
                continue;
            }
            if (marks[found->second] == Mark::Grey) {
                return found->second;
            }
            marks[found->second] = Mark::Grey;
            path.push_back({found->second, 0});
        }
    }
    return std::nullopt;
}

// Ids are unique over objects and groups, and every group member names one of them.
void CheckReferences(const std::vector<Object>& objects) {
    std::unordered_set<ObjectId> ids;
    ids.reserve(objects.size());
    std::vector<const Object*> groups;
    std::unordered_map<ObjectId, std::size_t> groupIndex;
    for (const Object& object : objects) {
        if (!ids.insert(object.id).second) {
            Fail(Location(), "object id " + std::to_string(object.id) + " is used twice");
        }
        if (object.kind == ObjectKind::Group) {
            groupIndex.emplace(object.id, groups.size());
            groups.push_back(&object);
        }
    }
    // A location keeps the address of its parent: every link of the chain is a named local.
    const Location root;
    const Location groupsAt(root, "groups");
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const Location groupAt(groupsAt, g);
        const Location membersAt(groupAt, "members");
        const auto& members = groups[g]->members;
        for (std::size_t i = 0; i < members.size(); ++i) {
            if (!ids.contains(members[i])) {
                Fail(Location(membersAt, i), "no object with id " + std::to_string(members[i]));
            }
        }
    }
    if (const auto cycle = FindGroupCycle(groups, groupIndex)) {
        Fail(Location(groupsAt, *cycle), "the group holds itself through its members");
    }
}

// Everything before the layers: format and version, unit, extent, current layer, text base, page.
MapSnapshot ReadHeader(const Json& document, const Location& root) {
    ExpectObject(document, root);
    const Json& format = Member(document, "format", root);
    if (!format.is_string() || format.get_ref<const std::string&>() != kFormatName) {
        Fail(Location(root, "format"), std::string("expected \"") + kFormatName + "\"");
    }
    const auto version = Field(document, "version", root, ReadInt<std::int64_t>);
    if (version != kFormatVersion) {
        Fail(Location(root, "version"), "unsupported version " + std::to_string(version));
    }

    MapSnapshot snapshot;
    snapshot.unitId = Field(document, "unitId", root, ReadInt32);
    const Json& rect = Member(document, "objectsRect", root);
    if (!rect.is_null()) {
        const auto r = ReadIntArray<std::int32_t, 4>(rect, Location(root, "objectsRect"));
        snapshot.objectsRect = MAP_COORDRECT{{r[0], r[1]}, {r[2], r[3]}};
    }
    const Json& currentLayer = Member(document, "currentLayer", root);
    if (!currentLayer.is_null()) {
        snapshot.currentLayer = ReadInt32(currentLayer, Location(root, "currentLayer"));
    }
    // Text base and page may be left out of a hand-written document: the new map's defaults.
    snapshot.textBase = kDefaultTextBase;
    snapshot.pageOrigin = kDefaultPageOrigin;
    snapshot.pageExtent = kDefaultPageExtent;
    OptionalField(document, "textBase", root, ReadInt32, snapshot.textBase);
    if (const Json* page = OptionalMember(document, "page")) {
        const Location pageAt(root, "page");
        ExpectObject(*page, pageAt);
        snapshot.pageOrigin = Field(*page, "origin", pageAt, ReadPoint2);
        snapshot.pageExtent = Field(*page, "extent", pageAt, ReadPoint2);
    }
    return snapshot;
}

MapSnapshot ReadDocument(const Json& document) {
    const Location root;
    MapSnapshot snapshot = ReadHeader(document, root);
    // Layer ids only tie objects to their layer here; the map gives new ids on restore. They
    // are taken from the top of the id range so that they meet no object id.
    ObjectId nextLayerId =
        std::numeric_limits<ObjectId>::max() - Member(document, "layers", root).size();
    ForEachIn(document, "layers", root, [&](const Json& layer, const Location& layerAt) {
        snapshot.layers.push_back(ReadLayer(layer, layerAt, ++nextLayerId, snapshot.objects));
    });
    ForEachIn(document, "groups", root, [&](const Json& group, const Location& groupAt) {
        snapshot.objects.push_back(ReadGroup(group, groupAt));
    });
    CheckReferences(snapshot.objects);
    // A snapshot lists its objects in creation order, which the ids of a saved map follow.
    std::stable_sort(snapshot.objects.begin(), snapshot.objects.end(),
                     [](const Object& a, const Object& b) { return a.id < b.id; });
    return snapshot;
}

// ---------------------------------------------------------------------------------------------
// Writing.

OrderedJson PointToJson(const MAP3D_COORDPT& point, bool is3d) {
    return is3d ? OrderedJson::array({point.x, point.y, point.z})
                : OrderedJson::array({point.x, point.y});
}

OrderedJson ObjectToJson(const Object& object) {
    OrderedJson json = OrderedJson::object();
    json["id"] = object.id;
    switch (object.kind) {
    case ObjectKind::Polyline:
    case ObjectKind::Polygon: {
        const bool polyline = object.kind == ObjectKind::Polyline;
        json["type"] = std::string(polyline ? "polyline" : "polygon") + (object.is3d ? "3d" : "");
        OrderedJson points = OrderedJson::array();
        for (const MAP3D_COORDPT& point : object.points) {
            points.push_back(PointToJson(point, object.is3d));
        }
        json["points"] = std::move(points);
        break;
    }
    case ObjectKind::Arc:
        json["type"] = "arc";
        json["center"] = OrderedJson::array({object.center.x, object.center.y});
        json["radius"] = object.radius;
        json["startAngle"] = RealToJson(object.startAngle);
        json["endAngle"] = RealToJson(object.endAngle);
        json["quality"] = object.quality;
        break;
    case ObjectKind::Text:
        json["type"] = "text";
        json["text"] = BytesToJson(object.text);
        json["position"] = PointToJson(object.position, object.is3d);
        json["font"] = BytesToJson(object.font);
        json["size"] = object.size;
        json["style"] = object.style;
        json["color"] = object.color;
        json["rotation"] = object.rotation;
        json["oblique"] = object.oblique;
        json["flags"] = object.flags;
        break;
    case ObjectKind::Group:
        break; // groups are written in their own list
    }
    return json;
}

OrderedJson LayerHeaderToJson(const Layer& layer) {
    OrderedJson json = OrderedJson::object();
    json["number"] = layer.number;
    json["name"] = BytesToJson(layer.name);
    json["attributes"] = layer.attributes;
    json["visible"] = layer.visible;
    json["editable"] = layer.editable;
    return json;
}

// The document is laid out with one map object per line: small diffs, readable by eye, and
// each piece is still produced by the JSON library.
std::string DocumentText(const MapSnapshot& snapshot) {
    std::unordered_map<ObjectId, const Object*> byId;
    byId.reserve(snapshot.objects.size());
    for (const Object& object : snapshot.objects) {
        byId.emplace(object.id, &object);
    }
    OrderedJson rect = nullptr;
    if (snapshot.objectsRect) {
        const MAP_COORDRECT& r = *snapshot.objectsRect;
        rect = OrderedJson::array({r.min.x, r.min.y, r.max.x, r.max.y});
    }
    OrderedJson currentLayer = nullptr;
    if (snapshot.currentLayer) {
        currentLayer = *snapshot.currentLayer;
    }
    const OrderedJson page = {{"origin", {snapshot.pageOrigin.x, snapshot.pageOrigin.y}},
                              {"extent", {snapshot.pageExtent.x, snapshot.pageExtent.y}}};

    std::string text = "{\n";
    text += "\"format\": " + OrderedJson(kFormatName).dump() + ",\n";
    text += "\"version\": " + OrderedJson(kFormatVersion).dump() + ",\n";
    text += "\"unitId\": " + OrderedJson(snapshot.unitId).dump() + ",\n";
    text += "\"objectsRect\": " + rect.dump() + ",\n";
    text += "\"currentLayer\": " + currentLayer.dump() + ",\n";
    text += "\"textBase\": " + OrderedJson(snapshot.textBase).dump() + ",\n";
    text += "\"page\": " + page.dump() + ",\n";
    text += "\"layers\": [";
    for (std::size_t i = 0; i < snapshot.layers.size(); ++i) {
        const Layer& layer = snapshot.layers[i];
        std::string header = LayerHeaderToJson(layer).dump();
        header.pop_back(); // the closing brace: the objects follow inside the same layer object
        text += i == 0 ? "\n" : ",\n";
        text += header + ", \"objects\": [";
        for (std::size_t k = 0; k < layer.objects.size(); ++k) {
            const auto found = byId.find(layer.objects[k]);
            if (found == byId.end()) {
                throw DocumentError("layer " + std::to_string(layer.number) +
                                    " lists an object the map does not hold");
            }
            text += k == 0 ? "\n  " : ",\n  ";
            text += ObjectToJson(*found->second).dump();
        }
        text += layer.objects.empty() ? "]}" : "\n]}";
    }
    text += snapshot.layers.empty() ? "],\n" : "\n],\n";
    text += "\"groups\": [";
    bool firstGroup = true;
    for (const Object& object : snapshot.objects) {
        if (object.kind != ObjectKind::Group) {
            continue;
        }
        text += firstGroup ? "\n  " : ",\n  ";
        firstGroup = false;
        text += OrderedJson{{"id", object.id}, {"members", object.members}}.dump();
    }
    text += firstGroup ? "]\n}\n" : "\n]\n}\n";
    return text;
}

// ---------------------------------------------------------------------------------------------
// Files.

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const int code = errno;
        throw std::runtime_error(std::string("cannot open: ") + std::strerror(code));
    }
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (in.bad()) {
        throw std::runtime_error("cannot read the file");
    }
    return std::move(buffer).str();
}

// nlohmann-json prefixes its messages with an id such as "[json.exception.parse_error.101] ".
std::string WithoutExceptionId(const char* message) {
    std::string_view text(message);
    if (text.starts_with("[json.exception.")) {
        const auto end = text.find("] ");
        if (end != std::string_view::npos) {
            text.remove_prefix(end + 2);
        }
    }
    return std::string(text);
}

// Runs a load or a save of a map window: every failure becomes false with its reason.
template <typename Body>
bool OnMapWindow(HWND map, std::string* error, Body&& body) {
    std::string reason;
    try {
        if (!IsMapWindow(map)) {
            throw std::runtime_error("not a map window");
        }
        return body();
    } catch (const Json::exception& e) {
        reason = WithoutExceptionId(e.what());
    } catch (const std::exception& e) {
        reason = e.what();
    } catch (...) {
        reason = "unexpected failure";
    }
    if (error != nullptr) {
        *error = std::move(reason);
    }
    return false;
}

} // namespace

bool LoadMapDocument(HWND map, const std::string& path, std::string* error) {
    return OnMapWindow(map, error, [&] {
        Restore(map, ReadDocument(Json::parse(ReadWholeFile(path))));
        return true;
    });
}

bool SaveMapDocument(HWND map, const std::string& path, std::string* error) {
    return OnMapWindow(
        map, error, [&] { return WriteFileAtomically(path, DocumentText(Snapshot(map)), error); });
}

} // namespace standin
