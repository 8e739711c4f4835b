// The base of the sample application's windows: an MDI child that keeps the window contract
// and, by default, agrees to everything and ignores what it is told.
#pragma once

#include "mdi/ZarixMDIContainer.h"
#include "plugin/zarixplugin.h"
#include "sync/sync.h"

namespace samples {

class TSampleWindow : public zarix::TZarixMdiForm, public zarix::IMDIInterface {
public:
    /// Owned by its module's plugin component, through which it reaches the host's windows:
    /// the window's code lives in the module's library, so it must not outlive the plugin.
    explicit TSampleWindow(zarix::TZarixPlugin* Plugin) : TZarixMdiForm(Plugin), FPlugin(Plugin) {}
    zarix::TZarixPlugin& Plugin() const noexcept { return *FPlugin; }
    void MDIRefresh() override {}
    bool MDICanClose(const std::string&, int32_t, std::string&) override { return true; }
    void MDIParentClosing(const std::string&, int32_t) override {}
    void MDIReceiveResult(const std::string&, int32_t) override {}

private:
    zarix::TZarixPlugin* FPlugin;
};

}  // namespace samples
