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
    return subprocess.run(["tmux", "-L", SOCKET, *args], capture_output=True, text=True,
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


def scenario(wine_run, prefix, program, key, leftover=""):
    session = "s" + re.sub(r"\W", "", key)
    command = (f"env LC_ALL=ru_RU.UTF-8 {shlex.quote(wine_run)} {shlex.quote(prefix)} "
               f"{shlex.quote(program)}; echo EXIT=$?; sleep 120")
    tmux("new-session", "-d", "-s", session, "-x", "120", "-y", "30", command)
    try:
        wait_for(session, r"\S", SCREEN_TIMEOUT)  # the banner
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
    keys = [("letter", "q", ""), ("arrow key", "Up", ""), ("Ctrl+C", "C-c", ""),
            ("a paste ends the wait and leaves nothing", "qPWNED", "PWNED")]
    for name, key, leftover in keys:
        try:
            scenario(wine_run, prefix, program, key, leftover)
            print(f"ok   {name}")
        except Failure as failure:
            failed += 1
            print(f"FAIL {name}: {failure}")
    tmux("kill-server", check=False)
    print(f"{len(keys) - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
