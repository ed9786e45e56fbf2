#!/usr/bin/env python3
"""Text out of the object base: bytes of text a second for saveAs, the dumps and every export
format, at two sizes, with one or more quorin binaries (interleaved run by run; the best of the
runs counts). A run repeats the write until it has written about 40 MB, so that the write, not the
start and the consult, makes most of its time; the time of a write is the processor time of that
run less that of the same run without the writes, over the number of writes. Then the time from
SIGTERM to the end of the program while an export of 32 MB runs, and the file it was writing left
as it was.

Usage: bench/save-export.py [-n runs] [-s objects,objects] binary...

The bases: N objects of N/20 classes whose signatures declare their four methods (a string, a
number, a set of two objects, a method with an argument), for saveAs, the dump on the screen
(debugChannel, standard error), the XML dump and the F-Logic, XML and signature exports; the
prefix lists of a list of N/8 elements built by rules (the lexical forms of shared terms) for
saveAs; N/10 classes in a tree of four branches under a class without signatures, each declaring
five signatures (a set result, arguments, a set of two result types), for the signature export of
a base of inherited signatures; an XML document of N/4 elements of three children each, loaded in
the Kavum mode, for its XML export.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

parser = argparse.ArgumentParser()
parser.add_argument("-n", type=int, default=3, help="runs of each form")
parser.add_argument("-s", default="20000,80000", help="the two sizes (objects)")
parser.add_argument("binaries", nargs="*", default=["build/release/quorin"])
options = parser.parse_args()
binaries = [os.path.realpath(b) for b in options.binaries]
sizes = [int(s) for s in options.s.split(",")]
work = tempfile.mkdtemp(prefix="quorin-save-export-")


def write(name, text):
    with open(os.path.join(work, name), "w") as f:
        f.write(text)


def bases(n):
    k = max(1, n // 20)
    lines = []
    for c in range(k):
        lines.append(f"c{c}[name => string; age => integer; kids =>> c{(c + 1) % k}; "
                     f"rank@(c{c}) => integer].\n")
    for i in range(n):
        lines.append(f'o{i}:c{i % k}[name -> "person number {i}"; age -> {i}; '
                     f"kids ->> {{o{(i * 7 + 1) % n}, o{(i * 13 + 5) % n}}}; "
                     f"rank@(o{i}) -> {i % 97}].\n")
    write("objects.flp", "".join(lines) + "?- sys.eval[].\n")
    write("lists.flp", f"l(0, []).\nl(M, [a|L]) :- l(N, L), N < {n // 8}, M = N + 1.\n"
                       "?- sys.eval[].\n")
    k = max(1, n // 10)
    lines = ["s0 :: top.\n"]
    for c in range(k):
        if c:
            lines.append(f"s{c} :: s{c // 4}.\n")
        lines.append(f"s{c}[name => string; size => integer; next =>> s{(c + 1) % k}; "
                     f"rank@(s{c}) => integer; pair@(string, s{c // 4}) =>> "
                     f"(s{c}, s{(c * 7) % k})].\n")
    write("sigs.flp", "".join(lines) + "?- sys.eval[].\n")
    doc = ['<?xml version="1.0"?>\n<library>\n']
    for i in range(n // 4):
        doc.append(f'  <book year="{1900 + i % 120}" lang="en"><title>Title number {i}</title>'
                   f"<author>Author {i % 500}</author><price>{i % 90}</price></book>\n")
    write("doc.xml", "".join(doc) + "</library>\n")
    write("doc.flp", '"file:doc.xml" isa url.\n"file:doc.xml".parse@(xml).\n?- sys.eval.\n')


# name: (base, mode, the command that writes, where the text goes)
FORMS = {
    "saveAs": ("objects", [], '?- sys.om.saveAs@("out.txt")[].', "out.txt"),
    "dump screen": ("objects", [], "?- sys.om.dump[].", "stderr"),
    "dump xml": ("objects", [], '?- sys.om.dump@("xml", "out.txt", "db")[].', "out.txt"),
    "export flogic": ("objects", [], '?- sys.theOMAccess.export@("flogic", "out.txt")[].',
                      "out.txt"),
    "export xml": ("objects", [], '?- sys.theOMAccess.export@("xml", "out.txt", "db")[].',
                   "out.txt"),
    "export sig": ("objects", [], '?- sys.theOMAccess.export@("sig", "out.txt")[].', "out.txt"),
    "export sig tree": ("sigs", [], '?- sys.theOMAccess.export@("sig", "out.txt")[].',
                        "out.txt"),
    "saveAs lists": ("lists", [], '?- sys.om.saveAs@("out.txt")[].', "out.txt"),
    "kavum export": ("doc", ["-kavum"], '?- sys.theOMAccess.export@("xml", "out.txt", "all").',
                     "out.txt"),
}


def run(binary, base, mode, command, times=1):
    """Processor seconds of one run that writes `times` times, and the bytes one write wrote
    (file and standard error)."""
    with open(os.path.join(work, base + ".flp")) as f:
        program = f.read()
    write("prog.flp", program + (command + "\n") * times if command else program)
    out = os.path.join(work, "out.txt")
    if os.path.exists(out):
        os.remove(out)
    env = dict(os.environ, HOME=work)
    with open(os.path.join(work, "stderr.txt"), "w") as err:
        before = os.times()
        subprocess.run([binary, *mode, "-q", "prog.flp"], cwd=work, env=env, check=False,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err)
        after = os.times()
    cpu = (after.children_user - before.children_user) + (after.children_system -
                                                          before.children_system)
    sizes = {"out.txt": os.path.getsize(out) if os.path.exists(out) else 0,
             "stderr": os.path.getsize(os.path.join(work, "stderr.txt")) // times}
    return cpu, sizes


def farewell_latency(binary):
    """Seconds from SIGTERM to the end while an export of 32 MB runs; whether the target kept
    its old text."""
    # The text of the shared lists is made once: the objects of terms of their own keep the
    # export running long enough for the signal to come in the middle of it.
    write("lists.flp", "c[list => object].\nl(0, []).\n"
                       "l(M, [a|L]) :- l(N, L), N < 5000, M = N + 1.\n"
                       "h(N) : c[list -> L] :- l(N, L).\n"
                       "d(0).\nd(M) :- d(N), N < 399, M = N + 1.\n"
                       "k(X) : c[list -> g(A, B)] :- d(A), d(B), X = A * 400 + B.\n")
    write("target.flp", "old content\n")
    env = dict(os.environ, HOME=work)
    child = subprocess.Popen([binary], cwd=work, env=env, stdin=subprocess.PIPE,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
    child.stdin.write('sys.consult@("lists.flp")[].\nsys.eval[].\n'
                      'sys.echo@("exporting")[]. ?- sys.theOMAccess.export@("flogic", '
                      '"target.flp")[].\n')
    child.stdin.flush()
    for line in child.stdout:
        if "exporting" in line:
            break
    time.sleep(0.1)  # well into the export
    sent = time.monotonic()
    child.send_signal(signal.SIGTERM)
    child.stdout.read()
    child.wait()
    latency = time.monotonic() - sent
    with open(os.path.join(work, "target.flp")) as f:
        kept = f.read() == "old content\n"
    return latency, kept


try:
    print(f"load {open('/proc/loadavg').read().split()[0:3]}")
    for n in sizes:
        bases(n)
        best = {}
        # How often each form writes in a run: about 40 MB in all, found by one write.
        repeats = {}
        for name, (base, mode, command, where) in FORMS.items():
            _, written = run(binaries[0], base, mode, command)
            repeats[name] = max(1, min(64, round(40e6 / max(written[where], 1))))
        for _ in range(options.n):
            for binary in binaries:
                for base, mode in {(b, tuple(m)) for b, m, _, _ in FORMS.values()}:
                    cpu, _ = run(binary, base, list(mode), "")
                    key = (binary, "base " + base)
                    best[key] = min(best.get(key, cpu), cpu)
                for name, (base, mode, command, where) in FORMS.items():
                    cpu, written = run(binary, base, mode, command, repeats[name])
                    key = (binary, name)
                    if key not in best or cpu < best[key][0]:
                        best[key] = (cpu, written[where])
        print(f"\n{n} objects (lists of {n // 8} elements, {n // 4} XML elements)")
        print(f"{'form':16} {'MB':>8}" + "".join(f" {os.path.basename(os.path.dirname(b)) + '/' + os.path.basename(b):>24}" for b in binaries))
        for name, (base, _, _, _) in FORMS.items():
            row = f"{name:16}"
            megabytes = best[(binaries[0], name)][1] / 1e6
            row += f" {megabytes:8.1f}"
            for binary in binaries:
                cpu, written = best[(binary, name)]
                spent = max(cpu - best[(binary, "base " + base)], 1e-3) / repeats[name]
                row += f" {written / 1e6 / spent:10.1f} MB/s {spent:7.2f} s"
            print(row)
    print("\nSIGTERM during an F-Logic export of 32 MB:")
    for binary in binaries:
        latency, kept = farewell_latency(binary)
        print(f"  {binary}: ended {latency:.2f} s after the signal; target "
              f"{'left as it was' if kept else 'replaced'}")
finally:
    shutil.rmtree(work, ignore_errors=True)
