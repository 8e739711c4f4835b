// Menu positions ordered by the menu's sort, against the sort written the long way: every
// pair split anew, every element converted anew, Count passes, exchanges in place.
#include "fuzz_target.h"

#include "manager/ZarixPluginManager.h"
#include "manager/position_sort.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_collections.h"
#include "plugin/plugin_utils.h"

#include <algorithm>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace zarix::fuzz {
namespace {

// The sort is quadratic by design; more lines would only slow the fuzzer down.
constexpr std::size_t MaxPositions = 64;

bool SameLevels(const TExplodeArray& a, const TExplodeArray& b, int level) {
    for (int i = 0; i <= level; ++i) {
        const auto k = static_cast<std::size_t>(i);
        if (k >= a.size() || k >= b.size() || a[k] != b[k]) return false;
    }
    return true;
}

struct TOrder {
    std::vector<std::size_t> Indexes;
    std::optional<std::string> Error;
};

TOrder SortTheLongWay(const std::vector<std::string>& positions) {
    TOrder order;
    order.Indexes.resize(positions.size());
    std::iota(order.Indexes.begin(), order.Indexes.end(), std::size_t{0});
    std::vector<std::size_t>& at = order.Indexes;
    try {
        for (std::size_t pass = 0; pass < positions.size(); ++pass) {
            for (std::size_t i = 0; i + 1 < positions.size(); ++i) {
                const TExplodeArray a = Explode("|", positions[at[i]]);
                const TExplodeArray b = Explode("|", positions[at[i + 1]]);
                for (std::size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
                    const int32_t first = StrToInt(a[k]);
                    const int32_t second = StrToInt(b[k]);
                    if (first > second && (k == 0 || SameLevels(a, b, static_cast<int>(k) - 1))) {
                        std::swap(at[i], at[i + 1]);
                        break;
                    }
                }
            }
        }
    } catch (const EConvertError& e) {
        order.Error = e.Message();
    }
    return order;
}

TOrder SortAsTheMenuDoes(const std::vector<std::string>& positions) {
    TZarixPluginCommands commands(nullptr);
    TList list;
    for (const std::string& position : positions) {
        TZarixPluginCommand* command = commands.Add();
        command->SetMenuPosition(position);
        list.Add(command);
    }
    TOrder order;
    try {
        SortCommandsByPosition(list);
    } catch (const EConvertError& e) {
        order.Error = e.Message();
    }
    for (int i = 0; i < list.Count(); ++i)
        order.Indexes.push_back(static_cast<std::size_t>(static_cast<const TZarixPluginCommand*>(list.Items(i))->Index()));
    return order;
}

void CheckGroups(const std::vector<std::string>& positions) {
    for (std::size_t i = 0; i + 1 < positions.size(); ++i) {
        const TExplodeArray a = Explode("|", positions[i]);
        const TExplodeArray b = Explode("|", positions[i + 1]);
        // The first levels, and one past the deeper of the two.
        const int deepest = static_cast<int>(std::max(a.size(), b.size()));
        for (int level = -1; level <= deepest; level = level < 8 ? level + 1 : std::max(level + 1, deepest))
            Expect(TZarixPluginManager::IsSameGroup(a, b, level) == SameLevels(a, b, level),
                   "IsSameGroup gave another answer");
    }
}

}  // namespace

void FuzzMenuPositions(TInput input) {
    std::vector<std::string> positions;
    std::string_view rest(reinterpret_cast<const char*>(input.data()), input.size());
    while (!rest.empty() && positions.size() < MaxPositions) {
        const auto newline = rest.find('\n');
        positions.emplace_back(rest.substr(0, newline));
        rest.remove_prefix(newline == std::string_view::npos ? rest.size() : newline + 1);
    }
    const TOrder expected = SortTheLongWay(positions);
    const TOrder got = SortAsTheMenuDoes(positions);
    Expect(got.Error == expected.Error, "the sort raised another error, or none, or one where there is none");
    if (!expected.Error) Expect(got.Indexes == expected.Indexes, "the sort gave another order");
    CheckGroups(positions);
}

}  // namespace zarix::fuzz
