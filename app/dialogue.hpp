// The console dialogue: banner, order, coefficients, roots, key wait.
#pragma once

#include <istream>
#include <ostream>

namespace secant {

// Writes a zero-terminated Windows-1251 text to the stream, converted for
// the console, without a line end.
using PrintText = void (*)(std::ostream& out, const char* text);
// Waits for one key press; the result is discarded.
using WaitForKey = int (*)();

struct Console {
    std::istream& in;
    std::ostream& out;
    std::ostream& err;
    PrintText printOem;
    WaitForKey waitForKey;
};

// Runs the whole dialogue on the process-wide coefficient table, which must
// be in its initial state, and returns the exit status.
int runDialogue(Console& console);

}  // namespace secant
