// The library's bitmap resources: the palette pictures of its three components.
#pragma once

#include "platform/rtl/exceptions.h"
#include "platform/rtl/export.h"
#include "platform/rtl/reflection.h"
#include "platform/ui/graphics.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarix {

/// A resource the library does not hold.
ZARIX_DECLARE_EXCEPTION(EResNotFound, Exception, ZARIX_API);

/// The bitmap resource Name, compared without regard to ASCII case as resource names are:
/// "TZARIXMDICONTAINER", "TZARIXPLUGINMANAGER" or "TZARIXPLUGIN", each 24 x 24 pixels of
/// 24-bit colour. Raises EResNotFound "Resource <Name> not found" for any other name.
ZARIX_API TBitmap LoadResourceBitmap(std::string_view Name);
/// The names of the library's bitmap resources, in capitals.
ZARIX_API std::vector<std::string> BitmapResourceNames();
/// The palette picture of a component class: the resource named after the class in capitals.
/// Raises EResNotFound for a class the library has no picture for.
ZARIX_API TBitmap PaletteBitmap(TClass Class);

}  // namespace zarix
