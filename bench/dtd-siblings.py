#!/usr/bin/env python3
"""Large DTDs and many siblings beside xmllint: time and peak memory of
 1. a document whose DTD declares a content model of N alternatives (root (e0|e1|...)*, and
    every eK EMPTY), validated by `xmllint --valid` and imported by quorin in the Kavum mode; for
    quorin the peak of the program itself and the peak of its parser child (the SGML library,
    which compiles every content model into an automaton) are shown apart;
 2. the same DTD read by quorin's own DTD parser and mapped to the schema (parse@(dtd));
 3. documents of M sibling elements in three shapes, bare (`<a/>`), with an attribute and a text
    each (`<a k="1">t1</a>`) and with an attribute alone (`<a k="1"/>`), read by `xmllint --noout` and imported by quorin in the Kavum mode,
    side by side: the runs of one size and shape are interleaved (xmllint, then each binary in
    turn, R rounds), and the medians and their ratios to xmllint's are printed.
xmllint comes from Debian's libxml2-utils, installed here when it is missing.

Usage: bench/dtd-siblings.py [-a alternatives] [-m siblings]... [-r rounds] [--siblings-only]
                             binary...
"""
import argparse
import os
import resource
import shutil
import subprocess
import tempfile
import time

parser = argparse.ArgumentParser()
parser.add_argument("-a", type=int, default=20000, help="alternatives of the content model")
parser.add_argument("-m", type=int, action="append", help="sibling elements (repeatable; "
                    "100000 and 1000000 without one)")
parser.add_argument("-r", type=int, default=3, help="rounds of the sibling runs")
parser.add_argument("--siblings-only", action="store_true", help="skip the DTD runs")
parser.add_argument("binaries", nargs="*", default=["build/release/quorin"])
options = parser.parse_args()
if shutil.which("xmllint") is None:
    subprocess.run(["apt-get", "install", "-y", "libxml2-utils"], check=True)
work = tempfile.mkdtemp(prefix="quorin-dtd-siblings-")


def write(name, text):
    with open(os.path.join(work, name), "w") as f:
        f.write(text)


def hwm_kb(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def children(pid):
    try:
        with open(f"/proc/{pid}/task/{pid}/children") as f:
            return [int(p) for p in f.read().split()]
    except OSError:
        return []


def measure(argv):
    """Wall seconds, processor seconds (children included), the program's own peak and the
    largest peak of its children (KB), read from /proc every 10 ms while they run."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.monotonic()
    child = subprocess.Popen(argv, cwd=work, env=dict(os.environ, HOME=work),
                             stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    own = below = 0
    while child.poll() is None:
        own = max(own, hwm_kb(child.pid))
        for grandchild in children(child.pid):
            below = max(below, hwm_kb(grandchild))
        time.sleep(0.01)
    wall = time.monotonic() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return wall, cpu, own, below


def show(label, figures):
    wall, cpu, own, below = figures
    text = f"  {label:44} {wall:7.2f} s wall {cpu:7.2f} s cpu {own / 1024:8.0f} MB"
    if below:
        text += f"   parser child {below / 1024:6.0f} MB"
    print(text)


def median(values):
    ordered = sorted(values)
    middle = len(ordered) // 2
    return ordered[middle] if len(ordered) % 2 else (ordered[middle - 1] + ordered[middle]) / 2


# The sibling shapes: the text of one element of number i.
SHAPES = [("bare", lambda i: "<a/>\n"), ("attr", lambda i: f'<a k="{i}">t{i}</a>\n'),
          ("attronly", lambda i: f'<a k="{i}"/>\n')]


def siblings(m):
    """Every shape of m siblings, each run interleaved with xmllint R times; the medians of wall
    and processor seconds and their ratios to xmllint's."""
    programs = [("xmllint --noout", None)] + [(os.path.basename(os.path.dirname(
        os.path.realpath(b))) + "/" + os.path.basename(b), os.path.realpath(b))
        for b in options.binaries]
    for shape, element in SHAPES:
        document = f"{shape}{m}.xml"
        with open(os.path.join(work, document), "w") as f:
            f.write('<?xml version="1.0"?>\n<r>\n')
            for i in range(m):
                f.write(element(i))
            f.write("</r>\n")
        write(f"{shape}{m}.flp",
              f'"file:{document}" isa url.\n"file:{document}".parse@(xml).\n?- sys.eval.\n')
        runs = {label: [] for label, _ in programs}
        for _ in range(options.r):
            for label, binary in programs:
                argv = (["xmllint", "--noout", document] if binary is None
                        else [binary, "-kavum", "-q", f"{shape}{m}.flp"])
                runs[label].append(measure(argv))
        print(f"\n{m} sibling elements, {shape} ({SHAPES_TEXT[shape]}), median of {options.r}")
        base_wall = median([r[0] for r in runs[programs[0][0]]])
        base_cpu = median([r[1] for r in runs[programs[0][0]]])
        for label, _ in programs:
            wall = median([r[0] for r in runs[label]])
            cpu = median([r[1] for r in runs[label]])
            peak = max(r[2] for r in runs[label])
            print(f"  {label:36} {wall:7.2f} s wall {cpu:7.2f} s cpu {peak / 1024:8.0f} MB"
                  f"   x{wall / base_wall:5.2f} wall x{cpu / base_cpu:5.2f} cpu")
        os.remove(os.path.join(work, document))


SHAPES_TEXT = {"bare": "<a/>", "attr": '<a k="1">t1</a>', "attronly": '<a k="1"/>'}

try:
    n = options.a
    write("big.dtd", "<!ELEMENT root (" + "|".join(f"e{i}" for i in range(n)) + ")*>\n" +
          "".join(f"<!ELEMENT e{i} EMPTY>\n" for i in range(n)))
    write("big.xml", '<?xml version="1.0"?>\n<!DOCTYPE root SYSTEM "big.dtd">\n<root>' +
          "".join(f"<e{i}/>" for i in range(0, n, max(1, n // 100))) + "</root>\n")
    write("dtddoc.flp", '"file:big.xml" isa url.\n"file:big.xml".parse@(xml).\n?- sys.eval.\n')
    write("dtd.flp", '"file:big.dtd" : url.\n"file:big.dtd"[parse@(dtd) -> schema].\n'
                     "?- sys.eval[].\n")
    # The F-Logic mode with the XML access layer, for parse@(dtd).
    write("xml.flp", "?- sys[om -> sys.classOM.new].\n"
                     "?- sys[theOMAccess -> sys.classXMLOMAccess.new@(sys.om)].\n"
                     "?- sys[creator -> sys.classCreator1.new@(sys.theOMAccess)].\n"
                     "?- sys[algebra -> sys.classAlgebraicEval.new@(sys.theOMAccess)].\n"
                     "?- sys[prn -> sys.classPrettyPrinter.new@(sys.theOMAccess)].\n"
                     "?- sys[translator -> sys.classTranslator.new].\n"
                     "?- sys[matcher -> sys.classMatcher.new@(sys.translator, sys.creator, "
                     "sys.algebra)].\n"
                     "?- sys[evaluator -> sys.classNaiveEval.new@(sys.matcher, "
                     "sys.theOMAccess)].\n"
                     "?- sys[analyser -> sys.classSemanticAnalyser.new].\n"
                     "?- sys[interp -> sys.classFLogicInterpreter.new@(sys.evaluator, sys.prn, "
                     "sys.analyser)].\n"
                     "?- sys.switch@(sys.interp, sys.om.giveSymTab)[].\n")
    print(f"load {open('/proc/loadavg').read().split()[0:3]}")
    for m in options.m or [100000, 1000000]:
        siblings(m)
    if options.siblings_only:
        raise SystemExit(0)
    print(f"\na content model of {n} alternatives")
    show("xmllint --valid --noout", measure(["xmllint", "--valid", "--noout", "big.xml"]))
    for binary in options.binaries:
        binary = os.path.realpath(binary)
        show(f"{os.path.basename(binary)} -kavum parse@(xml)",
             measure([binary, "-kavum", "-q", "dtddoc.flp"]))
        show(f"{os.path.basename(binary)} parse@(dtd) (own DTD parser)",
             measure([binary, "-c", "xml.flp", "-q", "dtd.flp"]))
finally:
    shutil.rmtree(work, ignore_errors=True)
