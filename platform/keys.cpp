#include "platform/keys.hpp"

#include <array>

#include "platform/cp1251.hpp"

namespace secant {

namespace {

constexpr unsigned char kEscape = 0x1B;

enum Modifier { kPlain = 0, kShift = 1, kCtrl = 2, kAlt = 3 };

// PC extended codes of the cursor and function keys: plain, Shift, Ctrl, Alt.
struct KeyCodes {
    int code[4];
};

constexpr KeyCodes kUp{{72, 72, 141, 152}};
constexpr KeyCodes kDown{{80, 80, 145, 160}};
constexpr KeyCodes kRight{{77, 77, 116, 157}};
constexpr KeyCodes kLeft{{75, 75, 115, 155}};
constexpr KeyCodes kHome{{71, 71, 119, 151}};
constexpr KeyCodes kEnd{{79, 79, 117, 159}};
constexpr KeyCodes kPageUp{{73, 73, 132, 153}};
constexpr KeyCodes kPageDown{{81, 81, 118, 161}};
constexpr KeyCodes kInsert{{82, 82, 146, 162}};
constexpr KeyCodes kDelete{{83, 83, 147, 163}};
constexpr KeyCodes kNone{{kNoKey, kNoKey, kNoKey, kNoKey}};

constexpr KeyCodes functionKey(int number) {
    if (number <= 10) {
        return KeyCodes{{58 + number, 83 + number, 93 + number, 103 + number}};
    }
    const int offset = number - 11;  // F11, F12
    return KeyCodes{{133 + offset, 135 + offset, 137 + offset, 139 + offset}};
}

// Scan codes of the letter keys A to Z, for Alt with a letter.
constexpr std::array<int, 26> kLetterScan = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                             49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

int extended(int code) {
    return code == kNoKey ? kNoKey : kExtendedKey + code;
}

// Alt decides over Ctrl, Ctrl over Shift (xterm's modifier parameter is 1 + bits).
Modifier modifierFromParameter(int parameter) {
    const int bits = parameter > 1 ? parameter - 1 : 0;
    if ((bits & 2) != 0) {
        return kAlt;
    }
    if ((bits & 4) != 0) {
        return kCtrl;
    }
    if ((bits & 1) != 0) {
        return kShift;
    }
    return kPlain;
}

int altCode(unsigned char key) {
    if (key >= 'a' && key <= 'z') {
        return extended(kLetterScan[key - 'a']);
    }
    if (key >= 'A' && key <= 'Z') {
        return extended(kLetterScan[key - 'A']);
    }
    if (key >= '1' && key <= '9') {
        return extended(120 + (key - '1'));
    }
    switch (key) {
        case '0': return extended(129);
        case '-': return extended(130);
        case '=': return extended(131);
        case '[': return extended(26);
        case ']': return extended(27);
        case ';': return extended(39);
        case '\'': return extended(40);
        case '`': return extended(41);
        case '\\': return extended(43);
        case ',': return extended(51);
        case '.': return extended(52);
        case '/': return extended(53);
        case '\r': return extended(28);
        case '\t': return extended(165);
        case 0x7F: return extended(14);
        case kEscape: return extended(1);
        default: return kNoKey;
    }
}

KeyCodes tildeKey(int number) {
    switch (number) {
        case 1:
        case 7: return kHome;
        case 2: return kInsert;
        case 3: return kDelete;
        case 4:
        case 8: return kEnd;
        case 5: return kPageUp;
        case 6: return kPageDown;
        default: break;
    }
    if (number >= 11 && number <= 15) {
        return functionKey(number - 10);
    }
    if (number >= 17 && number <= 21) {
        return functionKey(number - 11);
    }
    if (number == 23 || number == 24) {
        return functionKey(number - 12);
    }
    return kNone;
}

KeyCodes letterKey(unsigned char final) {
    switch (final) {
        case 'A': return kUp;
        case 'B': return kDown;
        case 'C': return kRight;
        case 'D': return kLeft;
        case 'H': return kHome;
        case 'F': return kEnd;
        case 'P': return functionKey(1);
        case 'Q': return functionKey(2);
        case 'R': return functionKey(3);
        case 'S': return functionKey(4);
        default: return kNone;
    }
}

// ESC [ params final, with params of the form p1;p2 (other forms are no key).
int decodeControlSequence(const unsigned char* bytes, std::size_t length) {
    if (length == 4 && bytes[2] == '[' && bytes[3] >= 'A' && bytes[3] <= 'E') {
        return extended(functionKey(bytes[3] - 'A' + 1).code[kPlain]);  // Linux console F1-F5
    }
    int parameters[2] = {0, 0};
    int count = 0;
    bool digits = false;
    for (std::size_t i = 2; i + 1 < length; ++i) {
        const unsigned char c = bytes[i];
        if (c >= '0' && c <= '9') {
            if (count < 2 && parameters[count] < 1000) {
                parameters[count] = parameters[count] * 10 + (c - '0');
            }
            digits = true;
        } else if (c == ';') {
            ++count;
            digits = false;
        } else {
            return kNoKey;  // private forms: mouse reports, bracketed paste marks...
        }
    }
    if (digits) {
        ++count;
    }
    if (count > 2) {
        return kNoKey;
    }
    const unsigned char final = bytes[length - 1];
    const Modifier modifier = modifierFromParameter(count == 2 ? parameters[1] : 1);
    if (final == '~') {
        return extended(tildeKey(parameters[0]).code[modifier]);
    }
    if (final == 'Z' && count == 0) {
        return extended(15);  // Shift+Tab
    }
    return extended(letterKey(final).code[modifier]);
}

// A whole UTF-8 character: its Windows-1251 byte, or '?' where it has none.
int characterCode(const unsigned char* bytes, std::size_t length) {
    const int byte = unicodeToCp1251(decodeUtf8(bytes, length));
    return byte < 0 ? '?' : byte;
}

// Windows virtual keys.
constexpr unsigned short kVkClear = 0x0C;
constexpr unsigned short kVkPrior = 0x21;
constexpr unsigned short kVkDelete = 0x2E;
constexpr unsigned short kVkF1 = 0x70;
constexpr unsigned short kVkF12 = 0x7B;
constexpr unsigned short kVkNumpad0 = 0x60;
constexpr unsigned short kVkNumpad9 = 0x69;

// Page Up, Page Down, End, Home, Left, Up, Right, Down, then Insert and Delete.
KeyCodes cursorKey(unsigned short virtualKey) {
    switch (virtualKey) {
        case 0x21: return kPageUp;
        case 0x22: return kPageDown;
        case 0x23: return kEnd;
        case 0x24: return kHome;
        case 0x25: return kLeft;
        case 0x26: return kUp;
        case 0x27: return kRight;
        case 0x28: return kDown;
        case 0x2D: return kInsert;
        case 0x2E: return kDelete;
        default: return kNone;
    }
}

bool isCursorKey(unsigned short virtualKey) {
    return (virtualKey >= kVkPrior && virtualKey <= kVkDelete) &&
           cursorKey(virtualKey).code[kPlain] != kNoKey;
}

// The character of a punctuation key (US layout), or 0.
unsigned char punctuation(unsigned short virtualKey) {
    switch (virtualKey) {
        case 0xBA: return ';';
        case 0xBB: return '=';
        case 0xBC: return ',';
        case 0xBD: return '-';
        case 0xBE: return '.';
        case 0xBF: return '/';
        case 0xC0: return '`';
        case 0xDB: return '[';
        case 0xDC: return '\\';
        case 0xDD: return ']';
        case 0xDE: return '\'';
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

int takeKeyResult(int code, HeldKey& held) {
    if (code >= kExtendedKey) {
        held.pending = true;
        held.code = static_cast<unsigned char>(code & 0xFF);
        return 0;
    }
    return static_cast<signed char>(static_cast<unsigned char>(code));
}

bool takeHeldKey(HeldKey& held, int& result) {
    if (!held.pending) {
        return false;
    }
    held.pending = false;
    result = held.code;
    return true;
}

bool keySequenceWantsMore(const unsigned char* bytes, std::size_t length) {
    const unsigned char first = bytes[0];
    if (first >= 0xC0) {
        return length < utf8Length(first);
    }
    if (first != kEscape) {
        return false;
    }
    if (length == 1) {
        return true;
    }
    const unsigned char second = bytes[1];
    if (second == 'O') {
        return length < 3;
    }
    if (second != '[') {
        return false;  // Alt with a key
    }
    if (length == 2) {
        return true;
    }
    if (length == 3 && bytes[2] == '[') {
        return true;  // Linux console: ESC [ [ A
    }
    if (bytes[2] == 'M') {
        return length < 6;  // X10 mouse report: ESC [ M b x y
    }
    const unsigned char last = bytes[length - 1];
    return !(last >= 0x40 && last <= 0x7E);
}

int decodeTerminalKey(const unsigned char* bytes, std::size_t length) {
    const unsigned char first = bytes[0];
    if (first >= 0x80) {
        return length == utf8Length(first) && first >= 0xC0 ? characterCode(bytes, length) : '?';
    }
    if (first != kEscape) {
        if (length != 1) {
            return kNoKey;
        }
        if (first == 0x7F) {
            return '\b';  // Backspace
        }
        if (first == 0) {
            return extended(3);  // Ctrl+2
        }
        return first;
    }
    if (length == 1) {
        return kEscape;
    }
    const unsigned char second = bytes[1];
    if (second == '[' && length >= 3) {
        if (bytes[2] == 'M' || bytes[2] == '<' || bytes[2] == 'I' || bytes[2] == 'O') {
            return kNoKey;  // mouse and focus reports
        }
        return decodeControlSequence(bytes, length);
    }
    if (second == 'O' && length == 3) {
        if (bytes[2] == 'M') {
            return '\r';  // keypad Enter in application mode
        }
        return extended(letterKey(bytes[2]).code[kPlain]);
    }
    if (length == 2) {
        return altCode(second);
    }
    return kNoKey;
}

}  // namespace secant
