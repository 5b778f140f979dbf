// Layer resolution: which map layer receives the objects of a DXF layer, through an entry of the
// layer-mapping file or by name; and AddToGroup, which gathers objects into one host group.
#pragma once

#include "host/vexcore.h"
#include "import/import_context.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Makes the map layer for DXF layer `name` current, creating or renumbering layers as needed,
// and returns it (null when the host made none). `number` is -1 (any); `entry` is the name's
// layer-mapping entry or null; `list` records the layers taken by name, or is null.
OBJHANDLE ResolveLayer(HWND map, std::int32_t number, const std::string& name,
                       const ZOVIniEntry* entry, LayerList* list);

// Whether `number` stands in `list`; false for no list.
bool FindInLayerList(const LayerList* list, std::int32_t number);

// Looks the name up in the layer mapping, resolves it and makes it the context's current layer
// name, without comparing it with the current name first (the LAYER table and INSERT do this).
OBJHANDLE ResolveLayerByName(HWND map, ImportContext& context, std::string_view name);

// Puts `object` into the group slot: alone when the slot is empty, else into the slot's host
// group, made on the second object. Returns what the slot holds afterwards, 0 for a null slot or
// object.
OBJHANDLE AddToGroup(HWND map, OBJHANDLE* slot, OBJHANDLE object);

// The end of an entity handler that asked the host for `object`: inside a block definition
// (`blockSlot` not null) an object that was made joins the block's group. Returns 1, the
// handler's result for an entity read to its end, whether or not the host made the object.
inline std::int32_t EntityCreated(HWND map, OBJHANDLE* blockSlot, OBJHANDLE object) {
    AddToGroup(map, blockSlot, object);
    return 1;
}

// Fields of a layer-mapping entry.
std::int32_t EntryLayerNumber(const ZOVIniEntry& entry);
std::string EntryLayerName(const ZOVIniEntry& entry);
bool EntryTakesPartInOrder(const ZOVIniEntry& entry);
