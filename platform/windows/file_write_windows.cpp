// Writing one whole file on Windows: a temporary file created with
// CREATE_NEW in the target's folder, flushed, then moved over the target.
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

}  // namespace

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
    const std::wstring folder = folderOf(target);
    std::wstring temporary;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < kNameAttempts && file == INVALID_HANDLE_VALUE; ++attempt) {
        temporary = folder + kTemporaryPrefix +
                    temporaryNameSuffix<std::wstring>(entropy(attempt)) + L".tmp";
        file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS &&
            GetLastError() != ERROR_ALREADY_EXISTS) {
            return failure(GetLastError());
        }
    }
    if (file == INVALID_HANDLE_VALUE) {
        return failure(ERROR_FILE_EXISTS);
    }
    bool ok = writeAll(file, content) && FlushFileBuffers(file) != 0;
    DWORD error = GetLastError();
    if (CloseHandle(file) == 0 && ok) {
        ok = false;
        error = GetLastError();
    }
    if (ok && MoveFileExW(temporary.c_str(), target.c_str(),
                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0) {
        return {};
    }
    if (ok) {
        error = GetLastError();
    }
    DeleteFileW(temporary.c_str());
    return failure(error);
}

}  // namespace secant
