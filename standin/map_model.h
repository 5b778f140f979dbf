// One map of the stand-in host: its layers in map order, its objects and groups, and the
// per-window values (unit, page, text base, objects rectangle, journal).
//
// Ids: layers, objects, groups and the tree roots share the process-wide id counter, so a
// handle of one map is never a valid handle of another. Lookups go through hash tables; a
// stale id simply is not found.
#pragma once

#include "standin/standin.h"

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace standin {

// Mode bits of argument 11 of map_layer_Create and map_layer_Set.
namespace layer_mode {
constexpr std::int32_t kApplyNumberAndName = 1; // Set: take the number and name given
constexpr std::int32_t kApplyAttributes = 2;    // Set: take the attributes given
constexpr std::int32_t kMakeCurrent = 4;        // Create and Set: the layer becomes current
} // namespace layer_mode

// Bits of attribute 10 (argument 10) that drive the two layer switches.
namespace layer_state {
constexpr std::int64_t kVisible = 1; // set: the layer is shown
constexpr std::int64_t kLocked = 2;  // set: the layer's objects cannot be edited
} // namespace layer_state

constexpr std::int32_t kDefaultTextBase = 1000;
constexpr MAP_COORDPT kDefaultPageOrigin{0, 0};
constexpr MAP_COORDPT kDefaultPageExtent{640, 454};

struct LayerEntry {
    // layer.objects may hold 0 where an object left the layer: leaving costs O(1), and the
    // list is closed up (LayerObjects) before anyone reads it.
    Layer layer;
    std::size_t removed = 0; // the zeros in layer.objects
    std::size_t order = 0;   // index in the map order
    // The record OBJectLock hands out; allocated once so that its address stays valid for as
    // long as the layer lives.
    std::unique_ptr<std::array<unsigned char, layer_record::kSize>> record;
};

struct ObjectEntry {
    Object object;
    ObjectId parent = 0;  // the group holding this object, 0 when none
    std::size_t slot = 0; // index in its layer's object list
};

// A table from object id to place, open addressing in one flat array: growing it moves a
// contiguous array instead of walking a node per object across the heap. Id 0 (never handed
// out) marks an empty slot; an erased id leaves a marker that searches step over.
class IdTable {
  public:
    // The place of the id, or null.
    const std::size_t* Find(ObjectId id) const;
    // Adds an id the table does not hold.
    void Insert(ObjectId id, std::size_t place);
    // Removes the id; its place, or none.
    std::optional<std::size_t> Erase(ObjectId id);
    void Clear();
    std::size_t Size() const { return size_; }
    // Calls `visit` with the place of every id, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (const Slot& slot : slots_) {
            if (slot.id != kEmpty && slot.id != kErased) {
                visit(slot.place);
            }
        }
    }

  private:
    struct Slot {
        ObjectId id = 0;
        std::size_t place = 0;
    };
    static constexpr ObjectId kEmpty = 0;
    static constexpr ObjectId kErased = ~ObjectId{0};
    // The first slot to look at for an id. Ids are handed out in increasing order, so the low
    // bits put objects made one after the other into neighbouring slots (a scattering hash made
    // every insertion a cache miss); the high bits folded in spread ids that repeat with a
    // stride of the table's size.
    std::size_t Home(ObjectId id) const {
        return static_cast<std::size_t>((id ^ (id >> bits_)) & (slots_.size() - 1));
    }
    static constexpr std::size_t kNone = ~std::size_t{0};
    // The index of the id's slot, or kNone.
    std::size_t IndexOf(ObjectId id) const;
    // Rebuilds the array with room for twice the ids held, erased markers dropped.
    void Rebuild();

    std::vector<Slot> slots_; // a power of two in size, or empty
    unsigned bits_ = 0;       // log2 of the size
    std::size_t size_ = 0;    // ids held
    std::size_t taken_ = 0;   // slots not empty: ids held and erased markers
};

// Layer ids by name, open addressing in one flat array: a name search is one probe run over
// hashes held in the array, and a layer's name is compared only where its hash matches. Several
// layers may share a name; each has a slot of its own.
class NameIndex {
  public:
    static std::uint64_t Hash(std::string_view name);
    void Insert(std::uint64_t hash, ObjectId id);
    void Erase(std::uint64_t hash, ObjectId id);
    void Clear();
    // Calls `visit` with every id filed under the hash.
    template <typename Visit>
    void ForEachMatch(std::uint64_t hash, Visit&& visit) const {
        if (slots_.empty()) {
            return;
        }
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = hash & mask; slots_[i].id != kEmpty; i = (i + 1) & mask) {
            if (slots_[i].hash == hash && slots_[i].id != kErased) {
                visit(slots_[i].id);
            }
        }
    }

  private:
    struct Slot {
        std::uint64_t hash = 0;
        ObjectId id = 0;
    };
    static constexpr ObjectId kEmpty = 0;
    static constexpr ObjectId kErased = ~ObjectId{0};
    // Rebuilds the array with room for twice the ids held, erased markers dropped.
    void Rebuild();

    std::vector<Slot> slots_; // a power of two in size, or empty
    std::size_t size_ = 0;    // ids held
    std::size_t taken_ = 0;   // slots not empty: ids held and erased markers
};

// The objects of a map by id. Entries sit in chunks that never move, so an entry found stays
// where it is while others are added; the places of deleted objects are reused. Adding an
// object costs no allocation of an entry of its own.
class ObjectStore {
  public:
    ObjectEntry* Find(ObjectId id);
    // A fresh entry for an id that the store does not hold.
    ObjectEntry& Add(ObjectId id);
    // Frees what the entry holds and gives its place back.
    void Erase(ObjectId id);
    void Clear();
    std::size_t Size() const { return places_.Size(); }
    // Calls `visit` with every entry, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        places_.ForEach([&](std::size_t place) { visit(At(place)); });
    }

  private:
    static constexpr std::size_t kChunkSize = 256;
    ObjectEntry& At(std::size_t place) { return chunks_[place / kChunkSize][place % kChunkSize]; }
    const ObjectEntry& At(std::size_t place) const {
        return chunks_[place / kChunkSize][place % kChunkSize];
    }

    std::vector<std::unique_ptr<ObjectEntry[]>> chunks_;
    std::size_t used_ = 0;           // places handed out so far, freed ones included
    std::vector<std::size_t> freed_; // places of deleted objects, to be handed out again
    IdTable places_;
};

class MapModel {
  public:
    MapModel(ObjectId window, ObjectId database, ObjectId presentation, ObjectId layerRoot,
             ObjectId copyRoot, ObjectId copyTarget);

    // The ids of the map window and of the items of its per-window record.
    const ObjectId window;
    const ObjectId database;
    const ObjectId presentation;
    const ObjectId layerRoot;  // GetRootOBJect(map, 0x5001)
    const ObjectId copyRoot;   // GetRootOBJect(map, 0x6003)
    const ObjectId copyTarget; // the first 0x8807 reference of copyRoot

    std::int32_t unitId = 0;
    std::int32_t textBase = kDefaultTextBase;
    MAP_COORDPT pageOrigin = kDefaultPageOrigin;
    MAP_COORDPT pageExtent = kDefaultPageExtent;
    std::optional<MAP_COORDRECT> objectsRect;

    bool journalOn = false;
    std::vector<std::string> journal;
    MessageHandler observer;

    // Layers ------------------------------------------------------------------------------
    LayerEntry* FindLayer(ObjectId id);
    LayerEntry* LayerByNumber(std::int32_t number);
    LayerEntry* LayerByName(const std::string& name); // the first in map order
    LayerEntry* CurrentLayer() { return FindLayer(current_); }
    void MakeCurrent(ObjectId layer) { current_ = layer; }
    const std::vector<ObjectId>& LayerOrder() const { return order_; }
    std::size_t LayerCount() const { return order_.size(); }
    // The highest layer number in use, 0 when the map has no layer.
    std::int32_t MaxLayerNumber() const;
    // Appends a new layer to the map order; null when the number is in use or not >= 0.
    LayerEntry* AddLayer(std::int32_t number, const std::string& name);
    bool Renumber(LayerEntry& entry, std::int32_t number);
    void Rename(LayerEntry& entry, const std::string& name);
    // Puts the layer right after the predecessor (first when the predecessor is 0).
    bool MoveAfter(ObjectId layer, ObjectId predecessor);
    // The current layer, or a layer made for new objects when none is current.
    LayerEntry& LayerForNewObject();
    // The layer's objects in host order, closed up first.
    const std::vector<ObjectId>& LayerObjects(LayerEntry& entry);
    // Refreshes and gives the fixed-layout record of the layer.
    const void* LockRecord(LayerEntry& entry);

    // Objects and groups ------------------------------------------------------------------
    ObjectEntry* FindObject(ObjectId id);
    const ObjectStore& Objects() const { return objects_; }
    // Adds an object with a fresh id; a layered object is appended to that layer.
    ObjectEntry& AddObject(Object object, LayerEntry* layer);
    // The objects on layers below the given handles: groups are replaced by their members,
    // all levels down; duplicates and unknown ids are dropped.
    std::vector<ObjectId> LayeredObjectsBelow(const ObjectId* ids, std::size_t count);
    // Moves the objects (none of them a group) to the end of the layer, in the order given.
    void MoveToLayer(const std::vector<ObjectId>& ids, LayerEntry& target);
    // Adds a member to a group, taking it out of any group that held it. Refused (false) when
    // the member is the group itself or holds it.
    bool AddMember(ObjectId group, ObjectId member);
    // The object and every object below it, the object first; an explicit stack, so that
    // nesting depth costs no call depth.
    std::vector<ObjectId> Subtree(ObjectId root);
    // Deep copy of an object or group; each copy on the layer of its original, appended.
    ObjectId CopyTree(ObjectId source);
    // Removes the object and everything below it from layers, groups and the map.
    void DeleteTree(ObjectId root);
    // Removes a layer with all its objects.
    void DeleteLayer(ObjectId layer);

    // Whole map ---------------------------------------------------------------------------
    MapSnapshot Snapshot() const;
    void Restore(const MapSnapshot& snapshot);

  private:
    void AppendToLayer(ObjectEntry& entry, LayerEntry& layer);
    void RemoveFromLayer(ObjectEntry& entry);
    void DetachFromParent(ObjectEntry& entry);
    void RenumberOrder(std::size_t from);
    void IndexName(const std::string& name, ObjectId id);
    void UnindexName(const std::string& name, ObjectId id);
    void ClearContent();

    std::unordered_map<ObjectId, LayerEntry> layers_;
    std::vector<ObjectId> order_;
    std::map<std::int32_t, ObjectId> byNumber_;
    NameIndex byName_;
    ObjectStore objects_;
    ObjectId current_ = 0;
};

} // namespace standin
