// The console dialogue: banner, order, coefficients, roots, key wait.
#pragma once

#include <istream>
#include <ostream>

#include "app/options.hpp"

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
int runDialogue(Console& console, const DialogueOptions& options = {});

// The message for an option that could not be used, on standard error.
void printOptionError(Console& console, const Command& command);

// Writes the usage text (for --help, and after an option error).
void printUsage(Console& console, std::ostream& out);

}  // namespace secant
