// Writes the binary seeds of the fuzz corpus: version blocks in two languages, ELF objects
// (32- and 64-bit) holding them in their note, and PE32 and PE32+ files holding them as a
// resource. Run by hand when a format changes: zarix_fuzz_seeds tests/fuzz/corpus
#include "platform/os/version_block.h"
#include "version_test_files.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace zarix;
using namespace zarix::test;

namespace {

void Write(const std::filesystem::path& file, std::span<const unsigned char> bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path corpus = argv[1];
    static constexpr auto Polish = MakeVersionBlock<"1.2.3.4", 0x0415, 0x04E2, "Zarix", "Moduł próbny">();
    static constexpr auto English = MakeVersionBlock<"9.8.7.6", 0x0409, 0x04B0>();
    static constexpr auto Note = MakeVersionNote<"1.2.3.4">();
    const TFileBytes polish(Polish.begin(), Polish.end());
    const TFileBytes english(English.begin(), English.end());

    Write(corpus / "version_block" / "polish", Polish);
    Write(corpus / "version_block" / "english", English);
    Write(corpus / "version_block" / "cut_short", std::span(Polish).first(Polish.size() / 2));

    Write(corpus / "elf_version" / "elf64_sections_only", MakeElf(true, Note));
    Write(corpus / "elf_version" / "elf32_sections_only", MakeElf(false, Note));
    Write(corpus / "elf_version" / "elf64_without_note", MakeElf(true, {}));

    Write(corpus / "pe_version" / "pe32", MakePe({.Languages = {polish, english}}).Bytes);
    Write(corpus / "pe_version" / "pe32_plus", MakePe({.Wide = true, .Languages = {english}}).Bytes);
    Write(corpus / "pe_version" / "pe32_without_version", MakePe({.WithVersionType = false, .Languages = {polish}}).Bytes);
    return 0;
}
