// Key presses as the program reports them, independent of the operating system.
//
// A key press becomes a keyboard code: a character is its byte (0 to 255);
// a key without a character is 0x100 plus its PC extended code (Up is
// 0x100 + 72, Alt+F4 is 0x100 + 107). The key wait turns a code into its
// result with takeKeyResult.
#pragma once

#include <cstddef>

namespace secant {

inline constexpr int kExtendedKey = 0x100;
// A decoded input that is no key press (a focus report, a mouse event, a key
// combination that has no PC code): it does not end the wait.
inline constexpr int kNoKey = -1;

// What a key wait keeps between calls: the low byte of an extended code,
// returned by the next call without reading the keyboard.
struct HeldKey {
    bool pending = false;
    unsigned char code = 0;
};

// The result of a key wait for the code: a character as a signed byte value;
// for a code of 0x100 or more, 0 with the low byte held for the next call.
int takeKeyResult(int code, HeldKey& held);

// Where a byte is held: gives it as the result, lets it go and returns
// true. Otherwise returns false and leaves result alone.
bool takeHeldKey(HeldKey& held, int& result);

// Terminal input: whether the bytes received so far (length >= 1) may still
// grow into a longer key sequence (an escape sequence or a UTF-8 character).
bool keySequenceWantsMore(const unsigned char* bytes, std::size_t length);

// Terminal input: the keyboard code of one complete sequence, or kNoKey.
// A UTF-8 character becomes its Windows-1251 byte, or '?' where it has none.
int decodeTerminalKey(const unsigned char* bytes, std::size_t length);

// The console's control key state bits and the virtual keys that the
// mapping below names, as the Windows console reports them.
inline constexpr unsigned long kRightAltPressed = 0x0001;
inline constexpr unsigned long kLeftAltPressed = 0x0002;
inline constexpr unsigned long kRightCtrlPressed = 0x0004;
inline constexpr unsigned long kLeftCtrlPressed = 0x0008;
inline constexpr unsigned long kShiftPressed = 0x0010;
inline constexpr unsigned long kNumLockOn = 0x0020;
inline constexpr unsigned long kEnhancedKey = 0x0100;

// Console input: the keyboard code of one key press (virtual key, its
// single-byte character or 0, control key state), or kNoKey where the press
// has no PC keyboard code and does not end the wait. A character decides;
// without one, Alt decides over Ctrl and Ctrl over Shift.
int keyCodeFromConsoleEvent(unsigned short virtualKey, char character, unsigned long keyState);

}  // namespace secant
