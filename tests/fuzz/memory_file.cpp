// An in-memory file from memfd_create.
#include "memory_file.h"

#include <cerrno>
#include <cstring>
#include <system_error>

#include <sys/mman.h>
#include <unistd.h>

namespace zarix::fuzz {

TMemoryFile::TMemoryFile(TInput bytes) : FFd(::memfd_create("zarix-fuzz", MFD_CLOEXEC)) {
    if (FFd < 0) throw std::system_error(errno, std::generic_category(), "memfd_create");
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = ::write(FFd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : EIO;
            ::close(FFd);
            throw std::system_error(error, std::generic_category(), "write to memfd");
        }
        done += static_cast<std::size_t>(wrote);
    }
    FPath = "/proc/self/fd/" + std::to_string(FFd);
}

TMemoryFile::~TMemoryFile() { ::close(FFd); }

std::vector<uint8_t> WithMagic(TInput input, std::string_view magic) {
    std::vector<uint8_t> bytes(input.begin(), input.end());
    if (bytes.size() < magic.size()) bytes.resize(magic.size());
    std::memcpy(bytes.data(), magic.data(), magic.size());
    return bytes;
}

}  // namespace zarix::fuzz
