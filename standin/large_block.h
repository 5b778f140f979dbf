// Memory for the map's large tables (the point arena, the record chunks), taken from the system
// in whole pages. A page costs nothing until it is first touched; then it costs a page fault, and
// a map of a large drawing touches thousands of fresh pages (in a virtual machine each fault is a
// trip through the hypervisor, the largest single cost of a whole import run). On Linux the
// whole 2 MiB stretches of a block from `hugeFrom` on are advised for transparent huge pages:
// one fault for 2 MiB. Tables keep their first, small block on small pages (kSmallPagesOnly), so
// a small map does not hold a 2 MiB page for a few points. Elsewhere the block comes from the
// heap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

namespace standin {

class LargeBlock {
  public:
    static constexpr std::size_t kHugePage = std::size_t{2} << 20;
    static constexpr std::size_t kSmallPagesOnly = SIZE_MAX;

    LargeBlock() = default;
    // Throws std::bad_alloc when the system has no memory for it.
    LargeBlock(std::size_t bytes, std::size_t hugeFrom);
    LargeBlock(LargeBlock&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), bytes_(std::exchange(other.bytes_, 0)),
          present_(std::exchange(other.present_, 0)) {}
    LargeBlock& operator=(LargeBlock&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(bytes_, other.bytes_);
        std::swap(present_, other.present_);
        return *this;
    }
    LargeBlock(const LargeBlock&) = delete;
    LargeBlock& operator=(const LargeBlock&) = delete;
    ~LargeBlock();

    void* data() const { return data_; }
    // To be called before the bytes up to `end` (from the block's start) are first written:
    // their pages are made present ahead, 64 KiB at a time, with one system call instead of a
    // fault for every page.
    void Reach(std::size_t end) {
        if (end > present_) {
            MakePresent(end);
        }
    }

  private:
    void MakePresent(std::size_t end);

    void* data_ = nullptr;
    std::size_t bytes_ = 0;   // as mapped
    std::size_t present_ = 0; // bytes from the start made present
};

} // namespace standin
