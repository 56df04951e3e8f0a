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
#include "platform/posix/signals.hpp"

namespace secant {

namespace {

// How long the rest of an escape sequence may take to arrive after its ESC.
constexpr int kSequenceTimeoutMs = 100;
constexpr std::size_t kMaxSequence = 32;
constexpr int kReadFailed = -2;
constexpr std::size_t kOutputBufferSize = 1 << 16;

long readStandardInput(char* into, std::size_t capacity) {
    for (;;) {
        const ssize_t got = read(STDIN_FILENO, into, capacity);
        if (got >= 0 || errno != EINTR) {
            return static_cast<long>(got);
        }
    }
}

InputBuffer standardInput(&readStandardInput);
std::streambuf* previousInput = nullptr;

// Opened and closed by the ConsoleSession; kept here for the signal handlers.
int terminalFd = -1;
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
struct sigaction previousActions[kSignalCount];
bool installedHandlers[kSignalCount] = {};

// The one way back to the saved mode, from the wait and from the signal
// handlers alike. Whatever is still queued on the terminal is discarded,
// so nothing typed for the program reaches the shell after it.
bool restoreSavedMode() {
    while (terminalIsRaw != 0) {
        if (tcsetattr(terminalFd, TCSAFLUSH, &savedMode) == 0) {
            terminalIsRaw = 0;
            return true;
        }
        if (errno != EINTR) {
            terminalIsRaw = 0;
            return false;
        }
    }
    return true;
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

std::size_t slotOf(int signalNumber) {
    std::size_t i = 0;
    while (i + 1 < kSignalCount && kHandledSignals[i] != signalNumber) {
        ++i;
    }
    return i;
}

void onSignal(int signalNumber);

void setHandler(int signalNumber) {
    struct sigaction action {};
    action.sa_handler = onSignal;  // no SA_RESTART: a read in progress returns EINTR
    sigemptyset(&action.sa_mask);
    for (const int blocked : kHandledSignals) {
        sigaddset(&action.sa_mask, blocked);
    }
    installedHandlers[slotOf(signalNumber)] = sigaction(signalNumber, &action, nullptr) == 0;
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
    const int savedErrno = errno;
    if (signalNumber == SIGCONT) {
        continued = 1;
    } else if (isOneOf(signalNumber, kStoppingSignals)) {
        // Here SIGTTOU is blocked, so the mode can be restored even from
        // the background.
        (void)restoreSavedMode();
        raiseWithDefaultAction(signalNumber);
        setHandler(signalNumber);
        continued = 1;
    } else {
        (void)restoreSavedMode();
        sigaction(signalNumber, &previousActions[slotOf(signalNumber)], nullptr);
        // Delivered with its previous disposition as soon as this handler returns.
        (void)raise(signalNumber);
    }
    errno = savedErrno;
}

void installSignalHandlers() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        installedHandlers[i] = false;
        if (sigaction(kHandledSignals[i], nullptr, &previousActions[i]) != 0 ||
            previousActions[i].sa_handler == SIG_IGN) {
            continue;  // an ignored signal stays ignored
        }
        setHandler(kHandledSignals[i]);
    }
}

void removeSignalHandlers() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (installedHandlers[i]) {
            sigaction(kHandledSignals[i], &previousActions[i], nullptr);
            installedHandlers[i] = false;
        }
    }
}

// Whether a signal would reach its handler: not ignored, not blocked.
bool signalIsHandled(int signalNumber) {
    sigset_t blocked{};
    (void)sigprocmask(SIG_BLOCK, nullptr, &blocked);
    return installedHandlers[slotOf(signalNumber)] && sigismember(&blocked, signalNumber) == 0;
}

bool inForeground() {
    const pid_t foreground = tcgetpgrp(terminalFd);
    return foreground < 0 || foreground == getpgrp();
}

// Sets the key wait's mode. In the background the terminal answers with
// SIGTTOU, which stops the process with the mode unchanged; once it goes on
// in the foreground, the mode is set. Where SIGTTOU is ignored or blocked the
// terminal would take the mode from the background, out from under the
// foreground's job: the process stops with SIGTTIN instead, as a read from
// the background would stop it, and where that cannot stop it either, the
// wait gives up.
// The other signals wait meanwhile, so that the mode is known to be set
// whenever a handler looks (SIGTTOU cannot wait: blocked, it would let the
// mode be set from the background).
bool enterKeyWaitMode() {
    sigset_t held{};
    sigemptyset(&held);
    for (const int signalNumber : kHandledSignals) {
        if (signalNumber != SIGTTOU) {
            sigaddset(&held, signalNumber);
        }
    }
    for (;;) {
        continued = 0;
        if (!inForeground() && !signalIsHandled(SIGTTOU)) {
            if (!signalIsHandled(SIGTTIN)) {
                return false;
            }
            (void)kill(0, SIGTTIN);  // the handler returns once the job goes on
            continue;
        }
        sigset_t previous{};
        (void)sigprocmask(SIG_BLOCK, &held, &previous);
        const bool set = tcsetattr(terminalFd, TCSANOW, &keyWaitMode) == 0;
        const int error = errno;
        if (set) {
            terminalIsRaw = 1;
        }
        (void)sigprocmask(SIG_SETMASK, &previous, nullptr);
        if (set) {
            return true;
        }
        if (error != EINTR) {
            return false;
        }
    }
}

// After a stop the mode was restored: set it again before reading on.
bool resumeKeyWaitMode() {
    return continued == 0 || enterKeyWaitMode();
}

// How often a blocked wait looks whether the process was stopped and went on.
constexpr int kResumeCheckMs = 200;

bool byteArrives(int fd, int timeoutMs) {
    pollfd request{fd, POLLIN, 0};
    for (;;) {
        if (!resumeKeyWaitMode()) {
            return false;
        }
        const int ready = poll(&request, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && (request.revents & POLLIN) != 0;
    }
}

bool readByte(int fd, unsigned char& byte) {
    for (;;) {
        if (!resumeKeyWaitMode()) {
            return false;
        }
        pollfd request{fd, POLLIN, 0};
        const int ready = poll(&request, 1, kResumeCheckMs);
        if (ready == 0 || (ready < 0 && errno == EINTR)) {
            continue;
        }
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) {
            return true;
        }
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        return false;  // end of file (hang-up) or an error
    }
}

// One key press: its first byte, then whatever of its sequence follows at once.
int readKeyCode(int fd) {
    unsigned char bytes[kMaxSequence];
    if (!readByte(fd, bytes[0])) {
        return kReadFailed;
    }
    std::size_t length = 1;
    while (length < kMaxSequence && keySequenceWantsMore(bytes, length) &&
           byteArrives(fd, kSequenceTimeoutMs) && readByte(fd, bytes[length])) {
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
    while (millisecondsNow() < end && byteArrives(fd, kQuietMs)) {
        const ssize_t got = read(fd, bytes, sizeof bytes);
        if (got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN)) {
            return;  // hang-up or an error
        }
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
    terminalFd = aboveStandardStreams(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    previousInput = std::cin.rdbuf(&standardInput);
}

ConsoleSession::~ConsoleSession() {
    std::cin.rdbuf(previousInput);
    if (terminalFd >= 0) {
        close(terminalFd);
        terminalFd = -1;
    }
}

void printOem(std::ostream& out, const char* text) {
    char buffer[kUtf8BufferSize];
    cp1251ToUtf8(text, buffer, sizeof buffer);
    out << buffer;
}

int waitForKey() {
    int result = -1;
    if (takeHeldKey(heldKey, result)) {
        return result;
    }
    termios mode{};
    if (terminalFd < 0 || tcgetattr(terminalFd, &mode) != 0) {
        return -1;
    }
    savedMode = mode;
    keyWaitMode = rawMode(mode);
    installSignalHandlers();
    if (!enterKeyWaitMode()) {
        removeSignalHandlers();
        return -1;
    }
    for (;;) {
        const int code = readKeyCode(terminalFd);
        if (code == kReadFailed) {
            result = -1;
            break;
        }
        if (code != kNoKey) {
            result = takeKeyResult(code, heldKey);
            discardWhileArriving(terminalFd);
            break;
        }
    }
    if (!restoreSavedMode()) {
        result = -1;
    }
    removeSignalHandlers();
    if (result != -1 && isatty(STDOUT_FILENO) == 1) {
        // The shell's prompt then starts on a line of its own. It goes to
        // the terminal itself: standard output's bytes stay as they are.
        const char lineEnd = '\n';
        while (write(terminalFd, &lineEnd, 1) < 0 && errno == EINTR) {
        }
    }
    return result;
}

}  // namespace secant
