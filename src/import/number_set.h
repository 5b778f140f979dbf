// A set of 32-bit numbers in one flat array (open addressing, linear probing, at most half the
// slots taken by numbers and erased marks): four bytes a slot, no allocation per number.
#pragma once

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

class NumberSet {
  public:
    NumberSet() = default;
    NumberSet(std::initializer_list<std::int32_t> numbers) {
        for (const std::int32_t number : numbers)
            Insert(number);
    }

    bool Contains(std::int32_t number) const {
        const auto value = static_cast<std::uint32_t>(number);
        if (value >= kErased)
            return value == kEmpty ? holdsEmptyMark_ : holdsErasedMark_;
        return !slots_.empty() && slots_[Find(value)] == value;
    }

    void Insert(std::int32_t number) {
        const auto value = static_cast<std::uint32_t>(number);
        if (value >= kErased) {
            Mark(value) = true;
            return;
        }
        if ((taken_ + 1) * 2 > slots_.size())
            Rebuild();
        std::uint32_t& slot = slots_[Find(value)];
        if (slot == value)
            return;
        slot = value;
        ++taken_;
        ++size_;
    }

    void Erase(std::int32_t number) {
        const auto value = static_cast<std::uint32_t>(number);
        if (value >= kErased) {
            Mark(value) = false;
            return;
        }
        if (slots_.empty())
            return;
        std::uint32_t& slot = slots_[Find(value)];
        if (slot == value) {
            slot = kErased; // still taken: later numbers of the run stay reachable
            --size_;
        }
    }

    std::size_t Size() const { return size_ + holdsEmptyMark_ + holdsErasedMark_; }

    friend bool operator==(const NumberSet& a, const NumberSet& b) {
        if (a.Size() != b.Size() || a.holdsEmptyMark_ != b.holdsEmptyMark_ ||
            a.holdsErasedMark_ != b.holdsErasedMark_)
            return false;
        return std::all_of(a.slots_.begin(), a.slots_.end(), [&](std::uint32_t slot) {
            return slot >= kErased || b.Contains(static_cast<std::int32_t>(slot));
        });
    }

  private:
    // Two values mark empty and erased slots; the two numbers that share their bits are kept
    // aside.
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    static constexpr std::uint32_t kErased = 0xFFFFFFFEu;

    bool& Mark(std::uint32_t value) { return value == kEmpty ? holdsEmptyMark_ : holdsErasedMark_; }

    // The slot holding `value`, else the empty slot that ends its run. Erased slots are passed
    // over (an insertion does not reuse them; the next rebuild drops them).
    std::size_t Find(std::uint32_t value) const {
        const std::size_t mask = slots_.size() - 1;
        // Layer numbers mostly come one after the other: their low bits put them into
        // neighbouring slots (a scattering hash made every insertion a cache miss), and the high
        // bits folded in spread numbers that repeat with a stride of the table's size.
        const std::size_t v = value;
        std::size_t i = (v ^ (v >> std::bit_width(mask))) & mask;
        while (slots_[i] != value && slots_[i] != kEmpty)
            i = (i + 1) & mask;
        return i;
    }

    void Rebuild() {
        std::vector<std::uint32_t> old(std::max<std::size_t>(16, std::bit_ceil(size_ * 2 + 2)),
                                       kEmpty);
        old.swap(slots_);
        taken_ = 0;
        size_ = 0;
        for (const std::uint32_t slot : old) {
            if (slot < kErased)
                Insert(static_cast<std::int32_t>(slot));
        }
    }

    std::vector<std::uint32_t> slots_;
    std::size_t taken_ = 0; // slots holding a number or an erased mark
    std::size_t size_ = 0;  // numbers held in slots
    bool holdsEmptyMark_ = false;
    bool holdsErasedMark_ = false;
};
