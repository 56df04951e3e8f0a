// The character classes that reading numbers needs, the same in every locale.
#pragma once

namespace secant {

// A decimal digit '0'..'9' (a char, or a stream's int_type character).
constexpr bool isDigit(int c) {
    return c >= '0' && c <= '9';
}

}  // namespace secant
