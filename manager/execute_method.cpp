// ExecuteMethod: a routine registered by a plugin, called by name with an argument list
// converted to words.
#include "manager/ZarixPluginManager.h"

#include "platform/rtl/strings.h"

#include <vector>

namespace zarix {

ZARIX_DEFINE_CLASS(TResultType)

TResultType::TResultType() { value.VPointer = nullptr; }
TResultType::~TResultType() = default;

namespace {

// The most words a routine may take: each count needs its own call shape below.
constexpr std::size_t kMaxWords = 12;

// The word each kind of argument passes; the kinds whose row says nothing is passed add no
// word, and the words of the following arguments close up.
std::vector<TRoutineWord> ToWords(TConstArray Params) {
    std::vector<TRoutineWord> words;
    for (const TVarRec& p : Params) {
        switch (p.Kind) {
            case TVarRecKind::vtInteger: words.push_back(static_cast<TRoutineWord>(static_cast<intptr_t>(p.VInteger))); break;
            case TVarRecKind::vtBoolean: words.push_back(p.VBoolean ? 1 : 0); break;
            case TVarRecKind::vtChar: words.push_back(p.VChar); break;
            case TVarRecKind::vtExtended: words.push_back(reinterpret_cast<TRoutineWord>(p.VExtended)); break;
            case TVarRecKind::vtString: words.push_back(reinterpret_cast<TRoutineWord>(p.VString)); break;
            case TVarRecKind::vtPointer: words.push_back(reinterpret_cast<TRoutineWord>(p.VPointer)); break;
            case TVarRecKind::vtPChar: words.push_back(reinterpret_cast<TRoutineWord>(p.VPChar)); break;
            case TVarRecKind::vtObject: words.push_back(reinterpret_cast<TRoutineWord>(p.VObject)); break;
            case TVarRecKind::vtClass: words.push_back(reinterpret_cast<TRoutineWord>(p.VClass)); break;
            case TVarRecKind::vtAnsiString: words.push_back(reinterpret_cast<TRoutineWord>(p.VAnsiString)); break;
            case TVarRecKind::vtVariant: words.push_back(reinterpret_cast<TRoutineWord>(p.VVariant)); break;
            case TVarRecKind::vtWideChar:
            case TVarRecKind::vtPWideChar:
            case TVarRecKind::vtCurrency:
            case TVarRecKind::vtInterface:
            case TVarRecKind::vtWideString:
            case TVarRecKind::vtInt64:
            case TVarRecKind::vtUnicodeString: break;
        }
    }
    return words;
}

// Calls Address as a routine of exactly words.size() words and the result reference.
template <std::size_t... I>
void CallWith(TCodePointer Address, const std::vector<TRoutineWord>& Words, TVarRec* Result, std::index_sequence<I...>) {
    using TRoutine = void (*)(decltype(I, TRoutineWord{})..., TVarRec*);
    reinterpret_cast<TRoutine>(Address)(Words[I]..., Result);
}

template <std::size_t N = 0>
void Call(TCodePointer Address, const std::vector<TRoutineWord>& Words, TVarRec* Result) {
    if constexpr (N > kMaxWords) {
        throw Exception("a routine takes at most " + IntToStr(kMaxWords) + " words");
    } else {
        if (Words.size() == N) CallWith(Address, Words, Result, std::make_index_sequence<N>{});
        else Call<N + 1>(Address, Words, Result);
    }
}

}  // namespace

std::unique_ptr<TResultType> TZarixPluginManager::ExecuteMethod(const std::string& MethodName, TConstArray Params) {
    TCodePointer address = nullptr;
    for (TZarixPlugin* plugin : FPlugins) {
        TZarixPluginMethods* methods = plugin->Methods();
        for (int i = 0; address == nullptr && i < methods->Count(); ++i)
            if (SameText(methods->Items(i)->GetName(), MethodName)) address = methods->Items(i)->Address;
        if (address != nullptr) break;
    }
    if (address == nullptr) throw EPluginError("\"" + MethodName + "\" not found.");
    try {
        auto result = std::make_unique<TResultType>();
        TVarRec written = result->value;
        Call(address, ToWords(Params), &written);
        result->value = written;
        return result;
    } catch (...) {
        throw EPluginError("\"" + MethodName + "\" failed execution.");
    }
}

}  // namespace zarix
