#pragma once

#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <initializer_list>
#include <ostream>

#include "case_name.hpp"
#include "solver/arithmetic/numeric_environment.hpp"
#include "solver/polynomial.hpp"

namespace secant::testing {

inline std::uint32_t bits(float value) {
    return std::bit_cast<std::uint32_t>(value);
}

// Equal to the bit, so that -0 differs from +0 and a NaN is caught.
#define EXPECT_SAME_COMPLEX(actual, expectedRe, expectedIm)                              \
    do {                                                                                 \
        const ::secant::Complex got_ = (actual);                                         \
        EXPECT_EQ(::secant::testing::bits(got_.re), ::secant::testing::bits(expectedRe)) \
            << "re " << got_.re << " expected " << (expectedRe);                         \
        EXPECT_EQ(::secant::testing::bits(got_.im), ::secant::testing::bits(expectedIm)) \
            << "im " << got_.im << " expected " << (expectedIm);                         \
    } while (false)

inline void loadTable(std::initializer_list<Complex> coefficients) {
    coefficientTable = CoefficientTable{};
    for (const Complex c : coefficients) {
        coefficientTable.coefficients[static_cast<std::size_t>(coefficientTable.count++)] = c;
    }
}

// Every test starts from the numeric environment of the program and a clean table.
class SolverTest : public ::testing::Test {
protected:
    void SetUp() override {
        establishNumericEnvironment();
        coefficientTable = CoefficientTable{};
    }
};

}  // namespace secant::testing
