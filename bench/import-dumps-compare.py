#!/usr/bin/env python3
"""Imports the same random XML documents with two quorin binaries in the Kavum mode and compares
the F-Logic dumps of their object bases byte for byte: a change to the import's speed must store
the same facts in the same order. The documents mix what the import treats apart: runs of bare
siblings, elements with attributes and texts, texts that read as numbers, repeated and blank
texts, nested and mixed content, entities and character references, an internal DTD with IDs,
references and token lists.

Usage: bench/import-dumps-compare.py [-n documents] [-s seed] before-binary after-binary
Each binary needs its kavum.flp beside it. Exits with status 1 when a dump differs.
"""
import argparse
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

parser = argparse.ArgumentParser()
parser.add_argument("-n", type=int, default=300, help="documents")
parser.add_argument("-s", type=int, default=1, help="seed")
parser.add_argument("-k", type=int, default=10, help="documents a run")
parser.add_argument("before")
parser.add_argument("after")
options = parser.parse_args()

NAMES = ["a", "b", "item", "x-y", "n.m"]
ATTRIBUTES = ["k", "id", "ref", "toks", "v", "w"]
TEXTS = ["t1", "1", "01", "1.5", "-3", "\n", "\n  ", " ", "same", "x &amp; y", "&lt;tag&gt;",
         "caf&#233;", "&#x1D11E;", "a\"q\"b", "it's", "0", "1e3", "  padded  ", "\t"]


def text(rng):
    if rng.random() < 0.4:
        return rng.choice(TEXTS)
    return rng.choice(["t", "u", "", " "]) + str(rng.randrange(0, 50))


def attributes(rng, ids):
    chosen = rng.sample(ATTRIBUTES, rng.choice([0, 0, 1, 1, 1, 2, 3]))
    parts = []
    for name in chosen:
        if name == "id":
            value = "i%d" % len(ids)
            ids.append(value)
        elif name == "ref":
            value = rng.choice(ids) if ids and rng.random() < 0.8 else "missing"
        elif name == "toks":
            value = " ".join(rng.choice(["p", "q", "r", "1"]) for _ in range(rng.randrange(1, 4)))
        else:
            value = text(rng).replace("\"", "&quot;")
        parts.append(' %s="%s"' % (name, value))
    return "".join(parts)


def element(rng, depth, ids, out):
    name = rng.choice(NAMES[:2]) if rng.random() < 0.7 else rng.choice(NAMES)
    attrs = attributes(rng, ids)
    shape = rng.random()
    if depth > 3 or shape < 0.3:
        out.append("<%s%s/>" % (name, attrs))
        return
    if shape < 0.55:
        out.append("<%s%s>%s</%s>" % (name, attrs, text(rng), name))
        return
    out.append("<%s%s>" % (name, attrs))
    for _ in range(rng.randrange(0, 6)):
        pick = rng.random()
        if pick < 0.35:
            out.append(text(rng))
        elif pick < 0.4:
            out.append("<!-- c -->")
        elif pick < 0.43:
            out.append("<![CDATA[<raw> & ]]>")
        elif pick < 0.5:
            run = rng.randrange(2, 70)
            sibling = rng.choice(NAMES[:2])
            separator = rng.choice(["", "\n", "\n  "])
            out.append((separator + "<%s/>" % sibling) * run)
        else:
            element(rng, depth + 1, ids, out)
    out.append("</%s>" % name)


def document(rng):
    ids = []
    body = []
    body.append("<r%s>" % attributes(rng, ids))
    separator = rng.choice(["\n", "", "\n  "])
    for _ in range(rng.randrange(1, 25)):
        body.append(separator)
        element(rng, 1, ids, body)
    body.append(separator + "</r>\n")
    head = '<?xml version="1.0"?>\n'
    if rng.random() < 0.5:
        names = " | ".join(NAMES)
        head += ("<!DOCTYPE r [\n<!ELEMENT r ANY>\n" +
                 "".join("<!ELEMENT %s ANY>\n" % n for n in NAMES) +
                 "".join("<!ATTLIST %s id ID #IMPLIED ref IDREF #IMPLIED toks NMTOKENS #IMPLIED"
                         " k CDATA #IMPLIED v CDATA #IMPLIED w CDATA #IMPLIED>\n" % n
                         for n in NAMES + ["r"]) + "]>\n")
        del names
    return head + "".join(body)


def dumps(binary, work, files):
    program = "".join('"file:%s" isa url.\n"file:%s".parse@(xml).\n' % (f, f) for f in files)
    program += '?- sys.eval.\n?- sys.om.dump@("flogic", "dump.flp").\n'
    # The dump leaves out the parent relations: the parent steps answer them.
    program += "?- D isa xmldoc, D//E -> X, X/parent::Y -> P.\n"
    with open(os.path.join(work, "run.flp"), "w") as f:
        f.write(program)
    done = subprocess.run([binary, "-kavum", "-q", "run.flp"], cwd=work, capture_output=True,
                          text=True, env=dict(os.environ, HOME=work), stdin=subprocess.DEVNULL,
                          timeout=600)
    with open(os.path.join(work, "dump.flp"), encoding="utf-8", errors="replace") as f:
        dump = f.read()
    os.remove(os.path.join(work, "dump.flp"))
    # The local copies of the documents are named after the process.
    dump = re.sub(r"\.wd_\d+_", ".wd_N_", dump)
    out = re.sub(r"\.wd_\d+_", ".wd_N_", done.stdout + done.stderr)
    # Whether the history file can be opened depends on the runs beside this one.
    out = "\n".join(line for line in out.splitlines()
                    if line and line != "*** ERROR : Can't open history-File !")
    return dump, out, done.returncode


rng = random.Random(options.s)
work = tempfile.mkdtemp(prefix="quorin-dumps-")
failures = 0
try:
    for first in range(0, options.n, options.k):
        files = []
        for i in range(first, min(options.n, first + options.k)):
            name = "d%d.xml" % i
            with open(os.path.join(work, name), "w", encoding="utf-8") as f:
                f.write(document(rng))
            files.append(name)
        before = dumps(os.path.realpath(options.before), work, files)
        after = dumps(os.path.realpath(options.after), work, files)
        if before != after:
            failures += 1
            print("DIFFERENT: documents %s in %s" % (", ".join(files), work))
            for label, a, b in (("dump", before[0], after[0]), ("output", before[1], after[1])):
                if a != b:
                    with open(os.path.join(work, "before-" + label), "w") as f:
                        f.write(a)
                    with open(os.path.join(work, "after-" + label), "w") as f:
                        f.write(b)
            break
    print("%d documents, %s" % (options.n, "dumps differ" if failures else "dumps identical"))
finally:
    if not failures:
        shutil.rmtree(work, ignore_errors=True)
sys.exit(1 if failures else 0)
