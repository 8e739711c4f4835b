// The login dialog: the users of the database, one to choose.
#pragma once

#include "desktop_session.h"

#include <optional>
#include <vector>

class QWidget;

namespace zarixdesktop {

/// Asks which user logs in; nothing when the person cancels. Current is selected first.
std::optional<int32_t> AskUser(const std::vector<TUserEntry>& Users, int32_t Current, QWidget* Parent = nullptr);

}  // namespace zarixdesktop
