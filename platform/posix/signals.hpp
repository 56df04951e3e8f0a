// Signals on POSIX.
#pragma once

#include <csignal>
#include <cstddef>

#include "platform/posix/retry.hpp"

namespace secant {

// The signals whose default action ends the process and that a handler can
// catch, less the faults of an instruction (SIGSEGV, SIGBUS, SIGFPE, SIGILL,
// SIGTRAP, SIGSYS): what a user, a shell, a timer or a limit sends.
inline constexpr int kEndingSignals[] = {SIGINT,    SIGTERM, SIGHUP,  SIGQUIT, SIGABRT,
                                         SIGALRM,   SIGPIPE, SIGUSR1, SIGUSR2, SIGPROF,
                                         SIGVTALRM, SIGXCPU, SIGXFSZ};

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

// The process's own handler for a set of signals, and the actions that they
// had before it. It lives at namespace scope, where the handler finds it.
// Everything in it that a handler may call is async-signal-safe.
template <std::size_t N>
class SignalHandlers {
public:
    template <class Signals>
    SignalHandlers(const Signals& signals, void (*handler)(int)) : handler_(handler) {
        std::size_t i = 0;
        for (const int s : signals) {
            signals_[i++] = s;
        }
    }
    SignalHandlers(const SignalHandlers&) = delete;
    SignalHandlers& operator=(const SignalHandlers&) = delete;

    // Gives each signal of the set the handler and keeps the action it had;
    // a signal that is ignored stays ignored.
    void install() {
        for (std::size_t i = 0; i < N; ++i) {
            installed_[i] = false;
            if (sigaction(signals_[i], nullptr, &previous_[i]) != 0 ||
                previous_[i].sa_handler == SIG_IGN) {
                continue;
            }
            reinstall(signals_[i]);
        }
    }

    // Gives the signal the handler again (from the handler, once the
    // signal's default action has stopped the process and it goes on).
    // While the handler runs, every signal of the set waits; there is no
    // SA_RESTART: a blocking call in progress returns EINTR.
    void reinstall(int signalNumber) {
        struct sigaction action {};
        action.sa_handler = handler_;
        action.sa_mask = signalSetOf(signals_);
        installed_[slotOf(signalNumber)] = sigaction(signalNumber, &action, nullptr) == 0;
    }

    // Gives each signal the action it had.
    void remove() {
        for (std::size_t i = 0; i < N; ++i) {
            if (installed_[i]) {
                sigaction(signals_[i], &previous_[i], nullptr);
                installed_[i] = false;
            }
        }
    }

    // From the handler: gives the signal the action it had and raises it,
    // to be delivered with that action as soon as the handler returns.
    void handOn(int signalNumber) {
        sigaction(signalNumber, &previous_[slotOf(signalNumber)], nullptr);
        (void)raise(signalNumber);
    }

    // Whether the signal would reach the handler: given it, and not blocked.
    [[nodiscard]] bool reaches(int signalNumber) const {
        sigset_t blocked{};
        (void)sigprocmask(SIG_BLOCK, nullptr, &blocked);
        return installed_[slotOf(signalNumber)] && sigismember(&blocked, signalNumber) == 0;
    }

private:
    [[nodiscard]] std::size_t slotOf(int signalNumber) const {
        std::size_t i = 0;
        while (i + 1 < N && signals_[i] != signalNumber) {
            ++i;
        }
        return i;
    }

    int signals_[N] = {};
    void (*handler_)(int);
    struct sigaction previous_[N] = {};
    bool installed_[N] = {};
};

// The handlers installed for as long as it lives.
template <std::size_t N>
class SignalHandlersInstalled {
public:
    explicit SignalHandlersInstalled(SignalHandlers<N>& handlers) : handlers_(handlers) {
        handlers_.install();
    }
    ~SignalHandlersInstalled() { handlers_.remove(); }
    SignalHandlersInstalled(const SignalHandlersInstalled&) = delete;
    SignalHandlersInstalled& operator=(const SignalHandlersInstalled&) = delete;

private:
    SignalHandlers<N>& handlers_;
};

}  // namespace secant
