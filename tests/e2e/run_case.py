#!/usr/bin/env python3
"""Runs the program on one recorded session and compares it byte for byte.

A case NAME is a set of files in the cases folder: NAME.in is standard input,
NAME.out the expected standard output, NAME.err the expected standard error
(empty when absent), NAME.status the expected exit status (0 when absent) and
NAME.args the command-line arguments, one per line (none when absent).
The expected files are UTF-8 with LF line ends; for a Windows program they
are converted to the console's code page and CR LF first.
The program runs in a new session, so it has no controlling terminal and its
key wait must give up at once instead of hanging.
"""
import argparse
import pathlib
import subprocess
import sys

TIMEOUT_SECONDS = 20


def read_optional(path, default):
    return path.read_bytes() if path.exists() else default


def expected(data, encoding, crlf):
    if encoding:
        data = data.decode("utf-8").encode(encoding, errors="replace")
    if crlf:
        data = data.replace(b"\n", b"\r\n")
    return data


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--encoding", help="code page of the program's texts (default UTF-8)")
    parser.add_argument("--crlf", action="store_true", help="lines end in CR LF")
    parser.add_argument("program")
    parser.add_argument("cases", type=pathlib.Path)
    parser.add_argument("name")
    parser.add_argument("launcher", nargs=argparse.REMAINDER)
    options = parser.parse_args()
    program, cases, name, launcher = options.program, options.cases, options.name, options.launcher
    stdin = (cases / f"{name}.in").read_bytes()
    expected_out = expected((cases / f"{name}.out").read_bytes(), options.encoding, options.crlf)
    expected_err = expected(read_optional(cases / f"{name}.err", b""), options.encoding,
                            options.crlf)
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
