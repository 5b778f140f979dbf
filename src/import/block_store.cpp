#include "import/block_store.h"

std::size_t BlockStore::SlotOf(std::string_view name, std::size_t hash) const {
    const std::size_t mask = index_.size() - 1;
    std::size_t i = hash & mask;
    while (index_[i].record != 0 &&
           !(index_[i].hash == hash && records_[index_[i].record - 1].name == name)) {
        i = (i + 1) & mask;
    }
    return i;
}

void BlockStore::Grow() {
    std::vector<Slot> old = std::move(index_);
    index_.assign(old.empty() ? 16 : old.size() * 2, Slot{});
    const std::size_t mask = index_.size() - 1;
    for (const Slot& slot : old) {
        if (slot.record == 0)
            continue;
        std::size_t i = slot.hash & mask;
        while (index_[i].record != 0)
            i = (i + 1) & mask;
        index_[i] = slot;
    }
}

void BlockStore::Append(BlockRecord record) {
    // At most half the slots taken, so that every search meets an empty one soon.
    if ((indexed_ + 1) * 2 > index_.size())
        Grow();
    const std::size_t hash = Hash(record.name);
    const std::size_t slot = SlotOf(record.name, hash);
    records_.push_back(std::move(record));
    if (index_[slot].record == 0) { // a later record of a known name is never found by name
        index_[slot] = {hash, records_.size()};
        ++indexed_;
    }
}

const BlockRecord* BlockStore::Find(std::string_view name) const {
    if (index_.empty())
        return nullptr;
    const Slot& slot = index_[SlotOf(name, Hash(name))];
    return slot.record == 0 ? nullptr : &records_[slot.record - 1];
}

void BlockStore::Clear() {
    records_.clear();
    index_.clear();
    indexed_ = 0;
}

BlockRecord* BlockStore::FindForUpdate(std::string_view name) {
    if (index_.empty())
        return nullptr;
    const Slot& slot = index_[SlotOf(name, Hash(name))];
    return slot.record == 0 ? nullptr : &records_[slot.record - 1];
}
