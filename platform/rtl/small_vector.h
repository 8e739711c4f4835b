// A vector that keeps its first N elements inside itself, for short lists built on hot paths.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

namespace zarix {

/// push_back, size and indexing of a vector; the first N elements need no allocation.
template <class T, std::size_t N>
class TSmallVector {
public:
    void push_back(const T& value) {
        if (FSize < N) FInline[FSize] = value;
        else FOverflow.push_back(value);
        ++FSize;
    }
    std::size_t size() const noexcept { return FSize; }
    bool empty() const noexcept { return FSize == 0; }
    const T& operator[](std::size_t i) const noexcept { return i < N ? FInline[i] : FOverflow[i - N]; }
    T& operator[](std::size_t i) noexcept { return i < N ? FInline[i] : FOverflow[i - N]; }

private:
    std::array<T, N> FInline{};
    std::vector<T> FOverflow;
    std::size_t FSize = 0;
};

}  // namespace zarix
