#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/layer_resolution.h"

#include <array>

namespace {

enum LineField : std::size_t { kStartX, kStartY, kStartZ, kEndX, kEndY, kEndZ };

// The group codes of the fields, in field order.
constexpr std::array<std::int32_t, 6> kLineCodes{10, 20, 30, 11, 21, 31};

} // namespace

std::int32_t ImportLine(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                        OBJHANDLE* blockSlot) {
    std::string layerName;
    CheckedFields<kLineCodes.size()> fields;
    // A malformed coordinate drops the LINE; its pair stays current.
    if (!ReadCheckedEntity(reader, pair, kLineCodes, layerName, fields, SkipOtherGroup) ||
        !fields.Given({kStartX, kStartY, kEndX, kEndY}))
        return 0;
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
    return EntityCreated(map, blockSlot, object);
}
