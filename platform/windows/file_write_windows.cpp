// Writing one whole file on Windows: a temporary file created with
// CREATE_NEW in the target's folder, flushed, then moved over the target.
#include "platform/windows/file_write_windows.hpp"

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/file_write.hpp"

namespace secant {

namespace {

constexpr wchar_t kTemporaryPrefix[] = L".secant-";
constexpr int kNameAttempts = 100;

FileWriteResult failure(DWORD error) {
    const int code = static_cast<int>(error);
    switch (error) {
        case ERROR_PATH_NOT_FOUND:
        case ERROR_DIRECTORY: return {FileWriteError::NoSuchFolder, code};
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION: return {FileWriteError::AccessDenied, code};
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL: return {FileWriteError::NoSpace, code};
        case ERROR_FILENAME_EXCED_RANGE: return {FileWriteError::NameTooLong, code};
        case ERROR_WRITE_PROTECT: return {FileWriteError::ReadOnlyFileSystem, code};
        default: return {FileWriteError::Other, code};
    }
}

// The path as the program got it, in the ANSI code page, as UTF-16.
std::wstring widePath(const char* path) {
    const int length = MultiByteToWideChar(CP_ACP, 0, path, -1, nullptr, 0);
    if (length <= 0) {
        return {};
    }
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), length);
    wide.resize(static_cast<std::size_t>(length - 1));
    return wide;
}

std::wstring folderOf(const std::wstring& path) {
    const std::size_t separator = path.find_last_of(L"\\/:");
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator + 1);
}

std::uint64_t clockEntropy(int attempt) {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    return static_cast<std::uint64_t>(counter.QuadPart) ^
           (static_cast<std::uint64_t>(GetCurrentProcessId()) << 40) ^
           static_cast<std::uint64_t>(attempt) * 0x9E3779B97F4A7C15U;
}

// Whether the target exists and is an ordinary disk file. A folder, a
// device (NUL, CON, COM1, ...), a pipe or a link is not.
FileWriteResult checkTarget(const std::wstring& path) {
    const HANDLE target = CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? FileWriteResult{} : failure(error);
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const bool regular =
        GetFileType(target) == FILE_TYPE_DISK &&
        GetFileInformationByHandle(target, &information) != 0 &&
        (information.dwFileAttributes &
         (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) == 0;
    CloseHandle(target);
    return regular ? FileWriteResult{} : FileWriteResult{FileWriteError::NotRegularFile, 0};
}

bool writeAll(HANDLE file, std::string_view content) {
    while (!content.empty()) {
        const DWORD chunk =
            content.size() > 0x40000000U ? 0x40000000U : static_cast<DWORD>(content.size());
        DWORD wrote = 0;
        if (WriteFile(file, content.data(), chunk, &wrote, nullptr) == 0) {
            return false;
        }
        content.remove_prefix(wrote);
    }
    return true;
}

// While the temporary file exists, a console control event (Ctrl+C,
// Ctrl+Break, the console closed) removes it before the process ends. The
// handler runs on a thread of its own: a copy of the name is given to it, and
// taken back, under temporaryLock, in the same step as the file is created,
// moved or removed, so that it never misses the file nor removes a name that
// is no longer this file's. Empty where there is no temporary file.
SRWLOCK temporaryLock = SRWLOCK_INIT;
std::wstring temporaryToRemove;

// The temporary file of one write, removed when its owner goes unless it was
// moved over the target. Other processes may delete it while it is open
// (FILE_SHARE_DELETE), so that the handler can.
class TemporaryFile {
public:
    // Tries up to kNameAttempts names, a new one where a file has the name.
    TemporaryFile(const std::wstring& folder, NameEntropy entropy) {
        for (int attempt = 0; attempt < kNameAttempts && file_ == INVALID_HANDLE_VALUE; ++attempt) {
            name_ = folder + kTemporaryPrefix +
                    temporaryNameSuffix<std::wstring>(entropy(attempt)) + L".tmp";
            AcquireSRWLockExclusive(&temporaryLock);
            file_ = CreateFileW(name_.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
            error_ = GetLastError();
            if (file_ != INVALID_HANDLE_VALUE) {
                named_ = true;
                temporaryToRemove = name_;
            }
            ReleaseSRWLockExclusive(&temporaryLock);
            if (file_ == INVALID_HANDLE_VALUE && error_ != ERROR_FILE_EXISTS &&
                error_ != ERROR_ALREADY_EXISTS) {
                return;
            }
        }
        error_ = named_ ? 0 : ERROR_FILE_EXISTS;
    }
    ~TemporaryFile() {
        (void)close();
        if (named_) {
            AcquireSRWLockExclusive(&temporaryLock);
            temporaryToRemove.clear();
            (void)DeleteFileW(name_.c_str());
            ReleaseSRWLockExclusive(&temporaryLock);
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // 0 where the file is there and open; otherwise why not.
    [[nodiscard]] DWORD error() const { return error_; }
    [[nodiscard]] HANDLE file() const { return file_; }

    bool close() {
        const HANDLE file = file_;
        file_ = INVALID_HANDLE_VALUE;
        return file == INVALID_HANDLE_VALUE || CloseHandle(file) != 0;
    }

    // Moves the file over path and returns whether it did (where not,
    // GetLastError says why, and the file is still to be removed).
    bool moveOver(const std::wstring& path) {
        AcquireSRWLockExclusive(&temporaryLock);
        const bool moved = MoveFileExW(name_.c_str(), path.c_str(),
                                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
        const DWORD error = GetLastError();
        if (moved) {
            temporaryToRemove.clear();
            named_ = false;
        }
        ReleaseSRWLockExclusive(&temporaryLock);
        SetLastError(error);
        return moved;
    }

private:
    std::wstring name_;
    HANDLE file_ = INVALID_HANDLE_VALUE;
    bool named_ = false;  // the file is there under name_
    DWORD error_ = 0;
};

// The handler is in place for the write only.
class ControlHandlerInstalled {
public:
    ControlHandlerInstalled() { (void)SetConsoleCtrlHandler(removeTemporaryOnControl, TRUE); }
    ~ControlHandlerInstalled() { (void)SetConsoleCtrlHandler(removeTemporaryOnControl, FALSE); }
    ControlHandlerInstalled(const ControlHandlerInstalled&) = delete;
    ControlHandlerInstalled& operator=(const ControlHandlerInstalled&) = delete;
};

}  // namespace

BOOL WINAPI removeTemporaryOnControl(DWORD /*event*/) {
    // Taken for good: the write makes no further step, and the next handler,
    // the system's, ends the process.
    AcquireSRWLockExclusive(&temporaryLock);
    if (!temporaryToRemove.empty()) {
        (void)DeleteFileW(temporaryToRemove.c_str());
        temporaryToRemove.clear();
    }
    return FALSE;
}

FileWriteResult writeFileWhole(const char* path, std::string_view content) {
    return writeFileWhole(path, content, clockEntropy);
}

FileWriteResult writeFileWhole(const char* path, std::string_view content, NameEntropy entropy) {
    const std::wstring target = widePath(path);
    if (target.empty()) {
        return failure(ERROR_INVALID_NAME);
    }
    const FileWriteResult checked = checkTarget(target);
    if (!checked.written()) {
        return checked;
    }
    const ControlHandlerInstalled handler;
    TemporaryFile temporary(folderOf(target), entropy);
    if (temporary.error() != 0) {
        return failure(temporary.error());
    }
    bool ok = writeAll(temporary.file(), content) && FlushFileBuffers(temporary.file()) != 0;
    DWORD error = GetLastError();
    if (!temporary.close() && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok && temporary.moveOver(target)) {
        return {};
    }
    if (ok) {
        error = GetLastError();
    }
    return failure(error);
}

}  // namespace secant
