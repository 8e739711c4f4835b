// Bubble sort of commands by their menu positions.
#include "manager/position_sort.h"

#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "plugin/zarixplugin.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

namespace zarix {
namespace {

// The sort is quadratic by design, so every comparison must be cheap and the entries compact.
// Each position is split in place, without copies: a level is its place in the command's own
// MenuPosition text (which the sort does not change) with a hash, so two levels are the same
// text when hashes and texts agree. Up to kInlineLevels levels live inside the entry; each
// element is converted to a number the first time the walk needs it, so a bad element raises
// exactly where a walk converting anew would meet it.
constexpr std::size_t kInlineLevels = 3;

struct TLevel {
    uint32_t Offset = 0;
    uint32_t Length = 0;
    uint32_t Hash = 0;
    int32_t Value = 0;
};

struct TSortEntry {
    void* Command = nullptr;
    const char* Text = nullptr;  // the command's MenuPosition
    uint32_t Count = 0;
    uint16_t ConvertedMask = 0;
    std::array<TLevel, kInlineLevels> Levels{};
    struct TDeep {
        std::vector<TLevel> Levels;
        std::vector<bool> Converted;
    };
    TDeep* Deep = nullptr;  // levels past kInlineLevels, for the rare deeper path
};

uint32_t Fnv1a(std::string_view text) {
    uint32_t h = 2166136261u;
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    return h;
}

class TPositionTable {
public:
    TSortEntry Make(void* command) {
        const std::string& position = static_cast<TZarixPluginCommand*>(command)->MenuPosition();
        // Offsets and the level count are 32-bit to keep the entries compact; no text that long
        // fits in memory beside the rest of a menu, so this only keeps the arithmetic honest.
        if (position.size() >= UINT32_MAX)
            throw EConvertError("a menu position of " + IntToStr(static_cast<int64_t>(position.size())) + " bytes is too long to sort");
        TSortEntry entry;
        entry.Command = command;
        entry.Text = position.data();
        std::size_t start = 0;
        for (;;) {
            const std::size_t bar = position.find('|', start);
            const std::size_t end = bar == std::string::npos ? position.size() : bar;
            TLevel level;
            level.Offset = static_cast<uint32_t>(start);
            level.Length = static_cast<uint32_t>(end - start);
            level.Hash = Fnv1a(std::string_view(position).substr(start, end - start));
            if (entry.Count < kInlineLevels) {
                entry.Levels[entry.Count] = level;
            } else {
                if (entry.Deep == nullptr) {
                    FDeep.push_back(std::make_unique<TSortEntry::TDeep>());
                    entry.Deep = FDeep.back().get();
                }
                entry.Deep->Levels.push_back(level);
                entry.Deep->Converted.push_back(false);
            }
            ++entry.Count;
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        return entry;
    }

    static const TLevel& Level(const TSortEntry& e, std::size_t k) {
        return k < kInlineLevels ? e.Levels[k] : e.Deep->Levels[k - kInlineLevels];
    }

    static std::string_view Text(const TSortEntry& e, std::size_t k) {
        const TLevel& level = Level(e, k);
        return std::string_view(e.Text + level.Offset, level.Length);
    }

    static bool SameText(const TSortEntry& a, const TSortEntry& b, std::size_t k) {
        return Level(a, k).Hash == Level(b, k).Hash && Text(a, k) == Text(b, k);
    }

    static int32_t Value(TSortEntry& e, std::size_t k) {
        if (k < kInlineLevels) {
            if ((e.ConvertedMask & (1u << k)) == 0) {
                e.Levels[k].Value = StrToInt(Text(e, k));
                e.ConvertedMask = static_cast<uint16_t>(e.ConvertedMask | (1u << k));
            }
            return e.Levels[k].Value;
        }
        const std::size_t d = k - kInlineLevels;
        if (!e.Deep->Converted[d]) {
            e.Deep->Levels[d].Value = StrToInt(Text(e, k));
            e.Deep->Converted[d] = true;
        }
        return e.Deep->Levels[d].Value;
    }

private:
    std::vector<std::unique_ptr<TSortEntry::TDeep>> FDeep;
};

// Whether the pair must be exchanged: some level k, taken in order, where the first number is
// greater and every level before is the same text.
bool MustExchange(TSortEntry& a, TSortEntry& b) {
    const std::size_t m = std::min(a.Count, b.Count);
    std::size_t sameUpTo = 0;  // levels 0 .. sameUpTo-1 are known to be the same text
    for (std::size_t k = 0; k < m; ++k) {
        const int32_t first = TPositionTable::Value(a, k);
        const int32_t second = TPositionTable::Value(b, k);
        if (first > second) {
            while (sameUpTo < k && TPositionTable::SameText(a, b, sameUpTo)) ++sameUpTo;
            if (sameUpTo == k) return true;
        }
    }
    return false;
}

}  // namespace

bool SamePositionGroup(const TExplodeArray& A, const TExplodeArray& B, int L) {
    // A level that one of the two does not have is not the same in both; the sort never asks
    // past the shorter one, but a host calling IsSameGroup might.
    for (int i = 0; i <= L; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (k >= A.size() || k >= B.size() || A[k] != B[k]) return false;
    }
    return true;
}

void SortCommandsByPosition(TList& Commands) {
    TPositionTable table;
    std::vector<TSortEntry> entries;
    entries.reserve(static_cast<std::size_t>(Commands.Count()));
    for (int i = 0; i < Commands.Count(); ++i) entries.push_back(table.Make(Commands.Items(i)));
    // NOTE: pairs that are neither greater nor smaller (equal positions, or one a leading part
    // of the other) never move, so the result depends on this exact pass structure: Count
    // passes over neighbours. Stopping after a pass that moved nothing changes no result.
    const std::size_t n = entries.size();
    for (std::size_t pass = 0; pass < n; ++pass) {
        bool exchanged = false;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (MustExchange(entries[i], entries[i + 1])) {
                std::swap(entries[i], entries[i + 1]);
                exchanged = true;
            }
        }
        if (!exchanged) break;
    }
    for (std::size_t i = 0; i < n; ++i) Commands.SetItems(static_cast<int>(i), entries[i].Command);
}

}  // namespace zarix
