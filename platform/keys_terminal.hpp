// The terminal's key decoder: the bytes a key press sends (a character in
// UTF-8, an escape sequence of xterm, the Linux console or rxvt) as a keyboard
// code.
#pragma once

#include <cstddef>

#include "platform/keys.hpp"

namespace secant {

// Whether the bytes received so far (length >= 1) may still grow into a
// longer key sequence (an escape sequence or a UTF-8 character).
bool keySequenceWantsMore(const unsigned char* bytes, std::size_t length);

// The keyboard code of one complete sequence, or kNoKey. A UTF-8 character
// becomes its Windows-1251 byte, or '?' where it has none.
int decodeTerminalKey(const unsigned char* bytes, std::size_t length);

}  // namespace secant
