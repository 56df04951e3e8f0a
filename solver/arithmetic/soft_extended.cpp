#include "solver/arithmetic/soft_extended.hpp"

namespace secant::soft {

namespace {

Unpacked unpackDouble(double value) {
    return unpackBinary(std::bit_cast<std::uint64_t>(value), kBinary64);
}

// A value of a form that keeps its binary32 operands (Single, Exact,
// SingleSum), made again from them.
SoftExtended heldOperands(SoftForm form, float first, float second) {
    switch (form) {
        case SoftForm::Exact: return heldProduct(first, second);
        case SoftForm::SingleSum: return heldSingleSum(first, second);
        default: return heldSingle(first);
    }
}

}  // namespace

// cppcheck-suppress passedByValue
Unpacked toUnpacked(SoftExtended x) {
    switch (x.form) {
        case SoftForm::Single: return unpackSingle(x.first);
        case SoftForm::Exact: return unpackDouble(binary64Of(x));
        case SoftForm::SingleSum:
        case SoftForm::Sum: {
            const Terms terms = termsOf(x);
            return addUnpacked(unpackDouble(terms.hi), unpackDouble(terms.lo), false);
        }
        case SoftForm::Quotient:
            return divideUnpacked(
                addUnpacked(unpackDouble(x.terms.hi), unpackDouble(x.terms.lo), false),
                unpackDouble(x.divisor));
        case SoftForm::Root: return squareRootUnpacked(x.root.radicand);
        case SoftForm::Unpacked: break;
    }
    return x.unpacked;
}

void raiseForProduct(float x, float y) {
    (void)multiplyUnpacked(unpackSingle(x), unpackSingle(y));
}

void raiseForSum(SoftForm xForm, float x1, float x2, SoftForm yForm, float y1, float y2,
                 bool subtract) {
    (void)addUnpacked(toUnpacked(heldOperands(xForm, x1, x2)),
                      toUnpacked(heldOperands(yForm, y1, y2)), subtract);
}

void raiseForQuotient(SoftForm xForm, float x1, float x2, double hi, double lo, float divisor) {
    const Unpacked numerator = xForm == SoftForm::Sum
                                   ? addUnpacked(unpackDouble(hi), unpackDouble(lo), false)
                                   : toUnpacked(heldOperands(xForm, x1, x2));
    (void)divideUnpacked(numerator, unpackSingle(divisor));
}

void raiseForSquareRoot(double value) {
    (void)squareRootUnpacked(value);
}

float exactToSingle(double value) {
    return unpackedToSingle(unpackDouble(value));
}

float sumToSingle(double hi, double lo) {
    return unpackedToSingle(addUnpacked(unpackDouble(hi), unpackDouble(lo), false));
}

float quotientToSingle(double hi, double lo, double divisor) {
    return unpackedToSingle(divideUnpacked(addUnpacked(unpackDouble(hi), unpackDouble(lo), false),
                                           unpackDouble(divisor)));
}

double sumToDouble(double hi, double lo) {
    return unpackedToDouble(addUnpacked(unpackDouble(hi), unpackDouble(lo), false));
}

Order rootOrder(double value, double y) {
    return compareUnpacked(squareRootUnpacked(value), unpackDouble(y));
}

// cppcheck-suppress passedByValue
SoftExtended multiplyViaUnpacked(SoftExtended x, SoftExtended y) {
    return heldUnpacked(multiplyUnpacked(toUnpacked(x), toUnpacked(y)));
}

// cppcheck-suppress passedByValue
SoftExtended addViaUnpacked(SoftExtended x, SoftExtended y, bool subtract) {
    return heldUnpacked(addUnpacked(toUnpacked(x), toUnpacked(y), subtract));
}

// cppcheck-suppress passedByValue
SoftExtended divideViaUnpacked(SoftExtended x, SoftExtended y) {
    return heldUnpacked(divideUnpacked(toUnpacked(x), toUnpacked(y)));
}

// cppcheck-suppress passedByValue
float toSingleViaUnpacked(SoftExtended x) {
    return unpackedToSingle(toUnpacked(x));
}

// cppcheck-suppress passedByValue
double toDoubleViaUnpacked(SoftExtended x) {
    return unpackedToDouble(toUnpacked(x));
}

// cppcheck-suppress passedByValue
Order compareViaUnpacked(SoftExtended x, SoftExtended y) {
    return compareUnpacked(toUnpacked(x), toUnpacked(y));
}

}  // namespace secant::soft
