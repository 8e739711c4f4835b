// The order of commands by their menu positions: the pair rule's passes, or a stable sort where
// it gives the same order.
#include "manager/position_sort.h"

#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"
#include "plugin/zarixplugin.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zarix {
namespace {

// The sort is quadratic by design, so the pair test must cost what comparing pre-converted
// integers costs. Every level of every position is therefore converted once, before the sort.
// A level written the plain way (decimal digits without a leading zero) is known by its value
// alone; any other text is given the number of its text among such distinct texts. Two levels
// are then the same text exactly when their numbers are equal and, for plain ones, their values
// too. A level that is no integer is only marked; it raises its conversion error when the walk
// meets it, exactly where a walk converting anew would meet it. Entries are small, so an
// exchange moves little.
constexpr uint32_t kPlain = 0;
constexpr uint32_t kNotInteger = UINT32_MAX;

struct TLevel {
    int32_t Value = 0;
    uint32_t Text = kPlain;  // kPlain, else the number of the level's text; kNotInteger when it is no integer
};

inline bool SameText(const TLevel& x, const TLevel& y) noexcept {
    return x.Text == y.Text && (x.Text != kPlain || x.Value == y.Value);
}

// The value of a level written the plain way; nothing when it is written otherwise.
inline bool PlainValue(std::string_view text, int32_t& value) noexcept {
    if (text.empty() || text.size() > 9 || (text[0] == '0' && text.size() > 1)) return false;
    int32_t v = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

struct TSortEntry {
    void* Command = nullptr;
    uint32_t First = 0;  // the entry's levels in the table
    uint32_t Count = 0;
};

class TPositionTable {
public:
    explicit TPositionTable(std::size_t commands) {
        FEntries.reserve(commands);
        FLevels.reserve(3 * commands);  // the depth of a usual menu
    }

    void Add(void* command) {
        const std::string& position = static_cast<TZarixPluginCommand*>(command)->MenuPosition();
        if (FLevels.size() + position.size() >= UINT32_MAX)
            throw EConvertError("menu positions of more than " + IntToStr(int64_t{UINT32_MAX}) + " levels cannot be sorted");
        TSortEntry entry;
        entry.Command = command;
        entry.First = static_cast<uint32_t>(FLevels.size());
        std::size_t start = 0;
        for (;;) {
            // Levels are a few digits long: reading up to the bar beats a call to search for it.
            std::size_t end = start;
            while (end < position.size() && position[end] != '|') ++end;
            const std::size_t bar = end < position.size() ? end : std::string::npos;
            const std::string_view text = std::string_view(position).substr(start, end - start);
            TLevel level;
            if (!PlainValue(text, level.Value)) {
                FAllPlain = false;
                const auto [name, fresh] = FTexts.try_emplace(text, static_cast<uint32_t>(FTexts.size() + 1));
                level.Text = name->second;
                try {
                    level.Value = StrToInt(text);
                } catch (const EConvertError&) {
                    level.Text = kNotInteger;
                }
            }
            FLevels.push_back(level);
            ++entry.Count;
            if (bar == std::string::npos) break;
            start = bar + 1;
        }
        FEntries.push_back(entry);
    }

    std::vector<TSortEntry>& Entries() noexcept { return FEntries; }
    bool AllPlain() const noexcept { return FAllPlain; }
    const TLevel* Levels(const TSortEntry& e) const noexcept { return FLevels.data() + e.First; }

    // The conversion error of level k of the entry, as converting its text raises it.
    [[noreturn]] static void RaiseAt(const TSortEntry& e, std::size_t k) {
        const TExplodeArray levels = Explode("|", static_cast<TZarixPluginCommand*>(e.Command)->MenuPosition());
        StrToInt(levels[k]);
        throw EConvertError("'" + levels[k] + "' is not a valid integer value");  // not reached
    }

private:
    std::vector<TSortEntry> FEntries;
    std::vector<TLevel> FLevels;
    // Keys are views of the commands' own MenuPosition texts, which the sort does not change.
    std::unordered_map<std::string_view, uint32_t> FTexts;
    bool FAllPlain = true;
};

// Whether the pair must be exchanged: some level k, taken in order, where the first number is
// greater and every level before is the same text.
inline bool MustExchange(const TPositionTable& table, const TSortEntry& a, const TSortEntry& b) {
    const TLevel* x = table.Levels(a);
    const TLevel* y = table.Levels(b);
    const uint32_t m = std::min(a.Count, b.Count);
    uint32_t sameUpTo = 0;  // levels 0 .. sameUpTo-1 are known to be the same text
    for (uint32_t k = 0; k < m; ++k) {
        if (x[k].Text == kNotInteger) TPositionTable::RaiseAt(a, k);
        if (y[k].Text == kNotInteger) TPositionTable::RaiseAt(b, k);
        if (x[k].Value > y[k].Value) {
            while (sameUpTo < k && SameText(x[sameUpTo], y[sameUpTo])) ++sameUpTo;
            if (sameUpTo == k) return true;
        }
    }
    return false;
}

// The levels' values compared in order, a position before the longer ones it leads.
inline bool LevelsBefore(const TPositionTable& table, const TSortEntry& a, const TSortEntry& b) noexcept {
    const TLevel* x = table.Levels(a);
    const TLevel* y = table.Levels(b);
    const uint32_t m = std::min(a.Count, b.Count);
    for (uint32_t k = 0; k < m; ++k)
        if (x[k].Value != y[k].Value) return x[k].Value < y[k].Value;
    return a.Count < b.Count;
}

// Whether A's levels are the first levels of the longer B.
inline bool LeadsLonger(const TPositionTable& table, const TSortEntry& a, const TSortEntry& b) noexcept {
    if (a.Count >= b.Count) return false;
    const TLevel* x = table.Levels(a);
    const TLevel* y = table.Levels(b);
    for (uint32_t k = 0; k < a.Count; ++k)
        if (x[k].Value != y[k].Value) return false;
    return true;
}

// The passes' result reached in n log n, where that result is a plain stable sort's. With every
// level written the plain way, the same text is the same value, and the pair rule exchanges
// exactly where the values, compared level by level, say the first is greater. Only a position
// that leads a longer one is neither before nor after it, while the longer one is ordered
// against its neighbours: that breaks the order the stable sort needs, and the passes decide.
// False, with the entries untouched, when the passes must run.
bool SortedAsStable(TPositionTable& table) {
    if (!table.AllPlain()) return false;
    std::vector<TSortEntry> sorted = table.Entries();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&table](const TSortEntry& a, const TSortEntry& b) { return LevelsBefore(table, a, b); });
    // Sorted so, a position that leads any other is followed by one it leads.
    for (std::size_t i = 0; i + 1 < sorted.size(); ++i)
        if (LeadsLonger(table, sorted[i], sorted[i + 1])) return false;
    table.Entries() = std::move(sorted);
    return true;
}

// Reads the level of Text at At when it is written the plain way, and moves At past its bar;
// Last tells whether it was the text's last level. Positions are a few characters long:
// looking for the bar in place beats splitting them.
inline bool ReadPlainLevel(std::string_view Text, std::size_t& At, int32_t& Value, bool& Last) noexcept {
    std::size_t end = At;
    while (end < Text.size() && Text[end] != '|') ++end;
    if (!PlainValue(Text.substr(At, end - At), Value)) return false;
    Last = end == Text.size();
    At = Last ? end : end + 1;
    return true;
}

// The levels of one position written the plain way, read once for both neighbours it is
// compared with.
struct TPlainLevels {
    static constexpr uint32_t kMost = 8;  // deeper positions go the long way
    std::array<int32_t, kMost> Value;
    uint32_t Count = 0;
};

// False when a level is not written the plain way (it may be no integer, and raise in the long
// way) or the position is deeper than the walk keeps.
bool ReadPlainLevels(std::string_view Text, TPlainLevels& Levels) noexcept {
    std::size_t at = 0;
    Levels.Count = 0;
    for (bool last = false; !last; ++Levels.Count)
        if (Levels.Count == TPlainLevels::kMost || !ReadPlainLevel(Text, at, Levels.Value[Levels.Count], last))
            return false;
    return true;
}

// Whether the pair rule surely leaves A before B: the first level both have that differs
// decides, and none differing leaves them.
bool PlainlyInOrder(const TPlainLevels& A, const TPlainLevels& B) noexcept {
    const uint32_t m = std::min(A.Count, B.Count);
    for (uint32_t k = 0; k < m; ++k)
        if (A.Value[k] != B.Value[k]) return A.Value[k] < B.Value[k];
    return true;
}

// A list already in order with every level plain, the usual case of a menu built again, is
// told by one walk over its neighbours, without the table of every level. Every level of every
// position is read, more than the pair rule converts: anything not plain goes the long way,
// which raises where the rule does.
bool AlreadyInPlainOrder(const TList& Commands) {
    const int n = Commands.Count();
    const auto position = [&Commands](int i) -> const std::string& {
        return static_cast<const TZarixPluginCommand*>(Commands.Items(i))->MenuPosition();
    };
    if (n < 2) return true;
    TPlainLevels previous, next;
    if (!ReadPlainLevels(position(0), previous)) return false;
    for (int i = 1; i < n; ++i) {
        if (!ReadPlainLevels(position(i), next) || !PlainlyInOrder(previous, next)) return false;
        std::swap(previous, next);
    }
    return true;
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
    if (AlreadyInPlainOrder(Commands)) return;
    TPositionTable table(static_cast<std::size_t>(Commands.Count()));
    for (int i = 0; i < Commands.Count(); ++i) table.Add(Commands.Items(i));
    std::vector<TSortEntry>& entries = table.Entries();
    const std::size_t n = entries.size();
    // NOTE: pairs that are neither greater nor smaller (equal positions, or one a leading part
    // of the other) never move, so the result depends on this exact pass structure: Count
    // passes over neighbours. Stopping after a pass that moved nothing changes no result.
    for (std::size_t pass = 0; pass < n; ++pass) {
        bool exchanged = false;
        for (std::size_t i = 0; i + 1 < n; ++i) {
            if (MustExchange(table, entries[i], entries[i + 1])) {
                std::swap(entries[i], entries[i + 1]);
                exchanged = true;
            }
        }
        if (!exchanged) break;
        // A list in order costs its one pass. After a pass that moved something, the rest may
        // be a stable sort's: a pass exchanges only neighbours in strict order, so positions
        // that are equal still stand in their first order.
        if (pass == 0 && SortedAsStable(table)) break;
    }
    for (std::size_t i = 0; i < n; ++i) Commands.SetItems(static_cast<int>(i), entries[i].Command);
}

}  // namespace zarix
