#!/usr/bin/env python3
"""Writes one benchmark workload in three languages: F-Logic for Quorin (predicate and method
forms), Prolog with tabling for SWI-Prolog (right- and left-recursive closures) and ASP for clingo.

Usage: gen.py <workload> <size> <folder>
  workload: chain (transitive closure of a chain of <size> nodes), random (transitive closure of a
  random graph of <size> nodes and 5 * <size> distinct edges, no loops, fixed seed) or tree (same
  generation on a tree of <size> nodes, node i under node (i-1) div 2).
Files written: quorin.flp, quorin-method.flp, swi.pl, swi-left.pl, clingo.lp.
"""
import os
import random
import sys


def chain(n):
    return [(i, i + 1) for i in range(n - 1)]


def random_graph(n):
    rng = random.Random(20261207)
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


def main():
    if len(sys.argv) != 4 or sys.argv[1] not in ("chain", "random", "tree"):
        sys.exit(__doc__)
    workload, size, folder = sys.argv[1], int(sys.argv[2]), sys.argv[3]
    os.makedirs(folder, exist_ok=True)
    if workload == "chain":
        closure_files(folder, chain(size))
    elif workload == "random":
        closure_files(folder, random_graph(size))
    else:
        same_generation_files(folder, tree(size))


if __name__ == "__main__":
    main()
