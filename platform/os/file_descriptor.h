// An open file descriptor owned by one object, for the readers that look into library files
// without loading them. Private to platform/os.
#pragma once

#include "platform/os/version_resource.h"

#include <cerrno>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <unistd.h>

namespace zarix::version_detail {

class TFileDescriptor {
public:
    /// Opens for reading; the error says why the file cannot be read.
    static TVersionResult<TFileDescriptor> Open(const std::string& path) {
        // O_NONBLOCK: opening a FIFO someone named instead of a library must not hang us.
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
        if (fd < 0)
            return TVersionError{TVersionErrorKind::CannotRead, "cannot open: " + std::generic_category().message(errno)};
        return TFileDescriptor(fd);
    }
    TFileDescriptor(TFileDescriptor&& other) noexcept : FFd(std::exchange(other.FFd, -1)) {}
    TFileDescriptor& operator=(TFileDescriptor&& other) noexcept {
        std::swap(FFd, other.FFd);
        return *this;
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    ~TFileDescriptor() {
        if (FFd >= 0) ::close(FFd);
    }
    int Get() const noexcept { return FFd; }

private:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    int FFd;
};

}  // namespace zarix::version_detail
