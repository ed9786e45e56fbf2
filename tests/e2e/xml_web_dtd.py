#!/usr/bin/env python3
"""A document served over HTTP finds the DTD its document type names next to it on its server, as
the same document read as a file finds the DTD next to the file: the default attributes, the
IDREF objects and the IDREFS sets come out the same. Every road that loads documents is taken
(parse@(xml, ...) and parse@(sgml, ...) of the F-Logic mode, parse@(xml) of the Kavum mode); for
each, the answers for the served document equal those for the file once addresses and object
numbers are set aside, and the server was asked for the DTD once, also where a DTD demand makes
the DTD the document's DTD object. Each check prints its name; a failed one prints what it saw,
and the run ends with status 1 after all checks.

Usage: xml_web_dtd.py <quorin> <work folder> <web configuration> <loopback server>
"""
import os
import re
import shutil
import subprocess
import sys

QUORIN, WORK, CONFIG, SERVER = sys.argv[1:5]
failures = []

DOCUMENT = """<?xml version="1.0"?>
<!DOCTYPE shop SYSTEM "ext.dtd">
<shop><item id="a" tags="red big" rs="b c">A</item><item id="b" rs="a" ref="c">B</item>\
<item id="c" kind="special">C</item></shop>
"""
DTD = """<!ELEMENT shop (item*)>
<!ELEMENT item (#PCDATA)>
<!ATTLIST item id ID #IMPLIED tags NMTOKENS #IMPLIED rs IDREFS #IMPLIED ref IDREF #IMPLIED
               kind CDATA "plain">
"""

# Each road: the command-line mode, the load of the document at ADDRESS, and the queries.
ROADS = {
    "xml": ([], '"ADDRESS"[parse@(xml, references, nil, nil, nil) -> d].\n?- sys.eval[].\n'
            "?- X[id ->> {I}; kind ->> {K}].\n"
            "?- X[id ->> {I}; rs ->> {R}], R[id ->> {J}].\n"
            "?- X[id ->> {I}; ref ->> {R}], R[id ->> {J}].\n"
            "?- X[id ->> {I}; tags ->> {T}].\n"
            "?- d[error ->> {E}].\n"),
    # With a DTD demand the DTD becomes the document's DTD object as well, from the same answer;
    # its signatures make the attributes single-valued.
    "xml with its DTD": ([], '"ADDRESS"[parse@(xml, references, nil, dtd, nil) -> d].\n'
                         "?- sys.eval[].\n"
                         "?- X[id -> I; kind -> K].\n"
                         "?- X[id -> I; rs ->> {R}], R[id -> J].\n"
                         "?- d[dtd -> T], T : dtddoc.\n"
                         "?- d[error ->> {E}].\n"),
    "sgml": ([], '"ADDRESS"[parse@(sgml, references, nil) -> d].\n?- sys.eval[].\n'
             "?- X[id -> I; kind -> K].\n"
             "?- X[id -> I; rs ->> {R}], R[id -> J].\n"
             "?- X[id -> I; ref -> R], R[id -> J].\n"
             "?- d[error ->> {E}].\n"),
    "kavum": (["-kavum"], '"ADDRESS" isa url.\n"ADDRESS".parse@(xml).\n?- sys.eval.\n'
              "?- D isa xmldoc, D//item[@id -> I]/@kind -> K.\n"
              "?- D isa xmldoc, D//item[@id -> I]/@rs -> R, R/@id -> J.\n"
              "?- D isa xmldoc, D//item[@id -> I]/@ref -> R, R/@id -> J.\n"),
}


def check(name, condition, seen=""):
    print(("ok   " if condition else "FAIL ") + name)
    if not condition:
        failures.append(name)
        print("     saw: " + seen[:3000])


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8") as out:
        out.write(text)


class Server:
    """The loopback server script, a process of its own, driven one command a line."""

    def __init__(self):
        env = dict(os.environ)
        self.process = subprocess.Popen([sys.executable, SERVER], stdin=subprocess.PIPE,
                                        stdout=subprocess.PIPE, text=True, env=env)
        self.port = int(self.process.stdout.readline())

    def ask(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()
        return self.process.stdout.readline().strip()

    def route(self, path, content):
        reply = ("HTTP/1.0 200 OK\r\nContent-Type: text/xml\r\nContent-Length: %d\r\n\r\n"
                 % len(content.encode())) + content
        self.ask("route %s canned %s" % (path.encode().hex(), reply.encode().hex()))

    def count(self, path):
        return int(self.ask("count " + path.encode().hex()))

    def close(self):
        self.process.stdin.close()
        self.process.wait(timeout=60)


def quorin(mode, program, folder):
    write(os.path.join(folder, "docs.flp"), program)
    env = dict(os.environ)
    for name in ("QUORINCFG", "QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS",
                 "http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"):
        env.pop(name, None)
    env["HOME"] = folder
    env["BROWSER"] = "true"
    args = [QUORIN] + (mode if mode else ["-c", CONFIG]) + ["docs.flp"]
    done = subprocess.run(args, stdin=subprocess.DEVNULL, capture_output=True, text=True,
                          cwd=folder, env=env, timeout=600)
    return done.stdout + done.stderr


def normalized(output, address):
    """The output with the document's address and the numbers of objects set aside."""
    output = output.replace(address, "ADDRESS")
    output = re.sub(r'"[^"]*/sub/ext\.dtd"', '"DTD"', output)
    names = {}
    return re.sub(r"f\d+_\d+", lambda m: names.setdefault(m.group(0), "o%d" % len(names)),
                  output)


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    server = Server()
    try:
        server.route("/sub/shop.xml", DOCUMENT)
        server.route("/sub/ext.dtd", DTD)
        for road, (mode, template) in ROADS.items():
            folder = os.path.join(WORK, road)
            write(os.path.join(folder, "sub", "shop.xml"), DOCUMENT)
            write(os.path.join(folder, "sub", "ext.dtd"), DTD)
            before = server.count("/sub/ext.dtd")
            local = "file:sub/shop.xml"
            if "dtd, nil" in template:
                # The DTD object's address is the document's resolved: a file URL with a folder.
                local = "file://" + os.path.abspath(os.path.join(folder, "sub", "shop.xml"))
            served = "http://127.0.0.1:%d/sub/shop.xml" % server.port
            from_file = normalized(quorin(mode, template.replace("ADDRESS", local), folder), local)
            from_web = normalized(quorin(mode, template.replace("ADDRESS", served), folder),
                                  served)
            asked = server.count("/sub/ext.dtd") - before
            check(road + ": the server was asked once for the DTD next to the document",
                  asked == 1, "%d requests" % asked)
            check(road + ": the file has the DTD's default", '"plain"' in from_file, from_file)
            if "dtd ->" in template:
                check(road + ": the DTD object is a DTD document",
                      'T/"DTD".parse@(dtd,[])' in from_web, from_web)
            check(road + ": the served document maps as the file does", from_web == from_file,
                  "file:\n" + from_file + "\nweb:\n" + from_web)
            leftovers = [n for n in os.listdir(folder) if n.endswith(".dtd") and n != "ext.dtd"]
            check(road + ": no copy of the DTD is left", not leftovers, str(leftovers))
    finally:
        server.close()
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
