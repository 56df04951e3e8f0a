#!/usr/bin/env python3
"""Runs the program on one recorded session and compares it byte for byte.

A case NAME is a set of files in the cases folder: NAME.in is standard input,
NAME.out the expected standard output, NAME.err the expected standard error
(empty when absent), NAME.status the expected exit status (0 when absent) and
NAME.args the command-line arguments, one per line (none when absent).
The program runs in a new session, so it has no controlling terminal and its
key wait must give up at once instead of hanging.
"""
import pathlib
import subprocess
import sys

TIMEOUT_SECONDS = 20


def read_optional(path, default):
    return path.read_bytes() if path.exists() else default


def main():
    if len(sys.argv) < 4:
        print("usage: run_case.py PROGRAM CASES_DIR NAME [launcher...]", file=sys.stderr)
        return 2
    program, cases, name = sys.argv[1], pathlib.Path(sys.argv[2]), sys.argv[3]
    launcher = sys.argv[4:]
    stdin = (cases / f"{name}.in").read_bytes()
    expected_out = (cases / f"{name}.out").read_bytes()
    expected_err = read_optional(cases / f"{name}.err", b"")
    expected_status = int(read_optional(cases / f"{name}.status", b"0").decode().strip())
    args_file = cases / f"{name}.args"
    args = args_file.read_text(encoding="utf-8").splitlines() if args_file.exists() else []

    try:
        run = subprocess.run(launcher + [program] + args, input=stdin, capture_output=True,
                             timeout=TIMEOUT_SECONDS, start_new_session=True)
    except subprocess.TimeoutExpired:
        print(f"{name}: no exit within {TIMEOUT_SECONDS} s", file=sys.stderr)
        return 1

    failures = []
    if run.stdout != expected_out:
        failures.append(f"standard output\n  expected {expected_out!r}\n  actual   {run.stdout!r}")
    if run.stderr != expected_err:
        failures.append(f"standard error\n  expected {expected_err!r}\n  actual   {run.stderr!r}")
    if run.returncode != expected_status:
        failures.append(f"exit status: expected {expected_status}, actual {run.returncode}")
    for failure in failures:
        print(f"{name}: {failure}", file=sys.stderr)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
