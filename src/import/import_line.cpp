#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/layer_resolution.h"

#include <array>

namespace {

enum LineField { kStartX, kStartY, kStartZ, kEndX, kEndY, kEndZ, kFieldCount };

// The field a LINE group code fills, or kFieldCount for a code the LINE skips.
constexpr LineField FieldOf(std::int32_t code) {
    switch (code) {
    case 10:
        return kStartX;
    case 20:
        return kStartY;
    case 30:
        return kStartZ;
    case 11:
        return kEndX;
    case 21:
        return kEndY;
    case 31:
        return kEndZ;
    default:
        return kFieldCount;
    }
}

} // namespace

std::int32_t ImportLine(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                        OBJHANDLE* blockSlot) {
    std::string layerName;
    std::array<double, kFieldCount> fields;
    fields.fill(kNotGiven);
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
        const LineField field = FieldOf(pair.code);
        if (field != kFieldCount && !StoreChecked(pair, fields[field]))
            return 0; // a malformed coordinate drops the LINE; its pair stays current
    }
    for (LineField required : {kStartX, kStartY, kEndX, kEndY}) {
        if (fields[required] == kNotGiven)
            return 0;
    }
    TakeLayerStep(map, context, layerName);

    const bool topLevel = blockSlot == nullptr;
    const auto startX = ToMapUnits(context, fields[kStartX], Axis::X, topLevel);
    const auto startY = ToMapUnits(context, fields[kStartY], Axis::Y, topLevel);
    const auto endX = ToMapUnits(context, fields[kEndX], Axis::X, topLevel);
    const auto endY = ToMapUnits(context, fields[kEndY], Axis::Y, topLevel);
    if (!startX || !startY || !endX || !endY)
        return 0; // not finite or outside the map's 32-bit range: malformed, nothing created

    const std::array<MAP_COORDPT, 2> points{MAP_COORDPT{*startX, *startY},
                                            MAP_COORDPT{*endX, *endY}};
    OBJHANDLE object = nullptr;
    map_polyline_Create(map, &object, points.data(), 2, 0);
    if (blockSlot && object)
        AddToGroup(map, blockSlot, object);
    return 1;
}
