#include "import/layer_resolution.h"

#include "host/host_calls.h"

#include <cstring>

namespace {

using namespace layer_call;

template <typename T>
T EntryField(const ZOVIniEntry& entry, std::size_t offset) {
    return ReadUnaligned<T>(entry.bytes, offset);
}

// A layer taken earlier for a DXF layer without an entry holds a number that an entry now
// claims: it moves to one above the highest number, and the list follows it.
void MoveLayerOutOfTheWay(HWND map, OBJHANDLE layer, LayerList& list, std::int32_t claimed) {
    const std::int32_t highest = map_get_MaxLayNumber(map);
    const std::int32_t newNumber = highest < INT32_MAX ? highest + 1 : highest;
    map_layer_Set(map, layer, nullptr, 0, newNumber, nullptr, kUnchanged, kUnchanged,
                  kUnchangedAttr9, kUnchanged, kRenumberOnly, kUnchanged16, 0, 0);
    list.Erase(claimed);
    list.Insert(newNumber);
}

OBJHANDLE ApplyEntry(HWND map, OBJHANDLE layer, const ZOVIniEntry& entry) {
    const std::string name = EntryLayerName(entry);
    const auto attr7 = EntryField<std::uint32_t>(entry, zov::kAttr7);
    const auto attr8 = EntryField<std::uint32_t>(entry, zov::kAttr8);
    const auto attr9 = EntryField<std::int32_t>(entry, zov::kAttr9);
    const auto attr10 = EntryField<std::uint32_t>(entry, zov::kAttr10);
    const auto attr12 = EntryField<std::uint16_t>(entry, zov::kAttr12);
    if (layer) {
        map_layer_Set(map, layer, nullptr, 0, kAnyNumber, name.c_str(), attr7, attr8, attr9, attr10,
                      kMakeCurrent, attr12, 0, 0);
        return layer;
    }
    OBJHANDLE created = nullptr;
    map_layer_Create(map, &created, nullptr, 0, EntryLayerNumber(entry), name.c_str(), attr7, attr8,
                     attr9, attr10, kMakeCurrent, attr12, 0);
    return created;
}

OBJHANDLE TakeLayerByName(HWND map, OBJHANDLE layer, std::int32_t number, const std::string& name,
                          LayerList* list) {
    if (layer) {
        map_layer_Set(map, layer, nullptr, 0, kAnyNumber, nullptr, kUnchanged, kUnchanged,
                      kUnchangedAttr9, kUnchanged, kMakeCurrent, kUnchanged16, 0, 0);
    } else {
        map_layer_Create(map, &layer, nullptr, 0, number, name.c_str(), 0, kUnchanged, 0, 1,
                         kMakeCurrent, 0, 0);
    }
    if (list && layer) {
        std::int32_t layerNumber = 0;
        map_layer_Get(map, layer, &layerNumber, nullptr, 0, nullptr);
        list->Insert(layerNumber);
    }
    return layer;
}

} // namespace

std::int32_t EntryLayerNumber(const ZOVIniEntry& entry) {
    return EntryField<std::int32_t>(entry, zov::kLayerNumber);
}

std::string EntryLayerName(const ZOVIniEntry& entry) {
    const auto* first = reinterpret_cast<const char*>(entry.bytes + zov::kLayerName);
    const std::size_t room = zov::kLayerNameEnd - zov::kLayerName;
    const auto* nul = static_cast<const char*>(std::memchr(first, '\0', room));
    return std::string(first, nul ? static_cast<std::size_t>(nul - first) : room);
}

bool EntryTakesPartInOrder(const ZOVIniEntry& entry) {
    return entry.bytes[zov::kOrderFlag] != 0;
}

bool FindInLayerList(const LayerList* list, std::int32_t number) {
    return list && list->Contains(number);
}

OBJHANDLE ResolveLayer(HWND map, std::int32_t number, const std::string& name,
                       const ZOVIniEntry* entry, LayerList* list) {
    if (entry) {
        const std::int32_t entryNumber = EntryLayerNumber(*entry);
        OBJHANDLE layer = map_layer_Search(map, entryNumber, nullptr);
        if (layer) {
            if (FindInLayerList(list, entryNumber)) {
                MoveLayerOutOfTheWay(map, layer, *list, entryNumber);
                layer = nullptr;
            }
            return ApplyEntry(map, layer, *entry);
        }
        return ApplyEntry(map, map_layer_Search(map, number, name.c_str()), *entry);
    }
    OBJHANDLE layer = map_layer_Search(map, number, name.c_str());
    return TakeLayerByName(map, layer, number, name, list);
}

OBJHANDLE ResolveLayerByName(HWND map, ImportContext& context, std::string_view name) {
    std::string layerName(name);
    const ZOVIniEntry* entry =
        FindZOVEntryShort2(layerName.c_str(), context.iniEntries, context.iniEntryCount, 1);
    OBJHANDLE layer = ResolveLayer(map, kAnyNumber, layerName, entry, &context.layerList);
    context.currentLayerName = std::move(layerName);
    return layer;
}

OBJHANDLE AddToGroup(HWND map, OBJHANDLE* slot, OBJHANDLE object) {
    if (!slot || !object)
        return nullptr;
    if (!*slot) {
        *slot = object;
        return object;
    }
    if (map_object_type_Get(map, *slot) == kTypeGroup) {
        map_group_Set(map, *slot, &object, 1, 0, 0);
        return *slot;
    }
    OBJHANDLE group = nullptr;
    map_group_Create(map, &group, slot, 1, 0);
    if (!group)
        return *slot;
    map_group_Set(map, group, &object, 1, 0, 0);
    *slot = group;
    return group;
}
