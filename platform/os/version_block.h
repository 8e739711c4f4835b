// Builds a plugin's version block (the VS_VERSIONINFO structure) at compile time and places it
// in the plugin's ".note.zarix_version" section, where GetFileVersionInfoSizeW finds it on disk.
//
// One line in one source file of the plugin:
//     ZARIX_VERSION_BLOCK("1.2.3.4");                      // Polish, code page 1250
//     ZARIX_VERSION_BLOCK_EX("1, 0, 0, 0", 0x0409, 0x04B0);
//     ZARIX_VERSION_BLOCK_DESCRIBED("1.2.3.4", 0x0415, 0x04E2, "Product", "Description");
// zarix_add_module(<target> VERSION "1.2.3.4" ...) writes that line for you.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zarix {

// The block is stored as an ELF note: owner "Zarix", type VersionNoteType, the block as the
// descriptor. Because the section is a note, the linker puts it right after the ELF headers and
// lists it in a PT_NOTE program header, so a reader finds it within the first bytes of the file
// instead of going to the section header table at the far end (which still names it, for
// objects without program headers). The leading ".note" is what makes the toolchain give the
// section the note type; a plain name would make it ordinary data placed among .rodata.
inline constexpr std::string_view VersionSectionName = ".note.zarix_version";
inline constexpr std::string_view VersionNoteOwner = "Zarix";
inline constexpr uint32_t VersionNoteType = 1;

/// A string literal usable as a template argument.
template <std::size_t N>
struct TVersionText {
    char Chars[N]{};
    consteval TVersionText(const char (&text)[N]) {
        for (std::size_t i = 0; i < N; ++i) Chars[i] = text[i];
    }
    constexpr std::string_view View() const { return {Chars, N - 1}; }
};

namespace version_block_detail {

// Writes little-endian data, or only counts it when Data is null (the first of two passes:
// the array's size must be known before the array exists).
struct TSink {
    unsigned char* Data = nullptr;
    std::size_t Pos = 0;

    constexpr void Byte(uint32_t v) {
        if (Data != nullptr) Data[Pos] = static_cast<unsigned char>(v & 0xFF);
        ++Pos;
    }
    constexpr void U16(uint32_t v) {
        Byte(v);
        Byte(v >> 8);
    }
    constexpr void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    constexpr void Align() {
        while (Pos % 4 != 0) Byte(0);
    }
    constexpr void Patch16(std::size_t at, std::size_t v) {
        if (Data == nullptr) return;
        Data[at] = static_cast<unsigned char>(v & 0xFF);
        Data[at + 1] = static_cast<unsigned char>((v >> 8) & 0xFF);
    }
};

// UTF-8 source text as UTF-16 units; a malformed sequence becomes U+FFFD. Returns the number of
// units written.
constexpr std::size_t PutUtf16(TSink& sink, std::string_view text) {
    std::size_t units = 0;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const std::size_t need = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
        uint32_t cp = lead;
        bool ok = need == 1;
        if (need > 1 && text.size() - i >= need) {
            ok = true;
            cp = lead & (0x7F >> need);
            for (std::size_t k = 1; k < need; ++k) {
                const auto next = static_cast<unsigned char>(text[i + k]);
                ok = ok && (next & 0xC0) == 0x80;
                cp = (cp << 6) | (next & 0x3F);
            }
        }
        i += ok ? need : 1;
        if (!ok) cp = 0xFFFD;
        if (cp > 0x10FFFF) cp = 0xFFFD;
        if (cp >= 0x10000) {
            sink.U16(0xD800 + ((cp - 0x10000) >> 10));
            sink.U16(0xDC00 + ((cp - 0x10000) & 0x3FF));
            units += 2;
        } else {
            sink.U16(cp);
            ++units;
        }
    }
    return units;
}

// Node header and key; the length is patched by EndNode once the node's extent is known.
constexpr std::size_t BeginNode(TSink& sink, uint32_t valueLength, uint32_t type, std::string_view key) {
    sink.Align();
    const std::size_t at = sink.Pos;
    sink.U16(0);
    sink.U16(valueLength);
    sink.U16(type);
    PutUtf16(sink, key);
    sink.U16(0);
    sink.Align();
    return at;
}

constexpr void EndNode(TSink& sink, std::size_t at) { sink.Patch16(at, sink.Pos - at); }

constexpr void PutString(TSink& sink, std::string_view key, std::string_view value) {
    TSink counter;
    const std::size_t units = PutUtf16(counter, value) + 1;  // the NUL is part of the value
    const std::size_t at = BeginNode(sink, static_cast<uint32_t>(units), 1, key);
    PutUtf16(sink, value);
    sink.U16(0);
    EndNode(sink, at);
}

struct TNumericVersion {
    uint16_t Parts[4]{};
};

// "1.2.3.4" or "1, 0, 0, 0": up to four decimal parts of at most 65535, separated by dots or
// commas with blanks allowed around them. Anything else gives all zeros.
constexpr TNumericVersion ParseVersionText(std::string_view text) {
    TNumericVersion version;
    std::size_t part = 0;
    std::size_t i = 0;
    const auto skipBlanks = [&] {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    };
    while (true) {
        skipBlanks();
        if (i == text.size() || text[i] < '0' || text[i] > '9' || part == 4) return {};
        uint32_t value = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + static_cast<uint32_t>(text[i++] - '0');
            if (value > 0xFFFF) return {};
        }
        version.Parts[part++] = static_cast<uint16_t>(value);
        skipBlanks();
        if (i == text.size()) return version;
        if (text[i] != '.' && text[i] != ',') return {};
        ++i;
    }
}

constexpr char HexDigit(uint32_t v) { return "0123456789ABCDEF"[v & 0xF]; }

constexpr void Write(TSink& sink, std::string_view version, uint16_t language, uint16_t codePage,
                     std::string_view product, std::string_view description) {
    const TNumericVersion n = ParseVersionText(version);
    const uint32_t ms = (uint32_t{n.Parts[0]} << 16) | n.Parts[1];
    const uint32_t ls = (uint32_t{n.Parts[2]} << 16) | n.Parts[3];

    const std::size_t root = BeginNode(sink, 52, 0, "VS_VERSION_INFO");
    sink.U32(0xFEEF04BD);  // signature
    sink.U32(0x00010000);  // structure version 1.0
    sink.U32(ms);          // file version
    sink.U32(ls);
    sink.U32(ms);          // product version
    sink.U32(ls);
    sink.U32(0x3F);        // flags mask
    sink.U32(0);           // flags
    sink.U32(0);           // operating system: not a Windows file
    sink.U32(2);           // file type: a library
    sink.U32(0);           // subtype
    sink.U32(0);           // date, never set
    sink.U32(0);

    const std::size_t strings = BeginNode(sink, 0, 1, "StringFileInfo");
    const char table[8] = {HexDigit(language >> 12), HexDigit(language >> 8), HexDigit(language >> 4), HexDigit(language),
                           HexDigit(codePage >> 12), HexDigit(codePage >> 8), HexDigit(codePage >> 4), HexDigit(codePage)};
    const std::size_t tableAt = BeginNode(sink, 0, 1, std::string_view(table, 8));
    if (!description.empty()) PutString(sink, "FileDescription", description);
    PutString(sink, "FileVersion", version);
    if (!product.empty()) {
        PutString(sink, "ProductName", product);
        PutString(sink, "ProductVersion", version);
    }
    EndNode(sink, tableAt);
    EndNode(sink, strings);

    const std::size_t vars = BeginNode(sink, 0, 1, "VarFileInfo");
    const std::size_t translation = BeginNode(sink, 4, 0, "Translation");
    sink.U16(language);
    sink.U16(codePage);
    EndNode(sink, translation);
    EndNode(sink, vars);
    EndNode(sink, root);
}

}  // namespace version_block_detail

/// The complete block as bytes, built at compile time.
template <TVersionText Version, uint16_t Language = 0x0415, uint16_t CodePage = 0x04E2,
          TVersionText Product = "", TVersionText Description = "">
consteval auto MakeVersionBlock() {
    using namespace version_block_detail;
    constexpr std::size_t size = [] {
        TSink counter;
        Write(counter, Version.View(), Language, CodePage, Product.View(), Description.View());
        return counter.Pos;
    }();
    static_assert(size <= 0xFFFF, "a version block must fit its 16-bit root length");
    std::array<unsigned char, size> block{};
    TSink sink{block.data()};
    Write(sink, Version.View(), Language, CodePage, Product.View(), Description.View());
    return block;
}

/// The block wrapped in its ELF note, as the section holds it.
template <TVersionText Version, uint16_t Language = 0x0415, uint16_t CodePage = 0x04E2,
          TVersionText Product = "", TVersionText Description = "">
consteval auto MakeVersionNote() {
    constexpr auto block = MakeVersionBlock<Version, Language, CodePage, Product, Description>();
    constexpr std::size_t nameSize = VersionNoteOwner.size() + 1;
    std::array<unsigned char, 12 + (nameSize + 3) / 4 * 4 + (block.size() + 3) / 4 * 4> note{};
    version_block_detail::TSink sink{note.data()};
    sink.U32(static_cast<uint32_t>(nameSize));
    sink.U32(static_cast<uint32_t>(block.size()));
    sink.U32(VersionNoteType);
    for (const char c : VersionNoteOwner) sink.Byte(static_cast<unsigned char>(c));
    sink.Byte(0);
    sink.Align();
    for (const unsigned char b : block) sink.Byte(b);
    return note;
}

}  // namespace zarix

// NOTE: `retain` is what keeps the section through -Wl,--gc-sections: nothing refers to the
// block, and `used` alone only stops the compiler from dropping it. The symbol has C linkage and
// one fixed name so a second block in the same module fails to link instead of going unseen.
#if defined(__has_attribute) && __has_attribute(retain)
#define ZARIX_VERSION_BLOCK_ATTRIBUTES \
    __attribute__((section(".note.zarix_version"), used, retain, visibility("hidden"), aligned(4)))
#else
// Without `retain`, an exported symbol is a root the linker's section collection keeps.
#define ZARIX_VERSION_BLOCK_ATTRIBUTES \
    __attribute__((section(".note.zarix_version"), used, visibility("default"), aligned(4)))
#endif

#define ZARIX_VERSION_BLOCK_DESCRIBED(version, language, codepage, product, description) \
    extern "C" ZARIX_VERSION_BLOCK_ATTRIBUTES const auto zarix_version_note =            \
        ::zarix::MakeVersionNote<version, language, codepage, product, description>()
#define ZARIX_VERSION_BLOCK_EX(version, language, codepage) \
    ZARIX_VERSION_BLOCK_DESCRIBED(version, language, codepage, "", "")
#define ZARIX_VERSION_BLOCK(version) ZARIX_VERSION_BLOCK_EX(version, 0x0415, 0x04E2)
