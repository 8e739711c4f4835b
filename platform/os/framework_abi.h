// The framework's version and ABI number, and the fingerprint a plugin carries of the build it
// came from. The build reads the numbers from here: the project version and the library's
// SOVERSION, so the ABI number has exactly one home.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Bump ZARIX_FRAMEWORK_ABI on any change to the layout or the virtual table of a class the
// framework exports, and record the new layouts beside it (tests/manager/abi_layout_test.cpp).
// Plugins stamped with another number are refused before any of their code runs.
#define ZARIX_FRAMEWORK_VERSION_MAJOR 1
#define ZARIX_FRAMEWORK_VERSION_MINOR 0
#define ZARIX_FRAMEWORK_VERSION_PATCH 0
#define ZARIX_FRAMEWORK_ABI 2

namespace zarix {

/// Where the stamp lives: an ELF note like the version block's, owner "Zarix", its own type.
inline constexpr std::string_view AbiStampSectionName = ".note.zarix_abi";
inline constexpr uint32_t AbiStampNoteType = 2;
/// The layout of the note's descriptor; a later layout gets a higher number.
inline constexpr uint32_t AbiStampFormat = 1;
inline constexpr std::size_t AbiStampSize = 32;
/// The standard library fields of a build against something other than libstdc++.
inline constexpr uint32_t UnknownStdLib = 0xFFFFFFFFu;

/// What a module was compiled against and with.
struct TAbiStamp {
    uint32_t FrameworkAbi = 0;
    uint32_t CxxAbi = 0;          // the compiler's __GXX_ABI_VERSION
    uint32_t StdLibCxx11Abi = 0;  // libstdc++'s _GLIBCXX_USE_CXX11_ABI: 1 for the C++11 strings and lists
    uint32_t StdLibMajor = 0;     // libstdc++'s major release
    uint32_t FrameworkMajor = 0;
    uint32_t FrameworkMinor = 0;
    uint32_t FrameworkPatch = 0;

    friend constexpr bool operator==(const TAbiStamp&, const TAbiStamp&) = default;
};

/// The stamp of the translation unit that evaluates it: a plugin's own build when the plugin
/// stamps itself, the framework library's when the library compares.
constexpr TAbiStamp CompiledAbiStamp(uint32_t FrameworkAbi = ZARIX_FRAMEWORK_ABI) {
    TAbiStamp stamp;
    stamp.FrameworkAbi = FrameworkAbi;
#ifdef __GXX_ABI_VERSION
    stamp.CxxAbi = __GXX_ABI_VERSION;
#endif
#if defined(__GLIBCXX__) && defined(_GLIBCXX_USE_CXX11_ABI) && defined(_GLIBCXX_RELEASE)
    stamp.StdLibCxx11Abi = _GLIBCXX_USE_CXX11_ABI;
    stamp.StdLibMajor = _GLIBCXX_RELEASE;
#else
    stamp.StdLibCxx11Abi = UnknownStdLib;
    stamp.StdLibMajor = UnknownStdLib;
#endif
    stamp.FrameworkMajor = ZARIX_FRAMEWORK_VERSION_MAJOR;
    stamp.FrameworkMinor = ZARIX_FRAMEWORK_VERSION_MINOR;
    stamp.FrameworkPatch = ZARIX_FRAMEWORK_VERSION_PATCH;
    return stamp;
}

}  // namespace zarix
