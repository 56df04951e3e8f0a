#include "platform/keys.hpp"

#include <gtest/gtest.h>

#include <string>

namespace secant {
namespace {

struct TerminalKeyCase {
    const char* name;
    std::string bytes;
    int code;
};

void PrintTo(const TerminalKeyCase& c, std::ostream* os) {
    *os << c.name;
}

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
    EXPECT_FALSE(held.held);
}

}  // namespace
}  // namespace secant
