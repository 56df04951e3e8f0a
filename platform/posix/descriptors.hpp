// File descriptors on POSIX.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace secant {

// A descriptor opened while standard input, output or error is closed takes
// the lowest free number, and whatever was meant for that stream would then
// reach it. Moves fd above them (close-on-exec); -1 stays -1.
inline int aboveStandardStreams(int fd) {
    if (fd < 0 || fd > STDERR_FILENO) {
        return fd;
    }
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    const int error = errno;
    (void)close(fd);
    errno = error;
    return moved;
}

}  // namespace secant
