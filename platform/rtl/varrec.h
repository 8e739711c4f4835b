// Tagged argument values: the argument lists carried by broadcasts and late-bound calls.
#pragma once

#include "platform/rtl/export.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace zarix {

class TObject;
struct TClassInfo;
class Variant;
class IInterface;

/// The kind codes of an argument; the numbers are part of the contract between plugins.
enum class TVarRecKind : uint8_t {
    vtInteger = 0,
    vtBoolean = 1,
    vtChar = 2,
    vtExtended = 3,
    vtString = 4,
    vtPointer = 5,
    vtPChar = 6,
    vtObject = 7,
    vtClass = 8,
    vtWideChar = 9,
    vtPWideChar = 10,
    vtAnsiString = 11,
    vtCurrency = 12,
    vtVariant = 13,
    vtInterface = 14,
    vtWideString = 15,
    vtInt64 = 16,
    vtUnicodeString = 17,
};

/// Money as the platform keeps it: a 64-bit integer of ten-thousandths.
struct Currency {
    int64_t Value = 0;
};

/// One tagged argument: a kind code and a pointer-sized payload. Kinds 0, 1, 2, 5, 6, 7, 8, 9
/// and 10 hold the value itself; the others refer to a value the caller keeps alive for the
/// duration of the call, as the platform's open arrays do.
struct ZARIX_API TVarRec {
    TVarRecKind Kind = TVarRecKind::vtPointer;
    union {
        int32_t VInteger;
        bool VBoolean;
        unsigned char VChar;
        char16_t VWideChar;
        const long double* VExtended;
        const std::string* VString;
        const void* VPointer;
        const char* VPChar;
        TObject* VObject;
        const TClassInfo* VClass;
        const char16_t* VPWideChar;
        const std::string* VAnsiString;
        const Currency* VCurrency;
        const Variant* VVariant;
        IInterface* VInterface;
        const std::u16string* VWideString;
        const int64_t* VInt64;
        const std::u16string* VUnicodeString;
        uintptr_t VWord;
    };

    TVarRec() : VWord(0) {}
    TVarRec(int32_t v) : Kind(TVarRecKind::vtInteger), VWord(0) { VInteger = v; }
    TVarRec(bool v) : Kind(TVarRecKind::vtBoolean), VWord(0) { VBoolean = v; }
    TVarRec(char v) : Kind(TVarRecKind::vtChar), VWord(0) { VChar = static_cast<unsigned char>(v); }
    TVarRec(const char* v) : Kind(TVarRecKind::vtPChar), VPChar(v) {}
    TVarRec(const std::string& v) : Kind(TVarRecKind::vtAnsiString), VAnsiString(&v) {}
    TVarRec(const std::u16string& v) : Kind(TVarRecKind::vtUnicodeString), VUnicodeString(&v) {}
    TVarRec(const long double& v) : Kind(TVarRecKind::vtExtended), VExtended(&v) {}
    TVarRec(const Variant& v) : Kind(TVarRecKind::vtVariant), VVariant(&v) {}
    TVarRec(const Currency& v) : Kind(TVarRecKind::vtCurrency), VCurrency(&v) {}
    TVarRec(const int64_t& v) : Kind(TVarRecKind::vtInt64), VInt64(&v) {}
    TVarRec(TObject* v) : Kind(TVarRecKind::vtObject), VObject(v) {}
    TVarRec(const TClassInfo* v) : Kind(TVarRecKind::vtClass), VClass(v) {}
    TVarRec(const void* v) : Kind(TVarRecKind::vtPointer), VPointer(v) {}
    TVarRec(char16_t v) : Kind(TVarRecKind::vtWideChar), VWord(0) { VWideChar = v; }
    TVarRec(const char16_t* v) : Kind(TVarRecKind::vtPWideChar), VPWideChar(v) {}
    TVarRec(IInterface* v) : Kind(TVarRecKind::vtInterface), VInterface(v) {}

    static TVarRec ShortString(const std::string& v);
    static TVarRec WideString(const std::u16string& v);
};

/// An argument list ("array of const"); it refers to the caller's values.
using TConstArray = std::span<const TVarRec>;

/// Builds an argument list in place: `SendMessage(pmCustom, "x", Args(5, name, true))`.
template <class... A>
std::array<TVarRec, sizeof...(A)> Args(const A&... values) {
    return {TVarRec(values)...};
}

}  // namespace zarix
