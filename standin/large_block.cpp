#include "standin/large_block.h"

#include <algorithm>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>

#ifndef MADV_POPULATE_WRITE
#define MADV_POPULATE_WRITE 23 // Linux 5.14; older headers lack the name
#endif
#endif

namespace standin {

#if defined(__linux__)

namespace {

constexpr std::size_t kPage = 4096;

std::size_t RoundUp(std::size_t value, std::size_t unit) {
    return (value + unit - 1) / unit * unit;
}

} // namespace

LargeBlock::LargeBlock(std::size_t bytes, std::size_t hugeFrom) {
    if (bytes > SIZE_MAX / 2) {
        throw std::bad_alloc();
    }
    bytes_ = RoundUp(std::max<std::size_t>(bytes, 1), kPage); // mmap maps no empty range
    const std::size_t hugeStart = hugeFrom >= bytes_ ? bytes_ : RoundUp(hugeFrom, kHugePage);
    const std::size_t hugeEnd = bytes_ / kHugePage * kHugePage;
    const bool huge = hugeStart < hugeEnd;
    // For huge pages the block must be aligned to 2 MiB: map 2 MiB more than asked, then give
    // back the head and the tail around the aligned block.
    const std::size_t mapped = huge ? bytes_ + kHugePage : bytes_;
    void* start = mmap(nullptr, mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (start == MAP_FAILED) {
        throw std::bad_alloc();
    }
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::uintptr_t aligned = huge ? RoundUp(address, kHugePage) : address;
    if (aligned > address) {
        munmap(start, aligned - address);
    }
    if (const std::size_t tail = address + mapped - (aligned + bytes_); tail > 0) {
        munmap(reinterpret_cast<void*>(aligned + bytes_), tail);
    }
    data_ = reinterpret_cast<void*>(aligned);
    if (huge) {
        // Advice only: without huge pages the block works the same on small ones.
        madvise(static_cast<char*>(data_) + hugeStart, hugeEnd - hugeStart, MADV_HUGEPAGE);
    }
}

void LargeBlock::MakePresent(std::size_t end) {
    constexpr std::size_t kStep = std::size_t{64} << 10;
    const std::size_t upTo = std::min(bytes_, RoundUp(end, kStep));
    // Advice as well: where the system cannot do it (before Linux 5.14), the pages fault in as
    // they are written, and the block stops asking.
    const bool done =
        madvise(static_cast<char*>(data_) + present_, upTo - present_, MADV_POPULATE_WRITE) == 0;
    present_ = done ? upTo : bytes_;
}

LargeBlock::~LargeBlock() {
    if (data_) {
        munmap(data_, bytes_);
    }
}

#else

LargeBlock::LargeBlock(std::size_t bytes, std::size_t /*hugeFrom*/)
    : data_(::operator new(bytes)), bytes_(bytes) {}

void LargeBlock::MakePresent(std::size_t /*end*/) {
    present_ = bytes_;
}

LargeBlock::~LargeBlock() {
    ::operator delete(data_);
}

#endif

} // namespace standin
