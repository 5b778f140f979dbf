#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <array>
#include <string>

namespace {

struct SolidEntity {
    std::string layerName;
    std::array<Vector3, 4> corners{
        Vector3{kNotGiven, kNotGiven, 0.0}, Vector3{kNotGiven, kNotGiven, 0.0},
        Vector3{kNotGiven, kNotGiven, 0.0}, Vector3{kNotGiven, kNotGiven, 0.0}};
    Vector3 extrusion{0.0, 0.0, 1.0};
};

// Takes one group; false when its value is malformed, which drops the entity.
bool TakeGroup(const GroupPair& pair, SolidEntity& entity) {
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
        return true;
    }
    bool malformed = false;
    if (TakeExtrusion(pair, entity.extrusion, malformed))
        return !malformed;
    for (std::size_t corner = 0; corner < entity.corners.size(); ++corner) {
        const int which = CoordinateOf(pair.code, 10 + static_cast<std::int32_t>(corner));
        if (which >= 0)
            return StoreCoordinate(pair, entity.corners[corner], which);
    }
    return true;
}

bool Given(const Vector3& point) {
    return point.x != kNotGiven && point.y != kNotGiven;
}

} // namespace

// SOLID and TRACE: a quadrilateral (a triangle when the fourth corner repeats the third) whose
// corners the file lists in the order 1, 2, 4, 3 of its outline; corners in the object plane of
// the extrusion direction.
std::int32_t ImportSolid(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot) {
    SolidEntity entity;
    for (;;) {
        const EntityStep step = NextExtendedGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return 0;
        if (step == EntityStep::Ended)
            break;
        if (!TakeGroup(pair, entity))
            return 0;
    }
    auto& corners = entity.corners;
    if (!Given(corners[0]) || !Given(corners[1]) || !Given(corners[2]))
        return 0;
    if (!Given(corners[3]))
        corners[3] = corners[2];
    const auto axes = AxesForExtrusion(entity.extrusion);
    if (!axes)
        return 0;
    const ObjectAxes* plane = IsWorldExtrusion(entity.extrusion) ? nullptr : &*axes;
    CurvePoints outline(context);
    for (std::size_t corner : {0u, 1u, 3u, 2u})
        outline.Add(ProjectToPlan(plane, corners[corner].x, corners[corner].y, corners[corner].z));
    CreateCurveObject(map, context, blockSlot, entity.layerName, outline.points, true);
    return 1;
}
