#include "app/map_summary.h"

#include "app/render_support.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <numeric>
#include <string_view>

namespace dxfcnv {

namespace {

// The object types as map documents name them, in the order of the summary's columns.
constexpr std::array<std::string_view, 6> kTypeNames{"polyline",  "polygon", "polyline3d",
                                                     "polygon3d", "arc",     "text"};
using TypeCounts = std::array<std::size_t, kTypeNames.size()>;

// The column of an object, or nothing for a group.
std::optional<std::size_t> TypeColumn(const standin::Object& object) {
    if (object.kind == standin::ObjectKind::Group) {
        return std::nullopt;
    }
    // Point symbols count as texts.
    const std::string_view name =
        object.kind == standin::ObjectKind::Text ? "text" : ObjectTypeName(object);
    return std::find(kTypeNames.begin(), kTypeNames.end(), name) - kTypeNames.begin();
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) {
        text.append(width - text.size(), ' ');
    }
    return text;
}

std::string PadLeft(const std::string& text, std::size_t width) {
    return text.size() < width ? std::string(width - text.size(), ' ') + text : text;
}

std::string CountsText(const TypeCounts& counts) {
    std::string text;
    for (std::size_t i = 0; i < counts.size(); ++i) {
        text += "  " + PadLeft(std::to_string(counts[i]), kTypeNames[i].size());
    }
    return text;
}

} // namespace

std::string MapSummary(const standin::MapSnapshot& map) {
    const ObjectIndex index(map);
    const auto groupCount =
        std::count_if(map.objects.begin(), map.objects.end(), [](const standin::Object& object) {
            return object.kind == standin::ObjectKind::Group;
        });

    std::size_t nameWidth = std::string_view("name").size();
    for (const standin::Layer& layer : map.layers) {
        nameWidth = std::max(nameWidth, layer.name.size());
    }
    constexpr std::size_t kNumberWidth = 6;

    std::string header = PadLeft("layer", kNumberWidth) + "  " + PadRight("name", nameWidth);
    for (const std::string_view name : kTypeNames) {
        header += "  " + std::string(name);
    }
    std::string text = header + "\n";

    TypeCounts total{};
    for (const standin::Layer& layer : map.layers) {
        TypeCounts counts{};
        for (const standin::ObjectId id : layer.objects) {
            const standin::Object* object = index.Find(id);
            if (const auto column = object ? TypeColumn(*object) : std::nullopt) {
                ++counts[*column];
                ++total[*column];
            }
        }
        text += PadLeft(std::to_string(layer.number), kNumberWidth) + "  " +
                PadRight(layer.name, nameWidth) + CountsText(counts) + "\n";
    }
    text += PadRight("total", kNumberWidth + 2 + nameWidth) + CountsText(total) + "\n";
    const std::size_t objectCount = std::accumulate(total.begin(), total.end(), std::size_t{0});
    text += "layers: " + std::to_string(map.layers.size()) +
            ", objects: " + std::to_string(objectCount) +
            ", groups: " + std::to_string(groupCount) + "\n";
    return text;
}

} // namespace dxfcnv
