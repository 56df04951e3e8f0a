// The console dialogue: banner, order, coefficients, roots, key wait.
#pragma once

#include <istream>
#include <ostream>

#include "app/options.hpp"
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

// Runs the whole dialogue on the process-wide coefficient table, which must
// be in its initial state, and returns the exit status.
int runDialogue(Console& console, const DialogueOptions& options = {});

// The message for an option that could not be used, on standard error.
void printOptionError(Console& console, const Command& command);

// Flushes standard output; if any write to it failed, says so on standard
// error and gives status 1, otherwise the status given.
int checkOutputWritten(Console& console, int status);

// Writes the usage text (for --help, and after an option error).
void printUsage(Console& console, std::ostream& out);

}  // namespace secant
