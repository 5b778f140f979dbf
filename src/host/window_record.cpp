#include "host/window_record.h"

#include "host/host_calls.h"

#if defined(_WIN32)

namespace {
// The user data of a map window (index -21, GWL_USERDATA) is the address of the host record,
// whose handle fields are pointer-sized: 32 bits in the shipping DLL, 64 in the 64-bit build
// that runs under Wine.
constexpr int kWindowRecordIndex = -21;
constexpr std::size_t kTextMemoryOffset = 12;
constexpr std::size_t kTextBaseOffset = 68;
constexpr std::size_t kPresentationOffset = 232;
constexpr std::size_t kUnitIdOffset = 52;
constexpr std::size_t kDatabaseOffset = 240;

const unsigned char* Record(HWND map) {
#if defined(_WIN64)
    // A 32-bit GetWindowLongA would cut a 64-bit address in half.
    return reinterpret_cast<const unsigned char*>(GetWindowLongPtrA(map, kWindowRecordIndex));
#else
    return reinterpret_cast<const unsigned char*>(GetWindowLongA(map, kWindowRecordIndex));
#endif
}
} // namespace

DBHANDLE WindowObjectDatabase(HWND map) {
    const unsigned char* record = Record(map);
    return record ? ReadUnaligned<DBHANDLE>(record, kDatabaseOffset) : nullptr;
}

PMHANDLE WindowPresentation(HWND map) {
    const unsigned char* record = Record(map);
    return record ? ReadUnaligned<PMHANDLE>(record, kPresentationOffset) : nullptr;
}

std::int32_t WindowUnitId(HWND map) {
    PMHANDLE pm = WindowPresentation(map);
    return pm ? ReadUnaligned<std::int32_t>(pm, kUnitIdOffset) : 0;
}

std::int32_t WindowTextBase(HWND map) {
    const unsigned char* record = Record(map);
    if (!record)
        return 0;
    HGLOBAL memory = ReadUnaligned<HGLOBAL>(record, kTextMemoryOffset);
    const void* block = memory ? GlobalLock(memory) : nullptr;
    if (!block)
        return 0;
    const auto value = ReadUnaligned<std::int32_t>(block, kTextBaseOffset);
    GlobalUnlock(memory);
    return value;
}

#else

DBHANDLE WindowObjectDatabase(HWND map) {
    return standin_WindowObjectDatabase(map);
}
PMHANDLE WindowPresentation(HWND map) {
    return standin_WindowPresentation(map);
}
std::int32_t WindowUnitId(HWND map) {
    return standin_WindowUnitId(map);
}
std::int32_t WindowTextBase(HWND map) {
    return standin_WindowTextBase(map);
}

#endif
