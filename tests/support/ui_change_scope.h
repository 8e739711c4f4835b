// A UI change handler that stands in for a front-end while a test looks at what it is told.
#pragma once

#include "platform/ui/ui_change.h"

#include <utility>

/// Installs the handler for the object's life and puts the one before it back at its end, so no
/// test leaves a handler of its own behind, whatever fails in between.
class TUIChangeScope {
public:
    explicit TUIChangeScope(zarix::TUIChangeHandler handler) : FPrevious(zarix::SetUIChangeHandler(std::move(handler))) {}
    ~TUIChangeScope() { zarix::SetUIChangeHandler(std::move(FPrevious)); }
    TUIChangeScope(const TUIChangeScope&) = delete;
    TUIChangeScope& operator=(const TUIChangeScope&) = delete;

private:
    zarix::TUIChangeHandler FPrevious;
};
