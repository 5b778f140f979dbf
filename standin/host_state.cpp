#include "standin/host_state.h"

namespace standin {

HostState& State() {
    static HostState state;
    return state;
}

#if !defined(_WIN32)
std::uint64_t NewWindowId() {
    return State().NewId();
}
void ReleaseWindowId(std::uint64_t) {}
#endif

MapModel* HostState::MapOf(HWND window) {
    // Nearly every call of an import names the same map: the last one found is kept at hand.
    const ObjectId id = IdOf(window);
    if (id != 0 && id == lastWindow_) {
        return lastMap_;
    }
    const auto found = maps_.find(id);
    if (found == maps_.end()) {
        return nullptr;
    }
    lastWindow_ = id;
    lastMap_ = found->second.get();
    return lastMap_;
}

MapModel* HostState::MapOfDatabase(DBHANDLE db) {
    const auto found = mapsByDatabase_.find(IdOf(db));
    return found == mapsByDatabase_.end() ? nullptr : found->second;
}

HWND HostState::AddMap() {
    const ObjectId window = NewWindowId();
    const ObjectId database = NewId();
#if defined(_WIN32)
    // The presentation manager is part of the window's host record, which the module reads.
    const ObjectId presentation = window ? AttachMapRecord(window, database) : 0;
    if (presentation == 0) {
        ReleaseWindowId(window);
        return nullptr;
    }
#else
    const ObjectId presentation = NewId();
#endif
    const ObjectId layerRoot = NewId();
    const ObjectId copyRoot = NewId();
    const ObjectId copyTarget = NewId();
    auto map =
        std::make_unique<MapModel>(window, database, presentation, layerRoot, copyRoot, copyTarget);
    // A new map holds one layer, number 1, named "0", which is current.
    LayerEntry* first = map->AddLayer(1, "0");
    first->layer.attributes = {0, 0xFFFFFFFF, 0, layer_state::kVisible, 7, 0};
    map->MakeCurrent(first->layer.id);
    mapsByDatabase_.emplace(database, map.get());
#if defined(_WIN32)
    SyncMapRecord(*map);
#endif
    maps_.emplace(window, std::move(map));
    return HandleFromId<HWND>(window);
}

void HostState::RemoveMap(HWND window) {
    const auto found = maps_.find(IdOf(window));
    if (found == maps_.end()) {
        return;
    }
    if (lastWindow_ == found->first) {
        lastWindow_ = 0;
        lastMap_ = nullptr;
    }
    mapsByDatabase_.erase(found->second->database);
    maps_.erase(found);
    ReleaseWindowId(IdOf(window));
}

} // namespace standin
