// Writing one whole file: one implementation per operating system.
#pragma once

#include <cstdint>
#include <string_view>

namespace secant {

// Why a file could not be written; the common causes have their own name,
// anything else is told by the system's error number.
enum class FileWriteError {
    None,
    NotRegularFile,  // the target exists and is a device, FIFO, socket, folder or link
    WriteProtected,  // the target exists and the user may not write it
    NoSuchFolder,
    AccessDenied,
    NoSpace,
    NameTooLong,
    ReadOnlyFileSystem,
    Other,
};

struct FileWriteResult {
    FileWriteError error = FileWriteError::None;
    int systemError = 0;  // errno or GetLastError(), for Other

    [[nodiscard]] bool written() const { return error == FileWriteError::None; }
};

// Six letters or digits for a temporary name, mixed from whatever differs
// between attempts, runs and processes (time, process, attempt). Guessing
// them gains nothing: the file is created exclusively.
template <class Text>
Text temporaryNameSuffix(std::uint64_t entropy) {
    std::uint64_t z = entropy;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9U;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBU;
    z ^= z >> 31;
    constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    Text suffix;
    for (int i = 0; i < 6; ++i) {
        suffix += static_cast<typename Text::value_type>(kDigits[z % 36]);
        z /= 36;
    }
    return suffix;
}

// Writes content as the file at path, whole or not at all. The data goes
// into a new file of a unique name in the target's folder, created
// exclusively (an existing file is never opened, a link never followed),
// flushed to the disk, and then renamed over the target. A replaced file's
// permission bits are kept, and on POSIX its owner and group where the
// process may set them; a new file gets the usual ones (0666 less the
// umask). A target that exists and is not a regular file, or that the user
// may not write, is refused and left alone; on any failure, and on a signal
// that ends the process (on Windows a console control event: Ctrl+C,
// Ctrl+Break, the console closed), the temporary file is removed and the
// target is as it was.
FileWriteResult writeFileWhole(const char* path, std::string_view content);

// The same with the entropy of each attempt's temporary name given (tests
// make names collide with it).
using NameEntropy = std::uint64_t (*)(int attempt);
FileWriteResult writeFileWhole(const char* path, std::string_view content, NameEntropy entropy);

}  // namespace secant
