// Collections and their items.
#include "platform/rtl/collection.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <memory>

namespace zarix {

ZARIX_DEFINE_CLASS(TCollectionItem)

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
    if (Value == FCollection) return;
    if (FCollection != nullptr) FCollection->RemoveItem(this);
    if (Value != nullptr) Value->InsertItem(this);
}

int TCollectionItem::Index() const noexcept {
    if (FCollection == nullptr) return -1;
    const auto& items = FCollection->FItems;
    const auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
    const int current = Index();
    if (current < 0 || Value == current) return;
    auto& items = FCollection->FItems;
    Value = std::clamp(Value, 0, static_cast<int>(items.size()) - 1);
    items.erase(items.begin() + current);
    items.insert(items.begin() + Value, this);
    FCollection->Changed();
}

std::string TCollectionItem::GetDisplayName() const { return std::string(ClassName()); }

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

ZARIX_DEFINE_CLASS(TCollection)

TCollection::TCollection(const TClassInfo& ItemClass, TCollectionItemFactory Factory)
    : FItemClass(&ItemClass), FFactory(std::move(Factory)) {}

TCollection::~TCollection() { Clear(); }

void TCollection::RaiseIndex(int Index) { throw EListError("List index out of bounds (" + IntToStr(Index) + ")"); }

TCollectionItem* TCollection::Add() { return FFactory(this); }

TCollectionItem* TCollection::Insert(int Index) {
    if (Index < 0 || Index > Count()) RaiseIndex(Index);
    TCollectionItem* item = Add();
    item->SetIndex(Index);
    return item;
}

TCollectionItem* TCollection::Items(int Index) const {
    if (Index < 0 || Index >= Count()) RaiseIndex(Index);
    return FItems[static_cast<std::size_t>(Index)];
}

void TCollection::Delete(int Index) { delete Items(Index); }

void TCollection::Clear() {
    // An item's destructor may delete other items; take one at a time.
    while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::FindItemID(int ID) const noexcept {
    for (TCollectionItem* item : FItems)
        if (item->FID == ID) return item;
    return nullptr;
}

void TCollection::InsertItem(TCollectionItem* Item) {
    FItems.push_back(Item);
    Item->FCollection = this;
    Item->FID = FNextID++;
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
    std::erase(FItems, Item);
    Item->FCollection = nullptr;
    Changed();
}

void TCollection::Assign(const TPersistent* Source) {
    const auto* source = dynamic_cast<const TCollection*>(Source);
    if (source == nullptr) {
        TPersistent::Assign(Source);
        return;
    }
    if (source == this) return;
    // Built in a scratch collection of the same item class first: a failing item leaves this
    // collection untouched instead of emptied.
    TCollection scratch(*FItemClass, FFactory);
    for (const TCollectionItem* from : source->FItems) scratch.Add()->Assign(from);
    BeginUpdate();
    Clear();
    for (TCollectionItem* item : scratch.FItems) {
        item->FCollection = this;
        item->FID = FNextID++;
        FItems.push_back(item);
    }
    scratch.FItems.clear();
    EndUpdate();
    Changed();
}

ZARIX_DEFINE_CLASS(TOwnedCollection)

TOwnedCollection::TOwnedCollection(TPersistent* AOwner, const TClassInfo& ItemClass, TCollectionItemFactory Factory)
    : TCollection(ItemClass, std::move(Factory)), FOwner(AOwner) {}

TOwnedCollection::~TOwnedCollection() = default;

}  // namespace zarix
