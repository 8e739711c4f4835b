// Message boxes and exception reports as QMessageBoxes.
#pragma once

#include "platform/ui/message_box.h"
#include "services/exception_handler.h"

namespace zarix::qt {

/// Shows Request as a modal QMessageBox and returns the button chosen.
int ShowMessageBoxDialog(const TMessageBoxRequest& Request);
/// Shows a report (its context and message, the class and place among the details) in a
/// message box that does not wait: a report may come from deep inside work that goes on.
void ShowExceptionReport(const TExceptionReport& Report);

}  // namespace zarix::qt
