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

// Opened and closed by the ConsoleSession.
Descriptor terminal;
HeldKey heldKey;

// Signals that stop the process: the mode is restored before it stops, and
// set again once it goes on in the foreground (SIGCONT).
constexpr int kStoppingSignals[] = {SIGTSTP, SIGTTIN, SIGTTOU};

// signal-safe: the handler of the stopping signals and of SIGCONT. Every
// signal is blocked while it runs, SIGTTOU too, so the mode can be restored
// even from the background.
void onStopOrContinue(int signalNumber) {
    const ErrnoKept kept;
    if (signalNumber != SIGCONT) {
        (void)restoreTerminal();
        raiseWithDefaultAction(signalNumber);
        (void)giveHandler(signalNumber, onStopOrContinue);  // the stop reset it
    }
    signalTimeState.continued = 1;
}

bool inForeground() {
    const pid_t foreground = tcgetpgrp(terminal.get());
    return foreground < 0 || foreground == getpgrp();
}

// The key wait's mode is set with the other signals waiting, so that it is
// known to be set whenever a handler looks (SIGTTOU cannot wait: blocked, it
// would let the mode be set from the background).
const sigset_t kHeldWhileSetting = [] {
    sigset_t held = endingSignalSet();
    sigaddset(&held, SIGTSTP);
    sigaddset(&held, SIGTTIN);
    sigaddset(&held, SIGCONT);
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
int setKeyWaitMode(const SignalsCaught& caught, const termios& keyWaitMode) {
    signalTimeState.continued = 0;
    while (!inForeground() && !caught.reaches(SIGTTOU)) {
        if (!caught.reaches(SIGTTIN)) {
            return kGaveUp;
        }
        (void)kill(0, SIGTTIN);  // the handler returns once the job goes on
        signalTimeState.continued = 0;
    }
    const SignalsHeld held(kHeldWhileSetting);
    const int set = tcsetattr(terminal.get(), TCSANOW, &keyWaitMode);
    if (set == 0) {
        signalTimeState.terminalIsRaw = 1;
    }
    return set;
}

// The signals caught and the key wait's mode, for as long as the wait lasts.
struct KeyWait {
    SignalsCaught caught;
    termios mode{};
};

bool enterKeyWaitMode(const KeyWait& wait) {
    return retryInterrupted([&] { return setKeyWaitMode(wait.caught, wait.mode); }) == 0;
}

// After a stop the mode was restored: set it again before reading on.
bool resumeKeyWaitMode(const KeyWait& wait) {
    return signalTimeState.continued == 0 || enterKeyWaitMode(wait);
}

constexpr long kNothingYet = -3;

// Reads what arrives on the terminal within timeoutMs, at most capacity
// bytes. Before each attempt the key wait's mode is set again where a stop
// restored it; an attempt that a signal interrupts is made again. Returns
// the count read, 0 at the end of the file (a hang-up), kNothingYet where
// nothing arrived in time, kGaveUp where the mode could not be set again, or
// -1 on an error.
long readArriving(const KeyWait& wait, unsigned char* into, std::size_t capacity, int timeoutMs) {
    return retryInterrupted([&]() -> long {
        if (!resumeKeyWaitMode(wait)) {
            return kGaveUp;
        }
        pollfd request{terminal.get(), POLLIN, 0};
        const int ready = poll(&request, 1, timeoutMs);
        if (ready <= 0) {
            return ready == 0 ? kNothingYet : ready;
        }
        const ssize_t got = read(terminal.get(), into, capacity);
        return got < 0 && errno == EAGAIN ? kNothingYet : static_cast<long>(got);
    });
}

// How often a blocked wait looks whether the process was stopped and went
// on: a stop that interrupts no call is seen at the next look.
constexpr int kResumeCheckMs = 200;

bool readByte(const KeyWait& wait, unsigned char& byte) {
    long got = kNothingYet;
    while (got == kNothingYet) {
        got = readArriving(wait, &byte, 1, kResumeCheckMs);
    }
    return got == 1;
}

// One key press: its first byte, then whatever of its sequence follows at once.
int readKeyCode(const KeyWait& wait) {
    unsigned char bytes[kMaxSequence];
    if (!readByte(wait, bytes[0])) {
        return kReadFailed;
    }
    std::size_t length = 1;
    while (length < kMaxSequence && keySequenceWantsMore(bytes, length) &&
           readArriving(wait, &bytes[length], 1, kSequenceTimeoutMs) == 1) {
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

void discardWhileArriving(const KeyWait& wait) {
    const long end = millisecondsNow() + kDiscardLimitMs;
    unsigned char bytes[256];
    while (millisecondsNow() < end && readArriving(wait, bytes, sizeof bytes, kQuietMs) > 0) {
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

// The key wait in the mode, with the signal handlers installed for as long
// as it lasts: the result, or -1 where the mode cannot be set, the terminal
// cannot be read or the mode cannot be restored. The terminal's saved mode
// is in signalTimeState.
int waitInKeyWaitMode(const termios& mode) {
    KeyWait wait;
    wait.mode = mode;
    wait.caught.catchEndingSignals();
    for (const int s : kStoppingSignals) {
        (void)wait.caught.catchSignal(s, onStopOrContinue);
    }
    (void)wait.caught.catchSignal(SIGCONT, onStopOrContinue);
    if (!enterKeyWaitMode(wait)) {
        return -1;
    }
    int result = -1;
    for (;;) {
        const int code = readKeyCode(wait);
        if (code == kReadFailed) {
            break;
        }
        if (code != kNoKey) {
            result = takeKeyResult(code, heldKey);
            discardWhileArriving(wait);
            break;
        }
    }
    return restoreTerminal() ? result : -1;
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
    signalTimeState.terminal = terminal.get();
    signalTimeState.savedMode = mode;
    result = waitInKeyWaitMode(rawMode(mode));
    if (result != -1 && isatty(STDOUT_FILENO) == 1) {
        // The shell's prompt then starts on a line of its own. It goes to
        // the terminal itself: standard output's bytes stay as they are.
        const char lineEnd = '\n';
        (void)retryInterrupted([&] { return write(terminal.get(), &lineEnd, 1); });
    }
    return result;
}

}  // namespace secant
