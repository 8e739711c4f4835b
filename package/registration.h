// Registration of the library's components on the designer's palette.
#pragma once

#include "platform/rtl/export.h"

#include <string_view>

namespace zarix {

/// The palette page the library's components are installed on.
inline constexpr std::string_view ZarixPalettePage = "Zarix";

// Each of the three units offers a procedure Register, which the designer calls when it
// installs the library, and each registers its own component. Free functions share one name
// space, so every Register lives in a namespace named after its unit:
// zarix::ZarixMDIContainer::Register() and so on.

namespace ZarixMDIContainer {
/// Puts TZarixMDIContainer on the page "Zarix".
ZARIX_API void Register();
}  // namespace ZarixMDIContainer

namespace ZarixPluginManager {
/// Puts TZarixPluginManager on the page "Zarix".
ZARIX_API void Register();
}  // namespace ZarixPluginManager

namespace zarixplugin {
/// Puts TZarixPlugin on the page "Zarix".
ZARIX_API void Register();
}  // namespace zarixplugin

/// What the designer does when it installs the library: every unit's Register, in unit order.
ZARIX_API void RegisterPackageComponents();

}  // namespace zarix
