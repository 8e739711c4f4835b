// ExecuteMethod: a routine registered by a plugin, called by name with an argument list
// converted to words.
#include "manager/ZarixPluginManager.h"

#include "manager/call_index.h"
#include "manager/running_plugin.h"
#include "platform/rtl/strings.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

namespace zarix {

ZARIX_DEFINE_CLASS(TResultType)

TResultType::TResultType() { value.VPointer = nullptr; }
TResultType::~TResultType() = default;

namespace {
// A result starts a cache line. Where the heap's state happened to place it, the same calls
// ran half again as slow in some processes and not in others.
constexpr std::align_val_t kResultAlignment{64};

// The memory of the thread's last freed result. Plain values with the initial-exec model: this
// library is linked by its host, and a thread-local object with a destructor, or the general
// model, would cost a call per access, as much as the allocation saved.
enum class TKeeping : unsigned char { NotYet, Keeping, Ended };
[[gnu::tls_model("initial-exec")]] thread_local void* tKeptBlock = nullptr;
[[gnu::tls_model("initial-exec")]] thread_local TKeeping tKeeping = TKeeping::NotYet;
// Gives the kept memory back when the thread ends; made by the thread's first keeping.
struct TKeptRelease {
    TKeptRelease() noexcept { tKeeping = TKeeping::Keeping; }
    ~TKeptRelease() {
        tKeeping = TKeeping::Ended;
        ::operator delete(std::exchange(tKeptBlock, nullptr), kResultAlignment);
    }
};

// Under the address sanitizer every result gets memory of its own, so a result used after it
// was freed is still caught.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kKeepResults = false;
#elif defined(__has_feature)
constexpr bool kKeepResults = !__has_feature(address_sanitizer);
#else
constexpr bool kKeepResults = true;
#endif
}  // namespace

void* TResultType::operator new(std::size_t Size) {
    if (kKeepResults && Size == sizeof(TResultType))
        if (void* kept = std::exchange(tKeptBlock, nullptr)) return kept;
    return ::operator new(Size, kResultAlignment);
}

void TResultType::operator delete(void* Block, std::size_t Size) noexcept {
    // Only blocks of a result's own size are kept: a subclass may be larger.
    if (kKeepResults && Size == sizeof(TResultType) && tKeptBlock == nullptr) {
        if (tKeeping == TKeeping::NotYet) static thread_local TKeptRelease release;
        if (tKeeping == TKeeping::Keeping) {
            tKeptBlock = Block;
            return;
        }
    }
    ::operator delete(Block, kResultAlignment);
}

namespace {

// The most words a routine may take: each count needs its own call shape below.
constexpr std::size_t kMaxWords = 12;

[[noreturn, gnu::cold, gnu::noinline]] void RaiseTooManyWords() {
    throw Exception("a routine takes at most " + IntToStr(kMaxWords) + " words");
}

// The words of one call, kept on the stack: a call by name allocates nothing but its result.
struct TWords {
    std::array<TRoutineWord, kMaxWords> Word;
    std::size_t Count = 0;
};

// How an argument of each kind becomes a word. The kinds whose row says nothing is passed add no
// word, and the words of the following arguments close up; so do kind codes no row knows.
enum class TWordShape : unsigned char { None, Integer, Byte, Whole };

constexpr std::array<TWordShape, 256> kWordShapes = [] {
    std::array<TWordShape, 256> shapes{};
    using enum TVarRecKind;
    shapes[static_cast<std::size_t>(vtInteger)] = TWordShape::Integer;
    shapes[static_cast<std::size_t>(vtBoolean)] = TWordShape::Byte;
    shapes[static_cast<std::size_t>(vtChar)] = TWordShape::Byte;
    for (const TVarRecKind kind : {vtExtended, vtString, vtPointer, vtPChar, vtObject, vtClass, vtAnsiString, vtVariant})
        shapes[static_cast<std::size_t>(kind)] = TWordShape::Whole;
    return shapes;
}();

// The payload is read whole and narrowed by the table, not through a switch on the kind: the
// conversion then takes no jump a call's mix of kinds could mispredict. A small value's unused
// payload bytes may hold anything a plugin left there, so they are cut off, never passed on.
TWords ToWords(TConstArray Params) {
    if (Params.size() > kMaxWords) {
        const auto passed = std::count_if(Params.begin(), Params.end(), [](const TVarRec& p) {
            return kWordShapes[static_cast<std::size_t>(p.Kind)] != TWordShape::None;
        });
        if (static_cast<std::size_t>(passed) > kMaxWords) RaiseTooManyWords();
    }
    TWords words;
    std::size_t count = 0;
    for (const TVarRec& p : Params) {
        const TWordShape shape = kWordShapes[static_cast<std::size_t>(p.Kind)];
        if (shape == TWordShape::None) continue;
        TRoutineWord word = p.VWord;
        if (shape == TWordShape::Integer) word = static_cast<TRoutineWord>(static_cast<intptr_t>(static_cast<int32_t>(word)));
        if (shape == TWordShape::Byte) word &= 0xFF;
        words.Word[count++] = word;
    }
    words.Count = count;
    return words;
}

// Calls Address as a routine of exactly N words and the result reference.
template <std::size_t... I>
void CallWith(TCodePointer Address, const TWords& Words, TVarRec* Result, std::index_sequence<I...>) {
    using TRoutine = void (*)(decltype(I, TRoutineWord{})..., TVarRec*);
    reinterpret_cast<TRoutine>(Address)(Words.Word[I]..., Result);
}

template <std::size_t N = 0>
void Call(TCodePointer Address, const TWords& Words, TVarRec* Result) {
    if constexpr (N < kMaxWords) {
        if (Words.Count != N) return Call<N + 1>(Address, Words, Result);
    }
    CallWith(Address, Words, Result, std::make_index_sequence<N>{});
}

}  // namespace

std::unique_ptr<TResultType> TZarixPluginManager::ExecuteMethod(const std::string& MethodName, TConstArray Params) {
    // The first item of that name over the plugins in load order ends the search, with or
    // without a routine. Addresses are read now, not indexed: they may change at any time.
    TCallIndex::TRoutineTarget target;
    TRecentCalls<TCallIndex::TRoutineTarget>* recent = FCallIndex->RecentRoutines();
    const TCallIndex::TRoutineTarget* known = recent != nullptr ? recent->Find(MethodName, {}) : nullptr;
    if (known != nullptr) {
        target = *known;
    } else {
        const uint64_t generation = LateBoundGeneration();
        const int at = FCallIndex->FirstMethod(FPlugins, MethodName);
        if (LateBoundGeneration() == generation) {
            if (at >= 0) target = {FPlugins[FCallIndex->Method(at).Plugin], FCallIndex->Method(at).Entry};
            if (target.Item != nullptr && recent != nullptr) recent->Remember(generation, MethodName, {}, target);
        } else {
            // Something changed while the index was being built: it cannot be trusted for this call.
            for (std::size_t p = 0; p < FPlugins.size() && target.Item == nullptr; ++p) {
                const TZarixPluginMethods* methods = FPlugins[p]->Methods();
                for (int i = 0; i < methods->Count() && target.Item == nullptr; ++i)
                    if (CaseFoldEqual(methods->Items(i)->GetName(), MethodName)) target = {FPlugins[p], methods->Items(i)};
            }
        }
    }
    if (target.Item == nullptr) throw EPluginError("\"" + MethodName + "\" not found.");
    const TCodePointer address = target.Item->Address;
    try {
        // An item without a routine is a failed call, never a jump to address zero.
        if (address == nullptr) throw Exception("no routine");
        auto result = std::make_unique<TResultType>();
        // The routine writes a value of the stack, taken over field by field: read back whole
        // right after being stored in parts, it would stall the processor longer than the call.
        TVarRec written;
        {
            const TRunningPlugin running(*this, target.Plugin);
            Call(address, ToWords(Params), &written);
        }
        result->value.Kind = written.Kind;
        result->value.VWord = written.VWord;
        return result;
    } catch (...) {
        throw EPluginError("\"" + MethodName + "\" failed execution.");
    }
}

}  // namespace zarix
