#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/extended_reading.h"
#include "import/layer_resolution.h"
#include "import/plane_arcs.h"

#include <array>
#include <string>

namespace {

enum ArcField { kCentreX, kCentreY, kCentreZ, kRadius, kStartAngle, kEndAngle, kFieldCount };

// The field an ARC group code fills, or kFieldCount for a code the ARC skips.
constexpr ArcField FieldOf(std::int32_t code) {
    switch (code) {
    case 10:
        return kCentreX;
    case 20:
        return kCentreY;
    case 30:
        return kCentreZ;
    case 40:
        return kRadius;
    case 50:
        return kStartAngle;
    case 51:
        return kEndAngle;
    default:
        return kFieldCount;
    }
}

// The quality argument the host takes for arcs and circles.
constexpr std::int32_t kArcQuality = 20;

} // namespace

std::int32_t ImportArc(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
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
        const ArcField field = FieldOf(pair.code);
        if (field != kFieldCount) {
            if (!StoreChecked(pair, fields[field]))
                return 0; // a malformed value, z included, drops the ARC; its pair stays current
        } else if (context.extendedEntities && TakeExtrusion(pair, extrusion, malformed) &&
                   malformed) {
            return 0;
        }
    }
    for (ArcField required : {kCentreX, kCentreY, kRadius, kStartAngle, kEndAngle}) {
        if (fields[required] == kNotGiven)
            return 0;
    }
    TakeLayerStep(map, context, layerName);
    if (context.extendedEntities && !IsWorldExtrusion(extrusion)) {
        const double z = fields[kCentreZ] == kNotGiven ? 0.0 : fields[kCentreZ];
        CreatePlaneArc(map, context, blockSlot, {fields[kCentreX], fields[kCentreY], z},
                       fields[kRadius], fields[kStartAngle], fields[kEndAngle], extrusion);
        return 1;
    }

    const bool topLevel = blockSlot == nullptr;
    const auto centreX = ToMapUnits(context, fields[kCentreX], Axis::X, topLevel);
    const auto centreY = ToMapUnits(context, fields[kCentreY], Axis::Y, topLevel);
    const auto radius = ToMapLength(context, fields[kRadius]);
    if (!centreX || !centreY || !radius)
        return 0; // not finite or outside the map's 32-bit range: malformed, nothing created

    // The angles go over as the file's degrees, neither scaled nor converted.
    OBJHANDLE object = m_ArcCreate(map, *centreX, *centreY, *radius, fields[kStartAngle],
                                   fields[kEndAngle], kArcQuality);
    if (blockSlot && object)
        AddToGroup(map, blockSlot, object);
    return 1;
}
