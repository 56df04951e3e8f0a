// The console dialogue: banner, order, coefficients, roots, key wait.
#pragma once

#include <ostream>

#include "app/options.hpp"
#include "app/output.hpp"

namespace secant {

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
