// The program's Russian texts. They are written here in UTF-8 for the reader
// and stored as their Windows-1251 bytes, converted at compile time; a
// character that Windows-1251 lacks stops the build. The console shows them
// converted for its code page; the picture takes them back to UTF-8.
#pragma once

#include <cstddef>

#include "platform/cp1251.hpp"

namespace secant {

// A text of the program as it is printed: a view of its zero-terminated
// Windows-1251 bytes, made from any of the texts below.
class Text {
public:
    template <std::size_t N>
    // NOLINTNEXTLINE(google-explicit-constructor): each text stands for one
    constexpr Text(const Cp1251Text<N>& text) : bytes_(text.zeroTerminated()) {}

    [[nodiscard]] constexpr const char* zeroTerminated() const { return bytes_; }

private:
    const char* bytes_;
};

}  // namespace secant

// In a namespace of their own, apart from the arithmetic flags and other
// constants of the same names.
//
// Each text is one whole message, or one whole clause of the lines that are
// made of clauses (a --report line, a --trace line), with "{}" where a value
// goes: the values fill the placeholders in order (fillText, app/output.hpp).
// A text holds no other braces. "\n" in a text ends a line. A word that
// agrees with a count is a value too, chosen by agreed() below.
namespace secant::texts {

// The dialogue, in the order it is shown.
inline constexpr auto kBanner =
    cp1251(u8"Программа демонстрирует решение алгебраического уравнения методом секущих");
inline constexpr auto kOrderPrompt = cp1251(u8"Задайте порядок уравнения: ");
inline constexpr auto kCoefficientsPrompt = cp1251(u8"Задайте коэффициенты полинома через пробел:");
inline constexpr auto kCoefficientsOrder =
    cp1251(u8"от a0 при X в N-ой степени до aN свободный член");
inline constexpr char kCoefficientsPrefix[] = "A()= ";  // written without conversion
inline constexpr auto kRootsHeader = cp1251(u8"Корни полинома: ");
inline constexpr auto kPressAnyKey = cp1251(u8"Нажмите любую клавишу");

// Errors (standard error) and warnings (standard output).
inline constexpr auto kInputEndedBeforeOrder =
    cp1251(u8"Ошибка: ввод закончился, порядок уравнения не задан");
inline constexpr auto kOrderNotInteger =
    cp1251(u8"Ошибка: порядок уравнения должен быть целым числом");
inline constexpr auto kOrderTooLarge = cp1251(u8"Ошибка: порядок уравнения не может быть больше 9");

// The index of the coefficient.
inline constexpr auto kCoefficientMalformed = cp1251(u8"Ошибка: коэффициент a{} задан неверно");
inline constexpr auto kCoefficientDecimalComma =
    cp1251(u8"Ошибка: коэффициент a{} задан неверно: дробную часть отделяют точкой");
inline constexpr auto kCoefficientTooLarge =
    cp1251(u8"Ошибка: коэффициент a{} слишком велик по модулю");
inline constexpr auto kInputEndedBeforeCoefficient =
    cp1251(u8"Ошибка: ввод закончился, коэффициент a{} не задан");
inline constexpr auto kLeadingZero = cp1251(u8"Ошибка: старший коэффициент a0 равен нулю");

// The index of the root and the condition met, one of the three after it.
inline constexpr auto kRootError = cp1251(u8"Ошибка при вычислении корня x{}: {}");
inline constexpr auto kOverflow = cp1251(u8"переполнение");
inline constexpr auto kDivisionByZero = cp1251(u8"деление на ноль");
inline constexpr auto kInvalidOperation = cp1251(u8"недопустимая операция");

// After the listing, for a root that the search reached the pass limit for:
// the index of the root, the pass limit and agreed(Counted::Iterations, it).
inline constexpr auto kNotConverged =
    cp1251(u8"Внимание: для корня x{} точность не достигнута за {} {}");

// After the listing, for a root that the search from the standard start
// points did not give: the index of the root and the condition it met (as
// for kRootError). Found from other start points, there at the rounding
// floor, or taken at the point of the standard search.
inline constexpr auto kFoundFromOtherStarts = cp1251(
    u8"Внимание: для корня x{} поиск из точек (0, 0) и (1, 1) прерван: {}; "
    u8"корень найден из других начальных точек");
inline constexpr auto kFoundFromOtherStartsAtFloor = cp1251(
    u8"Внимание: для корня x{} поиск из точек (0, 0) и (1, 1) прерван: {}; "
    u8"корень найден из других начальных точек, где P(x) неотличим от нуля "
    u8"в одинарной точности");
inline constexpr auto kTakenAtPoint = cp1251(
    u8"Внимание: для корня x{} поиск из точек (0, 0) и (1, 1) прерван: {}; "
    u8"корень взят в точке, где P(x) неотличим от нуля в одинарной точности");

// The roots of the equation as read, refined, after the listing's warnings
// (where a search reached the pass limit or a root was not the standard
// search's, or with --refine): the header, then a line per root with its
// index, real and imaginary part (and its multiplicity, for each member of
// a multiple root); where the refinement did not converge, the steps made
// and agreed(Counted::Iterations, them).
inline constexpr auto kRefinedHeader =
    cp1251(u8"Корни уравнения, уточнённые в двойной точности по введённым коэффициентам:");
inline constexpr auto kRefinedRoot = cp1251(u8"уточнённый x{}={} {}i");
inline constexpr auto kRefinedMultipleRoot = cp1251(u8"уточнённый x{}={} {}i кратность {}");
inline constexpr auto kRefinementNotConverged = cp1251(
    u8"Внимание: уточнение не сошлось за {} {}; "
    u8"круги --report вокруг уточнённых корней всё же верны");
// Where the listing holds a root not shown to be within the method's
// tolerance of a root of the equation, before the refined roots: the roots,
// as "x2, x5".
inline constexpr auto kListingMisses = cp1251(
    u8"Внимание: в пределах точности 1e-5 (относительной при |x| > 1) не подтверждены корни: {}");

// Options: help, trace, report and the picture.
inline constexpr auto kUsage = cp1251(
    u8"Использование: secant [--report] [--trace] [--refine] [--svg ФАЙЛ]\n"
    u8"  --report      по строке на корень: проходы, точность, невязка |P(x)|\n"
    u8"                и радиус круга вокруг напечатанного корня, где наверняка есть корень "
    u8"уравнения.\n"
    u8"                Для пересекающихся кругов сказано, сколько корней в них вместе.\n"
    u8"  --trace       по строке на каждый проход метода секущих\n"
    u8"  --refine      корни уравнения, уточнённые в двойной точности\n"
    u8"  --svg ФАЙЛ    нарисовать итерации на комплексной плоскости (SVG)\n"
    u8"  --version     версия программы\n"
    u8"  -h, --help    эта справка\n");
inline constexpr auto kUnknownOption = cp1251(u8"Ошибка: неизвестный параметр {}");
inline constexpr auto kMissingFile = cp1251(u8"Ошибка: после --svg нужно имя файла");

// A --trace line per pass: the root's index, the pass, x and |f(x)|. Before
// the passes of each search from other start points, a line with the
// root's index, the attempt and its start points, then the scale of its f
// where it is scaled (the search's f is P scaled by a power of two) and of
// its variable where it searches in y, x scaled by a power of two (its
// passes still show x).
inline constexpr auto kTracePass = cp1251(u8"корень x{}, проход {}: x={} {}i |f(x)|={}");
inline constexpr auto kTraceAttempt =
    cp1251(u8"корень x{}, попытка {}: из точек ({}, {}) и ({}, {})");
inline constexpr auto kTraceScaled = cp1251(u8", f(x) = P(x) · 2^{}");
inline constexpr auto kTraceVariableScaled = cp1251(u8", поиск по y = x · 2^{}");

// The clauses of a --report line: the root's index and passes; for a root
// found from other start points, the attempt and its start points; whether
// the search converged, and whether the root was taken at the rounding
// floor; |P(x)| at the root; then its inclusion disk.
inline constexpr auto kReportPasses = cp1251(u8"x{}: проходов {}");
inline constexpr auto kReportInAttempt = cp1251(u8" в попытке {} из точек ({}, {}) и ({}, {})");
inline constexpr auto kReportConverged = cp1251(u8", точность достигнута");
inline constexpr auto kReportNotConverged = cp1251(u8", точность не достигнута");
inline constexpr auto kReportAtFloor = cp1251(u8", взят там, где P(x) неотличим от нуля");
inline constexpr auto kReportResidual = cp1251(u8", |P(x{})|={}");
// A --report line of a refined root: its index and the steps, and for a
// member of a multiple root, the other members ("x1, x3").
inline constexpr auto kReportRefined = cp1251(u8"уточнённый x{}: итераций {}");
inline constexpr auto kReportRefinedMultiple =
    cp1251(u8"уточнённый x{}: итераций {}, кратный корень, одно значение с {}");
// The inclusion disk after a --report line: its radius, from the disks of
// all the roots, from one point only, or |root| plus a bound of every
// root's modulus (the disk holds all of them); or why none was found.
inline constexpr auto kDiskRadius = cp1251(u8", корень уравнения в круге радиуса {}");
inline constexpr auto kDiskRadiusSinglePoint =
    cp1251(u8", корень уравнения в круге радиуса {} (оценка по одной точке)");
inline constexpr auto kDiskRadiusRootBound =
    cp1251(u8", корень уравнения в круге радиуса {} (по оценке модулей всех корней)");
inline constexpr auto kDiskNotFound = cp1251(u8", круг с корнем уравнения найти не удалось: {}");
inline constexpr auto kDiskDerivativeNearZero =
    cp1251(u8"производная в этой точке неотличима от нуля");
inline constexpr auto kDiskOverflow = cp1251(u8"переполнение при оценке");
inline constexpr auto kDiskNotFinite = cp1251(u8"корень не является конечным числом");
// After the radius of a disk in a group of disks that meet: the disks that
// meet it, then those joined to it through them, and how many roots the
// group holds. Each list as agreed(Counted::Circles, n) and "x2, x4"; the
// pronoun agreed(Counted::ThroughThem, disks that meet it); the group's size
// as agreed(Counted::InThese, n), n and agreed(Counted::Roots, n):
// "; круг пересекается с кругом x2, а через него связан с кругом x3: в
// этих трёх кругах 3 корня".
inline constexpr auto kDiskGroup = cp1251(u8"; круг пересекается с {} {}: в этих {} кругах {} {}");
inline constexpr auto kDiskGroupThrough =
    cp1251(u8"; круг пересекается с {} {}, а через {} связан с {} {}: в этих {} кругах {} {}");

// Words that agree with a count, in the form that their message takes.
inline constexpr auto kInZero = cp1251(u8"нуле");
inline constexpr auto kInOne = cp1251(u8"одном");
inline constexpr auto kInTwo = cp1251(u8"двух");
inline constexpr auto kInThree = cp1251(u8"трёх");
inline constexpr auto kInFour = cp1251(u8"четырёх");
inline constexpr auto kInFive = cp1251(u8"пяти");
inline constexpr auto kInSix = cp1251(u8"шести");
inline constexpr auto kInSeven = cp1251(u8"семи");
inline constexpr auto kInEight = cp1251(u8"восьми");
inline constexpr auto kInNine = cp1251(u8"девяти");
inline constexpr auto kRootOne = cp1251(u8"корень");
inline constexpr auto kRootsFew = cp1251(u8"корня");
inline constexpr auto kRootsMany = cp1251(u8"корней");
inline constexpr auto kIterationOne = cp1251(u8"итерацию");
inline constexpr auto kIterationsFew = cp1251(u8"итерации");
inline constexpr auto kIterationsMany = cp1251(u8"итераций");
inline constexpr auto kWithCircle = cp1251(u8"кругом");
inline constexpr auto kWithCircles = cp1251(u8"кругами");
inline constexpr auto kThroughIt = cp1251(u8"него");
inline constexpr auto kThroughThem = cp1251(u8"них");
inline constexpr auto kNoWord = cp1251(u8"");

enum class Counted {
    InThese,      // "в этих {} кругах": the numeral, prepositional, for 0 to 9
    Roots,        // "{} {}" after the count: корень, корня, корней
    Iterations,   // "за {} {}": итерацию, итерации, итераций
    Circles,      // "с {} x2, x4": кругом, кругами
    ThroughThem,  // "а через {} связан": него (one disk), них
};

// The word that agrees with the count (at least 0): a noun as Russian takes
// it after a number (1, 21, 101: one; 2 to 4, 22 to 24: few; 0, 5 to 20,
// 25 to 30: many), the numeral itself for 0 to 9 (kNoWord beyond).
constexpr Text agreed(Counted word, int count) {
    const int last = count % 10;
    const int lastTwo = count % 100;
    const bool one = last == 1 && lastTwo != 11;
    const bool few = last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14);
    switch (word) {
        case Counted::InThese: {
            const Text numerals[] = {kInZero, kInOne, kInTwo,   kInThree, kInFour,
                                     kInFive, kInSix, kInSeven, kInEight, kInNine};
            return count >= 0 && count <= 9 ? numerals[count] : Text(kNoWord);
        }
        case Counted::Roots: return one ? Text(kRootOne) : few ? Text(kRootsFew) : Text(kRootsMany);
        case Counted::Iterations:
            return one ? Text(kIterationOne) : few ? Text(kIterationsFew) : Text(kIterationsMany);
        case Counted::Circles: return one ? Text(kWithCircle) : Text(kWithCircles);
        case Counted::ThroughThem: break;
    }
    return count == 1 ? Text(kThroughIt) : Text(kThroughThem);
}

// The picture (--svg).
inline constexpr auto kSvgNotStarted = cp1251(u8"Рисунок не записан: поиск корней не начинался");
// The file's name, then why it could not be written: one of the six after
// it, or the system's error code.
inline constexpr auto kSvgNotWritten =
    cp1251(u8"Ошибка: не удалось записать рисунок в файл {}: {}");
inline constexpr auto kNoSuchFolder = cp1251(u8"нет такой папки");
inline constexpr auto kAccessDenied = cp1251(u8"доступ запрещён");
inline constexpr auto kWriteProtected = cp1251(u8"файл защищён от записи");
inline constexpr auto kNoSpace = cp1251(u8"нет места на диске");
inline constexpr auto kNameTooLong = cp1251(u8"слишком длинное имя");
inline constexpr auto kReadOnlyFileSystem = cp1251(u8"файловая система только для чтения");
inline constexpr auto kSvgNotWrittenSystemError =
    cp1251(u8"Ошибка: не удалось записать рисунок в файл {}: системная ошибка {}");
inline constexpr auto kSvgNotRegularFile =
    cp1251(u8"Ошибка: рисунок можно записать только в обычный файл: {}");

inline constexpr auto kOutputNotWritten = cp1251(u8"Ошибка: не удалось записать вывод программы");

// Input that is read, but not as typed: the index of the last coefficient
// and what is left on its line.
inline constexpr auto kInputNotRead = cp1251(u8"Ошибка: не удалось прочитать ввод программы");
inline constexpr auto kLeftOnLine =
    cp1251(u8"Внимание: после коэффициента a{} в строке осталось непрочитанным: {}");

// The picture, written into the file in UTF-8: its title, the legend's
// heading, and per search the root's index and passes (and the searches
// abandoned); its root's disk, the radius (found from the bound of the
// roots' moduli, drawn larger than it is), or none; the points not drawn;
// a multiple root's multiplicity; then the notes of two lines each.
inline constexpr auto kPictureTitle = cp1251(u8"Итерации метода секущих");
inline constexpr auto kPictureLegend = cp1251(u8"Поиск корня: проходов");
inline constexpr auto kPictureSearch = cp1251(u8"x{}: {}");
inline constexpr auto kPictureSearchAbandoned = cp1251(u8"x{}: {}; оставлено поисков: {}");
inline constexpr auto kPictureNoDisk = cp1251(u8"круг с корнем не найден");
inline constexpr auto kPictureDisk = cp1251(u8"круг радиуса {}");
inline constexpr auto kPictureDiskEnlarged = cp1251(u8"круг радиуса {}, увеличен");
inline constexpr auto kPictureDiskRootBound = cp1251(u8"круг радиуса {} по оценке модулей корней");
inline constexpr auto kPictureDiskRootBoundEnlarged =
    cp1251(u8"круг радиуса {} по оценке модулей корней, увеличен");
inline constexpr auto kPictureLeftOut = cp1251(u8"не показано точек inf/nan: {}");
inline constexpr auto kPictureMultiplicity = cp1251(u8"кратность {}");
inline constexpr auto kPictureRefinedNote =
    cp1251(u8"Крестик: корень, уточнённый в двойной\nточности по введённым коэффициентам");
inline constexpr auto kPictureAbandonedNote =
    cp1251(u8"Бледный пунктир: поиск, который\nоставлен без корня");
inline constexpr auto kPictureSmallDiskNote =
    cp1251(u8"Пунктир: круг слишком мал\nдля этого масштаба и показан крупнее");

}  // namespace secant::texts
