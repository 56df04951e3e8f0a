// The console layer on a POSIX terminal: texts as UTF-8, the key wait on the
// controlling terminal in raw mode.
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/console.hpp"
#include "platform/cp1251.hpp"
#include "platform/keys.hpp"

namespace secant {

namespace {

// How long the rest of an escape sequence may take to arrive after its ESC.
constexpr int kSequenceTimeoutMs = 100;
constexpr std::size_t kMaxSequence = 32;
constexpr int kReadFailed = -2;

constexpr int kRestoredSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
constexpr std::size_t kSignalCount = sizeof kRestoredSignals / sizeof kRestoredSignals[0];

int terminalFd = -1;
HeldKey heldKey;

// Shared with the signal handler while the terminal is raw.
termios savedMode{};
volatile std::sig_atomic_t terminalIsRaw = 0;
struct sigaction previousActions[kSignalCount];
bool installedHandlers[kSignalCount] = {};

void restoreAndRaise(int signalNumber) {
    if (terminalIsRaw != 0) {
        (void)tcsetattr(terminalFd, TCSANOW, &savedMode);
        terminalIsRaw = 0;
    }
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (kRestoredSignals[i] == signalNumber) {
            sigaction(signalNumber, &previousActions[i], nullptr);
        }
    }
    // Delivered with its previous disposition as soon as this handler returns.
    (void)raise(signalNumber);
}

void installSignalHandlers() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        installedHandlers[i] = false;
        if (sigaction(kRestoredSignals[i], nullptr, &previousActions[i]) != 0 ||
            previousActions[i].sa_handler == SIG_IGN) {
            continue;  // an ignored signal stays ignored
        }
        struct sigaction action {};
        action.sa_handler = restoreAndRaise;
        sigemptyset(&action.sa_mask);
        for (const int blocked : kRestoredSignals) {
            sigaddset(&action.sa_mask, blocked);
        }
        installedHandlers[i] = sigaction(kRestoredSignals[i], &action, nullptr) == 0;
    }
}

void removeSignalHandlers() {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        if (installedHandlers[i]) {
            sigaction(kRestoredSignals[i], &previousActions[i], nullptr);
            installedHandlers[i] = false;
        }
    }
}

bool readByte(int fd, unsigned char& byte) {
    for (;;) {
        const ssize_t got = read(fd, &byte, 1);
        if (got == 1) {
            return true;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return false;  // end of file (hang-up) or an error
    }
}

bool byteArrives(int fd, int timeoutMs) {
    pollfd request{fd, POLLIN, 0};
    for (;;) {
        const int ready = poll(&request, 1, timeoutMs);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        return ready > 0 && (request.revents & POLLIN) != 0;
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

termios rawMode(const termios& mode) {
    termios raw = mode;
    raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO | ISIG | IEXTEN);
    raw.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL | INLCR | IGNCR | ISTRIP | BRKINT);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    return raw;
}

}  // namespace

void prepareConsole() {
    (void)std::setvbuf(stdout, nullptr, _IONBF, 0);
    terminalFd = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
}

void releaseConsole() {
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
    const termios raw = rawMode(mode);
    installSignalHandlers();
    terminalIsRaw = 1;
    if (tcsetattr(terminalFd, TCSANOW, &raw) != 0) {
        terminalIsRaw = 0;
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
            break;
        }
    }
    if (tcsetattr(terminalFd, TCSANOW, &savedMode) != 0) {
        result = -1;
    }
    terminalIsRaw = 0;
    removeSignalHandlers();
    return result;
}

}  // namespace secant
