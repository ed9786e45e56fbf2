#!/usr/bin/env python3
"""Random programs of the oracle's generator, with and without inheritable values, each evaluated
with the evaluator's trace on (sys.evaluator.debugOn), naively and semi-naively: the fixpoint and
trigger lines and the statistics must count the evaluation as a whole, in both modes.

- Without inheritance: one line "0. Fixpoint" and no trigger line, in both modes, and no trigger
  statistic lines.
- With inheritance: every "k. Fixpoint" is followed by a trigger phase's line (" Trigger fired!"
  or "No trigger found."), the last one by "No trigger found."; in mode "naive" k counts the
  fixpoints (0, 1, 2, ...), in mode "seminaive" the phases before it that added facts; "Number of
  Triggers" is the last k, left out when it is 0.
- A program of facts alone takes two rounds in both modes ("Number of TP iterations : 2").
- Both modes write the same warnings, and the same fixpoint and trigger lines but for the
  numbers of the fixpoints.

Programs with single rounds (sys.tp) before their evaluation are left out: their rounds belong to
no evaluation. Each program is made from its own seed (the run's seed plus the program's
number).

Usage: fixpoint_trace_differential.py <quorin> <work folder> [count [seed]]
Exits 1 when some program's lines break these rules, printing it and what is wrong.
"""
import concurrent.futures
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import differential_setup  # noqa: E402
import oracle  # noqa: E402  (the program generator is shared)

FIXPOINT = re.compile(r"^(\d+)\. Fixpoint$")
FIRED = re.compile(r"^(\d+) Trigger fired!$")
NO_TRIGGER = "No trigger found."


def traced_run(quorin, config, text, folder, mode):
    """The fixpoint and trigger lines, the statistic lines and the warnings of one run."""
    os.makedirs(folder, exist_ok=True)
    program = os.path.join(folder, "program.flp")
    with open(program, "w") as out:
        out.write("?- sys.evaluator.debugOn[].\n?- sys.centralStatistic.clear.\n" + text +
                  "?- sys.centralStatistic.show.\n")
    with open(os.path.join(folder, "config.flp"), "w") as out:
        out.write(config.replace('mode@("seminaive")', 'mode@("%s")' % mode))
    env = dict(os.environ, QUORINCFG=os.path.join(folder, "config.flp"))
    for name in ("QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    done = subprocess.run([quorin, "-q", program], cwd=folder, env=env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=300)
    errors = done.stderr.decode("utf-8", "replace").splitlines()
    trace = [line for line in errors
             if FIXPOINT.match(line) or FIRED.match(line) or line == NO_TRIGGER]
    warnings = sorted(line for line in errors if "not stratifiable" in line)
    stats = [line for line in done.stdout.decode("utf-8", "replace").splitlines()
             if line.startswith("Number of") or "firing triggers" in line]
    return trace, stats, warnings


def statistic(stats, label):
    for line in stats:
        if line.startswith(label):
            return int(line.split(":")[1])
    return None


def judge(mode, inherits, trace, stats):
    """What is wrong with the lines of one run (empty when nothing)."""
    wrong = []
    triggers = statistic(stats, "Number of Triggers")
    if not inherits:
        if trace != ["0. Fixpoint"]:
            wrong.append("%s: fixpoint lines %s, not one \"0. Fixpoint\"" % (mode, trace))
        if triggers is not None or any("firing triggers" in line for line in stats):
            wrong.append("%s: trigger statistics without inheritance: %s" % (mode, stats))
        return wrong
    fixpoints = [int(FIXPOINT.match(line).group(1)) for line in trace if FIXPOINT.match(line)]
    fired = 0
    expected = []
    for i, line in enumerate(trace):
        if FIXPOINT.match(line):
            follows = trace[i + 1] if i + 1 < len(trace) else None
            if follows is None or not (follows == NO_TRIGGER or FIRED.match(follows)):
                wrong.append("%s: \"%s\" is not followed by a trigger phase" % (mode, line))
            expected.append(fired if mode == "seminaive" else len(expected))
        elif FIRED.match(line):
            fired += 1
    if trace and trace[-1] != NO_TRIGGER:
        wrong.append("%s: the last trigger line is %r" % (mode, trace[-1]))
    if fixpoints != expected:
        wrong.append("%s: fixpoints numbered %s, expected %s" % (mode, fixpoints, expected))
    last = fired if mode == "seminaive" else len(fixpoints) - 1
    if (triggers or 0) != max(last, 0) or (triggers is not None and triggers == 0):
        wrong.append("%s: Number of Triggers %s, expected %s" % (mode, triggers, last))
    return wrong


def program(seed):
    """The text of the program of this seed and whether it inherits; None with single rounds."""
    gen = oracle.Generator(seed)
    gen.generate()
    text = gen.quorin_text()
    if "sys.tp" in text:
        return None
    return text, any(rel.kind == "inh" for rel in gen.relations)


def check(args):
    quorin, config, seed, text, inherits, work = args
    folder = os.path.join(work, str(seed))
    report = []
    warned = {}
    traced = {}
    for mode in ("seminaive", "naive"):
        trace, stats, warnings = traced_run(quorin, config, text, os.path.join(folder, mode),
                                            mode)
        warned[mode] = warnings
        traced[mode] = trace
        report += judge(mode, inherits, trace, stats)
    if warned["seminaive"] != warned["naive"]:
        report.append("warnings differ: %s / %s" % (warned["seminaive"], warned["naive"]))
    # Both modes reach the same fixpoints through the same trigger phases: the same lines, but
    # for the numbering of the fixpoints (and so "Number of Triggers"), which counts the phases
    # that added facts in mode "seminaive" and every fixpoint in mode "naive" (judged above).
    phases = {mode: [FIXPOINT.sub("k. Fixpoint", line) for line in traced[mode]]
              for mode in traced}
    if phases["seminaive"] != phases["naive"]:
        report.append("trigger phases differ: %s / %s" % (phases["seminaive"], phases["naive"]))
    if report:
        return seed, "\n".join(report), text
    shutil.rmtree(folder, ignore_errors=True)
    return seed, None, None


def facts_alone(quorin, config, work):
    """A program of facts alone: two rounds in both modes."""
    report = []
    for mode in ("seminaive", "naive"):
        _, stats, _ = traced_run(quorin, config, "e(1). e(2). k[f->1]. a : k.\n?- sys.eval[].\n",
                                 os.path.join(work, "facts-alone", mode), mode)
        rounds = statistic(stats, "Number of TP iterations")
        if rounds != 2:
            report.append("%s: a program of facts alone took %s rounds" % (mode, rounds))
    return report


def main():
    quorin, work, count, seed, config = differential_setup.setup(
        "fixpoint_trace_differential", __doc__, 60)
    jobs = int(os.environ.get("QUORIN_JOBS", "4"))
    failed = 0
    problems = facts_alone(quorin, config, work)
    if problems:
        failed += 1
        print("\n".join(problems))
    tasks = []
    number = seed
    inheriting = 0
    while len(tasks) < count:
        made = program(number)
        if made is not None:
            tasks.append((quorin, config, number, made[0], made[1], work))
            inheriting += made[1]
        number += 1
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for number, problem, text in pool.map(check, tasks):
            if problem is not None:
                failed += 1
                print("program %s:\n%s\n%s" % (number, problem, text))
    print("fixpoint trace differential: %d programs from seed %d (%d with inheritance), %d wrong"
          % (count, seed, inheriting, failed))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
