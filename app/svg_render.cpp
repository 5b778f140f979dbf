#include "app/svg_render.h"

#include "app/byte_text.h"
#include "app/render_support.h"
#include "standin/files.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace dxfcnv {

namespace {

constexpr double kDegrees = std::numbers::pi / 180.0;
// Arial's capitals are 0.716 of its em; the text height of a map text is the capitals' height.
constexpr double kCapHeightPerEm = 0.716;
// Baseline to baseline of the lines of a text with line breaks.
constexpr double kLineSpacingEm = 1.2;
// Estimates for fitting the viewBox around texts: mean advance, ascent and descent in em.
constexpr double kMeanAdvanceEm = 0.6;
constexpr double kAscentEm = 0.9;
constexpr double kDescentEm = 0.25;
// The margin around the drawn objects, as a share of the larger side, and at least this much.
constexpr double kMarginShare = 0.02;
constexpr double kMinMargin = 1.0;
// The largest height in pixels an SVG gets, whatever the shape of the map.
constexpr double kMaxHeightPx = 100000.0;
// The output goes to the stream in pieces of about this size.
constexpr std::size_t kFlushSize = 1 << 16;
// Numbers that are not integers are written with this many decimals.
constexpr int kDecimals = 3;
// Below this chord an arc of more than a half turn is drawn as two halves: one A command whose
// end points meet (or print alike) draws nothing.
constexpr double kMinArcChord = 0.01;
// The height of a text's capitals in map units is what the export writes as its height.
constexpr double kExportHeightPerMapSize = 0.4;

// A finite real with at most kDecimals decimals, without trailing zeros and without "-0".
void AppendReal(std::string& out, double value) {
    char digits[400];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, value, std::chars_format::fixed, kDecimals);
    std::string_view text(digits, static_cast<std::size_t>(result.ptr - digits));
    if (text.find('.') != std::string_view::npos) {
        text.remove_suffix(text.size() - 1 - text.find_last_not_of('0'));
        if (text.back() == '.') {
            text.remove_suffix(1);
        }
    }
    if (text == "-0") {
        text = "0";
    }
    out += text;
}

// A rectangle in SVG user units (map x, negated map y), growing as points are added.
struct Box {
    double minX = std::numeric_limits<double>::infinity();
    double minY = std::numeric_limits<double>::infinity();
    double maxX = -std::numeric_limits<double>::infinity();
    double maxY = -std::numeric_limits<double>::infinity();

    bool Empty() const { return minX > maxX; }
    void Add(double x, double y) {
        if (std::isfinite(x) && std::isfinite(y)) {
            minX = std::min(minX, x);
            minY = std::min(minY, y);
            maxX = std::max(maxX, x);
            maxY = std::max(maxY, y);
        }
    }
};

double SvgY(double mapY) {
    return -mapY;
}

// An arc with a radius of at least 0: a negative radius puts every point on the other side of
// the centre, which is the same as turning both angles half a turn.
struct ArcShape {
    double cx = 0.0;
    double cy = 0.0;
    double radius = 0.0;
    double start = 0.0; // degrees, counter-clockwise in the map
    double sweep = 0.0; // degrees, in (0, 360]

    // The point at `degrees` in SVG user units.
    std::pair<double, double> At(double degrees) const {
        return {cx + radius * std::cos(degrees * kDegrees),
                SvgY(cy + radius * std::sin(degrees * kDegrees))};
    }
};

std::optional<ArcShape> ShapeOf(const standin::Object& arc) {
    const auto sweep = ArcSweepDegrees(arc.startAngle, arc.endAngle);
    if (!sweep || arc.radius == 0) {
        return std::nullopt;
    }
    ArcShape shape{static_cast<double>(arc.center.x), static_cast<double>(arc.center.y),
                   std::fabs(static_cast<double>(arc.radius)), arc.startAngle, *sweep};
    if (arc.radius < 0) {
        shape.start += 180.0;
    }
    // From here on the angles stay small enough for steps of a quarter turn to count.
    shape.start = std::fmod(shape.start, 360.0);
    if (shape.start < 0.0) {
        shape.start += 360.0;
    }
    return shape;
}

void AddArc(Box& box, const ArcShape& arc) {
    const auto [x0, y0] = arc.At(arc.start);
    const auto [x1, y1] = arc.At(arc.start + arc.sweep);
    box.Add(x0, y0);
    box.Add(x1, y1);
    // The extremes of the circle on the axes that the sweep passes.
    const double first = std::ceil(arc.start / 90.0) * 90.0;
    for (double axis = first; axis <= arc.start + arc.sweep; axis += 90.0) {
        const auto [x, y] = arc.At(axis);
        box.Add(x, y);
    }
}

enum class Horizontal { Start, Middle, End };

// Where a text's lines go relative to its anchor, in the text's own axes (y down).
struct TextLayout {
    std::size_t lineCount = 1;
    std::size_t longestLine = 0; // in characters
    double fontSize = 0.0;
    double firstBaseline = 0.0;
    double lineStep = 0.0;
    Horizontal horizontal = Horizontal::Start;
};

// Calls `take` with every line of the text; CR LF, a lone CR and a lone LF each end a line.
template <typename Take>
void ForEachLine(std::string_view text, Take take) {
    std::size_t begin = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (text[at] == '\r' || text[at] == '\n') {
            take(text.substr(begin, at - begin));
            if (text[at] == '\r' && at + 1 < text.size() && text[at + 1] == '\n') {
                ++at;
            }
            begin = at + 1;
        }
    }
    take(text.substr(begin));
}

// The first line's baseline below the anchor, in the text's own axes (y down): a point symbol
// and a text flagged middle are centred on their anchor, an imported TEXT without a vertical
// flag hangs from it, and any other text sits on it.
double FirstBaseline(const standin::Object& text, double cap, double extraLines) {
    const bool bottom = (text.flags & kTextFlagBottom) != 0;
    if (IsPointSymbol(text) || (!bottom && (text.flags & kTextFlagMiddle) != 0)) {
        return cap / 2.0 - extraLines / 2.0;
    }
    return !bottom && (text.flags & kTextFlagImported) != 0 ? cap : -extraLines;
}

Horizontal HorizontalOf(const standin::Object& text) {
    if (IsPointSymbol(text) || (text.flags & kTextFlagCentre)) {
        return Horizontal::Middle;
    }
    return (text.flags & kTextFlagRight) ? Horizontal::End : Horizontal::Start;
}

TextLayout LayoutOf(const standin::Object& text, const SvgOptions& options) {
    TextLayout layout;
    layout.lineCount = 0;
    ForEachLine(text.text, [&](std::string_view line) {
        ++layout.lineCount;
        layout.longestLine = std::max(layout.longestLine, CharacterCount(line));
    });
    const double capHeight = options.textHeight(text.size);
    layout.fontSize =
        std::isfinite(capHeight) && capHeight > 0.0 ? capHeight / kCapHeightPerEm : 0.0;
    layout.lineStep = layout.fontSize * kLineSpacingEm;
    const double extraLines = static_cast<double>(layout.lineCount - 1) * layout.lineStep;
    const double cap = layout.fontSize * kCapHeightPerEm;
    layout.firstBaseline = FirstBaseline(text, cap, extraLines);
    layout.horizontal = HorizontalOf(text);
    return layout;
}

// Adds the estimated box of a text, turned by its rotation, to the bounds.
void AddText(Box& box, const standin::Object& text, const SvgOptions& options) {
    const TextLayout layout = LayoutOf(text, options);
    const double width = static_cast<double>(layout.longestLine) * kMeanAdvanceEm * layout.fontSize;
    const double left = layout.horizontal == Horizontal::Start    ? 0.0
                        : layout.horizontal == Horizontal::Middle ? -width / 2.0
                                                                  : -width;
    const double top = layout.firstBaseline - kAscentEm * layout.fontSize;
    const double bottom = layout.firstBaseline +
                          static_cast<double>(layout.lineCount - 1) * layout.lineStep +
                          kDescentEm * layout.fontSize;
    // rotate(-r) in the y-down axes of the SVG turns counter-clockwise on the screen.
    const double angle = -(text.rotation / 10.0) * kDegrees;
    const double cosine = std::cos(angle);
    const double sine = std::sin(angle);
    const double x = text.position.x;
    const double y = SvgY(text.position.y);
    for (const double u : {left, left + width}) {
        for (const double v : {top, bottom}) {
            box.Add(x + u * cosine - v * sine, y + u * sine + v * cosine);
        }
    }
}

void AddObject(Box& box, const standin::Object& object, const SvgOptions& options) {
    switch (object.kind) {
    case standin::ObjectKind::Polyline:
    case standin::ObjectKind::Polygon:
        for (const MAP3D_COORDPT& point : object.points) {
            box.Add(point.x, SvgY(point.y));
        }
        break;
    case standin::ObjectKind::Arc:
        if (const auto shape = ShapeOf(object)) {
            AddArc(box, *shape);
        }
        break;
    case standin::ObjectKind::Text:
        box.Add(object.position.x, SvgY(object.position.y));
        AddText(box, object, options);
        break;
    case standin::ObjectKind::Group:
        break;
    }
}

// Which layers are drawn, and which of them are shown.
struct LayerChoice {
    bool drawn = false;
    bool shown = false;
};

std::vector<LayerChoice> ChooseLayers(const standin::MapSnapshot& map, const SvgOptions& options) {
    const std::unordered_set<std::string> wanted(options.layers.begin(), options.layers.end());
    std::vector<LayerChoice> choices;
    choices.reserve(map.layers.size());
    for (const standin::Layer& layer : map.layers) {
        const bool named = wanted.contains(layer.name);
        choices.push_back(wanted.empty() ? LayerChoice{true, layer.visible}
                                         : LayerChoice{named, named});
    }
    return choices;
}

// The viewBox: the shown objects with a margin, else the objects rectangle, else a unit square.
Box FitViewBox(const standin::MapSnapshot& map, const ObjectIndex& index,
               const std::vector<LayerChoice>& choices, const SvgOptions& options) {
    Box box;
    for (std::size_t i = 0; i < map.layers.size(); ++i) {
        if (!choices[i].shown) {
            continue;
        }
        for (const standin::ObjectId id : map.layers[i].objects) {
            if (const standin::Object* object = index.Find(id)) {
                AddObject(box, *object, options);
            }
        }
    }
    if (box.Empty() && map.objectsRect) {
        box.Add(map.objectsRect->min.x, SvgY(map.objectsRect->min.y));
        box.Add(map.objectsRect->max.x, SvgY(map.objectsRect->max.y));
    }
    if (box.Empty()) {
        box.Add(0.0, 0.0);
        box.Add(1.0, -1.0);
        return box;
    }
    const double margin =
        std::max(std::max(box.maxX - box.minX, box.maxY - box.minY) * kMarginShare, kMinMargin);
    box.minX -= margin;
    box.minY -= margin;
    box.maxX += margin;
    box.maxY += margin;
    return box;
}

// An XML id for a layer: "layer-" and the name's letters, digits, '-' and '.', with every other
// byte (the underscore too) written as '_' and two hex digits, so that different names give
// different ids. A name that still meets an id in use gets "-2", "-3", ...
std::string LayerId(std::string_view name, std::unordered_set<std::string>& used) {
    std::string id = "layer-";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || byte == '-' || byte == '.') {
            id += c;
        } else {
            id += '_';
            standin::AppendHex(id, {&c, 1}, true);
        }
    }
    std::string unique = id;
    for (int suffix = 2; used.contains(unique); ++suffix) {
        unique = id + "-" + std::to_string(suffix);
    }
    used.insert(unique);
    return unique;
}

void AppendRealPoint(std::string& out, std::pair<double, double> point) {
    AppendReal(out, point.first);
    out += ' ';
    AppendReal(out, point.second);
}

// A map point in SVG user units: whole numbers, written without decimals.
void AppendPoint(std::string& out, std::int32_t x, std::int32_t y) {
    AppendRealPoint(out, {static_cast<double>(x), SvgY(y)});
}

// A polyline or polygon: its points as one subpath, closed for a polygon. A single point is a
// segment of length 0, which round caps draw as a dot.
void AppendPointPath(std::string& out, const standin::Object& object) {
    if (object.points.empty()) {
        return;
    }
    out += "<path d=\"M";
    AppendPoint(out, object.points.front().x, object.points.front().y);
    for (std::size_t i = 1; i < object.points.size(); ++i) {
        out += ' ';
        AppendPoint(out, object.points[i].x, object.points[i].y);
    }
    if (object.points.size() == 1) {
        out += "h0";
    }
    if (object.kind == standin::ObjectKind::Polygon) {
        out += 'Z';
    }
    out += "\"/>\n";
}

// One elliptical-arc command to `to`. The map's counter-clockwise turns clockwise once y is
// negated, and clockwise is the negative-angle direction of SVG: the sweep flag is 0.
void AppendArcTo(std::string& out, double radius, bool large, std::pair<double, double> to) {
    out += " A";
    AppendReal(out, radius);
    out += ' ';
    AppendReal(out, radius);
    out += large ? " 0 1 0 " : " 0 0 0 ";
    AppendRealPoint(out, to);
}

void AppendArcPath(std::string& out, const standin::Object& arc) {
    const auto shape = ShapeOf(arc);
    if (!shape) {
        return;
    }
    const double end = shape->start + shape->sweep;
    out += "<path d=\"M";
    AppendRealPoint(out, shape->At(shape->start));
    const double gap = (360.0 - shape->sweep) / 2.0 * kDegrees;
    if (shape->sweep > 180.0 && 2.0 * shape->radius * std::sin(gap) < kMinArcChord) {
        AppendArcTo(out, shape->radius, false, shape->At(shape->start + shape->sweep / 2.0));
        AppendArcTo(out, shape->radius, false, shape->At(end));
    } else {
        AppendArcTo(out, shape->radius, shape->sweep > 180.0, shape->At(end));
    }
    out += "\"/>\n";
}

void AppendAttribute(std::string& out, std::string_view name, double value) {
    out += ' ';
    out += name;
    out += "=\"";
    AppendReal(out, value);
    out += '"';
}

void AppendText(std::string& out, const standin::Object& text, const SvgOptions& options) {
    const TextLayout layout = LayoutOf(text, options);
    out += "<text";
    if (IsPointSymbol(text)) {
        out += " class=\"symbol\"";
    }
    out += " transform=\"translate(";
    AppendPoint(out, text.position.x, text.position.y);
    out += ')';
    for (const auto& [name, tenths] :
         {std::pair{" rotate(", text.rotation}, std::pair{" skewX(", text.oblique}}) {
        if (tenths != 0) {
            out += name;
            AppendReal(out, -(tenths / 10.0));
            out += ')';
        }
    }
    out += '"';
    if (!text.font.empty()) {
        out += " font-family=\"";
        AppendXmlText(out, text.font);
        out += '"';
    }
    AppendAttribute(out, "font-size", layout.fontSize);
    if (layout.horizontal != Horizontal::Start) {
        out += layout.horizontal == Horizontal::Middle ? " text-anchor=\"middle\""
                                                       : " text-anchor=\"end\"";
    }
    if (layout.lineCount == 1) {
        AppendAttribute(out, "y", layout.firstBaseline);
        out += '>';
        AppendXmlText(out, text.text);
    } else {
        out += '>';
        double baseline = layout.firstBaseline;
        ForEachLine(text.text, [&](std::string_view line) {
            out += "<tspan x=\"0\"";
            AppendAttribute(out, "y", baseline);
            out += '>';
            AppendXmlText(out, line);
            out += "</tspan>";
            baseline += layout.lineStep;
        });
    }
    out += "</text>\n";
}

void AppendObject(std::string& out, const standin::Object& object, const SvgOptions& options) {
    switch (object.kind) {
    case standin::ObjectKind::Polyline:
    case standin::ObjectKind::Polygon:
        AppendPointPath(out, object);
        break;
    case standin::ObjectKind::Arc:
        AppendArcPath(out, object);
        break;
    case standin::ObjectKind::Text:
        AppendText(out, object, options);
        break;
    case standin::ObjectKind::Group:
        break;
    }
}

// The root element and the style sheet. Strokes are one pixel wide at the drawing's own size;
// where vector-effect is known they stay one pixel wide at any zoom. Renderers that know
// neither @supports nor vector-effect keep the first rule.
void AppendHeader(std::string& out, const Box& view, const SvgOptions& options) {
    const double width = view.maxX - view.minX;
    const double height = view.maxY - view.minY;
    const double widthPx = std::clamp(options.widthPx, 1, kMaxSvgWidthPx);
    const double heightPx = std::clamp(std::round(widthPx * height / width), 1.0, kMaxHeightPx);
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<svg xmlns=\"http://www.w3.org/2000/svg\" "
           "xmlns:inkscape=\"http://www.inkscape.org/namespaces/inkscape\" version=\"1.1\"";
    AppendAttribute(out, "width", widthPx);
    AppendAttribute(out, "height", heightPx);
    out += " viewBox=\"";
    AppendRealPoint(out, {view.minX, view.minY});
    out += ' ';
    AppendRealPoint(out, {width, height});
    out += "\" xml:space=\"preserve\">\n<style>\n"
           "path{fill:none;stroke:#000;stroke-linejoin:round;stroke-linecap:round;stroke-width:";
    AppendReal(out, std::max(width / widthPx, std::max(height / heightPx, 0.001)));
    out += "}\n"
           "@supports (vector-effect:non-scaling-stroke){path{vector-effect:non-scaling-stroke;"
           "stroke-width:1px}}\n"
           "text{fill:#000;stroke:none}\n"
           "</style>\n";
}

void AppendLayerStart(std::string& out, const standin::Layer& layer, const LayerChoice& choice,
                      std::unordered_set<std::string>& usedIds) {
    out += "<g id=\"";
    out += LayerId(layer.name, usedIds);
    out += "\" inkscape:groupmode=\"layer\" inkscape:label=\"";
    AppendXmlText(out, layer.name);
    out += '"';
    if (!choice.shown) {
        out += " display=\"none\"";
    }
    out += ">\n";
}

} // namespace

std::vector<std::string> UnknownLayers(const standin::MapSnapshot& map,
                                       const std::vector<std::string>& names) {
    std::unordered_set<std::string> known;
    for (const standin::Layer& layer : map.layers) {
        known.insert(layer.name);
    }
    std::vector<std::string> unknown;
    std::copy_if(names.begin(), names.end(), std::back_inserter(unknown),
                 [&](const std::string& name) { return !known.contains(name); });
    return unknown;
}

void WriteSvg(const standin::MapSnapshot& map, const SvgOptions& options, std::ostream& out) {
    const ObjectIndex index(map);
    const std::vector<LayerChoice> choices = ChooseLayers(map, options);
    std::string buffer; // handed to the stream in pieces of about kFlushSize
    buffer.reserve(kFlushSize * 2);
    const auto flush = [&] {
        out.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
        buffer.clear();
    };
    AppendHeader(buffer, FitViewBox(map, index, choices, options), options);
    std::unordered_set<std::string> usedIds;
    for (std::size_t i = 0; i < map.layers.size(); ++i) {
        if (!choices[i].drawn) {
            continue;
        }
        AppendLayerStart(buffer, map.layers[i], choices[i], usedIds);
        for (const standin::ObjectId id : map.layers[i].objects) {
            if (const standin::Object* object = index.Find(id)) {
                AppendObject(buffer, *object, options);
            }
            if (buffer.size() >= kFlushSize) {
                flush();
            }
        }
        buffer += "</g>\n";
    }
    buffer += "</svg>\n";
    flush();
}

bool WriteSvgFile(HWND map, SvgOptions options, const std::string& path, std::string* error) {
    options.textHeight = [map](std::int32_t size) {
        return PointSizeToMap(map, size) * kExportHeightPerMapSize;
    };
    const standin::MapSnapshot snapshot = standin::Snapshot(map);
    return WriteOutputFile(
        path, [&](std::ostream& out) { WriteSvg(snapshot, options, out); }, error);
}

} // namespace dxfcnv
