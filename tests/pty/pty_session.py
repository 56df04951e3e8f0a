#!/usr/bin/env python3
"""Drives the program through a real pseudo-terminal, as a person at a terminal would.

Each scenario types the dialogue, checks that the program still waits after
the key prompt, presses one key (or sends a signal), and then checks the exit
status, that the terminal's mode is the one it had before, and that no byte
of the key press is left unread in the terminal's input queue.

Usage: pty_session.py PROGRAM [LAUNCHER...]
"""
import fcntl
import os
import select
import signal
import subprocess
import sys
import termios
import time

PROMPT_ORDER = "Задайте порядок уравнения: ".encode()
PREFIX = b"A()= "
PRESS_ANY_KEY = "Нажмите любую клавишу".encode()
DEADLINE_SECONDS = 10


class Failure(Exception):
    pass


def read_until(master, marker, seen):
    """Reads the terminal's output into seen until marker appears."""
    deadline = time.monotonic() + DEADLINE_SECONDS
    while marker not in seen:
        left = deadline - time.monotonic()
        if left <= 0:
            raise Failure(f"no {marker!r} on the screen; got {bytes(seen)!r}")
        ready, _, _ = select.select([master], [], [], left)
        if ready:
            try:
                chunk = os.read(master, 4096)
            except OSError:
                chunk = b""
            if not chunk:
                raise Failure(f"terminal closed before {marker!r}; got {bytes(seen)!r}")
            seen += chunk


def drain(master, seen, seconds):
    end = time.monotonic() + seconds
    while (left := end - time.monotonic()) > 0:
        ready, _, _ = select.select([master], [], [], left)
        if not ready:
            return
        try:
            chunk = os.read(master, 4096)
        except OSError:
            return
        if not chunk:
            return
        seen += chunk


def unread_input(slave):
    """What is still queued for reading on the terminal, without waiting."""
    mode = termios.tcgetattr(slave)
    peek = list(mode)
    peek[3] &= ~(termios.ICANON | termios.ECHO)
    peek[6] = list(mode[6])
    peek[6][termios.VMIN] = 0
    peek[6][termios.VTIME] = 0
    termios.tcsetattr(slave, termios.TCSANOW, peek)
    try:
        return os.read(slave, 4096)
    except BlockingIOError:
        return b""
    finally:
        termios.tcsetattr(slave, termios.TCSANOW, mode)


def start(program, slave, stdin_from_pipe):
    def take_terminal():
        fcntl.ioctl(slave, termios.TIOCSCTTY, 0)

    return subprocess.Popen(
        program,
        stdin=subprocess.PIPE if stdin_from_pipe else slave,
        stdout=slave,
        stderr=slave,
        start_new_session=True,
        preexec_fn=take_terminal,
    )


def scenario(program, key=None, send_signal=None, stdin_from_pipe=False, ignored=b""):
    master, slave = os.openpty()
    try:
        mode_before = termios.tcgetattr(slave)
        process = start(program, slave, stdin_from_pipe)
        seen = bytearray()
        if stdin_from_pipe:
            process.stdin.write(b"2\n1 -3 2\n")
            process.stdin.close()
        else:
            read_until(master, PROMPT_ORDER, seen)
            os.write(master, b"2\n")
            read_until(master, PREFIX, seen)
            os.write(master, b"1 -3 2\n")
        read_until(master, PRESS_ANY_KEY, seen)
        if b"x1=1 -5.93766e-08i" not in seen or b"x2=2 0i" not in seen:
            raise Failure(f"roots missing: {bytes(seen)!r}")
        time.sleep(0.3)
        if process.poll() is not None:
            raise Failure("the program ended before a key was pressed")
        if ignored:
            os.write(master, ignored)
            time.sleep(0.4)
            if process.poll() is not None:
                raise Failure(f"{ignored!r} ended the wait")
        if send_signal is not None:
            process.send_signal(send_signal)
        else:
            os.write(master, key)
        try:
            status = process.wait(timeout=DEADLINE_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure("the key press did not end the wait")
        drain(master, seen, 0.1)
        expected = -send_signal if send_signal is not None else 0
        if status != expected:
            raise Failure(f"exit status {status}, expected {expected}")
        if termios.tcgetattr(slave) != mode_before:
            raise Failure("the terminal's mode was not restored")
        left = unread_input(slave)
        if left:
            raise Failure(f"bytes left unread on the terminal: {left!r}")
    finally:
        os.close(master)
        os.close(slave)


SCENARIOS = [
    ("arrow key", dict(key=b"\x1b[A")),
    ("letter", dict(key=b"q")),
    ("Ctrl+C is an ordinary key", dict(key=b"\x03")),
    ("function key with modifier", dict(key=b"\x1b[24;5~")),
    ("lone Escape", dict(key=b"\x1b")),
    ("focus report does not end the wait", dict(key=b"x", ignored=b"\x1b[I")),
    ("standard input from a pipe", dict(key=b"k", stdin_from_pipe=True)),
    ("SIGTERM restores the terminal", dict(send_signal=signal.SIGTERM)),
    ("SIGHUP restores the terminal", dict(send_signal=signal.SIGHUP)),
]


def main():
    # The program, then any launcher to run it with (an emulator).
    program = sys.argv[2:] + [sys.argv[1]]
    failed = 0
    for name, options in SCENARIOS:
        try:
            scenario(program, **options)
            print(f"ok   {name}")
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {failure}")
    print(f"{len(SCENARIOS) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
