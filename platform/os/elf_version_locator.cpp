// The ELF locator. A plugin's note sits in the first kilobytes of the file and a PT_NOTE
// program header points at it, so the usual case takes no read beyond the first. Objects
// without that (no program headers, or a note the headers do not list) are searched the long
// way: section header table, section names, then the section.
#include "platform/os/elf_version_locator.h"

#include "platform/os/version_block.h"

#include <algorithm>
#include <string>

namespace zarix::version_detail {
namespace {

constexpr uint32_t PT_NOTE = 4;
constexpr uint32_t SHT_NOBITS = 8;
constexpr uint16_t SHN_XINDEX = 0xFFFF;
constexpr uint16_t PN_XNUM = 0xFFFF;
// The linker puts .shstrtab right before the section header table, so reading this much in
// front of the table usually brings the section names in with the same read.
constexpr uint64_t NamesSlack = 1024;
// Caps on what a header may ask us to read; real plugins stay far below all of them.
constexpr uint64_t MaxSections = 1u << 20;
constexpr uint64_t MaxTableBytes = 16u << 20;
constexpr uint64_t MaxNotesBytes = 1u << 20;
constexpr std::size_t MaxNotes = 4096;

// Where the fields we need sit in the two classes.
struct TElfLayout {
    std::size_t HeaderSize;
    std::size_t PhOff, PhEntSize, PhNum, MinPhEntSize, PType, POffset, PFileSz, PAlign;
    std::size_t ShOff, ShEntSize, ShNum, ShStrNdx, MinShEntSize, ShName, ShType, ShOffset, ShSize, ShLink, ShAlign;
    bool Wide;  // 64-bit offsets and sizes
};
constexpr TElfLayout Elf32{52, 0x1C, 0x2A, 0x2C, 32, 0, 4, 16, 28, 0x20, 0x2E, 0x30, 0x32, 40, 0, 4, 16, 20, 24, 32, false};
constexpr TElfLayout Elf64{64, 0x20, 0x36, 0x38, 56, 0, 8, 32, 48, 0x28, 0x3A, 0x3C, 0x3E, 64, 0, 4, 24, 32, 40, 48, true};

uint64_t LoadWord(const TElfLayout& l, TBytes bytes, std::size_t offset) {
    return l.Wide ? LoadU64(bytes, offset) : LoadU32(bytes, offset);
}

struct TSection {
    uint32_t Name = 0;
    uint32_t Type = 0;
    uint64_t Offset = 0;
    uint64_t Size = 0;
    uint32_t Link = 0;
    uint64_t Align = 0;
};

TSection ReadSection(const TElfLayout& l, TBytes header) {
    return {LoadU32(header, l.ShName), LoadU32(header, l.ShType),  LoadWord(l, header, l.ShOffset),
            LoadWord(l, header, l.ShSize), LoadU32(header, l.ShLink), LoadWord(l, header, l.ShAlign)};
}

bool NameIs(TBytes names, uint64_t offset, std::string_view wanted) {
    if (!RangeFits(offset, wanted.size() + 1, names.size())) return false;
    for (std::size_t i = 0; i < wanted.size(); ++i)
        if (std::to_integer<char>(names[offset + i]) != wanted[i]) return false;
    return names[offset + wanted.size()] == std::byte{0};
}

TVersionResult<TBytes> BlockFromNote(TBytes descriptor) {
    auto size = ValidateVersionBlock(descriptor);
    if (!size) return size.Error();
    return descriptor.first(size.Value());
}

// The note through the program headers; nothing when they are missing, malformed or do not
// list it, in which case the section headers have the last word.
std::optional<TBytes> NoteFromProgramHeaders(TWindowedFile& file, const TElfLayout& l, TBytes header) {
    const uint64_t offset = LoadWord(l, header, l.PhOff);
    const uint64_t entSize = LoadU16(header, l.PhEntSize);
    const uint64_t count = LoadU16(header, l.PhNum);
    if (offset == 0 || count == 0 || count == PN_XNUM || entSize < l.MinPhEntSize) return std::nullopt;
    auto table = file.Bytes(offset, count * entSize, "program header table");
    if (!table) return std::nullopt;
    for (uint64_t i = 0; i < count; ++i) {
        const TBytes entry = table.Value().subspan(i * entSize, entSize);
        if (LoadU32(entry, l.PType) != PT_NOTE) continue;
        const uint64_t at = LoadWord(l, entry, l.POffset);
        uint64_t size = LoadWord(l, entry, l.PFileSz);
        if (size > MaxNotesBytes) continue;
        // Of a segment the file holds only in part, the notes that are whole still count: the
        // version note does not depend on the ABI stamp after it.
        if (!file.Holds(at, size))
            if (auto fileSize = file.FileSize(); fileSize && at < fileSize.Value()) size = std::min(size, fileSize.Value() - at);
        auto notes = file.Bytes(at, size, "note segment");
        if (!notes) continue;
        if (auto found = FindVersionNote(notes.Value(), LoadWord(l, entry, l.PAlign))) return found;
    }
    return std::nullopt;
}

TVersionResult<TBytes> FromSectionHeaders(TWindowedFile& file, const TElfLayout& l, TBytes h) {
    const uint64_t shoff = LoadWord(l, h, l.ShOff);
    const uint64_t entSize = LoadU16(h, l.ShEntSize);
    uint64_t count = LoadU16(h, l.ShNum);
    uint64_t namesIndex = LoadU16(h, l.ShStrNdx);
    if (shoff == 0) return TVersionError{TVersionErrorKind::NoVersionBlock, "no version block (the file has no section headers)"};
    if (entSize < l.MinShEntSize) return file.Invalid("section header size " + std::to_string(entSize) + " is too small", l.ShEntSize);

    // With more sections than the header's fields hold, the real count and name-table index
    // live in section 0.
    if (count == 0 || namesIndex == SHN_XINDEX) {
        auto first = file.Bytes(shoff, entSize, "section header 0");
        if (!first) return first.Error();
        const TSection zero = ReadSection(l, first.Value());
        if (count == 0) count = zero.Size;
        if (namesIndex == SHN_XINDEX) namesIndex = zero.Link;
    }
    if (count == 0) return TVersionError{TVersionErrorKind::NoVersionBlock, "no version block (the file has no sections)"};
    if (count > MaxSections || count * entSize > MaxTableBytes)
        return file.Invalid("section header table of " + std::to_string(count) + " entries is implausibly large", l.ShNum);
    if (namesIndex >= count)
        return file.Invalid("section name table index " + std::to_string(namesIndex) + " is out of range", l.ShStrNdx);

    const uint64_t tableSize = count * entSize;
    if (!file.Holds(shoff, tableSize)) {
        // One read for the table and, usually, the section names just before it.
        const uint64_t slack = std::min(shoff, NamesSlack);
        if (auto failure = file.Prefetch(shoff - slack, static_cast<std::size_t>(slack + tableSize))) return std::move(*failure);
    }
    auto table = file.Bytes(shoff, tableSize, "section header table");
    if (!table) return table.Error();
    const TBytes t = table.Value();

    const TSection namesSection = ReadSection(l, t.subspan(namesIndex * entSize, entSize));
    if (namesSection.Type == SHT_NOBITS) return file.Invalid("section name table has no data", shoff + namesIndex * entSize);
    auto names = file.Bytes(namesSection.Offset, namesSection.Size, "section name table");
    if (!names) return names.Error();

    for (uint64_t i = 0; i < count; ++i) {
        const TSection section = ReadSection(l, t.subspan(i * entSize, entSize));
        if (!NameIs(names.Value(), section.Name, VersionSectionName)) continue;
        const uint64_t at = shoff + i * entSize;
        if (section.Type == SHT_NOBITS) return file.Invalid("version section has no data in the file", at);
        if (section.Size > MaxNotesBytes) return file.Invalid("version section is implausibly large", at);
        auto data = file.Bytes(section.Offset, section.Size, "version section");
        if (!data) return data.Error();
        const auto descriptor = FindVersionNote(data.Value(), section.Align);
        if (!descriptor) return MakeError(TVersionErrorKind::DamagedBlock, "version note", "no Zarix note in the section", section.Offset);
        return BlockFromNote(*descriptor);
    }
    return TVersionError{TVersionErrorKind::NoVersionBlock, "no version block (no .note.zarix_version section)"};
}

}  // namespace

std::optional<TBytes> FindNote(TBytes notes, uint64_t alignment, std::string_view owner, uint32_t wantedType) noexcept {
    // Notes are padded to four bytes, except in the rare segments aligned to eight.
    const uint64_t align = alignment == 8 ? 8 : 4;
    const auto padded = [align](uint64_t v) { return (v + align - 1) / align * align; };
    uint64_t pos = 0;
    for (std::size_t count = 0; count < MaxNotes && RangeFits(pos, 12, notes.size()); ++count) {
        const uint64_t nameSize = LoadU32(notes, pos);
        const uint64_t descSize = LoadU32(notes, pos + 4);
        const uint32_t type = LoadU32(notes, pos + 8);
        const uint64_t nameAt = pos + 12;
        const uint64_t descAt = nameAt + padded(nameSize);  // sizes are 32-bit: no overflow
        if (!RangeFits(nameAt, nameSize, notes.size()) || !RangeFits(descAt, descSize, notes.size())) return std::nullopt;
        if (type == wantedType && nameSize == owner.size() + 1 && NameIs(notes, nameAt, owner))
            return notes.subspan(descAt, descSize);
        pos = descAt + padded(descSize);
    }
    return std::nullopt;
}

std::optional<TBytes> FindVersionNote(TBytes notes, uint64_t alignment) noexcept {
    return FindNote(notes, alignment, VersionNoteOwner, VersionNoteType);
}

TVersionResult<TBytes> LocateElfVersionBlock(TWindowedFile& file) {
    auto ident = file.Bytes(0, 16, "identification");
    if (!ident) return ident.Error();
    const auto elfClass = std::to_integer<int>(ident.Value()[4]);
    const auto encoding = std::to_integer<int>(ident.Value()[5]);
    if (elfClass != 1 && elfClass != 2) return file.Invalid("unknown class " + std::to_string(elfClass), 4);
    if (encoding == 2) return file.Invalid("big-endian objects are not supported", 5);
    if (encoding != 1) return file.Invalid("unknown data encoding " + std::to_string(encoding), 5);
    if (ident.Value()[6] != std::byte{1}) return file.Invalid("unknown version", 6);
    const TElfLayout& l = elfClass == 2 ? Elf64 : Elf32;

    auto header = file.Bytes(0, l.HeaderSize, "ELF header");
    if (!header) return header.Error();
    if (const auto note = NoteFromProgramHeaders(file, l, header.Value())) return BlockFromNote(*note);
    return FromSectionHeaders(file, l, header.Value());
}

}  // namespace zarix::version_detail
