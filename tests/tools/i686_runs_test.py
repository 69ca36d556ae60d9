#!/usr/bin/env python3
"""tools/i686-runs against stand-in loaders: only a loader the kernel refuses
to exec (ENOEXEC, as a kernel without IA-32 emulation answers for every
32-bit program) is the case the tools may skip; any other failure is an
error, and FETCHPANE_REQUIRE_I686=1 makes the refusal one too.
Usage: i686_runs_test.py <repository root>"""
import os
import shutil
import stat
import subprocess
import sys
import tempfile

root = sys.argv[1]
check = os.path.join(root, "tools", "i686-runs")
work = tempfile.mkdtemp()


def stand_in(name, content, mode=0o755):
    path = os.path.join(work, name)
    with open(path, "wb") as f:
        f.write(content)
    os.chmod(path, mode)
    return path


# An ELF header of a class no kernel knows: exec answers ENOEXEC, as for a
# 32-bit loader on a kernel that runs no 32-bit programs.
foreign_elf = stand_in("foreign-elf", b"\x7fELF\x09\x01\x01" + bytes(57))
# Loaders the kernel starts, which then fail or hang: not the skip case.
failing = stand_in("failing", b"#!/bin/sh\necho 'wine: broken prefix' >&2\nexit 1\n")
starting = stand_in("starting", b"#!/bin/sh\nexit 0\n")
not_executable = stand_in("not-executable", b"#!/bin/sh\nexit 0\n", stat.S_IRUSR | stat.S_IWUSR)
missing = os.path.join(work, "missing")

cases = [
    # (what, loader, FETCHPANE_REQUIRE_I686, exit status, says why on stdout)
    ("kernel refuses the format", foreign_elf, None, 3, True),
    ("refusal when the i686 build must be tested", foreign_elf, "1", 1, False),
    ("loader starts and succeeds", starting, None, 0, False),
    ("loader starts and fails", failing, None, 0, False),
    ("loader starts and fails, required", failing, "1", 0, False),
    ("loader not installed", missing, None, 1, False),
    ("loader not executable", not_executable, None, 1, False),
]

failures = 0
for what, loader, required, want_status, says_why in cases:
    env = dict(os.environ)
    env.pop("FETCHPANE_REQUIRE_I686", None)
    if required is not None:
        env["FETCHPANE_REQUIRE_I686"] = required
    run = subprocess.run([check, loader], env=env, capture_output=True, text=True, timeout=60)
    lines = run.stdout.splitlines()
    ok = run.returncode == want_status
    if says_why:
        ok = ok and len(lines) == 1 and "runs no 32-bit programs" in lines[0]
    else:
        ok = ok and not lines
    if want_status == 1:
        ok = ok and run.stderr.strip() != ""
    print(f"{'ok  ' if ok else 'FAIL'} {what}: status {run.returncode}, "
          f"stdout {run.stdout.strip()!r}, stderr {run.stderr.strip()!r}")
    failures += not ok

shutil.rmtree(work)
sys.exit(1 if failures else 0)
