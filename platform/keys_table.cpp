#include "platform/keys_table.hpp"

#include <array>

namespace secant {

namespace {

// Scan codes of the letter keys A to Z, for Alt with a letter.
constexpr std::array<int, 26> kLetterScan = {30, 48, 46, 32, 18, 33, 34, 35, 23, 36, 37, 38, 50,
                                             49, 24, 25, 16, 19, 31, 20, 22, 47, 17, 45, 21, 44};

}  // namespace

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

}  // namespace secant
