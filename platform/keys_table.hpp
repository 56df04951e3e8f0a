// The PC keyboard's extended codes, as both key decoders give them: the
// terminal's escape sequences and the Windows console's key events name the
// same keys with the same modifiers.
#pragma once

#include "platform/keys.hpp"

namespace secant {

inline constexpr unsigned char kEscape = 0x1B;

// The modifier that decides a key's code: Alt over Ctrl, Ctrl over Shift.
enum Modifier { kPlain = 0, kShift = 1, kCtrl = 2, kAlt = 3 };

// PC extended codes of a cursor or function key: plain, Shift, Ctrl, Alt
// (kNoKey where the combination has none).
struct KeyCodes {
    int code[4];
};

inline constexpr KeyCodes kUp{{72, 72, 141, 152}};
inline constexpr KeyCodes kDown{{80, 80, 145, 160}};
inline constexpr KeyCodes kRight{{77, 77, 116, 157}};
inline constexpr KeyCodes kLeft{{75, 75, 115, 155}};
inline constexpr KeyCodes kHome{{71, 71, 119, 151}};
inline constexpr KeyCodes kEnd{{79, 79, 117, 159}};
inline constexpr KeyCodes kPageUp{{73, 73, 132, 153}};
inline constexpr KeyCodes kPageDown{{81, 81, 118, 161}};
inline constexpr KeyCodes kInsert{{82, 82, 146, 162}};
inline constexpr KeyCodes kDelete{{83, 83, 147, 163}};
inline constexpr KeyCodes kNone{{kNoKey, kNoKey, kNoKey, kNoKey}};

// The codes of F1 to F12; requires 1 <= number <= 12.
constexpr KeyCodes functionKey(int number) {
    if (number <= 10) {
        return KeyCodes{{58 + number, 83 + number, 93 + number, 103 + number}};
    }
    const int offset = number - 11;  // F11, F12
    return KeyCodes{{133 + offset, 135 + offset, 137 + offset, 139 + offset}};
}

// The keyboard code of an extended code; kNoKey stays kNoKey.
constexpr int extended(int code) {
    return code == kNoKey ? kNoKey : kExtendedKey + code;
}

// The keyboard code of Alt with the key of this character (a letter of
// either case, a digit, US punctuation, Enter, Tab, Backspace as 0x7F,
// Escape), or kNoKey where that combination has none.
int altCode(unsigned char key);

}  // namespace secant
