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

The write scenarios slow the picture's write under strace and send a signal
while its temporary file exists: the file must go with the program.

Usage: pty_session.py [--shard I/N] PROGRAM [LAUNCHER...] [[--] SCENARIO...]
       pty_session.py --list
Runs the scenarios named (all where none is); without "--", the trailing
arguments that name scenarios are taken as the names. --list prints every
scenario's name, one a line. --shard I/N runs only every N-th of them from
the I-th, so that N runs side by side.
"""
import ctypes
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
PR_SET_CHILD_SUBREAPER = 36
# How long the picture's flush is held (strace), for a signal to arrive meanwhile.
FLUSH_DELAY_MICROSECONDS = 3000000


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
             stdout_closed=False, pieces=1, gap=0.0, harmless_signals=()):
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
        for harmless in harmless_signals:
            process.send_signal(harmless)
            time.sleep(0.2)
            if process.poll() is not None:
                raise Failure(f"signal {harmless} ended the wait")
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

    def __init__(self, program, slave, placement, extra_fds=()):
        commands_read, self.commands = os.pipe()
        self.events, events_write = os.pipe()
        self.controller = subprocess.Popen(
            [sys.executable, __file__, "--job", str(commands_read), str(events_write),
             placement] + program,
            stdin=slave, stdout=slave, stderr=slave, start_new_session=True,
            pass_fds=(commands_read, events_write) + tuple(extra_fds),
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


def job_scenario(program, background, ttou=None, stops=1, stop_signal=signal.SIGTSTP):
    """Stopped during the key wait (or started in the background), then brought to
    the foreground: cooked mode while stopped, raw again once it goes on, as often
    as it stops. With SIGTTOU ignored or blocked, the program must stop before it
    touches the terminal, and what the user typed meanwhile stays for the shell.
    SIGSTOP reaches no handler: the shell gives the terminal its own mode, and the
    program sets its mode again once it goes on."""
    ttou_ignored = ttou is not None
    master, slave = os.openpty()
    try:
        mode_before = termios.tcgetattr(slave)
        if ttou_ignored:
            os.write(master, b"ls\n")
        job = Job(program, slave, f"background-ttou-{ttou}" if ttou_ignored else
                  "background" if background else "foreground")
        seen = bytearray()
        read_until(master, PRESS_ANY_KEY, seen)
        for stop in range(stops):
            if stop == 0 and ttou_ignored:
                job.event("stopped SIGTTIN")
                typed = unread_input(slave)  # the shell reads it
                if typed != b"ls\n":
                    raise Failure(f"what was typed for the shell became {typed!r}")
            elif stop == 0 and background:
                job.event("stopped SIGTTOU")
            else:
                wait_for(lambda: is_raw(slave), "raw mode for the key wait")
                os.kill(job.pid, stop_signal)
                job.event(f"stopped {signal.Signals(stop_signal).name}")
                if stop_signal == signal.SIGSTOP:
                    termios.tcsetattr(slave, termios.TCSANOW, mode_before)
            if termios.tcgetattr(slave) != mode_before:
                raise Failure(f"the terminal stayed raw while the program was stopped "
                              f"(stop {stop + 1})")
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


def killed_while_stopped_scenario(program):
    """SIGTSTP at the key wait restores the terminal; the shell then sets a mode of
    its own, and `kill %1` (SIGTERM, then SIGCONT) ends the stopped job: the
    program restores nothing a second time, and the shell's mode stays."""
    master, slave = os.openpty()
    try:
        job = Job(program, slave, "foreground")
        seen = bytearray()
        read_until(master, PRESS_ANY_KEY, seen)
        wait_for(lambda: is_raw(slave), "raw mode for the key wait")
        os.kill(job.pid, signal.SIGTSTP)
        job.event("stopped SIGTSTP")
        shell_mode = termios.tcgetattr(slave)
        shell_mode[3] &= ~termios.ECHO
        termios.tcsetattr(slave, termios.TCSANOW, shell_mode)
        job.command("kill")
        while (line := job.event("")) == "continued":
            pass
        if line != f"exited {-signal.SIGTERM}":
            raise Failure(f"job: {line!r}, expected exited {-signal.SIGTERM}")
        job.close()
        if termios.tcgetattr(slave) != shell_mode:
            raise Failure("the shell's mode was overwritten after the stop had restored it")
    finally:
        os.close(master)
        os.close(slave)


def ended_in_background_scenario(program):
    """The terminal taken from the job while it waits in raw mode, then SIGTERM:
    the terminal is restored all the same (from the background)."""
    master, slave = os.openpty()
    try:
        mode_before = termios.tcgetattr(slave)
        job = Job(program, slave, "moved-to-background")
        seen = bytearray()
        read_until(master, PRESS_ANY_KEY, seen)
        wait_for(lambda: is_raw(slave), "raw mode for the key wait")
        job.command("move")
        job.event("moved")
        os.kill(job.pid, signal.SIGTERM)
        job.event(f"exited {-signal.SIGTERM}")
        job.close()
        check_left_clean(slave, mode_before)
    finally:
        os.close(master)
        os.close(slave)


def set_child_subreaper():
    """Orphaned descendants become this process's children, to be waited for."""
    libc = ctypes.CDLL(None, use_errno=True)
    if libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0) != 0:
        raise Failure(f"prctl: {os.strerror(ctypes.get_errno())}")


def end_leftovers():
    """Kills whatever a failed scenario left running: every orphan comes to
    this process, the subreaper, so a broken program does not spin on after the
    run (the children of a killed one come here in turn)."""
    me = os.getpid()
    for _ in range(10):
        try:
            with open(f"/proc/{me}/task/{me}/children") as children:
                pids = [int(pid) for pid in children.read().split()]
        except OSError:
            return
        if not pids:
            return
        for pid in pids:
            try:
                os.kill(pid, signal.SIGKILL)
                os.waitpid(pid, 0)
            except (ProcessLookupError, ChildProcessError):
                pass


def wait_exited(pid):
    """The exit status of a child, or a Failure after DEADLINE_SECONDS (the child killed)."""
    deadline = time.monotonic() + DEADLINE_SECONDS
    while time.monotonic() < deadline:
        done, status = os.waitpid(pid, os.WNOHANG)
        if done:
            return os.waitstatus_to_exitcode(status)
        time.sleep(0.05)
    os.kill(pid, signal.SIGKILL)
    os.waitpid(pid, 0)
    raise Failure("the key press did not end the wait")


def leader_gone_scenario(program):
    """SIGHUP and SIGTTOU ignored (as under nohup), input from a pipe, and the
    terminal's session leader gone before the key wait: the terminal is no longer
    the controlling one and has no foreground, so the wait takes its mode at once
    and ends with the key (it must not wait for a foreground that never comes).
    The run has made this process the subreaper that the program comes to."""
    master, slave = os.openpty()
    stdin_read, stdin_write = os.pipe()
    try:
        mode_before = termios.tcgetattr(slave)
        job = Job(program, slave, f"leader-gone={stdin_read}", (stdin_read,))
        os.close(stdin_read)
        stdin_read = -1
        seen = bytearray()
        read_until(master, PROMPT_ORDER, seen)  # the terminal is open
        job.command("leave")
        job.close()
        os.write(stdin_write, b"2\n1 -3 2\n")
        os.close(stdin_write)
        stdin_write = -1
        read_until(master, PRESS_ANY_KEY, seen)
        time.sleep(0.3)
        os.write(master, b"q")
        status = wait_exited(job.pid)
        if status != 0:
            raise Failure(f"exit status {status}, expected 0")
        check_left_clean(slave, mode_before)
    finally:
        for fd in (master, slave, stdin_read, stdin_write):
            if fd >= 0:
                os.close(fd)


def tracee_of(tracer_pid):
    """The one process that strace runs (its child)."""
    deadline = time.monotonic() + DEADLINE_SECONDS
    while time.monotonic() < deadline:
        with open(f"/proc/{tracer_pid}/task/{tracer_pid}/children") as children:
            pids = children.read().split()
        if pids:
            return int(pids[0])
        time.sleep(0.05)
    raise Failure("strace started no program")


def temporary_open_number(program, folder):
    """Which of the program's openat calls creates the temporary file, in a first
    run with the same dialogue."""
    picture = os.path.join(folder, "plot.svg")
    with open(picture, "w") as old:
        old.write("old")
    trace = os.path.join(folder, "trace")
    subprocess.run(["strace", "-qq", "-o", trace, "-e", "trace=openat"] + program +
                   ["--svg", picture], input=b"1\n1 -2\n", stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, start_new_session=True, timeout=DEADLINE_SECONDS)
    with open(trace) as calls:
        opens = [line for line in calls if line.startswith("openat(")]
    for number, line in enumerate(opens, 1):
        if "/.secant-" in line:
            return number
    raise Failure(f"no temporary file among the program's openat calls: {opens}")


def interrupted_write_scenario(program, send_signal=None, held_open=False):
    """Ctrl-C (or send_signal, sent to the program itself) while the picture is
    written to a slow disk (strace holds its flush for a while): the temporary file
    goes with the program, which ends by that signal, and the old picture stays.
    With held_open, the signal comes while the temporary's creation is held (at
    the end of its openat): it must wait until the handler knows the file."""
    if shutil.which("strace") is None:
        raise Failure("strace is missing (tests/run-all.sh installs it)")
    master, slave = os.openpty()
    folder = tempfile.mkdtemp()
    try:
        mode_before = termios.tcgetattr(slave)
        picture = os.path.join(folder, "plot.svg")
        with open(picture, "w") as old:
            old.write("old")
        if held_open:
            number = temporary_open_number(program, tempfile.mkdtemp(dir=folder))
            slowed = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=openat", "-e",
                      f"inject=openat:delay_exit={FLUSH_DELAY_MICROSECONDS}:when={number}"]
        else:
            slowed = ["strace", "-f", "-qq", "-o", "/dev/null", "-e", "trace=fsync",
                      "-e", f"inject=fsync:delay_enter={FLUSH_DELAY_MICROSECONDS}"]
        process = start(slowed + program + ["--svg", picture], slave, False)
        seen = bytearray()
        read_until(master, PROMPT_ORDER, seen)
        os.write(master, b"1\n")
        read_until(master, PREFIX, seen)
        os.write(master, b"1 -2\n")
        wait_for(lambda: any(name.startswith(".secant-") for name in os.listdir(folder)),
                 "temporary file")
        if send_signal is None:
            os.write(master, b"\x03")
        else:
            os.kill(tracee_of(process.pid), send_signal)  # strace ends as its program
        expected = signal.SIGINT if send_signal is None else send_signal
        try:
            status = process.wait(timeout=DEADLINE_SECONDS)
        except subprocess.TimeoutExpired:
            process.kill()
            raise Failure(f"signal {expected} did not end the program")
        if status != -expected:
            raise Failure(f"exit status {status}, expected {-expected}")
        left = sorted(name for name in os.listdir(folder) if not name.startswith("tmp"))
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
    """The job controller: runs the program as a job and reports what becomes of it.
    As "leader-gone=FD" it gives the program FD as standard input, with SIGHUP and
    SIGTTOU ignored, and on "leave" it exits, leaving the program without it."""
    signal.signal(signal.SIGTTOU, signal.SIG_IGN)  # as a shell: it hands the terminal over
    terminal = 0
    leader_gone = placement.startswith("leader-gone=")
    if leader_gone:
        stdin_read = int(placement.split("=")[1])
    else:
        stdin_read, stdin_write = os.pipe()
        os.write(stdin_write, b"2\n1 -3 2\n")
        os.close(stdin_write)
    in_foreground = placement in ("foreground", "moved-to-background") or leader_gone
    pid = os.fork()
    if pid == 0:
        os.setpgid(0, 0)
        if in_foreground:
            # The child takes the terminal itself too (SIGTTOU is still ignored
            # here), as a shell's child does: a loaded machine may run the program
            # up to its key wait before the parent's tcsetpgrp below.
            os.tcsetpgrp(terminal, os.getpgrp())
        if leader_gone:
            signal.signal(signal.SIGHUP, signal.SIG_IGN)
        elif placement != "background-ttou-ignored":
            signal.signal(signal.SIGTTOU, signal.SIG_DFL)
        if placement == "background-ttou-blocked":
            signal.pthread_sigmask(signal.SIG_BLOCK, [signal.SIGTTOU])
        os.dup2(stdin_read, 0)
        os.execvp(program[0], program)
    try:
        os.setpgid(pid, pid)  # as the child does itself: whichever comes first
    except PermissionError:
        pass  # the child has set it and gone on to exec
    if in_foreground:
        os.tcsetpgrp(terminal, pid)
    report = lambda text: os.write(events, text.encode() + b"\n")
    report(f"started {pid}")
    lines = os.fdopen(commands)
    if leader_gone:
        lines.readline()
        os._exit(0)
    if placement == "moved-to-background":  # the terminal taken back, the job running
        lines.readline()
        os.tcsetpgrp(terminal, os.getpgrp())
        report("moved")
    while True:
        _, status = os.waitpid(pid, os.WUNTRACED | os.WCONTINUED)
        if os.WIFSTOPPED(status):
            os.tcsetpgrp(terminal, os.getpgrp())
            report(f"stopped {signal.Signals(os.WSTOPSIG(status)).name}")
            command = lines.readline().strip()
            if command == "fg":
                os.tcsetpgrp(terminal, pid)
                os.killpg(pid, signal.SIGCONT)
            elif command == "kill":  # as a shell's kill %1 for a stopped job
                os.killpg(pid, signal.SIGTERM)
                os.killpg(pid, signal.SIGCONT)
        elif os.WIFCONTINUED(status):
            report("continued")
        else:
            report(f"exited {os.waitstatus_to_exitcode(status)}")
            return 0


def signal_number(name):
    """SIGTERM, or SIGRTMIN+3."""
    base, _, offset = name.partition("+")
    return getattr(signal, base) + int(offset or 0)


def slug(name):
    return name.lower().replace("sig", "", 1).replace("+", "-plus-")


# Each scenario: its name (for the command line), what it checks, its run and options.
RUNS = [
    ("arrow-key", "arrow key", scenario, dict(key=b"\x1b[A")),
    ("letter", "letter", scenario, dict(key=b"q")),
    ("ctrl-c-key", "Ctrl+C is an ordinary key", scenario, dict(key=b"\x03")),
    ("modified-function-key", "function key with modifier", scenario,
     dict(key=b"\x1b[24;5~")),
    ("lone-escape", "lone Escape", scenario, dict(key=b"\x1b")),
    ("focus-report", "focus report does not end the wait", scenario,
     dict(key=b"x", ignored=b"\x1b[I")),
    ("stdin-pipe", "standard input from a pipe", scenario,
     dict(key=b"k", stdin_from_pipe=True)),
    ("paste", "a paste ends the wait with its first key and leaves nothing", scenario,
     dict(key=b"xPWNED\r")),
    ("paste-in-pieces", "a paste in pieces 5 ms apart leaves nothing", scenario,
     dict(key=b"echo LEAKED\r" * 20, pieces=10, gap=0.005)),
    ("stdout-closed", "standard output closed stays closed", scenario,
     dict(key=b"k", stdout_closed=True)),
    ("harmless-signals", "a resize, SIGURG and SIGCHLD do not end the wait", scenario,
     dict(key=b"k", harmless_signals=(signal.SIGWINCH, signal.SIGURG, signal.SIGCHLD))),
]

# Every signal that ends the process restores the terminal first and ends it.
KEY_WAIT_SIGNALS = ["SIGTERM", "SIGHUP", "SIGINT", "SIGQUIT", "SIGABRT", "SIGALRM", "SIGPIPE",
                    "SIGUSR1", "SIGUSR2", "SIGPROF", "SIGVTALRM", "SIGXCPU", "SIGXFSZ", "SIGIO",
                    "SIGPWR", "SIGSTKFLT", "SIGRTMIN+3", "SIGRTMAX", "SIGSEGV", "SIGBUS",
                    "SIGFPE", "SIGILL", "SIGTRAP", "SIGSYS"]
RUNS += [(f"key-wait-{slug(name)}", f"{name} at the key wait restores the terminal", scenario,
          dict(send_signal=signal_number(name))) for name in KEY_WAIT_SIGNALS]

RUNS += [
    ("stop-and-fg", "SIGTSTP restores the terminal, fg makes it raw again", job_scenario,
     dict(background=False)),
    ("stop-twice", "stopped, fg, stopped again: restored while stopped both times",
     job_scenario, dict(background=False, stops=2)),
    ("started-in-background", "started in the background: SIGTTOU leaves the terminal alone",
     job_scenario, dict(background=True)),
    ("background-ttou-ignored",
     "in the background with SIGTTOU ignored: stops before it touches the terminal",
     job_scenario, dict(background=True, ttou="ignored")),
    ("background-ttou-blocked",
     "in the background with SIGTTOU blocked: stops before it touches the terminal",
     job_scenario, dict(background=True, ttou="blocked")),
    ("sigstop-and-fg", "SIGSTOP, the shell's mode, fg: raw again", job_scenario,
     dict(background=False, stop_signal=signal.SIGSTOP)),
    ("killed-while-stopped", "killed while stopped: the shell's mode is not overwritten",
     killed_while_stopped_scenario, {}),
    ("ended-in-background", "SIGTERM with the terminal taken away: restored all the same",
     ended_in_background_scenario, {}),
    ("leader-gone", "SIGHUP and SIGTTOU ignored, session leader gone: the key ends the wait",
     leader_gone_scenario, {}),
    ("write-ctrl-c", "Ctrl-C during a slow picture write leaves no temporary file",
     interrupted_write_scenario, {}),
]

WRITE_SIGNALS = ["SIGIO", "SIGPWR", "SIGRTMIN+3", "SIGSEGV"]
RUNS += [(f"write-{slug(name)}", f"{name} during a slow picture write leaves no temporary file",
          interrupted_write_scenario, dict(send_signal=signal_number(name)))
         for name in WRITE_SIGNALS]
RUNS.append(("write-held-open", "SIGIO as the temporary is created waits, then removes it",
             interrupted_write_scenario, dict(send_signal=signal.SIGIO, held_open=True)))


LAUNCHER_SKIPS = {"write-segv"}


def main():
    if sys.argv[1] == "--job":
        return control_job(int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5:])
    if sys.argv[1] == "--list":
        for name, _, _, _ in RUNS:
            print(name)
        return 0
    # The program, any launcher to run it with (an emulator), then (after "--") the
    # names of the scenarios to run: all where none is named.
    # Without "--", the trailing arguments that name scenarios are the names.
    # --shard I/N: only every N-th scenario from the I-th, so that N runs side by side.
    arguments, shard = sys.argv[1:], (1, 1)
    if arguments[0] == "--shard":
        shard, arguments = tuple(map(int, arguments[1].split("/"))), arguments[2:]
    known = {name for name, _, _, _ in RUNS}
    if "--" in arguments:
        names = arguments[arguments.index("--") + 1:]
        arguments = arguments[:arguments.index("--")]
    else:
        split = len(arguments)
        while split > 1 and arguments[split - 1] in known:
            split -= 1
        arguments, names = arguments[:split], arguments[split:]
    program = arguments[1:] + [arguments[0]]
    unknown = [name for name in names if name not in known]
    if unknown:
        print(f"unknown scenarios: {' '.join(unknown)} (see --list)", file=sys.stderr)
        return 2
    runs = [run for run in RUNS if not names or run[0] in names]
    runs = runs[shard[0] - 1::shard[1]]
    if len(program) > 1:
        # qemu-user ends the program at a SIGSEGV sent during the slowed write
        # without running its handler (the temporary stays); natively the
        # scenario runs, and the key wait's SIGSEGV runs under the emulator too.
        for run in [run for run in runs if run[0] in LAUNCHER_SKIPS]:
            print(f"skip {run[0]}: not under an emulator ({' '.join(program[:-1])})", flush=True)
            runs.remove(run)
    set_child_subreaper()
    failed = 0
    for name, what, run, options in runs:
        try:
            run(program, **options)
            print(f"ok   {name}: {what}", flush=True)
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {what}: {failure}", flush=True)
    end_leftovers()
    print(f"{len(runs) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
