#!/usr/bin/env python3
"""Random stratified programs (negation, aggregates, predicates, set and scalar methods, class
memberships, and in half of them inheritance) evaluated, given more facts (and rules) and
evaluated again. A program with inheritance is given either predicates only, which leave what is
inherited as it is, or also facts that change it (a new member, an own value that defeats an
inherited value rules have read, a subclass step). Each program runs five ways with each of two evaluators: PrSemiNaive in every
combination of evaluation mode ("naive", "seminaive") and trigger mode ("oneTrigger",
"allTriggers"), and NaiveEvalWithInherit:

  again:       the first facts and the rules, eval, the added facts, eval;
  full:        the same, but the second evaluation in mode "naive", which matches every rule
               against the whole base once more;
  rules-again: the first facts and some of the rules, eval, the added facts and the other
               rules, eval;
  rules-full:  the same, the second evaluation in mode "naive";
  once:        all facts and the rules, one eval.

"again" and "full", and "rules-again" and "rules-full", must end with the same saved base (its
facts as a set). "again" and "once" must too, unless "full" and "once" differ already: facts
derived before are kept, so a negation or an aggregate over a relation that the added facts
extend can leave more facts than one evaluation of everything derives; such programs are
counted.

Each program is made from its own seed (the run's first seed plus its number), so that a
disagreement can be made again alone; a failing program is kept in the work folder.

Usage: incremental_differential.py <quorin> <work folder> [programs [first seed]]
Exits 1 when some program disagrees, printing it.
"""
import os
import random
import re
import shutil
import sys
from concurrent.futures import ThreadPoolExecutor

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import differential  # noqa: E402  (the runner and dump reader are shared)
import oracle  # noqa: E402  (the program generator is shared)
from differential_setup import setup  # noqa: E402

TRIGGER_LINE = '?- sys.evaluator.mode@("allTriggers")[].'
# Before the second evaluation of "full": a whole evaluation.
NAIVE_LINE = '?- sys.evaluator.mode@("naive")[].'
SEMI_EVALUATOR = "sys.classPrSemiNaive.new@(sys.matcher, sys.theOMAccess)"
NAIVE_EVALUATOR = "sys.classNaiveEvalWithInherit.new@(sys.matcher, sys.theOMAccess)"


class Member(oracle.Relation):
    """Class membership host : class, as a relation of one argument per class."""

    def quorin(self, args):
        return "%s : %s" % (args[0], self.name)

    def lexical(self, args):
        return "%s:%s" % (args[0], self.name)

    def clingo_name(self):
        return "cls_" + self.name


class Positive(oracle.Generator):
    """Programs without aggregates; their negated literals are dropped afterwards."""

    def aggregate(self, level, names, group_count):
        return None


def positive(rule):
    """The rule without its negated literals."""
    head, body = rule.rstrip(".").split(" :- ", 1)
    kept = [l for l in differential.split_top(body, ",") if not l.strip().startswith("not ")]
    return "%s :- %s." % (head, ", ".join(l.strip() for l in kept))


def program(seed):
    """The facts, the rules and the facts added later, as lists of clause texts. Half of the
    programs read every relation positively, so that the whole evaluation can start from the
    added facts; the others have negation and aggregates at some levels."""
    plain = random.Random(seed).random() < 0.5
    gen = Positive(seed) if plain else oracle.Generator(seed)
    rng = gen.rng
    # Class memberships as facts and heads, read by the rules like the other relations.
    gen.relations.append(Member("cls", "k0", 1, 0))
    for _ in range(rng.randint(1, 4)):
        gen.facts.append((gen.relations[-1], [str(rng.choice(oracle.DOMAIN))]))
    gen.generate()
    if rng.random() < 0.3:
        level = max(r.level for r in gen.relations)
        gen.relations.append(Member("cls", "k1", 1, level))
        gen.rule(gen.relations[-1])
    facts = ["%s." % rel.quorin(args) for rel, args in gen.facts]
    rules = [positive(q) if plain else q for q, _ in gen.rules]
    # Inheritance in half the programs (see inheritance); in half of those, the added facts are
    # predicates only, which cannot change what is inherited.
    inherits = rng.random() < 0.5
    predicates_only = inherits and rng.random() < 0.5
    if inherits:
        inheritance(gen, facts, rules, plain)
    rng.shuffle(facts)
    # The added facts: some of the program's, and a few new ones of its base relations.
    cut = rng.randint(len(facts) // 2, len(facts))
    first, added = facts[:cut], facts[cut:]
    base = [rel for rel in gen.relations if rel.level == 0]
    if predicates_only:
        # Half of them are given edges of the closure only, which no rule turns into anything
        # but predicates; the generated rules may make methods or memberships of the others.
        kept = ie_fact if rng.random() < 0.5 else is_predicate
        first += [fact for fact in added if not kept(fact)]
        added = [fact for fact in added if kept(fact)]
        base = [rel for rel in base if rel.kind == "pred"] if kept == is_predicate else []
        added += [edge(rng) for _ in range(rng.randint(1, 3))]
    for _ in range(rng.randint(0, 4) if base else 0):
        rel = rng.choice(base)
        if rel.kind == "scal":
            continue  # a second value of a scalar method would equate two numbers
        added.append("%s." % rel.quorin([str(rng.choice(oracle.DOMAIN))
                                         for _ in range(rel.arity)]))
    if inherits and not predicates_only:
        added += inheritance_changes(rng)
    if rng.random() < 0.1:
        added.append("unrelated(fact).")
    # The rules that come with the added facts in "rules-again": none, some or all.
    late = rng.randint(0, len(rules))
    return first, rules, added, late, predicates_only


# The object that holds an own value of the inherited method from the start, and the one that
# may get one later: two values of one scalar method would equate two numbers.
OWN_HOST, LATE_OWN_HOST = 4, 3


def inheritance(gen, facts, rules, plain):
    """Adds inheritance to a generated program: the generator's class values and subclass steps,
    a class value of k0 that the members of k0 and of its subclass k0s inherit, now and then an
    own value that defeats it, and rules reading the inherited values alone, joined with a base
    predicate, and (where the program negates) negated."""
    rng = gen.rng
    facts += ["%s :: %s." % step for step in gen.subclass_facts]
    facts += ["%s[%s *-> %s]." % (rel.holder, rel.name, rel.value)
              for rel in gen.relations if rel.kind == "inh"]
    value = rng.choice(oracle.DOMAIN)
    facts.append("k0[inh *-> %d]." % value)
    if rng.random() < 0.6:
        facts.append("k0s :: k0.")
        facts += ["%d : k0s." % rng.choice(oracle.DOMAIN) for _ in range(rng.randint(1, 2))]
    if rng.random() < 0.4:
        facts.append("%d[inh -> %d]." % (OWN_HOST, rng.choice(oracle.DOMAIN)))
    rules.append("inh_p(X, Y) :- X[inh -> Y].")
    preds = [rel for rel in gen.relations if rel.level == 0 and rel.kind == "pred"]
    rel = rng.choice(preds)
    joined = rel.quorin(["X"] + ["A%d" % i for i in range(1, rel.arity)])
    rules.append("inh_j(X, Y) :- %s, X[inh -> Y]." % joined)
    if not plain and rng.random() < 0.5:
        rules.append("inh_n(X) :- %s, not X[inh -> %d]." % (joined, value))
    # A closure over edges of its own, joined with the values inherited at its ends, negated
    # (where the program negates) and counted.
    facts += [edge(rng) for _ in range(rng.randint(1, 4))]
    rules += ["ic(X, Y) :- ie(X, Y).", "ic(X, Z) :- ie(X, Y), ic(Y, Z).",
              "inh_c(X, V) :- ic(X, Y), Y[inh -> V]."]
    if not plain:
        rules.append("inh_cn(X) :- ic(X, Y), not Y[inh -> %d]." % value)
        if rng.random() < 0.5:
            rules.append("inh_cc(X, N) :- ie(X, Z), N = count{Y [X] ; ic(X, Y), Y[inh -> V]}.")


def edge(rng):
    return "ie(%d, %d)." % (rng.choice(oracle.DOMAIN), rng.choice(oracle.DOMAIN))


def ie_fact(fact):
    return fact.startswith("ie(")


def inheritance_changes(rng):
    """Added facts that change what is inherited: a new member, a new subclass member, an own
    value that defeats an inherited one rules have read, a subclass step."""
    changes = []
    for _ in range(rng.randint(1, 2)):
        kind = rng.randrange(4)
        if kind == 0:
            changes.append("%d : k0." % rng.choice(oracle.DOMAIN))
        elif kind == 1:
            changes.append("%d : k0s." % rng.choice(oracle.DOMAIN))
        elif kind == 2:
            changes.append("%d[inh -> %d]." % (LATE_OWN_HOST, rng.choice(oracle.DOMAIN)))
        else:
            changes.append("k0s :: k0.")
    # Once is enough for the own value.
    return list(dict.fromkeys(changes))


def is_predicate(fact):
    """Whether the fact's text is a predicate's: no molecule, membership or subclass step."""
    return re.match(r"^\w+\(", fact) is not None and "[" not in fact and ":" not in fact


def text_again(first, rules, added, naive, late=0):
    early, new = rules[:len(rules) - late], rules[len(rules) - late:]
    lines = first + early + ["?- sys.eval[]."] + added + new + ([NAIVE_LINE] if naive else [])
    return "\n".join(lines + ["?- sys.eval[]."]) + "\n"


def text_once(first, rules, added):
    return "\n".join(first + added + rules + ["?- sys.eval[]."]) + "\n"


def settings(config):
    """(name, configuration, mode, whether the evaluator has modes) of each evaluator setting."""
    semi_all = config.replace('mode@("seminaive")[].', 'mode@("seminaive")[].\n' + TRIGGER_LINE)
    naive_class = config.replace(SEMI_EVALUATOR, NAIVE_EVALUATOR).replace(
        '?- sys.evaluator.mode@("seminaive")[].', "")
    return [("seminaive-one", config, "seminaive", True),
            ("seminaive-all", semi_all, "seminaive", True),
            ("naive-one", config, "naive", True),
            ("naive-all", semi_all, "naive", True),
            ("withinherit", naive_class, "naive", False)]


def compare(problems, name, models, a, b):
    """Appends a problem when the saved bases of ways a and b differ; True when they agree."""
    if models[a] == models[b]:
        return True
    problems.append("%s, %s against %s:\n  only %s: %s\n  only %s: %s"
                    % (name, a, b, a, sorted(models[a] - models[b])[:8],
                       b, sorted(models[b] - models[a])[:8]))
    return False


def check(job):
    quorin, config, seed, work = job
    first, rules, added, late, predicates_only = program(seed)
    folder = os.path.join(work, str(seed))
    problems, differs = [], False
    for name, setting, mode, modes in settings(config):
        texts = {"again": text_again(first, rules, added, False),
                 "full": text_again(first, rules, added, modes),
                 "rules-again": text_again(first, rules, added, False, late),
                 "rules-full": text_again(first, rules, added, modes, late),
                 "once": text_once(first, rules, added)}
        models = {}
        for way, text in texts.items():
            place = os.path.join(folder, "%s-%s" % (name, way))
            os.makedirs(place, exist_ok=True)
            path = os.path.join(place, "program.flp")
            with open(path, "w") as out:
                out.write(text)
            answers, model = differential.run(quorin, setting, path, place, mode)
            models[way] = model
        missing = [way for way, model in models.items() if model is None]
        if missing:
            problems.append("%s: no saved base for %s" % (name, ", ".join(missing)))
            continue
        compare(problems, name, models, "rules-again", "rules-full")
        if not compare(problems, name, models, "again", "full"):
            continue
        if models["full"] != models["once"]:
            differs = True
        else:
            compare(problems, name, models, "again", "once")
    if problems:
        return (seed, "\n".join(problems), text_again(first, rules, added, False, late), differs,
                predicates_only)
    shutil.rmtree(folder, ignore_errors=True)
    return seed, None, None, differs, predicates_only


def main():
    quorin, work, count, seed, config = setup("incremental_differential", __doc__, 8)
    if SEMI_EVALUATOR not in config:
        sys.exit("incremental_differential: the configuration makes no PrSemiNaive evaluator")
    jobs = int(os.environ.get("QUORIN_JOBS", "4"))
    failed = kept = predicate_programs = 0
    tasks = [(quorin, config, seed + i, work) for i in range(count)]
    with ThreadPoolExecutor(jobs) as pool:
        for number, problem, text, differs, predicates_only in pool.map(check, tasks):
            kept += 1 if differs else 0
            predicate_programs += 1 if predicates_only else 0
            if problem is not None:
                failed += 1
                print("program %d disagrees:\n%s\n%s" % (number, problem, text))
    print("incremental_differential: %d programs from seed %d, %d disagree, %d where facts "
          "derived before outlive the added facts, %d inheriting given predicates only"
          % (count, seed, failed, kept, predicate_programs))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
