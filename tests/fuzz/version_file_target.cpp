// Version blocks read from ELF and PE files.
#include "block_checks.h"
#include "fuzz_target.h"
#include "memory_file.h"

#include "platform/os/version_resource.h"
#include "platform/rtl/exceptions.h"
#include "plugin/plugin_utils.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace zarix::fuzz {
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

}  // namespace zarix::fuzz
