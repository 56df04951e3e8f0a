#include "app/output.hpp"

#include <sstream>

#include "platform/cp1251.hpp"

namespace secant {

namespace {

void writeHex(std::ostream& out, unsigned char byte) {
    constexpr char kHex[] = "0123456789abcdef";
    out << "\\x" << kHex[byte >> 4] << kHex[byte & 0xF];
}

// The length of the valid UTF-8 sequence at the start of text (at most
// left bytes), or 0 where none starts there: no overlong form, no
// surrogate, nothing beyond U+10FFFF.
std::size_t validUtf8Length(const unsigned char* text, std::size_t left) {
    const unsigned char lead = text[0];
    std::size_t length = 0;
    unsigned char low = 0x80;  // the range of the byte after the lead
    unsigned char high = 0xBF;
    if (lead < 0x80) {
        return 1;
    }
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (length > left || text[1] < low || text[1] > high) {
        return 0;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (text[i] < 0x80 || text[i] > 0xBF) {
            return 0;
        }
    }
    return length;
}

// A control character of one byte: C0 or DEL.
bool isControl(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F;
}

void writeControl(std::ostream& out, unsigned char byte) {
    switch (byte) {
        case '\n': out << "\\n"; break;
        case '\t': out << "\\t"; break;
        case '\r': out << "\\r"; break;
        default: writeHex(out, byte); break;
    }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Escaped& escaped) {
    const auto* text = reinterpret_cast<const unsigned char*>(escaped.text.data());
    const std::size_t size = escaped.text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char byte = text[i];
        if (isControl(byte)) {
            writeControl(out, byte);
            ++i;
            continue;
        }
        std::size_t length = 1;
        if (escaped.bytes == UserBytes::Utf8) {
            length = validUtf8Length(text + i, size - i);
            // U+0080 to U+009F, the C1 controls: C2 80 to C2 9F.
            if (length == 0 || (byte == 0xC2 && text[i + 1] <= 0x9F)) {
                writeHex(out, byte);
                ++i;
                continue;
            }
        }
        out.write(escaped.text.data() + i, static_cast<std::streamsize>(length));
        i += length;
    }
    return out;
}

std::ostream& operator<<(std::ostream& out, RootNames names) {
    const char* separator = "";
    for (unsigned k = 0; k < 32; ++k) {
        if (((names.roots >> k) & 1U) != 0) {
            out << separator << "x" << k;
            separator = ", ";
        }
    }
    return out;
}

void TextValue::write(std::ostream& out, PrintText printText) const {
    if (text_ != nullptr) {
        printText(out, text_);
    } else {
        insert_(out, value_);
    }
}

void fillText(std::ostream& out, PrintText printText, Text text,
              std::initializer_list<TextValue> values) {
    const TextValue* next = values.begin();
    char piece[kOemBufferSize];
    std::size_t length = 0;
    const auto writePiece = [&] {
        if (length > 0) {
            piece[length] = '\0';
            printText(out, piece);
            length = 0;
        }
    };
    for (const char* c = text.zeroTerminated(); *c != '\0'; ++c) {
        if (c[0] == '{' && c[1] == '}' && next != values.end()) {
            writePiece();
            next->write(out, printText);
            ++next;
            ++c;
        } else if (*c == '\n') {
            writePiece();
            out << std::endl;
        } else {
            piece[length++] = *c;
            if (length == kMaxTextBytes) {
                writePiece();
            }
        }
    }
    writePiece();
}

std::string utf8Text(Text text, std::initializer_list<TextValue> values) {
    std::ostringstream out;
    fillText(out, &printUtf8, text, values);
    return out.str();
}

void flushBeforeError(Console& console) {
    console.out.flush();
}

}  // namespace secant
