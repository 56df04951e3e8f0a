// Writing one whole file on POSIX: a temporary file created exclusively in
// the target's folder, flushed, then renamed over the target.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <string>

#include "platform/file_write.hpp"
#include "platform/posix/descriptors.hpp"
#include "platform/posix/signals.hpp"

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

std::uint64_t clockEntropy(int attempt) {
    timespec now{};
    (void)clock_gettime(CLOCK_REALTIME, &now);
    return (static_cast<std::uint64_t>(now.tv_nsec) << 20) ^
           static_cast<std::uint64_t>(now.tv_sec) ^ (static_cast<std::uint64_t>(getpid()) << 40) ^
           static_cast<std::uint64_t>(attempt) * 0x9E3779B97F4A7C15U;
}

// While the temporary exists, a signal that ends the process removes it
// first. The name is taken and given up with the signals held, so that a
// handler never removes a name that is no longer this file's.
const char* volatile temporaryToRemove = nullptr;
constexpr std::size_t kSignalCount = std::size(kEndingSignals);
struct sigaction previousActions[kSignalCount];
bool installedHandlers[kSignalCount] = {};

void removeTemporaryAndEnd(int signalNumber) {
    if (temporaryToRemove != nullptr) {
        (void)unlink(temporaryToRemove);
        temporaryToRemove = nullptr;
    }
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (kEndingSignals[i] == signalNumber) {
            sigaction(signalNumber, &previousActions[i], nullptr);
        }
    }
    // Delivered with its previous disposition as soon as this handler returns.
    (void)raise(signalNumber);
}

class TemporaryRemovedOnSignal {
public:
    TemporaryRemovedOnSignal() {
        struct sigaction action {};
        action.sa_handler = removeTemporaryAndEnd;
        sigemptyset(&action.sa_mask);
        for (const int s : kEndingSignals) {
            sigaddset(&action.sa_mask, s);
        }
        for (std::size_t i = 0; i < kSignalCount; ++i) {
            installedHandlers[i] =
                sigaction(kEndingSignals[i], nullptr, &previousActions[i]) == 0 &&
                previousActions[i].sa_handler != SIG_IGN &&
                sigaction(kEndingSignals[i], &action, nullptr) == 0;
        }
    }
    ~TemporaryRemovedOnSignal() {
        for (std::size_t i = 0; i < kSignalCount; ++i) {
            if (installedHandlers[i]) {
                sigaction(kEndingSignals[i], &previousActions[i], nullptr);
            }
        }
    }
    TemporaryRemovedOnSignal(const TemporaryRemovedOnSignal&) = delete;
    TemporaryRemovedOnSignal& operator=(const TemporaryRemovedOnSignal&) = delete;
};

class SignalsHeld {
public:
    SignalsHeld() {
        sigset_t held{};
        sigemptyset(&held);
        for (const int s : kEndingSignals) {
            sigaddset(&held, s);
        }
        (void)sigprocmask(SIG_BLOCK, &held, &previous_);
    }
    ~SignalsHeld() { (void)sigprocmask(SIG_SETMASK, &previous_, nullptr); }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

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
    return writeFileWhole(path, content, clockEntropy);
}

FileWriteResult writeFileWhole(const char* path, std::string_view content, NameEntropy entropy) {
    struct stat target {};
    bool replacing = false;
    if (lstat(path, &target) == 0) {
        if (!S_ISREG(target.st_mode)) {
            return {FileWriteError::NotRegularFile, 0};
        }
        // As cp: a file the user may not write is not replaced, whoever may
        // write its folder.
        if (faccessat(AT_FDCWD, path, W_OK, AT_EACCESS) != 0) {
            return errno == EACCES ? FileWriteResult{FileWriteError::WriteProtected, errno}
                                   : failure(errno);
        }
        replacing = true;
    } else if (errno != ENOENT) {
        return failure(errno);
    }

    const TemporaryRemovedOnSignal removedOnSignal;
    const std::string folder = folderOf(path);
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < kNameAttempts && fd < 0; ++attempt) {
        temporary = folder + kTemporaryPrefix + temporaryNameSuffix<std::string>(entropy(attempt));
        const SignalsHeld held;
        // A replaced file may be private: the data is never readable by
        // more than its new mode allows.
        fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                  replacing ? S_IRUSR | S_IWUSR : kNewFileMode);
        if (fd < 0 && errno != EEXIST) {
            return failure(errno);
        }
        if (fd >= 0) {
            temporaryToRemove = temporary.c_str();
        }
    }
    if (fd < 0) {
        return failure(EEXIST);
    }
    fd = aboveStandardStreams(fd);
    bool ok = fd >= 0 && writeAll(fd, content);
    if (ok && replacing) {
        // The owner and group where the process may (root, or the owner
        // for a group of its own), and where the file system keeps no
        // modes, the file stays private.
        if (fchown(fd, target.st_uid, target.st_gid) != 0) {
            (void)fchown(fd, static_cast<uid_t>(-1), target.st_gid);
        }
        (void)fchmod(fd, target.st_mode & kPermissionBits);
    }
    ok = ok && fsync(fd) == 0;
    int error = errno;
    if (fd >= 0 && close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    const SignalsHeld held;
    temporaryToRemove = nullptr;
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
