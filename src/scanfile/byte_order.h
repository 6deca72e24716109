// SPDX-License-Identifier: MIT
// Little-endian loads and stores: the scan data file is little-endian whatever the host is.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <type_traits>

namespace quillon {

template <typename T>
T LoadLE(const unsigned char* p) {
    static_assert(std::is_trivially_copyable_v<T>);
    unsigned char bytes[sizeof(T)];
    std::memcpy(bytes, p, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(bytes, bytes + sizeof(T));
    }
    T value;
    std::memcpy(&value, bytes, sizeof(T));
    return value;
}

template <typename T>
void StoreLE(unsigned char* p, T value) {
    static_assert(std::is_trivially_copyable_v<T>);
    std::memcpy(p, &value, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) {
        std::reverse(p, p + sizeof(T));
    }
}

// Turns an array of 4-byte values read straight from the file into host order, in place.
template <typename T>
void FixArrayOrder(T* values, std::size_t count) {
    static_assert(sizeof(T) == 4);
    if constexpr (std::endian::native == std::endian::big) {
        auto* bytes = reinterpret_cast<unsigned char*>(values);
        for (std::size_t i = 0; i < count; ++i) {
            std::reverse(bytes + 4 * i, bytes + 4 * i + 4);
        }
    } else {
        (void)values;
        (void)count;
    }
}

}  // namespace quillon
