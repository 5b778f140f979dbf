#include "import/layer_resolution.h"
#include "import/sections.h"

#include <new>
#include <vector>

namespace {

// Room for the map's layer handles; one compaction and one retry when memory is short.
bool MakeRoom(std::vector<OBJHANDLE>& room, std::size_t count) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            room.assign(count, nullptr);
            return true;
        } catch (const std::bad_alloc&) {
            GlobalCompact(0xFFFFFFFFu);
        }
    }
    return false;
}

} // namespace

std::int32_t ApplyLayerOrder(HWND map, const ZOVIniEntry* entries, std::uint32_t count) {
    if (!map || !entries)
        return 0;
    std::int32_t layerCount = 0;
    map_layers_Get(map, &layerCount, nullptr, 0);
    if (layerCount <= 0)
        return 0;
    std::vector<OBJHANDLE> layers;
    if (!MakeRoom(layers, static_cast<std::size_t>(layerCount)))
        return -1;
    map_layers_Get(map, nullptr, layers.data(), layerCount);
    OBJHANDLE previous = layers.front();
    for (std::uint32_t i = 0; i < count; ++i) {
        if (!EntryTakesPartInOrder(entries[i]))
            continue;
        OBJHANDLE layer = map_layer_Search(map, EntryLayerNumber(entries[i]), nullptr);
        if (!layer)
            continue;
        map_layer_predecessor_Set(map, layer, previous);
        previous = layer;
    }
    return 0;
}
