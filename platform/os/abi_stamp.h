// Stamps a plugin with the framework version and ABI it was built against (see
// platform/os/framework_abi.h), as an ELF note beside its version block, so the host can
// refuse a mismatch before the plugin's code runs.
//
// zarix_add_module writes the one line for you:
//     ZARIX_ABI_STAMP();
#pragma once

#include "platform/os/framework_abi.h"
#include "platform/os/version_block.h"

#include <array>

namespace zarix {

/// The stamp's note as the section holds it: owner "Zarix", type AbiStampNoteType, and the
/// stamp's fields as little-endian 32-bit words, format number first.
template <uint32_t FrameworkAbi>
consteval auto MakeAbiStampNote() {
    constexpr TAbiStamp stamp = CompiledAbiStamp(FrameworkAbi);
    constexpr std::size_t nameSize = VersionNoteOwner.size() + 1;
    std::array<unsigned char, 12 + (nameSize + 3) / 4 * 4 + AbiStampSize> note{};
    version_block_detail::TSink sink{note.data()};
    sink.U32(static_cast<uint32_t>(nameSize));
    sink.U32(static_cast<uint32_t>(AbiStampSize));
    sink.U32(AbiStampNoteType);
    for (const char c : VersionNoteOwner) sink.Byte(static_cast<unsigned char>(c));
    sink.Byte(0);
    sink.Align();
    for (const uint32_t word : {AbiStampFormat, stamp.FrameworkAbi, stamp.CxxAbi, stamp.StdLibCxx11Abi,
                                stamp.StdLibMajor, stamp.FrameworkMajor, stamp.FrameworkMinor, stamp.FrameworkPatch})
        sink.U32(word);
    return note;
}

}  // namespace zarix

// NOTE: the attributes are the version block's, for the same reasons: `retain` survives section
// garbage collection, and the one fixed C name makes a second stamp in a module a link error.
#if defined(__has_attribute) && __has_attribute(retain)
#define ZARIX_ABI_STAMP_ATTRIBUTES __attribute__((section(".note.zarix_abi"), used, retain, visibility("hidden"), aligned(4)))
#else
#define ZARIX_ABI_STAMP_ATTRIBUTES __attribute__((section(".note.zarix_abi"), used, visibility("default"), aligned(4)))
#endif

/// A stamp claiming another framework ABI number; only a test has a reason to write one.
#define ZARIX_ABI_STAMP_FOR(framework_abi) \
    extern "C" ZARIX_ABI_STAMP_ATTRIBUTES const auto zarix_abi_stamp_note = ::zarix::MakeAbiStampNote<framework_abi>()
#define ZARIX_ABI_STAMP() ZARIX_ABI_STAMP_FOR(ZARIX_FRAMEWORK_ABI)
