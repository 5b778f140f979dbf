#include "host/vexcore.h"
#include "import/entity_handlers.h"
#include "import/entity_reading.h"
#include "import/layer_resolution.h"
#include "import/registry_settings.h"

#include <array>
#include <string>

namespace {

// What a POINT becomes: a text of the symbol, centred on the point.
struct PointSymbol {
    std::string symbol = "X";
    std::string font = "Arial";
    std::int32_t size = 10;
};

// Horizontally centred (1) plus vertically middle (4), in the alignment flags of texts.
constexpr std::uint32_t kCentredFlags = 5;
constexpr std::uint32_t kDefaultColor = 0xFFFFFFFFu;

enum PointField : std::size_t { kX, kY };

// The group codes of the fields, in field order.
constexpr std::array<std::int32_t, 2> kPointCodes{10, 20};

// A text setting, or its default, which is then written back so that the next import finds it.
void ReadTextSetting(const RegistrySettings& settings, const char* name, std::string& value) {
    if (!settings.ReadText(kPointSettingsSubkey, name, value))
        settings.WriteText(kPointSettingsSubkey, name, value);
}

// Read afresh for every POINT, so that a change during an import counts from the next POINT.
PointSymbol ReadPointSymbol() {
    const RegistrySettings settings(HKEY_CURRENT_USER, kVexaRegistryPath);
    PointSymbol point;
    ReadTextSetting(settings, "Symbol", point.symbol);
    ReadTextSetting(settings, "FontName", point.font);
    if (!settings.ReadNumber(kPointSettingsSubkey, "FontSize", point.size))
        settings.WriteNumber(kPointSettingsSubkey, "FontSize", point.size);
    return point;
}

} // namespace

std::int32_t ImportPoint(HWND map, GroupReader& reader, GroupPair& pair, ImportContext& context,
                         OBJHANDLE* blockSlot) {
    const PointSymbol point = ReadPointSymbol();
    std::string layerName;
    CheckedFields<kPointCodes.size()> fields;
    // Group 30 is never looked at: a point is always imported as a 2-D text. A malformed
    // coordinate drops the POINT; its pair stays current.
    if (!ReadCheckedEntity(reader, pair, kPointCodes, layerName, fields, SkipOtherGroup) ||
        !fields.Given({kX, kY}))
        return 0;
    TakeLayerStep(map, context, layerName);

    const bool topLevel = blockSlot == nullptr;
    const auto mapX = ToMapUnits(context, fields[kX], Axis::X, topLevel);
    const auto mapY = ToMapUnits(context, fields[kY], Axis::Y, topLevel);
    if (!mapX || !mapY)
        return 0; // not finite or outside the map's 32-bit range: malformed, nothing created

    // The size is the setting as it stands: neither the multiplier nor a size factor applies.
    const MAP_COORDPT position{*mapX, *mapY};
    OBJHANDLE object = nullptr;
    map_text_CreateEx(map, &object, point.symbol.c_str(), &position, point.font.c_str(), point.size,
                      0, kDefaultColor, 0, 0, kCentredFlags, 0, 0, 0);
    return EntityCreated(map, blockSlot, object);
}
