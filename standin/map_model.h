// One map of the stand-in host: its layers in map order, its objects and groups, and the
// per-window values (unit, page, text base, objects rectangle, journal).
//
// Ids: layers, objects, groups and the tree roots share the process-wide id counter, so a
// handle of one map is never a valid handle of another. Lookups go through hash tables; a
// stale id simply is not found.
#pragma once

#include "standin/large_block.h"
#include "standin/standin.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
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
// a block is touched only as far as runs fill it (made present ahead; on huge pages up to 2 MiB
// past the last run). A run longer than a quarter block gets a block of its own. The runs of
// deleted objects are counted as dead; the store moves the live runs into a fresh arena once the
// dead outweigh them (ObjectStore::CompactIfWasteful).
class PointArena {
  public:
    // Room for `values` 32-bit values, left unset.
    std::int32_t* Allocate(std::size_t values);
    void Release(std::size_t values) { dead_ += values; }
    std::size_t Live() const { return used_ - dead_; }
    std::size_t Dead() const { return dead_; }
    void Clear();

  private:
    // The first block keeps small pages, for the many small maps; the others take huge pages.
    static constexpr std::size_t kFirstBlockValues = std::size_t{1} << 17; // 512 KiB
    static constexpr std::size_t kBlockValues = std::size_t{1} << 20;      // 4 MiB
    std::vector<LargeBlock> blocks_;
    std::int32_t* next_ = nullptr; // the free rest of the current block; none before the first
    std::size_t current_ = 0;      // the current block's index in blocks_
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

// Records by index, in chunks that never move: growing copies nothing and leaves no freed block
// behind, and a record found stays where it is while others are added. Records are made as they
// are first handed out, so only the pages in use are touched, and those are made present ahead.
// The first chunk is an eighth of the others (about 2 MiB each) and keeps small pages, for the
// many small maps; a table of many records takes huge pages for the others
// (Pages::HugeAfterFirst), at the price of up to 2 MiB resident past its last record. The
// places of erased records are handed out again. Indexes stay below the two markers of IdTable.
enum class Pages { Small, HugeAfterFirst };
template <typename Record, Pages kPages = Pages::Small>
class ChunkTable {
  public:
    ChunkTable() = default;
    ChunkTable(ChunkTable&& other) noexcept
        : chunks_(std::move(other.chunks_)), used_(std::exchange(other.used_, 0)),
          freed_(std::move(other.freed_)) {}
    ChunkTable& operator=(ChunkTable&& other) noexcept {
        Clear();
        chunks_ = std::move(other.chunks_);
        used_ = std::exchange(other.used_, 0);
        freed_ = std::move(other.freed_);
        return *this;
    }
    ChunkTable(const ChunkTable&) = delete;
    ChunkTable& operator=(const ChunkTable&) = delete;
    ~ChunkTable() { Clear(); }

    std::uint32_t Add(Record record) {
        if (!freed_.empty()) {
            const std::uint32_t index = freed_.back();
            (*this)[index] = std::move(record);
            freed_.pop_back();
            return index;
        }
        if (used_ == 0xFFFFFFFDu) {
            throw std::length_error("too many records of one kind in one map");
        }
        if (chunks_.empty()) {
            chunks_.emplace_back(kFirstChunkSize * sizeof(Record), LargeBlock::kSmallPagesOnly);
        } else if (used_ == kFirstChunkSize + (chunks_.size() - 1) * kChunkSize) {
            chunks_.emplace_back(kChunkSize * sizeof(Record),
                                 kPages == Pages::HugeAfterFirst ? 0 : LargeBlock::kSmallPagesOnly);
        }
        Reach(used_);
        std::construct_at(&At(used_), std::move(record));
        return used_++;
    }
    void Erase(std::uint32_t index) {
        freed_.push_back(index); // first, so that nothing is changed when it throws
        (*this)[index] = Record{};
    }
    Record& operator[](std::uint32_t index) { return At(index); }
    const Record& operator[](std::uint32_t index) const {
        return const_cast<ChunkTable&>(*this).At(index);
    }
    void Clear() {
        while (used_ > 0) {
            std::destroy_at(&At(--used_));
        }
        chunks_.clear();
        freed_.clear();
    }

  private:
    static constexpr std::size_t kChunkSize =
        std::max<std::size_t>(8, LargeBlock::kHugePage / sizeof(Record));
    static constexpr std::size_t kFirstChunkSize = kChunkSize / 8;

    struct Place {
        std::size_t chunk;
        std::size_t slot;
    };
    static constexpr Place PlaceOf(std::size_t index) {
        if (index < kFirstChunkSize) {
            return {0, index};
        }
        index -= kFirstChunkSize;
        return {1 + index / kChunkSize, index % kChunkSize};
    }
    // The pages of a record about to be made, present ahead.
    void Reach(std::size_t index) {
        const Place place = PlaceOf(index);
        chunks_[place.chunk].Reach((place.slot + 1) * sizeof(Record));
    }
    Record& At(std::size_t index) {
        const Place place = PlaceOf(index);
        return static_cast<Record*>(chunks_[place.chunk].data())[place.slot];
    }

    std::vector<LargeBlock> chunks_;
    std::uint32_t used_ = 0; // records made, in chunk order
    std::vector<std::uint32_t> freed_;
};

// Open addressing with linear probing in one flat array of slots, a power of two in size (or
// empty) and at most three quarters taken by values and erased markers, so that every search
// meets an empty slot soon. Searches step over erased slots.
template <typename Slot, Slot kEmpty, Slot kErased>
class ProbeTable {
  public:
    static constexpr std::size_t kNone = ~std::size_t{0};
    // The index of the first value from `home` on, up to an empty slot, that `match` accepts;
    // kNone when there is none.
    template <typename Match>
    std::size_t Probe(std::uint64_t home, Match&& match) const {
        if (slots_.empty()) {
            return kNone;
        }
        const std::size_t mask = slots_.size() - 1;
        for (std::size_t i = home & mask; slots_[i] != kEmpty; i = (i + 1) & mask) {
            if (slots_[i] != kErased && match(slots_[i])) {
                return i;
            }
        }
        return kNone;
    }
    // Puts the value into the first free slot from its home, `homeOf(value)`. Before the table
    // gets more than three quarters taken, it is rebuilt with room for twice the values held.
    template <typename HomeOf>
    void Insert(Slot value, HomeOf&& homeOf) {
        if ((taken_ + 1) * 4 > slots_.size() * 3) {
            // The new array first: when it cannot be had, the table stays as it was.
            std::vector<Slot> old(std::max<std::size_t>(16, std::bit_ceil((size_ + 1) * 2)),
                                  kEmpty);
            old.swap(slots_);
            size_ = 0;
            taken_ = 0;
            for (const Slot& held : old) {
                if (held != kEmpty && held != kErased) {
                    Put(held, homeOf(held));
                }
            }
        }
        Put(value, homeOf(value));
    }
    const Slot& operator[](std::size_t index) const { return slots_[index]; }
    void EraseAt(std::size_t index) {
        slots_[index] = kErased;
        --size_;
    }
    void Clear() {
        slots_.clear();
        size_ = 0;
        taken_ = 0;
    }
    std::size_t Size() const { return size_; }
    std::size_t SlotCount() const { return slots_.size(); }
    // Calls `visit` with every value, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        for (const Slot& slot : slots_) {
            if (slot != kEmpty && slot != kErased) {
                visit(slot);
            }
        }
    }

  private:
    void Put(Slot value, std::uint64_t home) {
        const std::size_t mask = slots_.size() - 1;
        std::size_t i = home & mask;
        while (slots_[i] != kEmpty && slots_[i] != kErased) {
            i = (i + 1) & mask;
        }
        taken_ += slots_[i] == kEmpty ? 1 : 0;
        slots_[i] = value;
        ++size_;
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;  // values held
    std::size_t taken_ = 0; // slots not empty: values held and erased markers
};

// A table from object id to place, in 4-byte slots that hold only the place: the id lives in
// the record there, and the table asks the caller for it (`idAt`, place -> id). Ids made one
// after the other sit in neighbouring slots, so a lookup reads one slot and the record that the
// caller wants anyway. Places are below 2^32 - 2; the two values above mark empty slots and
// erased ones.
class IdTable {
  public:
    // The place of the id, or none.
    template <typename IdAt>
    std::optional<std::uint32_t> Find(ObjectId id, IdAt&& idAt) const {
        const std::size_t i = IndexOf(id, idAt);
        return i == Places::kNone ? std::nullopt : std::optional<std::uint32_t>(places_[i]);
    }
    // Adds an id the table does not hold; the record at `place` already carries it.
    template <typename IdAt>
    void Insert(ObjectId id, std::uint32_t place, IdAt&& idAt) {
        places_.Insert(place,
                       [&](std::uint32_t held) { return Home(held == place ? id : idAt(held)); });
    }
    // Removes the id; its place, or none.
    template <typename IdAt>
    std::optional<std::uint32_t> Erase(ObjectId id, IdAt&& idAt) {
        const std::size_t i = IndexOf(id, idAt);
        if (i == Places::kNone) {
            return std::nullopt;
        }
        const std::uint32_t place = places_[i];
        places_.EraseAt(i);
        return place;
    }
    void Clear() { places_.Clear(); }
    std::size_t Size() const { return places_.Size(); }
    // Calls `visit` with the place of every id, in no particular order.
    template <typename Visit>
    void ForEach(Visit&& visit) const {
        places_.ForEach(visit);
    }

  private:
    using Places = ProbeTable<std::uint32_t, 0xFFFFFFFFu, 0xFFFFFFFEu>;
    // The first slot to look at for an id. Ids are handed out in increasing order, so the low
    // bits put objects made one after the other into neighbouring slots (a scattering hash made
    // every insertion a cache miss); the high bits folded in (by log2 of the table's size)
    // spread ids that repeat with a stride of the table's size.
    std::uint64_t Home(ObjectId id) const {
        return id ^ (id >> std::bit_width(places_.SlotCount() >> 1));
    }
    template <typename IdAt>
    std::size_t IndexOf(ObjectId id, IdAt& idAt) const {
        return places_.Probe(Home(id), [&](std::uint32_t place) { return idAt(place) == id; });
    }

    Places places_;
};

// Layer ids by name, in one flat array of hashes and ids: a name search is one probe run over
// the hashes, and a layer's name is compared only where its hash matches. Several layers may
// share a name; each has a slot of its own.
class NameIndex {
  public:
    static std::uint64_t Hash(std::string_view name);
    void Insert(std::uint64_t hash, ObjectId id) {
        slots_.Insert({hash, id}, [](const Slot& slot) { return slot.hash; });
    }
    void Erase(std::uint64_t hash, ObjectId id) {
        const std::size_t i = slots_.Probe(hash, [&](const Slot& slot) { return slot.id == id; });
        if (i != Slots::kNone) {
            slots_.EraseAt(i);
        }
    }
    void Clear() { slots_.Clear(); }
    // Calls `visit` with every id filed under the hash.
    template <typename Visit>
    void ForEachMatch(std::uint64_t hash, Visit&& visit) const {
        slots_.Probe(hash, [&](const Slot& slot) {
            if (slot.hash == hash) {
                visit(slot.id);
            }
            return false;
        });
    }

  private:
    struct Slot {
        std::uint64_t hash;
        ObjectId id; // 0: empty, all bits set: erased
        bool operator==(const Slot&) const = default;
    };
    using Slots = ProbeTable<Slot, Slot{}, Slot{0, ~ObjectId{0}}>;
    Slots slots_;
};

// The objects of a map by id, and what they hold, their records in a chunk table. Adding an object
// allocates nothing of its own: its record goes into a chunk, its points into the arena, an arc's
// or text's values into the table of its kind.
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
        places_.ForEach([&](std::uint32_t place) { visit(records_[place]); });
    }

  private:
    ObjectEntry& NewEntry(ObjectId id);
    auto IdAt() const {
        return [this](std::uint32_t place) { return records_[place].id; };
    }
    void StoreContent(ObjectEntry& entry, Object&& object);
    void ReleaseContent(ObjectEntry& entry);
    // Moves the live point runs into a fresh arena once the dead ones outweigh them.
    void CompactIfWasteful();

    ChunkTable<ObjectEntry, Pages::HugeAfterFirst> records_;
    IdTable places_;
    PointArena arena_;
    ChunkTable<ArcDetail> arcs_;
    ChunkTable<TextDetail> texts_;
    ChunkTable<std::vector<ObjectId>> groups_;
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
    // One above the highest layer number, or -1 when the highest is the largest there is.
    std::int32_t NextLayerNumber() const;
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
