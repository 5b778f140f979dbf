// Units, page and the per-window record of a map window.
//
// Unit table: a map's unit id names what one map unit is; the factor is the number of map units
// in one unit of the exported drawing (metres for metric units, inches or feet for imperial
// ones). Id 0, the plain map unit, has no factor: its coordinates are exported as they stand.
#include "standin/host_state.h"
#include "standin/journal.h"

#include <algorithm>
#include <array>
#include <cstring>

using namespace standin;

namespace {

constexpr tagUnitInfo Unit(std::int32_t id, bool hasFactor, double factor, const char* name) {
    tagUnitInfo unit{};
    unit.id = id;
    unit.flags = hasFactor ? kUnitHasFactor : 0;
    unit.factor = factor;
    for (std::size_t i = 0; name[i] != '\0' && i + 1 < sizeof unit.name; ++i) {
        unit.name[i] = name[i];
    }
    return unit;
}

constexpr std::array kUnits{
    Unit(0, false, 1.0, "map unit"),
    Unit(1, true, 1000.0, "millimetre"),
    Unit(2, true, 100.0, "centimetre"),
    Unit(3, true, 10.0, "decimetre"),
    Unit(4, true, 1.0, "metre"),
    Unit(5, true, 0.001, "kilometre"),
    Unit(6, true, 10000.0, "tenth of a millimetre"),
    Unit(7, true, 1.0, "inch"),
    Unit(8, true, 1.0, "foot"),
    Unit(9, true, 72.0, "point"),
    Unit(10, true, 1440.0, "twip"),
};

// PointSizeToMap: one size step is 2.5 map units, so that the export's height (0.4 times the
// size in map units) gives the size back.
constexpr double kMapUnitsPerSizeStep = 2.5;

} // namespace

VEXCORE_API const tagUnitInfo* VEXCORE_CALL FindUnitInfo(std::int32_t unitId) {
    const auto found = std::find_if(kUnits.begin(), kUnits.end(),
                                    [&](const tagUnitInfo& unit) { return unit.id == unitId; });
    return found == kUnits.end() ? nullptr : &*found;
}

VEXCORE_API double VEXCORE_CALL PointSizeToMap(HWND map, std::int32_t size) {
    journal::Record(State().MapOf(map), "PointSizeToMap", journal::Map{}, size);
    return size * kMapUnitsPerSizeStep;
}

VEXCORE_API std::int32_t VEXCORE_CALL PageGetOrgExtInWindow(HWND map, MAP_COORDPT* origin,
                                                            MAP_COORDPT* extent) {
    MapModel* model = State().MapOf(map);
    journal::Record(model, "PageGetOrgExtInWindow", journal::Map{}, journal::Out{"origin", origin},
                    journal::Out{"extent", extent});
    if (!model) {
        return 0;
    }
    if (origin) {
        *origin = model->pageOrigin;
    }
    if (extent) {
        *extent = model->pageExtent;
    }
    return 1;
}

VEXCORE_API std::int32_t VEXCORE_CALL PM_SetAllObjectsRect(PMHANDLE pm, HWND map, std::int32_t minX,
                                                           std::int32_t minY, std::int32_t maxX,
                                                           std::int32_t maxY) {
    MapModel* model = State().MapOf(map);
    journal::Record(model, "PM_SetAllObjectsRect", journal::Pm{}, journal::Map{}, minX, minY, maxX,
                    maxY);
    // The presentation manager must be the map window's own.
    if (!model || IdOf(pm) != model->presentation) {
        return 0;
    }
    model->objectsRect = MAP_COORDRECT{{minX, minY}, {maxX, maxY}};
    return 1;
}

VEXCORE_API DBHANDLE VEXCORE_CALL standin_WindowObjectDatabase(HWND map) {
    const MapModel* model = State().MapOf(map);
    return model ? HandleFromId<DBHANDLE>(model->database) : nullptr;
}

VEXCORE_API PMHANDLE VEXCORE_CALL standin_WindowPresentation(HWND map) {
    const MapModel* model = State().MapOf(map);
    return model ? HandleFromId<PMHANDLE>(model->presentation) : nullptr;
}

VEXCORE_API std::int32_t VEXCORE_CALL standin_WindowUnitId(HWND map) {
    const MapModel* model = State().MapOf(map);
    return model ? model->unitId : 0;
}

VEXCORE_API std::int32_t VEXCORE_CALL standin_WindowTextBase(HWND map) {
    const MapModel* model = State().MapOf(map);
    return model ? model->textBase : 0;
}
