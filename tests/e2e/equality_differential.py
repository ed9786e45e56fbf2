#!/usr/bin/env python3
"""Random programs that mix methods with arguments, function terms, set-valued methods with and
without arguments, and equalities (given as facts, derived by `X = Y` heads, and made by a second
value of a scalar method), each evaluated naively and semi-naively: the final object bases and
the answers must be the same, unless the object base refused an equality of two numbers (then
the value kept depends on the order of the derivations, and the program is skipped). Equalities
rename hosts, arguments and results inside parameter frames and merge the frames of the objects
they join, so some programs give one host many argument lists, past the size where a frame
changes its storage.

With --reference another quorin program (an older build) runs each program semi-naively too,
and its whole output must be the same as this one's, apart from blank lines and a missing
history file.

Each program is made from its own seed (the run's first seed plus its number), so that a
disagreement can be made again alone; a failing program is kept in the work folder.

Usage: equality_differential.py <quorin> <work folder> [programs [first seed]]
                                [--reference <quorin>]
Exits 1 when some program disagrees, printing it.
"""
import os
import random
import re
import shutil
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import differential  # noqa: E402  (the runner and dump reader are shared)

NAMES = ["a", "b", "c", "d", "e", "k", "l", "u"]
VARIABLES = ["X", "Y", "Z"]
# The object base's report of an equality of two numbers or two strings, which it does not apply.
REFUSED = "This would lead to an inconsistent OM."
SKIPPED = "skipped"
QUERIES = ["?- p(X).", "?- q(X, Y).", "?- r(X).", "?- X[M -> Y].", "?- X[S ->> {Y}].",
           "?- X[M@(Y) -> Z].", "?- X[M@(Y, Z) -> W].", "?- X[M@(Y) ->> {Z}].",
           "?- X[S@(Y, Z) ->> {W}]."]


def mixed_program(rng):
    """Few objects, function terms and numbers; rules whose first literal often has the shape
    of a fact, so that they fire."""
    names = NAMES[:rng.randint(2, len(NAMES))]

    def name():
        return rng.choice(names)

    def term():
        r = rng.random()
        if r < 0.15:
            return "f(%s)" % name()
        if r < 0.22:
            return "g(%s, %s)" % (name(), name())
        if r < 0.27:
            return str(rng.randint(1, 3))
        return name()

    def members(most):
        return ", ".join(term() for _ in range(rng.randint(1, most)))

    facts = []
    for _ in range(rng.randint(10, 45)):
        shape = rng.randint(0, 7)
        if shape == 0:
            facts.append("p(%s)." % term())
        elif shape == 1:
            facts.append("q(%s, %s)." % (term(), term()))
        elif shape == 2:
            facts.append("%s[%s@(%s) -> %s]." % (term(), rng.choice("mn"), term(), term()))
        elif shape == 3:
            facts.append("%s[%s@(%s, %s) ->> {%s}]." % (term(), rng.choice("st"), term(), term(),
                                                        members(4)))
        elif shape == 4:
            facts.append("%s[%s ->> {%s}]." % (term(), rng.choice("st"), members(3)))
        elif shape == 5:
            facts.append("%s[%s -> %s]." % (term(), rng.choice("mn"), term()))
        elif shape == 6:
            facts.append("%s = %s." % (name(), term()))
        else:
            facts.append("%s[%s@(%s, %s, %s) -> %s]." % (term(), rng.choice("mn"), term(),
                                                         term(), term(), term()))

    def like_fact():
        """A fact of the program with some of its names and terms made variables."""
        fact = rng.choice(facts).rstrip(".")
        if " = " in fact:
            return None
        prefix = ""
        if fact[:2] in ("p(", "q("):
            prefix, fact = fact[:2], fact[2:]
        pieces = re.split(r"([A-Za-z0-9]+(?:\([^()]*\))?)", fact)
        for i in range(1, len(pieces), 2):
            if pieces[i] not in ("m", "n", "s", "t") and rng.random() < 0.6:
                pieces[i] = rng.choice(VARIABLES)
        literal = prefix + "".join(pieces)
        # A set of several members is no body literal.
        return None if "{" in literal and "," in literal.split("{")[1] else literal

    def literal():
        def v():
            return rng.choice(VARIABLES)
        shape = rng.randint(0, 6)
        if shape == 0:
            return "p(%s)" % v()
        if shape == 1:
            return "q(%s, %s)" % (v(), v())
        if shape == 2:
            return "%s[%s@(%s) -> %s]" % (v(), rng.choice("mn"), v(), v())
        if shape == 3:
            return "%s[%s@(%s, %s) ->> {%s}]" % (v(), rng.choice("st"), v(), v(), v())
        if shape == 4:
            return "%s[%s ->> {%s}]" % (v(), rng.choice("st"), v())
        if shape == 5:
            return "%s[%s -> %s]" % (v(), rng.choice("mn"), v())
        return "%s[%s@(%s) -> f(%s)]" % (v(), rng.choice("mn"), v(), v())

    rules = []
    for _ in range(rng.randint(2, 9)):
        body = []
        first = like_fact()
        if first and rng.random() < 0.7:
            body.append(first)
        body += [literal() for _ in range(rng.randint(1, 2))]
        bound = sorted({v for lit in body for v in VARIABLES if v in lit})

        def pick():
            return rng.choice(bound)
        shape = rng.randint(0, 6)
        if shape == 0:
            head = "%s = %s" % (pick(), pick())
        elif shape == 1:
            head = "q(%s, %s)" % (pick(), pick())
        elif shape == 2:
            head = "%s[%s@(%s) -> %s]" % (pick(), rng.choice("mn"), pick(), pick())
        elif shape == 3:
            head = "%s[%s@(%s, %s) ->> {%s}]" % (pick(), rng.choice("st"), pick(), pick(), pick())
        elif shape == 4:
            head = "%s[%s ->> {%s}]" % (pick(), rng.choice("st"), pick())
        elif shape == 5:
            head = "p(%s)" % pick()
        else:
            # A new function term only from the facts of p, so that the model stays finite.
            x = pick()
            head = "r(h(%s))" % x
            body.append("p(%s)" % x)
        rules.append("%s :- %s." % (head, ", ".join(body)))
    return facts + rules


def wide_program(rng):
    """One to three hosts with many argument lists each, equalities among the arguments and
    results, and rules that equate arguments, results and hosts."""
    names = ["s%d" % i for i in range(rng.randint(4, 40))]
    hosts = ["h%d" % i for i in range(rng.randint(1, 3))]

    def value(numbers=0.3):
        return rng.choice(names) if rng.random() >= numbers else str(rng.randint(0, 30))

    def result():
        # Few numbers among the results: two different numbers for one argument list make an
        # equality the object base refuses.
        return value(0.05)

    lines = []
    for _ in range(rng.randint(5, 60)):
        r = rng.random()
        host = rng.choice(hosts)
        if r < 0.45:
            lines.append("%s[m@(%s) -> %s]." % (host, value(), result()))
        elif r < 0.6:
            lines.append("%s[w@(%s, %s) -> %s]." % (host, value(), value(), result()))
        elif r < 0.8:
            lines.append("%s[s@(%s) ->> {%s}]." % (
                host, value(), ", ".join(value() for _ in range(rng.randint(1, 4)))))
        elif r < 0.9:
            lines.append("%s[t ->> {%s}]." % (
                host, ", ".join(value() for _ in range(rng.randint(1, 3)))))
        else:
            lines.append("%s = %s." % (rng.choice(names), rng.choice(names)))
    rules = [
        "X = Y :- H[m@(X) -> Z], H[m@(Y) -> Z].",
        "X = Y :- H[m@(Z) -> X], H[w@(Z, Z) -> Y].",
        "H[m@(Y) -> X] :- H[w@(X, Y) -> Z].",
        "H[s@(X) ->> {Y}] :- H[m@(X) -> Y].",
        "H[t ->> {X}] :- H[s@(X) ->> {Y}], H[s@(Y) ->> {X}].",
        "X = Y :- H[t ->> {X}], G[t ->> {Y}], H[m@(X) -> Y].",
        "H = G :- H[m@(X) -> Y], G[m@(X) -> Y].",
        "H[w@(Y, X) -> Z] :- H[w@(X, Y) -> Z].",
        "q(X, Y) :- H[m@(X) -> Y].",
        "p(X) :- H[s@(X) ->> {X}].",
    ]
    return lines + rng.sample(rules, rng.randint(1, 5))


def program(seed):
    rng = random.Random(seed)
    lines = wide_program(rng) if rng.random() < 0.4 else mixed_program(rng)
    return lines + ["?- sys.eval[]."] + QUERIES


def whole_output(quorin, config_folder, source):
    env = dict(os.environ, QUORINCFG=os.path.join(config_folder, "config.flp"))
    for name in ("QUORINHIS", "DEFAULTCFG", "DEFAULTHIS", "KAVUMCFG", "KAVUMHIS"):
        env.pop(name, None)
    done = subprocess.run([quorin, "-q", source], cwd=os.path.dirname(source), env=env,
                          stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, timeout=120)
    text = done.stdout.decode("utf-8", "replace").replace("*** ERROR : Can't open history-File !",
                                                         "")
    return done.returncode, re.sub(r"\n+", "\n", text)


def check(quorin, reference, config, work, seed):
    """None when the runs of the program agree, SKIPPED when its modes need not, else the
    reason."""
    lines = program(seed)
    folder = os.path.join(work, str(seed))
    os.makedirs(folder, exist_ok=True)
    source = os.path.join(folder, "program.flp")
    with open(source, "w") as out:
        out.write("\n".join(lines) + "\n")
    naive = differential.run(quorin, config, source, folder, "naive")
    seminaive = differential.run(quorin, config, source, folder, "seminaive")
    config_folder = os.path.join(folder, "seminaive")
    output = whole_output(quorin, config_folder, source)
    if reference is not None and output != whole_output(reference, config_folder, source):
        return "the output differs from the reference program's"
    if REFUSED in output[1]:
        # A refused equality leaves one of the two numbers or strings, whichever the order of
        # the derivations met first: the two modes may keep different ones.
        shutil.rmtree(folder)
        return SKIPPED
    if naive[0] != seminaive[0]:
        return "answers differ between naive and seminaive"
    if naive[1] is None or seminaive[1] is None:
        return "no object base saved"
    if naive[1] != seminaive[1]:
        return "models differ\n  only naive:     %s\n  only seminaive: %s" % (
            sorted(naive[1] - seminaive[1])[:8], sorted(seminaive[1] - naive[1])[:8])
    shutil.rmtree(folder)
    return None


def main():
    args = sys.argv[1:]
    reference = None
    if "--reference" in args:
        at = args.index("--reference")
        reference = os.path.abspath(args[at + 1])
        del args[at:at + 2]
    if len(args) < 2:
        sys.exit(__doc__)
    quorin, work = os.path.abspath(args[0]), os.path.abspath(args[1])
    count = int(args[2]) if len(args) > 2 else 100
    first = int(args[3]) if len(args) > 3 else 1
    with open(os.path.join(os.path.dirname(quorin), "config.flp")) as text:
        config = text.read()
    if 'mode@("seminaive")' not in config:
        sys.exit("equality_differential: the configuration does not choose mode seminaive")
    shutil.rmtree(work, ignore_errors=True)
    seeds = range(first, first + count)
    failed = skipped = 0
    with ThreadPoolExecutor(max_workers=int(os.environ.get("QUORIN_JOBS", "2"))) as pool:
        for seed, failure in zip(seeds, pool.map(
                lambda s: check(quorin, reference, config, work, s), seeds)):
            if failure == SKIPPED:
                skipped += 1
            elif failure is not None:
                failed += 1
                print("seed %d: %s\n%s" % (seed, failure, "\n".join(program(seed))))
    print("%d random programs with equalities and methods with arguments: %d disagree, "
          "%d with a refused equality compared only with the reference" % (count, failed, skipped))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
