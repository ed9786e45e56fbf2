#!/usr/bin/env python3
"""Imports documents made here rather than stored, too large to keep: a valid DTD with 10,000
alternatives, 100,000 siblings and 100,000 levels must import (the last refused only by the
depth limit); repeated entity references over 10 MB in all, in content, in attribute values or
through an external entity, must be refused with the entity bound and write no more stream than
the bound. Each check prints its name; a failed one prints what it saw, and the run ends with
status 1 after all checks.

Usage: xml_generated_documents.py <quorin> <work folder> <web configuration>
"""
import glob
import os
import shutil
import subprocess
import sys

QUORIN = sys.argv[1]
WORK = sys.argv[2]
CONFIG = sys.argv[3]
BOUND = 10485760
failures = []


def check(name, condition, seen=""):
    print(("ok   " if condition else "FAIL ") + name)
    if not condition:
        failures.append(name)
        print("     saw: " + seen[:2000])


def write(name, text):
    with open(os.path.join(WORK, name), "w", encoding="utf-8") as out:
        out.write(text)


def quorin(program):
    """The program of facts and queries run with the Web layer's configuration."""
    write("docs.flp", program)
    env = dict(os.environ)
    for name in ("QUORINCFG", "QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    env["HOME"] = WORK
    env["BROWSER"] = "true"
    done = subprocess.run([QUORIN, "-c", CONFIG, "docs.flp"], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, cwd=WORK, env=env, timeout=1200)
    return done.stdout, done.stderr


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    thousand = "A" * 1000
    declaration = '<?xml version="1.0"?>\n'

    alternatives = "|".join("e%d" % i for i in range(10000))
    elements = "".join("<!ELEMENT e%d EMPTY>\n" % i for i in range(10000))
    write("alt.xml", declaration + "<!DOCTYPE r [<!ELEMENT r (%s)*>\n%s]>\n<r><e1/><e9999/></r>\n"
          % (alternatives, elements))
    write("siblings.xml", declaration + "<!DOCTYPE r [<!ELEMENT r (e)*><!ELEMENT e EMPTY>]>\n<r>" +
          "<e/>" * 100000 + "</r>\n")
    write("deep.xml", declaration + "<!DOCTYPE d [<!ELEMENT d ANY>]>\n" + "<d>" * 100000 +
          "</d>" * 100000 + "\n")
    write("content.xml", declaration + '<!DOCTYPE r [<!ENTITY a "%s">]>\n<r><t>%s</t></r>\n'
          % (thousand, "&a;" * 20000))
    write("big.txt", "B" * (1 << 20))
    write("external.xml", declaration + '<!DOCTYPE r [<!ENTITY big SYSTEM "big.txt">]>\n<r>' +
          "<t>&big;</t>" * 30 + "</r>\n")
    write("attributes.xml", declaration + '<!DOCTYPE r [<!ELEMENT r (e)*><!ELEMENT e EMPTY>'
          '<!ATTLIST e v CDATA #IMPLIED><!ENTITY a "%s">]>\n<r>%s</r>\n'
          % (thousand, ('<e v="%s"/>' % ("&a;" * 100)) * 200))

    names = ["alt", "siblings", "deep", "content", "external", "attributes"]
    program = "".join('"file:%s.xml"[parse@(xml, nil, nil, nil, nil) -> %s].\n' % (n, n)
                      for n in names)
    program += "?- sys.eval[].\n"
    program += "".join("?- %s[error ->> {E}].\n" % n for n in names)
    program += "?- N = count{X ; X : e9999}.\n?- N = count{X ; X : e}.\n"
    stdout, stderr = quorin(program)

    def answer(query):
        """The answer lines of a query."""
        start = stdout.find("% Answer to query : ?- " + query)
        if start < 0:
            return ""
        end = stdout.find("% Answer to query", start + 1)
        return stdout[start:end if end >= 0 else len(stdout)]

    for name in ["alt", "siblings"]:
        check(name + " imports without error", "% false" in answer(name + "[error"),
              answer(name + "[error"))
    check("the DTD's alternatives are mapped", "N/1 " in answer("N = count{X ; X:e9999}"),
          answer("N = count{X ; X:e9999}"))
    check("every sibling is mapped", "N/100000 " in answer("N = count{X ; X:e}"),
          answer("N = count{X ; X:e}"))
    deep = answer("deep[error")
    check("100,000 levels meet only the depth limit",
          "nested deeper than" in stderr and "expand beyond" not in deep and
          "MB to parse" not in deep, deep + stderr)
    for name in ["content", "external", "attributes"]:
        check(name + " references pass the bound together",
              'E/"entities of file:%s.xml expand beyond %d characters' % (name, BOUND)
              in answer(name + "[error"), answer(name + "[error"))
    streams = glob.glob(os.path.join(WORK, ".nsgmltmpfile*"))
    check("no stream file is left", not streams, " ".join(streams))
    if failures:
        print("failed: " + ", ".join(failures))
        sys.exit(1)


main()
