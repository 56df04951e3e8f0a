#include "platform/keys.hpp"

#include <gtest/gtest.h>

#include <string>

#include "case_name.hpp"
#include "platform/keys_console.hpp"
#include "platform/keys_terminal.hpp"

namespace secant {
namespace {

struct TerminalKeyCase {
    const char* name;
    std::string bytes;
    int code;
};

using testing::PrintTo;

constexpr int ext(int code) {
    return kExtendedKey + code;
}

class TerminalKeyTest : public ::testing::TestWithParam<TerminalKeyCase> {};

// Feeding the bytes one at a time must take the whole sequence as one press.
TEST_P(TerminalKeyTest, DecodesTheWholeSequenceAsOnePress) {
    const TerminalKeyCase& c = GetParam();
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.bytes.data());
    std::size_t length = 1;
    while (length < c.bytes.size()) {
        ASSERT_TRUE(keySequenceWantsMore(bytes, length)) << "stopped after " << length;
        ++length;
    }
    // Only a lone ESC may still be the start of something longer.
    EXPECT_EQ(keySequenceWantsMore(bytes, length), c.bytes == "\x1b")
        << "waits beyond the sequence";
    EXPECT_EQ(decodeTerminalKey(bytes, length), c.code);
}

const TerminalKeyCase kTerminalKeys[] = {
    {"Letter", "a", 'a'},
    {"Enter", "\r", '\r'},
    {"CtrlC", "\x03", 3},
    {"Backspace", "\x7f", '\b'},
    {"CtrlSpace", std::string(1, '\0'), ext(3)},
    {"Escape", "\x1b", 27},
    {"Up", "\x1b[A", ext(72)},
    {"Down", "\x1b[B", ext(80)},
    {"Right", "\x1b[C", ext(77)},
    {"Left", "\x1b[D", ext(75)},
    {"UpApplicationMode", "\x1bOA", ext(72)},
    {"Home", "\x1b[H", ext(71)},
    {"EndVt", "\x1b[4~", ext(79)},
    {"Insert", "\x1b[2~", ext(82)},
    {"Delete", "\x1b[3~", ext(83)},
    {"PageUp", "\x1b[5~", ext(73)},
    {"PageDown", "\x1b[6~", ext(81)},
    {"F1", "\x1bOP", ext(59)},
    {"F4", "\x1bOS", ext(62)},
    {"F5", "\x1b[15~", ext(63)},
    {"F10", "\x1b[21~", ext(68)},
    {"F11", "\x1b[23~", ext(133)},
    {"F12", "\x1b[24~", ext(134)},
    {"LinuxConsoleF1", "\x1b[[A", ext(59)},
    {"ShiftF1", "\x1b[1;2P", ext(84)},
    {"CtrlF12", "\x1b[24;5~", ext(138)},
    {"AltF4", "\x1b[1;3S", ext(107)},
    {"ShiftUpIsUp", "\x1b[1;2A", ext(72)},
    {"CtrlUp", "\x1b[1;5A", ext(141)},
    {"AltUp", "\x1b[1;3A", ext(152)},
    {"AltWinsOverCtrl", "\x1b[1;7D", ext(155)},
    {"CtrlWinsOverShift", "\x1b[1;6C", ext(116)},
    {"CtrlDelete", "\x1b[3;5~", ext(147)},
    {"AltPageDown", "\x1b[6;3~", ext(161)},
    {"ShiftTab", "\x1b[Z", ext(15)},
    {"AltA",
     "\x1b"
     "a",
     ext(30)},
    {"AltShiftM", "\x1bM", ext(50)},
    {"AltDigit",
     "\x1b"
     "1",
     ext(120)},
    {"AltZero",
     "\x1b"
     "0",
     ext(129)},
    {"FocusIn", "\x1b[I", kNoKey},
    {"FocusOut", "\x1b[O", kNoKey},
    {"MouseSgr", "\x1b[<0;10;20M", kNoKey},
    {"MouseX10", "\x1b[M !!", kNoKey},
    {"PasteMark", "\x1b[200~", kNoKey},
    {"KeypadFiveHasNoCode", "\x1b[E", kNoKey},
    {"AltWithoutCode", "\x1b!", kNoKey},
    {"AltPunctuation", "\x1b;", ext(39)},
    {"AltQuote", "\x1b'", ext(40)},
    {"AltBackquote", "\x1b`", ext(41)},
    {"AltBackslash", "\x1b\\", ext(43)},
    {"AltComma", "\x1b,", ext(51)},
    {"AltPeriod", "\x1b.", ext(52)},
    {"AltEnter", "\x1b\r", ext(28)},
    {"AltTab", "\x1b\t", ext(165)},
    {"AltBackspace", "\x1b\x7f", ext(14)},
    {"AltEscape", "\x1b\x1b", ext(1)},
    {"AltCloseBracket", "\x1b]", ext(27)},
    {"HomeVt", "\x1b[1~", ext(71)},
    {"HomeRxvt", "\x1b[7~", ext(71)},
    {"EndRxvt", "\x1b[8~", ext(79)},
    {"F2", "\x1bOQ", ext(60)},
    {"F3", "\x1bOR", ext(61)},
    {"EndApplicationMode", "\x1bOF", ext(79)},
    {"KeypadEnter", "\x1bOM", '\r'},
    {"UnknownTilde", "\x1b[99~", kNoKey},
    {"ThreeParameters", "\x1b[1;2;3A", kNoKey},
    {"FourByteCharacter", "\xf0\x9f\x98\x80", '?'},
    {"CyrillicLetter", "\xd0\xaf", 0xDF},  // Я in Windows-1251
    {"CharacterWithoutWindowsByte", "\xe6\x97\xa5", '?'},
};

INSTANTIATE_TEST_SUITE_P(Keys, TerminalKeyTest, ::testing::ValuesIn(kTerminalKeys),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(KeyResult, ExtendedCodeGivesZeroThenItsLowByte) {
    HeldKey held;
    int next = -1;
    EXPECT_FALSE(takeHeldKey(held, next));
    EXPECT_EQ(takeKeyResult(ext(72), held), 0);
    ASSERT_TRUE(takeHeldKey(held, next));
    EXPECT_EQ(next, 72);
    EXPECT_FALSE(takeHeldKey(held, next));  // given once only
}

TEST(KeyResult, CharacterIsASignedByte) {
    HeldKey held;
    EXPECT_EQ(takeKeyResult('a', held), 'a');
    EXPECT_EQ(takeKeyResult(0xDF, held), -33);
    EXPECT_FALSE(held.pending);
}

}  // namespace
}  // namespace secant

namespace secant {
namespace {

constexpr unsigned long kAlt = kLeftAltPressed;
constexpr unsigned long kRightAlt = kRightAltPressed;
constexpr unsigned long kCtrl = kLeftCtrlPressed;
constexpr unsigned long kRightCtrl = kRightCtrlPressed;
constexpr unsigned long kShift = kShiftPressed;
constexpr unsigned long kGrey = kEnhancedKey;

struct ConsoleKeyCase {
    const char* name;
    unsigned short virtualKey;
    char character;
    unsigned long state;
    int code;
};

using testing::PrintTo;

class ConsoleKeyTest : public ::testing::TestWithParam<ConsoleKeyCase> {};

TEST_P(ConsoleKeyTest, MapsThePressToItsKeyboardCode) {
    const ConsoleKeyCase& c = GetParam();
    EXPECT_EQ(keyCodeFromConsoleEvent(c.virtualKey, c.character, c.state), c.code);
}

const ConsoleKeyCase kConsoleKeys[] = {
    // A character decides, whatever the modifiers.
    {"Letter", 'A', 'a', 0, 'a'},
    {"ShiftLetter", 'A', 'A', kShift, 'A'},
    {"Enter", 0x0D, '\r', 0, '\r'},
    {"CtrlC", 'C', '\x03', kCtrl, 3},
    {"AltLetterWithCharacter", 'A', 'a', kAlt, 'a'},
    {"CyrillicCharacter", 'Z', '\xDF', 0, 0xDF},
    // Cursor keys: grey and numeric pad with Num Lock off.
    {"Up", 0x26, 0, kGrey, ext(72)},
    {"PadUp", 0x26, 0, 0, ext(72)},
    {"Down", 0x28, 0, kGrey, ext(80)},
    {"Left", 0x25, 0, kGrey, ext(75)},
    {"Right", 0x27, 0, kGrey, ext(77)},
    {"Home", 0x24, 0, kGrey, ext(71)},
    {"End", 0x23, 0, kGrey, ext(79)},
    {"PageUp", 0x21, 0, kGrey, ext(73)},
    {"PageDown", 0x22, 0, kGrey, ext(81)},
    {"Insert", 0x2D, 0, kGrey, ext(82)},
    {"Delete", 0x2E, 0, kGrey, ext(83)},
    {"PadDelete", 0x2E, 0, 0, ext(83)},
    {"ShiftUp", 0x26, 0, kShift | kGrey, ext(72)},
    {"CtrlUp", 0x26, 0, kCtrl | kGrey, ext(141)},
    {"RightCtrlDown", 0x28, 0, kRightCtrl | kGrey, ext(145)},
    {"CtrlLeft", 0x25, 0, kCtrl | kGrey, ext(115)},
    {"CtrlPageUp", 0x21, 0, kCtrl | kGrey, ext(132)},
    {"CtrlPadHome", 0x24, 0, kCtrl, ext(119)},
    {"AltUp", 0x26, 0, kAlt | kGrey, ext(152)},
    {"AltDelete", 0x2E, 0, kAlt | kGrey, ext(163)},
    {"AltOverCtrl", 0x25, 0, kAlt | kCtrl | kGrey, ext(155)},
    {"CtrlOverShift", 0x27, 0, kCtrl | kShift | kGrey, ext(116)},
    {"AltPadUpTypesACode", 0x26, 0, kAlt, kNoKey},
    {"AltPadDigit", 0x64, 0, kAlt | kNumLockOn, kNoKey},
    {"PadFive", 0x0C, 0, 0, kNoKey},
    // Function keys.
    {"F1", 0x70, 0, 0, ext(59)},
    {"F10", 0x79, 0, 0, ext(68)},
    {"F11", 0x7A, 0, 0, ext(133)},
    {"F12", 0x7B, 0, 0, ext(134)},
    {"ShiftF1", 0x70, 0, kShift, ext(84)},
    {"ShiftF12", 0x7B, 0, kShift, ext(136)},
    {"CtrlF5", 0x74, 0, kCtrl, ext(98)},
    {"CtrlF11", 0x7A, 0, kCtrl, ext(137)},
    {"AltF4", 0x73, 0, kAlt, ext(107)},
    {"RightAltF12", 0x7B, 0, kRightAlt, ext(140)},
    {"AltCtrlShiftF2", 0x71, 0, kAlt | kCtrl | kShift, ext(105)},
    // Letters, digits and punctuation without a character.
    {"LetterWithoutCharacter", 'Q', 0, 0, 0},
    {"ShiftLetterWithoutCharacter", 'Q', 0, kShift, kNoKey},
    {"CtrlLetter", 'Z', 0, kCtrl, 26},
    {"AltLetter", 'Q', 0, kAlt, ext(16)},
    {"AltM", 'M', 0, kRightAlt, ext(50)},
    {"AltOne", '1', 0, kAlt, ext(120)},
    {"AltNine", '9', 0, kAlt, ext(128)},
    {"AltZero", '0', 0, kAlt, ext(129)},
    {"CtrlTwo", '2', 0, kCtrl, ext(3)},
    {"CtrlSix", '6', 0, kCtrl, 0x1E},
    {"CtrlOne", '1', 0, kCtrl, kNoKey},
    {"CtrlZero", '0', 0, kCtrl, kNoKey},
    {"DigitWithoutCharacter", '5', 0, 0, kNoKey},
    {"AltMinus", 0xBD, 0, kAlt, ext(130)},
    {"AltEquals", 0xBB, 0, kAlt, ext(131)},
    {"AltSemicolon", 0xBA, 0, kAlt, ext(39)},
    {"AltBracket", 0xDB, 0, kAlt, ext(26)},
    {"AltSlash", 0xBF, 0, kAlt, ext(53)},
    {"CtrlBracket", 0xDB, 0, kCtrl, 0x1B},
    {"CtrlBackslash", 0xDC, 0, kCtrl, 0x1C},
    {"CtrlCloseBracket", 0xDD, 0, kCtrl, 0x1D},
    {"CtrlMinus", 0xBD, 0, kCtrl, 0x1F},
    {"CtrlSlash", 0xBF, 0, kCtrl, kNoKey},
    {"CtrlEquals", 0xBB, 0, kCtrl, kNoKey},
    {"CtrlSemicolon", 0xBA, 0, kCtrl, kNoKey},
    {"CtrlQuote", 0xDE, 0, kCtrl, kNoKey},
    {"CtrlComma", 0xBC, 0, kCtrl, kNoKey},
    {"CtrlPeriod", 0xBE, 0, kCtrl, kNoKey},
    {"CtrlBackquote", 0xC0, 0, kCtrl, kNoKey},
    {"PunctuationWithoutModifier", 0xBC, 0, 0, kNoKey},
    // Keys that never end the wait alone.
    {"Shift", 0x10, 0, kShift, kNoKey},
    {"Ctrl", 0x11, 0, kCtrl, kNoKey},
    {"Alt", 0x12, 0, kAlt, kNoKey},
    {"CapsLock", 0x14, 0, 0, kNoKey},
    {"NumLock", 0x90, 0, kNumLockOn, kNoKey},
    {"ScrollLock", 0x91, 0, 0, kNoKey},
    {"Pause", 0x13, 0, 0, kNoKey},
    {"LeftWindows", 0x5B, 0, 0, kNoKey},
    {"RightWindows", 0x5C, 0, 0, kNoKey},
    {"Menu", 0x5D, 0, 0, kNoKey},
};

INSTANTIATE_TEST_SUITE_P(Keys, ConsoleKeyTest, ::testing::ValuesIn(kConsoleKeys),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant
