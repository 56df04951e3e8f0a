// Key presses as the program reports them, independent of the operating system.
//
// A key press becomes a keyboard code: a character is its byte (0 to 255);
// a key without a character is 0x100 plus its PC extended code (Up is
// 0x100 + 72, Alt+F4 is 0x100 + 107). Each console layer decodes its own
// input into codes (keys_terminal.hpp: a terminal's bytes, keys_console.hpp:
// the Windows console's key events, both from the codes of keys_table.hpp);
// the key wait turns a code into its result with takeKeyResult.
#pragma once

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

}  // namespace secant
