// Small helpers for the host's output conventions: texts cut to the caller's buffer, counts
// reported through optional pointers, lists delivered up to a capacity.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace standin {

// Copies at most size - 1 bytes and a terminating zero; nothing when there is no room at all.
inline void CopyTextOut(char* destination, std::int64_t size, std::string_view text) {
    if (!destination || size <= 0) {
        return;
    }
    const std::size_t length = std::min(text.size(), static_cast<std::size_t>(size - 1));
    std::memcpy(destination, text.data(), length);
    destination[length] = '\0';
}

template <typename T>
void Put(T* destination, T value) {
    if (destination) {
        *destination = value;
    }
}

inline std::int32_t ClampCount(std::size_t count) {
    return static_cast<std::int32_t>(std::min<std::size_t>(count, INT32_MAX));
}

// The getter convention: the total goes to *count; without a buffer the result is the total,
// with one the number of items delivered (at most capacity).
template <typename T, typename Source>
std::int32_t DeliverList(std::int32_t* count, T* buffer, std::int32_t capacity, const Source& items,
                         T (*convert)(const typename Source::value_type&)) {
    Put(count, ClampCount(items.size()));
    if (!buffer) {
        return ClampCount(items.size());
    }
    const std::size_t delivered =
        std::min(items.size(), static_cast<std::size_t>(std::max(capacity, 0)));
    for (std::size_t i = 0; i < delivered; ++i) {
        buffer[i] = convert(items[i]);
    }
    return static_cast<std::int32_t>(delivered);
}

} // namespace standin
