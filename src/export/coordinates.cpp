#include "export/export_context.h"
#include "host/window_record.h"

double UnitFactor(HWND map) {
    const tagUnitInfo* unit = FindUnitInfo(WindowUnitId(map));
    if (!unit || !(unit->flags & kUnitHasFactor))
        return 1.0;
    return unit->factor;
}

void WriteCoordinate(DxfWriter& writer, std::int32_t code, std::int32_t value, double factor) {
    if (factor == 1.0)
        writer.WriteIntGroup(code, value);
    else
        writer.WriteRealGroup(code, static_cast<double>(value) / factor);
}
