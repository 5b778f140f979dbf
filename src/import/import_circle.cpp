#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/extended_reading.h"
#include "import/layer_resolution.h"
#include "import/plane_arcs.h"

#include <array>
#include <string>

namespace {

enum CircleField { kCentreX, kCentreY, kCentreZ, kRadius, kFieldCount };

// The field a CIRCLE group code fills, or kFieldCount for a code the CIRCLE skips.
constexpr CircleField FieldOf(std::int32_t code) {
    switch (code) {
    case 10:
        return kCentreX;
    case 20:
        return kCentreY;
    case 30:
        return kCentreZ;
    case 40:
        return kRadius;
    default:
        return kFieldCount;
    }
}

// The quality argument the host takes for the polygon of a circle.
constexpr std::int32_t kCircleQuality = 20;

} // namespace

std::int32_t ImportCircle(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                          OBJHANDLE* blockSlot) {
    std::string layerName;
    std::array<double, kFieldCount> fields;
    fields.fill(kNotGiven);
    Vector3 extrusion{0.0, 0.0, 1.0}; // read only by the extended import
    bool malformed = false;
    for (;;) {
        const EntityStep step = NextEntityGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return 0;
        if (step == EntityStep::Ended)
            break;
        if (pair.code == 8) {
            layerName.assign(pair.value);
            continue;
        }
        const CircleField field = FieldOf(pair.code);
        if (field != kFieldCount) {
            if (!StoreChecked(pair, fields[field]))
                return 0; // a malformed value, z included, drops the CIRCLE; its pair stays current
        } else if (context.extendedEntities && TakeExtrusion(pair, extrusion, malformed) &&
                   malformed) {
            return 0;
        }
    }
    for (CircleField required : {kCentreX, kCentreY, kRadius}) {
        if (fields[required] == kNotGiven)
            return 0;
    }
    TakeLayerStep(map, context, layerName);
    if (context.extendedEntities && !IsWorldExtrusion(extrusion)) {
        const double z = fields[kCentreZ] == kNotGiven ? 0.0 : fields[kCentreZ];
        CreatePlaneCircle(map, context, blockSlot, {fields[kCentreX], fields[kCentreY], z},
                          fields[kRadius], extrusion);
        return 1;
    }

    const bool topLevel = blockSlot == nullptr;
    const auto centreX = ToMapUnits(context, fields[kCentreX], Axis::X, topLevel);
    const auto centreY = ToMapUnits(context, fields[kCentreY], Axis::Y, topLevel);
    const auto radius = ToMapLength(context, fields[kRadius]);
    if (!centreX || !centreY || !radius)
        return 0; // not finite or outside the map's 32-bit range: malformed, nothing created

    OBJHANDLE object =
        map_Circle_Create_AsPolygon(map, *centreX, *centreY, *radius, kCircleQuality);
    if (blockSlot && object)
        AddToGroup(map, blockSlot, object);
    return 1;
}
