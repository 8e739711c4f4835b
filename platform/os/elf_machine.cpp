// The host's ELF identity, decided by the compiler that built the framework.
#include "platform/os/elf_machine.h"

#include <bit>

#include <elf.h>

namespace zarix::version_detail {
namespace {

#if defined(__x86_64__)
constexpr uint16_t CompiledMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr uint16_t CompiledMachine = EM_AARCH64;
#elif defined(__i386__)
constexpr uint16_t CompiledMachine = EM_386;
#elif defined(__arm__)
constexpr uint16_t CompiledMachine = EM_ARM;
#elif defined(__riscv)
constexpr uint16_t CompiledMachine = EM_RISCV;
#elif defined(__powerpc64__)
constexpr uint16_t CompiledMachine = EM_PPC64;
#elif defined(__powerpc__)
constexpr uint16_t CompiledMachine = EM_PPC;
#elif defined(__s390__)
constexpr uint16_t CompiledMachine = EM_S390;
#elif defined(__loongarch__)
constexpr uint16_t CompiledMachine = EM_LOONGARCH;
#elif defined(__mips__)
constexpr uint16_t CompiledMachine = EM_MIPS;
#else
#error "the ELF machine number of this host is not known here; add it"
#endif

}  // namespace

THostElf HostElf() noexcept {
    return {sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32,
            std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB, CompiledMachine};
}

std::string MachineName(uint16_t machine, int elfClass) {
    switch (machine) {
        case EM_X86_64: return "x86-64";
        case EM_AARCH64: return "AArch64";
        case EM_386: return "i386";
        case EM_ARM: return "ARM";
        case EM_RISCV: return "RISC-V";
        case EM_PPC64: return "PowerPC64";
        case EM_PPC: return "PowerPC";
        case EM_S390: return elfClass == ELFCLASS64 ? "s390x" : "s390";
        case EM_LOONGARCH: return "LoongArch";
        case EM_MIPS: return "MIPS";
        case EM_SPARCV9: return "SPARC V9";
        default: return "machine " + std::to_string(machine);
    }
}

}  // namespace zarix::version_detail
