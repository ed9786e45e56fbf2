#!/usr/bin/env python3
"""Random stratified programs (negation, aggregates, predicates, set and scalar methods, class
memberships, now and then inheritance) evaluated, given more facts and evaluated again. Each
program runs three ways, in every combination of evaluation mode ("naive", "seminaive") and
trigger mode ("oneTrigger", "allTriggers"):

  again:  the first facts and the rules, eval, the added facts, eval;
  full:   the same, but a rule that derives nothing comes with the added facts, so the second
          evaluation has to match every rule against the whole base once more;
  once:   all facts and the rules, one eval.

"again" and "full" must end with the same saved base (its facts as a set) and the same answers.
"again" and "once" must too, unless "full" and "once" differ already: facts derived before are
kept, so a negation or an aggregate over a relation that the added facts extend can leave more
facts than one evaluation of everything derives; such programs are counted.

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

# A rule whose body no fact or head supplies.
IDLE_RULE = "idle_h(X) :- idle_b(X)."
TRIGGER_LINE = '?- sys.evaluator.mode@("allTriggers")[].'


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
    return first, rules, added


def text_again(first, rules, added, idle):
    lines = first + rules + ["?- sys.eval[]."] + added + ([IDLE_RULE] if idle else [])
    return "\n".join(lines + ["?- sys.eval[]."]) + "\n"


def text_once(first, rules, added):
    return "\n".join(first + added + rules + ["?- sys.eval[]."]) + "\n"


def check(job):
    quorin, config, seed, work = job
    first, rules, added = program(seed)
    folder = os.path.join(work, str(seed))
    texts = {"again": text_again(first, rules, added, False),
             "full": text_again(first, rules, added, True),
             "once": text_once(first, rules, added)}
    problems, differs = [], False
    for mode in ("seminaive", "naive"):
        for trigger in ("one", "all"):
            setting = config if trigger == "one" else config.replace(
                'mode@("seminaive")[].', 'mode@("seminaive")[].\n' + TRIGGER_LINE)
            models = {}
            for way, text in texts.items():
                place = os.path.join(folder, "%s-%s-%s" % (mode, trigger, way))
                os.makedirs(place, exist_ok=True)
                path = os.path.join(place, "program.flp")
                with open(path, "w") as out:
                    out.write(text)
                answers, model = differential.run(quorin, setting, path, place, mode)
                models[way] = model
            if models["again"] is None or models["full"] is None:
                problems.append("%s/%s: no saved base" % (mode, trigger))
                continue
            if models["again"] != models["full"]:
                problems.append("%s/%s, again against full:\n  only again: %s\n  only full: %s"
                                % (mode, trigger, sorted(models["again"] - models["full"])[:8],
                                   sorted(models["full"] - models["again"])[:8]))
            elif models["full"] != models["once"]:
                differs = True
            elif models["again"] != models["once"]:
                problems.append("%s/%s, again against once" % (mode, trigger))
    if problems:
        return seed, "\n".join(problems), texts["again"], differs
    shutil.rmtree(folder, ignore_errors=True)
    return seed, None, None, differs


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    quorin, work = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    count = int(sys.argv[3]) if len(sys.argv) > 3 else 8
    seed = int(sys.argv[4]) if len(sys.argv) > 4 else 1
    with open(os.path.join(os.path.dirname(quorin), "config.flp")) as text:
        config = text.read()
    if 'mode@("seminaive")[].' not in config:
        sys.exit("incremental_differential: the configuration does not choose mode seminaive")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
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
