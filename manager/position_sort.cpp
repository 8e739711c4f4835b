// Bubble sort of commands by their menu positions.
#include "manager/position_sort.h"

#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "plugin/zarixplugin.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zarix {
namespace {

// The sort is quadratic by design, so every comparison must be cheap and the entries compact:
// each element text is interned once (equal texts, equal numbers), positions of up to
// kInlineLevels elements live inside the entry, and each element is converted to a number the
// first time the walk needs it, so a bad element raises exactly where a walk converting anew
// would meet it.
constexpr std::size_t kInlineLevels = 6;

struct TLevels {
    std::vector<int32_t> Texts;
    std::vector<int32_t> Values;
    std::vector<bool> Converted;
};

struct TSortEntry {
    void* Command = nullptr;
    uint32_t Count = 0;
    uint32_t ConvertedMask = 0;
    std::array<int32_t, kInlineLevels> Texts{};
    std::array<int32_t, kInlineLevels> Values{};
    TLevels* Deep = nullptr;  // levels past kInlineLevels, for the rare deeper path
};

class TPositionTable {
public:
    TSortEntry Make(void* command) {
        const TExplodeArray parts = Explode("|", static_cast<TZarixPluginCommand*>(command)->MenuPosition());
        TSortEntry entry;
        entry.Command = command;
        entry.Count = static_cast<uint32_t>(parts.size());
        if (parts.size() > kInlineLevels) {
            FDeep.push_back(std::make_unique<TLevels>());
            entry.Deep = FDeep.back().get();
            entry.Deep->Values.assign(parts.size() - kInlineLevels, 0);
            entry.Deep->Converted.assign(parts.size() - kInlineLevels, false);
        }
        for (std::size_t k = 0; k < parts.size(); ++k) {
            const int32_t id = Intern(parts[k]);
            if (k < kInlineLevels) entry.Texts[k] = id;
            else entry.Deep->Texts.push_back(id);
        }
        return entry;
    }

    int32_t Text(const TSortEntry& e, std::size_t k) const {
        return k < kInlineLevels ? e.Texts[k] : e.Deep->Texts[k - kInlineLevels];
    }

    int32_t Value(TSortEntry& e, std::size_t k) {
        if (k < kInlineLevels) {
            if ((e.ConvertedMask & (1u << k)) == 0) {
                e.Values[k] = StrToInt(FTexts[static_cast<std::size_t>(e.Texts[k])]);
                e.ConvertedMask |= 1u << k;
            }
            return e.Values[k];
        }
        const std::size_t d = k - kInlineLevels;
        if (!e.Deep->Converted[d]) {
            e.Deep->Values[d] = StrToInt(FTexts[static_cast<std::size_t>(e.Deep->Texts[d])]);
            e.Deep->Converted[d] = true;
        }
        return e.Deep->Values[d];
    }

private:
    int32_t Intern(const std::string& text) {
        const auto [it, fresh] = FIds.try_emplace(text, static_cast<int32_t>(FTexts.size()));
        if (fresh) FTexts.push_back(text);
        return it->second;
    }

    std::unordered_map<std::string, int32_t> FIds;
    std::vector<std::string> FTexts;
    std::vector<std::unique_ptr<TLevels>> FDeep;
};

// Whether the pair must be exchanged: some level k, taken in order, where the first number is
// greater and every level before is the same text.
bool MustExchange(TPositionTable& table, TSortEntry& a, TSortEntry& b) {
    const std::size_t m = std::min(a.Count, b.Count);
    std::size_t sameUpTo = 0;  // levels 0 .. sameUpTo-1 are known to be the same text
    for (std::size_t k = 0; k < m; ++k) {
        const int32_t first = table.Value(a, k);
        const int32_t second = table.Value(b, k);
        if (first > second) {
            while (sameUpTo < k && table.Text(a, sameUpTo) == table.Text(b, sameUpTo)) ++sameUpTo;
            if (sameUpTo == k) return true;
        }
    }
    return false;
}

}  // namespace

bool SamePositionGroup(const TExplodeArray& A, const TExplodeArray& B, int L) {
    for (int i = 0; i <= L; ++i)
        if (A[static_cast<std::size_t>(i)] != B[static_cast<std::size_t>(i)]) return false;
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
            if (MustExchange(table, entries[i], entries[i + 1])) {
                std::swap(entries[i], entries[i + 1]);
                exchanged = true;
            }
        }
        if (!exchanged) break;
    }
    for (std::size_t i = 0; i < n; ++i) Commands.SetItems(static_cast<int>(i), entries[i].Command);
}

}  // namespace zarix
