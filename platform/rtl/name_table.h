// TNameTable: a small hash table from names to values in which the letters a to z match
// whatever their case, for the lookups by name of reflection and of the calls between plugins.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zarix {

namespace detail {

constexpr uint64_t kEveryByte = 0x0101010101010101ull;

// Eight bytes at once with a to z made upper case; every other byte, UTF-8 ones included, stays.
constexpr uint64_t FoldCase(uint64_t w) noexcept {
    const uint64_t low7 = w & (0x7F * kEveryByte);
    const uint64_t fromA = low7 + (0x80 - 'a') * kEveryByte;      // bit 7 set where the byte is 'a' or more
    const uint64_t pastZ = low7 + (0x80 - 'z' - 1) * kEveryByte;  // bit 7 set where it is past 'z'
    const uint64_t lower = fromA & ~pastZ & ~w & (0x80 * kEveryByte);
    return w - (lower >> 2);  // bit 7 moved to bit 5: 0x20, the distance from 'a' to 'A'
}

inline uint64_t Load8(const char* p) noexcept {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

// A text shorter than eight bytes as one word; every byte lands somewhere in it, so two texts of
// the same length give equal words exactly when they are equal.
inline uint64_t Pack(const char* p, std::size_t n) noexcept {
    if (n >= 4) {
        uint32_t first, last;  // overlapping when n is below 8
        std::memcpy(&first, p, 4);
        std::memcpy(&last, p + n - 4, 4);
        return first | static_cast<uint64_t>(last) << 32;
    }
    if (n == 0) return 0;
    return static_cast<unsigned char>(p[0]) | static_cast<uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
           static_cast<uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16;
}

// Words of two texts that are the same with a to z in any case; mostly they are simply equal.
inline bool SameFolded(uint64_t a, uint64_t b) noexcept { return a == b || FoldCase(a) == FoldCase(b); }

inline uint64_t Mix(uint64_t h, uint64_t w) noexcept {
    h = (h ^ w) * 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

}  // namespace detail

// Both read a text eight bytes at a time; a length that is not a multiple of eight ends with the
// last eight bytes, overlapping the word before.

/// A hash of a name that ignores the case of the letters a to z. It clears bit 5 of every byte
/// rather than folding exactly: names equal but for the case of a to z still hash alike, and
/// the rare others that collide ('@' and '`', for one) are told apart by CaseFoldEqual.
inline uint64_t CaseFoldHash(std::string_view s) noexcept {
    using namespace detail;
    constexpr uint64_t kNoCase = ~(0x20 * kEveryByte);
    const std::size_t n = s.size();
    uint64_t h = n * 0x9E3779B97F4A7C15ull;
    if (n < 8) {
        h = Mix(h, Pack(s.data(), n) & kNoCase);
    } else {
        for (std::size_t at = 0; at + 8 <= n; at += 8) h = Mix(h, Load8(s.data() + at) & kNoCase);
        if (n % 8 != 0) h = Mix(h, Load8(s.data() + n - 8) & kNoCase);
    }
    h = (h ^ (h >> 33)) * 0xFF51AFD7ED558CCDull;  // spreads every bit into the low ones the table uses
    return h ^ (h >> 33);
}

/// True when the names are equal with the letters a to z compared without regard to case.
/// Always inlined: out of line, the call costs as much as comparing a short name.
[[gnu::always_inline]] inline bool CaseFoldEqual(std::string_view a, std::string_view b) noexcept {
    using namespace detail;
    const std::size_t n = a.size();
    if (n != b.size()) return false;
    if (n < 8) return SameFolded(Pack(a.data(), n), Pack(b.data(), n));
    for (std::size_t at = 0; at + 8 <= n; at += 8)
        if (!SameFolded(Load8(a.data() + at), Load8(b.data() + at))) return false;
    return SameFolded(Load8(a.data() + n - 8), Load8(b.data() + n - 8));
}

/// Names to values; a name matches another that differs only in the case of a to z. Open
/// addressing over a power-of-two number of slots kept at most a quarter full, the hashes apart
/// from the names and values, so that a lookup is one hash of the name, a short scan of
/// neighbouring hashes and mostly one comparison of names, without building a string.
///
/// Key is std::string, or std::string_view where the table's owner guarantees that the texts
/// outlive the table's use of them (the table then copies no text and allocates nothing once
/// its slots exist).
template <class V, class Key = std::string>
class TNameTable {
public:
    /// The value of the name matching Name; nullptr when there is none.
    const V* Find(std::string_view Name) const noexcept {
        if (FCount == 0) return nullptr;
        const uint64_t hash = HashOf(Name);
        for (std::size_t i = hash & FMask; FHashes[i] != 0; i = (i + 1) & FMask)
            if (FHashes[i] == hash && CaseFoldEqual(FEntries[i].Name, Name)) return &FEntries[i].Value;
        return nullptr;
    }
    V* Find(std::string_view Name) noexcept { return const_cast<V*>(std::as_const(*this).Find(Name)); }

    /// The value of the name matching Name, made (value-initialised, under Name) when missing.
    V& operator[](std::string_view Name) {
        if (V* found = Find(Name)) return *found;
        if (4 * (FCount + 1) > FHashes.size()) Grow();
        Entry& entry = FEntries[Place(HashOf(Name))];
        entry = Entry{Key(Name), V{}};
        ++FCount;
        return entry.Value;
    }

    std::size_t Count() const noexcept { return FCount; }
    /// Forgets every name; the slots stay for the next filling.
    void Clear() noexcept {
        std::fill(FHashes.begin(), FHashes.end(), 0);
        FCount = 0;
    }

private:
    struct Entry {
        Key Name;
        V Value{};
    };

    // 0 marks a free slot, so no name hashes to it.
    static uint64_t HashOf(std::string_view Name) noexcept {
        const uint64_t hash = CaseFoldHash(Name);
        return hash == 0 ? 1 : hash;
    }

    // Claims the first free slot from the hash's own and returns its position.
    std::size_t Place(uint64_t hash) noexcept {
        std::size_t i = hash & FMask;
        while (FHashes[i] != 0) i = (i + 1) & FMask;
        FHashes[i] = hash;
        return i;
    }

    void Grow() {
        std::vector<uint64_t> hashes(FHashes.empty() ? 16 : 2 * FHashes.size());
        std::vector<Entry> entries(hashes.size());
        hashes.swap(FHashes);
        entries.swap(FEntries);
        FMask = FHashes.size() - 1;
        for (std::size_t i = 0; i < hashes.size(); ++i)
            if (hashes[i] != 0) FEntries[Place(hashes[i])] = std::move(entries[i]);
    }

    std::vector<uint64_t> FHashes;
    std::vector<Entry> FEntries;  // at the same positions as FHashes
    std::size_t FCount = 0;
    std::size_t FMask = 0;  // FHashes.size() - 1
};

}  // namespace zarix
