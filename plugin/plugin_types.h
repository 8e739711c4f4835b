// The vocabulary shared by the host and every plugin library: versions, dependencies, the
// kinds of broadcast message and the shapes of methods called by name.
#pragma once

#include "platform/rtl/enum_info.h"
#include "platform/rtl/export.h"
#include "platform/rtl/variant.h"
#include "platform/rtl/varrec.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zarix {

class TForm;

/// A four-part version; each part is 16 bits wide.
struct TVersion {
    uint16_t Major = 0;
    uint16_t Minor = 0;
    uint16_t Release = 0;
    uint16_t Build = 0;
    bool operator==(const TVersion&) const = default;
};

/// One plugin another plugin needs, by normalised name, at a minimum version.
struct TPluginDependency {
    std::string PluginName;
    TVersion RequiredVersion;
};

using TPluginDependencies = std::vector<TPluginDependency>;

/// A version as its property reads: "Major.Minor.Release.Build".
ZARIX_API std::string ZarixRecordText(const TVersion& Value);
/// A version property written from its text, as VersionParser reads one.
ZARIX_API TVersion ZarixRecordFromText(std::string_view Text, const TVersion*);
/// Dependencies as their property reads: "NAME=version" for each, joined by ",".
ZARIX_API std::string ZarixRecordText(const TPluginDependencies& Value);
using TExplodeArray = std::vector<std::string>;

/// Kinds of broadcast message. The framework itself sends only the three database-check
/// kinds; the others travel between the host and plugins untouched.
ZARIX_ENUM(TPluginMessagesTypes, pmCustom, pmDBCheckRequired, pmDBConnectionEstablished, pmTerminate,
           pmDBGlobalConnectionEstablished, pmSetMenuVisibility, pmDBTableRequired, pmDBProcRequired,
           pmDBDataRequired)

/// A plugin method that another plugin calls by name on behalf of a parent window.
using TPluginMethodFunc = std::function<Variant(TConstArray AParams, TForm* ParentForm)>;
/// A plugin method of the plugins' own use: arguments in, text out.
using TPluginMethodCallback = std::function<std::string(TConstArray AParams)>;

/// An untyped code address, as registered routines are kept.
using TCodePointer = void (*)();

}  // namespace zarix
