// The dialogue's console, and how the program writes its texts to it: print
// and printLine on standard output, ErrorLine for a line on standard error.
#pragma once

#include <istream>
#include <ostream>
#include <string_view>

#include "app/texts.hpp"
#include "platform/file_write.hpp"

namespace secant {

// Writes a zero-terminated Windows-1251 text to the stream, converted for
// the console, without a line end.
using PrintText = void (*)(std::ostream& out, const char* text);
// Waits for one key press; the result is discarded.
using WaitForKey = int (*)();
// Writes a whole file (the picture), or reports why it could not.
using WriteFile = FileWriteResult (*)(const char* path, std::string_view content);

struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    PrintText printOem;
    WaitForKey waitForKey;
    WriteFile writeFile;
};

// Writes the text, converted for the console, without a line end: on the
// stream given, or on standard output; printLine ends the line.
void print(Console& console, std::ostream& stream, Text text);
void print(Console& console, Text text);
void printLine(Console& console, Text text);

// A text given by the user (a file name, an option, what is left on a line),
// written with its control characters escaped (\n, \t, \r, \x1b), so that a
// newline or an escape sequence in it never reaches the terminal.
struct Escaped {
    std::string_view text;
};

std::ostream& operator<<(std::ostream& out, const Escaped& escaped);

// One line on standard error after everything written to standard output so
// far: standard output is flushed where the line is made, its parts follow
// in order, and the line ends where it goes.
//
//   ErrorLine(console) << texts::kCoefficientError << index << texts::kMalformed;
class ErrorLine {
public:
    explicit ErrorLine(Console& console);
    ~ErrorLine();
    ErrorLine(const ErrorLine&) = delete;
    ErrorLine& operator=(const ErrorLine&) = delete;

    ErrorLine& operator<<(Text text);
    ErrorLine& operator<<(int number);
    ErrorLine& operator<<(const Escaped& escaped);

private:
    Console& console_;
};

}  // namespace secant
