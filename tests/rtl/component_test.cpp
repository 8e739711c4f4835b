// Owner trees, free notification and names; class names and ancestry,
// published methods by name and properties through Variants.
#include "platform/rtl/component.h"
#include "platform/rtl/reflection.h"
#include "platform/rtl/varrec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <tuple>
#include <vector>

namespace zarix {
class TForm;
}

namespace component_test {

using namespace zarix;

std::vector<std::string> gLog;

// Addresses of freed components are compared as numbers: a pointer kept past the delete would
// be a use after free to the compiler.
uintptr_t Addr(const TComponent* c) { return reinterpret_cast<uintptr_t>(c); }

// Records its own destruction and every notification it hears.
class TProbe : public TComponent {
    ZARIX_CLASS(TProbe, TComponent)
    TProbe(TComponent* owner, std::string tag) : TComponent(owner), Tag(std::move(tag)) {}
    ~TProbe() override {
        gLog.push_back("~" + Tag);
        delete DeleteWithMe;
    }
    std::string Tag;
    TComponent* DeleteWithMe = nullptr;  // a sibling this probe frees in its destructor
    std::vector<std::pair<uintptr_t, TOperation>> Heard;

protected:
    void Notification(TComponent* c, TOperation op) override {
        Heard.emplace_back(Addr(c), op);
        TComponent::Notification(c, op);
    }
};
ZARIX_DEFINE_CLASS(TProbe)

using Heard = std::vector<std::pair<uintptr_t, TOperation>>;

TEST(Component, OwnerFreesWhatItOwnsLastFirstAndForgetsChildrenFreedEarlier) {
    auto* owner = new TProbe(nullptr, "owner");
    auto* a = new TProbe(owner, "a");
    new TProbe(owner, "b");
    new TProbe(a, "a1");
    auto* c = new TProbe(owner, "c");
    const uintptr_t cAddress = Addr(c);
    owner->Heard.clear();
    delete c;
    EXPECT_EQ(std::pair(owner->ComponentCount(), owner->Heard), std::pair(2, Heard{{cAddress, TOperation::opRemove}}));
    gLog.clear();
    delete owner;
    EXPECT_EQ(gLog, (std::vector<std::string>{"~owner", "~b", "~a", "~a1"}));

    // A child that frees a sibling in its destructor: the sibling must not be freed twice.
    owner = new TProbe(nullptr, "owner");
    auto* first = new TProbe(owner, "first");
    (new TProbe(owner, "second"))->DeleteWithMe = first;
    gLog.clear();
    delete owner;
    EXPECT_EQ(gLog, (std::vector<std::string>{"~owner", "~second", "~first"}));
}

TEST(Component, FreeNotificationIsMutualAndCanBeWithdrawn) {
    TProbe watcher(nullptr, "watcher");
    auto* target = new TProbe(nullptr, "target");
    const uintptr_t targetAddress = Addr(target);
    watcher.FreeNotification(target);
    delete target;
    EXPECT_EQ(watcher.Heard, (Heard{{targetAddress, TOperation::opRemove}}));

    auto* dyingWatcher = new TProbe(nullptr, "w2");
    const uintptr_t watcherAddress = Addr(dyingWatcher);
    TProbe survivor(nullptr, "survivor");
    dyingWatcher->FreeNotification(&survivor);
    delete dyingWatcher;  // the survivor hears of it and forgets it: no call into freed memory later
    EXPECT_EQ(survivor.Heard, (Heard{{watcherAddress, TOperation::opRemove}}));

    target = new TProbe(nullptr, "target");
    watcher.FreeNotification(target);
    watcher.RemoveFreeNotification(target);
    delete target;
    EXPECT_EQ(watcher.Heard.size(), 1u);
}

TEST(Component, NamesAreUniqueWithinTheOwnerIgnoringCase) {
    TProbe owner(nullptr, "owner");
    auto* a = new TProbe(&owner, "a");
    a->SetName("Klient");
    auto* b = new TProbe(&owner, "b");
    for (const char* bad : {"KLIENT", "1abc", "Zł"}) EXPECT_THROW(b->SetName(bad), EComponentError) << bad;
    EXPECT_EQ(b->Name(), "");
    a->SetName("Klient");  // renaming to its own name is fine
    b->SetName("Cenniki");
    EXPECT_EQ(owner.FindComponent("cenniki"), b);
    TProbe other(nullptr, "other");
    auto* stray = new TProbe(&other, "stray");
    stray->SetName("klient");
    EXPECT_THROW(owner.InsertComponent(stray), EComponentError);
    EXPECT_EQ(stray->Owner(), &other);
    EXPECT_THROW(owner.Components(5), EListError);
}

ZARIX_ENUM(TDocKind, dkInvoice, dkReceipt, dkOrder)

using TMethodSig = Variant(TConstArray, TForm*);

class TBaseDoc : public TPersistent {
    ZARIX_CLASS(TBaseDoc, TPersistent)
    Variant Describe(TConstArray args, TForm*) { return Variant("base:" + std::to_string(args.size())); }
    Variant Total(TConstArray, TForm*) { return Variant(int32_t{1}); }
    const std::string& Number() const noexcept { return FNumber; }

    int32_t FCount = 0;
    uint8_t FPriority = 0;
    TDocKind FKind = dkInvoice;
    TSet<TDocKind> FAllowed;
    std::string FNumber = "FV/1/2026";
    double FAmount = 0;
    bool FPaid = false;
    TBaseDoc* FNext = nullptr;
    std::function<void()> FOnPaid;
};
ZARIX_DEFINE_CLASS(TBaseDoc, ZARIX_PROPERTY(Next, FNext, FNext), ZARIX_PROPERTY(OnPaid, FOnPaid, FOnPaid), ZARIX_METHOD(Describe), ZARIX_METHOD(Total),
                   ZARIX_PROPERTY(Count, FCount, FCount), ZARIX_PROPERTY(Priority, FPriority, FPriority),
                   ZARIX_PROPERTY(Kind, FKind, FKind), ZARIX_PROPERTY(Allowed, FAllowed, FAllowed),
                   ZARIX_PROPERTY(Number, Number), ZARIX_PROPERTY(Amount, FAmount, FAmount),
                   ZARIX_PROPERTY(Paid, FPaid, FPaid))

class TInvoice : public TBaseDoc {
    ZARIX_CLASS(TInvoice, TBaseDoc)
    Variant Total(TConstArray, TForm*) { return Variant(int32_t{2}); }
    std::string Summary(int) { return "other shape"; }
};
ZARIX_DEFINE_CLASS(TInvoice, ZARIX_METHOD(Total), ZARIX_METHOD(Summary))

TEST(Reflection, MethodsAreFoundThroughAncestorsByNameAndShapeWithoutRegardToCase) {
    TInvoice invoice;
    const auto args = Args(1, true);
    auto describe = invoice.MethodAddress<TMethodSig>("DESCRIBE");  // declared by the ancestor
    ASSERT_TRUE(describe);
    EXPECT_EQ(describe(args, nullptr).AsString(), "base:2");
    auto total = invoice.MethodAddress<TMethodSig>("total");        // the class's own shadows the ancestor's
    ASSERT_TRUE(total);
    EXPECT_EQ(total({}, nullptr).AsInteger(), 2);
    TBaseDoc base;
    EXPECT_EQ(base.MethodAddress<TMethodSig>("Total")({}, nullptr).AsInteger(), 1);
    EXPECT_FALSE(base.MethodAddress<std::string(int)>("Summary"));  // only the descendant has it
    for (const char* name : {"Summary", "Nothing", ""}) EXPECT_FALSE(invoice.MethodAddress<TMethodSig>(name)) << name;
    auto summary = invoice.MethodAddress<std::string(int)>("summary");
    ASSERT_TRUE(summary);
    EXPECT_EQ(summary(3), "other shape");
}

TEST(Reflection, PropertiesReadAndWrittenByNameThroughVariantsAndBadAccessLeavesTheObjectAlone) {
    TInvoice invoice;
    invoice.FKind = dkReceipt;
    EXPECT_EQ(std::pair(GetPropValue(invoice, "Number"), GetPropValue(invoice, "Kind")), std::pair(Variant("FV/1/2026"), Variant("dkReceipt")));
    // Names ignore case, texts are converted to the property's type, and enumerations and sets
    // travel as text (a Variant holding text never equals one holding a number).
    const std::tuple<const char*, Variant, Variant> writes[] = {
        {"count", Variant(int32_t{12}), Variant(int32_t{12})}, {"COUNT", Variant("13"), Variant(int32_t{13})},
        {"Amount", Variant(12.5), Variant(12.5)}, {"Paid", Variant("True"), Variant(true)},
        {"Kind", Variant(int32_t{0}), Variant("dkInvoice")}, {"kind", Variant("DKORDER"), Variant("dkOrder")},
        {"Allowed", Variant("[dkInvoice, dkOrder]"), Variant("[dkInvoice,dkOrder]")}};
    for (const auto& [name, value, reads] : writes) {
        SetPropValue(invoice, name, value);
        EXPECT_EQ(GetPropValue(invoice, name), reads) << name;
    }
    EXPECT_TRUE(invoice.FAllowed.Contains(dkOrder) && !invoice.FAllowed.Contains(dkReceipt));
    // Objects travel as references, events as whether they are assigned and may only be cleared.
    TInvoice next;
    SetPropValue(invoice, "Next", Variant::FromObject(&next));
    EXPECT_EQ(GetPropValue(invoice, "Next").AsString(), "TInvoice");
    SetPropValue(invoice, "Next", Variant());
    EXPECT_EQ(invoice.FNext, nullptr);
    invoice.FOnPaid = [] {};
    EXPECT_EQ(GetPropValue(invoice, "OnPaid"), Variant(true));
    SetPropValue(invoice, "OnPaid", Variant::Null());
    EXPECT_FALSE(invoice.FOnPaid);

    invoice.FOnPaid = [] {};
    TPersistent stranger;
    EXPECT_THROW(GetPropValue(invoice, "Missing"), EPropertyError);
    // A read-only property, unknown or out-of-range enumeration values, a byte overflow, a set
    // naming an unknown element.
    const std::pair<const char*, Variant> refused[] = {{"Number", Variant("X")}, {"Kind", Variant("dkNothing")},
        {"Kind", Variant(int32_t{3})}, {"Priority", Variant(int32_t{300})}, {"Allowed", Variant("[dkInvoice,dkLost]")},
        {"Next", Variant::FromObject(&stranger)}, {"OnPaid", Variant(true)}};
    for (const auto& [name, value] : refused) EXPECT_THROW(SetPropValue(invoice, name, value), EPropertyError) << name;
    // Two names fill the list's storage exactly: a search that ran past its end would show.
    EXPECT_EQ(TEnumInfo("TSide", "sLeft, sRight").ValueOf("sUp"), -1);
    for (const char* name : {"Count", "Next"}) EXPECT_THROW(SetPropValue(invoice, name, Variant("twelve")), EVariantError) << name;
    EXPECT_EQ(std::tuple(invoice.FNext, invoice.FKind, invoice.FPriority, invoice.FNumber, invoice.FCount),
              std::tuple(nullptr, dkOrder, 0, "FV/1/2026", 13));
    EXPECT_TRUE(invoice.FOnPaid && invoice.FAllowed == (TSet<TDocKind>{dkInvoice, dkOrder}));
}

class TUndeclaredInvoice : public TInvoice {};  // no descriptor of its own

TEST(Reflection, ClassNamesAncestryAndRegistration) {
    TUndeclaredInvoice undeclared;
    const TObject& obj = undeclared;
    // Lookups use the nearest descriptor.
    EXPECT_EQ(std::tuple(obj.ClassName(), &obj.ClassType(), obj.ClassType().Parent()),
              std::tuple("TUndeclaredInvoice", &TInvoice::StaticClass(), &TBaseDoc::StaticClass()));
    EXPECT_EQ(std::pair(obj.InheritsFrom(TPersistent::StaticClass()), obj.InheritsFrom(TComponent::StaticClass())), std::pair(true, false));

    RegisterClass(TInvoice::StaticClass());
    RegisterClass(TInvoice::StaticClass());
    EXPECT_EQ(FindClass("tinvoice"), &TInvoice::StaticClass());
    UnRegisterClass(TInvoice::StaticClass());
    EXPECT_EQ(FindClass("TInvoice"), nullptr);
}

}  // namespace component_test
