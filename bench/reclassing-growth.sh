#!/usr/bin/env bash
# The growth of the reclassing chain (an inherited value read down fifty classes, and a rule that
# makes every instance a member of another class) in one-trigger mode, by both evaluators, and of
# ten reclassing steps (each makes every instance a member of the class the next step reads a
# value of) by the semi-naive evaluator in both trigger modes: the processor time of one
# evaluation at 1,200 to 9,600 instances, the median and the fastest of the samples, and the
# ratio to the size half as large. The samples of all sizes run in a random interleaving, so that
# a change in the machine's load falls on every size alike.
# Exits 1 when a doubling of the chain up to 4,800 instances, or of the ten steps in one-trigger
# mode up to 9,600, takes more than 2.5 times the time, or when the ten steps in one-trigger mode
# take more than twice the time of all-triggers mode at some size (medians).
# Usage: bench/reclassing-growth.sh [eval_bench binary]
set -euo pipefail
binary=${1:-build/release/bench/eval_bench}
work=$(mktemp -d /tmp/quorin-reclassing-growth-XXXXXX)
trap 'rm -rf "$work"' EXIT

before=$(cut -d' ' -f1-3 /proc/loadavg)
if ! "$binary" --benchmark_filter='InheritedChain/.*_reclassing/|ReclassingSteps/' \
    --benchmark_enable_random_interleaving=true --benchmark_out="$work/out.json" \
    --benchmark_out_format=json >/dev/null 2>"$work/errors"; then
    cat "$work/errors" >&2
    exit 2
fi
echo "load before $before, after $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"

python3 - "$work/out.json" <<'PY'
import json
import sys

Limit = 2.5  # times per doubling of the median, up to the family's judged instances
Judged = {"InheritedChain": 4800, "ReclassingSteps/oneTrigger": 9600}
Modes = 2.0  # one-trigger mode's ten steps against all-triggers mode's, at most (medians)

# evaluator -> instances -> {"median": ms, "min": ms} for one evaluation
figures = {}
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    statistic = run.get("aggregate_name")
    if statistic not in ("median", "min"):
        continue
    # "InheritedChain/seminaive_reclassing/1200/iterations:8/repeats:21"
    parts = run["run_name"].split("/")
    family = parts[0] + "/" + parts[1]
    figures.setdefault(family, {}).setdefault(int(parts[2]), {})[statistic] = run["cpu_time"]
over = False
for family in sorted(figures):
    sizes = figures[family]
    print(f"{family}: ms of processor time per evaluation (median, fastest) and per doubling")
    last = None
    for size in sorted(sizes):
        now = sizes[size]
        line = f"  {size:5d} instances {now['median']:7.1f} {now['min']:7.1f}"
        if last is not None and size == 2 * last:
            median = now["median"] / sizes[last]["median"]
            fastest = now["min"] / sizes[last]["min"]
            line += f"   x{median:.2f}  x{fastest:.2f}"
            judged = Judged.get(family, Judged.get(family.split("/")[0], 0))
            if size <= judged and median > Limit:
                line += f"  over {Limit}"
                over = True
        print(line)
        last = size
one = figures.get("ReclassingSteps/oneTrigger", {})
every = figures.get("ReclassingSteps/allTriggers", {})
for size in sorted(set(one) & set(every)):
    ratio = one[size]["median"] / every[size]["median"]
    line = f"ten steps at {size:5d} instances: one-trigger / all-triggers x{ratio:.2f}"
    if ratio > Modes:
        line += f"  over {Modes}"
        over = True
    print(line)
sys.exit(1 if over else 0)
PY
