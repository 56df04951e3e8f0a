#include "arithmetic/soft_extended.hpp"

namespace secant::soft {

namespace {

Unpacked fromDouble(double value) {
    return fromBinary(std::bit_cast<std::uint64_t>(value), kBinary64);
}

SoftExtended holding(Unpacked value) {
    SoftExtended x;
    x.form = SoftForm::Unpacked;
    x.unpacked = value;
    return x;
}

}  // namespace

// cppcheck-suppress passedByValue
Unpacked unpack(SoftExtended x) {
    switch (x.form) {
        case SoftForm::Single: return unpackedSingle(x.first);
        case SoftForm::Exact: return fromDouble(binary64Of(x));
        case SoftForm::SingleSum:
        case SoftForm::Sum: {
            const Terms terms = termsOf(x);
            return add(fromDouble(terms.hi), fromDouble(terms.lo), false);
        }
        case SoftForm::Quotient:
            return divide(add(fromDouble(x.hi), fromDouble(x.lo), false), fromDouble(x.divisor));
        case SoftForm::Root: return unpackedSquareRoot(x.hi);
        case SoftForm::Unpacked: break;
    }
    return x.unpacked;
}

void raiseForProduct(float x, float y) {
    (void)multiply(unpackedSingle(x), unpackedSingle(y));
}

void raiseForSum(SoftForm xForm, float x1, float x2, SoftForm yForm, float y1, float y2,
                 bool subtract) {
    (void)add(unpack(heldWith(xForm, x1, x2)), unpack(heldWith(yForm, y1, y2)), subtract);
}

void raiseForQuotient(SoftForm xForm, float x1, float x2, double hi, double lo, float divisor) {
    const Unpacked numerator = xForm == SoftForm::Sum ? add(fromDouble(hi), fromDouble(lo), false)
                                                      : unpack(heldWith(xForm, x1, x2));
    (void)divide(numerator, unpackedSingle(divisor));
}

void raiseForSquareRoot(double value) {
    (void)unpackedSquareRoot(value);
}

float exactToSingle(double value) {
    return toSingle(fromDouble(value));
}

float sumToSingle(double hi, double lo) {
    return toSingle(add(fromDouble(hi), fromDouble(lo), false));
}

float quotientToSingle(double hi, double lo, double divisor) {
    return toSingle(divide(add(fromDouble(hi), fromDouble(lo), false), fromDouble(divisor)));
}

double sumToDouble(double hi, double lo) {
    return toDouble(add(fromDouble(hi), fromDouble(lo), false));
}

Order rootOrder(double value, double y) {
    return compare(unpackedSquareRoot(value), fromDouble(y));
}

// cppcheck-suppress passedByValue
SoftExtended multiplyUnpacked(SoftExtended x, SoftExtended y) {
    return holding(multiply(unpack(x), unpack(y)));
}

// cppcheck-suppress passedByValue
SoftExtended addUnpacked(SoftExtended x, SoftExtended y, bool subtract) {
    return holding(add(unpack(x), unpack(y), subtract));
}

// cppcheck-suppress passedByValue
SoftExtended divideUnpacked(SoftExtended x, SoftExtended y) {
    return holding(divide(unpack(x), unpack(y)));
}

// cppcheck-suppress passedByValue
float toSingleUnpacked(SoftExtended x) {
    return toSingle(unpack(x));
}

// cppcheck-suppress passedByValue
double toDoubleUnpacked(SoftExtended x) {
    return toDouble(unpack(x));
}

// cppcheck-suppress passedByValue
Order compareUnpacked(SoftExtended x, SoftExtended y) {
    return compare(unpack(x), unpack(y));
}

}  // namespace secant::soft
