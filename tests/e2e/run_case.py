#!/usr/bin/env python3
"""Runs the program on one recorded session and compares it byte for byte.

A case NAME is a set of files in the cases folder: NAME.in is standard input,
NAME.out the expected standard output, NAME.err the expected standard error
(empty when absent), NAME.status the expected exit status (0 when absent) and
NAME.args the command-line arguments, one per line (none when absent).
The program runs in a new empty folder. Where they exist, NAME.setup is a
shell script run in that folder before the program and NAME.check one run
there after it, which must succeed (it prints what is wrong); NAME.stdout
says where standard output goes instead of being compared ("full": to
/dev/full, "closed": closed; NAME.out is then absent); NAME.user names the
user that setup, program and check run as when the test runs as root, so that
root's rights do not hide a refusal; NAME.merged is what standard output and
standard error give together in one pipe, in their order, when it is to be
checked as well; NAME.fsize is the largest file in bytes the program may
write (ulimit -f), with SIGXFSZ ignored, so that a write beyond it fails;
NAME.stdin "folder" makes standard input the case's folder, which cannot be
read (NAME.in is then empty).
The expected files are UTF-8 with LF line ends; for a Windows program they
are converted to the console's code page and CR LF first.
The program runs in a new session, so it has no controlling terminal and its
key wait must give up at once instead of hanging.
"""
import argparse
import os
import pathlib
import pwd
import re
import resource
import shutil
import signal
import subprocess
import sys
import tempfile

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
    # The program runs in a folder of its own: paths given relative to here must still hold.
    options.program = os.path.abspath(options.program)
    options.launcher = [os.path.abspath(a) if os.path.exists(a) else a for a in options.launcher]
    cases, name = options.cases, options.name
    stdin = (cases / f"{name}.in").read_bytes()
    expected_out = expected(read_optional(cases / f"{name}.out", b""), options.encoding,
                            options.crlf)
    expected_err = expected(read_optional(cases / f"{name}.err", b""), options.encoding,
                            options.crlf)
    expected_status = int(read_optional(cases / f"{name}.status", b"0").decode().strip())
    args_file = cases / f"{name}.args"
    args = args_file.read_text(encoding="utf-8").splitlines() if args_file.exists() else []

    for attempt in (1, 2):
        with tempfile.TemporaryDirectory() as top:
            folder = os.path.join(top, "run")
            os.mkdir(folder)
            failures, wine_lines = run_in(folder, options, args, stdin, expected_out,
                                          expected_err, expected_status)
        if not failures:
            return 0
        if attempt == 1 and wine_lines:
            # Wine's own crash report (seen once in a great many runs of a
            # case): the case runs once more, and must then be right to the byte.
            print(f"{name}: Wine reported a fault of its own ({wine_lines[0]!r}); "
                  "running the case once more")
            continue
        for failure in failures:
            print(f"{name}: {failure}", file=sys.stderr)
        return 1
    return 1


# What Wine itself writes on standard error: its crash reports, its client's errors
# (seen when the machine is busy) and its debug channels.
WINE_LINE = re.compile(rb"^(wine: |wine client error:|[0-9a-f]{4}:(err|fixme|warn|trace):)")


def wine_lines(*streams):
    return [line.decode(errors="replace") for stream in streams if stream
            for line in stream.splitlines() if WINE_LINE.match(line)]


def as_user(cases, name, folder, program):
    """The command prefix that runs as the case's user when root runs the test, and the
    program to run: a copy that user can reach wherever the build lies (a checkout in a
    folder of mode 0700 is out of its reach)."""
    user_file = cases / f"{name}.user"
    if not user_file.exists() or os.getuid() != 0:
        return [], program
    user = pwd.getpwnam(user_file.read_text(encoding="utf-8").strip())
    os.chown(folder, user.pw_uid, user.pw_gid)
    top = os.path.dirname(folder)
    os.chmod(top, 0o711)
    copy = os.path.join(top, os.path.basename(program))
    shutil.copy(program, copy)
    os.chmod(copy, 0o755)
    # A coverage build writes its counts where that user may: beside the folder.
    counts = os.path.join(top, "counts")
    os.mkdir(counts)
    os.chown(counts, user.pw_uid, user.pw_gid)
    return ["setpriv", f"--reuid={user.pw_uid}", f"--regid={user.pw_gid}", "--clear-groups", "--",
            "env", f"GCOV_PREFIX={counts}"], copy


def run_script(prefix, script, folder):
    # On standard input: the case's user may not reach the cases folder.
    return subprocess.run(prefix + ["sh", "-e", "-s"], input=script.read_text(encoding="utf-8"),
                          cwd=folder, capture_output=True, text=True, timeout=TIMEOUT_SECONDS)


def run_in(folder, options, args, stdin, expected_out, expected_err, expected_status):
    cases, name, launcher = options.cases, options.name, options.launcher
    prefix, program = as_user(cases, name, folder, options.program)
    setup, check = cases / f"{name}.setup", cases / f"{name}.check"
    if setup.exists():
        prepared = run_script(prefix, setup, folder)
        if prepared.returncode != 0:
            return [f"setup failed: {prepared.stderr}"], []
    stdout_file = cases / f"{name}.stdout"
    stdout_mode = stdout_file.read_text().strip() if stdout_file.exists() else "captured"
    stdout = {"captured": subprocess.PIPE, "full": open("/dev/full", "wb"),
              "closed": subprocess.DEVNULL}[stdout_mode]
    fsize_file = cases / f"{name}.fsize"
    fsize = int(fsize_file.read_text()) if fsize_file.exists() else None
    environment = dict(os.environ, GCOV_ERROR_FILE="/dev/null") if fsize is not None else None

    def prepare():
        if stdout_mode == "closed":
            os.close(1)
        if fsize is not None:
            resource.setrlimit(resource.RLIMIT_FSIZE, (fsize, fsize))
            signal.signal(signal.SIGXFSZ, signal.SIG_IGN)

    stdin_file = cases / f"{name}.stdin"
    unreadable = stdin_file.exists() and stdin_file.read_text().strip() == "folder"
    streams = dict(stdin=os.open(folder, os.O_RDONLY)) if unreadable else dict(input=stdin)
    try:
        run = subprocess.run(prefix + launcher + [program] + args, **streams, stdout=stdout,
                             stderr=subprocess.PIPE, timeout=TIMEOUT_SECONDS, cwd=folder,
                             start_new_session=True, preexec_fn=prepare, env=environment)
    except subprocess.TimeoutExpired:
        return [f"no exit within {TIMEOUT_SECONDS} s"], []
    finally:
        if stdout_mode == "full":
            stdout.close()
        if unreadable:
            os.close(streams["stdin"])

    failures = []
    if stdout_mode == "captured" and run.stdout != expected_out:
        failures.append(f"standard output\n  expected {expected_out!r}\n  actual   {run.stdout!r}")
    if run.stderr != expected_err:
        failures.append(f"standard error\n  expected {expected_err!r}\n  actual   {run.stderr!r}")
    if run.returncode != expected_status:
        failures.append(f"exit status: expected {expected_status}, actual {run.returncode}")
    merged_file = cases / f"{name}.merged"
    merged = None
    if merged_file.exists():
        merged = subprocess.run(prefix + launcher + [program] + args, input=stdin,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=TIMEOUT_SECONDS, cwd=folder, start_new_session=True)
        expected_merged = expected(merged_file.read_bytes(), options.encoding, options.crlf)
        if merged.stdout != expected_merged:
            failures.append(f"both streams in one pipe\n  expected {expected_merged!r}\n"
                            f"  actual   {merged.stdout!r}")
    if check.exists():
        checked = run_script(prefix, check, folder)
        if checked.returncode != 0:
            failures.append(f"check: {checked.stdout}{checked.stderr}")
    return failures, wine_lines(run.stderr, merged.stdout if merged else b"")


if __name__ == "__main__":
    sys.exit(main())
