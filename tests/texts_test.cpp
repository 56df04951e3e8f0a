#include "app/texts.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/cp1251.hpp"

namespace secant {
namespace {

std::string toUtf8(const char* text) {
    char buffer[kUtf8BufferSize];
    cp1251ToUtf8(text, buffer, sizeof buffer);
    return buffer;
}

struct TextCase {
    const char* name;
    const char* stored;
    std::size_t bytes;
    const char* utf8;
};

const TextCase kTexts[] = {
    {"Banner", texts::kBanner.zeroTerminated(), 73,
     "Программа демонстрирует решение алгебраического уравнения методом секущих"},
    {"OrderPrompt", texts::kOrderPrompt.zeroTerminated(), 27, "Задайте порядок уравнения: "},
    {"CoefficientsPrompt", texts::kCoefficientsPrompt.zeroTerminated(), 43,
     "Задайте коэффициенты полинома через пробел:"},
    {"CoefficientsOrder", texts::kCoefficientsOrder.zeroTerminated(), 47,
     "от a0 при X в N-ой степени до aN свободный член"},
    {"Prefix", texts::kCoefficientsPrefix, 5, "A()= "},
    {"RootsHeader", texts::kRootsHeader.zeroTerminated(), 16, "Корни полинома: "},
    {"PressAnyKey", texts::kPressAnyKey.zeroTerminated(), 21, "Нажмите любую клавишу"},
    // The picture's texts go back to UTF-8 for the file.
    {"PictureTitle", texts::kPictureTitle.zeroTerminated(), 23, "Итерации метода секущих"},
};

class TextTest : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextTest, IsStoredAsWindows1251AndShownAsWritten) {
    const TextCase& c = GetParam();
    EXPECT_EQ(std::strlen(c.stored), c.bytes);
    EXPECT_EQ(toUtf8(c.stored), c.utf8);
}

INSTANTIATE_TEST_SUITE_P(Dialogue, TextTest, ::testing::ValuesIn(kTexts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Cp1251, LettersHaveTheirWindowsBytes) {
    // П р ... in Windows-1251: 0xCF 0xF0; Ё and ё stand apart from the alphabet.
    EXPECT_EQ(static_cast<unsigned char>(texts::kBanner.zeroTerminated()[0]), 0xCF);
    EXPECT_EQ(static_cast<unsigned char>(texts::kBanner.zeroTerminated()[1]), 0xF0);
    EXPECT_EQ(cp1251ToUnicode(0xA8), U'Ё');
    EXPECT_EQ(cp1251ToUnicode(0xB8), U'ё');
    EXPECT_EQ(unicodeToCp1251(U'я'), 0xFF);
    EXPECT_EQ(unicodeToCp1251(U'€'), 0x88);
    EXPECT_EQ(unicodeToCp1251(U'日'), -1);
}

TEST(Cp1251, EveryByteRoundTrips) {
    for (int byte = 0x01; byte <= 0xFF; ++byte) {
        if (byte == 0x98) {
            continue;  // no character
        }
        EXPECT_EQ(unicodeToCp1251(cp1251ToUnicode(static_cast<unsigned char>(byte))), byte);
    }
}

TEST(Cp1251, ThreeByteCharactersAndAnEmptyBuffer) {
    EXPECT_EQ(toUtf8("\x88\xB9\x97"), "€№—");
    char none[1] = {'x'};
    EXPECT_EQ(cp1251ToUtf8("abc", none, 0), 0U);
    EXPECT_EQ(none[0], 'x');
}

TEST(Cp1251, ConversionStopsAtTheTextLimitAndTheBuffer) {
    const std::string longText(150, '\xC0');  // 150 times А
    char buffer[kUtf8BufferSize];
    EXPECT_EQ(cp1251ToUtf8(longText.c_str(), buffer, sizeof buffer), 2 * kMaxTextBytes);
    char small[6];
    EXPECT_EQ(cp1251ToUtf8(longText.c_str(), small, sizeof small), 4U);  // two whole letters
    EXPECT_EQ(std::string(small), "АА");
}

}  // namespace
}  // namespace secant
