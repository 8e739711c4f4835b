// The targets over binary formats: version blocks queried in memory, version blocks read from
// ELF and PE files, and the check a library passes before the loader may map it. The files are
// made in memory, never on the disk.
#include "fuzz_target.h"

#include "platform/os/library.h"
#include "platform/os/library_check.h"
#include "platform/os/version_resource.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/strings.h"
#include "plugin/plugin_utils.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

namespace zarix::fuzz {
namespace {

/// An anonymous in-memory file holding the given bytes, reachable by name through
/// /proc/self/fd while the object lives.
class TMemoryFile {
public:
    explicit TMemoryFile(TInput bytes) : FFd(::memfd_create("zarix-fuzz", MFD_CLOEXEC)) {
        if (FFd < 0) throw std::system_error(errno, std::generic_category(), "memfd_create");
        // Memory takes a whole write at once; only a failure leaves it short.
        if (::write(FFd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) {
            ::close(FFd);
            throw std::runtime_error("cannot write the input to a memfd");
        }
        FPath = "/proc/self/fd/" + std::to_string(FFd);
    }
    ~TMemoryFile() { ::close(FFd); }
    TMemoryFile(const TMemoryFile&) = delete;
    TMemoryFile& operator=(const TMemoryFile&) = delete;

    const std::string& Path() const noexcept { return FPath; }

private:
    int FFd;
    std::string FPath;
};

/// The input with its first bytes replaced by a format's magic, so that the fuzzer spends its
/// time on the headers behind it rather than on finding the magic.
std::vector<uint8_t> WithMagic(TInput input, std::string_view magic) {
    std::vector<uint8_t> bytes(input.begin(), input.end());
    if (bytes.size() < magic.size()) bytes.resize(magic.size());
    std::memcpy(bytes.data(), magic.data(), magic.size());
    return bytes;
}

bool IsValidUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (length == 0 || text.size() - i < length) return false;
        uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        static constexpr uint32_t Smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (code < Smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += length;
    }
    return true;
}

bool Inside(std::span<const std::byte> block, const void* data, std::size_t size) {
    const auto* begin = static_cast<const std::byte*>(data);
    return begin >= block.data() && size <= block.size() &&
           static_cast<std::size_t>(begin - block.data()) <= block.size() - size;
}

void CheckPath(std::span<const std::byte> block, std::string_view path) {
    const auto value = VerQueryValue(block, path);
    if (value) Expect(Inside(block, value->Bytes.data(), value->Bytes.size()), "a value outside the block");
    // The platform-shaped query trusts the block's own length, so it is only asked about a
    // block that holds that many bytes; bounded the same way, both queries must agree.
    if (block.size() < 2) return;
    const std::size_t root = std::to_integer<std::size_t>(block[0]) | std::to_integer<std::size_t>(block[1]) << 8;
    if (root > block.size()) return;
    const void* data = nullptr;
    uint32_t length = 0;
    const bool found = VerQueryValueW(block.data(), path, &data, &length);
    Expect(found == value.has_value(), "the two queries disagree on whether a value exists");
    if (!found) return;
    Expect(data == value->Bytes.data(), "the two queries disagree on where a value is");
    Expect(length == (value->IsText ? value->Bytes.size() / 2 : value->Bytes.size()),
           "the two queries disagree on the length of a value");
}

/// Asks the block what hosts ask it and checks that every answer lies inside it, that the
/// bounded and the platform-shaped queries agree, and that texts come back as valid UTF-8.
void CheckBlockQueries(std::span<const std::byte> block) {
    static constexpr std::string_view Paths[] = {"\\", "", "\\VarFileInfo\\Translation", "\\VarFileInfo",
                                                 "\\StringFileInfo", "\\\\StringFileInfo\\\\041504E2\\FileVersion"};
    for (std::string_view path : Paths) CheckPath(block, path);
    const auto size = static_cast<uint32_t>(std::min<std::size_t>(block.size(), UINT32_MAX));
    const auto translations = VerQueryTranslations(block.data(), size);
    for (std::size_t t = 0; t < translations.size() && t < 4; ++t) {
        for (std::string_view key : {"FileVersion", "ProductName", "FileDescription"}) {
            const std::string path = VerStringPath(translations[t], key);
            CheckPath(block, path);
            if (const auto text = VerQueryString(block.data(), size, path))
                Expect(IsValidUtf8(*text), "a text value that is not valid UTF-8");
        }
    }
}

}  // namespace

void FuzzVersionBlock(TInput input) {
    // A copy of exactly the input's size, so a read past the block is a read past the buffer.
    const std::vector<std::byte> block(std::as_bytes(input).begin(), std::as_bytes(input).end());
    CheckBlockQueries(block);
}

namespace {

void CheckVersionFile(const std::vector<uint8_t>& bytes) {
    const TMemoryFile file(bytes);
    auto read = ReadVersionBlock(file.Path());
    const uint32_t size = GetFileVersionInfoSizeW(file.Path());
    if (!read) {
        Expect(size == 0, "a block size for a file whose block cannot be read");
        const std::string& message = read.Error().Message;
        Expect(message.size() > file.Path().size() + 2 && message.starts_with(file.Path() + ": "),
               "an error that does not name the file and the reason");
        return;
    }
    const std::vector<std::byte>& block = read.Value();
    Expect(block.size() >= 6 && block.size() <= 0xFFFF, "a block of impossible size");
    Expect((std::to_integer<std::size_t>(block[0]) | std::to_integer<std::size_t>(block[1]) << 8) == block.size(),
           "a block whose root length is not its size");
    Expect(size == block.size(), "the block size call disagrees with the block read");
    const auto* first = reinterpret_cast<const std::byte*>(bytes.data());
    Expect(std::search(first, first + bytes.size(), block.begin(), block.end()) != first + bytes.size(),
           "a block that is not in the file");
    std::vector<std::byte> copy(size);
    Expect(GetFileVersionInfoW(file.Path(), size, copy.data()) && copy == block,
           "the block copy call disagrees with the block read");
    CheckBlockQueries(block);
    // What plugin loading makes of it: a version, or the conversion error and nothing else.
    try {
        GetVersionInfo(file.Path());
    } catch (const EConvertError&) {
    }
}

}  // namespace

void FuzzElfVersion(TInput input) { CheckVersionFile(WithMagic(input, "\x7F" "ELF")); }

void FuzzPeVersion(TInput input) { CheckVersionFile(WithMagic(input, "MZ")); }

// From memory and from a file the check must give the same answer, allowing unstamped libraries
// may only let more through, and a refusal reaches the caller as the loading error naming the
// file and the reason.
void FuzzLibraryCheck(TInput input) {
    const std::vector<uint8_t> bytes = WithMagic(input, "\x7F" "ELF");
    const TMemoryFile file(bytes);
    std::optional<std::string> refusals[2];
    for (const bool allowUnstamped : {false, true}) {
        const auto fromMemory = InspectLibraryBytes(std::as_bytes(std::span(bytes)), allowUnstamped);
        const auto fromFile = InspectLibraryFile(file.Path(), allowUnstamped);
        Expect(fromMemory == fromFile, "the check from memory and from the file disagree");
        if (fromFile) Expect(!fromFile->empty(), "a refusal without a reason");
        try {
            CheckLibraryBeforeLoad(file.Path(), allowUnstamped);
            Expect(!fromFile, "a refused library passed the check before loading");
        } catch (const EPackageError& e) {
            Expect(fromFile && e.Message() == ExtractFileName(file.Path()) + ": " + *fromFile,
                   "the loading error does not name the file and the reason");
        }
        refusals[allowUnstamped ? 1 : 0] = fromFile;
    }
    Expect(!refusals[1] || refusals[0], "a library refused only when unstamped ones are allowed");
}

}  // namespace zarix::fuzz
