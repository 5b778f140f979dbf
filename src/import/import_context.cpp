#include "import/import_context.h"

#include "import/layer_resolution.h"
#include "import/numbers.h"

void ApplySettings(ImportContext& context, const ImportSettings& settings) {
    context.multiplierInUse = settings.multiplier != 0.0 && settings.multiplier != 1.0;
    context.multiplier = context.multiplierInUse ? settings.multiplier : 1.0;
    context.xOffset = settings.xOffset;
    context.yOffset = settings.yOffset;
    context.zOffset = settings.zOffset;
    context.offsetInUse = settings.xOffset != 0 || settings.yOffset != 0;
    context.useBlocks = settings.useBlocks;
    context.groupPolylines = settings.groupPolylines;
    context.attributesOneColumn = settings.attributesOneColumn;
    context.extendedEntities = settings.extendedEntities;
    if (settings.maxInsertedObjects > 0)
        context.insertedObjectCap = static_cast<std::uint64_t>(settings.maxInsertedObjects);
}

double ScaleAndShift(const ImportContext& context, double value, Axis axis, bool topLevel) {
    if (context.multiplierInUse)
        value *= context.multiplier;
    if (topLevel && context.offsetInUse)
        value += axis == Axis::X ? context.xOffset : context.yOffset;
    return value;
}

std::optional<std::int32_t> ToMapUnits(const ImportContext& context, double value, Axis axis,
                                       bool topLevel) {
    return TruncToInt32(ScaleAndShift(context, value, axis, topLevel));
}

std::optional<std::int32_t> ToMapLength(const ImportContext& context, double value) {
    return TruncToInt32(context.multiplierInUse ? value * context.multiplier : value);
}

void TakeLayerStep(HWND map, ImportContext& context, std::string_view layerName) {
    if (layerName.empty() || layerName == context.currentLayerName)
        return;
    ResolveLayerByName(map, context, layerName);
}
