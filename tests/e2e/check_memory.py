#!/usr/bin/env python3
"""Peak resident memory of whole runs stays bounded whatever the input.

Runs the program on inputs whose numbers are very long (tens of megabytes of
digits in the order, in a coefficient's integer part, its fraction and its
exponent) and checks that each solves as the short form does and that the
run's peak resident set (getrusage's maxrss) stays under the limit.

Usage: check_memory.py PROGRAM [LAUNCHER...]
"""
import os
import subprocess
import sys
import threading

LIMIT_MB = 64
LONG = 80 * 1024 * 1024  # far more than the limit, were the digits held
CHUNK = 1 << 20

# (what to feed, a chunk repeated, what follows, a root the run must print)
INPUTS = [
    ("fraction", b"1\n1 -2.", b"0", b"\n", b"x1=2 0i"),
    ("integer part", b"1\n1 -2", b"0", b"e-%d\n" % LONG, b"x1=2 0i"),
    ("exponent", b"1\n1 -2e", b"0", b"\n", b"x1=2 0i"),
    ("order", b"", b"0", b"1\n1 -2\n", b"x1=2 0i"),
]


def feed(pipe, head, chunk, tail):
    try:
        pipe.write(head)
        block = chunk * CHUNK
        for _ in range(LONG // CHUNK):
            pipe.write(block)
        pipe.write(tail)
        pipe.close()
    except BrokenPipeError:
        pass


def main():
    program = sys.argv[2:] + [sys.argv[1]]
    failed = 0
    for name, head, chunk, tail, root in INPUTS:
        process = subprocess.Popen(program, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, start_new_session=True)
        writer = threading.Thread(target=feed, args=(process.stdin, head, chunk, tail))
        writer.start()
        out = process.stdout.read()
        err = process.stderr.read()
        _, status, usage = os.wait4(process.pid, 0)
        writer.join()
        peak_mb = usage.ru_maxrss / 1024
        problems = []
        if os.waitstatus_to_exitcode(status) != 0 or root not in out or err:
            problems.append(f"status {os.waitstatus_to_exitcode(status)}, "
                            f"output {out[-80:]!r}, errors {err!r}")
        if peak_mb >= LIMIT_MB:
            problems.append(f"peak resident memory {peak_mb:.1f} MB, limit {LIMIT_MB} MB")
        print(f"{'FAIL' if problems else 'ok  '} 80 MB of digits in the {name}: "
              f"{peak_mb:.1f} MB at the peak {'; '.join(problems)}")
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
