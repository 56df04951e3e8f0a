// The console layer: one implementation per operating system.
#pragma once

#include <ostream>

namespace secant {

// The console for one run. Made at start-up: sets how standard output is
// buffered, gives standard input a buffer of the program's own (an
// InputBuffer) and opens the console input that the key wait reads (the
// terminal on POSIX, CONIN$ on Windows); gone at exit: closes it. There is
// one at a time.
class ConsoleSession {
public:
    ConsoleSession();
    ~ConsoleSession();
    ConsoleSession(const ConsoleSession&) = delete;
    ConsoleSession& operator=(const ConsoleSession&) = delete;
};

// Writes a zero-terminated Windows-1251 text of at most kMaxTextBytes, converted
// for the console, without a line end (longer texts are cut there).
void printOem(std::ostream& out, const char* text);

// Blocks until one key press arrives from the console itself, never from
// standard input. Returns a character as a signed byte value; for a key with
// an extended PC code, 0, and the code's low byte on the next call; -1 when
// there is no console or its mode cannot be read, set or restored.
int waitForKey();

}  // namespace secant
