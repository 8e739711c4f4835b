// Collections: ordered containers that own their items and know their owner.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/export.h"

#include <functional>
#include <string>
#include <vector>

namespace zarix {

class TCollection;

/// An item of a collection. Creating it with a collection appends it there; destroying it
/// takes it out.
class ZARIX_API TCollectionItem : public TPersistent {
    ZARIX_CLASS(TCollectionItem, TPersistent)
    explicit TCollectionItem(TCollection* Collection);
    ~TCollectionItem() override;

    TCollection* Collection() const noexcept { return FCollection; }
    /// Moves the item to another collection (or out of any, with nullptr).
    void SetCollection(TCollection* Value);
    /// Position in the collection, from 0; -1 outside any collection.
    int Index() const noexcept;
    void SetIndex(int Value);
    /// A number unique within the collection, never reused while it lives.
    int ID() const noexcept { return FID; }
    /// The item's name for designers and lists; the base gives the class name.
    virtual std::string GetDisplayName() const;

protected:
    TPersistent* GetOwner() const override;

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

/// Creates a new item of the collection's item class inside the collection.
using TCollectionItemFactory = std::function<TCollectionItem*(TCollection*)>;

/// An ordered collection of items of one class; it owns them and frees them with itself.
class ZARIX_API TCollection : public TPersistent {
    ZARIX_CLASS(TCollection, TPersistent)
    TCollection(const TClassInfo& ItemClass, TCollectionItemFactory Factory);
    ~TCollection() override;

    const TClassInfo& ItemClass() const noexcept { return *FItemClass; }
    int Count() const noexcept { return static_cast<int>(FItems.size()); }
    /// Appends a new item of the item class.
    TCollectionItem* Add();
    /// Inserts a new item at Index.
    TCollectionItem* Insert(int Index);
    /// The item at Index; raises EListError when out of range.
    TCollectionItem* Items(int Index) const;
    /// Frees the item at Index; raises EListError when out of range.
    void Delete(int Index);
    void Clear();
    TCollectionItem* FindItemID(int ID) const noexcept;

    /// Copies another collection: its items are recreated here, each assigned from the source
    /// item. When an item cannot be assigned the error propagates and this collection keeps the
    /// items it had: the copy is built aside and only swapped in once every item succeeded.
    void Assign(const TPersistent* Source) override;

    void BeginUpdate() noexcept { ++FUpdateCount; }
    void EndUpdate() noexcept {
        if (FUpdateCount > 0) --FUpdateCount;
    }
    int UpdateCount() const noexcept { return FUpdateCount; }

protected:
    /// Called after items were added, removed or moved; collections whose items others index
    /// by name override it to say their index is stale. An override does not run for the items
    /// freed when the collection itself is destroyed.
    virtual void Changed() {}

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* Item);
    void RemoveItem(TCollectionItem* Item);
    [[noreturn]] static void RaiseIndex(int Index);

    const TClassInfo* FItemClass;
    TCollectionItemFactory FFactory;
    std::vector<TCollectionItem*> FItems;
    int FNextID = 0;
    int FUpdateCount = 0;
};

/// A collection that reports a given persistent object as its owner.
class ZARIX_API TOwnedCollection : public TCollection {
    ZARIX_CLASS(TOwnedCollection, TCollection)
    TOwnedCollection(TPersistent* AOwner, const TClassInfo& ItemClass, TCollectionItemFactory Factory);
    ~TOwnedCollection() override;

protected:
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

/// Typed access for a collection whose items are all of class Item.
template <class Item, class Base = TCollection>
class TTypedCollection : public Base {
public:
    template <class... A>
    explicit TTypedCollection(A&&... args)
        : Base(std::forward<A>(args)..., Item::StaticClass(),
               [](TCollection* c) -> TCollectionItem* { return new Item(c); }) {}
    Item* Add() { return static_cast<Item*>(Base::Add()); }
    Item* Items(int Index) const { return static_cast<Item*>(Base::Items(Index)); }
};

}  // namespace zarix
