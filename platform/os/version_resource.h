// Version resources read straight from library files (ELF plugins and PE files), without
// loading them, through the functions the platform names for it.
#pragma once

#include "platform/rtl/export.h"

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace zarix {

enum class TVersionErrorKind {
    CannotRead,      // the file does not exist, is not a regular file, or a read failed
    NotValidObject,  // not an ELF object or PE file, or its headers contradict the file
    NoVersionBlock,  // a well-formed file without a version block
    DamagedBlock,    // the block is there but its structure is broken
};

struct TVersionError {
    TVersionErrorKind Kind;
    std::string Message;
};

/// A value or the reason there is none; the platform layer's fallible reads return it
/// instead of throwing.
template <class T>
class TVersionResult {
public:
    TVersionResult(T value) : FState(std::in_place_index<0>, std::move(value)) {}
    TVersionResult(TVersionError error) : FState(std::in_place_index<1>, std::move(error)) {}

    explicit operator bool() const noexcept { return FState.index() == 0; }
    T& Value() & {
        assert(FState.index() == 0 && "Value() of a failed result");
        return std::get<0>(FState);
    }
    T&& Value() && {
        assert(FState.index() == 0 && "Value() of a failed result");
        return std::get<0>(std::move(FState));
    }
    const TVersionError& Error() const {
        assert(FState.index() == 1 && "Error() of a successful result");
        return std::get<1>(FState);
    }

private:
    std::variant<T, TVersionError> FState;
};

/// The version block of a file with the reason when there is none: "not a valid ELF object
/// (reason, offset 0x..)", "not a valid PE file (...)", "no version block", ...
ZARIX_API TVersionResult<std::vector<std::byte>> ReadVersionBlock(const std::string& FileName);

/// Size in bytes of the file's version block; 0 when the file has none, does not exist, or
/// cannot be read or parsed.
ZARIX_API uint32_t GetFileVersionInfoSizeW(const std::string& FileName) noexcept;

/// Copies the file's version block, at most Len bytes, into Data. A copy cut short by Len has
/// its root length set to what was copied, so later queries stay inside the copy.
ZARIX_API bool GetFileVersionInfoW(const std::string& FileName, uint32_t Len, void* Data) noexcept;

/// Finds SubBlock in a block filled by GetFileVersionInfoW: "\\" (the fixed file info),
/// "\\VarFileInfo\\Translation", "\\StringFileInfo\\041504E2\\FileVersion". Names are compared
/// without regard to letter case. Buffer points into Block; Len counts characters (terminating
/// NUL included, as stored) for text values and bytes otherwise. The block's own root length
/// bounds the search.
ZARIX_API bool VerQueryValueW(const void* Block, std::string_view SubBlock, const void** Buffer,
                              uint32_t* Len) noexcept;

struct TVerValue {
    std::span<const std::byte> Bytes;  // inside the queried block
    bool IsText = false;               // UTF-16LE text rather than binary data
};

/// VerQueryValueW bounded by the size of the buffer as well as by the block's root length.
ZARIX_API std::optional<TVerValue> VerQueryValue(std::span<const std::byte> Block, std::string_view SubBlock) noexcept;

/// The text value at Path as UTF-8, exactly as stored up to its terminating NUL; nothing when
/// the path is missing or the block is damaged.
ZARIX_API std::optional<std::string> VerQueryString(const void* Block, uint32_t Size, std::string_view Path);

struct TVerTranslation {
    uint16_t Language = 0;
    uint16_t CodePage = 0;
};

/// The "\\VarFileInfo\\Translation" list, in stored order; empty when there is none.
ZARIX_API std::vector<TVerTranslation> VerQueryTranslations(const void* Block, uint32_t Size);

/// "\\StringFileInfo\\<language><code page>\\<Key>" for a translation, e.g. "...\\041504E2\\FileVersion".
ZARIX_API std::string VerStringPath(TVerTranslation Translation, std::string_view Key);

}  // namespace zarix
