#include "host/vexcore.h"
#include "host/window_record.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/layer_resolution.h"
#include "import/placed_text.h"
#include "import/text_codes.h"
#include "module/line_breaks.h"

#include <array>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

namespace {

enum TextField { kInsertX, kInsertY, kAlignX, kAlignY, kRotation, kOblique, kFieldCount };

// The group codes of the checked fields, in field order.
constexpr std::array<std::int32_t, kFieldCount> kCheckedCodes{10, 20, 11, 21, 50, 51};

struct TextEntity {
    std::string text;
    std::string layerName;
    std::array<double, kFieldCount> fields{kNotGiven, kNotGiven, kNotGiven, kNotGiven, 0.0, 0.0};
    double height = 0.0; // a TEXT without group 40 has height 0
    std::int32_t horizontal = 0;
    std::int32_t vertical = 0;
};

// Every imported text is set in this font.
constexpr const char* kTextFont = "Arial";
constexpr std::uint32_t kDefaultColor = 0xFFFFFFFFu;
// The largest font size the host takes.
constexpr double kMaxFontSize = 256.0;
// Flags every imported TEXT carries, on top of its justification flags.
constexpr std::uint32_t kTextFlag = 16;

// The factor that turns a height in map units into the host's text size, from the page extent
// and the window's text base value. A page without height leaves the size as it is.
double SizeFactor(HWND map) {
    MAP_COORDPT origin{};
    MAP_COORDPT extent{};
    PageGetOrgExtInWindow(map, &origin, &extent);
    const std::int32_t base = WindowTextBase(map);
    // 0.2840909090909091 is the double nearest to 25/88.
    const std::int32_t scaledBase = TruncToInt32(base * 0.2840909090909091).value_or(0);
    if (extent.y <= 0)
        return 1.0;
    return scaledBase / static_cast<double>(extent.y) * 1.6;
}

// Takes one group of the TEXT; false when a checked value is malformed.
bool TakeGroup(const GroupPair& pair, TextEntity& entity) {
    switch (pair.code) {
    case 1:
        entity.text.assign(pair.value);
        ConvertLineBreaks(entity.text.data(), entity.text.size(), LineBreakMode::BackslashNToCrLf);
        return true;
    case 8:
        entity.layerName.assign(pair.value);
        return true;
    case 40:
        entity.height = ParseDouble(pair.value); // never refused: what does not convert is 0
        return true;
    case 72:
        entity.horizontal = ParseInt(pair.value);
        return true;
    case 73:
        entity.vertical = ParseInt(pair.value);
        return true;
    default: {
        const std::size_t field = FieldIndex(kCheckedCodes, pair.code);
        return field == kFieldCount || StoreChecked(pair, entity.fields[field]);
    }
    }
}

// Alignment flags: 16 plus the horizontal (72: 1 centred, 2 right) and vertical (73: 2 middle,
// 3 top, anything else the baseline) justification.
std::uint32_t AlignmentFlags(std::int32_t horizontal, std::int32_t vertical) {
    const std::uint32_t h = horizontal == 1 ? 1 : horizontal == 2 ? 2 : 0;
    const std::uint32_t v = vertical == 2 ? 4 : vertical == 3 ? 0 : 8;
    return kTextFlag + h + v;
}

// The point the text hangs on, in file units: the insertion point, or, for any justification
// other than the default, the alignment point member by member where the file gives it.
std::array<double, 2> Anchor(const TextEntity& entity) {
    std::array<double, 2> anchor{entity.fields[kInsertX], entity.fields[kInsertY]};
    if (entity.horizontal == 0 && entity.vertical == 0)
        return anchor;
    if (entity.fields[kAlignX] != kNotGiven)
        anchor[0] = entity.fields[kAlignX];
    if (entity.fields[kAlignY] != kNotGiven)
        anchor[1] = entity.fields[kAlignY];
    return anchor;
}

// The font size in the host's units, or empty when it is above the host's limit (+inf is). A
// size that is not above it yet converts to no 32-bit number (NaN, -inf, a large negative
// size) counts as 0, as an unconvertible height does: group 40 is never refused.
std::optional<std::int32_t> FontSize(const ImportContext& context, double height,
                                     double sizeFactor) {
    const double size = height * context.multiplier * sizeFactor;
    if (size > kMaxFontSize)
        return std::nullopt;
    return TruncToInt32(size).value_or(0);
}

// An aligned (72 = 3) or fitted (72 = 5) text on the baseline runs from its insertion point
// to its alignment point: it hangs on its insertion point, turned towards the alignment point.
void AnchorBetweenPoints(TextEntity& entity, std::array<double, 2>& anchor) {
    if ((entity.horizontal != 3 && entity.horizontal != 5) || entity.vertical != 0)
        return;
    anchor = {entity.fields[kInsertX], entity.fields[kInsertY]};
    if (entity.fields[kAlignX] == kNotGiven || entity.fields[kAlignY] == kNotGiven)
        return;
    const double dx = entity.fields[kAlignX] - anchor[0];
    const double dy = entity.fields[kAlignY] - anchor[1];
    if (dx != 0.0 || dy != 0.0)
        entity.fields[kRotation] = std::atan2(dy, dx) * 180.0 / std::numbers::pi;
}

// The extended import's reading of a TEXT: control codes decoded, an aligned or fitted text
// placed on its insertion point, the anchor and the angle seen from above when the text lies
// in another plane. False when that plane has no direction.
bool ExtendedReading(TextEntity& entity, const ObjectPlane& plane, std::array<double, 2>& anchor) {
    DecodeUnicodeEscapes(entity.text);
    DecodePercentCodes(entity.text);
    AnchorBetweenPoints(entity, anchor);
    const auto plan = ProjectOntoPlan(anchor[0], anchor[1], entity.fields[kRotation], plane);
    if (!plan)
        return false;
    anchor = {plan->x, plan->y};
    entity.fields[kRotation] = plan->rotationDegrees;
    return true;
}

} // namespace

std::int32_t ImportText(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                        OBJHANDLE* blockSlot) {
    const double sizeFactor = SizeFactor(map);
    TextEntity entity;
    ObjectPlane plane; // read by the extended import only
    for (;;) {
        const EntityStep step = NextEntityGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return 0;
        if (step == EntityStep::Ended)
            break;
        if (context.extendedEntities && TakePlaneGroup(pair, plane)) {
            if (plane.malformed)
                return 0;
            continue;
        }
        if (!TakeGroup(pair, entity))
            return 0; // a malformed value drops the TEXT; its pair stays current
    }
    if (entity.fields[kInsertX] == kNotGiven || entity.fields[kInsertY] == kNotGiven)
        return 0;
    TakeLayerStep(map, context, entity.layerName);

    const auto size = FontSize(context, entity.height, sizeFactor);
    if (!size)
        return 0;
    const bool topLevel = blockSlot == nullptr;
    std::array<double, 2> anchor = Anchor(entity);
    if (context.extendedEntities && !ExtendedReading(entity, plane, anchor))
        return 0;
    const auto x = ToMapUnits(context, anchor[0], Axis::X, topLevel);
    const auto y = ToMapUnits(context, anchor[1], Axis::Y, topLevel);
    const auto rotation = TruncToInt32(entity.fields[kRotation] * 10);
    const auto oblique = TruncToInt32(entity.fields[kOblique] * 10);
    if (!x || !y || !rotation || !oblique)
        return 0; // not finite or outside the 32-bit range: malformed, nothing created

    const MAP_COORDPT position{*x, *y};
    OBJHANDLE object = nullptr;
    map_text_CreateEx(map, &object, entity.text.c_str(), &position, kTextFont, *size, 0,
                      kDefaultColor, *rotation, *oblique,
                      AlignmentFlags(entity.horizontal, entity.vertical), 0, 0, 0);
    return EntityCreated(map, blockSlot, object);
}

// The TEXT handler's rules, shared with the texts of the extended import (placed_text.h).
double TextSizeFactor(HWND map) {
    return SizeFactor(map);
}

std::optional<std::int32_t> TextFontSize(const ImportContext& context, double height,
                                         double sizeFactor) {
    return FontSize(context, height, sizeFactor);
}

std::uint32_t TextAlignmentFlags(std::int32_t horizontal, std::int32_t vertical) {
    return AlignmentFlags(horizontal, vertical);
}
