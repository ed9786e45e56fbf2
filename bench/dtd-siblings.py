#!/usr/bin/env python3
"""Large DTDs and many siblings beside xmllint: time and peak memory of
 1. a document whose DTD declares a content model of N alternatives (root (e0|e1|...)*, and
    every eK EMPTY), validated by `xmllint --valid` and imported by quorin in the Kavum mode; for
    quorin the peak of the program itself and the peak of its parser child (the SGML library,
    which compiles every content model into an automaton) are shown apart;
 2. the same DTD read by quorin's own DTD parser and mapped to the schema (parse@(dtd));
 3. a document of M sibling elements, read by `xmllint --noout` and imported by quorin in the
    Kavum mode.
xmllint comes from Debian's libxml2-utils, installed here when it is missing.

Usage: bench/dtd-siblings.py [-a alternatives] [-m siblings] binary...
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
parser.add_argument("-m", type=int, default=1000000, help="sibling elements")
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


try:
    n, m = options.a, options.m
    write("big.dtd", "<!ELEMENT root (" + "|".join(f"e{i}" for i in range(n)) + ")*>\n" +
          "".join(f"<!ELEMENT e{i} EMPTY>\n" for i in range(n)))
    write("big.xml", '<?xml version="1.0"?>\n<!DOCTYPE root SYSTEM "big.dtd">\n<root>' +
          "".join(f"<e{i}/>" for i in range(0, n, max(1, n // 100))) + "</root>\n")
    write("sib.xml", '<?xml version="1.0"?>\n<r>\n' + "<e/>\n" * m + "</r>\n")
    write("dtddoc.flp", '"file:big.xml" isa url.\n"file:big.xml".parse@(xml).\n?- sys.eval.\n')
    write("sibdoc.flp", '"file:sib.xml" isa url.\n"file:sib.xml".parse@(xml).\n?- sys.eval.\n')
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
    print(f"\na content model of {n} alternatives")
    show("xmllint --valid --noout", measure(["xmllint", "--valid", "--noout", "big.xml"]))
    for binary in options.binaries:
        binary = os.path.realpath(binary)
        show(f"{os.path.basename(binary)} -kavum parse@(xml)",
             measure([binary, "-kavum", "-q", "dtddoc.flp"]))
        show(f"{os.path.basename(binary)} parse@(dtd) (own DTD parser)",
             measure([binary, "-c", "xml.flp", "-q", "dtd.flp"]))
    print(f"\n{m} sibling elements")
    show("xmllint --noout", measure(["xmllint", "--noout", "sib.xml"]))
    for binary in options.binaries:
        binary = os.path.realpath(binary)
        show(f"{os.path.basename(binary)} -kavum parse@(xml)",
             measure([binary, "-kavum", "-q", "sibdoc.flp"]))
finally:
    shutil.rmtree(work, ignore_errors=True)
