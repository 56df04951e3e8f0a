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
#include <string>

#include "platform/file_write.hpp"
#include "platform/posix/descriptors.hpp"
#include "platform/posix/retry.hpp"
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
// first (onEndingSignal): it finds its name in signalTimeState.
const sigset_t kEndingSet = endingSignalSet();

// The temporary file of one write, created exclusively in the target's
// folder and removed when its owner goes, unless it was renamed over the
// target. Its name is given to the handler (temporaryToRemove) in the same
// step as the file is created, and taken back in the same step as the file
// is renamed or removed, each with the ending signals held: a handler never
// misses the file, nor removes a name that is no longer this file's.
class TemporaryFile {
public:
    // Tries up to kNameAttempts names, a new one where a file has the name.
    TemporaryFile(const std::string& folder, NameEntropy entropy, mode_t mode) {
        for (int attempt = 0; attempt < kNameAttempts && !named_; ++attempt) {
            name_ = folder + kTemporaryPrefix + temporaryNameSuffix<std::string>(entropy(attempt));
            const SignalsHeld held(kEndingSet);
            const int fd =
                open(name_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
            if (fd < 0 && errno != EEXIST) {
                error_ = errno;
                return;
            }
            if (fd >= 0) {
                file_ = Descriptor(fd);
                named_ = true;
                signalTimeState.temporaryToRemove = name_.c_str();
            }
        }
        if (!named_) {
            error_ = EEXIST;
            return;
        }
        file_ = Descriptor(aboveStandardStreams(file_.release()));
        if (!file_.isOpen()) {
            error_ = errno;
        }
    }
    ~TemporaryFile() {
        (void)file_.close();
        if (named_) {
            const SignalsHeld held(kEndingSet);
            signalTimeState.temporaryToRemove = nullptr;
            (void)unlink(name_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // 0 where the file is there and open; otherwise why not (errno).
    [[nodiscard]] int error() const { return error_; }
    Descriptor& file() { return file_; }

    // Renames the file over path and returns whether it did (where not,
    // errno says why, and the file is still to be removed).
    bool renameOver(const char* path) {
        const SignalsHeld held(kEndingSet);
        if (std::rename(name_.c_str(), path) != 0) {
            return false;
        }
        signalTimeState.temporaryToRemove = nullptr;
        named_ = false;
        return true;
    }

private:
    std::string name_;
    Descriptor file_;
    bool named_ = false;  // the file is there under name_
    int error_ = 0;
};

bool writeAll(int fd, std::string_view content) {
    while (!content.empty()) {
        const ssize_t wrote =
            retryInterrupted([&] { return write(fd, content.data(), content.size()); });
        if (wrote < 0) {
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

    SignalsCaught caught;
    caught.catchEndingSignals();
    // A replaced file may be private: the data is never readable by more
    // than its new mode allows.
    TemporaryFile temporary(folderOf(path), entropy, replacing ? S_IRUSR | S_IWUSR : kNewFileMode);
    if (temporary.error() != 0) {
        return failure(temporary.error());
    }
    const int fd = temporary.file().get();
    bool ok = writeAll(fd, content);
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
    if (!temporary.file().close() && ok) {
        ok = false;
        error = errno;
    }
    if (ok && temporary.renameOver(path)) {
        return {};
    }
    if (ok) {
        error = errno;
    }
    return failure(error);
}

}  // namespace secant
