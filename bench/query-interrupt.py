#!/usr/bin/env python3
"""How soon a long Kavum query stops: a document of N sibling elements is imported, then
`?- M = count{E ; D isa xmldoc, D//E}.` runs; a signal goes to quorin a given time after the
query's heading appears, and the seconds until the process ends (SIGTERM, the farewell included)
or until "query cancelled" appears (SIGINT) are taken. The binaries run interleaved, each delay
in turn; the median and the maximum of each binary are printed, and the query's own time
without a signal for scale.

Usage: bench/query-interrupt.py [-n elements] [-r rounds] [-s TERM|INT] binary...
"""
import argparse
import os
import signal
import statistics
import subprocess
import tempfile
import time

parser = argparse.ArgumentParser()
parser.add_argument("-n", type=int, default=1000000, help="sibling elements of the document")
parser.add_argument("-r", type=int, default=3, help="rounds over the delays")
parser.add_argument("-s", default="TERM", choices=["TERM", "INT"], help="the signal")
parser.add_argument("binaries", nargs="*", default=["build/release/quorin"])
options = parser.parse_args()
work = tempfile.mkdtemp(prefix="quorin-query-interrupt-")
with open(os.path.join(work, "many.xml"), "w") as out:
    out.write("<r>" + "<e/>" * options.n + "</r>\n")
with open(os.path.join(work, "query.flp"), "w") as out:
    out.write('"file:many.xml" isa url.\n"file:many.xml".parse@(xml).\n?- sys.eval.\n'
              "?- M = count{E ; D isa xmldoc, D//E}.\n")


def run(binary, delay):
    """Seconds from the signal to the stop, or the query's time when delay is None."""
    output = os.path.join(work, "out.txt")
    errors = os.path.join(work, "err.txt")
    env = dict(os.environ, HOME=work)
    with open(output, "w") as out, open(errors, "w") as err:
        process = subprocess.Popen([os.path.abspath(binary), "-kavum", "-q", "query.flp"],
                                   cwd=work, stdin=subprocess.DEVNULL, stdout=out, stderr=err,
                                   env=env)
    while "count{" not in open(output).read():
        if process.poll() is not None:
            raise SystemExit("%s ended before the query" % binary)
        time.sleep(0.002)
    started = time.monotonic()
    if delay is None:
        process.wait()
        return time.monotonic() - started
    time.sleep(delay)
    sent = time.monotonic()
    process.send_signal(getattr(signal, "SIG" + options.s))
    while process.poll() is None:
        if options.s == "INT" and "query cancelled" in open(errors).read():
            stopped = time.monotonic() - sent
            process.wait()
            return stopped
        time.sleep(0.001)
    return time.monotonic() - sent


delays = [0.0, 0.1, 0.2, 0.3, 0.5, 0.7]
query = {binary: run(binary, None) for binary in options.binaries}
stops = {binary: [] for binary in options.binaries}
for _ in range(options.r):
    for delay in delays:
        for binary in options.binaries:
            stops[binary].append(run(binary, delay))
for binary in options.binaries:
    print("%-50s query %.2f s; SIG%s stops after median %.3f s, at most %.3f s" %
          (binary, query[binary], options.s, statistics.median(stops[binary]),
           max(stops[binary])))
