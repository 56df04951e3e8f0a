// System calls that a signal interrupts, on POSIX.
#pragma once

#include <cerrno>

namespace secant {

// Makes the call until no signal interrupts it: calls call() again while it
// returns -1 with errno EINTR. Returns the last call's result, with errno as
// that call left it. Whatever has to be done before each attempt goes into
// call; a value other than -1 ends the attempts. Async-signal-safe where call
// is.
template <class Call>
auto retryInterrupted(Call call) {
    auto result = call();
    while (result == -1 && errno == EINTR) {
        result = call();
    }
    return result;
}

// Keeps errno as it is for as long as it lives: a signal handler, or a
// clean-up after a failed call, leaves the error that a caller judges alone.
class ErrnoKept {
public:
    ErrnoKept() = default;
    ~ErrnoKept() { errno = saved_; }
    ErrnoKept(const ErrnoKept&) = delete;
    ErrnoKept& operator=(const ErrnoKept&) = delete;

private:
    int saved_ = errno;
};

}  // namespace secant
