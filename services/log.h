// The diagnostic log: what the library does while it loads plugins, builds the menu and the
// toolbar and runs the database check, for a developer asking why a plugin is not there.
#pragma once

#include "platform/rtl/export.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zarix {

/// The log's categories, as bits of the mask that turns them on.
enum TLogCategory : uint32_t { lcLoad = 1, lcMenu = 2, lcDB = 4 };
/// Every category.
inline constexpr uint32_t lcAll = lcLoad | lcMenu | lcDB;

/// Receives each line with its category's name ("load", "menu" or "db"). May be called from
/// any thread that does logged work; a sink must not raise.
using TLogSink = std::function<void(std::string_view Category, std::string_view Text)>;

/// Installs a sink; an empty one restores the default (standard error). Returns the sink
/// installed before; installed again, it puts that one back. A sink belongs to the library
/// whose code installs it and to the one that built it, and is taken out when either is
/// unloaded, as exception sinks are (see services/exception_handler.h).
ZARIX_API TLogSink SetLogSink(TLogSink Sink);
/// Takes out every log sink that belongs to Module.
ZARIX_API bool RevokeLogSinksOf(const void* Module);

/// The mask of a category list as the ZARIX_LOG environment variable takes it: names separated
/// by commas ("load,menu,db"), "all" for every one, empty for none. Nothing for an unknown name.
ZARIX_API std::optional<uint32_t> ParseLogCategories(std::string_view List) noexcept;
/// Turns on exactly the categories of Mask (0: logging off). The library starts with the
/// categories of ZARIX_LOG.
ZARIX_API void SetLogCategories(uint32_t Mask) noexcept;
/// The categories turned on.
ZARIX_API uint32_t LogCategories() noexcept;
/// The name a sink is given for Category.
ZARIX_API std::string_view LogCategoryName(TLogCategory Category) noexcept;

}  // namespace zarix
