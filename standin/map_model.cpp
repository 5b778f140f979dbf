#include "standin/map_model.h"

#include "standin/host_state.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <unordered_set>

namespace standin {

MapModel::MapModel(ObjectId windowId, ObjectId databaseId, ObjectId presentationId,
                   ObjectId layerRootId, ObjectId copyRootId, ObjectId copyTargetId)
    : window(windowId), database(databaseId), presentation(presentationId), layerRoot(layerRootId),
      copyRoot(copyRootId), copyTarget(copyTargetId) {}

// Layers ----------------------------------------------------------------------------------

LayerEntry* MapModel::FindLayer(ObjectId id) {
    const auto found = layers_.find(id);
    return found == layers_.end() ? nullptr : &found->second;
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
    const std::int32_t highest = MaxLayerNumber();
    if (highest == std::numeric_limits<std::int32_t>::max()) {
        // Every number above is taken up; reuse the first layer rather than fail.
        if (!order_.empty()) {
            current_ = order_.front();
            return *CurrentLayer();
        }
    }
    LayerEntry* created = AddLayer(byNumber_.empty() ? 1 : highest + 1, "0");
    current_ = created->layer.id;
    return *created;
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

namespace {
// The size of an open-addressing table rebuilt for `held` entries: a power of two with room for
// twice them, so that it grows by doubling and probe runs stay short.
std::size_t SlotCountFor(std::size_t held) {
    return std::max<std::size_t>(16, std::bit_ceil((held + 1) * 2));
}
} // namespace

std::size_t IdTable::IndexOf(ObjectId id) const {
    if (slots_.empty() || id == kEmpty || id == kErased) {
        return kNone;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(id);; i = (i + 1) & mask) {
        if (slots_[i].id == id) {
            return i;
        }
        if (slots_[i].id == kEmpty) {
            return kNone;
        }
    }
}

const std::size_t* IdTable::Find(ObjectId id) const {
    const std::size_t i = IndexOf(id);
    return i == kNone ? nullptr : &slots_[i].place;
}

void IdTable::Insert(ObjectId id, std::size_t place) {
    // At most three quarters of the slots taken, so that every search meets an empty one soon.
    if ((taken_ + 1) * 4 > slots_.size() * 3) {
        Rebuild();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = Home(id);
    while (slots_[i].id != kEmpty && slots_[i].id != kErased) {
        i = (i + 1) & mask;
    }
    if (slots_[i].id == kEmpty) {
        ++taken_;
    }
    slots_[i] = {id, place};
    ++size_;
}

std::optional<std::size_t> IdTable::Erase(ObjectId id) {
    const std::size_t i = IndexOf(id);
    if (i == kNone) {
        return std::nullopt;
    }
    slots_[i].id = kErased;
    --size_;
    return slots_[i].place;
}

void IdTable::Rebuild() {
    std::vector<Slot> old = std::move(slots_);
    const std::size_t count = SlotCountFor(size_);
    bits_ = static_cast<unsigned>(std::countr_zero(count));
    slots_.assign(count, Slot{});
    size_ = 0;
    taken_ = 0;
    for (const Slot& slot : old) {
        if (slot.id != kEmpty && slot.id != kErased) {
            Insert(slot.id, slot.place);
        }
    }
}

void IdTable::Clear() {
    slots_.clear();
    bits_ = 0;
    size_ = 0;
    taken_ = 0;
}

std::uint64_t NameIndex::Hash(std::string_view name) {
    // FNV-1a, then the high bits folded down: the table uses the low bits as the home slot.
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const char c : name) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
    }
    return hash ^ (hash >> 29);
}

void NameIndex::Insert(std::uint64_t hash, ObjectId id) {
    // At most three quarters of the slots taken, so that every search meets an empty one soon.
    if ((taken_ + 1) * 4 > slots_.size() * 3) {
        Rebuild();
    }
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].id != kEmpty && slots_[i].id != kErased) {
        i = (i + 1) & mask;
    }
    if (slots_[i].id == kEmpty) {
        ++taken_;
    }
    slots_[i] = {hash, id};
    ++size_;
}

void NameIndex::Erase(std::uint64_t hash, ObjectId id) {
    if (slots_.empty()) {
        return;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].id != kEmpty; i = (i + 1) & mask) {
        if (slots_[i].id == id) {
            slots_[i].id = kErased;
            --size_;
            return;
        }
    }
}

void NameIndex::Rebuild() {
    std::vector<Slot> old = std::move(slots_);
    slots_.assign(SlotCountFor(size_), Slot{});
    size_ = 0;
    taken_ = 0;
    for (const Slot& slot : old) {
        if (slot.id != kEmpty && slot.id != kErased) {
            Insert(slot.hash, slot.id);
        }
    }
}

void NameIndex::Clear() {
    slots_.clear();
    size_ = 0;
    taken_ = 0;
}

ObjectEntry* ObjectStore::Find(ObjectId id) {
    const std::size_t* place = places_.Find(id);
    return place ? &At(*place) : nullptr;
}

ObjectEntry& ObjectStore::Add(ObjectId id) {
    std::size_t place = used_;
    if (!freed_.empty()) {
        place = freed_.back();
        freed_.pop_back();
    } else {
        if (used_ == chunks_.size() * kChunkSize) {
            chunks_.push_back(std::make_unique<ObjectEntry[]>(kChunkSize));
        }
        ++used_;
    }
    places_.Insert(id, place);
    return At(place);
}

void ObjectStore::Erase(ObjectId id) {
    const std::optional<std::size_t> place = places_.Erase(id);
    if (!place) {
        return;
    }
    At(*place) = ObjectEntry{};
    freed_.push_back(*place);
}

void ObjectStore::Clear() {
    chunks_.clear();
    used_ = 0;
    freed_.clear();
    places_.Clear();
}

ObjectEntry* MapModel::FindObject(ObjectId id) {
    return objects_.Find(id);
}

ObjectEntry& MapModel::AddObject(Object object, LayerEntry* layer) {
    object.id = State().NewId();
    object.layer = 0;
    if (object.kind != ObjectKind::Group) {
        object.members.clear();
    }
    const ObjectId id = object.id;
    ObjectEntry& entry = objects_.Add(id);
    entry.object = std::move(object);
    if (layer) {
        AppendToLayer(entry, *layer);
    }
    return entry;
}

void MapModel::AppendToLayer(ObjectEntry& entry, LayerEntry& layer) {
    entry.object.layer = layer.layer.id;
    entry.slot = layer.layer.objects.size();
    layer.layer.objects.push_back(entry.object.id);
}

void MapModel::RemoveFromLayer(ObjectEntry& entry) {
    LayerEntry* layer = FindLayer(entry.object.layer);
    entry.object.layer = 0;
    if (!layer) {
        return;
    }
    auto& objects = layer->layer.objects;
    if (entry.slot >= objects.size() || objects[entry.slot] != entry.object.id) {
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
                FindObject(id)->slot = kept;
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
    std::unordered_set<ObjectId> seen;
    std::vector<ObjectId> pending(ids, ids + count);
    std::reverse(pending.begin(), pending.end()); // popped from the back: given order
    while (!pending.empty()) {
        const ObjectId id = pending.back();
        pending.pop_back();
        ObjectEntry* entry = FindObject(id);
        if (!entry || !seen.insert(id).second) {
            continue;
        }
        if (entry->object.kind == ObjectKind::Group) {
            const auto& members = entry->object.members;
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
        std::erase(parent->object.members, entry.object.id);
    }
    entry.parent = 0;
}

bool MapModel::AddMember(ObjectId group, ObjectId member) {
    ObjectEntry* groupEntry = FindObject(group);
    ObjectEntry* memberEntry = FindObject(member);
    if (!groupEntry || !memberEntry || groupEntry->object.kind != ObjectKind::Group) {
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
    groupEntry->object.members.push_back(member);
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
        const auto& members = entry->object.members;
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
        Object copy;
        if (original->object.kind == ObjectKind::Group) {
            copy.kind = ObjectKind::Group;
        } else {
            copy = original->object;
        }
        // Entries of the hash table keep their addresses while others are added.
        ObjectEntry& made = AddObject(std::move(copy), FindLayer(original->object.layer));
        const ObjectId copyId = made.object.id;
        if (step.copyParent == 0) {
            rootCopy = copyId;
        } else {
            FindObject(step.copyParent)->object.members.push_back(copyId);
            made.parent = step.copyParent;
        }
        const auto& members = original->object.members;
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
    objects_.ForEach([&](const ObjectEntry& entry) { snapshot.objects.push_back(entry.object); });
    // Ids grow with every object made, so id order is creation order.
    std::sort(snapshot.objects.begin(), snapshot.objects.end(),
              [](const Object& a, const Object& b) { return a.id < b.id; });
    return snapshot;
}

void MapModel::ClearContent() {
    layers_.clear();
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

    std::unordered_map<ObjectId, const Object*> byOldId;
    for (const Object& object : snapshot.objects) {
        byOldId.emplace(object.id, &object);
    }
    std::unordered_map<ObjectId, ObjectId> newIds;
    std::unordered_map<ObjectId, ObjectId> newLayerIds;
    for (const Layer& layer : snapshot.layers) {
        // Layer numbers are unique in a map; a repeated number moves up out of the way.
        std::int32_t number = layer.number;
        if (number < 0 || byNumber_.contains(number)) {
            const std::int32_t highest = MaxLayerNumber();
            number = byNumber_.empty()                                    ? 1
                     : highest < std::numeric_limits<std::int32_t>::max() ? highest + 1
                                                                          : -1;
        }
        LayerEntry* entry = AddLayer(number, layer.name);
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
            newIds.emplace(oldId, AddObject(*found->second, entry).object.id);
        }
    }
    // Groups, and objects that no layer listed but that name a layer of the snapshot.
    for (const Object& object : snapshot.objects) {
        if (newIds.contains(object.id)) {
            continue;
        }
        if (object.kind == ObjectKind::Group) {
            Object group = object;
            group.members.clear();
            newIds.emplace(object.id, AddObject(std::move(group), nullptr).object.id);
        } else if (const auto layer = newLayerIds.find(object.layer); layer != newLayerIds.end()) {
            newIds.emplace(object.id, AddObject(object, FindLayer(layer->second)).object.id);
        }
    }
    for (const Object& object : snapshot.objects) {
        if (object.kind != ObjectKind::Group || !newIds.contains(object.id)) {
            continue;
        }
        const ObjectId group = newIds.at(object.id);
        for (const ObjectId member : object.members) {
            if (const auto found = newIds.find(member); found != newIds.end()) {
                AddMember(group, found->second); // refuses members that would close a cycle
            }
        }
    }
    if (snapshot.currentLayer) {
        if (const LayerEntry* current = LayerByNumber(*snapshot.currentLayer)) {
            current_ = current->layer.id;
        }
    }
}

} // namespace standin
