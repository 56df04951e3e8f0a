#!/usr/bin/env python3
"""Drives the program through a real pseudo-terminal, as a person at a terminal would.

Each scenario types the dialogue, checks that the program still waits after
the key prompt, presses one key (or sends a signal), and then checks the exit
status, that the terminal's mode is the one it had before, that no byte of
the key press is left unread in the terminal's input queue, and that the
screen ends with a line end after the key prompt.

The job scenarios run the program as a shell runs a job: in a process group
of its own under a small job controller (this script with --job), which
stops, resumes and moves it between foreground and background on request.

Usage: pty_session.py [--shard I/N] PROGRAM [LAUNCHER...]
"""
import fcntl
import os
import resource
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import termios
import time

PROMPT_ORDER = "Задайте порядок уравнения: ".encode()
PREFIX = b"A()= "
PRESS_ANY_KEY = "Нажмите любую клавишу".encode()
WRITE_FAILED = "Ошибка: не удалось записать вывод программы".encode()
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


def start(program, slave, stdin_from_pipe, stdout_closed=False):
    def take_terminal():
        fcntl.ioctl(slave, termios.TIOCSCTTY, 0)
        resource.setrlimit(resource.RLIMIT_CORE, (0, 0))  # SIGQUIT and others dump core
        if stdout_closed:
            os.close(1)

    return subprocess.Popen(
        program,
        stdin=subprocess.PIPE if stdin_from_pipe else slave,
        stdout=subprocess.DEVNULL if stdout_closed else slave,
        stderr=slave,
        start_new_session=True,
        preexec_fn=take_terminal,
    )


def scenario(program, key=None, send_signal=None, stdin_from_pipe=False, ignored=b"",
             stdout_closed=False, pieces=1, gap=0.0):
    master, slave = os.openpty()
    try:
        mode_before = termios.tcgetattr(slave)
        process = start(program, slave, stdin_from_pipe or stdout_closed, stdout_closed)
        seen = bytearray()
        if stdout_closed:
            # Nothing meant for standard output may reach the terminal.
            process.stdin.write(b"2\n1 -3 2\n")
            process.stdin.close()
            read_until(master, WRITE_FAILED, seen)
            if PRESS_ANY_KEY in seen or b"x1=" in seen:
                raise Failure(f"standard output reached the terminal: {bytes(seen)!r}")
        elif stdin_from_pipe:
            process.stdin.write(b"2\n1 -3 2\n")
            process.stdin.close()
        else:
            read_until(master, PROMPT_ORDER, seen)
            os.write(master, b"2\n")
            read_until(master, PREFIX, seen)
            os.write(master, b"1 -3 2\n")
        if not stdout_closed:
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
            for piece in range(pieces):  # a paste as a terminal may deliver it
                time.sleep(gap if piece else 0)
                os.write(master, key)
        try:
            status = process.wait(timeout=DEADLINE_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure("the key press did not end the wait")
        drain(master, seen, 0.1)
        expected = -send_signal if send_signal is not None else 1 if stdout_closed else 0
        if status != expected:
            raise Failure(f"exit status {status}, expected {expected}")
        if send_signal is None and not stdout_closed and not seen.endswith(PRESS_ANY_KEY + b"\r\n"):
            raise Failure(f"no line end after the key prompt: {bytes(seen[-40:])!r}")
        check_left_clean(slave, mode_before)
    finally:
        os.close(master)
        os.close(slave)


def check_left_clean(slave, mode_before):
    if termios.tcgetattr(slave) != mode_before:
        raise Failure("the terminal's mode was not restored")
    left = unread_input(slave)
    if left:
        raise Failure(f"bytes left unread on the terminal: {left!r}")


def is_raw(slave):
    return not termios.tcgetattr(slave)[3] & termios.ICANON


def wait_for(condition, what):
    deadline = time.monotonic() + DEADLINE_SECONDS
    while not condition():
        if time.monotonic() > deadline:
            raise Failure(f"no {what} within {DEADLINE_SECONDS} s")
        time.sleep(0.05)


class Job:
    """The job controller's side of the conversation: commands in, events out."""

    def __init__(self, program, slave, placement):
        commands_read, self.commands = os.pipe()
        self.events, events_write = os.pipe()
        self.controller = subprocess.Popen(
            [sys.executable, __file__, "--job", str(commands_read), str(events_write),
             placement] + program,
            stdin=slave, stdout=slave, stderr=slave, start_new_session=True,
            pass_fds=(commands_read, events_write),
            preexec_fn=lambda: fcntl.ioctl(0, termios.TIOCSCTTY, 0))
        os.close(commands_read)
        os.close(events_write)
        self.pending = b""
        self.pid = int(self.event("started").split()[1])

    def command(self, word):
        os.write(self.commands, word.encode() + b"\n")

    def event(self, expected):
        deadline = time.monotonic() + DEADLINE_SECONDS
        while b"\n" not in self.pending:
            ready, _, _ = select.select([self.events], [], [], deadline - time.monotonic())
            chunk = os.read(self.events, 256) if ready else b""
            if not chunk:
                raise Failure(f"no '{expected}' from the job (controller: "
                              f"{self.controller.poll()})")
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        if not line.decode().startswith(expected):
            raise Failure(f"job: {line.decode()!r}, expected {expected!r}")
        return line.decode()

    def close(self):
        self.controller.wait(timeout=DEADLINE_SECONDS)
        os.close(self.commands)
        os.close(self.events)


def job_scenario(program, background, ttou_ignored=False):
    """Stopped during the key wait (or started in the background), then brought to
    the foreground: cooked mode while stopped, raw again once it goes on. With
    SIGTTOU ignored, the program must stop before it touches the terminal, and what
    the user typed meanwhile stays for the shell."""
    master, slave = os.openpty()
    try:
        mode_before = termios.tcgetattr(slave)
        if ttou_ignored:
            os.write(master, b"ls\n")
        job = Job(program, slave, "background-ttou-ignored" if ttou_ignored else
                  "background" if background else "foreground")
        seen = bytearray()
        read_until(master, PRESS_ANY_KEY, seen)
        if ttou_ignored:
            job.event("stopped SIGTTIN")
            typed = unread_input(slave)  # the shell reads it
            if typed != b"ls\n":
                raise Failure(f"what was typed for the shell became {typed!r}")
        elif background:
            job.event("stopped SIGTTOU")
        else:
            wait_for(lambda: is_raw(slave), "raw mode for the key wait")
            os.kill(job.pid, signal.SIGTSTP)
            job.event("stopped SIGTSTP")
        if termios.tcgetattr(slave) != mode_before:
            raise Failure("the terminal stayed raw while the program was stopped")
        job.command("fg")
        job.event("continued")
        wait_for(lambda: is_raw(slave), "raw mode again after fg")
        os.write(master, b"q")
        job.event("exited 0")
        job.close()
        check_left_clean(slave, mode_before)
    finally:
        os.close(master)
        os.close(slave)


def interrupted_write_scenario(program):
    """Ctrl-C while the picture is written to a slow disk (strace holds its flush for
    a while): the temporary file goes with the program, and the old picture stays."""
    if shutil.which("strace") is None:
        raise Failure("strace is missing (tests/run-all.sh installs it)")
    master, slave = os.openpty()
    folder = tempfile.mkdtemp()
    try:
        mode_before = termios.tcgetattr(slave)
        picture = os.path.join(folder, "plot.svg")
        with open(picture, "w") as old:
            old.write("old")
        slowed = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=fsync",
                  "-e", "inject=fsync:delay_enter=5000000"]
        process = start(slowed + program + ["--svg", picture], slave, False)
        seen = bytearray()
        read_until(master, PROMPT_ORDER, seen)
        os.write(master, b"1\n")
        read_until(master, PREFIX, seen)
        os.write(master, b"1 -2\n")
        wait_for(lambda: len(os.listdir(folder)) > 1, "temporary file")
        os.write(master, b"\x03")
        try:
            status = process.wait(timeout=DEADLINE_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure("Ctrl-C did not end the program")
        if status != -signal.SIGINT:
            raise Failure(f"exit status {status}, expected {-signal.SIGINT}")
        left = sorted(os.listdir(folder))
        if left != ["plot.svg"]:
            raise Failure(f"files left: {left}")
        with open(picture) as kept:
            if kept.read() != "old":
                raise Failure("the old picture was changed")
        check_left_clean(slave, mode_before)
    finally:
        os.close(master)
        os.close(slave)
        shutil.rmtree(folder)


def control_job(commands, events, placement, program):
    """The job controller: runs the program as a job and reports what becomes of it."""
    signal.signal(signal.SIGTTOU, signal.SIG_IGN)  # as a shell: it hands the terminal over
    terminal = 0
    stdin_read, stdin_write = os.pipe()
    os.write(stdin_write, b"2\n1 -3 2\n")
    os.close(stdin_write)
    pid = os.fork()
    if pid == 0:
        os.setpgid(0, 0)
        if placement != "background-ttou-ignored":
            signal.signal(signal.SIGTTOU, signal.SIG_DFL)
        os.dup2(stdin_read, 0)
        os.execvp(program[0], program)
    try:
        os.setpgid(pid, pid)  # as the child does itself: whichever comes first
    except PermissionError:
        pass  # the child has set it and gone on to exec
    if placement == "foreground":
        os.tcsetpgrp(terminal, pid)
    report = lambda text: os.write(events, text.encode() + b"\n")
    report(f"started {pid}")
    lines = os.fdopen(commands)
    while True:
        _, status = os.waitpid(pid, os.WUNTRACED | os.WCONTINUED)
        if os.WIFSTOPPED(status):
            os.tcsetpgrp(terminal, os.getpgrp())
            report(f"stopped {signal.Signals(os.WSTOPSIG(status)).name}")
            if lines.readline().strip() == "fg":
                os.tcsetpgrp(terminal, pid)
                os.killpg(pid, signal.SIGCONT)
        elif os.WIFCONTINUED(status):
            report("continued")
        else:
            report(f"exited {os.waitstatus_to_exitcode(status)}")
            return 0


SCENARIOS = [
    ("arrow key", dict(key=b"\x1b[A")),
    ("letter", dict(key=b"q")),
    ("Ctrl+C is an ordinary key", dict(key=b"\x03")),
    ("function key with modifier", dict(key=b"\x1b[24;5~")),
    ("lone Escape", dict(key=b"\x1b")),
    ("focus report does not end the wait", dict(key=b"x", ignored=b"\x1b[I")),
    ("standard input from a pipe", dict(key=b"k", stdin_from_pipe=True)),
    ("a paste ends the wait with its first key and leaves nothing",
     dict(key=b"xPWNED\r")),
    ("a paste in pieces 5 ms apart leaves nothing",
     dict(key=b"echo LEAKED\r" * 20, pieces=10, gap=0.005)),
    ("standard output closed stays closed", dict(key=b"k", stdout_closed=True)),
]

# Every signal that ends the process restores the terminal first.
SCENARIOS += [(f"{name} restores the terminal", dict(send_signal=getattr(signal, name)))
              for name in ("SIGTERM", "SIGHUP", "SIGINT", "SIGQUIT", "SIGABRT", "SIGALRM",
                           "SIGPIPE", "SIGUSR1", "SIGUSR2", "SIGPROF", "SIGVTALRM", "SIGXCPU",
                           "SIGXFSZ")]

JOB_SCENARIOS = [
    ("SIGTSTP restores the terminal, fg makes it raw again", dict(background=False)),
    ("started in the background: SIGTTOU leaves the terminal alone", dict(background=True)),
    ("in the background with SIGTTOU ignored: stops before it touches the terminal",
     dict(background=True, ttou_ignored=True)),
]


def main():
    if sys.argv[1] == "--job":
        return control_job(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5:])
    # --shard I/N: only every N-th scenario from the I-th, so that N runs side by side.
    arguments, shard = sys.argv[1:], (1, 1)
    if arguments[0] == "--shard":
        shard, arguments = tuple(map(int, arguments[1].split("/"))), arguments[2:]
    # The program, then any launcher to run it with (an emulator).
    program = arguments[1:] + [arguments[0]]
    failed = 0
    runs = [(name, scenario, options) for name, options in SCENARIOS]
    runs += [(name, job_scenario, options) for name, options in JOB_SCENARIOS]
    runs.append(("Ctrl-C during a slow picture write leaves no temporary file",
                 interrupted_write_scenario, {}))
    runs = runs[shard[0] - 1::shard[1]]
    for name, run, options in runs:
        try:
            run(program, **options)
            print(f"ok   {name}")
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {failure}")
    print(f"{len(runs) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
