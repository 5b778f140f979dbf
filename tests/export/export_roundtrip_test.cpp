// What export cases cannot say well: round trips through the import, a text longer than the
// host's 16-bit fetch, and the cleaning of layer names against every maximum.
#include "export/layer_names.h"
#include "export_support.h"
#include "module/exports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <sstream>

namespace {

using namespace export_support;
using testing_support::MapWindow;
using testing_support::TempHome;

// The objects of each layer that holds any, by layer name (the import makes the layers in an
// order of its own); within a layer last to first when `reversed`, as the export writes them.
// The import gives every text its own font size and reads baseline and bottom alike, so the
// size and the vertical flags are left out.
std::map<std::string, std::vector<std::string>> Summaries(const standin::MapSnapshot& map,
                                                          bool reversed) {
    std::map<std::string, std::vector<std::string>> all;
    for (const standin::Layer& layer : map.layers) {
        std::vector<std::string> onLayer;
        for (standin::ObjectId id : layer.objects) {
            const auto o = std::find_if(map.objects.begin(), map.objects.end(),
                                        [id](const standin::Object& o) { return o.id == id; });
            std::ostringstream out;
            out << static_cast<int>(o->kind);
            for (const auto& [x, y] : testing_support::XY(*o))
                out << " " << x << "," << y;
            if (o->kind == standin::ObjectKind::Text)
                out << " '" << o->text << "' at " << o->position.x << "," << o->position.y
                    << " turned " << o->rotation << " aligned " << (o->flags & 7u);
            onLayer.push_back(out.str());
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

TEST(RoundTrip, LinesAreasAndTextsComeBackOnTheirLayersAndThreeDimensionsFlat) {
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
        .Layer(1, "Terrain")
        .Polyline3d({{1, 2, 300}, {4, 5, 600}})
        .Text3d("Peak", {7, 8, 900}, Turned(0, 0))
        .Into(original.Handle());
    const std::filesystem::path file = home.Path() / "roundtrip.dxf";
    ASSERT_EQ(DXFFileExport(original.Handle(), file.c_str(), 0, 0), 0);
    MapWindow imported;
    ASSERT_EQ(DXFFileImport(imported.Handle(), file.c_str(), 0, nullptr), 1);
    EXPECT_EQ(Summaries(imported.Snapshot(), false), Summaries(original.Snapshot(), true));
}

TEST(TextEntity, TextLongerThanTheSixteenBitFetchIsCutNotOverrun) {
    std::string text(70000, 'x');
    for (std::size_t i = 0; i < text.size(); i += 1000)
        text[i] = static_cast<char>('a' + (i / 1000) % 26);
    TempHome home;
    MapWindow map;
    MapBuilder().Layer(1, "N").Text(text, {0, 0}).Into(map.Handle());
    const Exported exported = ExportMap(home, map.Handle());
    ASSERT_TRUE(exported.wellFormed);
    const auto texts = std::count_if(exported.groups.begin(), exported.groups.end(),
                                     [](const auto& group) { return group.first == 1; });
    EXPECT_EQ(texts, 1);
    EXPECT_NE(std::find(exported.groups.begin(), exported.groups.end(),
                        testing_support::Group{1, text.substr(0, 65534)}),
              exported.groups.end());
}

TEST(LayerNames, RefusedCharactersBecomeUnderscoresAndNamesAreCutToTheMaximum) {
    const struct {
        std::string source;
        std::int32_t maximum;
        std::string expected;
    } cases[] = {
        {"Roads (main)", 25, "Roads__main_"},
        {"a.b/c", 25, "a_b_c"},
        {"x*y;z", 25, "x*y;z"},
        {" \t.()<>\\/,'\"|:=?", 25, "________________"},
        {"Stra\xDF"
         "e \xE4",
         25,
         "Stra\xDF"
         "e_\xE4"},
        {"Line\r\nbreak\rand\nmore", 25, "Line__break_and_more"},
        {"abcdefghijklmnopqrstuvwxyz1234", 25, "abcdefghijklmnopqrstuvwxy"},
        {"abcde", 5, "abcde"},
        {"abc", 0, ""},
        {"abc", -3, ""},
        {"", 25, ""},
    };
    for (const auto& c : cases) {
        std::vector<char> destination(static_cast<std::size_t>(std::max(c.maximum, 0)) + 1, 'x');
        EXPECT_EQ(SanitizeLayerName(destination.data(), c.source.c_str(), c.maximum), 1);
        EXPECT_EQ(std::string(destination.data()), c.expected) << c.source << " " << c.maximum;
    }
}

} // namespace
