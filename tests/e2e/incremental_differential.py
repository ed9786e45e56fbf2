#!/usr/bin/env python3
"""Random stratified programs (negation, aggregates, predicates, set and scalar methods, class
memberships, now and then inheritance) evaluated, given more facts (and rules) and evaluated
again. Each program runs five ways with each of two evaluators: PrSemiNaive in every
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
    # Inheritance now and then: a class value the members of k0 inherit, read by a rule.
    if rng.random() < 0.2:
        facts.append("k0[inh *-> %d]." % rng.choice(oracle.DOMAIN))
        rules.append("inh_p(X, Y) :- X[inh -> Y].")
    rng.shuffle(facts)
    # The added facts: some of the program's, and a few new ones of its base relations.
    cut = rng.randint(len(facts) // 2, len(facts))
    first, added = facts[:cut], facts[cut:]
    base = [rel for rel in gen.relations if rel.level == 0]
    for _ in range(rng.randint(0, 4)):
        rel = rng.choice(base)
        if rel.kind == "scal":
            continue  # a second value of a scalar method would equate two numbers
        added.append("%s." % rel.quorin([str(rng.choice(oracle.DOMAIN))
                                         for _ in range(rel.arity)]))
    if rng.random() < 0.1:
        added.append("unrelated(fact).")
    # The rules that come with the added facts in "rules-again": none, some or all.
    late = rng.randint(0, len(rules))
    return first, rules, added, late


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
    first, rules, added, late = program(seed)
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
        return seed, "\n".join(problems), text_again(first, rules, added, False, late), differs
    shutil.rmtree(folder, ignore_errors=True)
    return seed, None, None, differs


def main():
    quorin, work, count, seed, config = setup("incremental_differential", __doc__, 8)
    if SEMI_EVALUATOR not in config:
        sys.exit("incremental_differential: the configuration makes no PrSemiNaive evaluator")
    jobs = int(os.environ.get("QUORIN_JOBS", "4"))
    failed = kept = 0
    tasks = [(quorin, config, seed + i, work) for i in range(count)]
    with ThreadPoolExecutor(jobs) as pool:
        for number, problem, text, differs in pool.map(check, tasks):
            kept += 1 if differs else 0
            if problem is not None:
                failed += 1
                print("program %d disagrees:\n%s\n%s" % (number, problem, text))
    print("incremental_differential: %d programs from seed %d, %d disagree, %d where facts "
          "derived before outlive the added facts" % (count, seed, failed, kept))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
