#include "solver/arithmetic/numeric_environment.hpp"

#include <cfenv>

#include "solver/arithmetic/extended.hpp"

namespace secant {

namespace {

#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
constexpr unsigned short kPrecisionMask = 0x0300;  // PC field
constexpr unsigned short kPrecision64 = 0x0300;
constexpr unsigned short kRoundingMask = 0x0C00;  // RC field; 0 is to nearest
constexpr unsigned short kExceptionMasks = 0x003F;

unsigned short readControlWord() {
    unsigned short word = 0;
    __asm__ __volatile__("fnstcw %0" : "=m"(word));
    return word;
}

void writeControlWord(unsigned short word) {
    __asm__ __volatile__("fldcw %0" : : "m"(word));
}
#endif

}  // namespace

void establishNumericEnvironment() {
    std::fesetround(FE_TONEAREST);
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    unsigned short word = readControlWord();
    word = static_cast<unsigned short>((word & ~(kPrecisionMask | kRoundingMask)) | kPrecision64 |
                                       kExceptionMasks);
    writeControlWord(word);
#endif
    clearArithmeticFlags();
}

bool precisionIs64BitsAndRoundingToNearest() {
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
    const unsigned short word = readControlWord();
    return (word & kPrecisionMask) == kPrecision64 && (word & kRoundingMask) == 0 &&
           std::fegetround() == FE_TONEAREST;
#else
    return std::fegetround() == FE_TONEAREST;
#endif
}

#if SECANT_EXTENDED_IS_SOFTWARE

// The software arithmetic keeps its own flags; nothing the solver computes
// goes through the hardware's.
void clearArithmeticFlags() {
    soft::setRaisedFlags(0U);
}

ArithmeticFlags raisedArithmeticFlags() {
    ArithmeticFlags flags;
    flags.invalid = (soft::raisedFlags() & soft::kInvalid) != 0;
    flags.divisionByZero = (soft::raisedFlags() & soft::kDivisionByZero) != 0;
    flags.overflow = (soft::raisedFlags() & soft::kOverflow) != 0;
    return flags;
}

void restoreArithmeticFlags(ArithmeticFlags flags) {
    soft::setRaisedFlags((flags.invalid ? soft::kInvalid : 0U) |
                         (flags.divisionByZero ? soft::kDivisionByZero : 0U) |
                         (flags.overflow ? soft::kOverflow : 0U));
}

#else

void clearArithmeticFlags() {
    std::feclearexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
}

ArithmeticFlags raisedArithmeticFlags() {
    const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
    ArithmeticFlags flags;
    flags.invalid = (raised & FE_INVALID) != 0;
    flags.divisionByZero = (raised & FE_DIVBYZERO) != 0;
    flags.overflow = (raised & FE_OVERFLOW) != 0;
    return flags;
}

// Raised one by one rather than set with fesetexceptflag: mingw-w64's clears
// the SSE exception masks, and the next inexact operation then ends the
// program.
void restoreArithmeticFlags(ArithmeticFlags flags) {
    clearArithmeticFlags();
    const int raise = (flags.invalid ? FE_INVALID : 0) | (flags.divisionByZero ? FE_DIVBYZERO : 0) |
                      (flags.overflow ? FE_OVERFLOW : 0);
    if (raise != 0) {
        std::feraiseexcept(raise);
    }
}

#endif

}  // namespace secant
