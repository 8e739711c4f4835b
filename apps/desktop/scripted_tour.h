// The scripted tour ./dev demo ends with: the desktop session driven through its widgets on
// any Qt platform (offscreen too), writing screenshots of what a person would see.
#pragma once

#include "desktop_session.h"

#include <string>

namespace zarixdesktop {

/// Starts the session for User, opens three windows, an open menu and the modules form, and
/// writes main.png, menu.png, progress.png and modules.png into Folder, printing each path.
/// Returns the program's exit code.
int RunScriptedTour(TDesktopSession& Session, int32_t User, const std::string& Folder);

}  // namespace zarixdesktop
