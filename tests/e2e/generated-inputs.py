#!/usr/bin/env python3
"""Runs the quorin program on inputs made here rather than stored: paths, operator chains and
nested terms far too deep to build, tokens a million characters long, an endless input line,
commands that fail to write, files written while the disk fills up, while the writer is killed or
into a folder that takes no new file, and a Ctrl-C while a piped line is half read. Each check
prints its name; a failed one prints what it saw, and the run ends with status 1 after all
checks.

Usage: generated-inputs.py <quorin> <work folder> [check ...]
(the names of the checks to run, all when none is named)
"""
import glob
import os
import platform
import select
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
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


def check_of(named):
    """The four hexadecimal digits that end a save's temporary name and check what precedes
    them, for this user."""
    value = 2166136261
    for byte in (named + ":quorin:" + str(os.geteuid())).encode():
        value = ((value ^ byte) * 16777619) & 0xffffffff
    return "".join("0123456789abcdef"[(value >> (4 * i)) & 0xF] for i in range(4))


def our_temporary(base, letters):
    """A temporary name of a save of `base`, as the program makes them."""
    named = "." + base + ".quorin-save." + letters
    return named + check_of(named)


def unprivileged_folder(reason):
    """For a check that runs the program as nobody: a fresh folder of its own that nobody may
    enter and write into, holding a copy of the program and the files it reads at start-up, since the checkout
    may lie in a folder that other users cannot enter. Answers (folder, command prefix, program)
    or None after saying why the check is skipped."""
    if os.getuid() != 0:
        print("skip %s: this user writes and reads everything it made anyway" % reason)
        return None
    if shutil.which("setpriv") is None:
        print("skip %s: setpriv is missing" % reason)
        return None
    folder = tempfile.mkdtemp(prefix="quorin-nobody-")
    os.chmod(folder, 0o777)
    program_folder = os.path.join(folder, "program")
    os.makedirs(program_folder)
    source = os.path.dirname(os.path.abspath(QUORIN))
    for name in os.listdir(source):
        if name == os.path.basename(QUORIN) or name.endswith((".flp", ".his")):
            shutil.copy(os.path.join(source, name), program_folder)
    for root, folders, files in os.walk(program_folder):
        for name in folders + files:
            path = os.path.join(root, name)
            os.chmod(path, os.stat(path).st_mode | 0o755)
    os.chmod(program_folder, 0o755)
    program = os.path.join(program_folder, os.path.basename(QUORIN))
    prefix = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
    probe = subprocess.run(prefix + [program, "-q", "-v"], capture_output=True, text=True,
                           cwd=folder, env=environment(), timeout=120)
    if probe.returncode != 0 or probe.stderr != "":
        print("skip %s: the program does not start as nobody in %s (status %d)\n%s" %
              (reason, folder, probe.returncode, probe.stderr[-500:]))
        shutil.rmtree(folder, ignore_errors=True)
        return None
    return folder, prefix, program


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
    if not os.access(path, os.R_OK):
        status, out, err = run(["-q", "locked.flp"])
    else:
        # The superuser reads every file: the program runs as nobody for this check.
        lent = unprivileged_folder("a file without read permission")
        if lent is None:
            return
        folder, prefix, program = lent
        locked = os.path.join(folder, "locked.flp")
        with open(locked, "w") as out:
            out.write("p(a).\n")
        os.chmod(locked, 0)
        done = subprocess.run(prefix + [program, "-q", "locked.flp"], capture_output=True,
                              text=True, cwd=folder, env=environment(), timeout=120)
        status, err = done.returncode, done.stderr
        shutil.rmtree(folder, ignore_errors=True)
    check("a file without read permission is an input that fails",
          status == 1 and "locked.flp, line 1 : input could not be read" in err, err)


def full_standard_output():
    """Output that standard output cannot take is reported once and fails the run: at the
    prompt the session goes on (both commands run), with -q the file stops at the query."""
    write("answers.flp", 'p(a).\n?- sys.eval.\n?- p(X).\n?- sys.om.saveAs@("after.txt").\n')
    write("evaluated.flp", 'p(a).\n?- sys.eval.\n')
    with open("/dev/full", "w") as full:
        done = subprocess.run([QUORIN], input='sys.echo@("one")[].\n'
                              'sys.consult@("evaluated.flp").\nsys.om.saveAs@("typed.txt").\n'
                              'sys.echo@("two")[].\n', stdout=full, stderr=subprocess.PIPE,
                              text=True, cwd=WORK, env=environment(), timeout=120)
        quit_run = subprocess.run([QUORIN, "-q", "answers.flp"], stdout=full,
                                  stderr=subprocess.PIPE, text=True, cwd=WORK,
                                  env=environment(), timeout=120)
    check("answers that standard output cannot take are reported once and fail the run",
          done.stderr.count("Can't write to standard output") == 1 and done.returncode == 1 and
          os.path.exists(os.path.join(WORK, "typed.txt")),
          "status %d\n%s" % (done.returncode, done.stderr))
    check("with -q a query whose answers are lost stops its file and fails the run",
          quit_run.stderr.count("Can't write to standard output") == 1 and
          quit_run.returncode == 1 and not os.path.exists(os.path.join(WORK, "after.txt")),
          "status %d\n%s" % (quit_run.returncode, quit_run.stderr))


def failing_commands():
    """Each command that cannot write its file, or load its file, fails: with -q the file stops
    there and the run ends with status 1; at the prompt the error is reported and the session
    goes on."""
    os.makedirs(os.path.join(WORK, "a-folder"), exist_ok=True)
    commands = ['sys.om.saveAs@("/dev/full")', 'sys.om.dump@("flogic", "/dev/full")',
                'sys.om.dump@("xml", "/dev/full", "doc")', 'sys.om.saveAs@("a-folder")',
                'sys.om.saveAs@("no-folder/base.flp")',
                'sys.theOMAccess.export@("flogic", "/dev/full")',
                'sys.theOMAccess.export@("sig", "no-folder/sig.flp")',
                'sys.theOMAccess.export@("xml", "a-folder", "doc")',
                'sys.load@("no-such-file.flp")']
    facts = "c[m => string].\no:c[m -> \"v\"].\n?- sys.eval.\n"
    for number, command in enumerate(commands):
        name = "fails%d.flp" % number
        write(name, facts + "?- %s.\n?- sys.echo@(\"not reached\").\n" % command)
        status, out, err = run(["-q", name])
        check("with -q %s stops its file and fails the run" % command,
              status == 1 and "not reached" not in out and "*** ERROR : " in err and
              "Sanitizer" not in err, "status %d\n%s%s" % (status, out, err))
    write("facts.flp", facts)
    typed = 'sys.consult@("facts.flp").\n' + "".join(
        '%s.\nsys.echo@("went on %d").\n' % (command, number)
        for number, command in enumerate(commands))
    status, out, err = run([], typed)
    check("at the prompt each failing command is reported and the session goes on",
          status == 0 and all("went on %d" % n in out for n in range(len(commands))) and
          err.count("*** ERROR : ") == len(commands), "status %d\n%s%s" % (status, out, err))


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


def temporary_files(name):
    """The named temporary files of a save into WORK/name."""
    return glob.glob(os.path.join(WORK, "." + name + ".*"))


def save_in_progress(pid, name):
    """Whether the process holds a temporary file of a save of WORK/name with content in it: a
    named one, or one without a name (shown as a deleted file of the folder)."""
    folder = os.path.realpath(WORK)
    try:
        descriptors = os.listdir("/proc/%d/fd" % pid)
    except OSError:
        return False
    for descriptor in descriptors:
        path = "/proc/%d/fd/%s" % (pid, descriptor)
        try:
            target = os.readlink(path)
            size = os.stat(path).st_size
        except OSError:
            continue
        if os.path.dirname(target) != folder or size == 0:
            continue
        base = os.path.basename(target)
        if base.startswith("." + name + ".") or base.endswith("(deleted)"):
            return True
    return False


def read_until(child, marker, deadline, stream=None):
    """What the child writes on standard output (or the given stream) until the marker shows,
    it ends or the deadline passes."""
    stream = child.stdout if stream is None else stream
    seen = b""
    while marker not in seen and time.time() < deadline and child.poll() is None:
        ready, _, _ = select.select([stream], [], [], max(0.0, deadline - time.time()))
        if not ready:
            break
        chunk = os.read(stream.fileno(), 65536)
        if not chunk:
            break
        seen += chunk
    return seen


def killed_writer():
    """A writer killed in the middle of a save leaves the old file whole and no temporary file."""
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
    deadline = time.time() + 400
    seen = read_until(child, b"saving", deadline)
    deadline = time.time() + 120
    killed = False
    while b"saving" in seen and time.time() < deadline and child.poll() is None:
        if save_in_progress(child.pid, "dump.txt"):
            child.send_signal(signal.SIGKILL)
            killed = True
            break
        time.sleep(0.001)
    if not killed:
        # Its standard input is still open: without this it would wait for commands for ever.
        child.kill()
    child.wait(timeout=120)
    left = temporary_files("dump.txt")
    check("a writer killed in the middle of a save leaves the old file and no temporary file",
          killed and read("dump.txt") == "old content\n" and not left,
          "killed %s, left %s, file starts %r" % (killed, left, read("dump.txt")[:80]))


def leftover_temporaries():
    """Temporary files that a killed save left are removed by the next save of their target
    into the folder; one that a living writer holds stays, and so does every file of the user,
    whatever its name: older temporary names, names with the mark whose check does not hold,
    and those of other targets."""
    write("base.flp", "old\n")
    ours = [our_temporary("base.flp", letters) for letters in ("AbCdEf12", "zz9ZZ9zz")]
    users = [".base.flp.backup", ".base.flp.v2copy", ".base.flp.AbC123", ".base.flp.keep",
             ".base.flp.quorin-save.AbCdEfGh0000", ".base.flp.quorin-save.AbC",
             our_temporary("other.flp", "AbCdEf12")]
    for name in ours + users:
        write(name, "half")
    held_name = our_temporary("base.flp", "Held4242")
    held = subprocess.Popen(["python3", "-c", "import fcntl, sys\n"
                             "f = open(sys.argv[1], 'a')\n"
                             "fcntl.flock(f, fcntl.LOCK_EX)\n"
                             "print('held', flush=True)\n"
                             "sys.stdin.read()\n", os.path.join(WORK, held_name)],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    held_ready = held.stdout.readline().strip() == "held"
    write("save.flp", 'p(a).\n?- sys.eval.\n?- sys.om.saveAs@("base.flp").\n')
    status, out, err = run(["-q", "save.flp"])
    held.stdin.close()
    held.wait(timeout=120)
    left = sorted(os.path.basename(path) for path in temporary_files("base.flp"))
    kept = all(os.path.exists(os.path.join(WORK, name)) and read(name) == "half"
               for name in users)
    check("the next save removes its own temporary files that nobody holds, and only those",
          held_ready and status == 0 and read("base.flp") == "p(a).\n\n" and kept and
          left == sorted([held_name] + users[:-1]),
          "status %d, left %s\n%s" % (status, left, err))
    for name in users + [held_name]:
        if os.path.exists(os.path.join(WORK, name)):
            os.remove(os.path.join(WORK, name))


def long_names():
    """A target whose name is as long as a name may be is saved, and saved over, with its
    temporary name shortened; a refusal always says why."""
    name = "a" * 250
    write("long-name.flp", 'p(a).\n?- sys.eval.\n?- sys.om.saveAs@("%s").\n'
          '?- sys.om.saveAs@("%s").\n?- sys.theOMAccess.export@("flogic", "%s").\n'
          '?- sys.om.saveAs@("%s").\n?- sys.echo@("saved").\n' % (name, name, name, name))
    status, out, err = run(["-q", "long-name.flp"])
    check("a target of 250 bytes is saved over twice",
          status == 0 and "saved" in out and read(name) == "p(a).\n\n" and err == "",
          "status %d\n%s" % (status, err))
    os.remove(os.path.join(WORK, name))
    os.makedirs(os.path.join(WORK, "a-folder"), exist_ok=True)
    commands = ['sys.om.saveAs@("/dev/full")', 'sys.om.saveAs@("a-folder")',
                'sys.om.saveAs@("no-folder/base.flp")', 'sys.om.saveAs@("%s")' % ("b" * 300),
                'sys.theOMAccess.export@("sig", "no-folder/sig.flp")']
    typed = 'sys.consult@("facts.flp").\n' + "".join("%s.\n" % c for c in commands)
    write("facts.flp", "c[m => string].\no:c[m -> \"v\"].\n?- sys.eval.\n")
    status, out, err = run([], typed)
    refusals = [line for line in err.splitlines() if "Can't write to" in line]
    check("every refusal to write a file says why",
          len(refusals) == len(commands) and
          all(line.split("Can't write to ", 1)[1].count(": ") >= 1 for line in refusals) and
          "No such file or directory" in err and "File name too long" in err,
          "status %d\n%s" % (status, err))


def links_and_closed_folders():
    """A save through a link to a missing file makes that file; a save into a folder that takes
    no new file is refused with the reason and leaves the old file, also when the file itself
    could be written."""
    for name in ("dangling", "made.flp"):
        if os.path.lexists(os.path.join(WORK, name)):
            os.remove(os.path.join(WORK, name))
    os.symlink("made.flp", os.path.join(WORK, "dangling"))
    write("link.flp", 'p(a).\n?- sys.eval.\n?- sys.om.saveAs@("dangling").\n')
    status, out, err = run(["-q", "link.flp"])
    check("a save through a link to a missing file writes the file and keeps the link",
          status == 0 and os.path.islink(os.path.join(WORK, "dangling")) and
          read("made.flp") == "p(a).\n\n", "status %d\n%s" % (status, err))

    closed_folder_refused()


def closed_folder_refused():
    """A save into a folder that takes no new file is refused with the reason and leaves the old
    file, also when the file itself could be written."""
    script = 'p(a).\n?- sys.eval.\n?- sys.om.saveAs@("closed/base.flp").\n'
    closed = os.path.join(WORK, "closed")
    os.makedirs(closed, exist_ok=True)
    os.chmod(closed, 0o755)
    write(os.path.join("closed", "base.flp"), "old content\n")
    os.chmod(os.path.join(closed, "base.flp"), 0o666)
    os.chmod(closed, 0o555)
    folder, prefix, program = WORK, [], QUORIN
    if os.access(closed, os.W_OK):
        # The superuser writes into every folder: the program runs as nobody for this check, in
        # a folder of its own that nobody can reach wherever the checkout lies.
        lent = unprivileged_folder("a folder without write permission")
        if lent is None:
            return
        folder, prefix, program = lent
        closed = os.path.join(folder, "closed")
        os.makedirs(closed)
        with open(os.path.join(closed, "base.flp"), "w") as out:
            out.write("old content\n")
        os.chmod(os.path.join(closed, "base.flp"), 0o666)
        os.chmod(closed, 0o555)
    with open(os.path.join(folder, "closed.flp"), "w") as out:
        out.write(script)
    os.chmod(os.path.join(folder, "closed.flp"), 0o644)
    done = subprocess.run(prefix + [program, "-q", "closed.flp"], capture_output=True, text=True,
                          cwd=folder, env=environment(), timeout=120)
    with open(os.path.join(closed, "base.flp")) as kept:
        old = kept.read()
    listing = os.listdir(closed)
    if folder != WORK:
        shutil.rmtree(folder, ignore_errors=True)
    check("a save into a folder that takes no new file is refused and says why",
          done.returncode == 1 and old == "old content\n" and
          "Can't write to closed/base.flp: no temporary file can be made in its folder" in
          done.stderr and listing == ["base.flp"],
          "status %d\n%s" % (done.returncode, done.stderr))


def cancelled_writes():
    """Ctrl-C in the middle of a save, an export or a dump cuts it short, says so and fails its
    command: with -q the file stops there and the status is 1, and the old file stays."""
    value = "v" * 200
    write("signed.flp", "c[m => string].\n" +
          "".join('o%d:c[m -> "%s"].\n' % (i, value) for i in range(50000)) + "?- sys.eval.\n")
    for work, command, target in (("save", 'sys.om.saveAs@("cancel.txt")', "cancel.txt"),
                                  ("export", 'sys.theOMAccess.export@("flogic", "cancel.flp")',
                                   "cancel.flp")):
        write(target, "old content\n")
        write("cancel-%s.flp" % work, "?- %s.\n?- sys.echo@(\"not reached\").\n" % command)
        child = subprocess.Popen([QUORIN, "-q", "signed.flp", "cancel-%s.flp" % work],
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=WORK,
                                 env=environment())
        # The consult and the evaluation take long on a loaded machine; Ctrl-C comes once the
        # temporary file holds part of the text.
        deadline = time.time() + 600
        writing = False
        while time.time() < deadline and child.poll() is None:
            if save_in_progress(child.pid, target):
                writing = True
                child.send_signal(signal.SIGINT)
                break
            time.sleep(0.001)
        out, err = child.communicate(timeout=600)
        out, err = out.decode(errors="replace"), err.decode(errors="replace")
        check("with -q a %s cut short by Ctrl-C fails its command and keeps the old file" % work,
              writing and child.returncode == 1 and
              "%s cancelled: %s is left as it was" % (work, target) in out + err and
              "not reached" not in out and read(target) == "old content\n" and
              not temporary_files(target),
              "writing %s status %s\n%s%s" % (writing, child.returncode, out[-600:], err))

    write("cancel-dump.flp", '?- sys.echo@("dumping").\n?- sys.om.dump.\n'
          '?- sys.echo@("not reached").\n')
    child = subprocess.Popen([QUORIN, "-q", "signed.flp", "cancel-dump.flp"],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=WORK,
                             env=environment())
    # The dump reaches its pipe (standard error, where the debug channel writes) in blocks;
    # once its first block is there, the program waits on the full pipe until it is read, and
    # Ctrl-C comes while most of the dump is still to come.
    seen = read_until(child, b"o1", time.time() + 600, child.stderr)
    dumping = b"o1" in seen and child.poll() is None
    if dumping:
        child.send_signal(signal.SIGINT)
    out, err = child.communicate(timeout=600)
    out = out.decode(errors="replace")
    err = (seen + err).decode(errors="replace")
    check("with -q a dump cut short by Ctrl-C fails its command",
          dumping and child.returncode == 1 and "dump cancelled" in out + err and
          "not reached" not in out and err.count("[m -> ") < 50000,
          "dumping %s status %s\n%s%s" % (dumping, child.returncode, out[-600:], err))


def links_in_shared_folders():
    """A link in a sticky folder that all may write into is followed only where the kernel
    would follow it: when it belongs to the writer or to the folder's owner."""
    if os.getuid() != 0:
        print("skip links of other users in a shared folder: only the superuser makes them")
        return
    shared = os.path.join(WORK, "shared")
    shutil.rmtree(shared, ignore_errors=True)
    os.makedirs(shared)
    os.chmod(shared, 0o1777)
    write("victim.txt", "the victim's\n")
    planted = os.path.join(shared, "planted")
    os.symlink(os.path.join(WORK, "victim.txt"), planted)
    os.lchown(planted, 65534, 65534)
    own = os.path.join(shared, "own")
    os.symlink(os.path.join(WORK, "own-target.txt"), own)
    write("shared.flp", 'p(a).\n?- sys.eval.\n?- sys.om.saveAs@("shared/own").\n'
          '?- sys.om.saveAs@("shared/planted").\n?- sys.echo@("not reached").\n')
    status, out, err = run(["-q", "shared.flp"])
    check("a link of another user in a shared folder is not followed, and the refusal says why",
          status == 1 and read("victim.txt") == "the victim's\n" and os.path.islink(planted) and
          read("own-target.txt") == "p(a).\n\n" and "not reached" not in out and
          "Can't write to shared/planted: shared/planted is a symbolic link in a folder that "
          "all users may write into" in err, "status %d\n%s" % (status, err))
    shutil.rmtree(shared, ignore_errors=True)


def blocked_in_read(pid):
    """Whether the program waits for data on a pipe."""
    try:
        with open("/proc/%d/wchan" % pid) as wait:
            if "pipe_read" in wait.read():
                return True
        with open("/proc/%d/syscall" % pid) as calls:
            fields = calls.read().split()
        return platform.machine() == "x86_64" and fields[:1] == ["0"] or \
            platform.machine() == "aarch64" and fields[:1] == ["63"]
    except (OSError, ValueError):
        return False


def interrupted_consult():
    """Ctrl-C while a consulted file is read stops the file with "reading interrupted" alone:
    the clause it cut off is not reported as a parse error as well."""
    for mode in ([], ["-kavum"]):
        fifo = os.path.join(WORK, "slow.flp")
        if os.path.exists(fifo):
            os.remove(fifo)
        os.mkfifo(fifo)
        child = subprocess.Popen([QUORIN] + mode + ["-q", "slow.flp"], stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, cwd=WORK, env=environment())
        writer = os.open(fifo, os.O_WRONLY)
        os.write(writer, b"p(a).\nq(b, ")
        deadline = time.time() + 600
        waiting = False
        while time.time() < deadline and child.poll() is None:
            if blocked_in_read(child.pid):
                waiting = True
                break
            time.sleep(0.01)
        child.send_signal(signal.SIGINT)
        # More of the clause arrives after Ctrl-C, and the rest once the reader has asked for
        # it: the reading stops in the middle of the clause, whichever way the scanner reads.
        try:
            os.write(writer, b"c")
            while time.time() < deadline and child.poll() is None:
                if blocked_in_read(child.pid):
                    break
                time.sleep(0.01)
            os.write(writer, b").\nr(d).\n")
        except OSError:
            pass
        os.close(writer)
        out, err = child.communicate(timeout=600)
        err = err.decode(errors="replace")
        check("%sCtrl-C while a file is consulted says only that the reading was interrupted" %
              ("kavum " if mode else ""),
              waiting and child.returncode == 1 and "slow.flp" in err and
              "reading interrupted" in err and "parse error" not in err,
              "waiting %s status %s\n%s" % (waiting, child.returncode, err))
        os.remove(fifo)


def answer_file_refused():
    """sys.prn.style@("html") where no answer file can be made says why."""
    blocker = os.path.join(WORK, "blocked")
    shutil.rmtree(blocker, ignore_errors=True)
    os.makedirs(os.path.join(blocker, ".quorinoutput.html"))
    write("html.flp", '?- sys.prn.style@("html").\n')
    done = subprocess.run([QUORIN, "-q", os.path.join(WORK, "html.flp")], capture_output=True,
                          text=True, cwd=blocker, env=environment(), timeout=120)
    check("an answer file that is a folder is refused as one",
          "*** ERROR : Is a directory." in done.stderr and
          "No such file or directory" not in done.stderr,
          "status %d\n%s" % (done.returncode, done.stderr))
    shutil.rmtree(blocker, ignore_errors=True)
    lent = unprivileged_folder("an answer file in a folder without write permission")
    if lent is None:
        return
    folder, prefix, program = lent
    closed = os.path.join(folder, "closed")
    os.makedirs(closed)
    os.chmod(closed, 0o555)
    with open(os.path.join(folder, "html.flp"), "w") as out:
        out.write('?- sys.prn.style@("html").\n')
    os.chmod(os.path.join(folder, "html.flp"), 0o644)
    done = subprocess.run(prefix + [program, "-q", "../html.flp"], capture_output=True,
                          text=True, cwd=closed, env=environment(), timeout=120)
    shutil.rmtree(folder, ignore_errors=True)
    check("an answer file in a folder without write permission says so",
          "*** ERROR : Permission denied." in done.stderr and
          "No such file or directory" not in done.stderr,
          "status %d\n%s" % (done.returncode, done.stderr))


def readme_block(text, after):
    """The first fenced block of the README after the line that ends with `after`."""
    start = text.index("```\n", text.index(after)) + 4
    return text[start:text.index("```\n", start)]


def readme_examples():
    """What the README shows a newcomer is what the program does: the Kavum mode's first steps
    print the block it shows, and a load evaluates a rule and inserts the facts of a file with a
    query."""
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                           "README.md")) as source:
        text = source.read()
    write("doc.xml", readme_block(text, "With this `doc.xml`\n"))
    program = readme_block(text, "an axis query:\n")
    write("doc.flp", program + "?- D isa xmldoc, D//to -> T.\n")
    status, out, err = run(["-kavum", "-q", "doc.flp"])
    expected = readme_block(text, "standard output reads:\n")
    check("the Kavum mode's first steps print what the README shows",
          status == 0 and out == expected, "status %d\n%s---\n%s" % (status, out, expected))
    write("rule.flp", "p(a).\nq(X) :- p(X).\n")
    write("query.flp", "p(b).\n?- p(X).\n")
    write("load.flp", '?- sys.load@("rule.flp").\n?- q(X).\n?- sys.load@("query.flp").\n'
          '?- p(X).\n')
    status, out, err = run(["-q", "load.flp"])
    check("a load evaluates a rule, and inserts the facts of a file with a query",
          status == 0 and "X/a" in out and "X/b" in out and
          "file query.flp contains rules or queries, no insert done." in err and
          '"file base.flp contains rules or queries, no insert done."' in text,
          "status %d\n%s%s" % (status, out, err))


def reading_standard_input(pid):
    """Whether the program waits in a read of its standard input (the system call's number and
    first argument, or failing that the kernel's wait channel)."""
    read_calls = {"x86_64": "0", "aarch64": "63"}
    try:
        with open("/proc/%d/syscall" % pid) as calls:
            fields = calls.read().split()
        machine = platform.machine()
        if machine in read_calls and len(fields) > 1:
            return fields[0] == read_calls[machine] and int(fields[1], 16) == 0
        with open("/proc/%d/wchan" % pid) as wait:
            return "pipe_read" in wait.read()
    except (OSError, ValueError):
        return False


def interrupt_mid_line():
    """Ctrl-C while a piped line is half read drops that line, and the session goes on with the
    lines sent afterwards."""
    child = subprocess.Popen([QUORIN], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE, cwd=WORK, env=environment())
    child.stdin.write(b'sys.echo@("ready").\nX = ')
    child.stdin.flush()
    deadline = time.time() + 400
    seen = read_until(child, b"ready", deadline)
    # The half line is read once the program waits for the rest of it.
    waiting = False
    while b"ready" in seen and time.time() < deadline and child.poll() is None:
        if reading_standard_input(child.pid):
            waiting = True
            break
        time.sleep(0.01)
    if waiting:
        child.send_signal(signal.SIGINT)
    rest, err = child.communicate(input=b'sys.echo@("after").\nY = 1.\n', timeout=400)
    out = (seen + rest).decode(errors="replace")
    err = err.decode(errors="replace")
    check("Ctrl-C while a piped line is half read drops the line and the session goes on",
          waiting and child.returncode == 0 and "after" in out and "Y/1" in out and
          "X = " not in out and err == "",
          "waiting %s status %s\n%s%s" % (waiting, child.returncode, out[-600:], err))


def endless_line():
    """An endless line (/dev/zero) is refused once it passes the bound, without taking more
    memory, and SIGTERM ends the program while it reads on."""
    with open("/dev/zero", "rb") as zeros:
        child = subprocess.Popen([QUORIN], stdin=zeros, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, cwd=WORK, env=environment())
    def peak_megabytes():
        try:
            with open("/proc/%d/status" % child.pid) as status:
                for line in status:
                    if line.startswith("VmHWM:"):
                        return int(line.split()[1]) // 1024
        except OSError:
            pass
        return 0

    # Two copies of the bounded line at most while it grows, and the sanitizer's shadow: a
    # program that reads without a bound passes this long before the deadline.
    limit = 2048
    seen = b""
    deadline = time.time() + 900
    while (b"was refused" not in seen and time.time() < deadline and child.poll() is None and
           peak_megabytes() < limit):
        ready, _, _ = select.select([child.stderr], [], [], 1.0)
        if ready:
            chunk = os.read(child.stderr.fileno(), 65536)
            if not chunk:
                break
            seen += chunk
    refused = b"was refused" in seen
    peak = peak_megabytes()
    if refused:
        child.send_signal(signal.SIGTERM)
    else:
        child.kill()
    out, err = child.communicate(timeout=400)
    err = (seen + err).decode(errors="replace")
    check("an endless line is refused with a bounded memory and SIGTERM ends the reading",
          refused and child.returncode == 6 and b"Leaving Quorin" in out and peak < limit and
          "An input line longer than 268435456 bytes (256 MB) was refused" in err,
          "refused %s status %s peak %d MB\n%s" % (refused, child.returncode, peak, err[-600:]))

    # A line over the bound followed by more lines: the lines after it run.
    path = os.path.join(WORK, "long-line.txt")
    with open(path, "wb") as text:
        text.write(b"X = ")
        chunk = b"y" * (1 << 20)
        for _ in range(257):
            text.write(chunk)
        text.write(b'.\nsys.echo@("after the long line").\n')
    with open(path, "rb") as text:
        done = subprocess.run([QUORIN], stdin=text, capture_output=True, cwd=WORK,
                              env=environment(), timeout=900)
    os.remove(path)
    out = done.stdout.decode(errors="replace")
    err = done.stderr.decode(errors="replace")
    check("a line over the bound is refused and the lines after it run",
          done.returncode == 0 and "after the long line" in out and "Answer to query" not in out
          and err.count("was refused") == 1, "status %d\n%s%s" % (done.returncode, out[-300:], err))


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
for step in (deep_inputs, long_tokens, long_strings, unreadable_file, full_device,
             full_standard_output, failing_commands, full_disk, killed_writer,
             leftover_temporaries, long_names, cancelled_writes, links_and_closed_folders,
             links_in_shared_folders, interrupted_consult, answer_file_refused,
             readme_examples, interrupt_mid_line, endless_line):
    if len(sys.argv) <= 3 or step.__name__ in sys.argv[3:]:
        step()
sys.exit(1 if failures else 0)
