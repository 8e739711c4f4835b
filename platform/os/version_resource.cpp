// The public version-resource functions: opening the file, choosing the locator by the file's
// magic, and queries over a block.
#include "platform/os/version_resource.h"

#include "platform/os/elf_version_locator.h"
#include "platform/os/file_descriptor.h"
#include "platform/os/pe_version_locator.h"
#include "platform/os/version_block_parser.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <unistd.h>

namespace zarix {
namespace {

using namespace version_detail;

// Reads the block of a file into `out`, reusing its storage; the error carries no file name.
std::optional<TVersionError> ReadBlockInto(const std::string& fileName, std::vector<std::byte>& out) {
    auto fd = TFileDescriptor::Open(fileName);
    if (!fd) return fd.Error();
    std::array<std::byte, HeadReadSize> buffer;
    auto got = ReadAt(fd.Value().Get(), 0, buffer);
    if (!got) return got.Error();
    const TBytes head = TBytes(buffer).first(got.Value());
    // A short first read saw the whole file, so its size is known without asking.
    const auto fileSize = got.Value() < buffer.size() ? std::optional<uint64_t>(got.Value()) : std::nullopt;
    const auto startsWith = [&](std::string_view magic) {
        return head.size() >= magic.size() && std::memcmp(head.data(), magic.data(), magic.size()) == 0;
    };

    auto block = [&]() -> TVersionResult<TBytes> {
        if (startsWith("\x7F" "ELF")) {
            TWindowedFile file(fd.Value().Get(), "ELF object", head, fileSize);
            auto found = LocateElfVersionBlock(file);
            // Copied while the file's windows, which the span points into, still exist.
            if (found) out.assign(found.Value().begin(), found.Value().end());
            return found;
        }
        if (startsWith("MZ")) {
            TWindowedFile file(fd.Value().Get(), "PE file", head, fileSize);
            auto found = LocatePeVersionBlock(file);
            if (found) out.assign(found.Value().begin(), found.Value().end());
            return found;
        }
        return MakeError(TVersionErrorKind::NotValidObject, "library file",
                         head.empty() ? "the file is empty" : "neither ELF nor PE magic", 0);
    }();
    if (!block) return block.Error();
    return std::nullopt;
}

// GetFileVersionInfoSizeW reads the whole block anyway, and callers follow it at once with
// GetFileVersionInfoW for the same file; keeping the block for that one next call halves the
// file reads, and the pair sees one snapshot of the file, so the size they agree on is real.
struct TLastBlock {
    std::string FileName;
    std::vector<std::byte> Block;
    bool Valid = false;
};
thread_local TLastBlock LastBlock;

TBytes RootBounded(const void* block) {
    if (block == nullptr) return {};
    // The caller vouches for the block, so its own root length is the only bound there is.
    const auto* bytes = static_cast<const std::byte*>(block);
    const std::size_t length = LoadU16(TBytes(bytes, 2), 0);
    return TBytes(bytes, length);
}

}  // namespace

TVersionResult<std::vector<std::byte>> ReadVersionBlock(const std::string& FileName) {
    std::vector<std::byte> block;
    if (auto failure = ReadBlockInto(FileName, block))
        return TVersionError{failure->Kind, FileName + ": " + failure->Message};
    return block;
}

uint32_t GetFileVersionInfoSizeW(const std::string& FileName) noexcept {
    try {
        LastBlock.Valid = false;
        if (ReadBlockInto(FileName, LastBlock.Block)) return 0;
        LastBlock.FileName = FileName;
        LastBlock.Valid = true;
        return static_cast<uint32_t>(LastBlock.Block.size());
    } catch (...) {
        LastBlock.Valid = false;
        return 0;
    }
}

bool GetFileVersionInfoW(const std::string& FileName, uint32_t Len, void* Data) noexcept {
    try {
        const bool kept = LastBlock.Valid && LastBlock.FileName == FileName;
        LastBlock.Valid = false;
        if (Data == nullptr) return false;
        if (!kept && ReadBlockInto(FileName, LastBlock.Block)) return false;
        const std::vector<std::byte>& block = LastBlock.Block;
        if (Len < NodeHeaderSize) return false;
        const std::size_t copied = std::min<std::size_t>(Len, block.size());
        std::memcpy(Data, block.data(), copied);
        if (copied < block.size()) {
            auto* root = static_cast<unsigned char*>(Data);
            root[0] = static_cast<unsigned char>(copied & 0xFF);
            root[1] = static_cast<unsigned char>(copied >> 8);
        }
        return true;
    } catch (...) {
        return false;
    }
}

bool VerQueryValueW(const void* Block, std::string_view SubBlock, const void** Buffer, uint32_t* Len) noexcept {
    if (Buffer == nullptr || Len == nullptr) return false;
    const auto value = FindVersionValue(RootBounded(Block), SubBlock);
    if (!value) return false;
    *Buffer = value->Bytes.data();
    *Len = static_cast<uint32_t>(value->IsText ? value->Bytes.size() / 2 : value->Bytes.size());
    return true;
}

std::optional<TVerValue> VerQueryValue(std::span<const std::byte> Block, std::string_view SubBlock) noexcept {
    return FindVersionValue(Block, SubBlock);
}

std::optional<std::string> VerQueryString(const void* Block, uint32_t Size, std::string_view Path) {
    if (Block == nullptr) return std::nullopt;
    const auto value = FindVersionValue(TBytes(static_cast<const std::byte*>(Block), Size), Path);
    if (!value) return std::nullopt;
    return Utf16LeToUtf8(value->Bytes);
}

std::vector<TVerTranslation> VerQueryTranslations(const void* Block, uint32_t Size) {
    std::vector<TVerTranslation> out;
    if (Block == nullptr) return out;
    const auto value = FindVersionValue(TBytes(static_cast<const std::byte*>(Block), Size), "\\VarFileInfo\\Translation");
    if (!value) return out;
    for (std::size_t i = 0; i + 4 <= value->Bytes.size(); i += 4)
        out.push_back({LoadU16(value->Bytes, i), LoadU16(value->Bytes, i + 2)});
    return out;
}

std::string VerStringPath(TVerTranslation Translation, std::string_view Key) {
    char table[16];
    std::snprintf(table, sizeof table, "%04X%04X", static_cast<unsigned>(Translation.Language),
                  static_cast<unsigned>(Translation.CodePage));
    std::string path = "\\StringFileInfo\\";
    path.append(table).append("\\").append(Key);
    return path;
}

}  // namespace zarix
