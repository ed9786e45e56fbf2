#!/usr/bin/env python3
"""Random consults of plain facts (runs of numbers; numbers, names, strings and function terms,
repeated, among molecules and a rule) stored twice: untraced, where runs of facts of numbers go
to the store as blocks of rows and runs of numbers and names in batches, and with the insert
trace on, where each fact is stored on its own. Both final
object bases (the F-Logic dump, as sets of facts) and the answers of a query must agree.

Usage: fact_road_differential.py <quorin> <work folder> [count [first seed]]
Exits 1 when some consult's two object bases differ, printing it and the facts that differ.
"""
import os
import random
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import differential  # noqa: E402  (the dump reader is shared)
import differential_setup  # noqa: E402  (the command line is shared)


def argument(rng):
    value = rng.randrange(8)
    return rng.choice([str(value - 3), "%d.5" % value, "n%d" % value, "n%d" % value,
                       '"t%d"' % value, "f(n%d)" % value, "g(%d, n%d)" % (value, value)])


def program(seed):
    rng = random.Random(seed)
    lines = []
    # Runs of facts of numbers, ascending, descending or repeated, which untraced go to the
    # store as blocks of rows.
    for _ in range(rng.randrange(0, 4)):
        step = rng.choice([1, 1, -1, 0, 5])
        at = rng.randrange(50)
        for _ in range(rng.randrange(1, 200)):
            lines.append("p(%d, %d)." % (at if step else rng.randrange(20), at % 7))
            if rng.randrange(12) == 0:
                lines.append(lines[-1])
            at += step
    for _ in range(rng.randrange(20, 400)):
        a, b, c = argument(rng), argument(rng), argument(rng)
        shape = rng.randrange(10)
        if shape < 4:
            lines.append("p(%s, %s)." % (a, b))
        elif shape == 4:
            lines.append("q(%s)." % a)
        elif shape == 5:
            lines.append("r(%s, %s, %s)." % (a, b, c))
        elif shape == 6:
            lines.append("p(%s)." % a)
        elif shape == 7:
            lines.append("n%d[m ->> {%s}]." % (rng.randrange(8), b))
        elif shape == 8:
            lines.append("n%d : c." % rng.randrange(8))
        else:
            lines.append("p(%s, %s)." % (a, a))
    if rng.randrange(2):
        lines.append("s(X, Y) :- p(X, Z), p(Z, Y).")
    lines.append("?- sys.eval[].")
    lines.append("?- p(X, Y).")
    return "\n".join(lines) + "\n"


def run(quorin, config, text, folder, traced):
    """The answers written and the facts of the final base (None without a dump)."""
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "program.flp")
    with open(path, "w") as out:
        out.write(("?- sys.theOMAccess.debugOn[].\n" if traced else "") + text)
    done, model = differential.run_saving(quorin, config, path, folder, folder,
                                          "?- sys.theOMAccess.debugOff[].\n")
    return sorted(done.stdout.decode("utf-8", "replace").splitlines()), model


def main():
    quorin, work, count, seed, config = differential_setup.setup(
        "fact_road_differential", __doc__, 40)
    failed = 0
    for number in range(seed, seed + count):
        text = program(number)
        folder = os.path.join(work, str(number))
        batched = run(quorin, config, text, os.path.join(folder, "batched"), False)
        one_by_one = run(quorin, config, text, os.path.join(folder, "traced"), True)
        problems = []
        if batched[1] is None or one_by_one[1] is None:
            problems.append("no dump")
        elif batched[1] != one_by_one[1]:
            problems.append("only batched: %s\nonly fact by fact: %s"
                            % (sorted(batched[1] - one_by_one[1])[:8],
                               sorted(one_by_one[1] - batched[1])[:8]))
        if batched[0] != one_by_one[0]:
            problems.append("the answers differ")
        if problems:
            failed += 1
            print("program %d:\n%s\n%s" % (number, "\n".join(problems), text))
        else:
            shutil.rmtree(folder, ignore_errors=True)
    print("fact road differential: %d consults from seed %d, %d disagree" % (count, seed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
