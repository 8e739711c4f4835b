// The named results registry: typed values under names, handed from a finishing window to
// the window that opened it.
#include "sync/sync.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "services/exception_handler.h"

#include <atomic>
#include <utility>

namespace zarix {
namespace {

// Kinds of entry (Param_Set). Integers and integer arrays share kind 1, as they always have:
// a name added as an array also answers IntValueByName, with the working record's integer.
constexpr int32_t kNone = 0;
constexpr int32_t kInt = 1;
constexpr int32_t kLongInt = 2;
constexpr int32_t kString = 3;
constexpr int32_t kNumeric = 4;
constexpr int32_t kObject = 5;

}  // namespace

TMDIResults* fMDIResult = nullptr;

ZARIX_DEFINE_CLASS(TMDIResults)

TMDIResults::TMDIResults() = default;

TMDIResults::~TMDIResults() {
    TMDIResults* self = this;
    std::atomic_ref(fMDIResult).compare_exchange_strong(self, nullptr);
}

void TMDIResults::CreateSingleton() {
    ValueList.assign(Capacity, TResults{});
    ilosc = 0;
    std::atomic_ref(fMDIResult).store(this);
}

TMDIResults& MDIResult() {
    // Set by CreateSingleton; assigned here too in case someone has reset the variable. Read
    // and written atomically: the first use may come from two threads at once.
    std::atomic_ref pointer(fMDIResult);
    if (TMDIResults* registry = pointer.load()) return *registry;
    TMDIResults& registry = TSingleton::Instance<TMDIResults>();
    pointer.store(&registry);
    return registry;
}

template <class Fill>
void TMDIResults::Add(const char* Operation, const std::string& Name, int32_t Kind, Fill fill) {
    if (ilosc >= Capacity) {
        ZarixExceptionHandler(EListError("The results registry already holds " + IntToStr(Capacity) +
                                         " entries; \"" + Name + "\" was not added"),
                              Operation, Here());
        return;
    }
    // Built aside and moved in, so a failed copy leaves both the working record and the
    // entries as they were.
    TResults next = Value;
    next.Param_Name = Name;
    fill(next);
    next.Param_Set = Kind;
    TResults entry = next;
    Value = std::move(next);
    ValueList[static_cast<std::size_t>(ilosc)] = std::move(entry);
    ++ilosc;
}

void TMDIResults::AddIntValue(const std::string& Name, int32_t Value) {
    Add("TMDIResults.AddIntValue", Name, kInt, [&](TResults& r) { r.Param_Value_Int = Value; });
}

void TMDIResults::AddArrayIntValue(const std::string& Name, const TArrayInt& Value) {
    Add("TMDIResults.AddArrayIntValue", Name, kInt, [&](TResults& r) { r.Param_Value_ArrayInt = Value; });
}

void TMDIResults::AddLongIntValue(const std::string& Name, int32_t Value) {
    Add("TMDIResults.AddLongIntValue", Name, kLongInt, [&](TResults& r) { r.Param_Value_Longint = Value; });
}

void TMDIResults::AddStringValue(const std::string& Name, const std::string& Value) {
    Add("TMDIResults.AddStringValue", Name, kString, [&](TResults& r) { r.Param_Value_String = Value; });
}

void TMDIResults::AddNumericValue(const std::string& Name, double Value) {
    Add("TMDIResults.AddNumericValue", Name, kNumeric, [&](TResults& r) { r.Param_Value_Numeric = Value; });
}

void TMDIResults::AddObjectByName(const std::string& Name, TObject* Obj) {
    Add("TMDIResults.AddObjectByName", Name, kObject, [&](TResults& r) { r.Param_Value_Object = Obj; });
}

// All 16 entries are searched, not only the first Count: cleared ones have kind 0 and never
// match. Names compare with a to z folded only, so "ŁĄCZNIE" and "łącznie" stay apart.
const TResults* TMDIResults::LastMatch(const std::string& Name, int32_t Kind) const noexcept {
    const TResults* found = nullptr;
    for (const TResults& r : ValueList)
        if (r.Param_Set == Kind && SameText(r.Param_Name, Name)) found = &r;
    return found;
}

int32_t TMDIResults::IntValueByName(const std::string& Name) const {
    const TResults* r = LastMatch(Name, kInt);
    return r ? r->Param_Value_Int : 0;
}

TArrayInt TMDIResults::ArrayIntValueByName(const std::string& Name) const {
    const TResults* r = LastMatch(Name, kInt);
    return r ? r->Param_Value_ArrayInt : TArrayInt{};
}

int32_t TMDIResults::LongIntValueByName(const std::string& Name) const {
    const TResults* r = LastMatch(Name, kLongInt);
    return r ? r->Param_Value_Longint : 0;
}

std::string TMDIResults::StringValueByName(const std::string& Name) const {
    const TResults* r = LastMatch(Name, kString);
    return r ? r->Param_Value_String : std::string();
}

bool TMDIResults::IsStringValue(const std::string& Name) const { return LastMatch(Name, kString) != nullptr; }

double TMDIResults::NumericValueByName(const std::string& Name) const {
    const TResults* r = LastMatch(Name, kNumeric);
    return r ? r->Param_Value_Numeric : 0.0;
}

TObject* TMDIResults::ObjectByName(const std::string& Name) const {
    const TResults* r = LastMatch(Name, kObject);
    return r ? r->Param_Value_Object : nullptr;
}

// Names and values stay in the entries; only the kind hides them. The object references go,
// also the working record's, which every later entry starts from, so that no entry keeps
// pointing at an object its owner frees after the hand-over.
void TMDIResults::ClearMDIResults() {
    for (TResults& r : ValueList) {
        r.Param_Set = kNone;
        r.Param_Value_Object = nullptr;
    }
    Value.Param_Value_Object = nullptr;
    ilosc = 0;
}

}  // namespace zarix
