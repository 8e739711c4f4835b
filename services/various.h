// Text normalisation used to compare plugin names.
#pragma once

#include "platform/rtl/export.h"

#include <string>
#include <string_view>

namespace zarix {

/// Normalised search form of a text: Polish and other Latin letters become their ASCII base
/// letters, a to z become upper case, everything that is neither a letter nor a digit is
/// dropped, and at most MaxLength characters are kept ("Kopia danych" gives "KOPIADANYCH",
/// "Formularze ŁOW" gives "FORMULARZELOW").
ZARIX_API std::string StrStdSearch(std::string_view Text, int MaxLength);

}  // namespace zarix
