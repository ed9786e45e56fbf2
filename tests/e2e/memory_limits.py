#!/usr/bin/env python3
"""Runs the quorin program under limits of its address space (ulimit -v, set here for each run):
a limit that is enough stays enough when it is raised, and running out of memory never aborts.

- The sweep: one file of 2.4 million facts (about 300 MB resident) consulted under limits from
  0.5 to 6 GB. Every limit from the
  smallest that succeeds upwards must succeed, the largest among them; a run that fails ends in
  order (no signal, no "terminate called").
- Running out in an evaluation: the evaluation is cancelled as an interrupt cancels it ("evaluation
  cancelled at round N") with the reason, error 999 "CLIB Memory Manager: Out of memory.", and the
  session goes on with the next command; once with a join that outgrows the limit in one round,
  once with a chain of one new fact a round.

Each check prints its name; a failed one prints what it saw, and the run ends with status 1 after
all checks. Builds with the address sanitizer do not run it: the sanitizer reserves terabytes of
address space for its shadow memory at start, which no such limit admits.

Usage: memory_limits.py <quorin> <work folder> [facts]
"""
import os
import random
import re
import resource
import shutil
import subprocess
import sys

QUORIN = sys.argv[1]
WORK = sys.argv[2]
FACTS = int(sys.argv[3]) if len(sys.argv) > 3 else 2400000
CANCELLED = re.compile(r"^evaluation cancelled at round \d+$", re.M)
OUT_OF_MEMORY = "*** ERROR : CLIB Memory Manager: Out of memory."
failures = []


def environment():
    """The default configuration, the home in the work folder, no Web browser."""
    env = dict(os.environ)
    for name in ("QUORINCFG", "QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    env["HOME"] = WORK
    env["BROWSER"] = "true"
    return env


def run_limited(kilobytes, args, stdin_text="", timeout=900):
    """The program in the work folder with its address space limited to `kilobytes`."""

    def limit():
        resource.setrlimit(resource.RLIMIT_AS, (kilobytes * 1024, kilobytes * 1024))

    done = subprocess.run([QUORIN] + args, input=stdin_text, capture_output=True, text=True,
                          cwd=WORK, env=environment(), timeout=timeout, preexec_fn=limit)
    return done.returncode, done.stdout, done.stderr


def check(name, condition, seen=""):
    print(("ok   " if condition else "FAIL ") + name, flush=True)
    if not condition:
        failures.append(name)
        print(seen[-3000:])


def write(name, text):
    path = os.path.join(WORK, name)
    with open(path, "w") as out:
        out.write(text)
    return path


def ended_in_order(status, stderr):
    return status >= 0 and status != 134 and "terminate called" not in stderr


def sweep():
    rng = random.Random(93)
    lines = ["e(n%d,n%d,s%d).\n" % (i, rng.randrange(FACTS // 2 + 1), rng.randrange(FACTS))
             for i in range(FACTS)]
    lines.append('?- sys.eval[].\n?- sys.echo@("consulted")[].\n')
    write("facts.flp", "".join(lines))
    limits = [500, 1000, 1500, 2000, 2500, 3000, 3500, 4000, 4500, 5000, 5500, 6000]
    results = []
    for megabytes in limits:
        status, stdout, stderr = run_limited(megabytes * 1000, ["-q", "facts.flp"])
        succeeded = status == 0 and "consulted" in stdout and OUT_OF_MEMORY not in stderr
        results.append((megabytes, succeeded, status))
        print("  %5d MB: %s (status %d)" % (megabytes, "ok" if succeeded else "failed", status),
              flush=True)
        check("a run under %d MB that fails ends in order" % megabytes,
              succeeded or ended_in_order(status, stderr), stderr)
    enough = [megabytes for megabytes, succeeded, _ in results if succeeded]
    check("the file is consulted under some limit of the sweep", bool(enough), str(results))
    if enough:
        need = enough[0]
        above = [(megabytes, status) for megabytes, succeeded, status in results
                 if megabytes > need and not succeeded]
        check("every limit above the file's need (%d MB) is enough" % need, not above,
              "failed above the need: %s" % above)


def cancelled_session(name, program, kilobytes):
    write(name + ".flp", program)
    status, stdout, stderr = run_limited(
        kilobytes, [name + ".flp"], 'sys.echo@("the session goes on")[].\nn(5).\n')
    seen = "status %d\n--- stdout\n%s\n--- stderr\n%s" % (status, stdout[-1500:], stderr[-1500:])
    check(name + ": ends in order", ended_in_order(status, stderr) and status == 0, seen)
    check(name + ": the evaluation is cancelled with its round",
          CANCELLED.search(stderr) is not None, seen)
    check(name + ": the reason is given", OUT_OF_MEMORY in stderr, seen)
    check(name + ": the session goes on",
          "the session goes on" in stdout and stdout.rstrip().endswith("Bye"), seen)
    check(name + ": the facts derived before stay", "% true" in stdout or "yes" in stdout, seen)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    sweep()
    # A join of three thousand facts with itself, three times over, in one round.
    facts = "".join("n(%d).\n" % i for i in range(3000))
    cancelled_session("join", facts + "p(X, Y, Z) :- n(X), n(Y), n(Z).\n?- sys.eval[].\n",
                      400000)
    # One new fact a round, until the rounds' tables outgrow the limit.
    cancelled_session("chain", "n(0).\nn(Y) :- n(X), X < 30000000, Y = X + 1.\n?- sys.eval[].\n",
                      400000)
    if failures:
        print("%d check(s) failed: %s" % (len(failures), ", ".join(failures)))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
