// Export lookup through the GNU hash table of a loaded library.
//
// dlsym first works out which loaded object called it, by walking every loaded object; with a
// thousand plugins loaded that walk costs more than the lookup itself, and loading asks for two
// exports per plugin. The answer for an export of one given library needs no such walk: its
// dynamic section names its symbol table and hash table, already in memory.
#include "platform/os/elf_export_lookup.h"

#include <dlfcn.h>
#include <elf.h>
#include <link.h>

#include <cstring>

namespace zarix {
namespace {

uint32_t GnuHash(const char* name) {
    uint32_t h = 5381;
    for (auto c = reinterpret_cast<const unsigned char*>(name); *c != 0; ++c) h = h * 33 + *c;
    return h;
}

// The loader rewrites the dynamic section's addresses to run-time addresses where it can; on
// targets that keep that section read-only they stay file offsets, relative to the load bias.
template <class T>
const T* Pointer(const link_map* map, ElfW(Addr) value) {
    if (value < map->l_addr) value += map->l_addr;
    return reinterpret_cast<const T*>(value);
}

}  // namespace

std::optional<void*> LookupExportInHashTable(uintptr_t Handle, const char* Name) noexcept {
    link_map* map = nullptr;
    if (Handle == 0 || Name == nullptr || dlinfo(reinterpret_cast<void*>(Handle), RTLD_DI_LINKMAP, &map) != 0 ||
        map == nullptr || map->l_ld == nullptr)
        return std::nullopt;

    const uint32_t* gnuHash = nullptr;
    const ElfW(Sym)* symbols = nullptr;
    const char* strings = nullptr;
    const ElfW(Half)* versions = nullptr;
    for (const ElfW(Dyn)* d = map->l_ld; d->d_tag != DT_NULL; ++d) {
        switch (d->d_tag) {
            case DT_GNU_HASH: gnuHash = Pointer<uint32_t>(map, d->d_un.d_ptr); break;
            case DT_SYMTAB: symbols = Pointer<ElfW(Sym)>(map, d->d_un.d_ptr); break;
            case DT_STRTAB: strings = Pointer<char>(map, d->d_un.d_ptr); break;
            case DT_VERSYM: versions = Pointer<ElfW(Half)>(map, d->d_un.d_ptr); break;
            default: break;
        }
    }
    if (gnuHash == nullptr || symbols == nullptr || strings == nullptr) return std::nullopt;

    const uint32_t bucketCount = gnuHash[0];
    const uint32_t symbolOffset = gnuHash[1];
    const uint32_t bloomSize = gnuHash[2];
    const uint32_t bloomShift = gnuHash[3];
    if (bucketCount == 0 || bloomSize == 0) return std::nullopt;
    const auto* bloom = reinterpret_cast<const ElfW(Addr)*>(gnuHash + 4);
    const uint32_t* buckets = reinterpret_cast<const uint32_t*>(bloom + bloomSize);
    const uint32_t* chain = buckets + bucketCount;

    const uint32_t hash = GnuHash(Name);
    constexpr uint32_t kBits = sizeof(ElfW(Addr)) * 8;
    const ElfW(Addr) word = bloom[(hash / kBits) % bloomSize];
    const ElfW(Addr) mask = (ElfW(Addr){1} << (hash % kBits)) | (ElfW(Addr){1} << ((hash >> bloomShift) % kBits));
    if ((word & mask) != mask) return nullptr;  // certainly not exported

    for (uint32_t index = buckets[hash % bucketCount]; index >= symbolOffset && index != 0; ++index) {
        const uint32_t entry = chain[index - symbolOffset];
        if ((entry | 1) == (hash | 1)) {
            const ElfW(Sym)& sym = symbols[index];
            const bool hidden = versions != nullptr && (versions[index] & 0x8000) != 0;
            if (!hidden && sym.st_shndx != SHN_UNDEF && std::strcmp(strings + sym.st_name, Name) == 0) {
                const unsigned type = ELF64_ST_TYPE(sym.st_info);
                if (type == STT_GNU_IFUNC || type == STT_TLS) return std::nullopt;
                return reinterpret_cast<void*>(map->l_addr + sym.st_value);
            }
        }
        if ((entry & 1) != 0) break;  // end of this bucket's chain
    }
    return nullptr;
}

}  // namespace zarix
