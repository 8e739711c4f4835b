// TResultType: what a routine called by name through ExecuteMethod hands back.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"
#include "platform/rtl/varrec.h"

#include <cstddef>
#include <cstdint>

namespace zarix {

/// A routine other plugins call by name: it receives the argument list converted to
/// pointer-sized words, in order, then a reference to the result it fills. Declare it with
/// as many words as it takes, for example
///   void AddTax(uintptr_t Net, uintptr_t Rate, TVarRec* Result);
/// and register it with TZarixPlugin::AddMethod. It is called with exactly as many words as
/// the caller's arguments convert to (at most 12): a routine and its callers must agree on
/// them, as nothing in a code address tells how many words it takes.
using TRoutineWord = uintptr_t;

/// The result of one ExecuteMethod call; the caller owns it. A routine that writes nothing
/// leaves `value` a nil pointer (kind vtPointer, payload 0).
class ZARIX_API TResultType : public TObject {
    ZARIX_CLASS(TResultType, TObject)
    TResultType();
    ~TResultType() override;
    /// One result is made and freed per call: each thread keeps the memory of its last freed
    /// one for the next.
    static void* operator new(std::size_t Size);
    static void operator delete(void* Block, std::size_t Size) noexcept;

    TVarRec value;
};

}  // namespace zarix
