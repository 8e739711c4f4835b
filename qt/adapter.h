// The base of every adapter: the Qt face of one headless object.
#pragma once

#include "platform/rtl/component.h"

#include <string_view>

class QAction;
class QWidget;

namespace zarix::qt {

class TQtFrontEnd;

/// Mirrors one model object (and parts of it it chose to watch, such as a menu's items) into
/// Qt objects. The front-end owns it and destroys it when the model object is freed.
class TAdapter {
public:
    TAdapter(TQtFrontEnd& FrontEnd, TComponent* Model) : FFrontEnd(FrontEnd), FModel(Model) {}
    virtual ~TAdapter() = default;
    TAdapter(const TAdapter&) = delete;
    TAdapter& operator=(const TAdapter&) = delete;

    TComponent* Model() const noexcept { return FModel; }
    TQtFrontEnd& FrontEnd() const noexcept { return FFrontEnd; }
    /// The model object, or one of the parts this adapter watches, reported a change.
    virtual void Changed(TComponent* Sender, std::string_view What) = 0;
    /// A watched part (never the model itself) was freed: drop what shows it. During this call
    /// the part is being destroyed and must not be called.
    virtual void PartFreed(TComponent*) {}
    /// The widget that shows the model, nullptr when it has none of its own.
    virtual QWidget* Widget() const = 0;
    /// The widget showing Object (the model or a part), nullptr when none does.
    virtual QWidget* WidgetOf(const TComponent* Object) const { return Object == FModel ? Widget() : nullptr; }
    /// The action showing Object (a menu item, a button), nullptr when none does.
    virtual QAction* ActionOf(const TComponent*) const { return nullptr; }

private:
    TQtFrontEnd& FFrontEnd;
    TComponent* FModel;
};

}  // namespace zarix::qt
