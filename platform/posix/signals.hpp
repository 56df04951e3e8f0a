// Signals on POSIX.
#pragma once

#include <csignal>

namespace secant {

// The signals whose default action ends the process and that a handler can
// catch, less the faults of an instruction (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGTRAP, SIGSYS): what a user, a shell, a timer or a limit sends.
inline constexpr int kEndingSignals[] = {SIGINT,    SIGTERM, SIGHUP,  SIGQUIT, SIGABRT,
                                         SIGALRM,   SIGPIPE, SIGUSR1, SIGUSR2, SIGPROF,
                                         SIGVTALRM, SIGXCPU, SIGXFSZ};

}  // namespace secant
