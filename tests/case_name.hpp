// The one printer of the table-driven tests' cases.
#pragma once

#include <ostream>

namespace secant::testing {

// A case of a table-driven test shows as its name. A suite whose cases live
// in an unnamed namespace brings it there (using testing::PrintTo) for
// GoogleTest to find.
template <typename Case>
requires requires(const Case& c) {
    c.name;
}
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace secant::testing
