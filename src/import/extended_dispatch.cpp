// The entities of the extended import ("ExtendedEntities" 1), found by the name of their code-0
// pair. Each row's handler follows the EntityHandler contract of import_context.h.
#include "import/entity_handlers.h"

#include <algorithm>
#include <array>

namespace {

struct ExtendedEntity {
    std::string_view name;
    EntityHandler handler;
};

// SOLID and TRACE share their layout; a HELIX is read as the spline it carries.
constexpr std::array kExtendedEntities{
    ExtendedEntity{"ELLIPSE", ImportEllipse},
    ExtendedEntity{"SPLINE", ImportSpline},
    ExtendedEntity{"HELIX", ImportSpline},
    ExtendedEntity{"SOLID", ImportSolid},
    ExtendedEntity{"TRACE", ImportSolid},
    ExtendedEntity{"3DFACE", ImportFace3d},
    ExtendedEntity{"LEADER", ImportLeader},
    ExtendedEntity{"MLINE", ImportMline},
    ExtendedEntity{"HATCH", ImportHatch},
    ExtendedEntity{"MTEXT", ImportMText},
    ExtendedEntity{"DIMENSION", ImportDimension},
    ExtendedEntity{"MINSERT", ImportMInsert},
    ExtendedEntity{"MULTILEADER", ImportMultiLeader},
    ExtendedEntity{"MLEADER", ImportMultiLeader},
};

} // namespace

EntityHandler ExtendedEntityHandlerFor(std::string_view name) {
    const auto found =
        std::find_if(kExtendedEntities.begin(), kExtendedEntities.end(),
                     [&](const ExtendedEntity& entity) { return entity.name == name; });
    return found == kExtendedEntities.end() ? nullptr : found->handler;
}
