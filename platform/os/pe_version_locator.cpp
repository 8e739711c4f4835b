// The PE locator: DOS header, PE header, optional header, the resource data directory, then
// three levels of the resource tree (type, name, language) down to the version resource.
#include "platform/os/pe_version_locator.h"

#include <algorithm>
#include <string>

namespace zarix::version_detail {
namespace {

constexpr uint32_t RT_VERSION = 16;
constexpr std::size_t ResourceDirectoryIndex = 2;
constexpr std::size_t SectionHeaderSize = 40;
constexpr uint32_t SubdirectoryBit = 0x80000000u;

std::string Hex(uint64_t value) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    do {
        out.insert(out.begin(), digits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return "0x" + out;
}

class TPeReader {
public:
    TPeReader(TWindowedFile& file, TBytes sections, uint64_t tableOffset)
        : FFile(file), FSections(sections), FTableOffset(tableOffset) {}

    // Bytes at an RVA, which must lie in the file data of one section.
    TVersionResult<TBytes> AtRva(uint64_t rva, uint64_t size, std::string_view purpose) {
        for (std::size_t at = 0; at + SectionHeaderSize <= FSections.size(); at += SectionHeaderSize) {
            const uint64_t address = LoadU32(FSections, at + 12);
            const uint64_t rawSize = LoadU32(FSections, at + 16);
            const uint64_t rawPointer = LoadU32(FSections, at + 20);
            if (rva < address || rva - address >= rawSize) continue;
            if (!RangeFits(rva - address, size, rawSize))
                return FFile.Invalid(std::string(purpose) + " runs past the end of its section", FTableOffset + at);
            return FFile.Bytes(rawPointer + (rva - address), size, purpose);
        }
        return FFile.Invalid(std::string(purpose) + " at RVA " + Hex(rva) + " lies in no section", FTableOffset);
    }

private:
    TWindowedFile& FFile;
    TBytes FSections;
    uint64_t FTableOffset;
};

struct TDirectoryEntry {
    uint32_t Name = 0;
    uint32_t Target = 0;
};

// The entries of the directory at `offset` from the start of the resource tree; named entries
// come first, then those with numeric identifiers.
TVersionResult<std::vector<TDirectoryEntry>> ReadDirectory(TPeReader& pe, uint64_t root, uint64_t offset, std::size_t* named) {
    auto header = pe.AtRva(root + offset, 16, "resource directory");
    if (!header) return header.Error();
    *named = LoadU16(header.Value(), 12);
    const std::size_t count = *named + LoadU16(header.Value(), 14);
    auto raw = pe.AtRva(root + offset + 16, count * 8, "resource directory entries");
    if (!raw) return raw.Error();
    std::vector<TDirectoryEntry> entries(count);
    for (std::size_t i = 0; i < count; ++i) entries[i] = {LoadU32(raw.Value(), i * 8), LoadU32(raw.Value(), i * 8 + 4)};
    return entries;
}

TVersionError NoVersion(std::string_view why) {
    return {TVersionErrorKind::NoVersionBlock, "no version block (" + std::string(why) + ")"};
}

}  // namespace

TVersionResult<TBytes> LocatePeVersionBlock(TWindowedFile& file) {
    auto dos = file.Bytes(0, 64, "DOS header");
    if (!dos) return dos.Error();
    const uint64_t peOffset = LoadU32(dos.Value(), 0x3C);
    auto pe = file.Bytes(peOffset, 24, "PE header");
    if (!pe) return pe.Error();
    if (LoadU32(pe.Value(), 0) != 0x00004550u) return file.Invalid("no PE signature", peOffset);
    const std::size_t sectionCount = LoadU16(pe.Value(), 6);
    const std::size_t optionalSize = LoadU16(pe.Value(), 20);

    const uint64_t optionalOffset = peOffset + 24;
    auto optional = file.Bytes(optionalOffset, optionalSize, "optional header");
    if (!optional) return optional.Error();
    const TBytes o = optional.Value();
    if (o.size() < 2) return file.Invalid("optional header is missing", optionalOffset);
    const uint16_t magic = LoadU16(o, 0);
    if (magic != 0x10B && magic != 0x20B) return file.Invalid("unknown optional header magic " + Hex(magic), optionalOffset);
    // PE32+ widens the image base and the stack and heap sizes, moving what follows by 16 bytes.
    const std::size_t countField = magic == 0x20B ? 108 : 92;
    const std::size_t directories = countField + 4;
    const std::size_t resourceField = directories + ResourceDirectoryIndex * 8;
    if (!RangeFits(resourceField, 8, o.size()) || LoadU32(o, countField) <= ResourceDirectoryIndex)
        return NoVersion("no resource directory");
    const uint64_t root = LoadU32(o, resourceField);
    if (root == 0 || LoadU32(o, resourceField + 4) == 0) return NoVersion("no resource directory");

    const uint64_t tableOffset = optionalOffset + optionalSize;
    auto sections = file.Bytes(tableOffset, sectionCount * SectionHeaderSize, "section table");
    if (!sections) return sections.Error();
    TPeReader reader(file, sections.Value(), tableOffset);

    // Type level: the RT_VERSION entry among those with numeric identifiers.
    std::size_t named = 0;
    auto types = ReadDirectory(reader, root, 0, &named);
    if (!types) return types.Error();
    const auto& t = types.Value();
    const auto version = std::find_if(t.begin() + static_cast<std::ptrdiff_t>(named), t.end(),
                                      [](const TDirectoryEntry& e) { return e.Name == RT_VERSION; });
    if (version == t.end()) return NoVersion("no RT_VERSION resource");
    if ((version->Target & SubdirectoryBit) == 0) return file.Invalid("RT_VERSION entry is not a directory", tableOffset);

    // Name and language levels: the first entry of each, as the platform's loader takes it.
    uint32_t target = version->Target;
    for (int level = 0; level < 2; ++level) {
        auto entries = ReadDirectory(reader, root, target & ~SubdirectoryBit, &named);
        if (!entries) return entries.Error();
        if (entries.Value().empty()) return NoVersion("empty RT_VERSION directory");
        target = entries.Value().front().Target;
        const bool wantDirectory = level == 0;
        if (((target & SubdirectoryBit) != 0) != wantDirectory)
            return file.Invalid(wantDirectory ? "version name entry is not a directory" : "version language entry is not data", tableOffset);
    }

    auto entry = reader.AtRva(root + target, 16, "resource data entry");
    if (!entry) return entry.Error();
    const uint64_t dataRva = LoadU32(entry.Value(), 0);
    const uint64_t dataSize = LoadU32(entry.Value(), 4);
    auto data = reader.AtRva(dataRva, std::min<uint64_t>(dataSize, MaxBlockSize), "version resource");
    if (!data) return data.Error();
    auto size = ValidateVersionBlock(data.Value());
    if (!size) return size.Error();
    return data.Value().first(size.Value());
}

}  // namespace zarix::version_detail
