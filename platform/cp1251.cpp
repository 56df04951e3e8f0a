#include "platform/cp1251.hpp"

namespace secant {

namespace {

std::size_t encodeUtf8(char32_t codePoint, char* out) {
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if (codePoint < 0x800) {
        out[0] = static_cast<char>(0xC0 | (codePoint >> 6));
        out[1] = static_cast<char>(0x80 | (codePoint & 0x3F));
        return 2;
    }
    out[0] = static_cast<char>(0xE0 | (codePoint >> 12));
    out[1] = static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (codePoint & 0x3F));
    return 3;
}

}  // namespace

std::size_t cp1251ToUtf8(const char* text, char* out, std::size_t capacity) {
    if (capacity == 0) {
        return 0;
    }
    std::size_t length = 0;
    for (std::size_t i = 0; i < kMaxTextBytes && text[i] != '\0'; ++i) {
        char encoded[3];
        const std::size_t size =
            encodeUtf8(cp1251ToUnicode(static_cast<unsigned char>(text[i])), encoded);
        if (length + size + 1 > capacity) {
            break;
        }
        for (std::size_t j = 0; j < size; ++j) {
            out[length++] = encoded[j];
        }
    }
    out[length] = '\0';
    return length;
}

void printUtf8(std::ostream& out, const char* text) {
    char buffer[kUtf8BufferSize];
    cp1251ToUtf8(text, buffer, sizeof buffer);
    out << buffer;
}

}  // namespace secant
