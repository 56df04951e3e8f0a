// Windows-1251, the code page in which the program stores its texts.
#pragma once

#include <array>
#include <cstddef>
#include <ostream>

namespace secant {

// The longest text that the console output takes, without its terminating zero.
inline constexpr std::size_t kMaxTextBytes = 99;
// The conversion buffer: a text and its terminating zero.
inline constexpr std::size_t kOemBufferSize = kMaxTextBytes + 1;

// Unicode code points of the bytes 0x80 to 0xFF. 0x98 has no character; it
// stands as U+FFFD.
inline constexpr std::array<char16_t, 128> kCp1251Upper = {
    u'\u0402', u'\u0403', u'\u201A', u'\u0453', u'\u201E', u'\u2026', u'\u2020', u'\u2021',
    u'\u20AC', u'\u2030', u'\u0409', u'\u2039', u'\u040A', u'\u040C', u'\u040B', u'\u040F',
    u'\u0452', u'\u2018', u'\u2019', u'\u201C', u'\u201D', u'\u2022', u'\u2013', u'\u2014',
    u'\uFFFD', u'\u2122', u'\u0459', u'\u203A', u'\u045A', u'\u045C', u'\u045B', u'\u045F',
    u'\u00A0', u'\u040E', u'\u045E', u'\u0408', u'\u00A4', u'\u0490', u'\u00A6', u'\u00A7',
    u'\u0401', u'\u00A9', u'\u0404', u'\u00AB', u'\u00AC', u'\u00AD', u'\u00AE', u'\u0407',
    u'\u00B0', u'\u00B1', u'\u0406', u'\u0456', u'\u0491', u'\u00B5', u'\u00B6', u'\u00B7',
    u'\u0451', u'\u2116', u'\u0454', u'\u00BB', u'\u0458', u'\u0405', u'\u0455', u'\u0457',
    u'\u0410', u'\u0411', u'\u0412', u'\u0413', u'\u0414', u'\u0415', u'\u0416', u'\u0417',
    u'\u0418', u'\u0419', u'\u041A', u'\u041B', u'\u041C', u'\u041D', u'\u041E', u'\u041F',
    u'\u0420', u'\u0421', u'\u0422', u'\u0423', u'\u0424', u'\u0425', u'\u0426', u'\u0427',
    u'\u0428', u'\u0429', u'\u042A', u'\u042B', u'\u042C', u'\u042D', u'\u042E', u'\u042F',
    u'\u0430', u'\u0431', u'\u0432', u'\u0433', u'\u0434', u'\u0435', u'\u0436', u'\u0437',
    u'\u0438', u'\u0439', u'\u043A', u'\u043B', u'\u043C', u'\u043D', u'\u043E', u'\u043F',
    u'\u0440', u'\u0441', u'\u0442', u'\u0443', u'\u0444', u'\u0445', u'\u0446', u'\u0447',
    u'\u0448', u'\u0449', u'\u044A', u'\u044B', u'\u044C', u'\u044D', u'\u044E', u'\u044F',
};

inline constexpr char32_t kNoCharacter = U'\uFFFD';

constexpr char32_t cp1251ToUnicode(unsigned char byte) {
    return byte < 0x80 ? char32_t{byte} : char32_t{kCp1251Upper[byte - 0x80]};
}

// The Windows-1251 byte of a code point, or -1 where it has none.
constexpr int unicodeToCp1251(char32_t codePoint) {
    if (codePoint < 0x80) {
        return static_cast<int>(codePoint);
    }
    if (codePoint == kNoCharacter) {
        return -1;
    }
    for (std::size_t i = 0; i < kCp1251Upper.size(); ++i) {
        if (kCp1251Upper[i] == codePoint) {
            return static_cast<int>(0x80 + i);
        }
    }
    return -1;
}

// UTF-8, as the texts are written in the sources and as a terminal sends
// its characters: the length of a sequence from its lead byte (1 for a byte
// that cannot lead one)...
constexpr std::size_t utf8Length(unsigned char lead) {
    if (lead >= 0xF0) {
        return 4;
    }
    if (lead >= 0xE0) {
        return 3;
    }
    if (lead >= 0xC0) {
        return 2;
    }
    return 1;
}

// ...and the code point of one whole sequence of that length. A four-byte
// character lies beyond every character Windows-1251 has: kNoCharacter.
template <class Byte>
constexpr char32_t decodeUtf8(const Byte* bytes, std::size_t length) {
    const auto byte = [bytes](std::size_t i) {
        return char32_t{static_cast<unsigned char>(bytes[i])};
    };
    switch (length) {
        case 1: return byte(0);
        case 2: return ((byte(0) & 0x1F) << 6) | (byte(1) & 0x3F);
        case 3: return ((byte(0) & 0x0F) << 12) | ((byte(1) & 0x3F) << 6) | (byte(2) & 0x3F);
        default: return kNoCharacter;
    }
}

// A text stored as its Windows-1251 bytes, zero-terminated.
template <std::size_t N>
struct Cp1251Text {
    std::array<char, N> bytes{};
    std::size_t size = 0;

    [[nodiscard]] constexpr const char* zeroTerminated() const { return bytes.data(); }
};

// A text written in UTF-8, converted to Windows-1251 at compile time: a
// character that Windows-1251 lacks stops the build. (A text may be longer
// than the console output takes: the program writes it in pieces.)
template <std::size_t N>
consteval Cp1251Text<N> cp1251(const char8_t (&utf8)[N]) {
    Cp1251Text<N> text{};
    std::size_t i = 0;
    while (i + 1 < N) {
        const std::size_t length = utf8Length(static_cast<unsigned char>(utf8[i]));
        const int byte = unicodeToCp1251(decodeUtf8(utf8 + i, length));
        if (byte < 0) {
            throw "a text character that Windows-1251 lacks";
        }
        text.bytes[text.size++] = static_cast<char>(byte);
        i += length;
    }
    return text;
}

// Writes the UTF-8 form of the zero-terminated Windows-1251 text into out
// (capacity bytes, always zero-terminated) and returns its length. At most
// kMaxTextBytes source bytes are converted; a character that does not fit
// whole is left out with everything after it.
std::size_t cp1251ToUtf8(const char* text, char* out, std::size_t capacity);

// Room for the UTF-8 form of any text of kMaxTextBytes bytes.
inline constexpr std::size_t kUtf8BufferSize = 3 * kMaxTextBytes + 1;

// Writes the UTF-8 form of a zero-terminated Windows-1251 text of at most
// kMaxTextBytes (the console output of a terminal), without a line end.
void printUtf8(std::ostream& out, const char* text);

}  // namespace secant
