#!/usr/bin/env python3
"""Runs secant.exe under Wine in a real terminal (tmux) and presses keys.

Wine's console draws its screen with cursor sequences, so the test reads the
screen (capture-pane), not the bytes. Each scenario types the dialogue, checks
that the roots are shown and the program still waits, presses one key and
checks the exit status the shell then prints.

Usage: tmux_session.py WINE_RUN PREFIX PROGRAM [SCENARIO...]

The scenarios named (with none, every one) run side by side, each in a
process and a tmux server of its own; --list names them.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import termios
import time

SOCKET = f"secant-wine-test-{os.getpid()}"  # one per process: scenarios run side by side
SCREEN_TIMEOUT = 40


class Failure(Exception):
    pass


def tmux(*args, check=True):
    return subprocess.run(["tmux", "-u", "-L", SOCKET, *args], capture_output=True, text=True,
                          check=check)


def screen(session):
    return tmux("capture-pane", "-t", session, "-p", check=False).stdout


def wait_for_console_read(session):
    """Waits until Wine's console reads the terminal: it takes the terminal
    (no canonical mode) only at its first read, and keys typed before that
    arrive cooked (Enter as a line feed)."""
    tty = tmux("display-message", "-p", "-t", session, "#{pane_tty}").stdout.strip()
    fd = os.open(tty, os.O_RDONLY | os.O_NOCTTY | os.O_NONBLOCK)
    try:
        deadline = time.monotonic() + SCREEN_TIMEOUT
        while termios.tcgetattr(fd)[3] & termios.ICANON:
            if time.monotonic() > deadline:
                raise Failure(f"the console never read the terminal:\n{screen(session)}")
            time.sleep(0.05)
    finally:
        os.close(fd)


def wait_for(session, pattern, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        text = screen(session)
        match = re.search(pattern, text)
        if match:
            return match
        time.sleep(0.3)
    raise Failure(f"no {pattern!r} on the screen:\n{screen(session)}")


def scenario(wine_run, prefix, program, key, leftover="", code_page=None):
    session = "s" + re.sub(r"\W", "", key) + (code_page or "")
    wine = f"{shlex.quote(wine_run)} {shlex.quote(prefix)}"
    if code_page:
        # A console whose code page has no Cyrillic, in a terminal that shows
        # whatever the console holds (UTF-8): the texts must still read right.
        windows_path = "Z:" + os.path.abspath(program).replace("/", "\\")
        command = (f"env LC_ALL=C.UTF-8 {wine} cmd /c "
                   f"{shlex.quote(f'chcp {code_page} >nul & {windows_path}')}")
    else:
        command = f"env LC_ALL=ru_RU.UTF-8 {wine} {shlex.quote(program)}"
    command += "; echo EXIT=$?; sleep 120"
    tmux("new-session", "-d", "-s", session, "-x", "120", "-y", "30", command)
    try:
        wait_for(session, r"\S", SCREEN_TIMEOUT)  # the banner
        wait_for_console_read(session)
        if code_page:
            wait_for(session, "Программа демонстрирует решение", SCREEN_TIMEOUT)
        tmux("send-keys", "-t", session, "2", "Enter")
        wait_for(session, r"\n.*\n.*\n.*A\(\)=", SCREEN_TIMEOUT)
        tmux("send-keys", "-t", session, "1 -3 2", "Enter")
        wait_for(session, r"x1=1 -5\.93766e-08i\s*\nx2=2 0i\s*\n[^\n]*\S", SCREEN_TIMEOUT)
        time.sleep(1.0)
        if "EXIT=" in screen(session):
            raise Failure("the program ended before a key was pressed")
        tmux("send-keys", "-t", session, key)
        status = wait_for(session, r"EXIT=(\d+)", 30).group(1)
        if status != "0":
            raise Failure(f"exit status {status}")
        # Nothing of a paste reaches the shell: the terminal, cooked again,
        # must not echo its rest. (Wine's console also drops what it holds
        # when the program ends, so here this shows the outcome, not which
        # of the two discarded it.)
        time.sleep(1.0)
        if leftover and leftover in screen(session).split("EXIT=", 1)[1]:
            raise Failure(f"the rest of {key!r} was left for the shell")
    finally:
        tmux("kill-session", "-t", session, check=False)


def windows_path(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def start_dialogue(session, command, order, coefficients, shown):
    """Starts the command in a session and types the order and the coefficients."""
    # The server ends with its last session: a new one may meet it ending.
    for attempt in range(3):
        started = tmux("new-session", "-d", "-s", session, "-x", "120", "-y", "30", command,
                       check=False)
        if started.returncode == 0:
            break
        time.sleep(0.5)
    else:
        raise Failure(f"tmux new-session failed: {started.stderr}")
    wait_for(session, r"(?m):\s*$", SCREEN_TIMEOUT)  # the order's prompt
    wait_for_console_read(session)
    tmux("send-keys", "-t", session, order, "Enter")
    wait_for(session, r"A\(\)=", SCREEN_TIMEOUT)
    tmux("send-keys", "-t", session, coefficients, "Enter")
    if shown:
        wait_for(session, shown, SCREEN_TIMEOUT)


def paste_in_pieces_scenario(wine_run, prefix, program):
    """The rest of a paste that arrives a moment after the key ending the wait
    is dropped too: the next program at the same console (cmd's set /p)
    gets none of it."""
    session = "spieces"
    wine = f"{shlex.quote(wine_run)} {shlex.quote(prefix)}"
    line = f"{windows_path(program)} & set /p REST=next: & echo REST=[%REST%]"
    command = f"env LC_ALL=C.UTF-8 {wine} cmd /c {shlex.quote(line)}; echo EXIT=$?; sleep 120"
    try:
        start_dialogue(session, command, "2", "1 -3 2", r"x2=2 0i\s*\n[^\n]*\S")
        time.sleep(1.0)
        # One command list, so that the server itself keeps the pieces 50 ms apart.
        tmux("send-keys", "-t", session, "q", ";", "run-shell", "sleep 0.05", ";",
             "send-keys", "-t", session, "PWNED")
        wait_for(session, "next:", SCREEN_TIMEOUT)
        time.sleep(1.5)
        rest = screen(session).split("next:", 1)[1]
        if "PWNED" in rest:
            raise Failure(f"the rest of the paste reached the next program:\n{screen(session)}")
        tmux("send-keys", "-t", session, "Enter")
        wait_for(session, r"REST=\[", 30)
    finally:
        tmux("kill-session", "-t", session, check=False)


def interrupted_write_scenario(wine_run, prefix, program):
    """Ctrl+C while the picture is written (strace holds its flush for a
    while): the program ends without a key pressed, and its temporary file
    goes with it."""
    if shutil.which("strace") is None:
        raise Failure("strace is missing (tests/run-all.sh installs it)")
    session = "swrite"
    folder = tempfile.mkdtemp()
    picture = os.path.join(folder, "plot.svg")
    slowed = ("strace -f -qq -o /dev/null -e trace=fsync "
              "-e inject=fsync:delay_enter=3000000")
    wine = f"{shlex.quote(wine_run)} {shlex.quote(prefix)}"
    command = (f"env LC_ALL=ru_RU.UTF-8 {slowed} {wine} {shlex.quote(program)} --svg "
               f"{shlex.quote(picture)}; echo EXIT=$?; sleep 120")
    try:
        start_dialogue(session, command, "1", "1 -2", None)
        deadline = time.monotonic() + SCREEN_TIMEOUT
        while not any(n.startswith(".secant-") for n in os.listdir(folder)):
            if time.monotonic() > deadline:
                raise Failure(f"no temporary file; files: {os.listdir(folder)}")
            time.sleep(0.05)
        tmux("send-keys", "-t", session, "C-c")
        wait_for(session, r"EXIT=\d+", 30)
        left = [n for n in os.listdir(folder) if n.startswith(".secant-")]
        if left:
            raise Failure(f"temporary files left: {left}")
    finally:
        tmux("kill-session", "-t", session, check=False)
        shutil.rmtree(folder, ignore_errors=True)


def key_scenario(key, leftover="", code_page=None):
    return lambda wine_run, prefix, program: scenario(wine_run, prefix, program, key, leftover,
                                                      code_page)


# Each scenario by name: what it shows, and how it runs.
SCENARIOS = {
    "letter": ("a letter ends the wait", key_scenario("q")),
    "arrow": ("an arrow key ends the wait", key_scenario("Up")),
    "ctrl-c": ("Ctrl+C ends the wait", key_scenario("C-c")),
    "paste": ("a paste ends the wait and leaves nothing", key_scenario("qPWNED", "PWNED")),
    "code-page-437": ("at a console of code page 437 the texts show in Cyrillic",
                      key_scenario("q", code_page="437")),
    "paste-in-pieces": ("the rest of a paste in pieces reaches no next program",
                        paste_in_pieces_scenario),
    "interrupted-write": ("Ctrl+C during a slow picture write leaves no temporary file",
                          interrupted_write_scenario),
}


def run_here(arguments, names):
    """Runs the scenarios one after the other in this process."""
    failed = 0
    for name in names:
        title, run = SCENARIOS[name]
        try:
            run(*arguments)
            print(f"ok   {name}: {title}", flush=True)
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {title}: {failure}", flush=True)
    tmux("kill-server", check=False)
    return failed


def run_side_by_side(arguments, names):
    """Runs each scenario in a process of its own, all at once: they mostly
    wait for Wine."""
    children = [subprocess.Popen([sys.executable, __file__, *arguments, name],
                                 stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
                for name in names]
    failed = 0
    for child in children:
        output, _ = child.communicate()
        sys.stdout.write(output)
        failed += 1 if child.returncode != 0 else 0
    return failed


def main():
    if sys.argv[1:] == ["--list"]:
        print("\n".join(f"{name}: {title}" for name, (title, _) in SCENARIOS.items()))
        return 0
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    arguments = sys.argv[1:4]
    names = sys.argv[4:]
    unknown = [name for name in names if name not in SCENARIOS]
    if unknown:
        sys.exit(f"no scenario {', '.join(unknown)}; --list names them")
    names = names or list(SCENARIOS)
    failed = (run_here if len(names) == 1 else run_side_by_side)(arguments, names)
    if len(names) > 1:
        print(f"{len(names) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
