// Signals on POSIX: the signals that end the process and their handler.
#include "platform/posix/signals.hpp"

#include <unistd.h>

namespace secant {

namespace {

// The signals that a handler cannot catch or whose default action is not to
// end the process; every other signal the system has ends it.
constexpr int kNotEndingSignals[] = {
    SIGKILL, SIGSTOP, SIGTSTP, SIGTTIN, SIGTTOU, SIGCONT, SIGCHLD, SIGURG, SIGWINCH,
#ifdef SIGINFO
    SIGINFO,
#endif
#ifdef SIGTHR
    SIGTHR,
#endif
};

}  // namespace

SignalTimeState signalTimeState;

bool endsProcessByDefault(int signalNumber) {
    if (signalNumber <= 0 || signalNumber >= kSignalLimit) {
        return false;
    }
    for (const int s : kNotEndingSignals) {
        if (s == signalNumber) {
            return false;
        }
    }
    return true;
}

sigset_t endingSignalSet() {
    sigset_t set{};
    sigemptyset(&set);
    for (int s = 1; s < kSignalLimit; ++s) {
        if (endsProcessByDefault(s)) {
            (void)sigaddset(&set, s);  // fails for a number the system keeps
        }
    }
    return set;
}

bool restoreTerminal() {
    SignalTimeState& state = signalTimeState;
    // A handler that interrupts the restore may have restored the mode
    // itself; the mode is marked restored only once it is.
    const int restored = retryInterrupted([&] {
        return state.terminalIsRaw == 0 ? 0
                                        : tcsetattr(state.terminal, TCSAFLUSH, &state.savedMode);
    });
    state.terminalIsRaw = 0;
    return restored == 0;
}

void removeTemporary() {
    const char* const name = signalTimeState.temporaryToRemove;
    if (name != nullptr) {
        signalTimeState.temporaryToRemove = nullptr;
        (void)unlink(name);
    }
}

void raiseWithDefaultAction(int signalNumber) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    (void)sigaction(signalNumber, &fallback, nullptr);
    (void)raise(signalNumber);  // pending: the signal is blocked in its handler
    sigset_t only{};
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    (void)sigprocmask(SIG_UNBLOCK, &only, nullptr);
    (void)sigprocmask(SIG_BLOCK, &only, nullptr);
}

bool giveHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigfillset(&action.sa_mask);
    return sigaction(signalNumber, &action, nullptr) == 0;
}

void onEndingSignal(int signalNumber) {
    const ErrnoKept kept;
    (void)restoreTerminal();
    removeTemporary();
    raiseWithDefaultAction(signalNumber);
    // Not reached: the signal's default action has ended the process.
    _exit(128 + signalNumber);
}

SignalsCaught::~SignalsCaught() {
    const ErrnoKept kept;
    for (int s = 1; s < kSignalLimit; ++s) {
        if (caught_[s]) {
            (void)sigaction(s, &previous_[s], nullptr);
            caught_[s] = false;
        }
    }
}

bool SignalsCaught::catchSignal(int signalNumber, void (*handler)(int)) {
    if (caught_[signalNumber] || sigaction(signalNumber, nullptr, &previous_[signalNumber]) != 0 ||
        previous_[signalNumber].sa_handler == SIG_IGN) {
        return false;
    }
    caught_[signalNumber] = giveHandler(signalNumber, handler);
    return caught_[signalNumber];
}

void SignalsCaught::catchEndingSignals() {
    for (int s = 1; s < kSignalLimit; ++s) {
        if (endsProcessByDefault(s)) {
            (void)catchSignal(s, onEndingSignal);  // fails for a number the system keeps
        }
    }
}

bool SignalsCaught::reaches(int signalNumber) const {
    sigset_t blocked{};
    (void)sigprocmask(SIG_BLOCK, nullptr, &blocked);
    return caught_[signalNumber] && sigismember(&blocked, signalNumber) == 0;
}

}  // namespace secant
