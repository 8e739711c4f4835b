// Temporary folders, corrupt copies and synthetic ELF files for the version tests.
#include "version_test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <stdexcept>
#include <tuple>

namespace zarix::test {
namespace {

void PutBytes(TFileBytes& out, std::size_t at, std::span<const unsigned char> bytes) {
    if (out.size() < at + bytes.size()) out.resize(at + bytes.size());
    std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(at));
}

// Little-endian fields of a header: where each lies, its value and its width in bytes.
void Put(TFileBytes& out, std::initializer_list<std::tuple<std::size_t, uint64_t, std::size_t>> fields) {
    for (const auto& [at, value, width] : fields) PutBytes(out, at, Le(value, width));
}

uint64_t Get(const TFileBytes& in, std::size_t at, std::size_t width) {
    if (at + width > in.size()) throw std::runtime_error("landmark outside the file");
    uint64_t value = 0;
    for (std::size_t i = 0; i < width; ++i) value |= uint64_t{in[at + i]} << (8 * i);
    return value;
}

std::size_t Align(std::size_t v, std::size_t a) { return (v + a - 1) / a * a; }

}  // namespace

TFileBytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path);
    return TFileBytes(std::istreambuf_iterator<char>(in), {});
}

TFileBytes VersionInfoOf(const std::string& path) {
    const uint32_t size = GetFileVersionInfoSizeW(path);
    TFileBytes block(size);
    if (size == 0) return {};
    if (!GetFileVersionInfoW(path, size, block.data())) ADD_FAILURE() << path << ": a size, but no block";
    return block;
}

void ExpectNoVersionBlocks(std::span<const TNoBlock> files) {
    for (const TNoBlock& file : files) {
        SCOPED_TRACE(file.Says);
        unsigned char buffer[64] = {};
        EXPECT_EQ(GetFileVersionInfoSizeW(file.Path), 0u);
        EXPECT_FALSE(GetFileVersionInfoW(file.Path, sizeof buffer, buffer));
        const auto read = ReadVersionBlock(file.Path);
        if (read) {
            ADD_FAILURE() << file.Path << ": a block was read";
            continue;
        }
        EXPECT_EQ(read.Error().Kind, file.Kind);
        EXPECT_NE(read.Error().Message.find(file.Says), std::string::npos) << read.Error().Message;
    }
}

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "zarix-version-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot create a temporary folder");
    FPath = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(FPath, ignored);
}

std::string TTempDir::Write(const std::string& name, std::span<const unsigned char> bytes) const {
    const std::string path = FPath + "/" + name;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + path);
    return path;
}

std::string TTempDir::Truncated(const std::string& source, std::size_t length) const {
    TFileBytes bytes = ReadFileBytes(source);
    bytes.resize(std::min(length, bytes.size()));
    return Write("truncated-" + std::to_string(length), bytes);
}

std::string TTempDir::Overwritten(const std::string& source, uint64_t offset, std::span<const unsigned char> bytes) {
    TFileBytes file = ReadFileBytes(source);
    PutBytes(file, offset, bytes);
    return Write("overwritten-" + std::to_string(++FCopies) + "-at-" + std::to_string(offset), file);
}

TFileBytes Le(uint64_t value, std::size_t width) {
    TFileBytes out(width);
    for (std::size_t i = 0; i < width; ++i) out[i] = static_cast<unsigned char>(value >> (8 * i));
    return out;
}

TElfLandmarks FindElfLandmarks(const TFileBytes& file) {
    TElfLandmarks l;
    l.ProgramHeaders = Get(file, 0x20, 8);
    l.ProgramHeaderEnd = l.ProgramHeaders + Get(file, 0x38, 2) * 56;
    l.SectionHeaders = Get(file, 0x28, 8);
    const uint64_t count = Get(file, 0x3C, 2);
    const uint64_t names = Get(file, l.SectionHeaders + Get(file, 0x3E, 2) * 64 + 24, 8);
    for (uint64_t i = 0; i < count; ++i) {
        const uint64_t header = l.SectionHeaders + i * 64;
        const char* name = reinterpret_cast<const char*>(file.data() + names + Get(file, header, 4));
        if (std::strcmp(name, ".note.zarix_abi") == 0) l.StampOffset = Get(file, header + 24, 8) + 20;
        if (std::strcmp(name, ".note.zarix_version") != 0) continue;
        l.VersionHeader = header;
        l.NoteOffset = Get(file, header + 24, 8);
        l.BlockOffset = l.NoteOffset + 20;  // 12-byte note header, "Zarix" padded to 8
        l.BlockSize = Get(file, l.NoteOffset + 4, 4);
    }
    if (l.VersionHeader == 0) throw std::runtime_error("no .note.zarix_version section");
    for (uint64_t at = l.ProgramHeaders; at < l.ProgramHeaderEnd; at += 56) {
        const uint64_t offset = Get(file, at + 8, 8);
        if (Get(file, at, 4) == 2) l.DynamicProgramHeader = at;
        if (Get(file, at, 4) == 1) l.Loads.push_back({(at - l.ProgramHeaders) / 56, offset + Get(file, at + 32, 8)});
        if (Get(file, at, 4) == 4 && offset <= l.NoteOffset && l.NoteOffset < offset + Get(file, at + 32, 8))
            l.NoteProgramHeader = at;
    }
    return l;
}

// The builder fills in only what the version reader looks at; every other field stays zero.
TFileBytes MakeElf(bool wide, std::span<const unsigned char> notes) {
    const std::size_t entry = wide ? 64 : 40;
    const std::string names("\0.note.zarix_version\0.shstrtab\0", 31);
    const std::size_t notesAt = 64;
    const std::size_t namesAt = notesAt + Align(notes.size(), 4);
    const std::size_t table = Align(namesAt + names.size(), 8);
    const std::size_t count = notes.empty() ? 2 : 3;
    TFileBytes f(table + count * entry, 0);
    const unsigned char ident[] = {0x7F, 'E', 'L', 'F', static_cast<unsigned char>(wide ? 2 : 1), 1, 1};
    PutBytes(f, 0, ident);
    Put(f, {{wide ? 0x28u : 0x20u, table, wide ? 8u : 4u}, {wide ? 0x3Au : 0x2Eu, entry, 2},
            {wide ? 0x3Cu : 0x30u, count, 2}, {wide ? 0x3Eu : 0x32u, count - 1, 2}});
    PutBytes(f, notesAt, notes);
    PutBytes(f, namesAt, std::span(reinterpret_cast<const unsigned char*>(names.data()), names.size()));
    const auto section = [&](std::size_t index, uint32_t name, uint32_t type, uint64_t offset, uint64_t size) {
        const std::size_t at = table + index * entry, word = wide ? 8 : 4;
        Put(f, {{at, name, 4}, {at + 4, type, 4}, {at + (wide ? 24 : 16), offset, word}, {at + (wide ? 32 : 20), size, word},
                {at + (wide ? 48 : 32), 4, word}});
    };
    if (!notes.empty()) section(1, 1, 7, notesAt, notes.size());
    section(count - 1, 21, 3, namesAt, names.size());
    return f;
}

}  // namespace zarix::test
