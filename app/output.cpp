#include "app/output.hpp"

namespace secant {

void print(Console& console, std::ostream& stream, Text text) {
    console.printOem(stream, text.zeroTerminated());
}

void print(Console& console, Text text) {
    print(console, console.out, text);
}

void printLine(Console& console, Text text) {
    print(console, text);
    console.out << std::endl;
}

std::ostream& operator<<(std::ostream& out, const Escaped& escaped) {
    constexpr char kHex[] = "0123456789abcdef";
    for (const char c : escaped.text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            out << c;
        } else if (c == '\n') {
            out << "\\n";
        } else if (c == '\t') {
            out << "\\t";
        } else if (c == '\r') {
            out << "\\r";
        } else {
            out << "\\x" << kHex[byte >> 4] << kHex[byte & 0xF];
        }
    }
    return out;
}

ErrorLine::ErrorLine(Console& console) : console_(console) {
    console_.out.flush();
}

ErrorLine::~ErrorLine() {
    console_.err << std::endl;
}

ErrorLine& ErrorLine::operator<<(Text text) {
    print(console_, console_.err, text);
    return *this;
}

ErrorLine& ErrorLine::operator<<(int number) {
    console_.err << number;
    return *this;
}

ErrorLine& ErrorLine::operator<<(const Escaped& escaped) {
    console_.err << escaped;
    return *this;
}

}  // namespace secant
