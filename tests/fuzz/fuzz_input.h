// A fuzz input read as a sequence of values: each Take copies the next bytes into a value and
// gives zeros once the input runs out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    template <class T>
    T Take() {
        T value{};
        const size_t n = size < sizeof(T) ? size : sizeof(T);
        std::memcpy(&value, data, n);
        data += n, size -= n;
        return value;
    }
};
