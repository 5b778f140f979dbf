#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <string>

namespace {

// Most control points, knots, weights or fit points one SPLINE may give; more is malformed.
constexpr std::size_t kMaxSplineValues = std::size_t{1} << 18;

struct SplineEntity {
    std::string layerName;
    bool closed = false;
    // A HELIX carries its spline first; the groups after its own subclass marker describe the
    // helix (axis, radius, turns) and reuse the spline's codes.
    bool helixPart = false;
    SplineData spline;
};

// Starts a new point on an x code, fills the last point on its y and z codes.
bool TakePointGroup(const GroupPair& pair, std::vector<Vector3>& points, int which) {
    if (which == 0) {
        if (points.size() >= kMaxSplineValues)
            return false;
        points.push_back(Vector3{});
    }
    if (points.empty())
        return true; // a y or z before any x belongs to no point
    return StoreCoordinate(pair, points.back(), which);
}

bool TakeList(const GroupPair& pair, std::vector<double>& values) {
    double value = 0.0;
    if (values.size() >= kMaxSplineValues || !StoreFinite(pair, value))
        return false;
    values.push_back(value);
    return true;
}

// Takes one group; false when its value is malformed, which drops the entity.
bool TakeGroup(const GroupPair& pair, SplineEntity& entity) {
    if (pair.code == 100 && pair.value == "AcDbHelix")
        entity.helixPart = true;
    if (entity.helixPart)
        return true;
    if (const int which = CoordinateOf(pair.code, 10); which >= 0)
        return TakePointGroup(pair, entity.spline.controls, which);
    if (const int which = CoordinateOf(pair.code, 11); which >= 0)
        return TakePointGroup(pair, entity.spline.fits, which);
    switch (pair.code) {
    case 8:
        entity.layerName.assign(pair.value);
        return true;
    case 70:
        entity.closed = (ParseInt(pair.value) & 1) != 0;
        return true;
    case 71: {
        std::int32_t degree = 0;
        if (ScanInt(pair.value, degree) != ScanResult::Matched || degree < 1 ||
            degree > kMaxSplineDegree)
            return false;
        entity.spline.degree = degree;
        return true;
    }
    case 40:
        return TakeList(pair, entity.spline.knots);
    case 41:
        return TakeList(pair, entity.spline.weights);
    default:
        return true;
    }
}

} // namespace

// SPLINE, and HELIX through the spline it carries: de Boor's algorithm over the control points,
// knots and weights, or the curve through the fit points, sampled into a polyline.
std::int32_t ImportSpline(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    SplineEntity entity;
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeGroup(group, entity); }))
        return 0;
    CurvePoints curve(context);
    if (!AppendSpline(curve, entity.spline))
        return 0;
    CreateCurveObject(map, context, blockSlot, entity.layerName, curve.points, entity.closed);
    return 1;
}
