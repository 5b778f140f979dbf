#include "import/plane_arcs.h"

#include "import/curve_points.h"
#include "import/layer_resolution.h"
#include "import/rebuilt_copies.h"

#include <cmath>
#include <numbers>

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
// The quality argument the host takes for arcs and circles, as the classic handlers pass it.
constexpr std::int32_t kArcQuality = 20;

// The plane's normal points straight down: its x axis is the world's mirrored, its y the world's.
bool IsMirroredPlan(const Vector3& extrusion) {
    return extrusion.x == 0.0 && extrusion.y == 0.0 && extrusion.z < 0.0;
}

double NormalisedDegrees(double degrees) {
    const double angle = std::fmod(degrees, 360.0);
    return angle < 0.0 ? angle + 360.0 : angle;
}

bool UsableRadius(double radius) {
    return std::isfinite(radius) && radius > 0.0;
}

// The centre in the plan view, in map units; false when it is no map coordinate.
bool MapCentre(const ImportContext& context, bool topLevel, const ObjectAxes& axes,
               const Vector3& centre, std::int32_t& x, std::int32_t& y) {
    const Vector3 world = ToWorld(axes, centre);
    const auto mapX = ToMapUnits(context, world.x, Axis::X, topLevel);
    const auto mapY = ToMapUnits(context, world.y, Axis::Y, topLevel);
    if (!mapX || !mapY)
        return false;
    x = *mapX;
    y = *mapY;
    return true;
}

// The tilted plane's arc as sampled points, a polygon for a circle (`whole`). The caller took
// the layer step, so the current layer's name passes through it unchanged.
void CreateSampledArc(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                      const ObjectAxes& axes, const Vector3& centre, double radius, double start,
                      double sweep, bool whole) {
    CurvePoints curve(context);
    AppendArc(curve, {centre.x, centre.y}, radius, start, sweep, true, &axes, centre.z);
    if (whole)
        curve.points.back() = curve.points.front();
    OBJHANDLE object =
        CreateCurveObject(map, context, blockSlot, context.currentLayerName, curve.points, whole);
    if (blockSlot)
        RecordPlaneHeight(context, object, axes, centre);
}

} // namespace

void CreatePlaneArc(HWND map, ImportContext& context, OBJHANDLE* blockSlot, const Vector3& centre,
                    double radius, double startDegrees, double endDegrees,
                    const Vector3& extrusion) {
    const auto axes = AxesForExtrusion(extrusion);
    if (!axes || !UsableRadius(radius))
        return;
    const bool topLevel = blockSlot == nullptr;
    if (IsMirroredPlan(extrusion)) {
        std::int32_t x = 0;
        std::int32_t y = 0;
        const auto mapRadius = ToMapLength(context, radius);
        if (!MapCentre(context, topLevel, *axes, centre, x, y) || !mapRadius)
            return;
        // Mirrored, the arc runs the other way round: from the mirror of its end angle to the
        // mirror of its start angle.
        const double start = NormalisedDegrees(180.0 - endDegrees);
        const double end = NormalisedDegrees(180.0 - startDegrees);
        OBJHANDLE arc = m_ArcCreate(map, x, y, *mapRadius, start, end, kArcQuality);
        AddToGroup(map, blockSlot, arc);
        if (blockSlot)
            RecordArc(context, arc, {x, y}, *mapRadius, start, end, -centre.z);
        return;
    }
    double sweep = std::fmod(endDegrees - startDegrees, 360.0);
    if (sweep <= 0.0)
        sweep += 360.0;
    CreateSampledArc(map, context, blockSlot, *axes, centre, radius,
                     startDegrees * kRadiansPerDegree, sweep * kRadiansPerDegree, false);
}

void CreatePlaneCircle(HWND map, ImportContext& context, OBJHANDLE* blockSlot,
                       const Vector3& centre, double radius, const Vector3& extrusion) {
    const auto axes = AxesForExtrusion(extrusion);
    if (!axes || !UsableRadius(radius))
        return;
    if (IsMirroredPlan(extrusion)) {
        std::int32_t x = 0;
        std::int32_t y = 0;
        const auto mapRadius = ToMapLength(context, radius);
        if (!MapCentre(context, blockSlot == nullptr, *axes, centre, x, y) || !mapRadius)
            return;
        OBJHANDLE circle = map_Circle_Create_AsPolygon(map, x, y, *mapRadius, kArcQuality);
        AddToGroup(map, blockSlot, circle);
        if (blockSlot)
            RecordPlaneHeight(context, circle, *axes, centre);
        return;
    }
    CreateSampledArc(map, context, blockSlot, *axes, centre, radius, 0.0, 2.0 * std::numbers::pi,
                     true);
}
