// Collections: ownership, positions, display names and assignment.
#include "platform/rtl/collection.h"

#include <gtest/gtest.h>

#include "message_of.h"

namespace collection_test {

using namespace zarix;

class TPlainItem : public TCollectionItem {
    ZARIX_CLASS(TPlainItem, TCollectionItem)
    explicit TPlainItem(TCollection* c) : TCollectionItem(c) {}
    int Value = 0;
};
ZARIX_DEFINE_CLASS(TPlainItem)

// An item class that knows how to copy itself.
class TCopyItem : public TCollectionItem {
    ZARIX_CLASS(TCopyItem, TCollectionItem)
    explicit TCopyItem(TCollection* c) : TCollectionItem(c) {}
    void Assign(const TPersistent* source) override {
        if (const auto* other = dynamic_cast<const TCopyItem*>(source)) Text = other->Text;
        else TCollectionItem::Assign(source);
    }
    std::string Text;
};
ZARIX_DEFINE_CLASS(TCopyItem)

TEST(Collection, ItemsKeepOrderKnowTheirIndexAndLeaveWhenFreed) {
    TTypedCollection<TPlainItem> items;
    auto* a = items.Add();
    auto* b = items.Add();
    auto* c = items.Add();
    EXPECT_EQ(b->Index(), 1);
    EXPECT_EQ(b->GetDisplayName(), "TPlainItem");
    c->SetIndex(0);
    EXPECT_EQ(items.Items(0), c);
    EXPECT_EQ(items.Items(1), a);
    c->SetIndex(99);  // clamped to the last position
    EXPECT_EQ(items.Items(2), c);
    delete a;
    EXPECT_EQ(items.Count(), 2);
    items.Delete(0);
    EXPECT_EQ(items.Items(0), c);
    EXPECT_THROW(items.Items(1), EListError);
    EXPECT_THROW(items.Delete(-1), EListError);
    EXPECT_EQ(items.FindItemID(c->ID()), c);
}

TEST(Collection, AssignmentCopiesCopyableItemsAndOtherwiseRaisesKeepingTheTarget) {
    TTypedCollection<TPlainItem> source, target, empty;
    source.Add()->Value = 1;
    auto* kept = target.Add();
    kept->Value = 42;
    EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(&source); }), "Cannot assign a TPlainItem to a TPlainItem");
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(target.Items(0), kept);
    EXPECT_EQ(kept->Value, 42);
    EXPECT_EQ(MessageOf<EConvertError>([&] { target.Assign(nullptr); }), "Cannot assign a nil to a TCollection");
    TPlainItem loose(nullptr);
    EXPECT_EQ(loose.Index(), -1);
    EXPECT_THROW(target.Assign(&loose), EConvertError);
    target.Assign(&empty);
    EXPECT_EQ(target.Count(), 0);

    TTypedCollection<TCopyItem> words, copy;
    words.Add()->Text = "jeden";
    words.Add()->Text = "dwa";
    copy.Add()->Text = "old";
    copy.Assign(&words);
    ASSERT_EQ(copy.Count(), 2);
    EXPECT_EQ(copy.Items(1)->Text, "dwa");
    EXPECT_EQ(copy.Items(1)->Collection(), &copy);
    EXPECT_NE(copy.Items(0), words.Items(0));
}

}  // namespace collection_test
