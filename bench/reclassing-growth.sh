#!/usr/bin/env bash
# The growth of the reclassing chain (an inherited value read down fifty classes, and a rule that
# makes every instance a member of another class) in one-trigger mode, by both evaluators: the
# processor time of one evaluation at 1,200 to 9,600 instances, the median and the fastest of
# the samples, and the ratio to the size half as large. The samples of all sizes run in a random
# interleaving, so that a change in the machine's load falls on every size alike.
# Exits 1 when a doubling up to 4,800 instances takes more than 2.5 times the time (medians).
# Usage: bench/reclassing-growth.sh [eval_bench binary]
set -euo pipefail
binary=${1:-build/release/bench/eval_bench}
work=$(mktemp -d /tmp/quorin-reclassing-growth-XXXXXX)
trap 'rm -rf "$work"' EXIT

before=$(cut -d' ' -f1-3 /proc/loadavg)
if ! "$binary" --benchmark_filter='InheritedChain/.*_reclassing/' \
    --benchmark_enable_random_interleaving=true --benchmark_out="$work/out.json" \
    --benchmark_out_format=json >/dev/null 2>"$work/errors"; then
    cat "$work/errors" >&2
    exit 2
fi
echo "load before $before, after $(cut -d' ' -f1-3 /proc/loadavg); $(nproc) processors"

python3 - "$work/out.json" <<'PY'
import json
import sys

Limit = 2.5  # times per doubling of the median, up to Judged instances
Judged = 4800

# evaluator -> instances -> {"median": ms, "min": ms} for one evaluation
figures = {}
for run in json.load(open(sys.argv[1]))["benchmarks"]:
    statistic = run.get("aggregate_name")
    if statistic not in ("median", "min"):
        continue
    # "InheritedChain/seminaive_reclassing/1200/iterations:8/repeats:21"
    parts = run["run_name"].split("/")
    figures.setdefault(parts[1], {}).setdefault(int(parts[2]), {})[statistic] = run["cpu_time"]
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
            if size <= Judged and median > Limit:
                line += f"  over {Limit}"
                over = True
        print(line)
        last = size
sys.exit(1 if over else 0)
PY
