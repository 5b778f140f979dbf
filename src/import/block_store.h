// The block store: the block definitions one import has read, in the order they ended.
#pragma once

#include "host/vexcore.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct BlockRecord {
    OBJHANDLE object = nullptr; // the block's single object, or a host group of all of them
    std::string name;
    std::int32_t baseX = 0;
    std::int32_t baseY = 0;
    std::int32_t baseZ = 0;
    // The objects of the tree below `object`, counted once when the definition ends, so that
    // the limit on inserted objects costs nothing per INSERT.
    std::uint64_t objectCount = 0;
};

// Records are only appended. Lookup by name returns the first record of that name, through an
// index so that a million blocks and a million INSERTs stay linear.
class BlockStore {
  public:
    void Append(BlockRecord record);
    // The first record whose name equals `name` byte for byte, or null.
    const BlockRecord* Find(std::string_view name) const;
    // The same record, to add what INSERTs placed into it once every definition is read.
    BlockRecord* FindForUpdate(std::string_view name);
    const std::vector<BlockRecord>& Records() const { return records_; }
    void Clear();

  private:
    // The index holds the first record of each name: open addressing in one flat array of
    // hashes and record numbers, so that a search costs one probe run and one look at the
    // record whose hash matches, and a new name costs no allocation of its own.
    struct Slot {
        std::size_t hash = 0;
        std::size_t record = 0; // the record's index + 1; 0 marks an empty slot
    };
    static std::size_t Hash(std::string_view name) { return std::hash<std::string_view>()(name); }
    // The slot holding `name`, or the empty slot where it would go; the index must not be empty.
    std::size_t SlotOf(std::string_view name, std::size_t hash) const;
    void Grow();

    std::vector<BlockRecord> records_;
    std::vector<Slot> index_; // a power of two in size, or empty
    std::size_t indexed_ = 0; // names in the index
};
