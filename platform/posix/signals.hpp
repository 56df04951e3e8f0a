// Signals on POSIX: the signals that end the process, the state that their
// handlers find, and the handlers' own work.
//
// A function marked "signal-safe:" may run inside a signal handler: it
// makes only async-signal-safe calls and touches no state but
// signalTimeState and its own locals.
#pragma once

#include <termios.h>

#include <csignal>

#include "platform/posix/retry.hpp"

namespace secant {

// One past the highest signal number the system has.
#ifdef NSIG
inline constexpr int kSignalLimit = NSIG;
#else
inline constexpr int kSignalLimit = _NSIG;
#endif

// Whether the signal's default action ends the process and a handler may
// catch it: every signal the system has but those that cannot be caught
// and those whose default action stops, continues or ignores.
bool endsProcessByDefault(int signalNumber);

// The set of the signals that end the process by default.
sigset_t endingSignalSet();

// Everything that a signal handler reads or writes. Outside the handlers,
// terminal and savedMode are written only while terminalIsRaw is 0, and
// temporaryToRemove only while the ending signals are held.
struct SignalTimeState {
    int terminal = -1;
    termios savedMode{};
    volatile std::sig_atomic_t terminalIsRaw = 0;  // in the key wait's mode
    volatile std::sig_atomic_t continued = 0;      // went on after a stop
    const char* volatile temporaryToRemove = nullptr;
};

extern SignalTimeState signalTimeState;

// signal-safe: gives the terminal its saved mode where it is raw, and
// discards whatever is still queued on it, so that nothing typed for the
// program reaches the shell after it. Safe to call twice, from the handlers
// and outside them alike: once the mode is restored, a call does nothing.
// Returns whether the mode is restored.
bool restoreTerminal();

// signal-safe: removes the temporary file, where there is one.
void removeTemporary();

// signal-safe: from a handler (where the signal is blocked): raises the
// signal with its default action, lets it through and blocks it again.
// Returns once the process goes on (for a stop) or never (for an end).
void raiseWithDefaultAction(int signalNumber);

// signal-safe: gives the signal the handler, with every signal blocked while
// it runs (there is no SA_RESTART: a blocking call in progress returns
// EINTR). Returns whether it did.
bool giveHandler(int signalNumber, void (*handler)(int));

// signal-safe: the handler of the signals that end the process: restores
// the terminal, removes the temporary file, then ends the process by the
// same signal. A fault that the process raised itself ends it here too:
// the handler never returns to the faulting instruction.
void onEndingSignal(int signalNumber);

// The set of the signals listed.
template <class Signals>
sigset_t signalSetOf(const Signals& signals) {
    sigset_t set{};
    sigemptyset(&set);
    for (const int s : signals) {
        sigaddset(&set, s);
    }
    return set;
}

// While it lives, the signals of the set wait: one sent meanwhile is
// delivered once it goes. Leaves errno as it was, so that a call made while
// it lived can be judged after it.
class SignalsHeld {
public:
    explicit SignalsHeld(const sigset_t& held) { (void)sigprocmask(SIG_BLOCK, &held, &previous_); }
    ~SignalsHeld() {
        const ErrnoKept kept;
        (void)sigprocmask(SIG_SETMASK, &previous_, nullptr);
    }
    SignalsHeld(const SignalsHeld&) = delete;
    SignalsHeld& operator=(const SignalsHeld&) = delete;

private:
    sigset_t previous_{};
};

// The process's own handlers for as long as it lives: each signal given one
// through it has its previous action again when it goes. A signal that is
// ignored stays ignored, as one that a shell ignored for its job.
class SignalsCaught {
public:
    SignalsCaught() = default;
    ~SignalsCaught();
    SignalsCaught(const SignalsCaught&) = delete;
    SignalsCaught& operator=(const SignalsCaught&) = delete;

    // Gives the signal the handler, unless it is ignored; whether it did.
    bool catchSignal(int signalNumber, void (*handler)(int));

    // Gives each signal that ends the process onEndingSignal.
    void catchEndingSignals();

    // Whether the signal would reach its handler: given it, and not blocked.
    [[nodiscard]] bool reaches(int signalNumber) const;

private:
    struct sigaction previous_[kSignalLimit] = {};
    bool caught_[kSignalLimit] = {};
};

}  // namespace secant
