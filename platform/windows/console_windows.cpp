// The console layer on Windows: texts in the console's OEM code page, the key
// wait on the console input device CONIN$.
#include "platform/windows/console_windows.hpp"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <iostream>

#include "platform/console.hpp"
#include "platform/cp1251.hpp"
#include "platform/input_buffer.hpp"
#include "platform/keys.hpp"
#include "platform/keys_console.hpp"

namespace secant {

namespace {

constexpr UINT kWindows1251 = 1251;

// The key decoder is portable and names the console's constants itself.
static_assert(kRightAltPressed == RIGHT_ALT_PRESSED && kLeftAltPressed == LEFT_ALT_PRESSED &&
              kRightCtrlPressed == RIGHT_CTRL_PRESSED && kLeftCtrlPressed == LEFT_CTRL_PRESSED &&
              kShiftPressed == SHIFT_PRESSED && kNumLockOn == NUMLOCK_ON &&
              kEnhancedKey == ENHANCED_KEY);
static_assert(kVkClear == VK_CLEAR && kVkPrior == VK_PRIOR && kVkNext == VK_NEXT &&
              kVkEnd == VK_END && kVkHome == VK_HOME && kVkLeft == VK_LEFT && kVkUp == VK_UP &&
              kVkRight == VK_RIGHT && kVkDown == VK_DOWN && kVkInsert == VK_INSERT &&
              kVkDelete == VK_DELETE && kVkNumpad0 == VK_NUMPAD0 && kVkNumpad9 == VK_NUMPAD9 &&
              kVkF1 == VK_F1 && kVkF12 == VK_F12);
static_assert(kVkOem1 == VK_OEM_1 && kVkOemPlus == VK_OEM_PLUS && kVkOemComma == VK_OEM_COMMA &&
              kVkOemMinus == VK_OEM_MINUS && kVkOemPeriod == VK_OEM_PERIOD && kVkOem2 == VK_OEM_2 &&
              kVkOem3 == VK_OEM_3 && kVkOem4 == VK_OEM_4 && kVkOem5 == VK_OEM_5 &&
              kVkOem6 == VK_OEM_6 && kVkOem7 == VK_OEM_7);
constexpr std::size_t kOutputBufferSize = 1 << 16;

// A paste may arrive in pieces: whatever follows the key within kQuietMs of
// the last event is dropped, for at most kDiscardLimitMs.
constexpr DWORD kQuietMs = 100;
constexpr ULONGLONG kDiscardLimitMs = 3000;

// Through the C runtime, which turns CR LF into LF and ends a console's
// input at Ctrl+Z, as it does for stdin.
long readStandardInput(char* into, std::size_t capacity) {
    return _read(0, into, static_cast<unsigned>(capacity));
}

InputBuffer standardInput(&readStandardInput);
std::streambuf* previousInput = nullptr;

HANDLE consoleInput = INVALID_HANDLE_VALUE;
HeldKey heldKey;

// Drops what the console input holds, and whatever arrives there within
// kQuietMs of the last event, for at most kDiscardLimitMs: the rest of a paste
// or of a held key that ended the key wait is left neither for the shell nor
// for the next program at the console.
void discardWhileArriving(HANDLE console) {
    const ULONGLONG end = GetTickCount64() + kDiscardLimitMs;
    do {
        if (FlushConsoleInputBuffer(console) == 0) {
            return;
        }
    } while (GetTickCount64() < end && WaitForSingleObject(console, kQuietMs) == WAIT_OBJECT_0);
}

// The code page in which the console shows bytes; without a console, the OEM one.
UINT outputCodePage() {
    const UINT console = GetConsoleOutputCP();
    return console != 0 ? console : GetOEMCP();
}

}  // namespace

std::size_t convertFromCp1251(const char* text, unsigned codePage, char* out,
                              std::size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    const int length = static_cast<int>(strnlen(text, kMaxTextBytes));
    wchar_t wide[kOemBufferSize];
    const int wideLength =
        MultiByteToWideChar(kWindows1251, 0, text, length, wide, static_cast<int>(kMaxTextBytes));
    const int written = WideCharToMultiByte(codePage, 0, wide, wideLength, out,
                                            static_cast<int>(capacity - 1), nullptr, nullptr);
    const std::size_t size = written > 0 ? static_cast<std::size_t>(written) : 0;
    out[size] = '\0';
    return size;
}

ConsoleSession::ConsoleSession() {
    _setmode(_fileno(stdout), _O_TEXT);  // every line feed leaves as CR LF
    // At a console every insertion shows at once; into a file or a pipe the
    // output is buffered and leaves at the dialogue's own flushes, so the
    // bytes and their order on every stream are the same.
    if (_isatty(_fileno(stdout)) != 0) {
        (void)std::setvbuf(stdout, nullptr, _IONBF, 0);
    } else {
        (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBufferSize);
    }
    consoleInput =
        CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    previousInput = std::cin.rdbuf(&standardInput);
}

ConsoleSession::~ConsoleSession() {
    std::cin.rdbuf(previousInput);
    if (consoleInput != INVALID_HANDLE_VALUE) {
        CloseHandle(consoleInput);
        consoleInput = INVALID_HANDLE_VALUE;
    }
}

// The console that the stream shows on, or nullptr where it goes into a file
// or a pipe.
HANDLE consoleOf(const std::ostream& out) {
    const DWORD which = &out == &std::cout   ? STD_OUTPUT_HANDLE
                        : &out == &std::cerr ? STD_ERROR_HANDLE
                                             : 0;
    const HANDLE handle = which != 0 ? GetStdHandle(which) : INVALID_HANDLE_VALUE;
    DWORD mode = 0;
    return handle != INVALID_HANDLE_VALUE && handle != nullptr && GetConsoleMode(handle, &mode) != 0
               ? handle
               : nullptr;
}

// At a console the text goes as UTF-16 (WriteConsoleW), which shows right
// whatever the console's code page. Into a file or a pipe it goes as bytes:
// CharToOemA maps from the ANSI code page, so it is right only where that is
// Windows-1251 and the console shows the OEM code page; elsewhere the text is
// converted from Windows-1251 explicitly.
void printOem(std::ostream& out, const char* text) {
    char source[kOemBufferSize];
    const std::size_t length = strnlen(text, kMaxTextBytes);
    std::memcpy(source, text, length);
    source[length] = '\0';
    if (const HANDLE console = consoleOf(out)) {
        wchar_t wide[kOemBufferSize];
        const int wideLength =
            MultiByteToWideChar(kWindows1251, 0, source, static_cast<int>(length), wide,
                                static_cast<int>(kMaxTextBytes));
        DWORD written = 0;
        out.flush();  // what the stream holds comes first
        if (WriteConsoleW(console, wide, static_cast<DWORD>(wideLength), &written, nullptr) == 0 ||
            written != static_cast<DWORD>(wideLength)) {
            out.setstate(std::ios_base::badbit);
        }
        return;
    }
    const UINT target = outputCodePage();
    if (GetACP() == kWindows1251 && target == GetOEMCP()) {
        char buffer[kOemBufferSize];
        CharToOemA(source, buffer);
        out << buffer;
        return;
    }
    char buffer[kUtf8BufferSize];
    convertFromCp1251(source, target, buffer, sizeof buffer);
    out << buffer;
}

int waitForKey() {
    int result = -1;
    if (takeHeldKey(heldKey, result)) {
        return result;
    }
    DWORD savedMode = 0;
    if (consoleInput == INVALID_HANDLE_VALUE || GetConsoleMode(consoleInput, &savedMode) == 0) {
        return -1;
    }
    // No line input, no echo, no processed input: Ctrl+C arrives as a key.
    if (SetConsoleMode(consoleInput, 0) == 0) {
        return -1;
    }
    for (;;) {
        INPUT_RECORD record{};
        DWORD count = 0;
        if (ReadConsoleInputA(consoleInput, &record, 1, &count) == 0 || count != 1) {
            result = -1;
            break;
        }
        if (record.EventType != KEY_EVENT || record.Event.KeyEvent.bKeyDown == 0) {
            continue;  // mouse, size, focus and menu events, key releases
        }
        const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
        const int code = keyCodeFromConsoleEvent(key.wVirtualKeyCode, key.uChar.AsciiChar,
                                                 key.dwControlKeyState);
        if (code != kNoKey) {
            result = takeKeyResult(code, heldKey);
            discardWhileArriving(consoleInput);
            break;
        }
    }
    if (SetConsoleMode(consoleInput, savedMode) == 0) {
        result = -1;
    }
    return result;
}

}  // namespace secant
