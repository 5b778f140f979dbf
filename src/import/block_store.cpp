#include "import/block_store.h"

void BlockStore::Append(BlockRecord record) {
    firstByName_.try_emplace(record.name, records_.size());
    records_.push_back(std::move(record));
}

const BlockRecord* BlockStore::Find(std::string_view name) const {
    const auto found = firstByName_.find(name);
    return found == firstByName_.end() ? nullptr : &records_[found->second];
}

void BlockStore::Clear() {
    records_.clear();
    firstByName_.clear();
}
