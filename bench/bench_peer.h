// What the late-bound calls benchmark shares with the plugin it loads: the class of the objects
// the plugin exposes, so the benchmark can call their accessors directly as a baseline.
#pragma once

#include "platform/rtl/component.h"
#include "platform/rtl/varrec.h"

#include <cstdint>

/// An object exposed by the peer plugin, with one integer property, Count. Its accessors are
/// real calls wherever they are called from, as those of a class in another library would be:
/// the benchmark compares a call by name with a call of the accessor, not with a field access.
class TPeerObject : public zarix::TPersistent {
    ZARIX_CLASS(TPeerObject, zarix::TPersistent)
    [[gnu::noinline]] int32_t Count() const noexcept { return FCount; }
    [[gnu::noinline]] void SetCount(int32_t Value) noexcept { FCount = Value; }
    /// The field itself, for the benchmark's reference figure of a plain field read.
    const int32_t& CountField() const noexcept { return FCount; }

private:
    int32_t FCount = 0;
};

/// The routines the peer plugin registers take three words and write one integer.
using TPeerRoutine = void (*)(uintptr_t, uintptr_t, uintptr_t, zarix::TVarRec*);

/// Published methods, routines and exposed objects per peer plugin.
constexpr int kPeerMethods = 20;
constexpr int kPeerRoutines = 20;
constexpr int kPeerObjects = 5;
