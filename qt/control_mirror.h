// The controls lying in a form, mirrored as child widgets of the form's client widget: panels
// as raised frames, a page control as a tab widget with its sheets as pages.
#pragma once

#include "platform/rtl/component.h"

#include <QPointer>
#include <QWidget>

#include <string_view>
#include <unordered_map>

namespace zarix {
class TControl;
}

namespace zarix::qt {

class TAdapter;
class TAdapterRegistry;

class TControlMirror {
public:
    /// Mirrors the controls of Form into Client; each control is a part of Owner (the form's
    /// adapter), so its changes and its end reach Owner, which passes them on here.
    TControlMirror(TAdapterRegistry& Registry, TAdapter& Owner, TComponent* Form, QWidget* Client);
    ~TControlMirror();
    TControlMirror(const TControlMirror&) = delete;
    TControlMirror& operator=(const TControlMirror&) = delete;

    /// Builds every widget anew from the form's controls.
    void Rebuild();
    /// True when Sender is one of the mirrored controls; the change is then shown.
    bool Changed(TComponent* Sender, std::string_view What);
    /// A mirrored control was freed: its widget goes.
    void Freed(TComponent* Control);
    QWidget* WidgetOf(const TComponent* Control) const;

private:
    void Build(TControl* Control, QWidget* Parent);
    void Place(TControl* Control, QWidget* Widget);
    void Clear();

    TAdapterRegistry& FRegistry;
    TAdapter& FOwner;
    TComponent* FForm;
    QPointer<QWidget> FClient;
    std::unordered_map<const TComponent*, QPointer<QWidget>> FWidgets;
};

}  // namespace zarix::qt
