// Handing a window's results to the window that opened it, or to a given window.
#include "mdi/ZarixMDIContainer.h"

#include "services/exception_handler.h"

namespace zarix {

void TZarixMDIContainer::SendMDIResult(TForm* SourceForm) {
    ZARIX_ASSERT_UI_THREAD();
    try {
        if (TreeHasNodes() && SourceForm != nullptr) {
            const THandle handle = SourceForm->Handle();
            for (int i = 0; i < FItems->Count(); ++i) {
                TZarixMDIContainerItem* entry = FItems->Items(i);
                if (entry->ParentForm() == nullptr || entry->Form() == nullptr || entry->Form()->Handle() != handle)
                    continue;
                GetMDIInterface(entry->ParentForm()).MDIReceiveResult(std::string(SourceForm->ClassName()), entry->OrigId());
                break;
            }
        }
        MDIResult().ClearMDIResults();
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.SendMdiResults", Here());
    }
}

void TZarixMDIContainer::SendResultToForm(TForm* DestForm) {
    try {
        if (TreeHasNodes() && DestForm != nullptr) {
            if (TZarixMDIContainerItem* entry = FirstEntryOf(DestForm))
                GetMDIInterface(entry->Form()).MDIReceiveResult("", 0);
        }
        MDIResult().ClearMDIResults();
    } catch (...) {
        ZarixExceptionHandler(std::current_exception(), "TZarixMDIContainer.SendMdiToForm", Here());
    }
}

}  // namespace zarix
