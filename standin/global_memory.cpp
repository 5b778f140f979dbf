// Global memory blocks of the Win32 subset: real memory behind handles that are ids, with a
// lock count. Blocks are always zero-filled, GMEM_ZEROINIT or not.
#include "standin/host_state.h"

#include <limits>

using namespace standin;

namespace {
// What GlobalCompact reports as the largest free block: the stand-in does not measure memory.
constexpr SIZE_T kReportedFreeBytes = 0x7FFFFFFF;

MemoryBlock* FindBlock(HGLOBAL memory) {
    const auto found = State().memory.find(IdOf(memory));
    return found == State().memory.end() ? nullptr : &found->second;
}
} // namespace

extern "C" {

WIN32_STANDIN_API HGLOBAL GlobalAlloc(UINT, SIZE_T bytes) {
    return Guarded<HGLOBAL>(nullptr, [&] {
        MemoryBlock block;
        block.bytes.resize(bytes);
        const std::uint64_t id = State().NewId();
        State().memory.emplace(id, std::move(block));
        return HandleFromId<HGLOBAL>(id);
    });
}

WIN32_STANDIN_API void* GlobalLock(HGLOBAL memory) {
    MemoryBlock* block = FindBlock(memory);
    if (!block || block->bytes.empty()) {
        return nullptr;
    }
    if (block->locks < std::numeric_limits<std::int32_t>::max()) {
        ++block->locks;
    }
    return block->bytes.data();
}

// Returns nonzero while the block stays locked, 0 once the last lock is gone (or when the block
// was not locked at all).
WIN32_STANDIN_API BOOL GlobalUnlock(HGLOBAL memory) {
    MemoryBlock* block = FindBlock(memory);
    if (!block || block->locks == 0) {
        return FALSE;
    }
    --block->locks;
    return block->locks > 0 ? TRUE : FALSE;
}

// Null on success; the handle itself when it names no block.
WIN32_STANDIN_API HGLOBAL GlobalFree(HGLOBAL memory) {
    return State().memory.erase(IdOf(memory)) > 0 ? nullptr : memory;
}

WIN32_STANDIN_API SIZE_T GlobalCompact(DWORD) {
    return kReportedFreeBytes;
}

WIN32_STANDIN_API SIZE_T GlobalSize(HGLOBAL memory) {
    const MemoryBlock* block = FindBlock(memory);
    return block ? block->bytes.size() : 0;
}

} // extern "C"
