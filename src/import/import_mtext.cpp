// MTEXT as one map text: the plain text of its value, set at its insertion point with its
// attachment point as the alignment.
#include "import/entity_handlers.h"
#include "import/extended_reading.h"
#include "import/placed_text.h"
#include "import/text_codes.h"

#include <cmath>
#include <numbers>

namespace {

// The groups of an MTEXT. The value arrives in pieces: groups 3 in order, then group 1.
struct MTextEntity {
    std::string value;
    std::string layerName;
    double x = kNotGiven;
    double y = kNotGiven;
    double height = 0.0;
    double rotationDegrees = 0.0;
    Vector3 direction{0.0, 0.0, 0.0}; // 11/21/31, in world coordinates; none when zero
    std::int32_t attachment = 1;
    ObjectPlane plane;
    // After "101 Embedded Object" the groups describe the columns, not the text.
    bool inEmbeddedObject = false;
};

// Takes one group; false when a value that places the text is malformed.
bool TakeMTextGroup(const GroupPair& pair, MTextEntity& entity) {
    if (entity.inEmbeddedObject)
        return true;
    if (TakePlaneGroup(pair, entity.plane))
        return !entity.plane.malformed;
    switch (pair.code) {
    case 1:
    case 3:
        entity.value.append(pair.value);
        return true;
    case 8:
        entity.layerName.assign(pair.value);
        return true;
    case 10:
        return StoreChecked(pair, entity.x);
    case 20:
        return StoreChecked(pair, entity.y);
    case 11:
        return StoreChecked(pair, entity.direction.x);
    case 21:
        return StoreChecked(pair, entity.direction.y);
    case 40:
        return StoreChecked(pair, entity.height);
    case 50:
        return StoreChecked(pair, entity.rotationDegrees); // degrees, as drawings write it
    case 71:
        entity.attachment = ParseInt(pair.value);
        return true;
    case 101:
        entity.inEmbeddedObject = true;
        return true;
    default:
        return true;
    }
}

// The map's alignment flags of an attachment point: 1-3 top, 4-6 middle, 7-9 bottom (the
// baseline, the nearest the map has); left, centre, right within each row.
std::uint32_t AttachmentFlags(std::int32_t attachment) {
    const std::int32_t point = attachment >= 1 && attachment <= 9 ? attachment - 1 : 0;
    constexpr std::int32_t kHorizontal[] = {0, 1, 2};
    constexpr std::int32_t kVertical[] = {3, 2, 0}; // as TEXT's group 73: top, middle, baseline
    return TextAlignmentFlags(kHorizontal[point % 3], kVertical[point / 3]);
}

} // namespace

std::int32_t ImportMText(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot) {
    MTextEntity entity;
    // A malformed value drops the MTEXT; its pair stays current.
    if (!ReadExtendedEntity(reader, pair,
                            [&](const GroupPair& group) { return TakeMTextGroup(group, entity); }))
        return 0;
    if (entity.x == kNotGiven || entity.y == kNotGiven || !std::isfinite(entity.height))
        return 0;
    const auto plan = ProjectOntoPlan(entity.x, entity.y, entity.rotationDegrees, entity.plane);
    if (!plan)
        return 0;
    PlacedText placed;
    placed.text = PlainMText(entity.value);
    DecodePercentCodes(placed.text);
    placed.layerName = std::move(entity.layerName);
    placed.x = plan->x;
    placed.y = plan->y;
    placed.height = entity.height;
    // The direction, where given, is the text's x axis in the world and decides the angle.
    placed.rotationDegrees =
        entity.direction.x != 0.0 || entity.direction.y != 0.0
            ? std::atan2(entity.direction.y, entity.direction.x) * 180.0 / std::numbers::pi
            : plan->rotationDegrees;
    placed.flags = AttachmentFlags(entity.attachment);
    return CreatePlacedText(map, context, placed, blockSlot) ? 1 : 0;
}
