// The check of a library file before it is loaded. Everything the loader will map is checked
// against the file's real size, and every size read from the file is bounded by it before
// anything is allocated or read, so a hostile header costs nothing.
#include "platform/os/library_check.h"

#include "platform/os/elf_machine.h"
#include "platform/os/elf_version_locator.h"
#include "platform/os/file_descriptor.h"
#include "platform/os/library.h"
#include "platform/os/version_block.h"
#include "platform/os/version_block_parser.h"

#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <elf.h>
#include <sys/stat.h>

namespace zarix {
namespace {

using namespace version_detail;

// A note segment bigger than this is not a plugin's; it is passed over unread.
constexpr uint64_t MaxNoteSegment = 1u << 20;

// Where the fields the loader depends on sit in the two classes.
struct TElfLayout {
    std::size_t HeaderSize;
    std::size_t Type, Machine, PhOff, PhEntSize, PhNum;
    std::size_t PhSize, PType, PFlags, POffset, PVAddr, PFileSz, PMemSz, PAlign;
    std::size_t WordSize;
};
constexpr TElfLayout Elf32{52, 16, 18, 0x1C, 0x2A, 0x2C, 32, 0, 24, 4, 8, 16, 20, 28, 4};
constexpr TElfLayout Elf64{64, 16, 18, 0x20, 0x36, 0x38, 56, 0, 4, 8, 16, 32, 40, 48, 8};

// Reads fields in the file's own byte order, so even a library for a machine of the other
// order can be named correctly.
class TElfFields {
public:
    TElfFields(const TElfLayout& layout, bool bigEndian) : FLayout(&layout), FBigEndian(bigEndian) {}

    const TElfLayout& Layout() const noexcept { return *FLayout; }
    uint64_t U16(TBytes bytes, std::size_t at) const noexcept { return Get<uint16_t>(bytes, at); }
    uint64_t U32(TBytes bytes, std::size_t at) const noexcept { return Get<uint32_t>(bytes, at); }
    uint64_t Word(TBytes bytes, std::size_t at) const noexcept {
        return FLayout->WordSize == 8 ? Get<uint64_t>(bytes, at) : Get<uint32_t>(bytes, at);
    }

private:
    // The check runs before every load, so fields are read whole and swapped only when the
    // file's order is not the host's.
    template <class T>
    T Get(TBytes bytes, std::size_t at) const noexcept {
        assert(RangeFits(at, sizeof(T), bytes.size()) && "unchecked ELF field");
        T value;
        std::memcpy(&value, bytes.data() + at, sizeof(T));
        if (FBigEndian == (std::endian::native == std::endian::little)) value = Swapped(value);
        return value;
    }
    static uint16_t Swapped(uint16_t v) noexcept { return __builtin_bswap16(v); }
    static uint32_t Swapped(uint32_t v) noexcept { return __builtin_bswap32(v); }
    static uint64_t Swapped(uint64_t v) noexcept { return __builtin_bswap64(v); }

    const TElfLayout* FLayout;
    bool FBigEndian;
};

struct TSegment {
    uint64_t Type = 0;
    uint64_t Flags = 0;
    uint64_t Offset = 0;
    uint64_t VAddr = 0;
    uint64_t FileSize = 0;
    uint64_t MemSize = 0;
    uint64_t Align = 0;
};

// The program header table, read and bounded by the file.
struct TElfImage {
    TElfFields Fields;
    TBytes Table;
    uint64_t Count = 0;

    TSegment Segment(uint64_t index) const noexcept {
        const TElfLayout& l = Fields.Layout();
        const TBytes entry = Table.subspan(index * l.PhSize, l.PhSize);
        return {Fields.U32(entry, l.PType),   Fields.U32(entry, l.PFlags),  Fields.Word(entry, l.POffset),
                Fields.Word(entry, l.PVAddr), Fields.Word(entry, l.PFileSz), Fields.Word(entry, l.PMemSz),
                Fields.Word(entry, l.PAlign)};
    }
};

TVersionError Refusal(std::string reason) { return {TVersionErrorKind::NotValidObject, std::move(reason)}; }

// Why [offset, offset + length), which the file does not hold whole, is missing:
// "truncated: <what> ends at byte <end> of a <size>-byte file".
std::string Truncated(const std::string& what, uint64_t offset, uint64_t length, uint64_t fileSize) {
    const std::string of = " of a " + std::to_string(fileSize) + "-byte file";
    uint64_t end = 0;
    if (__builtin_add_overflow(offset, length, &end))
        return "truncated: " + what + " of " + std::to_string(length) + " bytes runs past the end" + of;
    return "truncated: " + what + " ends at byte " + std::to_string(end) + of;
}

std::string TypeRefusal(uint64_t type) {
    switch (type) {
        case ET_REL: return "an object file, not a shared library";
        case ET_EXEC: return "an executable, not a shared library";
        case ET_CORE: return "a core dump, not a shared library";
        default: return "ELF type " + std::to_string(type) + ", not a shared library";
    }
}

std::string ClassText(int elfClass) { return elfClass == ELFCLASS64 ? "64-bit" : "32-bit"; }
std::string EncodingText(int encoding) { return encoding == ELFDATA2MSB ? "big-endian" : "little-endian"; }

// The ELF header and the program header table. With `againstHost` the library must also be one
// this process's loader takes: this machine, class and byte order, a shared library.
TVersionResult<TElfImage> ReadProgramHeaders(TWindowedFile& file, uint64_t fileSize, bool againstHost) {
    auto ident = file.Bytes(0, std::min<uint64_t>(fileSize, EI_NIDENT), "identification");
    if (!ident) return ident.Error();
    const TBytes id = ident.Value();
    if (id.size() < SELFMAG || std::memcmp(id.data(), ELFMAG, SELFMAG) != 0) return Refusal("not an ELF shared library");
    const int elfClass = id.size() > EI_CLASS ? std::to_integer<int>(id[EI_CLASS]) : ELFCLASSNONE;
    const int encoding = id.size() > EI_DATA ? std::to_integer<int>(id[EI_DATA]) : ELFDATANONE;
    const TElfLayout& l = elfClass == ELFCLASS32 ? Elf32 : Elf64;
    if (id.size() < EI_NIDENT) return Refusal(Truncated("the ELF header", 0, l.HeaderSize, fileSize));
    if (elfClass != ELFCLASS32 && elfClass != ELFCLASS64)
        return Refusal("not an ELF shared library (unknown class " + std::to_string(elfClass) + ")");
    if (encoding != ELFDATA2LSB && encoding != ELFDATA2MSB)
        return Refusal("not an ELF shared library (unknown byte order " + std::to_string(encoding) + ")");
    if (fileSize < l.HeaderSize) return Refusal(Truncated("the ELF header", 0, l.HeaderSize, fileSize));

    auto read = file.Bytes(0, l.HeaderSize, "ELF header");
    if (!read) return read.Error();
    const TBytes header = read.Value();
    const TElfFields f(l, encoding == ELFDATA2MSB);
    if (againstHost) {
        const THostElf host = HostElf();
        const auto machine = static_cast<uint16_t>(f.U16(header, l.Machine));
        if (machine != host.Machine)
            return Refusal("built for " + MachineName(machine, elfClass) + ", this host is " +
                           MachineName(host.Machine, host.Class));
        if (elfClass != host.Class)
            return Refusal("a " + ClassText(elfClass) + " library, this host is " + ClassText(host.Class));
        if (encoding != host.Encoding)
            return Refusal("a " + EncodingText(encoding) + " library, this host is " + EncodingText(host.Encoding));
        if (const uint64_t type = f.U16(header, l.Type); type != ET_DYN) return Refusal(TypeRefusal(type));
    }

    const uint64_t offset = f.Word(header, l.PhOff);
    const uint64_t entrySize = f.U16(header, l.PhEntSize);
    const uint64_t count = f.U16(header, l.PhNum);
    if (count == 0) return Refusal("no program headers");
    if (count == PN_XNUM) return Refusal("too many program headers");
    if (entrySize != l.PhSize)
        return Refusal("program header size " + std::to_string(entrySize) + ", expected " + std::to_string(l.PhSize));
    if (!RangeFits(offset, count * entrySize, fileSize))
        return Refusal(Truncated("the program header table", offset, count * entrySize, fileSize));
    auto table = file.Bytes(offset, count * entrySize, "program header table");
    if (!table) return table.Error();
    return TElfImage{f, table.Value(), count};
}

// Every byte the loader maps from the file must be in it: a page past the end faults in the
// loader itself, where nothing can catch it.
std::optional<std::string> CheckSegments(const TElfImage& image, uint64_t fileSize) {
    uint64_t loads = 0;
    std::optional<TSegment> dynamic;
    for (uint64_t i = 0; i < image.Count; ++i) {
        const TSegment s = image.Segment(i);
        if (s.Type == PT_DYNAMIC && !dynamic) dynamic = s;
        if (s.Type != PT_LOAD) continue;
        ++loads;
        if (!RangeFits(s.Offset, s.FileSize, fileSize)) return Truncated("segment " + std::to_string(i), s.Offset, s.FileSize, fileSize);
        if (s.FileSize > s.MemSize) return "segment " + std::to_string(i) + " holds more bytes in the file than in memory";
    }
    if (loads == 0) return "no loadable segments";
    if (!dynamic) return "no dynamic section";
    if (!RangeFits(dynamic->Offset, dynamic->FileSize, fileSize))
        return Truncated("the dynamic section", dynamic->Offset, dynamic->FileSize, fileSize);
    // The loader reads the dynamic section where it is mapped, so it must lie in a segment.
    for (uint64_t i = 0; i < image.Count; ++i) {
        const TSegment s = image.Segment(i);
        if (s.Type == PT_LOAD && dynamic->VAddr >= s.VAddr && RangeFits(dynamic->VAddr - s.VAddr, dynamic->MemSize, s.MemSize))
            return std::nullopt;
    }
    return "the dynamic section lies outside every loadable segment";
}

TVersionResult<std::optional<TAbiStamp>> DecodeStamp(TBytes descriptor) {
    if (descriptor.size() < 4) return Refusal("damaged framework ABI stamp");
    if (const uint32_t format = LoadU32(descriptor, 0); format != AbiStampFormat)
        return Refusal("framework ABI stamp of an unknown format " + std::to_string(format));
    if (descriptor.size() < AbiStampSize) return Refusal("damaged framework ABI stamp");
    TAbiStamp stamp;
    uint32_t* fields[] = {&stamp.FrameworkAbi, &stamp.CxxAbi,         &stamp.StdLibCxx11Abi, &stamp.StdLibMajor,
                          &stamp.FrameworkMajor, &stamp.FrameworkMinor, &stamp.FrameworkPatch};
    std::size_t at = 4;
    for (uint32_t* field : fields) {
        *field = LoadU32(descriptor, at);
        at += 4;
    }
    return std::optional<TAbiStamp>(stamp);
}

// The stamp among the notes the program headers list; the linker puts it beside the version
// note, so for a usual plugin it is already in the first read.
// With versionBlock, the first valid version note met on the way is copied there as well.
TVersionResult<std::optional<TAbiStamp>> FindStamp(TWindowedFile& file, const TElfImage& image, uint64_t fileSize,
                                                    std::vector<std::byte>* versionBlock = nullptr) {
    bool versionSeen = false;
    for (uint64_t i = 0; i < image.Count; ++i) {
        const TSegment s = image.Segment(i);
        if (s.Type != PT_NOTE || s.FileSize > MaxNoteSegment || !RangeFits(s.Offset, s.FileSize, fileSize)) continue;
        auto notes = file.Bytes(s.Offset, s.FileSize, "note segment");
        if (!notes) return notes.Error();
        if (versionBlock != nullptr && !versionSeen)
            if (const auto note = FindVersionNote(notes.Value(), s.Align)) {
                // Only the first note counts, as for the version reader; an invalid one is left
                // to that reader, which says what is wrong with it.
                versionSeen = true;
                if (auto size = ValidateVersionBlock(*note))
                    versionBlock->assign(note->begin(), note->begin() + size.Value());
            }
        if (const auto descriptor = FindNote(notes.Value(), s.Align, VersionNoteOwner, AbiStampNoteType))
            return DecodeStamp(*descriptor);
    }
    return std::optional<TAbiStamp>();
}

// What the loader will map readable. It maps the segments in turn over one reservation, so a
// segment it maps without access may cover pages of another: with any such segment, nothing is
// listed.
std::vector<TReadableSpan> ReadableSpans(const TElfImage& image) {
    std::vector<TReadableSpan> spans;
    for (uint64_t i = 0; i < image.Count; ++i) {
        const TSegment s = image.Segment(i);
        if (s.Type != PT_LOAD) continue;
        if ((s.Flags & PF_R) == 0 || s.VAddr + s.MemSize < s.VAddr) return {};
        spans.push_back({s.VAddr, s.VAddr + s.MemSize});
    }
    return spans;
}

std::optional<std::string> Inspect(TWindowedFile& file, uint64_t fileSize, bool allowUnstamped,
                                   TCheckedLibrary* checked = nullptr) {
    auto image = ReadProgramHeaders(file, fileSize, true);
    if (!image) return image.Error().Message;
    if (auto refusal = CheckSegments(image.Value(), fileSize)) return refusal;
    if (checked != nullptr) checked->Readable = ReadableSpans(image.Value());
    auto stamp = FindStamp(file, image.Value(), fileSize, checked != nullptr ? &checked->VersionBlock : nullptr);
    if (!stamp) return stamp.Error().Message;
    if (!stamp.Value()) {
        if (allowUnstamped) return std::nullopt;
        return "no framework ABI stamp; rebuild it with zarix_add_module or allow unstamped plugins";
    }
    return AbiStampMismatch(*stamp.Value());
}

// An open library file, its size, and its first bytes read.
struct TOpenedLibrary {
    std::optional<TFileDescriptor> Fd;
    uint64_t Size = 0;
    uint64_t Device = 0;
    uint64_t Inode = 0;
    std::array<std::byte, HeadReadSize> Head;
    std::size_t HeadSize = 0;

    TBytes HeadBytes() const noexcept { return TBytes(Head).first(HeadSize); }
};

// Opens the file into `library`, which stays where the caller has it: the reader's spans point
// into its head.
std::optional<TVersionError> OpenLibrary(const std::string& path, TOpenedLibrary& library) {
    auto fd = TFileDescriptor::Open(path);
    if (!fd) return fd.Error();
    library.Fd.emplace(std::move(fd.Value()));
    struct stat status {};
    if (::fstat(library.Fd->Get(), &status) != 0)
        return TVersionError{TVersionErrorKind::CannotRead, "cannot read: " + std::generic_category().message(errno)};
    if (!S_ISREG(status.st_mode)) return TVersionError{TVersionErrorKind::CannotRead, "not a regular file"};
    library.Size = static_cast<uint64_t>(status.st_size);
    library.Device = static_cast<uint64_t>(status.st_dev);
    library.Inode = static_cast<uint64_t>(status.st_ino);
    const std::size_t want = static_cast<std::size_t>(std::min<uint64_t>(library.Size, HeadReadSize));
    auto got = ReadAt(library.Fd->Get(), 0, std::span(library.Head).first(want));
    if (!got) return got.Error();
    // A file that shrank since fstat is judged by what is really there.
    library.HeadSize = got.Value();
    if (got.Value() < want) library.Size = got.Value();
    return std::nullopt;
}

std::string FileNameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

TAbiStamp HostAbiStamp() noexcept { return CompiledAbiStamp(); }

std::string StandardLibraryText(const TAbiStamp& Stamp) {
    if (Stamp.StdLibCxx11Abi == UnknownStdLib) return "a standard library other than libstdc++";
    return "libstdc++ " + std::to_string(Stamp.StdLibMajor) + (Stamp.StdLibCxx11Abi == 1 ? " (C++11 ABI)" : " (old ABI)");
}

std::optional<std::string> AbiStampMismatch(const TAbiStamp& Stamp) {
    const TAbiStamp host = HostAbiStamp();
    if (Stamp.FrameworkAbi != host.FrameworkAbi)
        return "built for framework ABI " + std::to_string(Stamp.FrameworkAbi) + ", this host has ABI " +
               std::to_string(host.FrameworkAbi);
    if (Stamp.CxxAbi != host.CxxAbi)
        return "built with C++ ABI " + std::to_string(Stamp.CxxAbi) + ", this host has C++ ABI " + std::to_string(host.CxxAbi);
    // libstdc++ keeps what older releases export, so only a newer release than the host's, or
    // the other string and list layout, cannot work.
    if (Stamp.StdLibCxx11Abi != host.StdLibCxx11Abi || Stamp.StdLibMajor > host.StdLibMajor)
        return "built with " + StandardLibraryText(Stamp) + ", this host has " + StandardLibraryText(host);
    return std::nullopt;
}

std::optional<std::string> InspectLibraryBytes(std::span<const std::byte> File, bool AllowUnstamped) {
    // The whole file is the head, so the reader never goes to a descriptor.
    TWindowedFile file(-1, "ELF object", File, File.size());
    return Inspect(file, File.size(), AllowUnstamped);
}

std::optional<std::string> InspectLibraryFile(const std::string& Path, bool AllowUnstamped) {
    TOpenedLibrary library;
    if (auto failure = OpenLibrary(Path, library)) return failure->Message;
    TWindowedFile file(library.Fd->Get(), "ELF object", library.HeadBytes(), library.Size);
    return Inspect(file, library.Size, AllowUnstamped);
}

TCheckedLibrary CheckLibraryBeforeLoad(const std::string& Path, bool AllowUnstamped) {
    TOpenedLibrary library;
    TCheckedLibrary checked;
    std::optional<std::string> refusal;
    if (auto failure = OpenLibrary(Path, library)) refusal = failure->Message;
    else {
        TWindowedFile file(library.Fd->Get(), "ELF object", library.HeadBytes(), library.Size);
        refusal = Inspect(file, library.Size, AllowUnstamped, &checked);
    }
    if (refusal) throw EPackageError(FileNameOf(Path) + ": " + *refusal);
    checked.Device = library.Device;
    checked.Inode = library.Inode;
    return checked;
}

TVersionResult<std::optional<TAbiStamp>> ReadAbiStamp(const std::string& Path) {
    TOpenedLibrary library;
    if (auto failure = OpenLibrary(Path, library)) return std::move(*failure);
    TWindowedFile file(library.Fd->Get(), "ELF object", library.HeadBytes(), library.Size);
    auto image = ReadProgramHeaders(file, library.Size, false);
    if (!image) return image.Error();
    return FindStamp(file, image.Value(), library.Size);
}

}  // namespace zarix
