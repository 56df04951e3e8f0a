// Writing one whole file on POSIX: a temporary file created exclusively in
// the target's folder, flushed, then renamed over the target.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>

#include "platform/file_write.hpp"
#include "platform/posix/descriptors.hpp"

namespace secant {

namespace {

// Short, so that a target name of the longest length still leaves room.
constexpr char kTemporaryPrefix[] = ".secant-";
constexpr int kNameAttempts = 100;
constexpr mode_t kNewFileMode = 0666;  // less the umask, applied by open
constexpr mode_t kPermissionBits = 0777;

FileWriteResult failure(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR: return {FileWriteError::NoSuchFolder, error};
        case EACCES:
        case EPERM: return {FileWriteError::AccessDenied, error};
        case ENOSPC:
        case EDQUOT: return {FileWriteError::NoSpace, error};
        case ENAMETOOLONG: return {FileWriteError::NameTooLong, error};
        case EROFS: return {FileWriteError::ReadOnlyFileSystem, error};
        default: return {FileWriteError::Other, error};
    }
}

// The folder part of the path, with its trailing slash; empty for the
// current folder.
std::string folderOf(const char* path) {
    const std::string whole(path);
    const std::size_t slash = whole.rfind('/');
    return slash == std::string::npos ? std::string() : whole.substr(0, slash + 1);
}

std::string uniqueSuffix(int attempt) {
    timespec now{};
    (void)clock_gettime(CLOCK_REALTIME, &now);
    return temporaryNameSuffix<std::string>(
        (static_cast<std::uint64_t>(now.tv_nsec) << 20) ^ static_cast<std::uint64_t>(now.tv_sec) ^
        (static_cast<std::uint64_t>(getpid()) << 40) ^
        static_cast<std::uint64_t>(attempt) * 0x9E3779B97F4A7C15U);
}

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t wrote = write(fd, content.data(), content.size());
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        content.remove_prefix(static_cast<std::size_t>(wrote));
    }
    return true;
}

}  // namespace

FileWriteResult writeFileWhole(const char* path, std::string_view content) {
    struct stat target {};
    bool replacing = false;
    if (lstat(path, &target) == 0) {
        if (!S_ISREG(target.st_mode)) {
            return {FileWriteError::NotRegularFile, 0};
        }
        replacing = true;
    } else if (errno != ENOENT) {
        return failure(errno);
    }

    const std::string folder = folderOf(path);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        temporary = folder + kTemporaryPrefix + uniqueSuffix(attempt);
        // A replaced file may be private: the data is never readable by
        // more than its new mode allows.
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  replacing ? S_IRUSR | S_IWUSR : kNewFileMode);
        if (fd < 0 && errno != EEXIST) {
            return failure(errno);
        }
    }
    if (fd < 0) {
        return failure(EEXIST);
    }
    fd = aboveStandardStreams(fd);
    if (fd < 0) {
        const int error = errno;
        (void)unlink(temporary.c_str());
        return failure(error);
    }

    bool ok = writeAll(fd, content);
    if (ok && replacing) {
        // Where the file system keeps no modes, the file stays private.
        (void)fchmod(fd, target.st_mode & kPermissionBits);
    }
    ok = ok && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && std::rename(temporary.c_str(), path) == 0) {
        return {};
    }
    if (ok) {
        error = errno;
    }
    (void)unlink(temporary.c_str());
    return failure(error);
}

}  // namespace secant
