#include "platform/keys_console.hpp"

#include "platform/keys_table.hpp"

namespace secant {

namespace {

KeyCodes cursorKey(unsigned short virtualKey) {
    switch (virtualKey) {
        case kVkPrior: return kPageUp;
        case kVkNext: return kPageDown;
        case kVkEnd: return kEnd;
        case kVkHome: return kHome;
        case kVkLeft: return kLeft;
        case kVkUp: return kUp;
        case kVkRight: return kRight;
        case kVkDown: return kDown;
        case kVkInsert: return kInsert;
        case kVkDelete: return kDelete;
        default: return kNone;
    }
}

bool isCursorKey(unsigned short virtualKey) {
    return cursorKey(virtualKey).code[kPlain] != kNoKey;
}

// The character of a punctuation key (US layout), or 0.
unsigned char punctuation(unsigned short virtualKey) {
    switch (virtualKey) {
        case kVkOem1: return ';';
        case kVkOemPlus: return '=';
        case kVkOemComma: return ',';
        case kVkOemMinus: return '-';
        case kVkOemPeriod: return '.';
        case kVkOem2: return '/';
        case kVkOem3: return '`';
        case kVkOem4: return '[';
        case kVkOem5: return '\\';
        case kVkOem6: return ']';
        case kVkOem7: return '\'';
        default: return 0;
    }
}

// Ctrl with a digit or punctuation key: only 2, 6, [ \ ] and - have codes.
int ctrlSymbolCode(unsigned char symbol) {
    switch (symbol) {
        case '2': return extended(3);
        case '6': return 0x1E;
        case '[': return 0x1B;
        case '\\': return 0x1C;
        case ']': return 0x1D;
        case '-': return 0x1F;
        default: return kNoKey;
    }
}

Modifier heldModifier(unsigned long keyState) {
    if ((keyState & (kLeftAltPressed | kRightAltPressed)) != 0) {
        return kAlt;
    }
    if ((keyState & (kLeftCtrlPressed | kRightCtrlPressed)) != 0) {
        return kCtrl;
    }
    if ((keyState & kShiftPressed) != 0) {
        return kShift;
    }
    return kPlain;
}

int letterOrSymbolCode(unsigned char symbol, Modifier modifier) {
    const bool letter = symbol >= 'A' && symbol <= 'Z';
    switch (modifier) {
        case kAlt: return altCode(symbol);
        case kCtrl: return letter ? symbol - 'A' + 1 : ctrlSymbolCode(symbol);
        case kPlain: return letter ? 0 : kNoKey;
        case kShift: return kNoKey;
    }
    return kNoKey;
}

}  // namespace

int keyCodeFromConsoleEvent(unsigned short virtualKey, char character, unsigned long keyState) {
    if (character != '\0') {
        return static_cast<unsigned char>(character);
    }
    const Modifier modifier = heldModifier(keyState);
    if (isCursorKey(virtualKey)) {
        // Alt with a numeric pad key types a character code; it has no key code.
        const bool numericPad = (keyState & kEnhancedKey) == 0;
        if (modifier == kAlt && numericPad) {
            return kNoKey;
        }
        return extended(cursorKey(virtualKey).code[modifier]);
    }
    if (virtualKey >= kVkF1 && virtualKey <= kVkF12) {
        return extended(functionKey(virtualKey - kVkF1 + 1).code[modifier]);
    }
    if (virtualKey == kVkClear || (virtualKey >= kVkNumpad0 && virtualKey <= kVkNumpad9)) {
        return kNoKey;  // pad 5 with Num Lock off; pad digits come with a character or not at all
    }
    if ((virtualKey >= 'A' && virtualKey <= 'Z') || (virtualKey >= '0' && virtualKey <= '9')) {
        return letterOrSymbolCode(static_cast<unsigned char>(virtualKey), modifier);
    }
    const unsigned char symbol = punctuation(virtualKey);
    if (symbol != 0 && (modifier == kAlt || modifier == kCtrl)) {
        return letterOrSymbolCode(symbol, modifier);
    }
    return kNoKey;  // Shift, Ctrl, Alt, the lock keys, Pause, the Windows and menu keys
}

}  // namespace secant
