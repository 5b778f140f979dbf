#include "host/vexcore.h"
#include "import/corner_entity.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"

// 3DFACE: corners in world coordinates, in the order of the outline, z dropped; a triangle when
// the fourth corner repeats the third. Invisible edges (group 70) are drawn all the same.
std::int32_t ImportFace3d(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    CornerEntity entity;
    if (!ReadCornerEntity(reader, pair, entity))
        return 0;
    CurvePoints outline(context);
    for (const Vector3& corner : entity.corners)
        outline.Add({corner.x, corner.y});
    CreateCurveObject(map, context, blockSlot, entity.layerName, outline.points, true);
    return 1;
}
