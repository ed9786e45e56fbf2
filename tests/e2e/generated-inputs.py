#!/usr/bin/env python3
"""Runs the quorin program on inputs made here rather than stored: paths, operator chains and
nested terms far too deep to build, tokens a million characters long, and files written while
the disk fills up or while the writer is killed. Each check prints its name; a failed one prints
what it saw, and the run ends with status 1 after all checks.

Usage: generated-inputs.py <quorin> <work folder>
"""
import glob
import os
import select
import signal
import subprocess
import sys
import time

QUORIN = sys.argv[1]
WORK = sys.argv[2]
OVERFLOW = "parse error near '{}' : parser stack overflow"
failures = []


def environment():
    """The default configuration, the home in the work folder, no Web browser."""
    env = dict(os.environ)
    for name in ("QUORINCFG", "QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    env["HOME"] = WORK
    env["BROWSER"] = "true"
    return env


def run(args, stdin_text="", timeout=120):
    """The program in the work folder with the given arguments and standard input."""
    done = subprocess.run([QUORIN] + args, input=stdin_text, capture_output=True, text=True,
                          cwd=WORK, env=environment(), timeout=timeout)
    return done.returncode, done.stdout, done.stderr


def check(name, condition, seen=""):
    print(("ok   " if condition else "FAIL ") + name)
    if not condition:
        failures.append(name)
        print(seen[-2000:])


def write(name, text):
    path = os.path.join(WORK, name)
    with open(path, "w") as out:
        out.write(text)
    return path


def read(name):
    with open(os.path.join(WORK, name)) as source:
        return source.read()


def refused_with_overflow(name, clause, token):
    """A clause too deep for the program is refused with the parser's overflow message, under
    -q (status 1, as for any rejected clause) and nothing else goes wrong."""
    write(name + ".flp", clause + "\n")
    status, out, err = run(["-q", name + ".flp"])
    check(name + " refused with the overflow message",
          status == 1 and OVERFLOW.format(token) in err and "Bye" in out and
          "Sanitizer" not in err, "status %d\n%s" % (status, err))


def deep_inputs():
    million = 1000000
    refused_with_overflow("path", "?- X = a" + ".m" * million + ".", ".")
    refused_with_overflow("arithmetic", "p(X) :- X = 1" + " + 1" * million + ".", "+")
    refused_with_overflow("nested", "p(" + "f(" * 100000 + "a" + ")" * 100000 + ").", "f")
    # Within the limit a long path is an ordinary query.
    write("short-path.flp", "a[m -> a].\n?- sys.eval.\n?- X = a" + ".m" * 2000 + ".\n")
    status, out, err = run(["-q", "short-path.flp"])
    check("path of 2,000 steps answers", status == 0 and "X/a" in out and err == "",
          out + err)


def long_tokens():
    million = 1000000
    write("long.flp", 'p("' + "x" * (million - 2) + '").\n'
          "q(" + "a" * million + ").\n"
          "r(" + "7" * 9 + "0" * (million - 9) + ").\n"
          "n(N) :- p(X), strlen(X, N).\n"
          "?- sys.eval.\n?- n(N).\n?- q(X), string(X).\n")
    status, out, err = run(["-q", "long.flp"])
    check("tokens of a million characters are read",
          status == 0 and "N/999998" in out and "% false" in out and
          "does not fit into 32 bits" in err, "status %d\n%s%s" % (status, out[-500:], err))


def long_strings():
    """Strings far longer than the scanner's first buffer, with escaped quotes, newlines and
    carriage returns, clause ends and comment marks inside: read whole in both dialects, from a
    file and at the prompt, with the length and lines a reader of the text counts."""
    pieces = ['ab\\"cd', "\r\n", "ef\n", "gh ij. % /* k */ ", "x" * 997]
    text = "".join(pieces[i % len(pieces)] for i in range(1500))
    # A backslash before a quote escapes it; a carriage return before a newline is dropped.
    length = len(text.replace('\\"', '"').replace("\r\n", "\n"))
    lines = text.count("\n")
    # The prompt's line holds no escaped quote, clause end or comment.
    flat = ("ab cd gh ij " + "x" * 997) * 300
    with open(os.path.join(WORK, "strings.flp"), "w", newline="") as out:
        out.write('s("' + text + '").\nn(N) :- s(X), strlen(X, N).\n?- sys.eval.\n?- n(N).\n')
    with open(os.path.join(WORK, "bad-string.flp"), "w", newline="") as out:
        out.write('s("' + text + '").\nt(a$).\n')
    for mode in ([], ["-kavum"]):
        name = "kavum " if mode else ""
        status, out, err = run(mode + ["-q", "strings.flp"])
        check(name + "a string of %d characters over %d lines is read whole" % (length, lines),
              status == 0 and "N/%d " % length in out and err == "",
              "status %d\n%s%s" % (status, out[-500:], err))
        status, out, err = run(mode + ["-q", "bad-string.flp"])
        check(name + "the lines of a long string count",
              "bad-string.flp, line %d : character '$'" % (lines + 2) in err, err)
        status, out, err = run(mode, 'X = "' + flat + '", strlen(X, N).\n')
        check(name + "a long string at the prompt is read whole",
              status == 0 and "N/%d " % len(flat) in out,
              "status %d\n%s%s" % (status, out[-500:], err))


def unreadable_file():
    path = write("locked.flp", "p(a).\n")
    os.chmod(path, 0)
    prefix = []
    if os.access(path, os.R_OK):
        # The superuser reads every file: the program runs as nobody for this check.
        if os.getuid() != 0 or subprocess.run(["which", "setpriv"], capture_output=True,
                                              timeout=60).returncode != 0:
            print("skip a file without read permission: this user reads it anyway")
            return
        prefix = ["--reuid=65534", "--regid=65534", "--clear-groups", QUORIN]
    if prefix:
        done = subprocess.run(["setpriv"] + prefix + ["-q", "locked.flp"], capture_output=True,
                              text=True, cwd=WORK, env=environment(), timeout=120)
        status, err = done.returncode, done.stderr
    else:
        status, out, err = run(["-q", "locked.flp"])
    check("a file without read permission is an input that fails",
          status == 1 and "locked.flp, line 1 : input could not be read" in err, err)


def full_standard_output():
    with open("/dev/full", "w") as full:
        done = subprocess.run([QUORIN], input='sys.echo@("one")[].\nsys.echo@("two")[].\n',
                              stdout=full, stderr=subprocess.PIPE, text=True, cwd=WORK,
                              env=environment(), timeout=120)
    check("answers that standard output cannot take are reported once",
          done.stderr.count("Can't write to standard output") == 1, done.stderr)


def full_disk():
    """Writes to a full small file system leave the old files as they were."""
    mount = os.path.join(WORK, "small")
    os.makedirs(mount, exist_ok=True)
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs", mount],
                             capture_output=True, timeout=60).returncode == 0
    if not mounted:
        print("skip a full disk: no small file system can be mounted here")
        return
    try:
        for name in ("base.txt", "export.flp", "program.txt"):
            write(os.path.join("small", name), "old content\n")
        facts = "c[m => string].\n" + "".join(
            'o%d:c[m -> "value number %d"].\n' % (i, i) for i in range(3000))
        write("facts.flp", facts)
        status, out, err = run([], 'sys.consult@("facts.flp")[].\nsys.eval[].\n'
                               'sys.om.saveAs@("small/base.txt")[].\n'
                               'sys.theOMAccess.export@("flogic", "small/export.flp")[].\n'
                               'sys.echo@("done")[].\n')
        check("saveAs and export on a full disk report and keep the old files",
              "Can't write to small/base.txt" in err and
              "Can't write to small/export.flp" in err and "done" in out and
              read("small/base.txt") == "old content\n" and
              read("small/export.flp") == "old content\n" and
              sorted(os.listdir(mount)) == ["base.txt", "export.flp", "program.txt"],
              err + str(os.listdir(mount)))
    finally:
        subprocess.run(["umount", mount], timeout=60)


def killed_writer():
    """A writer killed in the middle of a save leaves the old file whole."""
    value = "v" * 200
    write("many.flp", "".join('o%d[m -> "%s"].\n' % (i, value) for i in range(50000)))
    write("dump.txt", "old content\n")
    child = subprocess.Popen([QUORIN], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, cwd=WORK, env=environment())
    child.stdin.write(b'sys.consult@("many.flp")[].\nsys.eval[].\nsys.echo@("saving")[].\n'
                      b'sys.om.saveAs@("dump.txt")[].\n')
    child.stdin.flush()
    # The consult and the evaluation take long on a loaded machine: the echo tells when the
    # save begins. Only then is the partial file looked for, in short slices (nothing tells
    # when it grows), and the writer killed as soon as it holds something.
    seen = b""
    deadline = time.time() + 400
    while b"saving" not in seen and time.time() < deadline and child.poll() is None:
        ready, _, _ = select.select([child.stdout], [], [], max(0.0, deadline - time.time()))
        if not ready:
            break
        chunk = os.read(child.stdout.fileno(), 65536)
        if not chunk:
            break
        seen += chunk
    deadline = time.time() + 120
    killed = False
    while b"saving" in seen and time.time() < deadline and child.poll() is None:
        partial = glob.glob(os.path.join(WORK, ".dump.txt.*"))
        if partial and os.path.getsize(partial[0]) > 0:
            child.send_signal(signal.SIGKILL)
            killed = True
            break
        time.sleep(0.001)
    if not killed:
        # Its standard input is still open: without this it would wait for commands for ever.
        child.kill()
    child.wait(timeout=120)
    for leftover in glob.glob(os.path.join(WORK, ".dump.txt.*")):
        os.remove(leftover)
    check("a writer killed in the middle of a save leaves the old file",
          killed and read("dump.txt") == "old content\n",
          "killed %s, file starts %r" % (killed, read("dump.txt")[:80]))


def full_device():
    write("one.flp", "o[m -> a].\np(a).\n")
    status, out, err = run([], 'sys.consult@("one.flp")[].\nsys.eval[].\n'
                           'sys.om.saveAs@("/dev/full")[].\n'
                           'sys[s -> sys.open@("/dev/full")].\n'
                           'sys.answerChannel.setStream@(sys.s)[].\n'
                           'p(X).\np(X).\nsys.answerChannel.resetStream[].\n'
                           'sys.echo@("done")[].\n')
    check("writes to a full device are reported, the answer channel's once",
          err.count("Can't write to /dev/full") == 2 and "done" in out and
          os.path.exists("/dev/full") and not os.path.isfile("/dev/full"), err)


os.makedirs(WORK, exist_ok=True)
for step in (deep_inputs, long_tokens, long_strings, unreadable_file, full_device, full_standard_output,
             full_disk, killed_writer):
    step()
sys.exit(1 if failures else 0)
