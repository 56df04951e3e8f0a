// A complex value in binary64, for the bounds and the refinement; its
// arithmetic is written out where it is used, so that no library routine
// decides a bit.
#pragma once

namespace secant {

struct Complex64 {
    double re = 0;
    double im = 0;
};

}  // namespace secant
