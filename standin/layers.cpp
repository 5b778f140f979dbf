// The layer operations of the host map library.
//
// Argument 11 ("mode") of map_layer_Create and map_layer_Set is a bit set (map_model.h):
// 1 applies the number and name given (Set only; Create always takes them), 2 applies the
// attributes given (Set only), 4 makes the layer current. So 7 sets everything and makes the
// layer current, and 3 renumbers a layer out of the way without making it current.
#include "standin/buffers.h"
#include "standin/host_state.h"
#include "standin/journal.h"

#include <array>
#include <limits>

using namespace standin;

namespace {

constexpr std::uint32_t kUnchanged32 = 0xFFFFFFFFu;
constexpr std::uint16_t kUnchanged16 = 0xFFFFu;
constexpr std::int32_t kAnyNumber = -1;

OBJHANDLE LayerHandle(const LayerEntry* entry) {
    return entry ? HandleFromId<OBJHANDLE>(entry->layer.id) : nullptr;
}

// The two switches follow attribute 10: bit 1 shows the layer, bit 2 locks it. All bits set
// (the "leave unchanged" value) counts as a plain visible, editable layer.
void ApplySwitches(Layer& layer, std::uint32_t attr10) {
    if (attr10 == kUnchanged32) {
        return;
    }
    layer.visible = (attr10 & layer_state::kVisible) != 0;
    layer.editable = (attr10 & layer_state::kLocked) == 0;
}

struct LayerArguments {
    std::uint32_t attr7;
    std::uint32_t attr8;
    std::int32_t attr9;
    std::uint32_t attr10;
    std::int32_t mode;
    std::uint16_t attr12;
};

void StoreAllAttributes(Layer& layer, const LayerArguments& a) {
    layer.attributes = {a.attr7, a.attr8, a.attr9, a.attr10, a.mode, a.attr12};
    if (a.attr10 == kUnchanged32) {
        layer.visible = true;
        layer.editable = true;
    } else {
        ApplySwitches(layer, a.attr10);
    }
}

// Every attribute but the mode may be left as it is by its "unchanged" value.
void UpdateAttributes(Layer& layer, const LayerArguments& a) {
    const std::array<std::int64_t, 6> given{a.attr7, a.attr8, a.attr9, a.attr10, a.mode, a.attr12};
    const std::array<std::int64_t, 6> unchanged{
        kUnchanged32, kUnchanged32, -1, kUnchanged32, std::numeric_limits<std::int64_t>::min(),
        kUnchanged16};
    for (std::size_t i = 0; i < given.size(); ++i) {
        if (given[i] != unchanged[i]) {
            layer.attributes[i] = given[i];
        }
    }
    ApplySwitches(layer, a.attr10);
}

void MoveObjectsOnto(MapModel& model, LayerEntry& layer, const OBJHANDLE* objects,
                     std::int32_t count) {
    if (!objects || count <= 0) {
        return;
    }
    // Kept from call to call: an import moves objects thousands of times.
    thread_local std::vector<ObjectId> ids;
    ids.resize(static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < ids.size(); ++i) {
        ids[i] = IdOf(objects[i]);
    }
    model.MoveToLayer(model.LayeredObjectsBelow(ids.data(), ids.size()), layer);
}

} // namespace

VEXCORE_API OBJHANDLE VEXCORE_CALL map_layer_Search(HWND map, std::int32_t number,
                                                    const char* name) {
    return Guarded<OBJHANDLE>(nullptr, [&]() -> OBJHANDLE {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_layer_Search", journal::Map{}, number, journal::Text{name});
        if (!model) {
            return nullptr;
        }
        if (name) {
            return LayerHandle(model->LayerByName(name));
        }
        if (number == kAnyNumber) {
            return LayerHandle(model->CurrentLayer());
        }
        return number >= 0 ? LayerHandle(model->LayerByNumber(number)) : nullptr;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_layer_Get(HWND map, OBJHANDLE layer, std::int32_t* number,
                                                    char* name, std::int32_t nameSize,
                                                    std::int32_t* attributes6) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_layer_Get", journal::Map{}, journal::Handle{layer},
                        journal::Out{"number", number}, journal::Out{"name", name}, nameSize,
                        journal::Out{"attributes", attributes6});
        LayerEntry* entry = model ? model->FindLayer(IdOf(layer)) : nullptr;
        if (!entry) {
            return 0;
        }
        Put(number, entry->layer.number);
        CopyTextOut(name, nameSize, entry->layer.name);
        if (attributes6) {
            for (std::size_t i = 0; i < entry->layer.attributes.size(); ++i) {
                attributes6[i] = static_cast<std::int32_t>(
                    static_cast<std::uint32_t>(entry->layer.attributes[i] & 0xFFFFFFFF));
            }
        }
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL
map_layer_Create(HWND map, OBJHANDLE* newLayer, const OBJHANDLE* objects, std::int32_t objectCount,
                 std::int32_t number, const char* name, std::uint32_t attr7, std::uint32_t attr8,
                 std::int32_t attr9, std::uint32_t attr10, std::int32_t mode, std::uint16_t attr12,
                 std::int32_t reserved) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_layer_Create", journal::Map{}, journal::Out{"h", newLayer},
                        journal::Handles{objects, objectCount}, objectCount, number,
                        journal::Text{name}, attr7, attr8, attr9, attr10, mode, attr12, reserved);
        Put<OBJHANDLE>(newLayer, nullptr);
        if (!model) {
            return 0;
        }
        if (number == kAnyNumber) {
            number = model->NextLayerNumber();
        }
        LayerEntry* entry = model->AddLayer(number, name ? name : "");
        if (!entry) {
            return 0; // a number below -1, one that another layer holds, or none left
        }
        StoreAllAttributes(entry->layer, {attr7, attr8, attr9, attr10, mode, attr12});
        MoveObjectsOnto(*model, *entry, objects, objectCount);
        if (mode & layer_mode::kMakeCurrent) {
            model->MakeCurrent(entry->layer.id);
        }
        Put(newLayer, LayerHandle(entry));
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL
map_layer_Set(HWND map, OBJHANDLE layer, const OBJHANDLE* objects, std::int32_t objectCount,
              std::int32_t number, const char* name, std::uint32_t attr7, std::uint32_t attr8,
              std::int32_t attr9, std::uint32_t attr10, std::int32_t mode, std::uint16_t attr12,
              std::int32_t reserved1, std::int32_t reserved2) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_layer_Set", journal::Map{}, journal::Handle{layer},
                        journal::Handles{objects, objectCount}, objectCount, number,
                        journal::Text{name}, attr7, attr8, attr9, attr10, mode, attr12, reserved1,
                        reserved2);
        LayerEntry* entry = model ? model->FindLayer(IdOf(layer)) : nullptr;
        if (!entry) {
            return 0;
        }
        const bool applyNumberAndName = (mode & layer_mode::kApplyNumberAndName) != 0;
        if (applyNumberAndName && number != kAnyNumber) {
            // Checked before anything changes: a refused number leaves the layer as it was.
            const LayerEntry* holder = model->LayerByNumber(number);
            if (number < 0 || (holder && holder != entry)) {
                return 0;
            }
            model->Renumber(*entry, number);
        }
        if (applyNumberAndName && name) {
            model->Rename(*entry, name);
        }
        if (mode & layer_mode::kApplyAttributes) {
            UpdateAttributes(entry->layer, {attr7, attr8, attr9, attr10, mode, attr12});
        }
        MoveObjectsOnto(*model, *entry, objects, objectCount);
        if (mode & layer_mode::kMakeCurrent) {
            model->MakeCurrent(entry->layer.id);
        }
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_get_MaxLayNumber(HWND map) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_get_MaxLayNumber", journal::Map{});
        return model ? model->MaxLayerNumber() : 0;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_layers_Get(HWND map, std::int32_t* count,
                                                     OBJHANDLE* layers, std::int32_t capacity) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_layers_Get", journal::Map{}, journal::Out{"count", count},
                        journal::Out{"layers", layers}, capacity);
        if (!model) {
            Put(count, 0);
            return 0;
        }
        return DeliverList<OBJHANDLE>(
            count, layers, capacity, model->LayerOrder(),
            [](const ObjectId& id) { return HandleFromId<OBJHANDLE>(id); });
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_layer_predecessor_Set(HWND map, OBJHANDLE layer,
                                                                OBJHANDLE predecessor) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_layer_predecessor_Set", journal::Map{}, journal::Handle{layer},
                        journal::Handle{predecessor});
        return model && model->MoveAfter(IdOf(layer), IdOf(predecessor)) ? 1 : 0;
    });
}
