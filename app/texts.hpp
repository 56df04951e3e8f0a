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

// Errors (standard error) and warnings (standard output). A text that ends
// in a letter before an index, as "a" or "x", is followed by the index and
// then by one of the texts after it.
inline constexpr auto kInputEndedBeforeOrder =
    cp1251(u8"Ошибка: ввод закончился, порядок уравнения не задан");
inline constexpr auto kOrderNotInteger =
    cp1251(u8"Ошибка: порядок уравнения должен быть целым числом");
inline constexpr auto kOrderTooLarge = cp1251(u8"Ошибка: порядок уравнения не может быть больше 9");

inline constexpr auto kCoefficientError = cp1251(u8"Ошибка: коэффициент a");
inline constexpr auto kMalformed = cp1251(u8" задан неверно");
inline constexpr auto kDecimalComma = cp1251(u8" задан неверно: дробную часть отделяют точкой");
inline constexpr auto kTooLarge = cp1251(u8" слишком велик по модулю");
inline constexpr auto kInputEndedBeforeCoefficient =
    cp1251(u8"Ошибка: ввод закончился, коэффициент a");
inline constexpr auto kNotGiven = cp1251(u8" не задан");
inline constexpr auto kLeadingZero = cp1251(u8"Ошибка: старший коэффициент a0 равен нулю");

inline constexpr auto kRootError = cp1251(u8"Ошибка при вычислении корня x");
inline constexpr auto kOverflow = cp1251(u8": переполнение");
inline constexpr auto kDivisionByZero = cp1251(u8": деление на ноль");
inline constexpr auto kInvalidOperation = cp1251(u8": недопустимая операция");

inline constexpr auto kNotConverged = cp1251(u8"Внимание: для корня x");
inline constexpr auto kNotConvergedWithin = cp1251(u8" точность не достигнута за ");
inline constexpr auto kIterations = cp1251(u8" итераций");

// A root that the search from the standard start points did not give, after
// the listing: "Внимание: для корня x2 поиск из точек (0, 0) и (1, 1) прерван:
// переполнение; корень найден из других начальных точек" (then, where it was
// taken at the rounding floor, ", где P(x) неотличим от нуля в одинарной
// точности"), or "...; корень взят в точке, где P(x) неотличим от нуля в
// одинарной точности". The condition is one of kOverflow, kDivisionByZero,
// kInvalidOperation.
inline constexpr auto kStandardSearchStopped = cp1251(u8" поиск из точек (0, 0) и (1, 1) прерван");
inline constexpr auto kFoundFromOtherStarts = cp1251(u8"; корень найден из других начальных точек");
inline constexpr auto kTakenAtPoint = cp1251(u8"; корень взят в точке");
inline constexpr auto kCannotTellFromZero =
    cp1251(u8", где P(x) неотличим от нуля в одинарной точности");

// The roots of the equation as read, refined, after the listing's warnings
// (where a search reached the pass limit or a root was not the standard
// search's, or with --refine): "Корни уравнения, уточнённые ...:", then
// "уточнённый x1=0.10000000000000001 0i" per root; where the refinement did
// not converge, "Внимание: уточнение не сошлось за 100 итераций ...". With
// --report, "уточнённый x1: итераций 11, |P(x1)|=..., корень уравнения в круге ...".
inline constexpr auto kRefinedHeader =
    cp1251(u8"Корни уравнения, уточнённые в двойной точности по введённым коэффициентам:");
inline constexpr auto kRefinedLabel = cp1251(u8"уточнённый ");
inline constexpr auto kRefinementNotConverged = cp1251(u8"Внимание: уточнение не сошлось за ");
inline constexpr auto kRefinementIterations =
    cp1251(u8" итераций; круги --report вокруг уточнённых корней всё же верны");
inline constexpr auto kReportRefinementIterations = cp1251(u8": итераций ");
// Where the listing holds a root not shown to be within the method's
// tolerance of a root of the equation, before the refined roots:
// "Внимание: ... не подтверждены корни: x2, x5".
inline constexpr auto kListingMisses = cp1251(
    u8"Внимание: в пределах точности 1e-5 (относительной при |x| > 1) не подтверждены корни:");
// After a refined root printed once for each member of a multiple root:
// "уточнённый x1=1 0i кратность 4".
inline constexpr auto kMultiplicity = cp1251(u8" кратность ");
// --report, a member of a multiple root: "уточнённый x2: итераций 14,
// кратный корень, одно значение с x1, x3, корень уравнения в круге ...".
inline constexpr auto kReportMultiple = cp1251(u8", кратный корень, одно значение с");

// Options: help, trace, report and the picture.
inline constexpr auto kUsage =
    cp1251(u8"Использование: secant [--report] [--trace] [--refine] [--svg ФАЙЛ]");
inline constexpr auto kUsageReport =
    cp1251(u8"  --report      по строке на корень: проходы, точность, невязка |P(x)|");
inline constexpr auto kUsageTrace =
    cp1251(u8"  --trace       по строке на каждый проход метода секущих");
inline constexpr auto kUsageRefine =
    cp1251(u8"  --refine      корни уравнения, уточнённые в двойной точности");
inline constexpr auto kUsageSvg =
    cp1251(u8"  --svg ФАЙЛ    нарисовать итерации на комплексной плоскости (SVG)");
inline constexpr auto kUsageVersion = cp1251(u8"  --version     версия программы");
inline constexpr auto kUsageHelp = cp1251(u8"  -h, --help    эта справка");
inline constexpr auto kUnknownOption = cp1251(u8"Ошибка: неизвестный параметр ");
inline constexpr auto kMissingFile = cp1251(u8"Ошибка: после --svg нужно имя файла");
inline constexpr auto kTraceRoot = cp1251(u8"корень x");
inline constexpr auto kTraceIteration = cp1251(u8", проход ");
inline constexpr auto kReportIterations = cp1251(u8": проходов ");
inline constexpr auto kReportConverged = cp1251(u8", точность достигнута");
inline constexpr auto kReportNotConverged = cp1251(u8", точность не достигнута");
// How a root that the standard search did not give was found, in --report and
// --trace: "x2: проходов 8 в попытке 1 из точек (0.7, 0.3) и (0.8, 0.3), ..."
// and ", взят там, где P(x) неотличим от нуля"; a trace line "корень x2,
// попытка 1: из точек (0.7, 0.3) и (0.8, 0.3), f(x) = P(x) · 2^-2" before
// the passes of each (the search's f is P scaled by a power of two), with
// ", поиск по y = x · 2^42" where it searches in y, x scaled by a power of two
// (its passes still show x).
inline constexpr auto kReportInAttempt = cp1251(u8" в попытке ");
inline constexpr auto kFromPoints = cp1251(u8" из точек (");
inline constexpr auto kPointsAnd = cp1251(u8") и (");
inline constexpr auto kReportAtFloor = cp1251(u8", взят там, где P(x) неотличим от нуля");
inline constexpr auto kTraceAttempt = cp1251(u8", попытка ");
inline constexpr auto kTraceScaled = cp1251(u8", f(x) = P(x) · 2^");
inline constexpr auto kTraceVariableScaled = cp1251(u8", поиск по y = x · 2^");
// The inclusion disk after a --report line: ", корень уравнения в круге
// радиуса 0.0123; круг пересекается с кругами x3, x4: в этих трёх кругах 3 корня",
// or, for a chain of disks, "...; круг пересекается с кругом x2, а через него
// связан с кругом x3: в этих трёх кругах 3 корня".
inline constexpr auto kDiskRadius = cp1251(u8", корень уравнения в круге радиуса ");
inline constexpr auto kDiskSinglePoint = cp1251(u8" (оценка по одной точке)");
// After a radius that is |root| plus a bound of every root's modulus: the disk
// holds all of them.
inline constexpr auto kDiskRootBound = cp1251(u8" (по оценке модулей всех корней)");
inline constexpr auto kDiskMeets = cp1251(u8"; круг пересекается с ");
inline constexpr auto kDiskThroughIt = cp1251(u8", а через него связан с ");
inline constexpr auto kDiskThroughThem = cp1251(u8", а через них связан с ");
inline constexpr auto kDiskWithCircle = cp1251(u8"кругом ");
inline constexpr auto kDiskWithCircles = cp1251(u8"кругами ");
inline constexpr auto kDiskInThese = cp1251(u8": в этих ");
inline constexpr auto kDiskInTwo = cp1251(u8"двух");
inline constexpr auto kDiskInThree = cp1251(u8"трёх");
inline constexpr auto kDiskInFour = cp1251(u8"четырёх");
inline constexpr auto kDiskInFive = cp1251(u8"пяти");
inline constexpr auto kDiskInSix = cp1251(u8"шести");
inline constexpr auto kDiskInSeven = cp1251(u8"семи");
inline constexpr auto kDiskInEight = cp1251(u8"восьми");
inline constexpr auto kDiskInNine = cp1251(u8"девяти");
inline constexpr auto kDiskCircles = cp1251(u8" кругах ");
inline constexpr auto kDiskRootsFew = cp1251(u8" корня");    // 2, 3, 4
inline constexpr auto kDiskRootsMany = cp1251(u8" корней");  // 5 to 9
inline constexpr auto kDiskNotFound = cp1251(u8", круг с корнем уравнения найти не удалось: ");
inline constexpr auto kDiskDerivativeNearZero =
    cp1251(u8"производная в этой точке неотличима от нуля");
inline constexpr auto kDiskOverflow = cp1251(u8"переполнение при оценке");
inline constexpr auto kDiskNotFinite = cp1251(u8"корень не является конечным числом");
inline constexpr auto kUsageReportDisk = cp1251(
    u8"                и радиус круга вокруг напечатанного корня, где наверняка есть корень "
    u8"уравнения.");
inline constexpr auto kUsageReportGroup =
    cp1251(u8"                Для пересекающихся кругов сказано, сколько корней в них вместе.");
inline constexpr auto kSvgNotWritten = cp1251(u8"Ошибка: не удалось записать рисунок в файл ");
inline constexpr auto kSvgNotRegularFile =
    cp1251(u8"Ошибка: рисунок можно записать только в обычный файл: ");
inline constexpr auto kSvgNotStarted = cp1251(u8"Рисунок не записан: поиск корней не начинался");
// Why a file could not be written: after the file name.
inline constexpr auto kNoSuchFolder = cp1251(u8": нет такой папки");
inline constexpr auto kAccessDenied = cp1251(u8": доступ запрещён");
inline constexpr auto kNoSpace = cp1251(u8": нет места на диске");
inline constexpr auto kNameTooLong = cp1251(u8": слишком длинное имя");
inline constexpr auto kReadOnlyFileSystem = cp1251(u8": файловая система только для чтения");
inline constexpr auto kSystemError = cp1251(u8": системная ошибка ");

inline constexpr auto kOutputNotWritten = cp1251(u8"Ошибка: не удалось записать вывод программы");

// Input that is read, but not as typed, and files that are not to be replaced.
inline constexpr auto kInputNotRead = cp1251(u8"Ошибка: не удалось прочитать ввод программы");
inline constexpr auto kLeftOnLine = cp1251(u8"Внимание: после коэффициента a");
inline constexpr auto kLeftOnLineNotRead = cp1251(u8" в строке осталось непрочитанным: ");
inline constexpr auto kWriteProtected = cp1251(u8": файл защищён от записи");

// The picture (--svg), written into the file in UTF-8: its title, the
// legend's heading, and per root "x1: 12; оставлено поисков: 2", "круг
// радиуса 0.01 по оценке модулей корней, увеличен" or "круг с корнем не
// найден", "не показано точек inf/nan: 3"; then the notes of two lines each.
inline constexpr auto kPictureTitle = cp1251(u8"Итерации метода секущих");
inline constexpr auto kPictureLegend = cp1251(u8"Поиск корня: проходов");
inline constexpr auto kPictureAbandoned = cp1251(u8"; оставлено поисков: ");
inline constexpr auto kPictureNoDisk = cp1251(u8"круг с корнем не найден");
inline constexpr auto kPictureDisk = cp1251(u8"круг радиуса ");
inline constexpr auto kPictureDiskRootBound = cp1251(u8" по оценке модулей корней");
inline constexpr auto kPictureDiskEnlarged = cp1251(u8", увеличен");
inline constexpr auto kPictureLeftOut = cp1251(u8"не показано точек inf/nan: ");
inline constexpr auto kPictureMultiplicity = cp1251(u8"кратность ");
inline constexpr auto kPictureRefined = cp1251(u8"Крестик: корень, уточнённый в двойной");
inline constexpr auto kPictureRefinedMore = cp1251(u8"точности по введённым коэффициентам");
inline constexpr auto kPictureAbandonedPath = cp1251(u8"Бледный пунктир: поиск, который");
inline constexpr auto kPictureAbandonedPathMore = cp1251(u8"оставлен без корня");
inline constexpr auto kPictureSmallDisk = cp1251(u8"Пунктир: круг слишком мал");
inline constexpr auto kPictureSmallDiskMore = cp1251(u8"для этого масштаба и показан крупнее");

}  // namespace secant::texts
