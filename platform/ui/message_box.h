// The modal message box. Without a front-end it writes to standard error and keeps a record
// of what was shown, so a headless host and its tests can see every message.
#pragma once

#include "platform/rtl/export.h"

#include <functional>
#include <string>
#include <vector>

namespace zarix {

enum TMessageBoxButtons : int { MB_OK = 0, MB_OKCANCEL = 1, MB_YESNO = 4 };
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

struct TMessageBoxRequest {
    std::string Text;
    std::string Caption;
    int Buttons = MB_OK;
};

/// Shows one message and returns the button chosen.
using TMessageBoxHandler = std::function<int(const TMessageBoxRequest&)>;

/// Shows a modal message box through the installed handler.
ZARIX_API int MessageBox(const std::string& Text, const std::string& Caption = {}, int Buttons = MB_OK);
ZARIX_API void ShowMessage(const std::string& Text);

/// Installs a handler (a front-end's dialog, a test's script); an empty one restores the
/// headless default. Returns the handler that was installed before.
ZARIX_API TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler);

/// Every message shown since the last ClearShownMessages, whichever handler showed it.
ZARIX_API std::vector<TMessageBoxRequest> ShownMessages();
ZARIX_API void ClearShownMessages();

}  // namespace zarix
