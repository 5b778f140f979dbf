#include "standin/map_model.h"

#include "standin/geometry.h"
#include "standin/host_state.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>
#include <tuple>
#include <unordered_set>

namespace standin {

MapModel::MapModel(ObjectId windowId, ObjectId databaseId, ObjectId presentationId,
                   ObjectId layerRootId, ObjectId copyRootId, ObjectId copyTargetId)
    : window(windowId), database(databaseId), presentation(presentationId), layerRoot(layerRootId),
      copyRoot(copyRootId), copyTarget(copyTargetId) {}

// Layers ----------------------------------------------------------------------------------

LayerEntry* MapModel::FindLayer(ObjectId id) {
    // An import asks for the same layer many times in a row. Entries of the node table keep
    // their addresses until erased, and erasing forgets the one kept here.
    if (id != 0 && id == lastLayerId_) {
        return lastLayer_;
    }
    const auto found = layers_.find(id);
    if (found == layers_.end()) {
        return nullptr;
    }
    lastLayerId_ = id;
    lastLayer_ = &found->second;
    return lastLayer_;
}

LayerEntry* MapModel::LayerByNumber(std::int32_t number) {
    const auto found = byNumber_.find(number);
    return found == byNumber_.end() ? nullptr : FindLayer(found->second);
}

LayerEntry* MapModel::LayerByName(const std::string& name) {
    LayerEntry* first = nullptr;
    byName_.ForEachMatch(NameIndex::Hash(name), [&](ObjectId id) {
        LayerEntry* entry = FindLayer(id);
        if (entry && entry->layer.name == name && (!first || entry->order < first->order)) {
            first = entry;
        }
    });
    return first;
}

std::int32_t MapModel::MaxLayerNumber() const {
    return byNumber_.empty() ? 0 : byNumber_.rbegin()->first;
}

std::int32_t MapModel::NextLayerNumber() const {
    const std::int32_t highest = MaxLayerNumber();
    return highest < std::numeric_limits<std::int32_t>::max() ? highest + 1 : -1;
}

void MapModel::IndexName(const std::string& name, ObjectId id) {
    byName_.Insert(NameIndex::Hash(name), id);
}

void MapModel::UnindexName(const std::string& name, ObjectId id) {
    byName_.Erase(NameIndex::Hash(name), id);
}

LayerEntry* MapModel::AddLayer(std::int32_t number, const std::string& name) {
    if (number < 0 || byNumber_.contains(number)) {
        return nullptr;
    }
    const ObjectId id = State().NewId();
    LayerEntry& entry = layers_[id];
    entry.layer.id = id;
    entry.layer.number = number;
    entry.layer.name = name;
    entry.order = order_.size();
    order_.push_back(id);
    byNumber_.emplace(number, id);
    IndexName(name, id);
    return &entry;
}

bool MapModel::Renumber(LayerEntry& entry, std::int32_t number) {
    if (number == entry.layer.number) {
        return true;
    }
    if (number < 0 || byNumber_.contains(number)) {
        return false;
    }
    byNumber_.erase(entry.layer.number);
    byNumber_.emplace(number, entry.layer.id);
    entry.layer.number = number;
    return true;
}

void MapModel::Rename(LayerEntry& entry, const std::string& name) {
    if (name == entry.layer.name) {
        return;
    }
    UnindexName(entry.layer.name, entry.layer.id);
    entry.layer.name = name;
    IndexName(name, entry.layer.id);
}

void MapModel::RenumberOrder(std::size_t from) {
    for (std::size_t i = from; i < order_.size(); ++i) {
        layers_.at(order_[i]).order = i;
    }
}

bool MapModel::MoveAfter(ObjectId layer, ObjectId predecessor) {
    LayerEntry* moving = FindLayer(layer);
    if (!moving || layer == predecessor) {
        return false;
    }
    if (predecessor != 0 && !FindLayer(predecessor)) {
        return false;
    }
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(moving->order));
    RenumberOrder(moving->order);
    const std::size_t at = predecessor == 0 ? 0 : FindLayer(predecessor)->order + 1;
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(at), layer);
    RenumberOrder(std::min(at, moving->order));
    return true;
}

LayerEntry& MapModel::LayerForNewObject() {
    if (LayerEntry* current = CurrentLayer()) {
        return *current;
    }
    // No layer is current (it was deleted, or a restored map named none): the object gets a
    // layer of its own, one above the highest number, which becomes current.
    LayerEntry* created = AddLayer(NextLayerNumber(), "0");
    // When every number above is taken up, the first layer is used rather than fail.
    current_ = created ? created->layer.id : order_.front();
    return *CurrentLayer();
}

const void* MapModel::LockRecord(LayerEntry& entry) {
    if (!entry.record) {
        entry.record = std::make_unique<std::array<unsigned char, layer_record::kSize>>();
    }
    auto& bytes = *entry.record;
    bytes.fill(0);
    std::memcpy(bytes.data() + layer_record::kNumber, &entry.layer.number, sizeof(std::int32_t));
    const std::size_t room = layer_record::kNameEnd - layer_record::kName - 1;
    const std::size_t length = std::min(entry.layer.name.size(), room);
    std::memcpy(bytes.data() + layer_record::kName, entry.layer.name.data(), length);
    bytes[layer_record::kFirstSwitch] = entry.layer.visible ? 1 : 0;
    bytes[layer_record::kSecondSwitch] = entry.layer.editable ? 1 : 0;
    return bytes.data();
}

// Objects and groups ------------------------------------------------------------------------

std::uint64_t NameIndex::Hash(std::string_view name) {
    // FNV-1a, then the high bits folded down: the table uses the low bits as the home slot.
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    }
    return hash ^ (hash >> 29);
}

std::int32_t* PointArena::Allocate(std::size_t values) {
    if (values > SIZE_MAX / 8) {
        throw std::bad_alloc();
    }
    if (values > kBlockValues / 4) {
        // A long run gets a block of its own, written whole at once, so huge pages from its
        // start; the current block keeps its free rest.
        blocks_.emplace_back(values * sizeof(std::int32_t), 0);
        blocks_.back().Reach(values * sizeof(std::int32_t));
        used_ += values;
        return static_cast<std::int32_t*>(blocks_.back().data());
    }
    if (values > left_) {
        // A run too long for the small first block opens a full one, and there is no small one.
        const bool first = next_ == nullptr && values <= kFirstBlockValues;
        const std::size_t blockValues = first ? kFirstBlockValues : kBlockValues;
        blocks_.emplace_back(blockValues * sizeof(std::int32_t),
                             first ? LargeBlock::kSmallPagesOnly : 0);
        next_ = static_cast<std::int32_t*>(blocks_.back().data());
        current_ = blocks_.size() - 1;
        left_ = blockValues;
    }
    if (values > 0) {
        const auto* start = static_cast<const std::int32_t*>(blocks_[current_].data());
        blocks_[current_].Reach(static_cast<std::size_t>(next_ + values - start) *
                                sizeof(std::int32_t));
    }
    used_ += values;
    std::int32_t* run = next_;
    next_ += values;
    left_ -= values;
    return run;
}

void PointArena::Clear() {
    blocks_.clear();
    next_ = nullptr;
    current_ = 0;
    left_ = 0;
    used_ = 0;
    dead_ = 0;
}

ObjectEntry* ObjectStore::Find(ObjectId id) {
    const std::optional<std::uint32_t> place = places_.Find(id, IdAt());
    return place ? &records_[*place] : nullptr;
}

const ObjectEntry* ObjectStore::Find(ObjectId id) const {
    const std::optional<std::uint32_t> place = places_.Find(id, IdAt());
    return place ? &records_[*place] : nullptr;
}

ObjectEntry& ObjectStore::NewEntry(ObjectId id) {
    // The record carries its id before the table is asked to file it: a rebuild of the table
    // reads the ids of the records.
    ObjectEntry entry;
    entry.id = id;
    const std::uint32_t place = records_.Add(entry);
    try {
        places_.Insert(id, place, IdAt());
    } catch (...) {
        records_.Erase(place);
        throw;
    }
    return records_[place];
}

ObjectEntry& ObjectStore::AddPoints(ObjectId id, ObjectKind kind, const MAP_COORDPT* points,
                                    std::size_t count) {
    // The arena first: when it throws, no record has been made.
    std::int32_t* run = arena_.Allocate(count * 2);
    std::memcpy(run, points, count * sizeof(MAP_COORDPT));
    ObjectEntry& entry = NewEntry(id);
    entry.kind = kind;
    entry.points = run;
    entry.count = static_cast<std::uint32_t>(count);
    return entry;
}

ObjectEntry& ObjectStore::Add(ObjectId id, Object object) {
    ObjectEntry& entry = NewEntry(id);
    entry.kind = object.kind;
    StoreContent(entry, std::move(object));
    return entry;
}

void ObjectStore::StoreContent(ObjectEntry& entry, Object&& object) {
    entry.is3d =
        object.is3d && (object.kind != ObjectKind::Arc && object.kind != ObjectKind::Group);
    switch (object.kind) {
    case ObjectKind::Polyline:
    case ObjectKind::Polygon: {
        const std::size_t count = std::min<std::size_t>(object.points.size(), UINT32_MAX);
        const std::size_t stride = entry.Stride();
        std::int32_t* run = arena_.Allocate(count * stride);
        for (std::size_t i = 0; i < count; ++i) {
            const MAP3D_COORDPT& point = object.points[i];
            run[i * stride] = point.x;
            run[i * stride + 1] = point.y;
            if (stride == 3) {
                run[i * stride + 2] = point.z;
            }
        }
        entry.points = run;
        entry.count = static_cast<std::uint32_t>(count);
        break;
    }
    case ObjectKind::Arc:
        entry.detail = arcs_.Add(
            {object.center, object.radius, object.quality, object.startAngle, object.endAngle});
        break;
    case ObjectKind::Text:
        entry.detail = texts_.Add({std::move(object.text), std::move(object.font), object.position,
                                   object.size, object.style, object.color, object.rotation,
                                   object.oblique, object.flags});
        break;
    case ObjectKind::Group:
        entry.detail = groups_.Add(std::move(object.members));
        break;
    }
}

ObjectEntry& ObjectStore::AddCopy(ObjectId id, const ObjectEntry& original) {
    // The content first: when an allocation throws, no record has been made.
    std::int32_t* run = nullptr;
    std::uint32_t detail = 0;
    const std::size_t values = original.count * original.Stride();
    switch (original.kind) {
    case ObjectKind::Polyline:
    case ObjectKind::Polygon:
        run = arena_.Allocate(values);
        std::copy_n(original.points, values, run);
        break;
    case ObjectKind::Arc:
        detail = arcs_.Add(arcs_[original.detail]);
        break;
    case ObjectKind::Text:
        detail = texts_.Add(texts_[original.detail]);
        break;
    case ObjectKind::Group:
        detail = groups_.Add({});
        break;
    }
    ObjectEntry& entry = NewEntry(id);
    entry.kind = original.kind;
    entry.is3d = original.is3d;
    entry.points = run;
    entry.count = run ? original.count : 0;
    entry.detail = detail;
    return entry;
}

Object ObjectStore::Materialize(const ObjectEntry& entry) const {
    Object object;
    object.id = entry.id;
    object.kind = entry.kind;
    object.layer = entry.layer;
    object.is3d = entry.is3d;
    switch (entry.kind) {
    case ObjectKind::Polyline:
    case ObjectKind::Polygon: {
        const PointView points(entry);
        object.points.resize(points.size());
        for (std::size_t i = 0; i < points.size(); ++i) {
            object.points[i] = points[i];
        }
        break;
    }
    case ObjectKind::Arc: {
        const ArcDetail& a = arcs_[entry.detail];
        std::tie(object.center, object.radius, object.quality, object.startAngle, object.endAngle) =
            std::tie(a.center, a.radius, a.quality, a.startAngle, a.endAngle);
        break;
    }
    case ObjectKind::Text: {
        const TextDetail& t = texts_[entry.detail];
        std::tie(object.text, object.font, object.position, object.size, object.style, object.color,
                 object.rotation, object.oblique, object.flags) =
            std::tie(t.text, t.font, t.position, t.size, t.style, t.color, t.rotation, t.oblique,
                     t.flags);
        break;
    }
    case ObjectKind::Group:
        object.members = groups_[entry.detail];
        break;
    }
    return object;
}

std::optional<MAP_COORDRECT> ObjectStore::Bounds(const ObjectEntry& entry) const {
    std::optional<MAP_COORDRECT> bounds;
    switch (entry.kind) {
    case ObjectKind::Polyline:
    case ObjectKind::Polygon: {
        const PointView points(entry);
        for (std::size_t i = 0; i < points.size(); ++i) {
            const MAP3D_COORDPT point = points[i];
            Include(bounds, MAP_COORDRECT{{point.x, point.y}, {point.x, point.y}});
        }
        break;
    }
    case ObjectKind::Arc:
    case ObjectKind::Text:
        bounds = BoundsOf(Materialize(entry));
        break;
    case ObjectKind::Group:
        break;
    }
    return bounds;
}

void ObjectStore::Replace(ObjectEntry& entry, Object object) {
    ReleaseContent(entry);
    object.kind = entry.kind;
    StoreContent(entry, std::move(object));
    CompactIfWasteful();
}

std::vector<ObjectId>& ObjectStore::GroupMembers(ObjectEntry& group) {
    return groups_[group.detail];
}

const std::vector<ObjectId>& ObjectStore::Members(const ObjectEntry& entry) const {
    static const std::vector<ObjectId> none;
    return entry.kind == ObjectKind::Group ? groups_[entry.detail] : none;
}

void ObjectStore::ReleaseContent(ObjectEntry& entry) {
    switch (entry.kind) {
    case ObjectKind::Polyline:
    case ObjectKind::Polygon:
        arena_.Release(entry.count * entry.Stride());
        entry.points = nullptr;
        entry.count = 0;
        break;
    case ObjectKind::Arc:
        arcs_.Erase(entry.detail);
        break;
    case ObjectKind::Text:
        texts_.Erase(entry.detail);
        break;
    case ObjectKind::Group:
        groups_.Erase(entry.detail);
        break;
    }
}

void ObjectStore::CompactIfWasteful() {
    constexpr std::size_t kWorthIt = std::size_t{1} << 20; // values
    if (arena_.Dead() < kWorthIt || arena_.Dead() < arena_.Live()) {
        return;
    }
    PointArena fresh;
    std::vector<ObjectEntry*> runs;
    std::vector<std::int32_t*> moved;
    try {
        places_.ForEach([&](std::uint32_t place) {
            ObjectEntry& entry = records_[place];
            if (entry.points) {
                runs.push_back(&entry);
            }
        });
        moved.resize(runs.size());
        for (std::size_t i = 0; i < runs.size(); ++i) {
            const std::size_t values = runs[i]->count * runs[i]->Stride();
            moved[i] = fresh.Allocate(values);
            if (values > 0) {
                std::memcpy(moved[i], runs[i]->points, values * sizeof(std::int32_t));
            }
        }
    } catch (const std::bad_alloc&) {
        return; // compacting is a saving, not a duty: without the memory the store stays as it is
    }
    // Nothing above changed a record.
    for (std::size_t i = 0; i < runs.size(); ++i) {
        runs[i]->points = moved[i];
    }
    arena_ = std::move(fresh);
}

void ObjectStore::Erase(ObjectId id) {
    const std::optional<std::uint32_t> place = places_.Erase(id, IdAt());
    if (!place) {
        return;
    }
    ReleaseContent(records_[*place]);
    records_.Erase(*place);
    CompactIfWasteful();
}

void ObjectStore::Clear() {
    records_.Clear();
    places_.Clear();
    arena_.Clear();
    arcs_.Clear();
    texts_.Clear();
    groups_.Clear();
}

ObjectEntry* MapModel::FindObject(ObjectId id) {
    return objects_.Find(id);
}

const Object* MapModel::View(ObjectId id) {
    const ObjectEntry* entry = objects_.Find(id);
    if (!entry) {
        return nullptr;
    }
    Object& view = views_[id];
    view = objects_.Materialize(*entry);
    return &view;
}

ObjectEntry& MapModel::AddObject(Object object, LayerEntry* layer) {
    if (object.kind != ObjectKind::Group) {
        object.members.clear();
    }
    ObjectEntry& entry = objects_.Add(State().NewId(), std::move(object));
    if (layer) {
        AppendToLayer(entry, *layer);
    }
    return entry;
}

ObjectEntry& MapModel::AddPointObject(ObjectKind kind, const MAP_COORDPT* points, std::size_t count,
                                      LayerEntry& layer) {
    ObjectEntry& entry = objects_.AddPoints(State().NewId(), kind, points, count);
    AppendToLayer(entry, layer);
    return entry;
}

void MapModel::AppendToLayer(ObjectEntry& entry, LayerEntry& layer) {
    if (layer.layer.objects.size() >= UINT32_MAX) {
        throw std::length_error("too many objects on one layer");
    }
    entry.layer = layer.layer.id;
    entry.slot = static_cast<std::uint32_t>(layer.layer.objects.size());
    layer.layer.objects.push_back(entry.id);
}

void MapModel::RemoveFromLayer(ObjectEntry& entry) {
    LayerEntry* layer = FindLayer(entry.layer);
    entry.layer = 0;
    if (!layer) {
        return;
    }
    auto& objects = layer->layer.objects;
    if (entry.slot >= objects.size() || objects[entry.slot] != entry.id) {
        return;
    }
    if (entry.slot + 1 == objects.size()) {
        objects.pop_back();
    } else {
        objects[entry.slot] = 0;
        ++layer->removed;
    }
}

const std::vector<ObjectId>& MapModel::LayerObjects(LayerEntry& entry) {
    auto& objects = entry.layer.objects;
    if (entry.removed > 0) {
        std::size_t kept = 0;
        for (const ObjectId id : objects) {
            if (id != 0) {
                FindObject(id)->slot = static_cast<std::uint32_t>(kept);
                objects[kept++] = id;
            }
        }
        objects.resize(kept);
        entry.removed = 0;
    }
    return objects;
}

std::vector<ObjectId> MapModel::LayeredObjectsBelow(const ObjectId* ids, std::size_t count) {
    std::vector<ObjectId> result;
    // The ids met so far: a short list searched in place (most calls move one object or one
    // small group), a hash set once the list grows.
    constexpr std::size_t kShortList = 16;
    std::array<ObjectId, kShortList> met{};
    std::size_t metCount = 0;
    std::unordered_set<ObjectId> seen;
    const auto firstMeeting = [&](ObjectId id) {
        if (seen.empty() && metCount < kShortList) {
            if (std::find(met.begin(), met.begin() + metCount, id) != met.begin() + metCount) {
                return false;
            }
            met[metCount++] = id;
            return true;
        }
        if (seen.empty()) {
            seen.insert(met.begin(), met.end());
        }
        return seen.insert(id).second;
    };
    // The work list is kept from call to call: an import moves objects thousands of times.
    thread_local std::vector<ObjectId> pending;
    pending.assign(ids, ids + count);
    std::reverse(pending.begin(), pending.end()); // popped from the back: given order
    while (!pending.empty()) {
        const ObjectId id = pending.back();
        pending.pop_back();
        ObjectEntry* entry = FindObject(id);
        if (!entry || !firstMeeting(id)) {
            continue;
        }
        if (entry->kind == ObjectKind::Group) {
            const auto& members = objects_.Members(*entry);
            pending.insert(pending.end(), members.rbegin(), members.rend());
        } else {
            result.push_back(id);
        }
    }
    return result;
}

void MapModel::MoveToLayer(const std::vector<ObjectId>& ids, LayerEntry& target) {
    for (const ObjectId id : ids) {
        if (ObjectEntry* entry = FindObject(id)) {
            RemoveFromLayer(*entry);
            AppendToLayer(*entry, target);
        }
    }
}

void MapModel::DetachFromParent(ObjectEntry& entry) {
    if (entry.parent == 0) {
        return;
    }
    if (ObjectEntry* parent = FindObject(entry.parent)) {
        std::erase(objects_.GroupMembers(*parent), entry.id);
    }
    entry.parent = 0;
}

bool MapModel::AddMember(ObjectId group, ObjectId member) {
    ObjectEntry* groupEntry = FindObject(group);
    ObjectEntry* memberEntry = FindObject(member);
    if (!groupEntry || !memberEntry || groupEntry->kind != ObjectKind::Group) {
        return false;
    }
    // A group may not hold itself: walk up from the group; meeting the member means the
    // member already holds the group.
    for (ObjectId up = group; up != 0;) {
        if (up == member) {
            return false;
        }
        const ObjectEntry* step = FindObject(up);
        up = step ? step->parent : 0;
    }
    if (memberEntry->parent == group) {
        return true;
    }
    DetachFromParent(*memberEntry);
    memberEntry->parent = group;
    objects_.GroupMembers(*groupEntry).push_back(member);
    return true;
}

std::vector<ObjectId> MapModel::Subtree(ObjectId root) {
    std::vector<ObjectId> result;
    std::vector<ObjectId> pending{root};
    while (!pending.empty()) {
        const ObjectId id = pending.back();
        pending.pop_back();
        const ObjectEntry* entry = FindObject(id);
        if (!entry) {
            continue;
        }
        result.push_back(id);
        const auto& members = objects_.Members(*entry);
        pending.insert(pending.end(), members.rbegin(), members.rend());
    }
    return result;
}

ObjectId MapModel::CopyTree(ObjectId source) {
    if (!FindObject(source)) {
        return 0;
    }
    struct Step {
        ObjectId original;
        ObjectId copyParent; // 0 for the root of the copy
    };
    ObjectId rootCopy = 0;
    std::vector<Step> pending{{source, 0}};
    while (!pending.empty()) {
        const Step step = pending.back();
        pending.pop_back();
        const ObjectEntry* original = FindObject(step.original);
        if (!original) {
            continue;
        }
        // A group's copy starts empty; its members are copied one by one below.
        // Records keep their addresses while others are added. A group's copy starts empty.
        ObjectEntry& made = objects_.AddCopy(State().NewId(), *original);
        if (LayerEntry* layer = FindLayer(original->layer)) {
            AppendToLayer(made, *layer);
        }
        const ObjectId copyId = made.id;
        if (step.copyParent == 0) {
            rootCopy = copyId;
        } else {
            objects_.GroupMembers(*FindObject(step.copyParent)).push_back(copyId);
            made.parent = step.copyParent;
        }
        // Read after the copy was added: adding a group may move the table of members.
        const auto& members = objects_.Members(*original);
        for (auto member = members.rbegin(); member != members.rend(); ++member) {
            pending.push_back({*member, copyId});
        }
    }
    return rootCopy;
}

void MapModel::DeleteTree(ObjectId root) {
    ObjectEntry* rootEntry = FindObject(root);
    if (!rootEntry) {
        return;
    }
    DetachFromParent(*rootEntry);
    for (const ObjectId id : Subtree(root)) {
        RemoveFromLayer(*FindObject(id));
        objects_.Erase(id);
    }
}

void MapModel::DeleteLayer(ObjectId layerId) {
    LayerEntry* entry = FindLayer(layerId);
    if (!entry) {
        return;
    }
    const std::vector<ObjectId> doomed = LayerObjects(*entry);
    for (const ObjectId id : doomed) {
        if (ObjectEntry* object = FindObject(id)) {
            DetachFromParent(*object);
            objects_.Erase(id);
        }
    }
    const std::size_t at = entry->order;
    byNumber_.erase(entry->layer.number);
    UnindexName(entry->layer.name, layerId);
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(at));
    if (lastLayerId_ == layerId) {
        lastLayerId_ = 0;
        lastLayer_ = nullptr;
    }
    layers_.erase(layerId);
    RenumberOrder(at);
    if (current_ == layerId) {
        current_ = 0;
    }
}

// Whole map -------------------------------------------------------------------------------

MapSnapshot MapModel::Snapshot() const {
    MapSnapshot snapshot;
    snapshot.unitId = unitId;
    snapshot.objectsRect = objectsRect;
    if (const auto found = layers_.find(current_); found != layers_.end()) {
        snapshot.currentLayer = found->second.layer.number;
    }
    snapshot.textBase = textBase;
    snapshot.pageOrigin = pageOrigin;
    snapshot.pageExtent = pageExtent;
    snapshot.layers.reserve(order_.size());
    for (const ObjectId id : order_) {
        Layer& layer = snapshot.layers.emplace_back(layers_.at(id).layer);
        std::erase(layer.objects, ObjectId{0}); // the places of objects that left
    }
    snapshot.objects.reserve(objects_.Size());
    objects_.ForEach(
        [&](const ObjectEntry& entry) { snapshot.objects.push_back(objects_.Materialize(entry)); });
    // Ids grow with every object made, so id order is creation order.
    std::sort(snapshot.objects.begin(), snapshot.objects.end(),
              [](const Object& a, const Object& b) { return a.id < b.id; });
    return snapshot;
}

void MapModel::ClearContent() {
    layers_.clear();
    lastLayerId_ = 0;
    lastLayer_ = nullptr;
    order_.clear();
    byNumber_.clear();
    byName_.Clear();
    objects_.Clear();
    current_ = 0;
}

void MapModel::Restore(const MapSnapshot& snapshot) {
    ClearContent();
    unitId = snapshot.unitId;
    objectsRect = snapshot.objectsRect;
    textBase = snapshot.textBase;
    pageOrigin = snapshot.pageOrigin;
    pageExtent = snapshot.pageExtent;
    IdMap newIds;
    const IdMap newLayerIds = RestoreLayers(snapshot, newIds);
    RestoreUnlisted(snapshot, newLayerIds, newIds);
    RestoreMembers(snapshot, newIds);
    if (snapshot.currentLayer) {
        if (const LayerEntry* current = LayerByNumber(*snapshot.currentLayer)) {
            current_ = current->layer.id;
        }
    }
}

MapModel::IdMap MapModel::RestoreLayers(const MapSnapshot& snapshot, IdMap& newIds) {
    std::unordered_map<ObjectId, const Object*> byOldId;
    for (const Object& object : snapshot.objects) {
        byOldId.emplace(object.id, &object);
    }
    IdMap newLayerIds;
    for (const Layer& layer : snapshot.layers) {
        // Layer numbers are unique in a map; a repeated number moves up out of the way.
        const bool taken = layer.number < 0 || byNumber_.contains(layer.number);
        LayerEntry* entry = AddLayer(taken ? NextLayerNumber() : layer.number, layer.name);
        if (!entry) {
            continue; // every number above the highest is taken; the layer cannot be kept
        }
        entry->layer.attributes = layer.attributes;
        entry->layer.visible = layer.visible;
        entry->layer.editable = layer.editable;
        newLayerIds.emplace(layer.id, entry->layer.id);
        for (const ObjectId oldId : layer.objects) {
            const auto found = byOldId.find(oldId);
            if (found == byOldId.end() || found->second->kind == ObjectKind::Group ||
                newIds.contains(oldId)) {
                continue;
            }
            newIds.emplace(oldId, AddObject(*found->second, entry).id);
        }
    }
    return newLayerIds;
}

void MapModel::RestoreUnlisted(const MapSnapshot& snapshot, const IdMap& newLayerIds,
                               IdMap& newIds) {
    for (const Object& object : snapshot.objects) {
        if (newIds.contains(object.id)) {
            continue;
        }
        if (object.kind == ObjectKind::Group) {
            Object group = object;
            group.members.clear();
            newIds.emplace(object.id, AddObject(std::move(group), nullptr).id);
        } else if (const auto layer = newLayerIds.find(object.layer); layer != newLayerIds.end()) {
            newIds.emplace(object.id, AddObject(object, FindLayer(layer->second)).id);
        }
    }
}

void MapModel::RestoreMembers(const MapSnapshot& snapshot, const IdMap& newIds) {
    for (const Object& object : snapshot.objects) {
        const auto group = newIds.find(object.id);
        if (object.kind != ObjectKind::Group || group == newIds.end()) {
            continue;
        }
        for (const ObjectId member : object.members) {
            if (const auto found = newIds.find(member); found != newIds.end()) {
                AddMember(group->second, found->second); // refuses members that would close a cycle
            }
        }
    }
}

} // namespace standin
