#include "host/vexcore.h"
#include "import/corner_entity.h"
#include "import/curve_points.h"
#include "import/entity_handlers.h"

// SOLID and TRACE: a quadrilateral (a triangle when the fourth corner repeats the third) whose
// corners the file lists in the order 1, 2, 4, 3 of its outline; corners in the object plane of
// the extrusion direction.
std::int32_t ImportSolid(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot) {
    CornerEntity entity;
    if (!ReadCornerEntity(reader, pair, entity))
        return 0;
    const auto& corners = entity.corners;
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
