// File descriptors on POSIX.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <utility>

#include "platform/posix/retry.hpp"

namespace secant {

// The owner of one open descriptor (or of none, -1): closes it when it goes.
class Descriptor {
public:
    constexpr Descriptor() = default;
    constexpr explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        const ErrnoKept kept;
        (void)close();
    }
    Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
    Descriptor& operator=(Descriptor&& other) noexcept {
        if (this != &other) {
            const ErrnoKept kept;
            (void)close();
            fd_ = other.release();
        }
        return *this;
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    [[nodiscard]] int get() const { return fd_; }
    [[nodiscard]] bool isOpen() const { return fd_ >= 0; }

    // Gives the descriptor up without closing it.
    [[nodiscard]] int release() { return std::exchange(fd_, -1); }

    // Closes it now: returns whether close succeeded (where not, errno says
    // why, and the data written may not have reached the file). Either way
    // the descriptor is gone: a close is never made again, since after EINTR
    // the number may already be another file's.
    bool close() { return fd_ < 0 || ::close(release()) == 0; }

private:
    int fd_ = -1;
};

// A descriptor opened while standard input, output or error is closed takes
// the lowest free number, and whatever was meant for that stream would then
// reach it. Moves fd above them (close-on-exec); -1 stays -1.
inline int aboveStandardStreams(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const ErrnoKept kept;
    (void)::close(fd);
    return moved;
}

}  // namespace secant
