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
#include <stdexcept>
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

// One map object as the map keeps it: a small record. The points of a polyline or polygon sit in
// the map's point arena (x, y per point, x, y, z for a 3-D object); an arc, a text or a group
// keeps its remaining values in the table of its kind, at `detail`.
struct ObjectEntry {
    ObjectId id = 0;
    ObjectId layer = 0;             // the layer holding it; 0 for groups
    ObjectId parent = 0;            // the group holding this object, 0 when none
    std::int32_t* points = nullptr; // polyline or polygon: its run in the point arena
    std::uint32_t slot = 0;         // index in its layer's object list
    std::uint32_t count = 0;        // points of the run
    std::uint32_t detail = 0;       // arc, text or group: index in the table of its kind
    ObjectKind kind = ObjectKind::Polyline;
    bool is3d = false;
    std::size_t Stride() const { return is3d ? 3 : 2; }
};

// The points of one object as the getters deliver them, read from the arena.
class PointView {
  public:
    using value_type = MAP3D_COORDPT;
    explicit PointView(const ObjectEntry& entry)
        : data_(entry.points), count_(entry.count), stride_(entry.Stride()) {}
    std::size_t size() const { return count_; }
    MAP3D_COORDPT operator[](std::size_t i) const {
        const std::int32_t* p = data_ + i * stride_;
        return {p[0], p[1], stride_ == 3 ? p[2] : 0};
    }

  private:
    const std::int32_t* data_;
    std::size_t count_;
    std::size_t stride_;
};

// Point runs of all objects of a map in large blocks: a run costs no allocation of its own, and
// a block is touched only as far as runs fill it. A run longer than a block gets a block of its
// own. The runs of deleted objects are counted as dead; the store moves the live runs into a
// fresh arena once the dead outweigh them (ObjectStore::CompactIfWasteful).
class PointArena {
  public:
    // Room for `values` 32-bit values, left unset.
    std::int32_t* Allocate(std::size_t values);
    void Release(std::size_t values) { dead_ += values; }
    std::size_t Live() const { return used_ - dead_; }
    std::size_t Dead() const { return dead_; }
    void Clear();

  private:
    static constexpr std::size_t kBlockValues = std::size_t{1} << 20; // 4 MiB
    std::vector<std::unique_ptr<std::int32_t[]>> blocks_;
    std::int32_t* next_ = nullptr; // the free rest of the current block
    std::size_t left_ = 0;
    std::size_t used_ = 0; // values handed out
    std::size_t dead_ = 0; // of those, values of deleted runs
};

struct ArcDetail {
    MAP_COORDPT center{};
    std::int32_t radius = 0;
    std::int32_t quality = 0;
    double startAngle = 0.0;
    double endAngle = 0.0;
};

struct TextDetail {
    std::string text;
    std::string font;
    MAP3D_COORDPT position{};
    std::int32_t size = 0;
    std::int32_t style = 0;
    std::uint32_t color = 0;
    std::int32_t rotation = 0;
    std::int32_t oblique = 0;
    std::uint32_t flags = 0;
};

// Records of one kind by index, in chunks that never move (growing copies nothing and leaves
// no freed block behind); the places of erased records are handed out again.
template <typename Record>
class DetailTable {
  public:
    std::uint32_t Add(Record record) {
        std::uint32_t index = used_;
        if (!freed_.empty()) {
            index = freed_.back();
        } else {
            if (used_ == UINT32_MAX) {
                throw std::length_error("too many records of one kind in one map");
            }
            if (used_ == chunks_.size() * kChunkSize) {
                chunks_.push_back(std::make_unique<Record[]>(kChunkSize));
            }
        }
        (*this)[index] = std::move(record);
        if (!freed_.empty() && freed_.back() == index) {
            freed_.pop_back();
        } else {
            ++used_;
        }
        return index;
    }
    void Erase(std::uint32_t index) {
        freed_.push_back(index); // first, so that nothing is changed when it throws
        (*this)[index] = Record{};
    }
    Record& operator[](std::uint32_t index) {
        return chunks_[index / kChunkSize][index % kChunkSize];
    }
    const Record& operator[](std::uint32_t index) const {
        return chunks_[index / kChunkSize][index % kChunkSize];
    }
    void Clear() {
        chunks_.clear();
        freed_.clear();
        used_ = 0;
    }

  private:
    static constexpr std::size_t kChunkSize = 1024;
    std::vector<std::unique_ptr<Record[]>> chunks_;
    std::uint32_t used_ = 0;
    std::vector<std::uint32_t> freed_;
};

// A table from object id to place, open addressing in one flat array of 4-byte slots that hold
// only the place: the id lives in the record there, and the table asks the caller for it
// (`idAt`, place -> id). Ids made one after the other sit in neighbouring slots, so a lookup
// reads one slot and the record that the caller wants anyway. Places are below 2^32 - 2; the two
// values above mark empty slots and erased ones, which searches step over.
class IdTable {
  public:
    // The place of the id, or none.
    template <typename IdAt>
    std::optional<std::uint32_t> Find(ObjectId id, IdAt&& idAt) const {
        const std::size_t i = IndexOf(id, idAt);
        return i == kNone ? std::nullopt : std::optional<std::uint32_t>(slots_[i]);
    }
    // Adds an id the table does not hold; the record at `place` already carries it.
    template <typename IdAt>
    void Insert(ObjectId id, std::uint32_t place, IdAt&& idAt) {
        // At most three quarters of the slots taken, so that every search meets an empty one.
        if ((taken_ + 1) * 4 > slots_.size() * 3) {
            Rebuild(idAt);
        }
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = Home(id);
        while (slots_[i] != kEmpty && slots_[i] != kErased) {
            i = (i + 1) & mask;
        }
        if (slots_[i] == kEmpty) {
            ++taken_;
        }
        slots_[i] = place;
        ++size_;
    }
    // Removes the id; its place, or none.
    template <typename IdAt>
    std::optional<std::uint32_t> Erase(ObjectId id, IdAt&& idAt) {
        const std::size_t i = IndexOf(id, idAt);
        if (i == kNone) {
            return std::nullopt;
        }
        const std::uint32_t place = slots_[i];
        slots_[i] = kErased;
        --size_;
        return place;
    }
    void Clear();
    std::size_t Size() const { return size_; }
    // Calls `visit` with the place of every id, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (const std::uint32_t slot : slots_) {
            if (slot != kEmpty && slot != kErased) {
                visit(slot);
            }
        }
    }
    static constexpr std::uint32_t kMaxPlaces = 0xFFFFFFFDu;

  private:
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::uint32_t kErased = 0xFFFFFFFEu;
    static constexpr std::size_t kNone = ~std::size_t{0};
    // The first slot to look at for an id. Ids are handed out in increasing order, so the low
    // bits put objects made one after the other into neighbouring slots (a scattering hash made
    // every insertion a cache miss); the high bits folded in spread ids that repeat with a
    // stride of the table's size.
    std::size_t Home(ObjectId id) const {
        return static_cast<std::size_t>((id ^ (id >> bits_)) & (slots_.size() - 1));
    }
    // The index of the id's slot, or kNone.
    template <typename IdAt>
    std::size_t IndexOf(ObjectId id, IdAt& idAt) const {
        if (slots_.empty()) {
            return kNone;
        }
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = Home(id); slots_[i] != kEmpty; i = (i + 1) & mask) {
            if (slots_[i] != kErased && idAt(slots_[i]) == id) {
                return i;
            }
        }
        return kNone;
    }
    // Rebuilds the array with room for twice the ids held, erased markers dropped.
    template <typename IdAt>
    void Rebuild(IdAt& idAt) {
        const std::vector<std::uint32_t> old = Resized();
        for (const std::uint32_t place : old) {
            if (place != kEmpty && place != kErased) {
                Insert(idAt(place), place, idAt);
            }
        }
    }
    // Empties the table into one sized for twice the ids held; the old slots.
    std::vector<std::uint32_t> Resized();

    std::vector<std::uint32_t> slots_; // a power of two in size, or empty
    unsigned bits_ = 0;                // log2 of the size
    std::size_t size_ = 0;             // ids held
    std::size_t taken_ = 0;            // slots not empty: ids held and erased markers
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

// The objects of a map by id, and what they hold. Records sit in chunks that never move, so a
// record found stays where it is while others are added; the places of deleted objects are
// reused. Adding an object allocates nothing of its own: its record goes into a chunk, its points
// into the arena, an arc's or text's values into the table of its kind.
class ObjectStore {
  public:
    ObjectEntry* Find(ObjectId id);
    const ObjectEntry* Find(ObjectId id) const;
    // A fresh record for an id that the store does not hold, with the content of `object`
    // (its id, layer and parent are not taken).
    ObjectEntry& Add(ObjectId id, Object object);
    // A fresh polyline or polygon record with 2-D points.
    ObjectEntry& AddPoints(ObjectId id, ObjectKind kind, const MAP_COORDPT* points,
                           std::size_t count);
    // A fresh record holding a copy of the content of `original`; a group's copy has no
    // members.
    ObjectEntry& AddCopy(ObjectId id, const ObjectEntry& original);
    // The object as the public interface shows it.
    Object Materialize(const ObjectEntry& entry) const;
    // Replaces what the record holds by the content of `object` (same kind).
    void Replace(ObjectEntry& entry, Object object);
    // The members of a group; an empty list for any other object.
    const std::vector<ObjectId>& Members(const ObjectEntry& entry) const;
    // The members of a group, to change (the record must be a group's).
    std::vector<ObjectId>& GroupMembers(ObjectEntry& group);
    const TextDetail& TextOf(const ObjectEntry& entry) const { return texts_[entry.detail]; }
    // The bounding rectangle of an object that is not a group; none for an empty point run.
    std::optional<MAP_COORDRECT> Bounds(const ObjectEntry& entry) const;
    // Frees what the record holds and gives its place back.
    void Erase(ObjectId id);
    void Clear();
    std::size_t Size() const { return places_.Size(); }
    // Calls `visit` with every record, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        places_.ForEach([&](std::size_t place) { visit(At(place)); });
    }

  private:
    static constexpr std::size_t kChunkSize = 4096;
    ObjectEntry& At(std::size_t place) { return chunks_[place / kChunkSize][place % kChunkSize]; }
    const ObjectEntry& At(std::size_t place) const {
        return chunks_[place / kChunkSize][place % kChunkSize];
    }
    ObjectEntry& NewEntry(ObjectId id);
    auto IdAt() const {
        return [this](std::uint32_t place) { return At(place).id; };
    }
    void StoreContent(ObjectEntry& entry, Object&& object);
    void ReleaseContent(ObjectEntry& entry);
    // Moves the live point runs into a fresh arena once the dead ones outweigh them.
    void CompactIfWasteful();

    std::vector<std::unique_ptr<ObjectEntry[]>> chunks_;
    std::uint32_t used_ = 0;           // places handed out so far, freed ones included
    std::vector<std::uint32_t> freed_; // places of deleted objects, to be handed out again
    IdTable places_;
    PointArena arena_;
    DetailTable<ArcDetail> arcs_;
    DetailTable<TextDetail> texts_;
    DetailTable<std::vector<ObjectId>> groups_;
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
    ObjectStore& Objects() { return objects_; }
    const ObjectStore& Objects() const { return objects_; }
    // Adds an object with a fresh id; a layered object is appended to that layer.
    ObjectEntry& AddObject(Object object, LayerEntry* layer);
    // Adds a 2-D polyline or polygon with a fresh id, appended to the layer.
    ObjectEntry& AddPointObject(ObjectKind kind, const MAP_COORDPT* points, std::size_t count,
                                LayerEntry& layer);
    // A copy of the object as it stands now, kept until the map goes or the same object is
    // viewed again; null for an id the map does not hold.
    const Object* View(ObjectId id);
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
    // The steps of Restore, each filling `newIds` (snapshot id -> new id): the layers with the
    // objects they list; then groups and objects no layer listed but that name a layer of the
    // snapshot (`newLayerIds`); then the members of the groups.
    using IdMap = std::unordered_map<ObjectId, ObjectId>;
    IdMap RestoreLayers(const MapSnapshot& snapshot, IdMap& newIds);
    void RestoreUnlisted(const MapSnapshot& snapshot, const IdMap& newLayerIds, IdMap& newIds);
    void RestoreMembers(const MapSnapshot& snapshot, const IdMap& newIds);

    std::unordered_map<ObjectId, LayerEntry> layers_;
    ObjectId lastLayerId_ = 0; // the layer FindLayer found last, and its entry
    LayerEntry* lastLayer_ = nullptr;
    std::vector<ObjectId> order_;
    std::map<std::int32_t, ObjectId> byNumber_;
    NameIndex byName_;
    ObjectStore objects_;
    ObjectId current_ = 0;
    std::unordered_map<ObjectId, Object> views_; // what View handed out
};

} // namespace standin
