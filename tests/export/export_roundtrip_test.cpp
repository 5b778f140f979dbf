// Round trips: a map of lines, areas and texts written by the export and read by the import into
// a fresh map gives the same objects on the same layers.
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace {

using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;

// What survives a round trip of one object. The import gives every text its own font size and
// reads baseline and bottom alike, so the size and the vertical flags are not compared.
struct Summary {
    std::string layer;
    standin::ObjectKind kind = standin::ObjectKind::Polyline;
    std::vector<std::pair<std::int32_t, std::int32_t>> points;
    std::string text;
    std::pair<std::int32_t, std::int32_t> position;
    std::int32_t rotation = 0;
    std::uint32_t alignment = 0; // centre, right and middle
    bool operator==(const Summary&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Summary& s) {
    out << s.layer << " kind " << static_cast<int>(s.kind) << " points " << s.points.size()
        << " text '" << s.text << "' at " << s.position.first << "," << s.position.second
        << " rotation " << s.rotation << " alignment " << s.alignment;
    return out;
}

// The objects of each layer that holds any, by layer name; within a layer last to first when
// `reversed`. The import makes the layers in an order of its own (the last layer of the table
// first), so layers are matched by name.
std::map<std::string, std::vector<Summary>> Summaries(const standin::MapSnapshot& map,
                                                      bool reversed) {
    std::map<std::string, std::vector<Summary>> all;
    for (const standin::Layer& layer : map.layers) {
        std::vector<Summary> onLayer;
        for (standin::ObjectId id : layer.objects) {
            const auto found = std::find_if(map.objects.begin(), map.objects.end(),
                                            [id](const standin::Object& o) { return o.id == id; });
            if (found == map.objects.end())
                continue;
            Summary summary{layer.name, found->kind, testing_support::XY(*found), {}, {}, 0, 0};
            if (found->kind == standin::ObjectKind::Text) {
                summary.text = found->text;
                summary.position = {found->position.x, found->position.y};
                summary.rotation = found->rotation;
                summary.alignment = found->flags & 7u;
            }
            onLayer.push_back(std::move(summary));
        }
        if (reversed)
            std::reverse(onLayer.begin(), onLayer.end());
        if (!onLayer.empty())
            all[layer.name] = std::move(onLayer);
    }
    return all;
}

standin::Object Turned(std::int32_t rotation, std::uint32_t flags) {
    standin::Object details;
    details.size = 10;
    details.rotation = rotation;
    details.flags = flags;
    return details;
}

TEST(RoundTrip, LinesAreasAndTextsComeBackOnTheirLayers) {
    TempHome home;
    MapWindow original;
    MapBuilder()
        .Layer(5, "Roads")
        .Polyline({{0, 0}, {1000, 0}, {1000, 2500}})
        .Polyline({{-20, -30}, {40, 50}})
        .Layer(6, "Areas")
        .Polygon({{0, 0}, {500, 0}, {500, 500}, {0, 500}})
        .Polygon({{10, 10}, {20, 10}, {15, 30}})
        .Layer(7, "Names")
        .Text("Market square", {250, 250}, Turned(0, 0))
        .Text("Two\r\nlines", {-100, 700}, Turned(900, 1 | 4))
        .Text("Right", {3000, -4000}, Turned(-450, 2))
        .Into(original.Handle());

    const std::filesystem::path file = home.Path() / "roundtrip.dxf";
    ASSERT_EQ(DXFFileExport(original.Handle(), file.c_str(), 0, 0), 0);
    MapWindow imported;
    ASSERT_EQ(DXFFileImport(imported.Handle(), file.c_str(), 0, nullptr), 1);

    // The import puts the objects of a layer in file order, which is the reverse of the map's.
    const auto expected = Summaries(original.Snapshot(), true);
    const auto actual = Summaries(imported.Snapshot(), false);
    EXPECT_EQ(actual, expected);
}

TEST(RoundTrip, ThreeDimensionalObjectsComeBackFlat) {
    TempHome home;
    MapWindow original;
    MapBuilder()
        .Layer(1, "Terrain")
        .Polyline3d({{1, 2, 300}, {4, 5, 600}})
        .Text3d("Peak", {7, 8, 900}, Turned(0, 0))
        .Into(original.Handle());
    const std::filesystem::path file = home.Path() / "flat.dxf";
    ASSERT_EQ(DXFFileExport(original.Handle(), file.c_str(), 0, 0), 0);
    MapWindow imported;
    ASSERT_EQ(DXFFileImport(imported.Handle(), file.c_str(), 0, nullptr), 1);
    EXPECT_EQ(Summaries(imported.Snapshot(), false), Summaries(original.Snapshot(), true));
}

} // namespace
