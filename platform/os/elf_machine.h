// The ELF identity of the host: what a library must declare for this process's loader to take
// it, and the names people know machines by. Private to platform/os.
#pragma once

#include <cstdint>
#include <string>

namespace zarix::version_detail {

struct THostElf {
    int Class;         // ELFCLASS32 or ELFCLASS64
    int Encoding;      // ELFDATA2LSB or ELFDATA2MSB
    uint16_t Machine;  // e_machine
};

/// The identity libraries loaded into this process must have.
THostElf HostElf() noexcept;

/// "x86-64", "AArch64", ... or "machine N" for one without a common name. `elfClass` tells
/// machines that share a number apart (s390 and s390x).
std::string MachineName(uint16_t machine, int elfClass);

}  // namespace zarix::version_detail
