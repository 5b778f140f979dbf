#include "import/rebuilt_copies.h"

#include "host/window_record.h"
#include "import/curve_points.h"
#include "import/layer_resolution.h"
#include "import/numbers.h"
#include "import/object_tree_walk.h"
#include "import/vertex_run.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// Below this, a plane's normal has no height component: the plane stands on edge.
constexpr double kOnEdge = 1e-9;
// A text is fetched up to this many bytes, as the 16-bit size of the host's buffer allows.
constexpr std::uint32_t kLargestText = 0xFFFE;
constexpr std::int32_t kFontBytes = 64;

double Component(const Vector3& v, int i) {
    return i == 0 ? v.x : (i == 1 ? v.y : v.z);
}

double Scaled(const ImportContext& context, double value) {
    return context.multiplierInUse ? value * context.multiplier : value;
}

// An affine map of space in map units: block coordinates to the plan view (x, y) and height.
struct SpaceMap {
    double m[3][3]{};
    double t[3]{};
    Vector3 Apply(double x, double y, double z) const {
        return {m[0][0] * x + m[0][1] * y + m[0][2] * z + t[0],
                m[1][0] * x + m[1][1] * y + m[1][2] * z + t[1],
                m[2][0] * x + m[2][1] * y + m[2][2] * z + t[2]};
    }
};

// The placement of one cell: the block's point less its base, scaled, rotated in the insert's
// plane and moved to the cell's insertion point there, then taken from that plane into space.
SpaceMap CellMap(const ImportContext& context, const BlockRecord& block,
                 const InsertPlacement& placement, const ObjectAxes& axes, double u, double v,
                 bool topLevel) {
    const double radians = placement.rotationDegrees * kRadiansPerDegree;
    const double c = std::cos(radians);
    const double s = std::sin(radians);
    const double local[3][3] = {{c * placement.scaleX, -s * placement.scaleY, 0.0},
                                {s * placement.scaleX, c * placement.scaleY, 0.0},
                                {0.0, 0.0, placement.scaleZ}};
    const Vector3 columns[3] = {axes.xAxis, axes.yAxis, axes.zAxis};
    SpaceMap space;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            for (int k = 0; k < 3; ++k)
                space.m[i][j] += Component(columns[k], i) * local[k][j];
        }
    }
    const Vector3 origin = ToWorld(axes, {Scaled(context, placement.x + c * u - s * v),
                                          Scaled(context, placement.y + s * u + c * v),
                                          Scaled(context, placement.plane.z)});
    const double base[3] = {double(block.baseX), double(block.baseY), double(block.baseZ)};
    const double shift[3] = {ScaleAndShift(context, 0.0, Axis::X, topLevel),
                             ScaleAndShift(context, 0.0, Axis::Y, topLevel), 0.0};
    for (int i = 0; i < 3; ++i) {
        space.t[i] = Component(origin, i) + shift[i];
        for (int j = 0; j < 3; ++j)
            space.t[i] -= space.m[i][j] * base[j];
    }
    return space;
}

// The height plane of an object's image: its old plane taken through the map and written over
// the new plan view; none when the image stands on edge.
std::optional<HeightPlane> ImageHeight(const SpaceMap& space, const HeightPlane& height) {
    // The image as functions of the old x and y: plan (p, q) and height r.
    double k[3][3];
    for (int i = 0; i < 3; ++i) {
        k[i][0] = space.m[i][0] + space.m[i][2] * height.a;
        k[i][1] = space.m[i][1] + space.m[i][2] * height.b;
        k[i][2] = space.m[i][2] * height.c + space.t[i];
    }
    const double determinant = k[0][0] * k[1][1] - k[0][1] * k[1][0];
    if (!(std::fabs(determinant) > kOnEdge))
        return std::nullopt;
    // (x, y) = inverse of the plan part applied to (p - k02, q - k12).
    const double i00 = k[1][1] / determinant;
    const double i01 = -k[0][1] / determinant;
    const double i10 = -k[1][0] / determinant;
    const double i11 = k[0][0] / determinant;
    HeightPlane image;
    image.a = k[2][0] * i00 + k[2][1] * i10;
    image.b = k[2][0] * i01 + k[2][1] * i11;
    image.c = k[2][2] - image.a * k[0][2] - image.b * k[1][2];
    if (!std::isfinite(image.a) || !std::isfinite(image.b) || !std::isfinite(image.c))
        return std::nullopt;
    return image;
}

struct Rebuild {
    HWND map;
    ImportContext& context;
    const SpaceMap& space;
};

// The plan-view points of block points at their heights; false when one is no map coordinate.
template <typename Point>
bool MapImage(const Rebuild& rebuild, std::span<const Point> points, const HeightPlane& height,
              std::vector<MAP_COORDPT>& image) {
    for (const Point& point : points) {
        const Vector3 world = rebuild.space.Apply(point.x, point.y, height.At(point.x, point.y));
        const auto x = TruncToInt32(world.x);
        const auto y = TruncToInt32(world.y);
        if (!x || !y)
            return false;
        image.push_back({*x, *y}); // repeats stay, as in a copy the host transforms
    }
    return true;
}

OBJHANDLE RebuildRun(const Rebuild& rebuild, OBJHANDLE object, bool closed,
                     const HeightPlane& height) {
    const auto get = closed ? map_polygon_Get : map_polyline_Get;
    std::int32_t count = 0;
    get(rebuild.map, object, &count, nullptr, 0);
    if (count < 2)
        return nullptr;
    std::vector<MAP_COORDPT> points(static_cast<std::size_t>(count));
    get(rebuild.map, object, &count, points.data(), static_cast<std::int32_t>(points.size()));
    points.resize(
        std::clamp<std::size_t>(static_cast<std::size_t>(std::max(count, 0)), 0, points.size()));
    std::vector<MAP_COORDPT> image;
    if (!MapImage<MAP_COORDPT>(rebuild, points, height, image))
        return nullptr;
    return CreateRunObject(rebuild.map, image, closed);
}

// An arc in a tilted plane is part of an ellipse seen from above: its sampled points.
OBJHANDLE RebuildArc(const Rebuild& rebuild, const BlockShape& arc) {
    CurvePoints curve(0.5, kMaxPointsPerArc + 1);
    double sweep = std::fmod(arc.endDegrees - arc.startDegrees, 360.0);
    if (!(sweep > 0.0))
        sweep += 360.0;
    AppendArc(curve, {arc.centreX, arc.centreY}, arc.radius, arc.startDegrees * kRadiansPerDegree,
              sweep * kRadiansPerDegree, true);
    std::vector<MAP_COORDPT> image;
    if (!MapImage<PlanPoint>(rebuild, curve.points, arc.height, image))
        return nullptr;
    return CreateRunObject(rebuild.map, image, false);
}

// A text keeps its content and style; its position, direction and height follow the map.
OBJHANDLE RebuildText(const Rebuild& rebuild, OBJHANDLE object, const HeightPlane& height) {
    std::uint32_t length = 0;
    MAP_COORDPT position{};
    char font[kFontBytes + 1] = {};
    std::int32_t size = 0, style = 0, rotation = 0, oblique = 0;
    std::uint32_t color = 0, flags = 0;
    if (!map_text_GetEx(rebuild.map, object, &length, nullptr, 0, &position, font, kFontBytes,
                        &size, &style, &color, &rotation, &oblique, &flags, nullptr, nullptr))
        return nullptr;
    std::string text(std::min(length, kLargestText) + 1, '\0');
    map_text_GetEx(rebuild.map, object, nullptr, text.data(),
                   static_cast<std::uint16_t>(text.size()), nullptr, nullptr, 0, nullptr, nullptr,
                   nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    text.resize(std::min(text.find('\0'), text.size() - 1));
    const SpaceMap& space = rebuild.space;
    const double radians = rotation / 10.0 * kRadiansPerDegree;
    const double ax = space.m[0][0] * std::cos(radians) + space.m[0][1] * std::sin(radians);
    const double ay = space.m[1][0] * std::cos(radians) + space.m[1][1] * std::sin(radians);
    const double upX = -space.m[0][0] * std::sin(radians) + space.m[0][1] * std::cos(radians);
    const double upY = -space.m[1][0] * std::sin(radians) + space.m[1][1] * std::cos(radians);
    const double along = std::hypot(ax, ay);
    std::vector<MAP_COORDPT> image;
    const MAP_COORDPT anchor[1] = {position};
    if (!(along > kOnEdge) || !MapImage<MAP_COORDPT>(rebuild, anchor, height, image))
        return nullptr;
    const auto newSize = TruncToInt32(size * std::fabs(ax * upY - ay * upX) / along);
    const auto newRotation = TruncToInt32(std::atan2(ay, ax) / kRadiansPerDegree * 10.0);
    if (!newSize || !newRotation)
        return nullptr;
    OBJHANDLE made = nullptr;
    map_text_CreateEx(rebuild.map, &made, text.c_str(), image.data(), font, std::max(*newSize, 1),
                      style, color, *newRotation, oblique, flags, 0, 0, 0);
    return made;
}

OBJHANDLE RebuildObject(const Rebuild& rebuild, OBJHANDLE object) {
    const auto shape = rebuild.context.blockShapes.find(object);
    const bool recorded = shape != rebuild.context.blockShapes.end();
    const HeightPlane height = recorded ? shape->second.height : HeightPlane{};
    switch (map_object_type_Get(rebuild.map, object)) {
    case kTypePolyline:
        return RebuildRun(rebuild, object, false, height);
    case kTypePolygon:
        return RebuildRun(rebuild, object, true, height);
    case kTypeArc:
        return recorded && shape->second.isArc ? RebuildArc(rebuild, shape->second) : nullptr;
    case kTypeText:
        return RebuildText(rebuild, object, height);
    default:
        return nullptr; // groups: the copy gathers their objects in one group of its own
    }
}

} // namespace

bool NeedsRebuiltCopy(const ObjectAxes& axes) {
    return axes.zAxis.x != 0.0 || axes.zAxis.y != 0.0;
}

bool PlaceRebuiltCopy(HWND map, ImportContext& context, const BlockRecord& block,
                      const InsertPlacement& placement, const ObjectAxes& axes, double u, double v,
                      OBJHANDLE* blockSlot) {
    const SpaceMap space = CellMap(context, block, placement, axes, u, v, blockSlot == nullptr);
    const Rebuild rebuild{map, context, space};
    OBJHANDLE copy = nullptr;
    WalkChildrenFirst(WindowObjectDatabase(map), block.object, [&](OBJHANDLE each) {
        OBJHANDLE made = RebuildObject(rebuild, each);
        if (!made)
            return;
        if (blockSlot) {
            const auto shape = context.blockShapes.find(each);
            const HeightPlane height =
                shape == context.blockShapes.end() ? HeightPlane{} : shape->second.height;
            if (const auto image = ImageHeight(space, height))
                context.blockShapes[made].height = *image;
        }
        AddToGroup(map, &copy, made);
    });
    context.insertedObjects += block.objectCount;
    if (!copy)
        return false;
    if (blockSlot)
        AddToGroup(map, blockSlot, copy);
    return true;
}

void RecordPlaneHeight(ImportContext& context, OBJHANDLE object, const ObjectAxes& axes,
                       const Vector3& pointOfPlane) {
    if (!object)
        return;
    const Vector3& normal = axes.zAxis;
    const Vector3 point = ToWorld(axes, pointOfPlane);
    HeightPlane height;
    if (std::fabs(normal.z) > kOnEdge) {
        height.a = -normal.x / normal.z;
        height.b = -normal.y / normal.z;
    }
    height.c = Scaled(context, point.z) - height.a * Scaled(context, point.x) -
               height.b * Scaled(context, point.y);
    if (std::isfinite(height.a) && std::isfinite(height.b) && std::isfinite(height.c))
        context.blockShapes[object].height = height;
}

void RecordArc(ImportContext& context, OBJHANDLE object, MAP_COORDPT centre, std::int32_t radius,
               double startDegrees, double endDegrees, double elevation) {
    if (!object)
        return;
    BlockShape& arc = context.blockShapes[object];
    arc.height = HeightPlane{0.0, 0.0, Scaled(context, elevation)};
    arc.isArc = true;
    arc.centreX = centre.x;
    arc.centreY = centre.y;
    arc.radius = radius;
    arc.startDegrees = startDegrees;
    arc.endDegrees = endDegrees;
}

void CarryBlockShapes(HWND map, ImportContext& context, OBJHANDLE source, OBJHANDLE copy,
                      const TreeTransform& transform) {
    std::vector<OBJHANDLE> sources;
    std::vector<OBJHANDLE> copies;
    const DBHANDLE database = WindowObjectDatabase(map);
    WalkChildrenFirst(database, source, [&](OBJHANDLE each) { sources.push_back(each); });
    WalkChildrenFirst(database, copy, [&](OBJHANDLE each) { copies.push_back(each); });
    if (sources.size() != copies.size())
        return; // not a copy of the same shape: nothing is carried
    const double radians = transform.angleDegrees * kRadiansPerDegree;
    SpaceMap space;
    space.m[0][0] = std::cos(radians) * transform.scaleX;
    space.m[0][1] = -std::sin(radians) * transform.scaleY;
    space.m[1][0] = std::sin(radians) * transform.scaleX;
    space.m[1][1] = std::cos(radians) * transform.scaleY;
    space.m[2][2] = transform.heightScale;
    space.t[2] = transform.heightShift;
    const double reference[2] = {double(transform.reference.x), double(transform.reference.y)};
    const double move[2] = {double(transform.dx), double(transform.dy)};
    for (int i = 0; i < 2; ++i)
        space.t[i] =
            reference[i] + move[i] - space.m[i][0] * reference[0] - space.m[i][1] * reference[1];
    const bool round = transform.scaleX == transform.scaleY && transform.scaleX > 0.0;
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const auto found = context.blockShapes.find(sources[i]);
        // An object without a record lies at height 0; its copy need not.
        const BlockShape shape = found == context.blockShapes.end() ? BlockShape{} : found->second;
        const auto height = ImageHeight(space, shape.height);
        if (!height || (found == context.blockShapes.end() && height->a == 0.0 &&
                        height->b == 0.0 && height->c == 0.0))
            continue;
        BlockShape& carried = context.blockShapes[copies[i]];
        carried.height = *height;
        if (!shape.isArc || !round)
            continue;
        const Vector3 centre = space.Apply(shape.centreX, shape.centreY, 0.0);
        carried.isArc = true;
        carried.centreX = centre.x;
        carried.centreY = centre.y;
        carried.radius = shape.radius * transform.scaleX;
        carried.startDegrees = shape.startDegrees + transform.angleDegrees;
        carried.endDegrees = shape.endDegrees + transform.angleDegrees;
    }
}
