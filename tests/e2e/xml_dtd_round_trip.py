#!/usr/bin/env python3
"""Random documents with DTDs written back: each document (EMPTY elements, element content in
sequences and choices, mixed content, ID, IDREF and IDREFS attributes) is imported, its root
element exported from a rule head, the document type put back in place of the export's short
one, and the result must be valid where the original is (xmllint --valid), with the same
elements in the same order, the same attributes and the same words. A failed document is kept
in the work folder with its export; the run ends with status 1.

Usage: xml_dtd_round_trip.py <quorin> <work folder> <number of documents> [seed]
"""
import os
import random
import re
import shutil
import subprocess
import sys
import xml.etree.ElementTree as ElementTree

QUORIN = os.path.abspath(sys.argv[1])
WORK = sys.argv[2]
COUNT = int(sys.argv[3])
SEED = int(sys.argv[4]) if len(sys.argv) > 4 else 91
WORDS = ["alpha", "beta", "x1", "t&amp;c", "a&lt;b", "q&gt;p", "it's", '"q"', "zz", "7"]


def deterministic(parts):
    """Whether a sequence reads each child one way, as XML asks of content models: a name that
    may be left out or repeated differs from every name that may follow it up to and including
    the next required part."""
    for at, (name, occurs) in enumerate(parts):
        if occurs == "":
            continue
        for later, later_occurs in parts[at + 1:]:
            if later == name:
                return False
            if later_occurs in ("", "+"):
                break
    return True


class Document:
    """One document type and an instance of it. Element e0 is the root; every element type has
    a model and attributes, and the instance is grown from the models."""

    def __init__(self, number, rng):
        self.number = number
        self.rng = rng
        self.root = "r%d" % number
        self.names = [self.root] + ["e%d" % k for k in range(rng.randint(2, 6))]
        self.models = {}
        self.attributes = {}
        children = self.names[1:]
        for name in self.names:
            kind = rng.choice(["empty", "empty", "elements", "sequence", "mixed", "text"])
            if name == self.root:
                kind = rng.choice(["elements", "sequence"])
            below = children[children.index(name) + 1:] if name in children else children
            if kind in ("elements", "sequence") and not below:
                kind = "empty"
            if kind == "mixed" and not below:
                kind = "text"
            if kind == "sequence":
                # Names may come back later in the sequence: their order is the document's.
                while True:
                    parts = [(rng.choice(below), rng.choice(["", "?", "*", "+"]))
                             for _ in range(rng.randint(2, 4))]
                    if deterministic(parts):
                        break
                self.models[name] = (kind, parts)
            else:
                self.models[name] = (kind, rng.sample(below, rng.randint(1, min(3, len(below))))
                                     if below and kind in ("elements", "mixed") else [])
            attributes = []
            if rng.random() < 0.7:
                attributes.append(("key", "ID", rng.choice(["#REQUIRED", "#IMPLIED"])))
            if rng.random() < 0.5:
                attributes.append(("see", "IDREF", "#IMPLIED"))
            if rng.random() < 0.5:
                attributes.append(("all", "IDREFS", "#IMPLIED"))
            if rng.random() < 0.5:
                attributes.append(("note", "CDATA", "#IMPLIED"))
            self.attributes[name] = attributes
        self.ids = []
        self.pending = []

    def dtd(self):
        lines = []
        for name in self.names:
            kind, below = self.models[name]
            if kind == "empty":
                model = "EMPTY"
            elif kind == "text":
                model = "(#PCDATA)"
            elif kind == "mixed":
                model = "(#PCDATA|%s)*" % "|".join(below)
            elif kind == "sequence":
                model = "(%s)" % ", ".join(part + occurs for part, occurs in below)
            else:
                model = "(%s)*" % "|".join(below)
            lines.append("<!ELEMENT %s %s>" % (name, model))
            if self.attributes[name]:
                lines.append("<!ATTLIST %s %s>" % (name, " ".join(
                    "%s %s %s" % attribute for attribute in self.attributes[name])))
        return "<!DOCTYPE %s [\n%s\n]>" % (self.root, "\n".join(lines))

    def element(self, name, depth):
        rng = self.rng
        attributes = []
        for attribute, kind, default in self.attributes[name]:
            if kind == "ID" and (default == "#REQUIRED" or rng.random() < 0.6):
                value = "i%d_%d" % (self.number, len(self.ids))
                self.ids.append(value)
                attributes.append('%s="%s"' % (attribute, value))
            elif kind in ("IDREF", "IDREFS") and rng.random() < 0.6:
                # References are filled in once every ID is known.
                self.pending.append(kind)
                attributes.append('%s="@%d@"' % (attribute, len(self.pending) - 1))
            elif kind == "CDATA" and rng.random() < 0.5:
                attributes.append('%s="%s"' % (attribute, rng.choice(WORDS).replace('"', "&quot;")))
        head = "<" + " ".join([name] + attributes)
        kind, below = self.models[name]
        content = ""
        if kind == "text":
            content = " ".join(rng.choice(WORDS) for _ in range(rng.randint(0, 3)))
        elif kind == "sequence":
            for part, occurs in below:
                low, high = {"": (1, 1), "?": (0, 1), "*": (0, 2), "+": (1, 2)}[occurs]
                if depth >= 4:
                    high = low
                for _ in range(rng.randint(low, high)):
                    content += self.element(part, depth + 1)
        elif kind in ("elements", "mixed") and depth < 4:
            for _ in range(rng.randint(0, 4)):
                if kind == "mixed" and rng.random() < 0.5:
                    content += " " + rng.choice(WORDS) + " "
                else:
                    content += self.element(rng.choice(below), depth + 1)
        if not content and (kind == "empty" or rng.random() < 0.5):
            return head + "/>"
        return head + ">" + content + "</%s>" % name

    def text(self):
        body = self.element(self.root, 0)

        def reference(match):
            kind = self.pending[int(match.group(1))]
            if not self.ids:
                return "none"
            if kind == "IDREF":
                return self.rng.choice(self.ids)
            return " ".join(self.rng.choice(self.ids) for _ in range(self.rng.randint(1, 3)))

        body = re.sub(r"@(\d+)@", reference, body)
        # A reference to no ID makes the original invalid: such documents are left out.
        if "none" in re.findall(r'"(none)"', body):
            return None
        return '<?xml version="1.0"?>\n%s\n%s\n' % (self.dtd(), body)


def valid(path):
    done = subprocess.run(["xmllint", "--valid", "--noout", path], capture_output=True,
                          text=True)
    return done.returncode == 0, done.stderr


def shape(path):
    """The elements in document order, each with its attributes (reference lists as sets) and
    its words."""
    tree = ElementTree.parse(path)
    found = []
    for element in tree.getroot().iter():
        attributes = {}
        for name, value in element.attrib.items():
            attributes[name] = frozenset(value.split()) if name == "all" else value.strip()
        words = (element.text or "").split()
        for child in element:
            words += (child.tail or "").split()
        # An element's texts are a set of the object base, one member for equal texts, beside
        # its children: their words are compared as a set.
        found.append((element.tag, attributes, frozenset(words)))
    return found


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    rng = random.Random(SEED)
    documents = []
    while len(documents) < COUNT:
        document = Document(len(documents), rng)
        text = document.text()
        if text is None:
            continue
        path = os.path.join(WORK, "doc%d.xml" % document.number)
        with open(path, "w", encoding="utf-8") as out:
            out.write(text)
        ok, why = valid(path)
        if not ok:
            print("generated document %s is not valid: %s" % (path, why))
            return 1
        documents.append((document, text))

    program = []
    for document, _ in documents:
        program.append('"file:doc%d.xml" isa url.' % document.number)
        program.append('"file:doc%d.xml".parse@(xml).' % document.number)
        program.append('R.export@(%s, "out%d.xml") :- D isa xmldoc, D/%s -> R.'
                       % (document.root, document.number, document.root))
    program.append("?- sys.eval.")
    with open(os.path.join(WORK, "round-trip.flp"), "w", encoding="utf-8") as out:
        out.write("\n".join(program) + "\n")
    env = dict(os.environ)
    for name in ("QUORINCFG", "QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    env["HOME"] = WORK
    env["BROWSER"] = "true"
    done = subprocess.run([QUORIN, "-kavum", "-q", "round-trip.flp"], stdin=subprocess.DEVNULL,
                          capture_output=True, text=True, cwd=WORK, env=env, timeout=1200)
    if done.returncode != 0:
        print("the run failed with status %d:\n%s\n%s" % (done.returncode, done.stdout,
                                                          done.stderr))
        return 1

    failed = 0
    for document, text in documents:
        exported = os.path.join(WORK, "out%d.xml" % document.number)
        if not os.path.exists(exported):
            print("FAIL doc%d.xml: no export" % document.number)
            failed += 1
            continue
        with open(exported, encoding="utf-8") as written:
            output = written.read()
        # The export names the document type only; the declarations go back in its place.
        output, replaced = re.subn(r"<!DOCTYPE [^>\[]*>", lambda _: document.dtd(), output,
                                   count=1)
        typed = os.path.join(WORK, "typed%d.xml" % document.number)
        with open(typed, "w", encoding="utf-8") as out:
            out.write(output)
        ok, why = valid(typed)
        if replaced != 1 or not ok:
            print("FAIL doc%d.xml: the export is not valid:\n%s" % (document.number, why))
            failed += 1
            continue
        original = shape(os.path.join(WORK, "doc%d.xml" % document.number))
        if shape(typed) != original:
            print("FAIL doc%d.xml: the export holds other elements, attributes or words"
                  % document.number)
            failed += 1
    print("%d of %d documents written back valid and whole" % (len(documents) - failed,
                                                                 len(documents)))
    if failed == 0:
        shutil.rmtree(WORK, ignore_errors=True)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
