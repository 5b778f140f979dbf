#include "host/vexcore.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_reading.h"

#include <array>
#include <string>

namespace {

struct FaceEntity {
    std::string layerName;
    std::array<Vector3, 4> corners{
        Vector3{kNotGiven, kNotGiven, 0.0}, Vector3{kNotGiven, kNotGiven, 0.0},
        Vector3{kNotGiven, kNotGiven, 0.0}, Vector3{kNotGiven, kNotGiven, 0.0}};
};

// Takes one group; false when its value is malformed, which drops the entity.
bool TakeGroup(const GroupPair& pair, FaceEntity& entity) {
    if (pair.code == 8) {
        entity.layerName.assign(pair.value);
        return true;
    }
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

// 3DFACE: corners in world coordinates, in the order of the outline, z dropped; a triangle when
// the fourth corner repeats the third. Invisible edges (group 70) are drawn all the same.
std::int32_t ImportFace3d(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    FaceEntity entity;
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
    CurvePoints outline(context);
    for (const Vector3& corner : corners) {
        if (Given(corner))
            outline.Add({corner.x, corner.y});
    }
    CreateCurveObject(map, context, blockSlot, entity.layerName, outline.points, true);
    return 1;
}
