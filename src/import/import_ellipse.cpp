#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <numbers>
#include <string>

namespace {

struct EllipseEntity {
    std::string layerName;
    Vector3 centre{kNotGiven, kNotGiven, 0.0};
    Vector3 major{kNotGiven, kNotGiven, 0.0};
    Vector3 extrusion{0.0, 0.0, 1.0};
    double ratio = kNotGiven;
    double start = 0.0;
    double end = 2.0 * std::numbers::pi;
};

// Takes one group; false when its value is malformed, which drops the ELLIPSE.
bool TakeGroup(const GroupPair& pair, EllipseEntity& entity) {
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
        return true;
    }
    bool malformed = false;
    if (TakeExtrusion(pair, entity.extrusion, malformed))
        return !malformed;
    if (const int which = CoordinateOf(pair.code, 10); which >= 0)
        return StoreCoordinate(pair, entity.centre, which);
    if (const int which = CoordinateOf(pair.code, 11); which >= 0)
        return StoreCoordinate(pair, entity.major, which);
    switch (pair.code) {
    case 40:
        return StoreFinite(pair, entity.ratio);
    case 41:
        return StoreFinite(pair, entity.start);
    case 42:
        return StoreFinite(pair, entity.end);
    default:
        return true;
    }
}

} // namespace

// ELLIPSE: centre and major-axis end point in world coordinates, the minor axis in the plane of
// the extrusion direction; sampled into a polyline, or a polygon when it is whole.
std::int32_t ImportEllipse(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                           OBJHANDLE* blockSlot) {
    EllipseEntity entity;
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeGroup(group, entity); }))
        return 0;
    if (entity.centre.x == kNotGiven || entity.centre.y == kNotGiven ||
        entity.major.x == kNotGiven || entity.major.y == kNotGiven || entity.ratio == kNotGiven)
        return 0;
    CurvePoints curve(context);
    if (!AppendEllipse(curve, entity.centre, entity.major, entity.ratio, entity.start, entity.end,
                       entity.extrusion))
        return 0;
    const bool whole = curve.points.size() > 2 && curve.points.front().x == curve.points.back().x &&
                       curve.points.front().y == curve.points.back().y;
    CreateCurveObject(map, context, blockSlot, entity.layerName, curve.points, whole);
    return 1;
}
