#include "import/placed_text.h"

#include "import/layer_resolution.h"

#include <cmath>
#include <numbers>

namespace {

constexpr const char* kTextFont = "Arial";
constexpr std::uint32_t kDefaultColor = 0xFFFFFFFFu;

} // namespace

bool TakePlaneGroup(const GroupPair& pair, ObjectPlane& plane) {
    double* target = pair.code == 30    ? &plane.z
                     : pair.code == 210 ? &plane.extrusion.x
                     : pair.code == 220 ? &plane.extrusion.y
                     : pair.code == 230 ? &plane.extrusion.z
                                        : nullptr;
    if (!target)
        return false;
    if (!StoreChecked(pair, *target))
        plane.malformed = true;
    return true;
}

std::optional<PlanPlacement> ProjectOntoPlan(double x, double y, double rotationDegrees,
                                             const ObjectPlane& plane) {
    if (IsWorldExtrusion(plane.extrusion))
        return PlanPlacement{x, y, rotationDegrees};
    const std::optional<ObjectAxes> axes = AxesForExtrusion(plane.extrusion);
    if (!axes)
        return std::nullopt;
    const Vector3 point = ToWorld(*axes, {x, y, plane.z});
    const double radians = rotationDegrees * std::numbers::pi / 180.0;
    const Vector3 direction = ToWorld(*axes, {std::cos(radians), std::sin(radians), 0.0});
    // A baseline seen end-on keeps the angle it has in its own plane.
    if (std::hypot(direction.x, direction.y) < 1e-9)
        return PlanPlacement{point.x, point.y, rotationDegrees};
    return PlanPlacement{point.x, point.y,
                         std::atan2(direction.y, direction.x) * 180.0 / std::numbers::pi};
}

bool CreatePlacedText(HWND map, ImportContext& context, const PlacedText& placed,
                      OBJHANDLE* blockSlot) {
    if (placed.text.empty() || placed.x == kNotGiven || placed.y == kNotGiven)
        return false;
    const std::optional<PlanPlacement> plan =
        placed.plane.malformed
            ? std::nullopt
            : ProjectOntoPlan(placed.x, placed.y, placed.rotationDegrees, placed.plane);
    if (!plan)
        return false;
    TakeLayerStep(map, context, placed.layerName);
    const auto size = TextFontSize(context, placed.height, TextSizeFactor(map));
    const bool topLevel = blockSlot == nullptr;
    const auto x = ToMapUnits(context, plan->x, Axis::X, topLevel);
    const auto y = ToMapUnits(context, plan->y, Axis::Y, topLevel);
    const auto rotation = TruncToInt32(std::fmod(plan->rotationDegrees, 360.0) * 10);
    if (!size || !x || !y || !rotation)
        return false;
    const MAP_COORDPT position{*x, *y};
    OBJHANDLE object = nullptr;
    map_text_CreateEx(map, &object, placed.text.c_str(), &position, kTextFont, *size, 0,
                      kDefaultColor, *rotation, 0, placed.flags, 0, 0, 0);
    AddToGroup(map, blockSlot, object);
    return object != nullptr;
}
