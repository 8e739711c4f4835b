// Finds the version block of an ELF object (32- or 64-bit, little-endian): the "Zarix" note
// of the ".note.zarix_version" section (see platform/os/version_block.h), reading only the
// headers and that note.
#pragma once

#include "platform/os/version_block_parser.h"

#include <optional>

namespace zarix::version_detail {

/// The block (a span into the file's windows) from the note, found through the PT_NOTE program headers when the object has them
/// and through the section header table otherwise. The file's first window holds at least the
/// identification bytes, already known to start with the ELF magic.
TVersionResult<TBytes> LocateElfVersionBlock(TWindowedFile& file);

/// The descriptor of the note of `owner` and `type` among the notes in `notes`, each padded
/// to `alignment`.
std::optional<TBytes> FindNote(TBytes notes, uint64_t alignment, std::string_view owner, uint32_t type) noexcept;

/// The descriptor of the version note among the notes in `notes`, each padded to `alignment`.
std::optional<TBytes> FindVersionNote(TBytes notes, uint64_t alignment) noexcept;

}  // namespace zarix::version_detail
