// The Windows console's key decoder: a key event (virtual key, character,
// control key state) as a keyboard code. Portable: the console's constants
// are given here under the names that <windows.h> gives them, and the
// Windows layer checks them against it.
#pragma once

#include "platform/keys.hpp"

namespace secant {

// The console's control key state bits.
inline constexpr unsigned long kRightAltPressed = 0x0001;
inline constexpr unsigned long kLeftAltPressed = 0x0002;
inline constexpr unsigned long kRightCtrlPressed = 0x0004;
inline constexpr unsigned long kLeftCtrlPressed = 0x0008;
inline constexpr unsigned long kShiftPressed = 0x0010;
inline constexpr unsigned long kNumLockOn = 0x0020;
inline constexpr unsigned long kEnhancedKey = 0x0100;  // a grey key, not the numeric pad's

// The virtual keys that the decoder names (VK_CLEAR, VK_PRIOR, ...). The
// letter and digit keys are their upper-case character ('A', '0').
inline constexpr unsigned short kVkClear = 0x0C;  // pad 5 with Num Lock off
inline constexpr unsigned short kVkPrior = 0x21;  // Page Up
inline constexpr unsigned short kVkNext = 0x22;   // Page Down
inline constexpr unsigned short kVkEnd = 0x23;
inline constexpr unsigned short kVkHome = 0x24;
inline constexpr unsigned short kVkLeft = 0x25;
inline constexpr unsigned short kVkUp = 0x26;
inline constexpr unsigned short kVkRight = 0x27;
inline constexpr unsigned short kVkDown = 0x28;
inline constexpr unsigned short kVkInsert = 0x2D;
inline constexpr unsigned short kVkDelete = 0x2E;
inline constexpr unsigned short kVkNumpad0 = 0x60;
inline constexpr unsigned short kVkNumpad9 = 0x69;
inline constexpr unsigned short kVkF1 = 0x70;
inline constexpr unsigned short kVkF12 = 0x7B;
// The punctuation keys of the US layout.
inline constexpr unsigned short kVkOem1 = 0xBA;     // ;
inline constexpr unsigned short kVkOemPlus = 0xBB;  // =
inline constexpr unsigned short kVkOemComma = 0xBC;
inline constexpr unsigned short kVkOemMinus = 0xBD;
inline constexpr unsigned short kVkOemPeriod = 0xBE;
inline constexpr unsigned short kVkOem2 = 0xBF;  // /
inline constexpr unsigned short kVkOem3 = 0xC0;  // `
inline constexpr unsigned short kVkOem4 = 0xDB;  // [
inline constexpr unsigned short kVkOem5 = 0xDC;  // backslash
inline constexpr unsigned short kVkOem6 = 0xDD;  // ]
inline constexpr unsigned short kVkOem7 = 0xDE;  // '

// The keyboard code of one key press (virtual key, its single-byte character
// or 0, control key state), or kNoKey where the press has no PC keyboard code
// and does not end the wait. A character decides; without one, Alt decides
// over Ctrl and Ctrl over Shift.
int keyCodeFromConsoleEvent(unsigned short virtualKey, char character, unsigned long keyState);

}  // namespace secant
