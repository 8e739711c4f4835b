// TList, TStrings and TStringList.
#include "platform/rtl/lists.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <numeric>

namespace zarix {
namespace {

[[noreturn]] void RaiseIndex(int Index) { throw EListError("List index out of bounds (" + IntToStr(Index) + ")"); }

int CompareCaseless(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
        if (x != y) return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

}  // namespace

ZARIX_DEFINE_CLASS(TList)

TList::TList() = default;
TList::~TList() = default;

void TList::Check(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
}

void* TList::Items(int Index) const {
    Check(Index);
    return FItems[static_cast<std::size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
    Check(Index);
    FItems[static_cast<std::size_t>(Index)] = Item;
}

void TList::SetCapacity(int Value) {
    if (Value < Count()) throw EListError("List capacity out of bounds (" + IntToStr(Value) + ")");
    FItems.reserve(static_cast<std::size_t>(Value));
}

int TList::Add(void* Item) {
    FItems.push_back(Item);
    return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
    if (Index < 0 || Index > Count()) RaiseIndex(Index);
    FItems.insert(FItems.begin() + Index, Item);
}

void TList::Delete(int Index) {
    Check(Index);
    FItems.erase(FItems.begin() + Index);
}

int TList::Remove(const void* Item) {
    const int index = IndexOf(Item);
    if (index >= 0) Delete(index);
    return index;
}

int TList::IndexOf(const void* Item) const noexcept {
    const auto it = std::find(FItems.begin(), FItems.end(), Item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TList::Move(int CurIndex, int NewIndex) {
    Check(CurIndex);
    Check(NewIndex);
    void* item = FItems[static_cast<std::size_t>(CurIndex)];
    FItems.erase(FItems.begin() + CurIndex);
    FItems.insert(FItems.begin() + NewIndex, item);
}

ZARIX_DEFINE_CLASS(TStrings)

TStrings::~TStrings() = default;

int TStrings::Compare(std::string_view a, std::string_view b) const { return CompareCaseless(a, b); }

int TStrings::IndexOf(std::string_view S) const {
    for (int i = 0; i < Count(); ++i)
        if (Compare(Strings(i), S) == 0) return i;
    return -1;
}

int TStrings::IndexOfObject(const TObject* Obj) const {
    for (int i = 0; i < Count(); ++i)
        if (Objects(i) == Obj) return i;
    return -1;
}

std::string TStrings::Text() const {
    std::string out;
    for (int i = 0; i < Count(); ++i) out += Strings(i) + "\n";
    return out;
}

void TStrings::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TStrings*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    Clear();
    for (int i = 0; i < source->Count(); ++i) AddObject(source->Strings(i), source->Objects(i));
}

ZARIX_DEFINE_CLASS(TStringList)

TStringList::TStringList() = default;
TStringList::~TStringList() = default;

void TStringList::Check(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
}

const std::string& TStringList::Strings(int Index) const {
    Check(Index);
    return FItems[static_cast<std::size_t>(Index)].Text;
}

void TStringList::SetStrings(int Index, const std::string& S) {
    if (FSorted) throw EListError("Operation not allowed on sorted list");
    Check(Index);
    FItems[static_cast<std::size_t>(Index)].Text = S;
}

TObject* TStringList::Objects(int Index) const {
    Check(Index);
    return FItems[static_cast<std::size_t>(Index)].Object;
}

void TStringList::SetObjects(int Index, TObject* Obj) {
    Check(Index);
    FItems[static_cast<std::size_t>(Index)].Object = Obj;
}

int TStringList::Compare(std::string_view a, std::string_view b) const {
    if (FCaseSensitive) return a.compare(b) < 0 ? -1 : (a == b ? 0 : 1);
    return CompareCaseless(a, b);
}

bool TStringList::Find(std::string_view S, int& Index) const {
    // Lower bound, then past equal entries, so a new equal text goes after those it equals
    // and insertion into a sorted list keeps the order of arrival.
    int lo = 0, hi = Count();
    bool found = false;
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = Compare(FItems[static_cast<std::size_t>(mid)].Text, S);
        if (c < 0) lo = mid + 1;
        else {
            if (c == 0) found = true;
            hi = mid;
        }
    }
    Index = lo;
    return found;
}

int TStringList::AddObject(const std::string& S, TObject* Obj) {
    int index = Count();
    if (FSorted) {
        if (Find(S, index)) {
            if (FDuplicates == TDuplicates::dupIgnore) return index;
            if (FDuplicates == TDuplicates::dupError) throw EListError("String list does not allow duplicates");
            while (index < Count() && Compare(FItems[static_cast<std::size_t>(index)].Text, S) == 0) ++index;
        }
    }
    FItems.insert(FItems.begin() + index, Item{S, Obj});
    return index;
}

void TStringList::Insert(int Index, const std::string& S) {
    if (FSorted) throw EListError("Operation not allowed on sorted list");
    if (Index < 0 || Index > Count()) RaiseIndex(Index);
    FItems.insert(FItems.begin() + Index, Item{S, nullptr});
}

void TStringList::Delete(int Index) {
    Check(Index);
    FItems.erase(FItems.begin() + Index);
}

int TStringList::IndexOf(std::string_view S) const {
    if (!FSorted) return TStrings::IndexOf(S);
    int index = 0;
    return Find(S, index) ? index : -1;
}

void TStringList::Sort() {
    std::stable_sort(FItems.begin(), FItems.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.Text, b.Text) < 0; });
}

void TStringList::CustomSort(const std::function<int(const TStringList&, int, int)>& CompareItems) {
    std::vector<int> order(FItems.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return CompareItems(*this, a, b) < 0; });
    std::vector<Item> sorted;
    sorted.reserve(FItems.size());
    for (int i : order) sorted.push_back(std::move(FItems[static_cast<std::size_t>(i)]));
    FItems = std::move(sorted);
}

void TStringList::SetSorted(bool Value) {
    if (Value && !FSorted) Sort();
    FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
    if (Value == FCaseSensitive) return;
    FCaseSensitive = Value;
    if (FSorted) Sort();
}

}  // namespace zarix
