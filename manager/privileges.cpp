// The privilege pass over the command menu items.
#include "manager/ZarixPluginManager.h"

#include "services/db/security.h"

namespace zarix {

void TZarixPluginManager::CheckMenuVSPrivileges() {
    ZARIX_ASSERT_UI_THREAD();
    // Entries whose item the host has destroyed are dropped, never asked about.
    std::erase_if(FCommandBaseMenuPrivileges, [](const TMenuPrivilege& p) { return !p.Item; });
    for (const TMenuPrivilege& entry : FCommandBaseMenuPrivileges)
        if (TMenuItem* item = entry.Item.Get())
            item->SetEnabled(UserSecurity().CheckPrivilege(entry.Privilege, 0, "", ""));
}

}  // namespace zarix
