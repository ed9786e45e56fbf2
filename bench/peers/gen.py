#!/usr/bin/env python3
"""Writes one benchmark workload in three languages: F-Logic for Quorin (predicate and method
forms), Prolog with tabling for SWI-Prolog (right- and left-recursive closures) and ASP for clingo.

Usage: gen.py <workload> <size> <folder>
  workload: chain (transitive closure of a chain of <size> nodes), random (transitive closure of a
  random graph of <size> nodes and 5 * <size> distinct edges, no loops, fixed seed) or tree (same
  generation on a tree of <size> nodes, node i under node (i-1) div 2), triangle (the directed
  triangles, every rotation counted, of a random graph of 2000 nodes and <size> distinct edges, no
  loops, fixed seed) or cycle4 (the directed 4-cycles of such a graph, each as one f(A,B,C,D)),
  rules (a chain of <size> non-recursive rules p<i>(X,Y) :- p<i-1>(X,Z), e(Z,Y) over 100 facts of
  p0 and of e, each p<i> 100 rows, pK counted), shuffled (the same rules in a fixed random order)
  or independent (<size> rules q<i>(X) :- r<i>(X), each over its own fact, every q<i> counted).
Files written: quorin.flp, quorin-method.flp, swi.pl, swi-left.pl, clingo.lp; the join workloads
(triangle, cycle4) and the rule workloads (rules, shuffled, independent) have no method or
left-recursive form and write quorin.flp, swi.pl and clingo.lp.
"""
import os
import random
import sys


def chain(n):
    return [(i, i + 1) for i in range(n - 1)]


def random_graph(n, wanted=None):
    rng = random.Random(20261207)
    if wanted is None:
        wanted = 5 * n
    edges = set()
    while len(edges) < wanted:
        a, b = rng.randrange(n), rng.randrange(n)
        if a != b:
            edges.add((a, b))
    return sorted(edges)


def tree(n):
    return [(i, (i - 1) // 2) for i in range(1, n)]


def node(i):
    return "n%d" % i


def facts(name, pairs):
    return "".join("%s(%s,%s).\n" % (name, node(a), node(b)) for a, b in pairs)


def write(folder, file, text):
    with open(os.path.join(folder, file), "w") as out:
        out.write(text)


def closure_files(folder, pairs):
    data = facts("edge", pairs)
    write(folder, "quorin.flp",
          data + "tc(X,Y) :- edge(X,Y).\ntc(X,Y) :- edge(X,Z), tc(Z,Y).\n"
          "?- sys.eval[].\n?- N = count{Y [X] ; tc(X,Y)}.\n")
    write(folder, "quorin-method.flp",
          data + "X[tc->>{Y}] :- edge(X,Y).\nX[tc->>{Y}] :- edge(X,Z), Z[tc->>{Y}].\n"
          "?- sys.eval[].\n?- N = count{Y [X] ; X[tc->>{Y}]}.\n")
    main = ":- initialization(main, main).\nmain :- aggregate_all(count, tc(_,_), N), " \
           "write(N), nl.\n"
    write(folder, "swi.pl",
          ":- table tc/2.\n" + data + "tc(X,Y) :- edge(X,Y).\ntc(X,Y) :- edge(X,Z), tc(Z,Y).\n"
          + main)
    write(folder, "swi-left.pl",
          ":- table tc/2.\n" + data + "tc(X,Y) :- edge(X,Y).\ntc(X,Y) :- tc(X,Z), edge(Z,Y).\n"
          + main)
    write(folder, "clingo.lp",
          data + "tc(X,Y) :- edge(X,Y).\ntc(X,Y) :- edge(X,Z), tc(Z,Y).\n"
          "count(N) :- N = #count{X,Y : tc(X,Y)}.\n#show count/1.\n")


def same_generation_files(folder, pairs):
    data = facts("par", pairs)
    rules = "sg(X,Y) :- par(X,P), par(Y,P).\nsg(X,Y) :- par(X,A), sg(A,B), par(Y,B).\n"
    write(folder, "quorin.flp",
          data + rules + "?- sys.eval[].\n?- N = count{Y [X] ; sg(X,Y)}.\n")
    write(folder, "quorin-method.flp",
          data + "X[sg->>{Y}] :- par(X,P), par(Y,P).\n"
          "X[sg->>{Y}] :- par(X,A), A[sg->>{B}], par(Y,B).\n"
          "?- sys.eval[].\n?- N = count{Y [X] ; X[sg->>{Y}]}.\n")
    main = ":- initialization(main, main).\nmain :- aggregate_all(count, sg(_,_), N), " \
           "write(N), nl.\n"
    write(folder, "swi.pl", ":- table sg/2.\n" + data + rules + main)
    # Same generation has no left-recursive form of its own: the same program twice.
    write(folder, "swi-left.pl", ":- table sg/2.\n" + data + rules + main)
    write(folder, "clingo.lp",
          data + rules + "count(N) :- N = #count{X,Y : sg(X,Y)}.\n#show count/1.\n")


# Join nodes of the triangle and 4-cycle graphs: with 2000 nodes the expected counts are
# (edges / 2000) ** 3 triangles and (edges / 2000) ** 4 4-cycles.
JOIN_NODES = 2000


def join_files(folder, pairs, variables):
    """One rule joining edge literals around a cycle through the variables, the cycles counted."""
    data = facts("edge", pairs)
    body = ", ".join("edge(%s,%s)" % (variables[i], variables[(i + 1) % len(variables)])
                     for i in range(len(variables)))
    row = ",".join(variables)
    write(folder, "quorin.flp",
          data + "ck(f(%s)) :- %s.\n?- sys.eval[].\n?- N = count{K ; ck(K)}.\n" % (row, body))
    write(folder, "swi.pl",
          ":- initialization(main, main).\n" + data + "ck(%s) :- %s.\n" % (row, body)
          + "main :- aggregate_all(count, ck(%s), N), write(N), nl.\n"
          % ",".join("_" for _ in variables))
    write(folder, "clingo.lp",
          data + "ck(%s) :- %s.\ncount(N) :- N = #count{%s : ck(%s)}.\n#show count/1.\n"
          % (row, body, row, row))


RULE_ROWS = 100


def rule_chain_files(folder, k, shuffled):
    """K rules, each reading the one before it: the evaluation needs a plan in dependency order."""
    data = "".join("p0(n%d,n%d).\n" % (i, i) for i in range(RULE_ROWS))
    data += "".join("e(n%d,n%d).\n" % (i, (i * 7 + 1) % RULE_ROWS) for i in range(RULE_ROWS))
    rules = ["p%d(X,Y) :- p%d(X,Z), e(Z,Y).\n" % (i, i - 1) for i in range(1, k + 1)]
    if shuffled:
        random.Random(20261208).shuffle(rules)
    rules = "".join(rules)
    write(folder, "quorin.flp",
          data + rules + "?- sys.eval[].\n?- N = count{Y [X] ; p%d(X,Y)}.\n" % k)
    write(folder, "swi.pl",
          ":- initialization(main, main).\n" + data + rules
          + "main :- aggregate_all(count, p%d(_,_), N), write(N), nl.\n" % k)
    write(folder, "clingo.lp",
          data + rules + "count(N) :- N = #count{X,Y : p%d(X,Y)}.\n#show count/1.\n" % k)


def independent_rule_files(folder, k):
    """K rules that share no relation: each is a component of its own."""
    data = "".join("r%d(n%d).\n" % (i, i) for i in range(1, k + 1))
    rules = "".join("q%d(X) :- r%d(X).\n" % (i, i) for i in range(1, k + 1))
    # One counted relation gathers every q<i>, so that all K answers are checked.
    gather = "".join("all(X) :- q%d(X).\n" % i for i in range(1, k + 1))
    write(folder, "quorin.flp",
          data + rules + gather + "?- sys.eval[].\n?- N = count{X ; all(X)}.\n")
    write(folder, "swi.pl",
          ":- initialization(main, main).\n" + data + rules + gather
          + "main :- aggregate_all(count, all(_), N), write(N), nl.\n")
    write(folder, "clingo.lp",
          data + rules + gather + "count(N) :- N = #count{X : all(X)}.\n#show count/1.\n")


def main():
    workloads = ("chain", "random", "tree", "triangle", "cycle4", "rules", "shuffled",
                 "independent")
    if len(sys.argv) != 4 or sys.argv[1] not in workloads:
        sys.exit(__doc__)
    workload, size, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    if workload == "chain":
        closure_files(folder, chain(size))
    elif workload == "random":
        closure_files(folder, random_graph(size))
    elif workload == "triangle":
        join_files(folder, random_graph(JOIN_NODES, size), ["A", "B", "C"])
    elif workload == "cycle4":
        join_files(folder, random_graph(JOIN_NODES, size), ["A", "B", "C", "D"])
    elif workload in ("rules", "shuffled"):
        rule_chain_files(folder, size, workload == "shuffled")
    elif workload == "independent":
        independent_rule_files(folder, size)
    else:
        same_generation_files(folder, tree(size))


if __name__ == "__main__":
    main()
