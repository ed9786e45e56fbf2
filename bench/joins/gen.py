#!/usr/bin/env python3
"""Writes the join-planning benchmark cases: one F-Logic file per case, timed inside Quorin by the
central timer around the work that the case measures (the evaluation of a rule, or one query).

Usage: gen.py <folder> [rows]
Cases (file names):
  query-<order>.flp, rule-<order>.flp   the 3-way join a(X,Y), b(Y,Z), c(Z,W) written in one of
                                        its six orders (abc, acb, ...), three relations of <rows>
                                        rows, as a query and as the rule r(X,W)
  chain3.flp                            r(A,D) :- a(A,B), b(B,C), c(C,D). (run under the shipped
                                        configuration and under the naive one)
  chain40.flp                           a 40-literal chain rule over a chain of 100 edges
  constants.flp                         ?- a(1,Y), b(1,Y). with <rows> rows in each relation
  shared.flp                            ?- a(X,Y), b(X,Y). with <rows> rows in each relation and ten
                                        values of X: a join on two variables
  long-<n>.flp                          a rule of n chained literals (1,000 and 10,000) over five
                                        edges: the cost of compiling a long body
  same-<n>.flp                          r(X) :- q(X), q(X), ... with n literals (1,000, 10,000)
                                        over five facts of q in the program: under semi-naive
                                        evaluation every literal has a delta variant
  distinct-<n>.flp                      r(X) :- q1(X), q2(X), ..., qn(X). (n 10,000) over the
                                        facts qI(a), and qI(b) for odd I, in the program: a delta
                                        variant per literal, which must not copy the body
  chain200.flp                          a 200-literal chain query over a chain of 250 edges
  rule200.flp                           a 200-literal chain rule over 250 random edges on 60
                                        nodes under semi-naive evaluation: every edge is new in
                                        the first delta round, which runs the rule once
"""
import itertools
import os
import sys

TIMED_START = "?- sys.centralTimer.start[].\n"
# Real time, then processor time: on a loaded machine the second is the steadier figure.
TIMED_END = ("?- sys.centralTimer.stop[].\n"
             "?- sys.centralTimer.diffReal.print@(sys.answerChannel)[].\n"
             "?- sys.centralTimer.diffUser.print@(sys.answerChannel)[].\n")


def write(folder, name, text):
    with open(os.path.join(folder, name), "w") as out:
        out.write(text)


def join_facts(rows):
    # a(i, i'), b(i', i''), c(i'', i''') over permutations of 0..rows-1: every row joins once.
    lines = []
    for i in range(rows):
        lines.append("a(%d,%d).\n" % (i, (i * 7 + 3) % rows))
        lines.append("b(%d,%d).\n" % (i, (i * 11 + 5) % rows))
        lines.append("c(%d,%d).\n" % (i, (i * 13 + 1) % rows))
    return "".join(lines)


def chain(name, first, count):
    return ", ".join("%s(X%d,X%d)" % (name, i, i + 1) for i in range(first, first + count))


def edges(name, count):
    return "".join("%s(%d,%d).\n" % (name, i, i + 1) for i in range(count))


def main():
    folder = sys.argv[1]
    rows = int(sys.argv[2]) if len(sys.argv) > 2 else 10000
    os.makedirs(folder, exist_ok=True)
    facts = join_facts(rows)
    atoms = {"a": "a(X,Y)", "b": "b(Y,Z)", "c": "c(Z,W)"}
    for order in itertools.permutations("abc"):
        name = "".join(order)
        body = ", ".join(atoms[k] for k in order)
        write(folder, "query-%s.flp" % name,
              facts + "?- sys.eval[].\n" + TIMED_START + "?- %s.\n" % body + TIMED_END)
        write(folder, "rule-%s.flp" % name,
              facts + "r(X,W) :- %s.\n" % body + TIMED_START + "?- sys.eval[].\n" + TIMED_END
              + "?- r(X,W).\n")
    write(folder, "chain3.flp",
          facts + "r(A,D) :- a(A,B), b(B,C), c(C,D).\n" + TIMED_START + "?- sys.eval[].\n"
          + TIMED_END + "?- r(A,D).\n")
    write(folder, "chain40.flp",
          edges("e", 100) + "r(X0,X40) :- %s.\n" % chain("e", 0, 40) + TIMED_START
          + "?- sys.eval[].\n" + TIMED_END + "?- r(X,Y).\n")
    write(folder, "constants.flp",
          "".join("a(1,%d).\nb(1,%d).\n" % (i, i) for i in range(rows)) + "?- sys.eval[].\n"
          + TIMED_START + "?- a(1,Y), b(1,Y).\n" + TIMED_END)
    write(folder, "shared.flp",
          "".join("a(%d,%d).\nb(%d,%d).\n" % (i % 10, i, i % 10, i) for i in range(rows))
          + "?- sys.eval[].\n" + TIMED_START + "?- a(X,Y), b(X,Y).\n" + TIMED_END)
    # The edges are in the object base but not in the program: the rule gets no delta variants
    # and is compiled once.
    for n in (1000, 10000):
        write(folder, "long-%d.flp" % n,
              edges("e", 5) + "?- sys.eval[].\n?- sys.forgetProgram[].\n"
              + "r(X0,X%d) :- %s.\n" % (n, chain("e", 0, n)) + TIMED_START + "?- sys.eval[].\n"
              + TIMED_END + "?- r(X,Y).\n")
    for n in (1000, 10000):
        write(folder, "same-%d.flp" % n,
              "".join("q(%d).\n" % i for i in range(5))
              + "r(X) :- %s.\n" % ", ".join(["q(X)"] * n) + TIMED_START + "?- sys.eval[].\n"
              + TIMED_END + "?- r(X).\n")
    for n in (10000,):
        write(folder, "distinct-%d.flp" % n,
              "".join("q%d(a).\n" % i + ("q%d(b).\n" % i if i % 2 else "") for i in range(1, n + 1))
              + "r(X) :- %s.\n" % ", ".join("q%d(X)" % i for i in range(1, n + 1)) + TIMED_START
              + "?- sys.eval[].\n" + TIMED_END + "?- r(X).\n")
    write(folder, "chain200.flp",
          edges("e", 250) + "?- sys.eval[].\n" + TIMED_START + "?- %s.\n" % chain("e", 0, 200)
          + TIMED_END)
    # A fixed pseudo-random graph (a linear congruence, the same on every machine).
    graph, seed = set(), 7
    while len(graph) < 250:
        seed = (seed * 1103515245 + 12345) % 2**31
        graph.add((seed // 60 % 60, seed // 3600 % 60))
    write(folder, "rule200.flp",
          "".join("e(%d,%d).\n" % edge for edge in sorted(graph))
          + "r(X0,X200) :- %s.\n" % chain("e", 0, 200) + TIMED_START + "?- sys.eval[].\n"
          + TIMED_END + "?- r(X,Y).\n")


if __name__ == "__main__":
    main()
