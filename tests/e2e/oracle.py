#!/usr/bin/env python3
"""Random stratified programs evaluated by quorin and by clingo, which serves as the reference:
every derived fact must be the same.

Each program is made from its own seed (the run's seed plus the program's number), so that a
disagreement can be made again alone. A program has predicates of arity 1 to 3 over a small
domain of integers, facts, rules with joins and recursion, negation of relations of lower
levels, comparisons, arithmetic assignments and aggregates (count, sum, min, max, with and
without a grouping variable), written as predicates and as method molecules (set-valued methods
read and derived, also through a variable method position, scalar methods given as facts or
derived one value per host by a grouped aggregate). Levels make every program stratifiable: a
rule reads a relation of its own level only positively, and relations of lower levels also under
negation and inside aggregates.

About half the programs also have classes: memberships X : k and subclasses X :: k as facts, rule
heads and body atoms (positive, negated, inside aggregates), so that membership heads negate or
aggregate methods and other classes, and classes derived recursively are negated. Subclass steps
between classes come from facts and from rules with constant positions; a class position may be
a variable in a membership head (X : C, at the first level) and in a read (X : C, at the highest
level), and a subclass position in a head (X :: k, for the classes of the highest level). Some
classes hold an inheritable value of a method of their own (k[f *-> v]), which rules read for
the class's members, positively and negated. Where no subclass position in a head is a variable,
some programs also derive a hierarchy of classes of their own (k7 to k9) through a rule whose
both class positions are variables (C :: D :- vlk(C, D)):
its steps reach none of the other classes, so quorin must give such a program the warnings it
gives the program without that rule and its facts (none, for a program stratified along its
levels).

quorin runs each program with the configuration next to it, in mode "seminaive" and in mode
"naive". clingo gets a translation of the same program made here: methods become predicates,
each aggregate's body becomes an auxiliary predicate over its grouping variables and its
aggregated variable, so that both count and sum fold the distinct values per group; memberships
and subclass steps follow the hierarchy (member/2 and subc/2), and an inherited value is a rule
over the membership in the class holding it. Memberships and subclasses are compared along the
hierarchy (the object base stores the steps only), inherited values through what reads them.

With --two-steps each program is checked in two steps instead: its rules are evaluated first,
then its facts are added and evaluated again (evaluating again starts from what the added clauses
change); where the rules alone store nothing, both modes must reach clingo's model of the whole
program. Programs whose rules store facts alone (an aggregate over nothing) are skipped.

Usage: oracle.py <quorin> <count> <seed> <work folder> [--keep] [--two-steps]
Exits 1 when some program disagrees, printing it and the facts that differ.
"""
import concurrent.futures
import os
import random
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import differential  # noqa: E402  (the dump reader is shared)

DOMAIN = range(0, 5)
# Programs that once disagreed, kept as they were (the generator has changed since): each
# folder entry NAME.flp with its clingo form NAME.lp, checked by every run.
REGRESSIONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "oracle-regressions")
LIMIT = 6


class Relation:
    """A relation of a generated program: a predicate, a set-valued method (host, value), a
    scalar method (host, value), the members of a class (cls), the subclasses of a class (sub),
    or a method whose values are only inherited from a class (inh, host and value)."""

    def __init__(self, kind, name, arity, level):
        self.kind, self.name, self.arity, self.level = kind, name, arity, level
        # Whether rules derive it: the subclasses of a class, written through a variable
        # position, are derived only for the classes of the highest level.
        self.derived = kind not in ("inh", "sub")
        self.holder = None
        self.value = None

    def quorin(self, args):
        if self.kind == "cls":
            return "%s : %s" % (args[0], self.name)
        if self.kind == "sub":
            return "%s :: %s" % (args[0], self.name)
        if self.kind == "inh":
            return "%s[%s -> %s]" % (args[0], self.name, args[1])
        if self.kind == "any":
            return "%s[%s ->> {%s}]" % (args[1], args[0], args[2])
        if self.kind == "pred":
            return "%s(%s)" % (self.name, ", ".join(args))
        arrow = "->>" if self.kind == "set" else "->"
        value = "{%s}" % args[1] if self.kind == "set" else args[1]
        return "%s[%s %s %s]" % (args[0], self.name, arrow, value)

    def clingo(self, args):
        """As a body atom: the classes along their hierarchy."""
        if self.kind == "cls":
            return "member(%s,%s)" % (args[0], self.name)
        if self.kind == "sub":
            return "subc(%s,%s)" % (args[0], self.name)
        return "%s(%s)" % (self.clingo_name(), ",".join(args))

    def clingo_head(self, args):
        """As a head or fact: the stored membership or subclass step."""
        if self.kind == "cls":
            return "isa(%s,%s)" % (args[0], self.name)
        if self.kind == "sub":
            return "sub(%s,%s)" % (args[0], self.name)
        return self.clingo(args)

    def clingo_name(self):
        return {"pred": "", "set": "s_", "scal": "m_", "any": "", "inh": "inh_"}[self.kind] + \
            self.name

    def lexical(self, args):
        """The fact as the dump reader of the differential test gives it."""
        if self.kind == "cls":
            return "%s:%s" % (args[0], self.name)
        if self.kind == "sub":
            return "%s::%s" % (args[0], self.name)
        if self.kind == "pred":
            return "%s(%s)" % (self.name, ",".join(args))
        arrow = "->>" if self.kind == "set" else "->"
        return "%s[%s%s%s]" % (args[0], self.name, arrow, args[1])


class Rule:
    def __init__(self):
        self.quorin_body, self.clingo_body, self.aux = [], [], []
        self.head = None


class Generator:
    def __init__(self, seed, hierarchies=False):
        self.rng = random.Random(seed)
        # Every program has classes and, where no subclass head holds a variable already, the
        # hierarchy of classes of its own (the family of the two-step check).
        self.hierarchies = hierarchies
        self.relations = []
        self.facts = []
        self.rules = []
        self.aux_count = 0
        self.classes = []
        self.subclass_facts = []
        # Facts of class names, the same in both forms: the classes a variable class position
        # takes. No other rule reads them, so no class name becomes a value.
        self.extra_facts = []
        # Facts in clingo's form only: the class names a variable class position takes.
        self.clingo_facts = []

    def pick(self, items):
        return self.rng.choice(items)

    def generate(self):
        rng = self.rng
        self.tp_rounds = rng.choice([0, 0, 0, 1, 2, 4])
        for i in range(rng.randint(2, 3)):
            rel = Relation("pred", "e%d" % i, rng.randint(1, 3), 0)
            self.relations.append(rel)
            for _ in range(rng.randint(2, 7)):
                self.facts.append((rel, [str(self.pick(DOMAIN)) for _ in range(rel.arity)]))
        if rng.random() < 0.6:
            rel = Relation("scal", "ma", 2, 0)
            self.relations.append(rel)
            for host in rng.sample(list(DOMAIN), rng.randint(1, 4)):
                self.facts.append((rel, [str(host), str(self.pick(DOMAIN))]))
        if rng.random() < 0.5:
            rel = Relation("set", "sb", 2, 0)
            self.relations.append(rel)
            for _ in range(rng.randint(1, 5)):
                self.facts.append((rel, [str(self.pick(DOMAIN)), str(self.pick(DOMAIN))]))
        levels = rng.randint(1, 3)
        count = 0
        for level in range(1, levels + 1):
            for _ in range(rng.randint(1, 3)):
                r = rng.random()
                if r < 0.65:
                    rel = Relation("pred", "p%d" % count, rng.randint(1, 3), level)
                elif r < 0.85:
                    rel = Relation("set", "s%d" % count, 2, level)
                else:
                    rel = Relation("scal", "m%d" % count, 2, level)
                count += 1
                self.relations.append(rel)
        if self.hierarchies or rng.random() < 0.5:
            self.make_classes(levels)
        # A variable method position over every set-valued method: X[M ->> {Y}], readable
        # from the level of the highest set-valued method on. Its method variables carry
        # method names, never numbers.
        self.any_rel = None
        sets = [r for r in self.relations if r.kind == "set"]
        if sets and rng.random() < 0.4:
            self.any_rel = Relation("any", "anyset", 3, max(r.level for r in sets))
        for rel in list(self.relations):
            if rel.level == 0 or not rel.derived:
                continue
            if rel.kind == "scal":
                self.scalar_rule(rel)
                continue
            for _ in range(rng.randint(1, 3)):
                self.rule(rel)
        if self.classes:
            self.class_rules(levels)
        self.derived_hierarchy = False
        if (self.classes and not any(sub.derived for _, sub in self.classes)
                and (self.hierarchies or rng.random() < 0.6)):
            self.unrelated_hierarchy()
            if self.hierarchies:
                self.negated_memberships()

    def make_classes(self, levels):
        """Classes k0, k1, ... with levels that do not fall along their index, so that a subclass
        step from a lower to a higher index never reads a class of a higher level; each has its
        members (cls) and its subclasses (sub). Some hold an inheritable value of a method of their
        own, which their members inherit."""
        rng = self.rng
        count = rng.randint(2, 4)
        class_levels = sorted(rng.randint(1, levels) for _ in range(count))
        for i, level in enumerate(class_levels):
            cls = Relation("cls", "k%d" % i, 1, level)
            sub = Relation("sub", "k%d" % i, 1, level)
            self.classes.append((cls, sub))
            self.relations += [cls, sub]
            for _ in range(rng.randint(0, 3)):
                self.facts.append((cls, [str(self.pick(DOMAIN))]))
            if rng.random() < 0.3:
                self.facts.append((sub, [str(self.pick(DOMAIN))]))
        top = max(class_levels)
        for cls, sub in self.classes:
            # Through a variable subclass position any class may end below the class, so only
            # the classes of the highest level take one.
            sub.derived = sub.level == top and rng.random() < 0.5
        for a in range(count):
            for b in range(a + 1, count):
                if rng.random() < 0.3:
                    self.subclass_facts.append(("k%d" % a, "k%d" % b))
        for i, (cls, _) in enumerate(self.classes):
            # Fewer in the two-step family: evaluating again after facts that may change what
            # is inherited starts from the whole base.
            if rng.random() < (0.1 if self.hierarchies else 0.35):
                inh = Relation("inh", "f%d" % i, 2, cls.level)
                inh.holder, inh.value = cls.name, str(self.pick(DOMAIN))
                self.relations.append(inh)

    def class_rules(self, levels):
        """Subclass steps that rules make between constant classes, a membership whose class is a
        variable (at the first level, so that every class waits for it), and reads of a variable
        class (at the highest level, where nothing reads what they give)."""
        rng = self.rng
        names = [cls.name for cls, _ in self.classes]
        for a in range(len(self.classes)):
            for b in range(a + 1, len(self.classes)):
                if rng.random() < 0.15:
                    self.step_rule(a, b)
        if rng.random() < 0.3:
            chosen = [cls.name for cls, _ in self.classes if rng.random() < 0.6] or names[:1]
            for name in chosen:
                self.extra_facts.append("cl(%s)" % name)
            body_names = iter("V%d" % i for i in range(100))
            quorin, clingo, vars_, _ = self.body(1, None, body_names, False)
            if vars_:
                x = self.pick(vars_)
                self.rules.append(("%s : C :- %s, cl(C)." % (x, ", ".join(quorin)),
                                   ["isa(%s,C) :- %s, cl(C)." % (x, ", ".join(clingo))]))
        top = [r for r in self.relations if r.kind == "pred" and r.level == levels]
        if top and rng.random() < 0.3:
            # Negated, the classes must be complete: lower than the rule, and no variable
            # subclass position (through which any class may be below any other).
            lower = [cls.name for cls, _ in self.classes if cls.level < levels]
            negated = (lower and not any(sub.derived for _, sub in self.classes)
                       and rng.random() < 0.5)
            readable = lower if negated else names
            for name in readable:
                if rng.random() < 0.6:
                    self.extra_facts.append("cr(%s)" % name)
            self.extra_facts.append("cr(%s)" % readable[-1])
            head = self.pick(top)
            body_names = iter("V%d" % i for i in range(100))
            quorin, clingo, vars_, _ = self.body(levels, None, body_names, False)
            if vars_:
                x = self.pick(vars_)
                neg = "not " if negated else ""
                quorin += ["cr(C)", "%s%s : C" % (neg, x)]
                clingo += ["cr(C)", "%smember(%s,C)" % (neg, x)]
                args = [self.pick(vars_) for _ in range(head.arity)]
                self.rules.append(("%s :- %s." % (head.quorin(args), ", ".join(quorin)),
                                   ["%s :- %s." % (head.clingo_head(args), ", ".join(clingo))]))

    def unrelated_hierarchy(self):
        """Subclass steps between classes of their own, derived through variable positions from
        facts of a relation that nothing else reads."""
        names = ["k7", "k8", "k9"]
        pairs = [(a, b) for i, a in enumerate(names) for b in names[i + 1:]]
        for a, b in self.rng.sample(pairs, self.rng.randint(1, 3)):
            self.extra_facts.append("vlk(%s,%s)" % (a, b))
        # Where other rules derive subclass steps, a rule reading the subclass relation reads
        # theirs too, and what those rules read (memberships, say) may really tie it to the rest.
        steps_derived = any("::" in q.split(":-")[0] for q, _ in self.rules)
        if steps_derived or self.rng.random() < 0.5:
            self.rules.append(("C :: D :- vlk(C, D).", ["sub(C,D) :- vlk(C,D)."]))
        else:
            # The same closure, reading the subclass relation the rule makes (E :: E holds for
            # every class, so a step of vlk is a step of the hierarchy too).
            self.rules.append(("C :: D :- vlk(C, E), E :: D.",
                               ["sub(C,E) :- vlk(C,E).", "sub(C,D) :- vlk(C,E), subc(E,D)."]))
        self.derived_hierarchy = True

    def negated_memberships(self):
        """Members of k5 derived from a relation that rules derive, and members of k6: objects
        of a relation of facts that are not members of k5. Above a hierarchy derived through
        variables, the memberships must be complete before they are negated."""
        derived = [r for r in self.relations if r.kind == "pred" and r.derived and r.level >= 1]
        given = [r for r in self.relations if r.kind == "pred" and r.level == 0]
        if not derived or not given:
            return
        source, base = self.pick(derived), self.pick(given)
        args = ["V%d" % i for i in range(source.arity)]
        x = self.pick(args)
        self.rules.append(("%s : k5 :- %s." % (x, source.quorin(args)),
                           ["isa(%s,k5) :- %s." % (x, source.clingo(args))]))
        args = ["W%d" % i for i in range(base.arity)]
        y = self.pick(args)
        self.rules.append(("%s : k6 :- %s, not %s : k5." % (y, base.quorin(args), y),
                           ["isa(%s,k6) :- %s, not member(%s,k5)." % (y, base.clingo(args), y)]))

    def step_rule(self, a, b):
        """ka :: kb derived by a rule of kb's level."""
        level = self.classes[b][0].level
        names = iter("V%d" % i for i in range(100))
        quorin, clingo, _, _ = self.body(level, None, names, False)
        self.rules.append(("k%d :: k%d :- %s." % (a, b, ", ".join(quorin)),
                           ["sub(k%d,k%d) :- %s." % (a, b, ", ".join(clingo))]))

    def readable(self, level, strict):
        found = self.relations + ([self.any_rel] if self.any_rel is not None else [])
        return [r for r in found if (r.level < level if strict else r.level <= level)]

    def any_args(self, vars_, bound, fresh, syms):
        """Method, host and value of a variable-method atom."""
        if syms and self.rng.random() < 0.5:
            method = self.pick(syms)
        else:
            method = "M" + fresh()
            syms.append(method)
        return [method] + self.atom(Relation("pred", "", 2, 0), vars_, bound, fresh)

    def atom(self, rel, vars_, bound, fresh, allow_const=True):
        """Arguments for a positive atom: known variables, new ones or constants."""
        if rel.kind == "sub":
            # A free subclass position would also give the class itself and the classes below
            # it: class names must not become values.
            return [self.pick(vars_) if vars_ else str(self.pick(DOMAIN))]
        args = []
        for _ in range(rel.arity):
            r = self.rng.random()
            if r < 0.1 and allow_const:
                args.append(str(self.pick(DOMAIN)))
            elif r < 0.6 and vars_:
                args.append(self.pick(vars_))
            else:
                v = fresh()
                vars_.append(v)
                args.append(v)
        for a in args:
            if a[0].isupper():
                bound.add(a)
        return args

    def body(self, level, rule, names, strict_positive):
        """A positive part, maybe a negation, a comparison and an assignment; answers the bound
        variables in order of appearance."""
        rng = self.rng
        vars_, bound = [], set()
        fresh = lambda: next(names)
        quorin, clingo, syms = [], [], []
        positive = self.readable(level, strict_positive)
        for _ in range(rng.randint(1, 3)):
            rel = self.pick(positive)
            if rel.kind == "any":
                args = self.any_args(vars_, bound, fresh, syms)
            else:
                args = self.atom(rel, vars_, bound, fresh)
            quorin.append(rel.quorin(args))
            clingo.append(rel.clingo(args))
        lower = [r for r in self.readable(level, True) if r.kind != "any" or syms]
        if lower and rng.random() < 0.5:
            rel = self.pick(lower)
            args = [self.pick(syms)] if rel.kind == "any" else []
            for _ in range(rel.arity - len(args)):
                r = rng.random()
                if r < 0.15:
                    args.append(str(self.pick(DOMAIN)))
                elif r < 0.25 and (rel.kind == "pred" or len(args) == 1):
                    args.append("_")
                elif vars_:
                    args.append(self.pick(vars_))
                else:
                    args.append(str(self.pick(DOMAIN)))
            quorin.append("not " + rel.quorin(args))
            clingo.append("not " + rel.clingo(args))
        if vars_ and rng.random() < 0.4:
            op = self.pick(["<", ">", "<=", ">="])
            right = self.pick(vars_) if rng.random() < 0.4 else str(self.pick(DOMAIN))
            left = self.pick(vars_)
            quorin.append("%s %s %s" % (left, op, right))
            clingo.append("%s %s %s" % (left, op, right))
        if vars_ and rng.random() < 0.35:
            op = self.pick(["+", "-", "*"])
            x = self.pick(vars_)
            y = self.pick(vars_) if rng.random() < 0.3 else str(rng.randint(1, 2))
            z = fresh()
            quorin.append("%s = %s %s %s" % (z, x, op, y))
            quorin.append("%s <= %d" % (z, LIMIT))
            quorin.append("%s >= 0" % z)
            clingo.append("%s = %s %s %s" % (z, x, op, y))
            clingo.append("%s <= %d" % (z, LIMIT))
            clingo.append("%s >= 0" % z)
            vars_.append(z)
        # Written in an order that is not always a safe one: the evaluator orders the body.
        order = list(range(len(quorin)))
        if rng.random() < 0.3:
            rng.shuffle(order)
        return [quorin[i] for i in order], [clingo[i] for i in order], vars_, syms

    def aggregate(self, level, names, group_count):
        """An aggregate over relations of lower levels: (quorin term, clingo literals, result
        variable, grouping variables), or None."""
        rng = self.rng
        if not self.readable(level, True):
            return None
        # The aggregate's own variables take the names the outer rule uses too.
        local = iter("V%d" % i for i in range(100))
        quorin, clingo, vars_, syms = self.body(level, None, local, True)
        if len(vars_) < group_count + 1:
            return None
        op = self.pick(["count", "sum", "min", "max"])
        # Method names are counted, never added or compared.
        agg_var = self.pick(vars_ + syms if op == "count" else vars_)
        groups = rng.sample([v for v in vars_ if v != agg_var], group_count)
        self.aux_count += 1
        result = "N%d" % self.aux_count
        # Grouping variables keep their names outside; the other variables are the aggregate's.
        rename = {v: "G%d_%d" % (self.aux_count, i) for i, v in enumerate(groups)}
        def outer(text):
            return re.sub(r"\b(V\d+)\b", lambda m: rename.get(m.group(1), m.group(1)), text)
        quorin = [outer(q) for q in quorin]
        group_names = [rename[g] for g in groups]
        term = "%s{%s%s ; %s}" % (op, agg_var, " [%s]" % ", ".join(group_names) if groups else "",
                                  ", ".join(quorin))
        aux = "aux%d" % self.aux_count
        cl_vars = group_names + [agg_var]
        aux_rule = "%s(%s) :- %s." % (aux, ",".join(cl_vars), ", ".join(outer(c) for c in clingo))
        cl_op = "#" + op
        lits = []
        if groups:
            lits.append("%s(%s,_)" % (aux, ",".join(group_names)))
        elif op in ("min", "max"):
            lits.append("%s(_)" % aux)
        lits.append("%s = %s{AGG : %s(%s)}" % (result, cl_op, aux, ",".join(group_names + ["AGG"])))
        return "%s = %s" % (result, term), lits, aux_rule, result, group_names

    def rule(self, rel):
        rng = self.rng
        names = iter("V%d" % i for i in range(100))
        quorin, clingo, vars_, _ = self.body(rel.level, None, names, False)
        aux_rules = []
        if rng.random() < 0.3:
            agg = self.aggregate(rel.level, names, self.pick([0, 0, 1, 1, 2]))
            if agg is not None:
                q, lits, aux_rule, result, groups = agg
                # An outer literal may share a name with the aggregate's own variables.
                quorin.insert(rng.randint(0, len(quorin)), q)
                clingo.extend(lits)
                aux_rules.append(aux_rule)
                vars_ = vars_ + [result] + groups
                # The outside may join on the aggregate's value or its groups.
                if rng.random() < 0.4:
                    joined = self.pick([r for r in self.readable(rel.level, False)
                                        if r.kind == "pred"] or [None])
                    if joined is not None:
                        jargs = [self.pick([result] + groups + vars_) for _ in range(joined.arity)]
                        quorin.append(joined.quorin(jargs))
                        clingo.append(joined.clingo(jargs))
        if rng.random() < 0.15 and len(quorin) >= 2:
            # Two method atoms of one host in one molecule.
            self.merge_molecules(quorin)
        if not vars_:
            return
        heads = [rel]
        # Now and then a second head of the same level, which derives with the first.
        others = [r for r in self.relations
                  if r.level == rel.level and r.kind != "scal" and r.derived and r is not rel]
        if others and rng.random() < 0.1:
            heads.append(self.pick(others))
        q_heads, c_rules = [], list(aux_rules)
        for head in heads:
            args = [self.pick(vars_) if rng.random() < 0.9 else str(self.pick(DOMAIN))
                    for _ in range(head.arity)]
            q_heads.append(head.quorin(args))
            c_rules.append("%s :- %s." % (head.clingo_head(args), ", ".join(clingo)))
        self.rules.append(("%s :- %s." % (", ".join(q_heads), ", ".join(quorin)), c_rules))

    def merge_molecules(self, quorin):
        """Joins two positive method atoms on the same host into one molecule, in place."""
        atoms = [(i, re.match(r"^(\w+)\[(.*)\]$", q)) for i, q in enumerate(quorin)]
        atoms = [(i, m) for i, m in atoms if m]
        for a in range(len(atoms)):
            for b in range(a + 1, len(atoms)):
                (i, m), (j, n) = atoms[a], atoms[b]
                if m.group(1) == n.group(1):
                    quorin[i] = "%s[%s; %s]" % (m.group(1), m.group(2), n.group(2))
                    del quorin[j]
                    return

    def scalar_rule(self, rel):
        names = iter("V%d" % i for i in range(100))
        agg = self.aggregate(rel.level, names, 1)
        if agg is None:
            self.relations.remove(rel)
            return
        q, lits, aux_rule, result, groups = agg
        args = [groups[0], result]
        self.rules.append(("%s :- %s." % (rel.quorin(args), q),
                           [aux_rule, "%s :- %s." % (rel.clingo(args), ", ".join(lits))]))

    def fact_lines(self):
        """The program's facts, subclass steps and inheritable values, one clause a line."""
        lines = ["%s." % rel.quorin(args) for rel, args in self.facts]
        lines += ["%s :: %s." % step for step in self.subclass_facts]
        lines += ["%s." % fact for fact in self.extra_facts]
        for rel in self.relations:
            if rel.kind == "inh":
                lines.append("%s[%s *-> %s]." % (rel.holder, rel.name, rel.value))
        return lines

    def quorin_text(self):
        lines = self.fact_lines()
        lines += [q for q, _ in self.rules]
        # Now and then single rounds first: eval must still reach the same model. Not with
        # inheritable values: single rounds inherit only once an evaluation has analysed the
        # program, so what they derive from a value not yet inherited stays.
        if not any(rel.kind == "inh" for rel in self.relations):
            lines += ["?- sys.tp[]."] * self.tp_rounds
        lines.append("?- sys.eval[].")
        return "\n".join(lines) + "\n"

    def two_step_texts(self):
        """The program in two steps, each evaluated: its rules alone, then its facts. The first
        text is the rules with their evaluation; the second adds the facts and evaluates again.
        Where the first evaluation stores nothing, the second must reach the model of the
        whole program."""
        rules = "".join("%s\n" % q for q, _ in self.rules) + "?- sys.eval[].\n"
        lines = self.fact_lines()
        lines.append("?- sys.eval[].")
        return rules, rules + "\n".join(lines) + "\n"

    def clingo_text(self):
        lines = ["%s." % rel.clingo_head(args) for rel, args in self.facts]
        lines += ["sub(%s,%s)." % step for step in self.subclass_facts]
        lines += ["%s." % fact for fact in self.extra_facts]
        if self.classes:
            # The members of a class are also those of the classes below it; the subclass
            # relation is transitive (and reflexive, which the comparison leaves out).
            lines += ["subc(X,Y) :- sub(X,Y).", "subc(X,Z) :- sub(X,Y), subc(Y,Z).",
                      "member(X,C) :- isa(X,C).", "member(X,C) :- isa(X,D), subc(D,C).",
                      "#show member/2.", "#show subc/2."]
        for rel in self.relations:
            if rel.kind == "inh":
                lines.append("inh_%s(X,%s) :- member(X,%s)." % (rel.name, rel.value, rel.holder))
        for _, cl in self.rules:
            lines += cl
        if self.any_rel is not None:
            for rel in self.relations:
                if rel.kind == "set":
                    lines.append("anyset(%s,X,Y) :- %s(X,Y)." % (rel.name, rel.clingo_name()))
        for rel in self.relations:
            if rel.kind in ("pred", "set", "scal"):
                lines.append("#show %s/%d." % (rel.clingo_name(), rel.arity))
        return "\n".join(lines) + "\n"


def clingo_model(gen, text, folder):
    path = os.path.join(folder, "program.lp")
    with open(path, "w") as out:
        out.write(text)
    done = subprocess.run(["clingo", "--outf=2", "-n", "0", path], stdout=subprocess.PIPE,
                          stderr=subprocess.PIPE, timeout=60)
    import json
    result = json.loads(done.stdout.decode())
    witnesses = result["Call"][0].get("Witnesses", [])
    if len(witnesses) != 1:
        raise RuntimeError("clingo found %d models" % len(witnesses))
    by_name = {rel.clingo_name(): rel for rel in gen.relations
               if rel.kind in ("pred", "set", "scal")}
    facts = set()
    for atom in witnesses[0]["Value"]:
        m = re.match(r"(\w+)\((.*)\)$", atom)
        args = m.group(2).split(",")
        if m.group(1) in ("member", "subc"):
            if args[0] != args[1]:
                facts.add(("%s:%s" if m.group(1) == "member" else "%s::%s") % tuple(args))
            continue
        rel = by_name[m.group(1)]
        facts.add(rel.lexical(args))
    return facts


CLASS_FACT = re.compile(r"^([^:\[\]]+)(::?)([^:\[\]]+)$")


def class_closure(model):
    """The memberships and subclass steps of a dump along the hierarchy, as member and subc
    facts "x:c" and "x::c" of the generated classes (k0, k1, ...), the reflexive ones left out."""
    isa, sub = set(), set()
    for fact in model:
        m = CLASS_FACT.match(fact)
        if m:
            (isa if m.group(2) == ":" else sub).add((m.group(1), m.group(3)))
    above = {}
    for lower, upper in sub:
        above.setdefault(lower, set()).add(upper)
    def closure(name):
        seen, work = set(), [name]
        while work:
            for upper in above.get(work.pop(), ()):
                if upper not in seen:
                    seen.add(upper)
                    work.append(upper)
        return seen
    found = set()
    for lower in {l for l, _ in sub}:
        for upper in closure(lower):
            if upper != lower and re.match(r"k\d+$", upper):
                found.add("%s::%s" % (lower, upper))
    for member, cls in isa:
        for upper in {cls} | closure(cls):
            if upper != member and re.match(r"k\d+$", upper):
                found.add("%s:%s" % (member, upper))
    return found


def warnings(errors):
    """The warnings of a run's standard error, without the lines they name."""
    return sorted(re.sub(r" \(rule at line \d+\)", "", line)
                  for line in errors.splitlines() if "not stratifiable" in line)


def quorin_model(quorin, config, gen, text, folder, mode, errors=None):
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "program.flp")
    with open(path, "w") as out:
        out.write(text)
    _, model = differential.run(quorin, config, path, folder, mode, errors=errors)
    if model is None:
        return None
    known = set()
    # Classes are compared along their hierarchy; inherited values through what reads them.
    for rel in gen.relations:
        if rel.kind in ("pred", "set", "scal"):
            known.add(rel.name)
    kept = class_closure(model)
    for fact in model:
        m = re.match(r"(\w+)\(", fact) or re.match(r"[^\[]*\[(\w+)", fact)
        if m and m.group(1) in known:
            kept.add(fact)
    return kept


class Stored:
    """A kept program: its relations are those that its clingo form shows."""

    def __init__(self, name):
        with open(os.path.join(REGRESSIONS, name + ".flp")) as text:
            self.q_text = text.read()
        with open(os.path.join(REGRESSIONS, name + ".lp")) as text:
            self.c_text = text.read()
        self.relations = []
        for shown, arity in re.findall(r"#show (\w+)/(\d+)\.", self.c_text):
            kind = {"s_": "set", "m_": "scal"}.get(shown[:2], "pred")
            name_ = shown[2:] if kind != "pred" else shown
            self.relations.append(Relation(kind, name_, int(arity), 0))


def check_two_steps(args):
    """The program's rules evaluated, then its facts added and evaluated again, in both modes:
    where the first evaluation stores nothing, the model must be clingo's for the whole
    program."""
    quorin, config, seed, work, keep = args
    gen = Generator(seed, hierarchies=True)
    gen.generate()
    first, both = gen.two_step_texts()
    folder = os.path.join(work, str(seed))
    os.makedirs(folder, exist_ok=True)
    stored = quorin_model(quorin, config, gen, first, os.path.join(folder, "rules"), "seminaive")
    if stored is None or stored:
        shutil.rmtree(folder, ignore_errors=True)
        return seed, None, "the rules alone store facts"
    try:
        expected = clingo_model(gen, gen.clingo_text(), folder)
    except Exception as failure:  # the reference could not judge this program
        return seed, None, "clingo: %s" % failure
    report = []
    warned = []
    for mode in ("seminaive", "naive"):
        errors = []
        actual = quorin_model(quorin, config, gen, both, os.path.join(folder, mode), mode,
                              errors)
        if warnings(errors[0]):
            # Not stratifiable (a read of every class meets the negated one): evaluated in
            # rounds, warned, and not held to the stratified model.
            warned.append(mode)
        elif actual is None:
            report.append("%s: no dump" % mode)
        elif actual != expected:
            report.append("%s, two steps:\n  only quorin: %s\n  only clingo: %s"
                          % (mode, sorted(actual - expected)[:8], sorted(expected - actual)[:8]))
    if not report and not keep:
        shutil.rmtree(folder, ignore_errors=True)
    if report:
        return seed, "\n".join(report), both
    if warned:
        return seed, None, "warned as not stratifiable in %s" % ", ".join(warned)
    return seed, None, None


def check(args):
    quorin, config, seed, work, keep = args
    if isinstance(seed, str):
        gen = Stored(seed)
        q_text, c_text = gen.q_text, gen.c_text
    else:
        gen = Generator(seed)
        gen.generate()
        q_text, c_text = gen.quorin_text(), gen.clingo_text()
    folder = os.path.join(work, str(seed))
    os.makedirs(folder, exist_ok=True)
    try:
        expected = clingo_model(gen, c_text, folder)
    except Exception as failure:  # the reference could not judge this program
        return seed, None, "clingo: %s" % failure
    report = []
    for mode in ("seminaive", "naive"):
        errors = []
        actual = quorin_model(quorin, config, gen, q_text, os.path.join(folder, mode), mode,
                              errors)
        if actual is None:
            report.append("%s: no dump" % mode)
        elif actual != expected:
            report.append("%s:\n  only quorin: %s\n  only clingo: %s"
                          % (mode, sorted(actual - expected)[:8], sorted(expected - actual)[:8]))
        if getattr(gen, "derived_hierarchy", False):
            # The hierarchy of classes of its own ties no other class into a recursion.
            alone = []
            without = "".join(line for line in q_text.splitlines(True) if "vlk" not in line)
            quorin_model(quorin, config, gen, without, os.path.join(folder, mode + "-alone"),
                         mode, alone)
            if warnings(errors[0]) != warnings(alone[0]):
                report.append("%s: warnings %s, without the hierarchy rule %s"
                              % (mode, warnings(errors[0]), warnings(alone[0])))
    if not report and not keep:
        shutil.rmtree(folder, ignore_errors=True)
    if report:
        return seed, "\n".join(report), q_text
    return seed, None, None


def main():
    argv = [a for a in sys.argv[1:] if a not in ("--keep", "--two-steps")]
    keep = "--keep" in sys.argv
    two_steps = "--two-steps" in sys.argv
    if len(argv) != 4:
        sys.exit(__doc__)
    quorin, count, seed, work = os.path.abspath(argv[0]), int(argv[1]), int(argv[2]), argv[3]
    with open(os.path.join(os.path.dirname(quorin), "config.flp")) as text:
        config = text.read()
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    jobs = int(os.environ.get("QUORIN_JOBS", "4"))
    failed = skipped = 0
    seeds = [seed + i for i in range(count)]
    if not two_steps:
        seeds += sorted(f[:-4] for f in os.listdir(REGRESSIONS) if f.endswith(".flp"))
    tasks = [(quorin, config, s, os.path.abspath(work), keep) for s in seeds]
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        for number, problem, text in pool.map(check_two_steps if two_steps else check, tasks):
            if problem is None and text is not None:
                skipped += 1
                print("program %s skipped (%s)" % (number, text))
            elif problem is not None:
                failed += 1
                print("program %s disagrees:\n%s\n%s" % (number, problem, text))
    print("oracle: %d programs from seed %d and %d kept ones, %d disagree, %d skipped"
          % (count, seed, len(seeds) - count, failed, skipped))
    sys.exit(1 if failed else 0)


if __name__ == "__main__":
    main()
