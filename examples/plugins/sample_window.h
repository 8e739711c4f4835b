// The base of the sample application's windows: an MDI child that keeps the window contract
// and, by default, agrees to everything and ignores what it is told.
#pragma once

#include "mdi/ZarixMDIContainer.h"
#include "sync/sync.h"

namespace samples {

class TSampleWindow : public zarix::TZarixMdiForm, public zarix::IMDIInterface {
public:
    using TZarixMdiForm::TZarixMdiForm;
    void MDIRefresh() override {}
    bool MDICanClose(const std::string&, int32_t, std::string&) override { return true; }
    void MDIParentClosing(const std::string&, int32_t) override {}
    void MDIReceiveResult(const std::string&, int32_t) override {}
};

}  // namespace samples
