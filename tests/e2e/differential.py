#!/usr/bin/env python3
"""Runs every F-Logic input under tests/e2e/ and every examples/*.flp through the quorin program
twice, with the semi-naive evaluator in mode "naive" and in mode "seminaive", and compares the
final object bases (the F-Logic dump, as sets of facts by lexical form, without the evaluator's
delta predicates) and the answer rows of each block (as sets). A run that stops before the dump
is compared on its answers only. Exits 1 showing the first differing facts.

Usage: differential.py <quorin> <repository> <work folder>
"""
import glob
import os
import re
import shutil
import subprocess
import sys


def scan(text):
    """Yields (position, character, depth) for every character outside quotes, the depth being
    the number of brackets open around it; last (length, None, depth), the depth -1 when a quote
    is left open."""
    depth, quoted, i = 0, False, 0
    while i < len(text):
        c = text[i]
        if quoted:
            if c == "\\":
                i += 1
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
        else:
            if c in ")]}":
                depth -= 1
            yield i, c, depth
            if c in "([{":
                depth += 1
        i += 1
    yield len(text), None, depth if not quoted else -1


def split_top(text, separators):
    """Splits at the separators outside quotes and brackets."""
    parts, start = [], 0
    for at, c, depth in scan(text):
        if c is not None and depth == 0 and c in separators:
            parts.append(text[start:at])
            start = at + 1
    parts.append(text[start:])
    return [p for p in parts if p.strip()]


def squeeze(text):
    """Drops whitespace outside quotes."""
    out, quoted, i = [], False, 0
    while i < len(text):
        c = text[i]
        if quoted:
            out.append(c)
            if c == "\\" and i + 1 < len(text):
                i += 1
                out.append(text[i])
            elif c == '"':
                quoted = False
        elif c == '"':
            quoted = True
            out.append(c)
        elif not c.isspace():
            out.append(c)
        i += 1
    return "".join(out)


def balanced(text):
    """Whether every bracket of the text is closed and no quote is open."""
    *_, (_, _, depth) = scan(text)
    return depth == 0


def statements(dump):
    """The statements of a dump: each ends with a full stop at the end of a line."""
    found, current = [], []
    for line in dump.splitlines():
        if not current and (not line.strip() or line.startswith("%")):
            continue
        current.append(line)
        text = "\n".join(current).rstrip()
        if text.endswith(".") and balanced(text):
            found.append(text[:-1])
            current = []
    if current:
        found.append("\n".join(current))
    return found


ARROW = re.compile(r"(@?\*?->>|\*?->|@?=>>|=>)")


def facts(dump):
    """The facts of a dump by lexical form; delta predicates left out."""
    result = set()
    for statement in statements(dump):
        text = squeeze(statement)
        if text.startswith("delta_"):
            continue
        if not text.endswith("]"):
            result.add(text)
            continue
        open_at = next(at for at, c, depth in scan(text) if c == "[" and depth == 0)
        host, body = text[:open_at], text[open_at + 1:-1]
        for spec in split_top(body, ";"):
            match = None
            for at, c, depth in scan(spec):
                match = ARROW.match(spec, at) if c is not None and depth == 0 else None
                if match:
                    break
            if not match:
                result.add(host + "[" + spec + "]")
                continue
            method, arrow, value = spec[:match.start()], match.group(1), spec[match.end():]
            if value[:1] in "({" and value[-1:] in ")}":
                members = split_top(value[1:-1], ",")
                if not members:
                    result.add("%s[%s%s{}]" % (host, method, arrow))
                for member in members:
                    result.add("%s[%s%s%s]" % (host, method, arrow, member))
            else:
                result.add("%s[%s%s%s]" % (host, method, arrow, value))
    return result


def answer_blocks(stdout):
    """The answer rows of each block, as sorted lists, in block order."""
    blocks, rows = [], None
    for line in stdout.splitlines():
        if line.startswith("% Answer to query"):
            rows = []
            blocks.append((line, rows))
        elif rows is not None and re.match(r"% \d+ output\(s\) printed", line):
            rows = None
        elif rows is not None and line.strip():
            rows.append(" ".join(sorted(line.split())))
    return [(query, sorted(found)) for query, found in blocks]


def run_saving(quorin, config, source, folder, cwd, before_save=""):
    """Runs the program file `source` from `cwd` with the configuration text `config`, then
    saves the base (after the commands `before_save`); answers the finished run, its output
    and errors caught, and the facts saved (None when nothing was)."""
    dump = os.path.join(folder, "model.flp")
    if os.path.exists(dump):
        os.remove(dump)
    with open(os.path.join(folder, "config.flp"), "w") as out:
        out.write(config)
    with open(os.path.join(folder, "dump.flp"), "w") as out:
        out.write(before_save + '?- sys.om.saveAs@("%s")[].\n' % dump)
    env = dict(os.environ, QUORINCFG=os.path.join(folder, "config.flp"))
    for name in ("QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    done = subprocess.run([quorin, "-q", source, os.path.join(folder, "dump.flp")],
                          cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=300)
    model = None
    if os.path.exists(dump):
        with open(dump, encoding="utf-8", errors="replace") as text:
            model = facts(text.read())
    return done, model


def in_mode(config, mode):
    """The configuration text with the evaluation mode `mode`."""
    return config.replace('mode@("seminaive")', 'mode@("%s")' % mode)


def run(quorin, config, source, work, mode, in_copy=False, errors=None):
    """The answer blocks and the model of one run; with `errors` (a list) the standard error
    of the run is appended to it."""
    folder = os.path.join(work, mode)
    os.makedirs(folder, exist_ok=True)
    # With in_copy the input runs in a copy of its folder, so files it writes (exports, saves)
    # stay out of the source tree.
    case = os.path.dirname(source)
    if in_copy:
        case = os.path.join(folder, "case")
        shutil.rmtree(case, ignore_errors=True)
        shutil.copytree(os.path.dirname(source), case)
        source = os.path.join(case, os.path.basename(source))
    done, model = run_saving(quorin, in_mode(config, mode), source, folder, case)
    if errors is not None:
        errors.append(done.stderr.decode("utf-8", "replace"))
    return answer_blocks(done.stdout.decode("utf-8", "replace")), model


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    quorin, repo, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2]), sys.argv[3]
    with open(os.path.join(os.path.dirname(quorin), "config.flp")) as text:
        config = text.read()
    if 'mode@("seminaive")' not in config:
        sys.exit("differential: the configuration does not choose mode seminaive")
    inputs = sorted(glob.glob(os.path.join(repo, "tests", "e2e", "**", "*.flp"), recursive=True))
    inputs += sorted(glob.glob(os.path.join(repo, "examples", "*.flp")))
    shutil.rmtree(work, ignore_errors=True)
    failed = 0
    for number, source in enumerate(inputs):
        place = os.path.join(work, str(number))
        naive_answers, naive_model = run(quorin, config, source, place, "naive", True)
        semi_answers, semi_model = run(quorin, config, source, place, "seminaive", True)
        name = os.path.relpath(source, repo)
        if naive_answers != semi_answers:
            failed = 1
            for (q1, r1), (q2, r2) in zip(naive_answers, semi_answers):
                if (q1, r1) != (q2, r2):
                    print("%s: answers differ at %s\n  naive:     %s\n  seminaive: %s"
                          % (name, q1, r1[:5], r2[:5]))
                    break
            else:
                print("%s: %d answer blocks naive, %d seminaive"
                      % (name, len(naive_answers), len(semi_answers)))
            continue
        if naive_model is None or semi_model is None:
            print("%s: answers only (%d blocks)" % (name, len(naive_answers)))
            continue
        if naive_model != semi_model:
            failed = 1
            print("%s: models differ\n  only naive:     %s\n  only seminaive: %s"
                  % (name, sorted(naive_model - semi_model)[:5],
                     sorted(semi_model - naive_model)[:5]))
            continue
        print("%s: same model (%d facts), same answers (%d blocks)"
              % (name, len(naive_model), len(naive_answers)))
    sys.exit(failed)


if __name__ == "__main__":
    main()
