#!/usr/bin/env python3
"""Random programs of the oracle's generator, each evaluated with the insert trace on, naively
and semi-naively: both evaluations must write the same trace lines (each fact is new once,
whichever mode finds it, so as multisets), no line twice, and a line for every predicate fact of
the final object base.

Programs with inheritable values are left out: each inheritance phase sets the insert trace to
the evaluator's own "trigger" option, so the trace the program switched on ends with the first
phase. Each program is made from its own seed (the run's seed plus the program's number), and
the count is that of the programs checked.

Usage: trace_differential.py <quorin> <count> <seed> <work folder>
Exits 1 when some program's traces disagree, printing it and the lines that differ.
"""
import collections
import concurrent.futures
import os
import re
import shutil
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import differential  # noqa: E402  (the dump reader is shared)
import oracle  # noqa: E402  (the program generator is shared)


def traced_run(quorin, config, text, folder, mode):
    """The trace lines of one evaluation and the facts of its final base (None without a
    dump)."""
    os.makedirs(folder, exist_ok=True)
    program = os.path.join(folder, "program.flp")
    with open(program, "w") as out:
        out.write("?- sys.theOMAccess.debugOn[].\n" + text)
    done, model = differential.run_saving(quorin, differential.in_mode(config, mode), program,
                                          folder, folder, "?- sys.theOMAccess.debugOff[].\n")
    lines = [line[len("insert :   "):]
             for line in done.stderr.decode("utf-8", "replace").splitlines()
             if line.startswith("insert :   ")]
    return lines, model


def program(seed):
    """The text of the program of this seed, or None when it has inheritable values."""
    gen = oracle.Generator(seed)
    gen.generate()
    if any(rel.kind == "inh" for rel in gen.relations):
        return None
    return gen.quorin_text()


def check(args):
    quorin, config, seed, text, work = args
    folder = os.path.join(work, str(seed))
    runs = {}
    for mode in ("seminaive", "naive"):
        runs[mode] = traced_run(quorin, config, text, os.path.join(folder, mode), mode)
    report = []
    counts = {mode: collections.Counter(lines) for mode, (lines, _) in runs.items()}
    if counts["seminaive"] != counts["naive"]:
        only_semi = sorted((counts["seminaive"] - counts["naive"]).elements())[:8]
        only_naive = sorted((counts["naive"] - counts["seminaive"]).elements())[:8]
        report.append("traces differ:\n  only semi-naive: %s\n  only naive: %s"
                      % (only_semi, only_naive))
    for mode, (lines, model) in runs.items():
        twice = sorted(line for line, n in counts[mode].items() if n > 1)
        if twice:
            report.append("%s: lines written twice: %s" % (mode, twice[:8]))
        if model is None:
            report.append("%s: no dump" % mode)
            continue
        traced = {re.sub(r"\s", "", line) for line in lines}
        untraced = sorted(fact for fact in model
                          if re.match(r"[a-z]\w*\(", fact) and re.sub(r"\s", "", fact) not in traced)
        if untraced:
            report.append("%s: stored without a trace line: %s" % (mode, untraced[:8]))
    if report:
        return seed, "\n".join(report), text
    shutil.rmtree(folder, ignore_errors=True)
    return seed, None, None


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    quorin, count, seed, work = (os.path.abspath(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3]),
                                 os.path.abspath(sys.argv[4]))
    with open(os.path.join(os.path.dirname(quorin), "config.flp")) as text:
        config = text.read()
    if 'mode@("seminaive")' not in config:
        sys.exit("trace_differential: the configuration does not choose mode seminaive")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    jobs = int(os.environ.get("QUORIN_JOBS", "4"))
    failed = 0
    tasks = []
    number = seed
    while len(tasks) < count:
        text = program(number)
        if text is not None:
            tasks.append((quorin, config, number, text, work))
        number += 1
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for number, problem, text in pool.map(check, tasks):
            if problem is not None:
                failed += 1
                print("program %s:\n%s\n%s" % (number, problem, text))
    print("trace differential: %d programs from seed %d, %d disagree" % (count, seed, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
