#include "app/dialogue.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>

#include "case_name.hpp"
#include "platform/cp1251.hpp"
#include "platform/input_buffer.hpp"
#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/polynomial.hpp"

namespace secant {
namespace {

const char* const kHead =
    "Программа демонстрирует решение алгебраического уравнения методом секущих\n"
    "Задайте порядок уравнения: "
    "Задайте коэффициенты полинома через пробел:\n"
    "от a0 при X в N-ой степени до aN свободный член\n"
    "A()= \n";
const char* const kHeader = "Корни полинома: \n";
const char* const kPressAnyKey = "Нажмите любую клавишу";

// The key source: records what the output showed when the wait began.
std::ostringstream* watchedOutput = nullptr;
int keyWaits = 0;
std::string shownAtKeyWait;

int fakeKey() {
    ++keyWaits;
    shownAtKeyWait = watchedOutput->str();
    return 'q';
}

struct DialogueRun {
    int status;
    std::string out;
    std::string err;
    std::string unread;
};

DialogueRun runOn(std::istream& in) {
    establishNumericEnvironment();
    coefficientTable = CoefficientTable{};
    std::ostringstream out;
    std::ostringstream err;
    watchedOutput = &out;
    keyWaits = 0;
    shownAtKeyWait.clear();
    Console console{in, out, err, &printUtf8, &fakeKey, nullptr};
    DialogueRun run;
    run.status = runDialogue(console);
    if (!in.bad()) {  // after a read error, reading on would fail again
        in.clear();
        run.unread.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    run.out = out.str();
    run.err = err.str();
    return run;
}

DialogueRun runWith(const std::string& input) {
    std::istringstream in(input);
    return runOn(in);
}

struct DialogueCase {
    const char* name;
    const char* input;
    const char* listing;  // the lines between the header and the key prompt
    const char* unread;
    const char* warning = "";  // standard error
};

using testing::PrintTo;

class DialogueTest : public ::testing::TestWithParam<DialogueCase> {};

TEST_P(DialogueTest, ShowsTheRootsAndWaitsForOneKey) {
    const DialogueCase& c = GetParam();
    const DialogueRun run = runWith(c.input);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, std::string(kHead) + kHeader + c.listing + kPressAnyKey);
    EXPECT_EQ(run.err, c.warning);
    EXPECT_EQ(run.unread, c.unread);
    EXPECT_EQ(keyWaits, 1);
    EXPECT_EQ(shownAtKeyWait, run.out);  // everything was written before the wait
}

const DialogueCase kDialogues[] = {
    {"TwoRealRoots", "2\n1 -3 2\n", "x1=1 -5.93766e-08i\nx2=2 0i\n", "\n"},
    {"OneLine", "2 1 -3 2", "x1=1 -5.93766e-08i\nx2=2 0i\n", ""},
    {"Linear", "1\n1 -2\n", "x1=2 0i\n", "\n"},
    // The rest of the last coefficient's line is named; the next line is not read.
    {"TokensAfterTheLastCoefficientAreNamed", "1\n1 -2 7\t8 \n9\n", "x1=2 0i\n", "\n9\n",
     "Внимание: после коэффициента a1 в строке осталось непрочитанным: 7\\t8\n"},
    {"OrderZeroReadsOneCoefficient", "0\n5 6\n", "", "\n",
     "Внимание: после коэффициента a0 в строке осталось непрочитанным: 6\n"},
    // At most 60 bytes of it, cut before a character that is not there whole.
    {"ALongRestIsCut", "1\n1 -2 жжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжжж\n", "x1=2 0i\n", "\n",
     "Внимание: после коэффициента a1 в строке осталось непрочитанным: "
     "жжжжжжжжжжжжжжжжжжжжжжжжжжжжж...\n"},
    {"BlanksAfterTheLastCoefficientAreNothing", "1\n1 -2 \t\r\n", "x1=2 0i\n", "\n"},
    {"ByteOrderMarkBeforeTheOrder",
     "\xEF\xBB\xBF"
     "1\n1 -2\n",
     "x1=2 0i\n", "\n"},
    {"NegativeOrderReadsNothing", "-3\n5\n", "", "\n5\n"},
    {"ImaginaryRoots", "2\n1 0 1\n", "x1=8.70787e-08 1i\nx2=-8.9407e-08 -1i\n", "\n"},
    {"ComplexCoefficients", "1\n(1,0) (0,-1)\n", "x1=0 1i\n", "\n"},
};

INSTANTIATE_TEST_SUITE_P(Dialogue, DialogueTest, ::testing::ValuesIn(kDialogues),
                         [](const auto& info) { return std::string(info.param.name); });

// Standard input that gives a text and then cannot be read.
const char* readableText = "";
bool textGiven = false;

long readThenFail(char* into, std::size_t capacity) {
    const std::size_t size = std::min(capacity, std::strlen(readableText));
    if (textGiven || size == 0) {
        return -1;
    }
    textGiven = true;
    std::memcpy(into, readableText, size);
    return static_cast<long>(size);
}

TEST(Dialogue, ReadErrorIsNoEndOfInput) {
    // Before the order, inside it, before a coefficient, inside one and inside a pair.
    for (const char* text : {"", "2", "2\n1 -3 ", "2\n1 -3", "2\n1 (2,"}) {
        readableText = text;
        textGiven = false;
        InputBuffer buffer(&readThenFail);
        std::istream in(&buffer);
        const DialogueRun run = runOn(in);
        EXPECT_EQ(run.status, 1) << text;
        EXPECT_EQ(run.err, "Ошибка: не удалось прочитать ввод программы\n") << text;
        EXPECT_EQ(keyWaits, 1);
    }
}

TEST(Dialogue, PartOfAByteOrderMarkIsNoOrder) {
    for (const char* input : {"\xEF",
                              "\xEF\xBB"
                              "2\n1 -2\n",
                              "\xBB\xBF"
                              "1\n1 -2\n"}) {
        const DialogueRun run = runWith(input);
        EXPECT_EQ(run.status, 1) << input;
        EXPECT_EQ(run.err, "Ошибка: порядок уравнения должен быть целым числом\n") << input;
    }
}

TEST(Dialogue, OrderAboveNineIsRefusedWithoutReadingCoefficients) {
    for (const char* order : {"10", "99999999999"}) {
        const DialogueRun run = runWith(std::string(order) + " 1 2 3\n");
        EXPECT_EQ(run.status, 1) << order;
        EXPECT_EQ(run.err, "Ошибка: порядок уравнения не может быть больше 9\n") << order;
        EXPECT_EQ(keyWaits, 1);
        EXPECT_EQ(run.unread, " 1 2 3\n") << order;
    }
}

}  // namespace
}  // namespace secant

namespace secant {
namespace {

// A terminal shared by standard output and standard error. Output is held in
// a buffer until flushed, as a block-buffered stream would hold it; error
// text goes straight through.
class ScreenBuffer : public std::streambuf {
public:
    ScreenBuffer(std::string& screen, bool buffered) : screen_(screen), buffered_(buffered) {
        if (buffered_) {
            setp(held_, held_ + sizeof held_);
        }
    }

protected:
    int_type overflow(int_type c) override {
        sync();
        if (c != traits_type::eof()) {
            if (buffered_) {
                *pptr() = traits_type::to_char_type(c);
                pbump(1);
            } else {
                screen_.push_back(traits_type::to_char_type(c));
            }
        }
        return traits_type::not_eof(c);
    }

    int sync() override {
        screen_.append(pbase(), pptr());
        setp(held_, held_ + sizeof held_);
        return 0;
    }

private:
    std::string& screen_;
    bool buffered_;
    char held_[4096] = {};
};

int noKey() {
    return -1;
}

// Counts the waits and records what standard error showed when one began.
std::ostringstream* watchedErrors = nullptr;
std::string errorsShownAtKeyWait;

int countedNoKey() {
    ++keyWaits;
    errorsShownAtKeyWait = watchedErrors != nullptr ? watchedErrors->str() : "";
    return -1;
}

std::string screenAfter(const char* input) {
    establishNumericEnvironment();
    coefficientTable = CoefficientTable{};
    std::string screen;
    ScreenBuffer outBuffer(screen, true);
    ScreenBuffer errBuffer(screen, false);
    std::ostream out(&outBuffer);
    std::ostream err(&errBuffer);
    std::istringstream in(input);
    Console console{in, out, err, &printUtf8, &noKey, nullptr};
    EXPECT_EQ(runDialogue(console), 1);
    out.flush();
    return screen;
}

TEST(Dialogue, ErrorLineFollowsEverythingWrittenBefore) {
    EXPECT_EQ(screenAfter("2.5\n"),
              "Программа демонстрирует решение алгебраического уравнения методом секущих\n"
              "Задайте порядок уравнения: "
              "Ошибка: порядок уравнения должен быть целым числом\n"
              "Нажмите любую клавишу");
    EXPECT_EQ(screenAfter("2\n1 2,5 3\n"),
              std::string(kHead) +
                  "Ошибка: коэффициент a1 задан неверно: дробную часть отделяют точкой\n" +
                  kPressAnyKey);
}

TEST(Dialogue, FlagsRaisedBeforeTheSearchAreNotItsOwn) {
    establishNumericEnvironment();
    volatile float huge = 3e38F;
    volatile float product = toSingle(widen(huge) * widen(10.0F));  // leaves overflow raised
    (void)product;
    ASSERT_TRUE(raisedArithmeticFlags().overflow);
    coefficientTable = CoefficientTable{};
    std::istringstream in("1\n1 -2\n");
    std::ostringstream out;
    std::ostringstream err;
    Console console{in, out, err, &printUtf8, &noKey, nullptr};
    EXPECT_EQ(runDialogue(console), 0);
    EXPECT_EQ(err.str(), "");
    EXPECT_NE(out.str().find("x1=2 0i\n"), std::string::npos);
}

struct FailureCase {
    const char* name;
    const char* input;
    const char* error;
};

using testing::PrintTo;

class DialogueFailureTest : public ::testing::TestWithParam<FailureCase> {};

TEST_P(DialogueFailureTest, ReportsOnStandardErrorAndStillWaitsForTheKey) {
    const FailureCase& c = GetParam();
    const DialogueRun run = runWith(c.input);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, c.error);
    EXPECT_EQ(keyWaits, 1);
    EXPECT_TRUE(run.out.ends_with(kPressAnyKey));
}

const FailureCase kFailures[] = {
    {"CommaInsideParenthesesIsAPair", "1\n(2,5) 1e39\n",
     "Ошибка: коэффициент a1 слишком велик по модулю\n"},
    {"ParenthesisedThenGarbage", "1\n(1,2)x 3\n", "Ошибка: коэффициент a1 задан неверно\n"},
    {"PlusSignAlone", "+\n", "Ошибка: порядок уравнения должен быть целым числом\n"},
    {"NegativeZeroLeading", "1\n(-0,-0) 1\n", "Ошибка: старший коэффициент a0 равен нулю\n"},
    {"EndsAfterWhitespace", "3\n1 2 \n \n", "Ошибка: ввод закончился, коэффициент a2 не задан\n"},
    {"ImaginaryTooLarge", "1\n1 (0,-1e40)\n", "Ошибка: коэффициент a1 слишком велик по модулю\n"},
};

INSTANTIATE_TEST_SUITE_P(Dialogue, DialogueFailureTest, ::testing::ValuesIn(kFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// A file write that fails as told, remembering that it was asked.
FileWriteResult failingWrite = {};
int writesAsked = 0;

FileWriteResult fakeWrite(const char* /*path*/, std::string_view /*content*/) {
    ++writesAsked;
    return failingWrite;
}

struct PictureCase {
    const char* name;
    FileWriteResult result;
    const char* error;  // after the file name
};

class PictureFailureTest : public ::testing::TestWithParam<PictureCase> {};

TEST_P(PictureFailureTest, SaysWhyAfterTheRootsAndEndsWithStatusOne) {
    const PictureCase& c = GetParam();
    establishNumericEnvironment();
    coefficientTable = CoefficientTable{};
    failingWrite = c.result;
    writesAsked = 0;
    std::istringstream in("1\n1 -2\n");
    std::ostringstream out;
    std::ostringstream err;
    Console console{in, out, err, &printUtf8, &noKey, &fakeWrite};
    DialogueOptions options;
    options.svgPath = "p.svg";
    EXPECT_EQ(runDialogue(console, options), c.result.written() ? 0 : 1);
    EXPECT_EQ(writesAsked, 1);
    EXPECT_EQ(err.str(), c.error);
    EXPECT_EQ(out.str(), std::string(kHead) + kHeader + "x1=2 0i\n" + kPressAnyKey);
}

const PictureCase kPictureFailures[] = {
    {"Written", {}, ""},
    {"NotRegularFile",
     {FileWriteError::NotRegularFile, 0},
     "Ошибка: рисунок можно записать только в обычный файл: p.svg\n"},
    {"NoSuchFolder",
     {FileWriteError::NoSuchFolder, 2},
     "Ошибка: не удалось записать рисунок в файл p.svg: нет такой папки\n"},
    {"AccessDenied",
     {FileWriteError::AccessDenied, 13},
     "Ошибка: не удалось записать рисунок в файл p.svg: доступ запрещён\n"},
    {"NoSpace",
     {FileWriteError::NoSpace, 28},
     "Ошибка: не удалось записать рисунок в файл p.svg: нет места на диске\n"},
    {"NameTooLong",
     {FileWriteError::NameTooLong, 36},
     "Ошибка: не удалось записать рисунок в файл p.svg: слишком длинное имя\n"},
    {"ReadOnly",
     {FileWriteError::ReadOnlyFileSystem, 30},
     "Ошибка: не удалось записать рисунок в файл p.svg: файловая система только для чтения\n"},
    {"Other",
     {FileWriteError::Other, 5},
     "Ошибка: не удалось записать рисунок в файл p.svg: системная ошибка 5\n"},
};

INSTANTIATE_TEST_SUITE_P(Dialogue, PictureFailureTest, ::testing::ValuesIn(kPictureFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// Output that fails after its first bytes, as a full disk does.
class FullDisk : public std::streambuf {
protected:
    int_type overflow(int_type c) override {
        return written_++ < 10 ? traits_type::not_eof(c) : traits_type::eof();
    }

private:
    int written_ = 0;
};

TEST(Dialogue, FailedOutputIsReportedBeforeTheKeyWait) {
    establishNumericEnvironment();
    coefficientTable = CoefficientTable{};
    FullDisk disk;
    std::ostream out(&disk);
    std::ostringstream err;
    std::istringstream in("1\n1 -2\n");
    keyWaits = 0;
    watchedErrors = &err;
    Console console{in, out, err, &printUtf8, &countedNoKey, nullptr};
    EXPECT_EQ(runDialogue(console), 1);
    EXPECT_EQ(err.str(), "Ошибка: не удалось записать вывод программы\n");
    EXPECT_EQ(keyWaits, 1);
    EXPECT_EQ(errorsShownAtKeyWait, err.str());
}

TEST(Dialogue, OrderZeroWithALeadingZeroIsNoError) {
    const DialogueRun run = runWith("0\n0\n");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
}

}  // namespace
}  // namespace secant
