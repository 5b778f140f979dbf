// The stand-in's own view of a map: snapshots for tests and documents, and the per-window
// values that a document carries.
#include "standin/host_state.h"

namespace standin {

namespace {
// On Windows the module reads the unit id and the text base from the window's host record.
void SyncRecord([[maybe_unused]] const MapModel& model) {
#if defined(_WIN32)
    SyncMapRecord(model);
#endif
}
} // namespace

STANDIN_API MapSnapshot Snapshot(HWND map) {
    const MapModel* model = State().MapOf(map);
    return model ? model->Snapshot() : MapSnapshot{};
}

STANDIN_API const Object* FindObject(HWND map, OBJHANDLE handle) {
    MapModel* model = State().MapOf(map);
    return model ? model->View(IdOf(handle)) : nullptr;
}

STANDIN_API OBJHANDLE HandleOf(ObjectId id) {
    return HandleFromId<OBJHANDLE>(id);
}

STANDIN_API void Restore(HWND map, const MapSnapshot& snapshot) {
    if (MapModel* model = State().MapOf(map)) {
        model->Restore(snapshot);
        SyncRecord(*model);
    }
}

STANDIN_API void SetUnitId(HWND map, std::int32_t unitId) {
    if (MapModel* model = State().MapOf(map)) {
        model->unitId = unitId;
        SyncRecord(*model);
    }
}

STANDIN_API void SetPage(HWND map, MAP_COORDPT origin, MAP_COORDPT extent) {
    if (MapModel* model = State().MapOf(map)) {
        model->pageOrigin = origin;
        model->pageExtent = extent;
    }
}

} // namespace standin
