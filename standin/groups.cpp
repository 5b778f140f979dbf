// Groups: objects that hold other objects. A group lives outside the layers; its members keep
// their own layers, and a member may itself be a group. An object is a member of at most one
// group: adding it to another takes it out of the first.
#include "standin/buffers.h"
#include "standin/host_state.h"
#include "standin/journal.h"

#include <array>

using namespace standin;

namespace {

void AddMembers(MapModel& model, ObjectId group, const OBJHANDLE* members, std::int32_t count) {
    if (!members) {
        return;
    }
    for (std::int32_t i = 0; i < count; ++i) {
        model.AddMember(group, IdOf(members[i])); // unknown ids and cycles are passed over
    }
}

// By ObjectKind.
constexpr std::array<std::int32_t, 5> kTypeOfKind{kTypePolyline, kTypePolygon, kTypeArc, kTypeText,
                                                  kTypeGroup};

} // namespace

VEXCORE_API std::int32_t VEXCORE_CALL map_group_Create(HWND map, OBJHANDLE* group,
                                                       const OBJHANDLE* members, std::int32_t count,
                                                       std::int32_t reserved) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_group_Create", journal::Map{}, journal::Out{"h", group},
                        journal::Handles{members, count}, count, reserved);
        Put<OBJHANDLE>(group, nullptr);
        if (!model) {
            return 0;
        }
        Object made;
        made.kind = ObjectKind::Group;
        const ObjectId id = model->AddObject(std::move(made), nullptr).id;
        AddMembers(*model, id, members, count);
        Put(group, HandleFromId<OBJHANDLE>(id));
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_group_Set(HWND map, OBJHANDLE group,
                                                    const OBJHANDLE* members, std::int32_t count,
                                                    std::int32_t reserved1,
                                                    std::int32_t reserved2) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_group_Set", journal::Map{}, journal::Handle{group},
                        journal::Handles{members, count}, count, reserved1, reserved2);
        const ObjectEntry* entry = model ? model->FindObject(IdOf(group)) : nullptr;
        if (!entry || entry->kind != ObjectKind::Group) {
            return 0;
        }
        AddMembers(*model, IdOf(group), members, count);
        return 1;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_group_Get(HWND map, OBJHANDLE group, std::int32_t* count,
                                                    OBJHANDLE* members, std::int32_t capacity,
                                                    std::int32_t mode) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_group_Get", journal::Map{}, journal::Handle{group},
                        journal::Out{"count", count}, journal::Out{"members", members}, capacity,
                        mode);
        const ObjectEntry* entry = model ? model->FindObject(IdOf(group)) : nullptr;
        if (!entry || entry->kind != ObjectKind::Group) {
            Put(count, 0);
            return 0;
        }
        // The direct members, whatever the mode.
        return DeliverList<OBJHANDLE>(
            count, members, capacity, model->Objects().Members(*entry),
            [](const ObjectId& id) { return HandleFromId<OBJHANDLE>(id); });
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL map_object_type_Get(HWND map, OBJHANDLE object) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "map_object_type_Get", journal::Map{}, journal::Handle{object});
        const ObjectEntry* entry = model ? model->FindObject(IdOf(object)) : nullptr;
        return entry ? kTypeOfKind[static_cast<std::size_t>(entry->kind)] : 0;
    });
}
