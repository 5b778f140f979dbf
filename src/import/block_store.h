// The block store: the block definitions one import has read, in the order they ended.
#pragma once

#include "host/vexcore.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
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
    const std::vector<BlockRecord>& Records() const { return records_; }
    void Clear();

  private:
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const {
            return std::hash<std::string_view>()(name);
        }
    };
    std::vector<BlockRecord> records_;
    std::unordered_map<std::string, std::size_t, NameHash, std::equal_to<>> firstByName_;
};
