// Windows-only part of the console layer that the Windows tests reach.
#pragma once

#include <cstddef>

namespace secant {

// Converts a zero-terminated Windows-1251 text (at most kMaxTextBytes) into the
// code page given (866, 65001, ...) through UTF-16; characters that the code
// page lacks become its default character. Returns the length written.
std::size_t convertFromCp1251(const char* text, unsigned codePage, char* out, std::size_t capacity);

}  // namespace secant
