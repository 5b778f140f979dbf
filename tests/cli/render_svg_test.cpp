// The SVG of a map: y flip, viewBox, layer groups and ids, arcs, texts and the escaping of the
// map's byte strings.
#include "app/svg_render.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

using standin::Layer;
using standin::MapSnapshot;
using standin::Object;
using standin::ObjectKind;

// Builds a snapshot by hand: layers in map order, each object put on the last layer added.
class MapBuilder {
  public:
    MapBuilder& AddLayer(std::string name, bool visible = true) {
        Layer layer;
        layer.id = nextId_++;
        layer.number = static_cast<std::int32_t>(map_.layers.size()) + 1;
        layer.name = std::move(name);
        layer.visible = visible;
        map_.layers.push_back(std::move(layer));
        return *this;
    }
    MapBuilder& Add(Object object) {
        object.id = nextId_++;
        object.layer = map_.layers.back().id;
        map_.layers.back().objects.push_back(object.id);
        map_.objects.push_back(std::move(object));
        return *this;
    }
    MapBuilder& ObjectsRect(MAP_COORDRECT rect) {
        map_.objectsRect = rect;
        return *this;
    }
    const MapSnapshot& Map() const { return map_; }

  private:
    MapSnapshot map_;
    standin::ObjectId nextId_ = 1;
};

Object Polyline(std::vector<MAP3D_COORDPT> points, ObjectKind kind = ObjectKind::Polyline) {
    Object object;
    object.kind = kind;
    object.points = std::move(points);
    return object;
}

Object Arc(MAP_COORDPT center, std::int32_t radius, double start, double end) {
    Object object;
    object.kind = ObjectKind::Arc;
    object.center = center;
    object.radius = radius;
    object.startAngle = start;
    object.endAngle = end;
    return object;
}

Object Text(std::string text, MAP_COORDPT position, std::int32_t size, std::uint32_t flags,
            std::int32_t rotation = 0) {
    Object object;
    object.kind = ObjectKind::Text;
    object.text = std::move(text);
    object.position = {position.x, position.y, 0};
    object.font = "Arial";
    object.size = size;
    object.flags = flags;
    object.rotation = rotation;
    return object;
}

std::string Svg(const MapSnapshot& map, dxfcnv::SvgOptions options = {}) {
    std::ostringstream out;
    dxfcnv::WriteSvg(map, options, out);
    return out.str();
}

// The value of `attribute` in every element named `element`, in document order.
std::vector<std::string> Attributes(const std::string& svg, const std::string& element,
                                    const std::string& attribute) {
    const std::regex tag("<" + element + "\\b[^>]*>");
    const std::regex value("\\s" + attribute + "=\"([^\"]*)\"");
    std::vector<std::string> values;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), tag); it != std::sregex_iterator();
         ++it) {
        std::smatch match;
        const std::string text = it->str();
        values.push_back(std::regex_search(text, match, value) ? match[1].str() : "(none)");
    }
    return values;
}

std::string Only(const std::vector<std::string>& values) {
    EXPECT_EQ(values.size(), 1u);
    return values.empty() ? std::string() : values.front();
}

// The character data of every <text> element.
std::vector<std::string> TextContents(const std::string& svg) {
    const std::regex text("<text\\b[^>]*>(.*?)</text>");
    std::vector<std::string> contents;
    for (auto it = std::sregex_iterator(svg.begin(), svg.end(), text); it != std::sregex_iterator();
         ++it) {
        contents.push_back((*it)[1].str());
    }
    return contents;
}

TEST(SvgRender, NegatesYAndFitsTheViewBoxWithAMargin) {
    MapBuilder map;
    map.AddLayer("0").Add(Polyline({{0, 0, 0}, {100, 50, 0}, {100, -10, 0}}));
    const std::string svg = Svg(map.Map());
    EXPECT_EQ(Only(Attributes(svg, "path", "d")), "M0 0 100 -50 100 10");
    // Bounds x 0..100 and svg y -50..10; the margin is 2 % of the larger side.
    EXPECT_EQ(Only(Attributes(svg, "svg", "viewBox")), "-2 -52 104 64");
    EXPECT_EQ(Only(Attributes(svg, "svg", "width")), "1024");
    EXPECT_EQ(Only(Attributes(svg, "svg", "height")), "630"); // 1024 * 64 / 104, rounded
}

TEST(SvgRender, ViewBoxComesFromTheObjectsBeforeTheObjectsRectangle) {
    MapBuilder withObjects;
    withObjects.AddLayer("0")
        .Add(Polyline({{1000, 1000, 0}, {1100, 1100, 0}}))
        .ObjectsRect({{-5000, -5000}, {5000, 5000}});
    EXPECT_EQ(Only(Attributes(Svg(withObjects.Map()), "svg", "viewBox")), "998 -1102 104 104");

    MapBuilder rectOnly;
    rectOnly.AddLayer("0").ObjectsRect({{0, 0}, {500, 250}});
    EXPECT_EQ(Only(Attributes(Svg(rectOnly.Map()), "svg", "viewBox")), "-10 -260 520 270");

    MapBuilder empty;
    empty.AddLayer("0");
    EXPECT_EQ(Only(Attributes(Svg(empty.Map()), "svg", "viewBox")), "0 -1 1 1");
}

TEST(SvgRender, ViewBoxCoversArcExtremesAndTexts) {
    MapBuilder arc;
    // A quarter from 45 to 135 degrees passes the top of the circle.
    arc.AddLayer("0").Add(Arc({0, 0}, 100, 45, 135));
    const std::string box = Only(Attributes(Svg(arc.Map()), "svg", "viewBox"));
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    std::istringstream(box) >> x >> y >> width >> height;
    EXPECT_NEAR(y, -100 - 2.83, 0.01); // the top at svg y -100, less the margin
    EXPECT_NEAR(y + height, -70.71 + 2.83, 0.01);

    MapBuilder text;
    text.AddLayer("0").Add(Text("WIDE TEXT", {0, 0}, 100, 0));
    std::istringstream(Only(Attributes(Svg(text.Map()), "svg", "viewBox"))) >> x >> y >> width >>
        height;
    EXPECT_GT(width, 500.0); // nine characters of a font size of about 140 units
    EXPECT_LT(y, -100.0);    // the capitals rise above the baseline
}

TEST(SvgRender, OneGroupPerLayerInMapOrderWithUniqueIds) {
    MapBuilder map;
    map.AddLayer("Walls").AddLayer("a b").AddLayer("a_20b").AddLayer("Walls").AddLayer("");
    map.AddLayer("Stra\xDF"
                 "e 1/2 <&>");
    map.AddLayer("Frozen", false);
    const std::string svg = Svg(map.Map());
    EXPECT_EQ(
        Attributes(svg, "g", "id"),
        (std::vector<std::string>{"layer-Walls", "layer-a_20b", "layer-a_5F20b", "layer-Walls-2",
                                  "layer-", "layer-Stra_DFe_201_2F2_20_3C_26_3E", "layer-Frozen"}));
    EXPECT_EQ(Attributes(svg, "g", "display").back(), "none");
}

TEST(SvgRender, LayersOptionDrawsOnlyTheNamedLayersAndFitsToThem) {
    MapBuilder map;
    map.AddLayer("A").Add(Polyline({{0, 0, 0}, {10, 0, 0}}));
    map.AddLayer("B").Add(Polyline({{5000, 5000, 0}, {6000, 5000, 0}}));
    map.AddLayer("C", false).Add(Polyline({{0, 0, 0}, {0, 10, 0}}));
    dxfcnv::SvgOptions options;
    options.layers = {"C", "A"};
    const std::string svg = Svg(map.Map(), options);
    EXPECT_EQ(Attributes(svg, "g", "id"), (std::vector<std::string>{"layer-A", "layer-C"}));
    EXPECT_EQ(Attributes(svg, "g", "display"), (std::vector<std::string>{"(none)", "(none)"}));
    EXPECT_EQ(Only(Attributes(svg, "svg", "viewBox")), "-1 -11 12 12");

    EXPECT_EQ(dxfcnv::UnknownLayers(map.Map(), {"A", "X", "c"}),
              (std::vector<std::string>{"X", "c"}));
}

TEST(SvgRender, FrozenLayersDoNotWidenTheView) {
    MapBuilder map;
    map.AddLayer("Shown").Add(Polyline({{0, 0, 0}, {100, 0, 0}}));
    map.AddLayer("Frozen", false).Add(Polyline({{0, 0, 0}, {0, 100000, 0}}));
    EXPECT_EQ(Only(Attributes(Svg(map.Map()), "svg", "viewBox")), "-2 -2 104 4");
}

struct ArcCase {
    const char* what;
    std::int32_t radius;
    double start;
    double end;
    const char* path; // empty: nothing drawn
};

TEST(SvgRender, ArcsTurnCounterClockwiseWithTheRightFlags) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const ArcCase cases[] = {
        {"quarter from east to north", 10, 0, 90, "M10 0 A10 10 0 0 0 0 -10"},
        {"three quarters take the large arc", 10, 0, 270, "M10 0 A10 10 0 1 0 0 10"},
        {"end below start wraps through east", 10, 350, 10,
         "M9.848 1.736 A10 10 0 0 0 9.848 -1.736"},
        {"half turn is not large", 10, 90, 270, "M0 -10 A10 10 0 0 0 0 10"},
        {"full turn in two halves", 10, 0, 360, "M10 0 A10 10 0 0 0 -10 0 A10 10 0 0 0 10 0"},
        {"equal angles are a full turn", 10, 45, 45,
         "M7.071 -7.071 A10 10 0 0 0 -7.071 7.071 A10 10 0 0 0 7.071 -7.071"},
        {"negative angles", 10, -90, 0, "M0 10 A10 10 0 0 0 10 0"},
        {"huge angles keep their quarter", 10, 360.0 * 1e12, 360.0 * 1e12 + 90,
         "M10 0 A10 10 0 0 0 0 -10"},
        {"negative radius lies opposite", -10, 0, 90, "M-10 0 A10 10 0 0 0 0 10"},
        {"no radius", 0, 0, 90, ""},
        {"angle not a number", 10, nan, 90, ""},
    };
    for (const ArcCase& c : cases) {
        MapBuilder map;
        map.AddLayer("0").Add(Arc({0, 0}, c.radius, c.start, c.end));
        const auto paths = Attributes(Svg(map.Map()), "path", "d");
        const std::vector<std::string> expected =
            *c.path ? std::vector<std::string>{c.path} : std::vector<std::string>{};
        EXPECT_EQ(paths, expected) << c.what;
    }
}

TEST(SvgRender, PolygonsCloseAndSinglePointsShowAsDots) {
    MapBuilder map;
    map.AddLayer("0")
        .Add(Polyline({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}}, ObjectKind::Polygon))
        .Add(Polyline({{7, -3, 99}}))
        .Add(Polyline({{INT32_MIN, INT32_MIN, 0}, {INT32_MAX, INT32_MAX, 0}}));
    EXPECT_EQ(Attributes(Svg(map.Map()), "path", "d"),
              (std::vector<std::string>{"M0 0 10 0 10 -10Z", "M7 3h0",
                                        "M-2147483648 2147483648 2147483647 -2147483647"}));
}

struct AlignmentCase {
    const char* what;
    std::uint32_t flags;
    const char* anchor; // text-anchor, "(none)" for start
    double baseline;    // y of the baseline below the anchor, in capital heights
};

TEST(SvgRender, TextAlignmentFollowsTheFlags) {
    const AlignmentCase cases[] = {
        {"plain text sits on its baseline", 0, "(none)", 0.0},
        {"imported top text (16 alone) hangs from its top", 16, "(none)", 1.0},
        {"imported middle, centred (16 + 4 + 1)", 21, "middle", 0.5},
        {"centre wins over right", 3, "middle", 0.0},
        {"bottom wins over middle", 12, "(none)", 0.0},
    };
    for (const AlignmentCase& c : cases) {
        MapBuilder map;
        map.AddLayer("0").Add(Text("Hall", {100, 200}, 50, c.flags));
        const std::string svg = Svg(map.Map());
        EXPECT_EQ(Only(Attributes(svg, "text", "text-anchor")), c.anchor) << c.what;
        EXPECT_NEAR(std::stod(Only(Attributes(svg, "text", "y"))), 50 * c.baseline, 0.01) << c.what;
        EXPECT_EQ(Only(Attributes(svg, "text", "transform")), "translate(100 -200)") << c.what;
        // The capitals are the text height: 50 map units.
        EXPECT_NEAR(std::stod(Only(Attributes(svg, "text", "font-size"))) * 0.716, 50, 0.01);
    }
}

TEST(SvgRender, TextRotationObliqueFontAndHeightFunction) {
    MapBuilder map;
    Object text = Text("Hall", {10, 20}, 40, 24, 900);
    text.oblique = 150;
    text.font = "Times New Roman";
    map.AddLayer("0").Add(text);
    dxfcnv::SvgOptions options;
    options.textHeight = [](std::int32_t size) { return size * 2.5; };
    const std::string svg = Svg(map.Map(), options);
    // Counter-clockwise in the map is a negative SVG rotation once y points down.
    EXPECT_EQ(Only(Attributes(svg, "text", "transform")),
              "translate(10 -20) rotate(-90) skewX(-15)");
    EXPECT_EQ(Only(Attributes(svg, "text", "font-family")), "Times New Roman");
    EXPECT_NEAR(std::stod(Only(Attributes(svg, "text", "font-size"))) * 0.716, 100, 0.01);
}

TEST(SvgRender, PointSymbolsAreCentredOnTheirPoints) {
    MapBuilder map;
    map.AddLayer("Points")
        .Add(Text("X", {5, 5}, 10, 5))
        .Add(Text("X", {6, 6}, 10, 0))        // a symbol whatever its flags
        .Add(Text("\xC2\xB0", {7, 7}, 10, 0)) // one UTF-8 character
        .Add(Text("X", {8, 8}, 10, 24))       // an imported one-letter TEXT is a text
        .Add(Text("XY", {9, 9}, 10, 5));      // two letters are a text
    const std::string svg = Svg(map.Map());
    EXPECT_EQ(Attributes(svg, "text", "class"),
              (std::vector<std::string>{"symbol", "symbol", "symbol", "(none)", "(none)"}));
    EXPECT_EQ(Attributes(svg, "text", "text-anchor"),
              (std::vector<std::string>{"middle", "middle", "middle", "(none)", "middle"}));
    EXPECT_EQ(Attributes(svg, "text", "y"), (std::vector<std::string>{"5", "5", "5", "0", "5"}));
}

TEST(SvgRender, LineBreaksMakeOneLinePerTspan) {
    MapBuilder map;
    map.AddLayer("0").Add(Text("one\r\ntwo\nthree", {0, 0}, 10, 24));
    const std::string svg = Svg(map.Map());
    EXPECT_EQ(TextContents(svg),
              (std::vector<std::string>{
                  "<tspan x=\"0\" y=\"-33.52\">one</tspan><tspan x=\"0\" y=\"-16.76\">two</tspan>"
                  "<tspan x=\"0\" y=\"0\">three</tspan>"}));
}

struct EscapeCase {
    const char* what;
    std::string bytes;
    std::string xml;
};

TEST(SvgRender, ByteStringsBecomeEscapedUtf8) {
    const EscapeCase cases[] = {
        {"markup characters", "a&b<c>\"d'", "a&amp;b&lt;c&gt;&quot;d&apos;"},
        {"Windows-1252 is decoded",
         "Stra\xDF"
         "e \x80",
         "Stra\xC3\x9F"
         "e \xE2\x82\xAC"},
        {"one stray byte decodes the whole string", "\xC3\x9F\xFF", "\xC3\x83\xC5\xB8\xC3\xBF"},
        {"overlong form is not UTF-8", "\xC0\xAF", "\xC3\x80\xC2\xAF"},
        {"surrogate is not UTF-8", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xE2\x82\xAC"},
        {"forbidden controls dropped",
         std::string("a\x01\x1F\x00"
                     "b",
                     5),
         "ab"},
        {"tab kept as reference", "a\tb", "a&#9;b"},
        {"noncharacters dropped",
         "a\xEF\xBF\xBE\xEF\xBF\xBF"
         "b",
         "ab"},
        {"undefined Windows-1252 byte", "\x81", "\xC2\x81"},
    };
    for (const EscapeCase& c : cases) {
        MapBuilder map;
        map.AddLayer(c.bytes).Add(Text(c.bytes, {0, 0}, 10, 24));
        const std::string svg = Svg(map.Map());
        EXPECT_EQ(TextContents(svg), std::vector<std::string>{c.xml}) << c.what;
        EXPECT_EQ(Only(Attributes(svg, "g", "inkscape:label")), c.xml) << c.what;
    }
}

TEST(SvgRender, WidthOptionSetsThePixelSize) {
    MapBuilder map;
    map.AddLayer("0").Add(Polyline({{0, 0, 0}, {1000, 500, 0}}));
    dxfcnv::SvgOptions options;
    options.widthPx = 520;
    const std::string svg = Svg(map.Map(), options);
    EXPECT_EQ(Only(Attributes(svg, "svg", "width")), "520");
    EXPECT_EQ(Only(Attributes(svg, "svg", "height")), "270");
}

} // namespace
