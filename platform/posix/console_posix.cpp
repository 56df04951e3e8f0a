// The console layer on a POSIX terminal: texts as UTF-8, the key wait on the
// controlling terminal in raw mode.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <iostream>

#include "platform/console.hpp"
#include "platform/cp1251.hpp"
#include "platform/input_buffer.hpp"
#include "platform/keys.hpp"
#include "platform/keys_terminal.hpp"
#include "platform/posix/descriptors.hpp"
#include "platform/posix/retry.hpp"
#include "platform/posix/signals.hpp"

namespace secant {

namespace {

// How long the rest of an escape sequence may take to arrive after its ESC.
constexpr int kSequenceTimeoutMs = 100;
constexpr std::size_t kMaxSequence = 32;
constexpr int kReadFailed = -2;
constexpr std::size_t kOutputBufferSize = 1 << 16;

long readStandardInput(char* into, std::size_t capacity) {
    return static_cast<long>(retryInterrupted([&] { return read(STDIN_FILENO, into, capacity); }));
}

InputBuffer standardInput(&readStandardInput);
std::streambuf* previousInput = nullptr;

// Opened and closed by the ConsoleSession; kept here for the signal handlers.
Descriptor terminal;
HeldKey heldKey;

// Shared with the signal handlers during the key wait.
termios savedMode{};
termios keyWaitMode{};
volatile std::sig_atomic_t terminalIsRaw = 0;
volatile std::sig_atomic_t continued = 0;

// Signals that stop the process: the mode is restored before it stops, and
// set again once it goes on in the foreground (SIGCONT).
constexpr int kStoppingSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};
constexpr std::size_t kSignalCount = std::size(kStoppingSignals) + 1 + std::size(kEndingSignals);
// Those, SIGCONT, and the signals that end the process: the mode is restored first.
constexpr std::array<int, kSignalCount> kHandledSignals = [] {
    std::array<int, kSignalCount> all{};
    std::size_t i = 0;
    for (const int s : kStoppingSignals) {
        all[i++] = s;
    }
    all[i++] = SIGCONT;
    for (const int s : kEndingSignals) {
        all[i++] = s;
    }
    return all;
}();

void onSignal(int signalNumber);
// Installed for the key wait only.
SignalHandlers<kSignalCount> handlers(kHandledSignals, onSignal);

// The one way back to the saved mode, from the wait and from the signal
// handlers alike. Whatever is still queued on the terminal is discarded,
// so nothing typed for the program reaches the shell after it. A handler
// that interrupts the restore may have restored the mode itself.
bool restoreSavedMode() {
    const int restored = retryInterrupted(
        [] { return terminalIsRaw == 0 ? 0 : tcsetattr(terminal.get(), TCSAFLUSH, &savedMode); });
    terminalIsRaw = 0;
    return restored == 0;
}

template <std::size_t N>
bool isOneOf(int signalNumber, const int (&signals)[N]) {
    for (const int s : signals) {
        if (s == signalNumber) {
            return true;
        }
    }
    return false;
}

// Raises the signal with its default action and returns once the process
// goes on (for a stop) or never (for an end).
void raiseWithDefaultAction(int signalNumber) {
    struct sigaction fallback {};
    fallback.sa_handler = SIG_DFL;
    sigemptyset(&fallback.sa_mask);
    sigaction(signalNumber, &fallback, nullptr);
    (void)raise(signalNumber);  // pending: the signal is blocked in its handler
    sigset_t only{};
    sigemptyset(&only);
    sigaddset(&only, signalNumber);
    (void)sigprocmask(SIG_UNBLOCK, &only, nullptr);
    (void)sigprocmask(SIG_BLOCK, &only, nullptr);
}

void onSignal(int signalNumber) {
    const ErrnoKept kept;
    if (signalNumber == SIGCONT) {
        continued = 1;
    } else if (isOneOf(signalNumber, kStoppingSignals)) {
        // Here SIGTTOU is blocked, so the mode can be restored even from
        // the background.
        (void)restoreSavedMode();
        raiseWithDefaultAction(signalNumber);
        handlers.reinstall(signalNumber);
        continued = 1;
    } else {
        (void)restoreSavedMode();
        handlers.handOn(signalNumber);
    }
}

bool inForeground() {
    const pid_t foreground = tcgetpgrp(terminal.get());
    return foreground < 0 || foreground == getpgrp();
}

// The key wait's mode is set with the other signals waiting, so that it is
// known to be set whenever a handler looks (SIGTTOU cannot wait: blocked, it
// would let the mode be set from the background).
const sigset_t kHeldWhileSetting = [] {
    sigset_t held = signalSetOf(kHandledSignals);
    sigdelset(&held, SIGTTOU);
    return held;
}();

constexpr int kGaveUp = -2;

// One attempt at setting the key wait's mode: 0, -1 with errno (EINTR where
// a signal interrupted it), or kGaveUp. In the background the terminal
// answers with SIGTTOU, which stops the process with the mode unchanged;
// once it goes on in the foreground, the mode is set. Where SIGTTOU is
// ignored or blocked the terminal would take the mode from the background,
// out from under the foreground's job: the process stops with SIGTTIN
// instead, as a read from the background would stop it, until it is in the
// foreground, and where that cannot stop it either, the wait gives up.
int setKeyWaitMode() {
    continued = 0;
    while (!inForeground() && !handlers.reaches(SIGTTOU)) {
        if (!handlers.reaches(SIGTTIN)) {
            return kGaveUp;
        }
        (void)kill(0, SIGTTIN);  // the handler returns once the job goes on
        continued = 0;
    }
    const SignalsHeld held(kHeldWhileSetting);
    const int set = tcsetattr(terminal.get(), TCSANOW, &keyWaitMode);
    if (set == 0) {
        terminalIsRaw = 1;
    }
    return set;
}

bool enterKeyWaitMode() {
    return retryInterrupted(setKeyWaitMode) == 0;
}

// After a stop the mode was restored: set it again before reading on.
bool resumeKeyWaitMode() {
    return continued == 0 || enterKeyWaitMode();
}

constexpr long kNothingYet = -3;

// Reads what arrives on the terminal within timeoutMs, at most capacity
// bytes. Before each attempt the key wait's mode is set again where a stop
// restored it; an attempt that a signal interrupts is made again. Returns
// the count read, 0 at the end of the file (a hang-up), kNothingYet where
// nothing arrived in time, kGaveUp where the mode could not be set again, or
// -1 on an error.
long readArriving(int fd, unsigned char* into, std::size_t capacity, int timeoutMs) {
    return retryInterrupted([&]() -> long {
        if (!resumeKeyWaitMode()) {
            return kGaveUp;
        }
        pollfd request{fd, POLLIN, 0};
        const int ready = poll(&request, 1, timeoutMs);
        if (ready <= 0) {
            return ready == 0 ? kNothingYet : ready;
        }
        const ssize_t got = read(fd, into, capacity);
        return got < 0 && errno == EAGAIN ? kNothingYet : static_cast<long>(got);
    });
}

// How often a blocked wait looks whether the process was stopped and went
// on: a stop that interrupts no call is seen at the next look.
constexpr int kResumeCheckMs = 200;

bool readByte(int fd, unsigned char& byte) {
    long got = kNothingYet;
    while (got == kNothingYet) {
        got = readArriving(fd, &byte, 1, kResumeCheckMs);
    }
    return got == 1;
}

// One key press: its first byte, then whatever of its sequence follows at once.
int readKeyCode(int fd) {
    unsigned char bytes[kMaxSequence];
    if (!readByte(fd, bytes[0])) {
        return kReadFailed;
    }
    std::size_t length = 1;
    while (length < kMaxSequence && keySequenceWantsMore(bytes, length) &&
           readArriving(fd, &bytes[length], 1, kSequenceTimeoutMs) == 1) {
        ++length;
    }
    return decodeTerminalKey(bytes, length);
}

// A paste may arrive in pieces: whatever follows the key within kQuietMs of
// the last byte is read and dropped, for at most kDiscardLimitMs, so that none
// of it is left for the shell (restoring the mode then discards the rest).
constexpr int kQuietMs = 100;
constexpr long kDiscardLimitMs = 3000;

long millisecondsNow() {
    timespec now{};
    (void)clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void discardWhileArriving(int fd) {
    const long end = millisecondsNow() + kDiscardLimitMs;
    unsigned char bytes[256];
    while (millisecondsNow() < end && readArriving(fd, bytes, sizeof bytes, kQuietMs) > 0) {
        // dropped: a hang-up, an error or a quiet moment ends it
    }
}

termios rawMode(const termios& mode) {
    termios raw = mode;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return raw;
}

// The key wait in its mode, with the signal handlers installed for as long
// as it lasts: the result, or -1 where the mode cannot be set, the terminal
// cannot be read or the mode cannot be restored.
int waitInKeyWaitMode() {
    const SignalHandlersInstalled installed(handlers);
    if (!enterKeyWaitMode()) {
        return -1;
    }
    int result = -1;
    for (;;) {
        const int code = readKeyCode(terminal.get());
        if (code == kReadFailed) {
            break;
        }
        if (code != kNoKey) {
            result = takeKeyResult(code, heldKey);
            discardWhileArriving(terminal.get());
            break;
        }
    }
    return restoreSavedMode() ? result : -1;
}

}  // namespace

ConsoleSession::ConsoleSession() {
    // At a terminal every insertion shows at once; into a file or a pipe the
    // output is buffered and leaves at the dialogue's own flushes (each line
    // end, each read of standard input, each error line, the key wait), so
    // the bytes and their order on every stream are the same.
    if (isatty(STDOUT_FILENO) == 1) {
        (void)std::setvbuf(stdout, nullptr, _IONBF, 0);
    } else {
        (void)std::setvbuf(stdout, nullptr, _IOFBF, kOutputBufferSize);
    }
    terminal = Descriptor(aboveStandardStreams(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC)));
    previousInput = std::cin.rdbuf(&standardInput);
}

ConsoleSession::~ConsoleSession() {
    std::cin.rdbuf(previousInput);
    (void)terminal.close();
}

void printOem(std::ostream& out, const char* text) {
    printUtf8(out, text);
}

int waitForKey() {
    int result = -1;
    if (takeHeldKey(heldKey, result)) {
        return result;
    }
    termios mode{};
    if (!terminal.isOpen() || tcgetattr(terminal.get(), &mode) != 0) {
        return -1;
    }
    savedMode = mode;
    keyWaitMode = rawMode(mode);
    result = waitInKeyWaitMode();
    if (result != -1 && isatty(STDOUT_FILENO) == 1) {
        // The shell's prompt then starts on a line of its own. It goes to
        // the terminal itself: standard output's bytes stay as they are.
        const char lineEnd = '\n';
        (void)retryInterrupted([&] { return write(terminal.get(), &lineEnd, 1); });
    }
    return result;
}

}  // namespace secant
