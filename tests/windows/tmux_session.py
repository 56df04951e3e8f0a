#!/usr/bin/env python3
"""Runs secant.exe under Wine in a real terminal (tmux) and presses keys.

Wine's console draws its screen with cursor sequences, so the test reads the
screen (capture-pane), not the bytes. Each scenario types the dialogue, checks
that the roots are shown and the program still waits, presses one key and
checks the exit status the shell then prints.

Usage: tmux_session.py WINE_RUN PREFIX PROGRAM
"""
import os
import re
import shlex
import subprocess
import sys
import time

SOCKET = f"secant-wine-test-{os.getpid()}"  # one per run: runs may overlap
SCREEN_TIMEOUT = 40


class Failure(Exception):
    pass


def tmux(*args, check=True):
    return subprocess.run(["tmux", "-u", "-L", SOCKET, *args], capture_output=True, text=True,
                          check=check)


def screen(session):
    return tmux("capture-pane", "-t", session, "-p", check=False).stdout


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


def main():
    wine_run, prefix, program = sys.argv[1:4]
    failed = 0
    keys = [("letter", "q", "", None), ("arrow key", "Up", "", None), ("Ctrl+C", "C-c", "", None),
            ("a paste ends the wait and leaves nothing", "qPWNED", "PWNED", None),
            ("at a console of code page 437 the texts show in Cyrillic", "q", "", "437")]
    for name, key, leftover, code_page in keys:
        try:
            scenario(wine_run, prefix, program, key, leftover, code_page)
            print(f"ok   {name}")
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {failure}")
    tmux("kill-server", check=False)
    print(f"{len(keys) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
