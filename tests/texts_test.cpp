#include "app/texts.hpp"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/output.hpp"
#include "app/svg.hpp"
#include "case_name.hpp"
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

namespace secant {
namespace {

using testing::PrintTo;

// The words that agree with a count, for every count a message can show
// (the roots and groups of an equation of order 9 at most, the passes and
// steps of the searches), and where Russian changes form beyond.
struct AgreementCase {
    int count;
    const char* inThese;  // "в этих ... кругах"
    const char* roots;
    const char* iterations;  // "за N ..."
    const char* circles;     // "с ... x2"
    const char* throughThem;
};

const AgreementCase kAgreements[] = {
    {0, "нуле", "корней", "итераций", "кругами", "них"},
    {1, "одном", "корень", "итерацию", "кругом", "него"},
    {2, "двух", "корня", "итерации", "кругами", "них"},
    {3, "трёх", "корня", "итерации", "кругами", "них"},
    {4, "четырёх", "корня", "итерации", "кругами", "них"},
    {5, "пяти", "корней", "итераций", "кругами", "них"},
    {6, "шести", "корней", "итераций", "кругами", "них"},
    {7, "семи", "корней", "итераций", "кругами", "них"},
    {8, "восьми", "корней", "итераций", "кругами", "них"},
    {9, "девяти", "корней", "итераций", "кругами", "них"},
    {10, "", "корней", "итераций", "кругами", "них"},
    {11, "", "корней", "итераций", "кругами", "них"},
    {12, "", "корней", "итераций", "кругами", "них"},
    {14, "", "корней", "итераций", "кругами", "них"},
    {21, "", "корень", "итерацию", "кругом", "них"},
    {22, "", "корня", "итерации", "кругами", "них"},
    {25, "", "корней", "итераций", "кругами", "них"},
    {100, "", "корней", "итераций", "кругами", "них"},
    {101, "", "корень", "итерацию", "кругом", "них"},
    {111, "", "корней", "итераций", "кругами", "них"},
    {112, "", "корней", "итераций", "кругами", "них"},
    {10000, "", "корней", "итераций", "кругами", "них"},
    {-1, "", "корней", "итераций", "кругами", "них"},  // no count: the many form
};

class AgreementTest : public ::testing::TestWithParam<AgreementCase> {};

TEST_P(AgreementTest, EachWordTakesTheFormOfItsCount) {
    const AgreementCase& c = GetParam();
    using texts::agreed;
    using texts::Counted;
    EXPECT_EQ(utf8Text(agreed(Counted::InThese, c.count)), c.inThese);
    EXPECT_EQ(utf8Text(agreed(Counted::Roots, c.count)), c.roots);
    EXPECT_EQ(utf8Text(agreed(Counted::Iterations, c.count)), c.iterations);
    EXPECT_EQ(utf8Text(agreed(Counted::Circles, c.count)), c.circles);
    EXPECT_EQ(utf8Text(agreed(Counted::ThroughThem, c.count)), c.throughThem);
}

INSTANTIATE_TEST_SUITE_P(Texts, AgreementTest, ::testing::ValuesIn(kAgreements),
                         [](const auto& info) {
                             const int count = info.param.count;
                             return count < 0 ? std::string("None") : std::to_string(count);
                         });

constexpr auto kPlain = cp1251(u8"без значений");
constexpr auto kTwo = cp1251(u8"корень x{}: {}");
constexpr auto kBraces = cp1251(u8"{ и } стоят {}{}");
constexpr auto kLines = cp1251(u8"строка {}\nещё строка\n");

struct FillCase {
    const char* name;
    std::string filled;
    const char* expected;
};

// Filled before the tests run: each value lives as long as the expression.
const FillCase kFills[] = {
    {"NoValues", utf8Text(kPlain), "без значений"},
    {"ValuesInOrder", utf8Text(kTwo, 3, texts::kOverflow), "корень x3: переполнение"},
    {"ANumberAndAString", utf8Text(kTwo, 1.5, std::string("a b")), "корень x1.5: a b"},
    {"AMissingValueLeavesItsPlaceholder", utf8Text(kTwo, 7), "корень x7: {}"},
    {"ExtraValuesAreLeftOut", utf8Text(kTwo, 1, 2, 3), "корень x1: 2"},
    {"LoneBracesStay", utf8Text(kBraces, "a", 'b'), "{ и } стоят ab"},
    {"LineEnds", utf8Text(kLines, 2), "строка 2\nещё строка\n"},
    {"UserText", utf8Text(kTwo, 0, Escaped{"\x1b[2J", UserBytes::Utf8}), "корень x0: \\x1b[2J"},
    {"RootNames", utf8Text(kTwo, 2, RootNames{0x26}), "корень x2: x1, x2, x5"},
    {"NoRootNames", utf8Text(kTwo, 2, RootNames{}), "корень x2: "},
    {"AWholeMessage",
     utf8Text(texts::kDiskGroupThrough, texts::agreed(texts::Counted::Circles, 1), RootNames{4},
              texts::agreed(texts::Counted::ThroughThem, 1),
              texts::agreed(texts::Counted::Circles, 2), RootNames{0x18},
              texts::agreed(texts::Counted::InThese, 4), 4,
              texts::agreed(texts::Counted::Roots, 4)),
     "; круг пересекается с кругом x2, а через него связан с кругами x3, x4: в этих четырёх "
     "кругах 4 корня"},
};

class FillTest : public ::testing::TestWithParam<FillCase> {};

TEST_P(FillTest, PlaceholdersTakeTheValuesInOrder) {
    EXPECT_EQ(GetParam().filled, GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Texts, FillTest, ::testing::ValuesIn(kFills),
                         [](const auto& info) { return std::string(info.param.name); });

// What the console's conversion was given, piece by piece.
std::vector<std::string> pieces;

void recordPiece(std::ostream& out, const char* text) {
    pieces.emplace_back(text);
    out << toUtf8(text);
}

TEST(Texts, ALongTextReachesTheConsoleInPiecesItTakes) {
    pieces.clear();
    std::ostringstream out;
    fillText(out, &recordPiece, texts::kFoundFromOtherStartsAtFloor, {2, Text(texts::kOverflow)});
    EXPECT_EQ(out.str(),
              "Внимание: для корня x2 поиск из точек (0, 0) и (1, 1) прерван: переполнение; "
              "корень найден из других начальных точек, где P(x) неотличим от нуля в одинарной "
              "точности");
    ASSERT_GE(pieces.size(), 3U);
    for (const std::string& piece : pieces) {
        EXPECT_LE(piece.size(), kMaxTextBytes);
        EXPECT_FALSE(piece.empty());
    }
}

struct EscapeCase {
    const char* name;
    std::string_view text;
    UserBytes bytes;
    const char* shown;
};

const EscapeCase kEscapes[] = {
    {"Printable", "7 8 ж €", UserBytes::Utf8, "7 8 ж €"},
    {"Controls", "a\tb\nc\rd\x1b[2J\x7f", UserBytes::Utf8, "a\\tb\\nc\\rd\\x1b[2J\\x7f"},
    {"ZeroByte", std::string_view("a\0b", 3), UserBytes::Utf8, "a\\x00b"},
    {"InvalidBytes", "\xff\xfe", UserBytes::Utf8, "\\xff\\xfe"},
    {"LoneContinuation", "a\x80z", UserBytes::Utf8, "a\\x80z"},
    {"TruncatedAtTheEnd", "ж\xd0", UserBytes::Utf8, "ж\\xd0"},
    {"TruncatedBeforeAnother", "\xe2\x82ж", UserBytes::Utf8, "\\xe2\\x82ж"},
    {"Overlong", "\xc0\xaf\xe0\x80\xaf\xf0\x80\x80\xaf", UserBytes::Utf8,
     "\\xc0\\xaf\\xe0\\x80\\xaf\\xf0\\x80\\x80\\xaf"},
    {"Surrogate", "\xed\xa0\x80", UserBytes::Utf8, "\\xed\\xa0\\x80"},
    {"BeyondUnicode", "\xf4\x90\x80\x80\xf5", UserBytes::Utf8, "\\xf4\\x90\\x80\\x80\\xf5"},
    {"LargestCharacters", "\xed\x9f\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf", UserBytes::Utf8,
     "\xed\x9f\xbf\xef\xbf\xbf\xf4\x8f\xbf\xbf"},
    {"FourBytes", "\xf0\x9f\x98\x80", UserBytes::Utf8, "\xf0\x9f\x98\x80"},
    // The first and the last C1 control escaped, the character after them not.
    {"C1Controls", "\xc2\x80\xc2\x9b\xc2\x9f\xc2\xa0", UserBytes::Utf8,
     "\\xc2\\x80\\xc2\\x9b\\xc2\\x9f\xc2\xa0"},
    // In a console's code page every byte but a control character is one.
    {"CodePageBytes", "\xa6\xe0\xff\x9b", UserBytes::CodePage, "\xa6\xe0\xff\x9b"},
    {"CodePageControls", "a\tb\x1b\x7f", UserBytes::CodePage, "a\\tb\\x1b\\x7f"},
};

class EscapeTest : public ::testing::TestWithParam<EscapeCase> {};

TEST_P(EscapeTest, NoByteActsOnTheTerminal) {
    const EscapeCase& c = GetParam();
    std::ostringstream out;
    out << Escaped{c.text, c.bytes};
    EXPECT_EQ(out.str(), c.shown);
}

INSTANTIATE_TEST_SUITE_P(Texts, EscapeTest, ::testing::ValuesIn(kEscapes),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace secant

namespace secant {
namespace {

RootDisk diskOf(const char* radiusText, double radius, bool byRootBound) {
    RootDisk disk;
    disk.kind = DiskKind::SinglePoint;
    disk.radiusText = radiusText;
    disk.radius = radius;
    disk.byRootBound = byRootBound;
    return disk;
}

// Each text of the picture's legend, with its values, in UTF-8.
TEST(Texts, ThePictureSaysWhatItShows) {
    IteratePicture picture;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    picture.searchCount = 5;
    picture.rootCount = 5;
    for (int k = 1; k <= 5; ++k) {
        picture.searches[k].points = {{0, 0}, {1, 1}, {0.5F, 0.5F}};
        picture.searches[k].iterations = k + 1;
        picture.roots[k] = {0.5F, 0.5F};
    }
    picture.searches[2].abandoned = {{{0, 0}, {1, 1}}};
    picture.searches[2].points.push_back({nan, 0});
    picture.disks[1] = diskOf("1", 1, false);
    picture.disks[2] = diskOf("1e-09", 1e-9, false);  // drawn larger than it is
    picture.disks[3] = diskOf("100", 100, true);
    picture.disks[4] = diskOf("1e-09", 1e-9, true);
    picture.refined[1] = diskOf("0", 0, false);
    picture.refined[1].multiplicity = 2;
    picture.refined[1].group = 1;
    picture.refinedCount = 1;
    const std::string svg = renderSvg(picture);
    for (const char* text : {
             "<title>Итерации метода секущих</title>",
             ">Поиск корня: проходов</text>",
             ">x1: 2</text>",
             ">x2: 3; оставлено поисков: 1</text>",
             ">круг радиуса 1</text>",
             ">круг радиуса 1e-09, увеличен</text>",
             ">круг радиуса 100 по оценке модулей корней</text>",
             ">круг радиуса 1e-09 по оценке модулей корней, увеличен</text>",
             ">x5: 6</text>",
             ">круг с корнем не найден</text>",
             ">не показано точек inf/nan: 1</text>",
             ">кратность 2</text>",
             ">Крестик: корень, уточнённый в двойной</text>",
             ">точности по введённым коэффициентам</text>",
             ">Бледный пунктир: поиск, который</text>",
             ">оставлен без корня</text>",
             ">Пунктир: круг слишком мал</text>",
             ">для этого масштаба и показан крупнее</text>",
         }) {
        EXPECT_NE(svg.find(text), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace secant
