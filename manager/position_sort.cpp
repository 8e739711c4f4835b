// Bubble sort of commands by their menu positions.
#include "manager/position_sort.h"

#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "plugin/zarixplugin.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace zarix {
namespace {

// A command with its position split once and each element converted the first time the walk
// needs it, so a bad element raises exactly where a walk converting anew would meet it.
struct TSortEntry {
    void* Command;
    TExplodeArray Parts;
    std::vector<int32_t> Values;
    std::vector<bool> Converted;

    explicit TSortEntry(void* command)
        : Command(command),
          Parts(Explode("|", static_cast<TZarixPluginCommand*>(command)->MenuPosition())),
          Values(Parts.size(), 0),
          Converted(Parts.size(), false) {}

    int32_t Value(std::size_t k) {
        if (!Converted[k]) {
            Values[k] = StrToInt(Parts[k]);
            Converted[k] = true;
        }
        return Values[k];
    }
};

// Whether the pair must be exchanged: some level k, taken in order, where the first number is
// greater and every level before is the same text.
bool MustExchange(TSortEntry& a, TSortEntry& b) {
    const std::size_t m = std::min(a.Parts.size(), b.Parts.size());
    for (std::size_t k = 0; k < m; ++k) {
        const int32_t first = a.Value(k);
        const int32_t second = b.Value(k);
        if (first > second && (k == 0 || SamePositionGroup(a.Parts, b.Parts, static_cast<int>(k) - 1))) return true;
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
    std::vector<TSortEntry> entries;
    entries.reserve(static_cast<std::size_t>(Commands.Count()));
    for (int i = 0; i < Commands.Count(); ++i) entries.emplace_back(Commands.Items(i));
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
