// DIMENSION as an insert of its anonymous block (group 2), which holds the lines, arrows and
// text the drawing shows, placed at the origin as the drawing defines it. A DIMENSION whose
// block is missing or empty still shows its text where the drawing puts it.
#include "import/entity_handlers.h"
#include "import/extended_inserts.h"
#include "import/placed_text.h"
#include "import/text_codes.h"

#include <charconv>
#include <cmath>
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
    ObjectPlane plane;
    bool malformed = false;
};

void TakeDimensionGroup(const GroupPair& pair, DimensionEntity& entity) {
    if (TakePlaneGroup(pair, entity.plane))
        return;
    double* number = pair.code == 11   ? &entity.textX
                     : pair.code == 21 ? &entity.textY
                     : pair.code == 42 ? &entity.measurement
                     : pair.code == 53 ? &entity.textRotation
                                       : nullptr;
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
}

// The text the dimension shows: its own text with "<>" standing for the measurement, or the
// measurement alone.
std::string ShownText(const DimensionEntity& entity) {
    std::string measured;
    if (entity.measurement != kNotGiven && std::isfinite(entity.measurement)) {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, entity.measurement,
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

} // namespace

std::int32_t ImportDimension(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                             OBJHANDLE* blockSlot) {
    DimensionEntity entity;
    for (;;) {
        const EntityStep step = NextEntityGroup(reader, pair);
        if (step == EntityStep::Exhausted)
            return 0;
        if (step == EntityStep::Ended)
            break;
        TakeDimensionGroup(pair, entity);
    }
    // Without blocks in use there is nothing to insert; inside a block definition blocks are
    // always read. A block defined later inside BLOCKS is waited for.
    const bool insertable = (context.useBlocks || blockSlot) && !entity.blockName.empty() &&
                            (blockSlot || context.blocks.Find(entity.blockName));
    if (insertable)
        PlaceOrDeferInsert(map, context, entity.blockName, entity.layerName, InsertPlacement{},
                           blockSlot);
    else
        CreateFallbackText(map, context, entity, blockSlot);
    return 1;
}
