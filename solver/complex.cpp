#include "solver/complex.hpp"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <istream>
#include <streambuf>

#include "solver/arithmetic/characters.hpp"
#include "solver/arithmetic/complex_formulas.hpp"

namespace secant {

Complex operator+(Complex z, Complex w) {
    return formulas::sum<Arithmetic>(z, w);
}

Complex operator-(Complex z, Complex w) {
    return formulas::difference<Arithmetic>(z, w);
}

Complex operator*(Complex z, Complex w) {
    return formulas::product<Arithmetic>(z, w);
}

Complex operator/(Complex z, Complex w) {
    return formulas::quotient<Arithmetic>(z, w);
}

float divisorNorm(Complex w) {
    return formulas::divisorNorm<Arithmetic>(w);
}

Extended norm(Complex z) {
    return formulas::norm<Arithmetic>(z);
}

Extended abs(Complex z) {
    return formulas::abs<Arithmetic>(z);
}

namespace {

// The nearest binary32 value of a decimal depends only on its first
// significant digits, on how many digits follow them and on whether any of
// them is nonzero: no point halfway between two binary32 values, nor the
// one below the smallest, has more than 113 significant digits, so 120 and
// one nonzero digit for all the rest round as the whole number does.
constexpr int kKeptDigits = 120;
// Beyond this decimal exponent of the first digit every number is an
// infinity or a zero, so the exponent given to strtof is held to it.
constexpr long long kExponentLimit = 100000;
// A written exponent is held below this, which no count of digits read
// before it can come near.
constexpr long long kWrittenExponentLimit = 1000000000000000000 / 10;

// A number as the stream's float extraction takes it (sign, digits, one
// point, an exponent after a digit), in constant memory: the text it
// gives strtof holds the kept digits only.
class DecimalText {
public:
    void sign(char c) { (exponentStarted_ ? exponentNegative_ : negative_) = c == '-'; }

    void digit(char c, bool beforePoint) {
        hasDigit_ = true;
        if (exponentStarted_) {
            exponentDigits_ = true;
            exponent_ = std::min(exponent_ * 10 + (c - '0'), kWrittenExponentLimit);
            return;
        }
        if (kept_ == 0 && c == '0') {
            firstDigitPlace_ -= beforePoint ? 0 : 1;  // a zero before the first significant digit
            return;
        }
        firstDigitPlace_ += beforePoint ? 1 : 0;
        if (kept_ < kKeptDigits) {
            digits_[kept_++] = c;
        } else if (c != '0') {
            more_ = true;
        }
    }

    void startExponent() { exponentStarted_ = true; }
    [[nodiscard]] bool exponentStarted() const { return exponentStarted_; }
    [[nodiscard]] bool hasDigit() const { return hasDigit_; }
    [[nodiscard]] bool complete() const { return hasDigit_ && exponentStarted_ == exponentDigits_; }

    [[nodiscard]] float value() const {
        // -0.<digits>[1]e<exponent>, the first digit's place counted from the point.
        char text[kKeptDigits + 32];
        char* out = text;
        if (negative_) {
            *out++ = '-';
        }
        *out++ = '0';
        *out++ = '.';
        for (int i = 0; i < kept_; ++i) {
            *out++ = digits_[i];
        }
        if (more_) {
            *out++ = '1';
        }
        const long long place =
            std::clamp(firstDigitPlace_ + (exponentNegative_ ? -exponent_ : exponent_),
                       -kExponentLimit, kExponentLimit);
        *out++ = 'e';
        *std::to_chars(out, text + sizeof text - 1, kept_ > 0 ? place : 0).ptr = '\0';
        return std::strtof(text, nullptr);
    }

private:
    char digits_[kKeptDigits] = {};
    int kept_ = 0;
    bool more_ = false;
    long long firstDigitPlace_ = 0;
    bool negative_ = false;
    bool hasDigit_ = false;
    bool exponentStarted_ = false;
    bool exponentDigits_ = false;
    bool exponentNegative_ = false;
    long long exponent_ = 0;
};

// Takes the characters of a number from the buffer as the stream's float
// extraction takes them, and leaves the first that cannot continue it.
// True when the input ended.
bool scanNumber(std::streambuf& input, DecimalText& number) {
    const int eof = std::char_traits<char>::eof();
    int c = input.sgetc();
    if (c == '+' || c == '-') {
        number.sign(static_cast<char>(c));
        c = input.snextc();
    }
    bool point = false;
    while (c != eof) {
        if (isDigit(c)) {
            number.digit(static_cast<char>(c), !point);
        } else if (c == '.' && !point && !number.exponentStarted()) {
            point = true;
        } else if ((c == 'e' || c == 'E') && !number.exponentStarted() && number.hasDigit()) {
            number.startExponent();
            c = input.snextc();
            if (c == '+' || c == '-') {
                number.sign(static_cast<char>(c));
            } else {
                continue;
            }
        } else {
            break;
        }
        c = input.snextc();
    }
    return c == eof;
}

}  // namespace

std::istream& readSingle(std::istream& in, float& value) {
    const std::istream::sentry ready(in);
    if (!ready) {
        return in;
    }
    DecimalText number;
    try {
        if (scanNumber(*in.rdbuf(), number)) {
            in.setstate(std::ios_base::eofbit);
        }
    } catch (...) {
        in.setstate(std::ios_base::badbit);  // the input could not be read
        return in;
    }
    if (!number.complete()) {
        in.setstate(std::ios_base::failbit);
        return in;
    }
    // Beyond the binary32 range: an infinity of its sign, as strtof gives.
    value = number.value();
    return in;
}

std::istream& operator>>(std::istream& in, Complex& z) {
    float real = 0.0F;
    float imaginary = 0.0F;
    char ch = '\0';
    if (!(in >> ch)) {
        return in;
    }
    if (ch == '(') {
        readSingle(in, real);
        in >> ch;  // a failed read leaves ch as it was
        if (ch == ',') {
            readSingle(in, imaginary);
            in >> ch;
        }
        if (ch != ')') {
            in.setstate(std::ios_base::failbit);
        }
    } else {
        in.putback(ch);
        readSingle(in, real);
    }
    if (!in.fail()) {
        z = Complex(real, imaginary);
    }
    return in;
}

}  // namespace secant
