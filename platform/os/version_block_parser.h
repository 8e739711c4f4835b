// The VS_VERSIONINFO block parser and the bounded positioned reads shared by the ELF and PE
// locators of the version block. Private to platform/os.
#pragma once

#include "platform/os/version_resource.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace zarix::version_detail {

using TBytes = std::span<const std::byte>;

// The root length is a 16-bit field, so no well-formed block is bigger than this.
inline constexpr std::size_t MaxBlockSize = 0xFFFF;
inline constexpr std::size_t NodeHeaderSize = 6;  // wLength, wValueLength, wType

// One read at the start brings in the ELF header, the program headers, and the version note and
// ABI stamp the linker puts right after them (for a PE file, all its headers). This much holds
// that for a plugin with a dozen program headers and a described block; every byte more is
// copied for nothing on every file, which shows when a folder of plugins is scanned.
inline constexpr std::size_t HeadReadSize = 1536;

/// True when [offset, offset + size) lies inside [0, limit), without overflowing.
constexpr bool RangeFits(uint64_t offset, uint64_t size, uint64_t limit) noexcept {
    return size <= limit && offset <= limit - size;
}

uint16_t LoadU16(TBytes bytes, std::size_t offset) noexcept;
uint32_t LoadU32(TBytes bytes, std::size_t offset) noexcept;
uint64_t LoadU64(TBytes bytes, std::size_t offset) noexcept;

/// One node of the block, as offsets into it. Children lie in [ChildrenBegin, End).
struct TVersionNode {
    std::size_t Begin = 0;
    std::size_t End = 0;  // Begin + wLength
    std::size_t KeyBegin = 0;
    std::size_t KeyUnits = 0;  // UTF-16 units of the key, without its NUL
    std::size_t ValueBegin = 0;
    std::size_t ValueSize = 0;  // in bytes
    std::size_t ChildrenBegin = 0;
    bool IsText = false;
};

/// The node at `offset`, which must end within `limit`; nothing when its header, key or value
/// do not fit.
std::optional<TVersionNode> ParseVersionNode(TBytes block, std::size_t offset, std::size_t limit) noexcept;

/// Checks the whole tree of the block at the start of `bytes` and returns its size (the root
/// length). Trailing bytes past the root length, such as section padding, are ignored.
TVersionResult<uint32_t> ValidateVersionBlock(TBytes bytes);

/// The value at a backslash-separated path; empty components are skipped, so a leading
/// backslash is optional and "\\" alone is the root's value.
std::optional<TVerValue> FindVersionValue(TBytes block, std::string_view path) noexcept;

/// UTF-16LE to UTF-8; stops at the first NUL. An unpaired surrogate becomes U+FFFD.
std::string Utf16LeToUtf8(TBytes text);

TVersionError MakeError(TVersionErrorKind kind, std::string_view what, std::string_view reason, uint64_t offset);

/// Bytes of a file read at a known offset.
struct TReadWindow {
    uint64_t Offset = 0;
    std::vector<std::byte> Bytes;
};

/// Positioned reads of a file someone else owns the descriptor of. Every read is kept, so the
/// spans handed out stay valid for the reader's lifetime and a range already read is never
/// read again.
class TWindowedFile {
public:
    /// `what` names the format in errors ("ELF object"); `head` is what the caller read at
    /// offset 0 and must outlive the reader. `fileSize` is the file's size when the caller
    /// knows it (a head shorter than asked for is the whole file); otherwise it is asked of
    /// the descriptor the first time a read goes past the head.
    TWindowedFile(int fd, std::string_view what, TBytes head, std::optional<uint64_t> fileSize = std::nullopt)
        : FFd(fd), FWhat(what), FHead(head), FFileSize(fileSize) {}

    /// The size of the file, which bounds every read: a header may claim any size, but
    /// nothing is allocated for bytes the file does not have.
    TVersionResult<uint64_t> FileSize();

    /// Reads up to `size` bytes at `offset` as one more window; a short read at the end of the
    /// file is not an error here.
    std::optional<TVersionError> Prefetch(uint64_t offset, std::size_t size);

    /// True when a window already read holds [offset, offset + size).
    bool Holds(uint64_t offset, uint64_t size) const noexcept;

    /// Exactly [offset, offset + size), from a window already read when one holds it.
    TVersionResult<TBytes> Bytes(uint64_t offset, uint64_t size, std::string_view purpose);

    TVersionError Invalid(std::string_view reason, uint64_t offset) const;

private:
    std::optional<TBytes> Held(uint64_t offset, uint64_t size) const noexcept;

    int FFd;
    std::string_view FWhat;
    TBytes FHead;
    std::optional<uint64_t> FFileSize;
    // Only the long ways through a file need more than the head; the usual case allocates nothing.
    std::vector<TReadWindow> FMore;
};

/// Reads into `into` at `offset`, retrying on interruption; returns the count, which is short
/// only at end of file.
TVersionResult<std::size_t> ReadAt(int fd, uint64_t offset, std::span<std::byte> into);

}  // namespace zarix::version_detail
