// The object tree of a map, as the object database presents it:
//   layer root (GetRootOBJect 0x5001) --0x8803--> layers in map order --0x8803--> objects in
//   host order; group --0x8807--> members; copy root (0x6003) --0x8807--> copy target.
// A walk keeps its position in the caller's cursor, the index of the child last given.
#include "standin/buffers.h"
#include "standin/geometry.h"
#include "standin/host_state.h"
#include "standin/journal.h"

#include <array>
#include <span>

using namespace standin;

namespace {

// Class id of the copy-target container; no converter operation looks at it.
constexpr std::int32_t kClassCopyTarget = 0x6004;

std::span<const ObjectId> Children(MapModel& model, ObjectId parent, std::int32_t kind) {
    if (kind == kRefLayerChildren) {
        if (parent == model.layerRoot) {
            return model.LayerOrder();
        }
        if (LayerEntry* layer = model.FindLayer(parent)) {
            return model.LayerObjects(*layer);
        }
    } else if (kind == kRefGroupChildren) {
        if (parent == model.copyRoot) {
            return {&model.copyTarget, 1};
        }
        if (const ObjectEntry* entry = model.FindObject(parent)) {
            return model.Objects().Members(*entry); // empty for anything but a group
        }
    }
    return {};
}

// Moves the cursor to `index` and gives that child, or null (cursor left just outside).
OBJHANDLE ChildAt(std::span<const ObjectId> children, std::int64_t index, std::int32_t* cursor) {
    if (index < 0) {
        Put<std::int32_t>(cursor, -1);
        return nullptr;
    }
    if (index >= static_cast<std::int64_t>(children.size())) {
        Put(cursor, ClampCount(children.size()));
        return nullptr;
    }
    Put(cursor, static_cast<std::int32_t>(index));
    return HandleFromId<OBJHANDLE>(children[static_cast<std::size_t>(index)]);
}

enum class Step { First, Next, Last, Previous };

OBJHANDLE Walk(const char* operation, Step step, DBHANDLE db, OBJHANDLE parent, std::int32_t kind,
               std::int32_t* cursor) {
    return Guarded<OBJHANDLE>(nullptr, [&]() -> OBJHANDLE {
        MapModel* model = State().MapOfDatabase(db);
        journal::Record(model, operation, journal::Db{}, journal::Handle{parent}, kind,
                        journal::Out{"cursor", cursor});
        if (!model) {
            return nullptr;
        }
        const auto children = Children(*model, IdOf(parent), kind);
        switch (step) {
        case Step::First:
            return ChildAt(children, 0, cursor);
        case Step::Last:
            return ChildAt(children, static_cast<std::int64_t>(children.size()) - 1, cursor);
        case Step::Next:
            return cursor ? ChildAt(children, std::int64_t{*cursor} + 1, cursor) : nullptr;
        case Step::Previous:
            return cursor ? ChildAt(children, std::int64_t{*cursor} - 1, cursor) : nullptr;
        }
        return nullptr;
    });
}

std::int32_t ClassOf(MapModel& model, ObjectId id) {
    if (const ObjectEntry* entry = model.FindObject(id)) {
        constexpr std::array<std::int32_t, 5> kClassOfKind{kClassPolyline, kClassPolygon, kClassArc,
                                                           kClassText, kClassGroup};
        return kClassOfKind[static_cast<std::size_t>(entry->kind)];
    }
    if (model.FindLayer(id)) {
        return kClassLayer;
    }
    if (id == model.layerRoot) {
        return kRootLayers;
    }
    if (id == model.copyRoot) {
        return kRootCopyTarget;
    }
    return id == model.copyTarget ? kClassCopyTarget : 0;
}

} // namespace

VEXCORE_API OBJHANDLE VEXCORE_CALL GetRootOBJect(HWND map, std::int32_t rootClass) {
    return Guarded<OBJHANDLE>(nullptr, [&]() -> OBJHANDLE {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "GetRootOBJect", journal::Map{}, rootClass);
        if (!model) {
            return nullptr;
        }
        if (rootClass == kRootLayers) {
            return HandleFromId<OBJHANDLE>(model->layerRoot);
        }
        return rootClass == kRootCopyTarget ? HandleFromId<OBJHANDLE>(model->copyRoot) : nullptr;
    });
}

// The four walks over the children of an object differ only in their name and step.
#define STANDIN_WALK(name, step)                                                                   \
    VEXCORE_API OBJHANDLE VEXCORE_CALL name(DBHANDLE db, OBJHANDLE parent, std::int32_t kind,      \
                                            std::int32_t* cursor) {                                \
        return Walk(#name, step, db, parent, kind, cursor);                                        \
    }
STANDIN_WALK(FirstReference, Step::First)
STANDIN_WALK(GetReference, Step::Next)
STANDIN_WALK(LastReference, Step::Last)
STANDIN_WALK(PrevReference, Step::Previous)
#undef STANDIN_WALK

VEXCORE_API std::int32_t VEXCORE_CALL GetOBJectClassID(DBHANDLE db, OBJHANDLE object) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOfDatabase(db);
        journal::Record(model, "GetOBJectClassID", journal::Db{}, journal::Handle{object});
        return model ? ClassOf(*model, IdOf(object)) : 0;
    });
}

VEXCORE_API const void* VEXCORE_CALL OBJectLock(DBHANDLE db, OBJHANDLE object) {
    return Guarded<const void*>(nullptr, [&]() -> const void* {
        MapModel* model = State().MapOfDatabase(db);
        journal::Record(model, "OBJectLock", journal::Db{}, journal::Handle{object});
        LayerEntry* layer = model ? model->FindLayer(IdOf(object)) : nullptr;
        return layer ? model->LockRecord(*layer) : nullptr;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL TextObjectTextGet(DBHANDLE db, OBJHANDLE object, char* text,
                                                        std::int32_t size) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOfDatabase(db);
        journal::Record(model, "TextObjectTextGet", journal::Db{}, journal::Handle{object},
                        journal::Out{"text", text}, size);
        const ObjectEntry* entry = model ? model->FindObject(IdOf(object)) : nullptr;
        if (!entry || entry->kind != ObjectKind::Text) {
            CopyTextOut(text, size, "");
            return 0;
        }
        const std::string& value = model->Objects().TextOf(*entry).text;
        if (!text) {
            return ClampCount(value.size());
        }
        CopyTextOut(text, size, value);
        return size <= 0 ? 0 : ClampCount(std::min<std::size_t>(value.size(), size - 1));
    });
}

VEXCORE_API OBJHANDLE VEXCORE_CALL CopyStruct(OBJHANDLE target, DBHANDLE db, OBJHANDLE source) {
    return Guarded<OBJHANDLE>(nullptr, [&]() -> OBJHANDLE {
        MapModel* model = State().MapOfDatabase(db);
        journal::Record(model, "CopyStruct", journal::Handle{target}, journal::Db{},
                        journal::Handle{source});
        // Copies go onto the layers of their originals; the target only has to be this
        // map's copy target (or none).
        if (!model || (target && IdOf(target) != model->copyTarget)) {
            return nullptr;
        }
        const ObjectId copy = model->CopyTree(IdOf(source));
        return copy ? HandleFromId<OBJHANDLE>(copy) : nullptr;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL DeleteTree(DBHANDLE db, OBJHANDLE object, std::int32_t kind) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOfDatabase(db);
        journal::Record(model, "DeleteTree", journal::Db{}, journal::Handle{object}, kind);
        if (!model || (kind != kRefGroupChildren && kind != kRefLayerChildren)) {
            return 0;
        }
        const ObjectId id = IdOf(object);
        if (model->FindObject(id)) {
            model->DeleteTree(id);
            return 1;
        }
        if (model->FindLayer(id)) {
            model->DeleteLayer(id);
            return 1;
        }
        return 0;
    });
}

VEXCORE_API std::int32_t VEXCORE_CALL DoOperations2(HWND map, const OBJHANDLE* objects,
                                                    std::int32_t count,
                                                    const MAP_COORDPT* reference, std::int32_t dx,
                                                    std::int32_t dy, std::int32_t dz, double scaleX,
                                                    double scaleY, double scaleZ, double angle,
                                                    std::int32_t reserved) {
    return Guarded<std::int32_t>(0, [&]() -> std::int32_t {
        MapModel* model = State().MapOf(map);
        journal::Record(model, "DoOperations2", journal::Map{}, journal::Handles{objects, count},
                        count, journal::Point{reference}, dx, dy, dz, scaleX, scaleY, scaleZ, angle,
                        reserved);
        const Transform transform{
            reference ? *reference : MAP_COORDPT{0, 0}, dx, dy, dz, scaleX, scaleY, scaleZ, angle};
        if (!model || !objects || !IsFinite(transform)) {
            return 0;
        }
        for (std::int32_t i = 0; i < count; ++i) {
            ObjectEntry* entry = model->FindObject(IdOf(objects[i]));
            if (entry && entry->kind != ObjectKind::Group) {
                if (entry->kind == ObjectKind::Polyline || entry->kind == ObjectKind::Polygon) {
                    // A polyline or polygon is moved where its points lie.
                    TransformPointRun(entry->points, entry->count, entry->is3d, transform);
                } else {
                    Object moved = model->Objects().Materialize(*entry);
                    ApplyTransform(moved, transform);
                    model->Objects().Replace(*entry, std::move(moved));
                }
            }
        }
        return 1;
    });
}
