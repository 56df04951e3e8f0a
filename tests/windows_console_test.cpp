// Runs inside the Windows build only (under Wine on the build machine).
#include <gtest/gtest.h>

#include <string>

#include "app/texts.hpp"
#include "case_name.hpp"
#include "platform/windows/console_windows.hpp"

namespace secant {
namespace {

std::string converted(const char* text, unsigned codePage) {
    char buffer[kUtf8BufferSize];
    const std::size_t length = convertFromCp1251(text, codePage, buffer, sizeof buffer);
    return std::string(buffer, length);
}

struct CodePageCase {
    const char* name;
    unsigned codePage;
    std::string expected;
};

using testing::PrintTo;

class CodePageTest : public ::testing::TestWithParam<CodePageCase> {};

TEST_P(CodePageTest, ConvertsTheBannerExplicitly) {
    const CodePageCase& c = GetParam();
    EXPECT_EQ(converted(texts::kPressAnyKey.zeroTerminated(), c.codePage), c.expected);
}

const CodePageCase kCodePages[] = {
    {"Oem866", 866,
     "\x8D\xA0\xA6\xAC\xA8\xE2\xA5 \xAB\xEE\xA1\xE3\xEE \xAA\xAB\xA0\xA2\xA8\xE8\xE3"},
    {"Utf8", 65001, "Нажмите любую клавишу"},
    {"Koi8r", 20866,
     "\xEE\xC1\xD6\xCD\xC9\xD4\xC5 \xCC\xC0\xC2\xD5\xC0 \xCB\xCC\xC1\xD7\xC9\xDB\xD5"},
    {"UsOemHasNoCyrillic", 437, "??????? ????? ???????"},
};

INSTANTIATE_TEST_SUITE_P(Windows, CodePageTest, ::testing::ValuesIn(kCodePages),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Windows, ConversionKeepsAsciiAndStopsAtTheLimit) {
    EXPECT_EQ(converted("A()= x1", 866), "A()= x1");
    const std::string longText(150, 'a');
    EXPECT_EQ(converted(longText.c_str(), 65001).size(), kMaxTextBytes);
}

}  // namespace
}  // namespace secant
