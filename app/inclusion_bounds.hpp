// The steps of the inclusion disks (app/inclusion.hpp), one function each,
// so that each can be tested on its own: the directed bounds, the read-back
// of a printed part, Horner's scheme with its error bound, the printed
// radius, and the disks of the two theorems. binary64 with round to nearest
// throughout; the proofs are in app/inclusion.cpp.
#pragma once

#include <array>
#include <string>

#include "app/inclusion.hpp"
#include "solver/complex64.hpp"

namespace secant::inclusion {

// ---------------------------------------------------------------------------
// Directed bounds under round to nearest. Every operand is nonnegative (a
// bound of a magnitude); an exact zero result stays zero.

// Returns a value at least every s >= 0 that rounds to `rounded` (its
// neighbour towards +inf; inf for inf). Requires rounded >= 0.
double up(double rounded);
// Returns a value at most every s >= 0 that rounds to `rounded`, and >= 0 (its
// neighbour towards zero; 0 for 0). Requires rounded >= 0.
double down(double rounded);
// Return an upper or a lower bound of the exact a + b, a * b, a / b (b > 0)
// or sqrt(a); subtractDown a lower bound of max(a - b, 0). Require a, b >= 0.
double addUp(double a, double b);
double addDown(double a, double b);
double subtractDown(double a, double b);
double multiplyUp(double a, double b);
double multiplyDown(double a, double b);
double divideUp(double a, double b);
double sqrtUp(double a);
double sqrtDown(double a);

// Returns an upper bound of |re + i im|, for parts of any sign.
double modulusUp(double re, double im);
// Returns a lower bound of |z|, given lower bounds a, b >= 0 of |re z| and |im z|.
double modulusDown(double a, double b);
// Return a lower or an upper bound of |x - y|.
double distanceDown(Complex64 x, Complex64 y);
double distanceUp(Complex64 x, Complex64 y);

// Return an upper or a lower bound of 10^k; require k >= 0.
double powerOfTenUp(int k);
double powerOfTenDown(int k);
// Returns an upper bound of a 10^k; requires a >= 0.
double scaleUp(double a, int k);

// ---------------------------------------------------------------------------
// A printed part read back: value is a binary64 value c with |c - printed| <=
// error. valid is false for a text that is not a decimal of at most
// seventeen significant digits ("inf", "nan"), or whose value is beyond the
// normal binary64 range.
struct ReadBack {
    bool valid = false;
    double value = 0;
    double error = 0;
};

ReadBack readBack(const std::string& text);

// ---------------------------------------------------------------------------
// Horner's scheme in binary64 with a running bound of its rounding error.

using Coefficients = std::array<Complex64, kMaxCoefficients>;  // highest power first

struct Evaluated {
    Complex64 value;     // the computed P(x)
    double error = 0;    // |value - P(x)| <= error
    bool exact = false;  // every rounding shown exact: value is P(x)
};

// P(x) for the count coefficients a[0] (highest power) to a[count - 1];
// requires 1 <= count <= kMaxCoefficients. Where P(x) is shown to be exactly
// zero, error is 0.
Evaluated evaluate(const Coefficients& a, int count, Complex64 x);
// Return bounds of |P(x)| from above and from below (>= 0).
double magnitudeUp(const Evaluated& e);
double magnitudeDown(const Evaluated& e);

// ---------------------------------------------------------------------------
// A bound of the modulus of every root.

// Returns an upper bound of t^(1/k); requires t >= 0 and k >= 1.
double rootUp(double t, int k);
// Returns an upper bound of |z| for every root z of the polynomial of degree
// n = count - 1 >= 1 with coefficients a (Cauchy's, found inside
// Fujiwara's); infinity where a[0] is 0.
double rootModulusBound(const Coefficients& a, int count);

// ---------------------------------------------------------------------------
// The printed radius: text is the least decimal of six significant digits
// that the bounds show to be at least r ("0" for 0), upper an upper bound of
// it. Requires r >= 0 finite.
struct Radius {
    std::string text;
    double upper = 0;
};

Radius roundRadiusUp(double r);

// ---------------------------------------------------------------------------
// The disks. Centres are indexed from 1, as the roots.

struct Centre {
    Complex64 at;      // the printed root read back
    double error = 0;  // |at - printed root| <= error
};

using Centres = std::array<Centre, kMaxCoefficients>;

// Returns an upper bound of the radius of a disk around the printed root that
// holds a root of P of degree n = count - 1 >= 1: n |P| / |P'| at the centre,
// plus the centre's error. Returns infinity where none can be bounded, and
// sets reason to why.
double singlePointRadius(const Coefficients& a, int count, const Centre& centre,
                         NoDiskReason& reason);

struct Corrections {
    std::array<double, kMaxCoefficients> magnitude{};  // >= |Wi|
    std::array<double, kMaxCoefficients> spread{};     // >= n |Wi|
};

// Bounds of the Weierstrass corrections Wi at the centres 1 to n = count - 1.
// Returns false where the theorem cannot be used: two equal centres, or a
// bound beyond the binary64 range.
bool weierstrassCorrections(const Coefficients& a, int count, const Centres& c, Corrections& w);

// Sets group, groupSize and meets of disks 1 to n from their radius: two
// disks meet unless the bounds show them apart, and disks that meet are of one
// group, named by its lowest index.
void groupOverlapping(const Centres& c, int n, RootDisks& disks);
// Returns how many groups disks 1 to n form.
int groupCount(const RootDisks& disks, int n);
// Returns the radius of a disk around printed root i that covers the disks
// n |Wj| around zj of every disk j of its group.
double coveringRadius(const Centres& c, int n, const Corrections& w, const RootDisks& disks, int i);
// Returns an upper bound of |Wi| / (1 - Si), at most n |Wi| (without the
// centre's error), for a disk n |Wi| apart from all the others.
double isolatedRadius(const Centres& c, int n, const Corrections& w, int i);
// Sets the disks 1 to n = count - 1 of the simultaneous theorem from all n
// centres. Returns false where the theorem cannot be used (the disks are
// then to be found otherwise).
bool simultaneousDisks(const Coefficients& a, int count, const Centres& c, RootDisks& disks);

}  // namespace secant::inclusion
