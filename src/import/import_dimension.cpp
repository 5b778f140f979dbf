// DIMENSION as an insert of its anonymous block (group 2), which holds the lines, arrows and
// text the drawing shows, placed at the origin as the drawing defines it. A DIMENSION whose
// block is missing or empty still shows its text where the drawing puts it, and a linear one
// its dimension line and extension lines.
#include "import/curve_points.h"
#include "import/entity_handlers.h"
#include "import/extended_inserts.h"
#include "import/extended_reading.h"
#include "import/placed_text.h"
#include "import/text_codes.h"

#include <charconv>
#include <cmath>
#include <numbers>
#include <optional>
#include <string>

namespace {

// The text height of a DIMENSION without its block: the dimension style is not read, so the
// default text height of metric drawings (DIMTXT 2.5) stands in.
constexpr double kFallbackTextHeight = 2.5;
// Decimals of a measurement that replaces "<>" or an empty text (DIMDEC of metric drawings).
constexpr int kMeasurementDecimals = 2;

struct DimensionEntity {
    std::string blockName;
    std::string layerName;
    std::string text;
    double textX = kNotGiven; // 11/21: the middle of the text
    double textY = kNotGiven;
    double measurement = kNotGiven; // 42
    double textRotation = 0.0;      // 53, degrees
    std::int32_t type = 0;          // 70, the kind in its lowest three bits
    double angle = 0.0;             // 50: the direction a rotated dimension measures along
    // Definition points: 13/23 and 14/24 (linear), 10/20 and 15/25 (radius, diameter).
    double p13x = 0.0, p13y = 0.0, p14x = 0.0, p14y = 0.0;
    double p10x = 0.0, p10y = 0.0, p15x = 0.0, p15y = 0.0;
    ObjectPlane plane;
    bool malformed = false;
};

double* NumberOf(std::int32_t code, DimensionEntity& entity) {
    switch (code) {
    case 10:
        return &entity.p10x;
    case 20:
        return &entity.p10y;
    case 11:
        return &entity.textX;
    case 21:
        return &entity.textY;
    case 13:
        return &entity.p13x;
    case 23:
        return &entity.p13y;
    case 14:
        return &entity.p14x;
    case 24:
        return &entity.p14y;
    case 15:
        return &entity.p15x;
    case 25:
        return &entity.p15y;
    case 42:
        return &entity.measurement;
    case 50:
        return &entity.angle;
    case 53:
        return &entity.textRotation;
    default:
        return nullptr;
    }
}

void TakeDimensionGroup(const GroupPair& pair, DimensionEntity& entity) {
    if (TakePlaneGroup(pair, entity.plane))
        return;
    double* number = NumberOf(pair.code, entity);
    if (number) {
        entity.malformed = entity.malformed || !StoreChecked(pair, *number);
        return;
    }
    if (pair.code == 1)
        entity.text.assign(pair.value);
    else if (pair.code == 2)
        entity.blockName.assign(pair.value);
    else if (pair.code == 8)
        entity.layerName.assign(pair.value);
    else if (pair.code == 70)
        entity.type = ParseInt(pair.value);
}

// The measurement from the definition points, for a drawing that leaves 42 out or 0: linear
// dimensions (0 rotated, 1 aligned), diameter (3) and radius (4); none for the others.
std::optional<double> MeasuredFromPoints(const DimensionEntity& entity) {
    const double dx = entity.p14x - entity.p13x;
    const double dy = entity.p14y - entity.p13y;
    switch (entity.type & 7) {
    case 0: {
        const double radians = entity.angle * std::numbers::pi / 180.0;
        return std::fabs(dx * std::cos(radians) + dy * std::sin(radians));
    }
    case 1:
        return std::hypot(dx, dy);
    case 3:
    case 4:
        return std::hypot(entity.p15x - entity.p10x, entity.p15y - entity.p10y);
    default:
        return std::nullopt;
    }
}

// The text the dimension shows: its own text with "<>" standing for the measurement, or the
// measurement alone.
std::string ShownText(const DimensionEntity& entity) {
    std::string measured;
    const std::optional<double> measurement =
        entity.measurement != kNotGiven && entity.measurement != 0.0
            ? std::optional<double>(entity.measurement)
            : MeasuredFromPoints(entity);
    if (measurement && std::isfinite(*measurement) && std::fabs(*measurement) < 1e15) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, *measurement,
                                          std::chars_format::fixed, kMeasurementDecimals);
        if (result.ec == std::errc())
            measured.assign(buffer, result.ptr);
    }
    if (entity.text.empty())
        return measured;
    std::string shown = PlainMText(entity.text);
    if (const std::size_t at = shown.find("<>"); at != std::string::npos)
        shown.replace(at, 2, measured);
    DecodePercentCodes(shown);
    return shown;
}

void CreateFallbackText(HWND map, ImportContext& context, const DimensionEntity& entity,
                        OBJHANDLE* blockSlot) {
    if (entity.malformed || entity.plane.malformed)
        return;
    PlacedText placed;
    placed.text = ShownText(entity);
    placed.layerName = entity.layerName;
    placed.x = entity.textX;
    placed.y = entity.textY;
    placed.height = kFallbackTextHeight;
    placed.rotationDegrees = entity.textRotation;
    placed.flags = TextAlignmentFlags(1, 2); // centred on its middle
    placed.plane = entity.plane;
    CreatePlacedText(map, context, placed, blockSlot);
}

// The unit direction a linear dimension measures along: the angle 50 for a rotated one, from
// 13/14 towards 14/24 for an aligned one; none for other kinds or coinciding points.
std::optional<PlanPoint> MeasuredDirection(const DimensionEntity& entity) {
    if ((entity.type & 7) == 0) {
        const double radians = entity.angle * std::numbers::pi / 180.0;
        return PlanPoint{std::cos(radians), std::sin(radians)};
    }
    if ((entity.type & 7) != 1)
        return std::nullopt;
    const double dx = entity.p14x - entity.p13x;
    const double dy = entity.p14y - entity.p13y;
    const double length = std::hypot(dx, dy);
    if (!(length > 0.0) || !std::isfinite(length))
        return std::nullopt;
    return PlanPoint{dx / length, dy / length};
}

// The arrowhead at `tip` of a dimension line that runs on to `other`: a closed triangle of the
// drawing's arrow size, a sixth of it wide to either side.
void CreateArrowhead(HWND map, ImportContext& context, const DimensionEntity& entity,
                     OBJHANDLE* blockSlot, PlanPoint tip, PlanPoint other) {
    const double length = std::hypot(other.x - tip.x, other.y - tip.y);
    if (!(length > 0.0) || !std::isfinite(length))
        return;
    const double ux = (other.x - tip.x) / length * context.arrowSize;
    const double uy = (other.y - tip.y) / length * context.arrowSize;
    const PlanPoint triangle[3] = {tip,
                                   {tip.x + ux - uy / 6.0, tip.y + uy + ux / 6.0},
                                   {tip.x + ux + uy / 6.0, tip.y + uy - ux / 6.0}};
    CreateCurveObject(map, context, blockSlot, entity.layerName, triangle, true);
}

// Without its block, a linear dimension still shows what CAD programs draw for it: the
// dimension line through 10/20 between the feet of the two definition points 13 and 14, an
// arrowhead at either end ($DIMASZ long), and an extension line from each definition point to
// its foot. The style's offsets and text placement rules are left out.
void CreateFallbackLines(HWND map, ImportContext& context, const DimensionEntity& entity,
                         OBJHANDLE* blockSlot) {
    const std::optional<PlanPoint> direction = MeasuredDirection(entity);
    if (!direction || entity.malformed)
        return;
    const auto footOf = [&](double x, double y) {
        const double along = (x - entity.p10x) * direction->x + (y - entity.p10y) * direction->y;
        return PlanPoint{entity.p10x + along * direction->x, entity.p10y + along * direction->y};
    };
    const PlanPoint first{entity.p13x, entity.p13y};
    const PlanPoint second{entity.p14x, entity.p14y};
    const PlanPoint lines[3][2] = {{footOf(first.x, first.y), footOf(second.x, second.y)},
                                   {first, footOf(first.x, first.y)},
                                   {second, footOf(second.x, second.y)}};
    for (const auto& line : lines)
        CreateCurveObject(map, context, blockSlot, entity.layerName, line, false);
    CreateArrowhead(map, context, entity, blockSlot, lines[0][0], lines[0][1]);
    CreateArrowhead(map, context, entity, blockSlot, lines[0][1], lines[0][0]);
}

} // namespace

std::int32_t ImportDimension(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                             OBJHANDLE* blockSlot) {
    DimensionEntity entity;
    if (!ReadExtendedEntity(reader, pair, [&](const GroupPair& group) {
            TakeDimensionGroup(group, entity);
            return true;
        }))
        return 0;
    // Without blocks in use there is nothing to insert; inside a block definition blocks are
    // always read. A block defined later inside BLOCKS is waited for.
    const bool insertable = (context.useBlocks || blockSlot) && !entity.blockName.empty() &&
                            (blockSlot || context.blocks.Find(entity.blockName));
    if (insertable)
        PlaceOrDeferInsert(map, context, entity.blockName, entity.layerName, InsertPlacement{},
                           blockSlot);
    else {
        CreateFallbackLines(map, context, entity, blockSlot);
        CreateFallbackText(map, context, entity, blockSlot);
    }
    return 1;
}
