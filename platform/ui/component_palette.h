// The designer's component palette: which component classes are installed, on which page.
// A library installs its components by calling its units' Register procedures, which call
// RegisterComponents; a tool lists the pages and classes to show them.
#pragma once

#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// Puts Classes on the palette page Page (made when first named), in the order given, and
/// registers them with the class registry so they can be found by name. A class is on the
/// palette once: registering it again, on any page, leaves it where it is. Raises
/// EComponentError for an empty page name or a null class, before anything is registered.
ZARIX_API void RegisterComponents(std::string_view Page, std::initializer_list<TClass> Classes);
/// The pages, in the order they were first named.
ZARIX_API std::vector<std::string> PalettePages();
/// The classes of a page (name compared without regard to ASCII case), in the order they came;
/// empty for a page there is not.
ZARIX_API std::vector<TClass> PaletteClasses(std::string_view Page);
/// The page a class is on; empty when it is not on the palette.
ZARIX_API std::string PalettePageOf(TClass Class);
/// Takes the classes the predicate picks off the palette (a library being uninstalled); pages
/// left empty go too. The classes stay in the class registry.
ZARIX_API void UnRegisterComponentsWhere(const std::function<bool(TClass)>& Predicate);

}  // namespace zarix
