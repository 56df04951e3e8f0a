// Standard input through a buffer of the program's own.
#pragma once

#include <cstddef>
#include <ios>
#include <streambuf>

namespace secant {

// Reads what has arrived, up to capacity bytes, waiting for at least one:
// the count, 0 at the end of the input, -1 on a read error.
using ReadInput = long (*)(char* into, std::size_t capacity);

// A read buffer over a ReadInput. What has arrived and is not read yet can
// be looked at without waiting (in_avail() counts only that), and a read
// error is no end of the input: it throws, which the stream reading turns
// into badbit.
class InputBuffer : public std::streambuf {
public:
    explicit InputBuffer(ReadInput read) : read_(read) {}

protected:
    int_type underflow() override {
        if (gptr() < egptr()) {
            return traits_type::to_int_type(*gptr());
        }
        // The last byte read stays in front, for a putback.
        char* const start = buffer_ + 1;
        const bool hasLast = gptr() != nullptr && gptr() > eback();
        if (hasLast) {
            buffer_[0] = gptr()[-1];
        }
        const long got = read_(start, sizeof buffer_ - 1);
        if (got < 0) {
            throw std::ios_base::failure("standard input cannot be read");
        }
        if (got == 0) {
            return traits_type::eof();
        }
        setg(hasLast ? buffer_ : start, start, start + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    ReadInput read_;
    char buffer_[1 << 16] = {};
};

}  // namespace secant
