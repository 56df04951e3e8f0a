#include "platform/keys_terminal.hpp"

#include "platform/cp1251.hpp"
#include "platform/keys_table.hpp"

namespace secant {

namespace {

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

}  // namespace

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
