#!/usr/bin/env python3
"""Writes one benchmark workload in three languages: F-Logic for Quorin (predicate and method
forms), Prolog with tabling for SWI-Prolog (right- and left-recursive closures), ASP for clingo and
SQL for DuckDB and sqlite3 (the facts as CSV files beside it, the result stored in a table, then
counted).

Usage: gen.py <workload> <size> <folder>
  workload: chain (transitive closure of a chain of <size> nodes), random (transitive closure of a
  random graph of <size> nodes and 5 * <size> distinct edges, no loops, fixed seed) or tree (same
  generation on a tree of <size> nodes, node i under node (i-1) div 2), triangle (the directed
  triangles, every rotation counted, of a random graph of 2000 nodes and <size> distinct edges, no
  loops, fixed seed) or cycle4 (the directed 4-cycles of such a graph, each as one f(A,B,C,D)),
  unreach (the pairs of nodes not joined by a path, a negation over the product of the <size>
  nodes of a random graph of 1.2 * <size> edges), groupagg (per-group count and sum over <size>
  facts r(I,G,V) in <size> / 10 groups) or join3 (a 3-way join with a selection, r of <size> rows,
  s and t of <size> / 2), rules (a chain of <size> non-recursive rules p<i>(X,Y) :-
  p<i-1>(X,Z), e(Z,Y) over 100 facts of p0 and of e, each p<i> 100 rows, pK counted), shuffled
  (the same rules in a fixed random order) or independent (<size> rules q<i>(X) :- r<i>(X), each
  over its own fact, every q<i> counted), fof (friends of friends with a negated equality over
  <size> edges, counted per person), hop (a 2-hop join over <size> edges in three forms), consult
  (<size> plain facts consulted and counted per group) or mchain (the closure of a chain of <size>
  nodes whose edges are stored as a set-valued method).
Files written: quorin.flp, quorin-method.flp, quorin-member.flp, swi.pl, swi-left.pl, clingo.lp,
duckdb.sql; the join workloads (triangle, cycle4) have no method, membership or left-recursive form
and write quorin.flp, swi.pl, clingo.lp, duckdb.sql and sqlite.sql; unreach, groupagg and join3
write quorin.flp, clingo.lp, duckdb.sql and sqlite.sql; the rule workloads (rules, shuffled, independent)
write quorin.flp, swi.pl and clingo.lp; fof writes quorin.flp, clingo.lp and the SQL files; hop
adds quorin-methods.flp to them; consult writes quorin.flp and the SQL files; mchain writes the
closure's files with the method form over method-stored edges and without the membership form.
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
    closure_member_file(folder, data)
    sql_files(folder, [("edge", ["a varchar", "b varchar"], named(pairs))],
              "create table tc as with recursive tc(x, y) as (select a, b from edge union "
              "select edge.a, tc.y from edge join tc on edge.b = tc.x) select * from tc;\n"
              "select count(*) from tc;\n", sqlite=False)


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
    sql_files(folder, [("par", ["a varchar", "b varchar"], named(pairs))],
              "create table sg as with recursive sg(x, y) as (select p.a, q.a from par p join par q "
              "on p.b = q.b union select p.a, q.a from par p join sg on p.b = sg.x join par q "
              "on q.b = sg.y) select * from sg;\nselect count(*) from sg;\n", sqlite=False)


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
    n = len(variables)
    joins = " ".join("join edge e%d on e%d.b = e%d.a" % (i, i - 1, i) for i in range(1, n))
    sql_files(folder, [("edge", ["a varchar", "b varchar"], named(pairs))],
              "create table ck as select %s from edge e0 %s and e%d.b = e0.a;\n"
              "select count(*) from ck;\n"
              % (", ".join("e%d.a" % i for i in range(n)), joins, n - 1))


def named(pairs):
    return [(node(a), node(b)) for a, b in pairs]


def sql_files(folder, tables, body, sqlite=True):
    """The tables as CSV files, loaded and then run by body: duckdb.sql and (sqlite) sqlite.sql.
    Each table is (name, ["column type", ...], rows)."""
    duck, lite = [], []
    for name, columns, rows in tables:
        write(folder, name + ".csv", "".join(",".join(map(str, row)) + "\n" for row in rows))
        kinds = ", ".join("'%s': '%s'" % tuple(c.split()) for c in columns)
        duck.append("create table %s as select * from read_csv('%s.csv', header = false, "
                    "columns = {%s});\n" % (name, name, kinds))
        lite.append("create table %s(%s);\n.import --csv %s.csv %s\n"
                    % (name, ", ".join(columns), name, name))
    write(folder, "duckdb.sql", "".join(duck) + body)
    if sqlite:
        write(folder, "sqlite.sql", "".join(lite) + body)


def closure_member_file(folder, data):
    """The closure as memberships of the nodes in the nodes they reach."""
    write(folder, "quorin-member.flp",
          data + "X : Y :- edge(X,Y).\nX : Y :- edge(X,Z), Z : Y.\n"
          "?- sys.eval[].\n?- N = count{Y [X] ; X : Y}.\n")


def unreach_files(folder, n):
    """The pairs of nodes that no path joins: a negation over the product of the nodes."""
    pairs = random_graph(n, n * 6 // 5)
    data = "".join("node(%s).\n" % node(i) for i in range(n)) + facts("edge", pairs)
    write(folder, "quorin.flp",
          data + "tc(X,Y) :- edge(X,Y).\ntc(X,Y) :- edge(X,Z), tc(Z,Y).\n"
          "nr(X,Y) :- node(X), node(Y), not tc(X,Y).\n"
          "?- sys.eval[].\n?- N = count{Y [X] ; nr(X,Y)}.\n")
    write(folder, "clingo.lp",
          data + "tc(X,Y) :- edge(X,Y).\ntc(X,Y) :- edge(X,Z), tc(Z,Y).\n"
          "nr(X,Y) :- node(X), node(Y), not tc(X,Y).\n"
          "count(N) :- N = #count{X,Y : nr(X,Y)}.\n#show count/1.\n")
    sql_files(folder, [("node", ["n varchar"], [(node(i),) for i in range(n)]),
                       ("edge", ["a varchar", "b varchar"], named(pairs))],
              "create table tc as with recursive tc(x, y) as (select a, b from edge union "
              "select edge.a, tc.y from edge join tc on edge.b = tc.x) select * from tc;\n"
              "create table nr as select p.n as x, q.n as y from node p, node q "
              "except select x, y from tc;\nselect count(*) from nr;\n")


def groupagg_files(folder, n):
    """Per-group count and sum of n facts r(I,G,V) in n / 10 groups. The count is the number of
    rows of both results and the number of distinct sums (sum folds the distinct values)."""
    rng = random.Random(20261208)
    groups = max(1, n // 10)
    rows = [(i, rng.randrange(groups), rng.randrange(1000)) for i in range(n)]
    write(folder, "quorin.flp",
          "".join("r(%d,%d,%d).\n" % row for row in rows)
          + "cnt(G,N) :- N = count{I [G] ; r(I,G,V)}.\n"
          "sm(G,S) :- S = sum{V [G] ; r(I,G,V)}.\n?- sys.eval[].\n"
          "?- N = count{G ; cnt(G,C)}.\n?- N = count{G ; sm(G,S)}.\n?- N = count{S ; sm(G,S)}.\n")
    # A set aggregate folds its distinct elements: the sum over V alone is the sum of the
    # distinct values, as in the other engines.
    write(folder, "clingo.lp",
          "".join("r(%d,%d,%d).\n" % row for row in rows)
          + "grp(G) :- r(_,G,_).\ncnt(G,N) :- grp(G), N = #count{I : r(I,G,V)}.\n"
          "sm(G,S) :- grp(G), S = #sum{V : r(I,G,V)}.\n"
          "count(N) :- A = #count{G : cnt(G,_)}, B = #count{G : sm(G,_)}, "
          "C = #count{S : sm(_,S)}, N = A + B + C.\n#show count/1.\n")
    sql_files(folder, [("r", ["i integer", "g integer", "v integer"], rows)],
              "create table cnt as select g, count(*) as n from r group by g;\n"
              "create table sm as select g, sum(distinct v) as s from r group by g;\n"
              "select (select count(*) from cnt) + (select count(*) from sm) + "
              "(select count(distinct s) from sm);\n")


def join3_files(folder, n):
    """q(A,D,E) :- r(A,B,C), s(B,C,D), t(D,E), E < 100. with r of n rows and s and t of n / 2;
    the domains grow with n, so q has about n rows."""
    rng = random.Random(20261209)
    bs, ds = max(1, n // 200), max(1, n // 20)
    r = [(a, rng.randrange(bs), rng.randrange(100)) for a in range(n)]
    s, t = set(), set()
    while len(s) < n // 2:
        s.add((rng.randrange(bs), rng.randrange(100), rng.randrange(ds)))
    while len(t) < n // 2:
        t.add((rng.randrange(ds), rng.randrange(1000)))
    s, t = sorted(s), sorted(t)
    # The facts and the rule read alike in both engines' languages.
    program = ("".join("r(%d,%d,%d).\n" % row for row in r)
               + "".join("s(%d,%d,%d).\n" % row for row in s)
               + "".join("t(%d,%d).\n" % row for row in t)
               + "q(A,D,E) :- r(A,B,C), s(B,C,D), t(D,E), E < 100.\n")
    write(folder, "quorin.flp",
          program + "?- sys.eval[].\n"
          "?- N = count{E [A,D] ; q(A,D,E)}.\n")
    write(folder, "clingo.lp",
          program
          + "count(N) :- N = #count{A,D,E : q(A,D,E)}.\n#show count/1.\n")
    sql_files(folder, [("r", ["a integer", "b integer", "c integer"], r),
                       ("s", ["b integer", "c integer", "d integer"], s),
                       ("t", ["d integer", "e integer"], t)],
              "create table q as select distinct r.a, s.d, t.e from r join s on r.b = s.b and "
              "r.c = s.c join t on s.d = t.d where t.e < 100;\nselect count(*) from q;\n")


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


def fof_files(folder, n):
    """Friends of friends: the pairs two friend edges apart, a person not counted as their own,
    over a random graph of n edges and n / 10 people, then counted per person."""
    pairs = random_graph(max(2, n // 10), n)
    data = facts("friend", pairs)
    rule = "fof(X,Z) :- friend(X,Y), friend(Y,Z), not X = Z.\n"
    write(folder, "quorin.flp", data + rule + "?- sys.eval[].\n?- N = count{Z [X] ; fof(X,Z)}.\n")
    write(folder, "clingo.lp",
          data + "fof(X,Z) :- friend(X,Y), friend(Y,Z), X != Z.\n"
          "count(N) :- N = #count{X,Z : fof(X,Z)}.\n#show count/1.\n")
    sql_files(folder, [("friend", ["a varchar", "b varchar"], named(pairs))],
              "create table fof as select distinct f.a as x, g.b as z from friend f join friend g "
              "on f.b = g.a where f.a <> g.b;\n"
              "select sum(n) from (select x, count(*) as n from fof group by x);\n")


def hop_files(folder, n):
    """The 2-hop join over a random graph of n edges and n / 5 nodes, in three forms: both hops
    predicates (quorin.flp), the first hop a set-valued method (quorin-method.flp) and both hops
    set-valued methods (quorin-methods.flp)."""
    pairs = random_graph(max(2, n // 5), n)
    links = facts("link", pairs)
    edges = facts("e", pairs)
    count = "?- sys.eval[].\n?- N = count{Z [X] ; hop(X,Z)}.\n"
    write(folder, "quorin.flp", links + edges + "hop(X,Z) :- link(X,Y), e(Y,Z).\n" + count)
    method_links = "".join("%s[link->>{%s}].\n" % (node(a), node(b)) for a, b in pairs)
    method_edges = "".join("%s[e->>{%s}].\n" % (node(a), node(b)) for a, b in pairs)
    write(folder, "quorin-method.flp",
          method_links + edges + "hop(X,Z) :- X[link->>{Y}], e(Y,Z).\n" + count)
    write(folder, "quorin-methods.flp",
          method_links + method_edges + "hop(X,Z) :- X[link->>{Y}], Y[e->>{Z}].\n" + count)
    write(folder, "clingo.lp",
          links + edges + "hop(X,Z) :- link(X,Y), e(Y,Z).\n"
          "count(N) :- N = #count{X,Z : hop(X,Z)}.\n#show count/1.\n")
    sql_files(folder, [("link", ["a varchar", "b varchar"], named(pairs)),
                       ("e", ["a varchar", "b varchar"], named(pairs))],
              "create table hop as select distinct link.a as x, e.b as z from link join e "
              "on link.b = e.a;\nselect count(*) from hop;\n")


def consult_files(folder, n):
    """Consulting n plain facts p(I, I mod 1000) and counting them per group."""
    write(folder, "quorin.flp",
          "".join("p(%d,%d).\n" % (i, i % 1000) for i in range(n))
          + "?- sys.eval[].\n?- N = count{I [G] ; p(I,G)}.\n")
    sql_files(folder, [("p", ["i integer", "g integer"], ((i, i % 1000) for i in range(n)))],
              "select sum(n) from (select g, count(*) as n from p group by g);\n")


def method_closure_files(folder, pairs):
    """The closure of a graph whose edges are stored as a set-valued method, against the same
    closure over predicates (quorin.flp)."""
    closure_files(folder, pairs)
    data = "".join("%s[e->>{%s}].\n" % (node(a), node(b)) for a, b in pairs)
    write(folder, "quorin-method.flp",
          data + "X[reach->>{Y}] :- X[e->>{Y}].\nX[reach->>{Y}] :- X[e->>{Z}], Z[reach->>{Y}].\n"
          "?- sys.eval[].\n?- N = count{Y [X] ; X[reach->>{Y}]}.\n")
    os.remove(os.path.join(folder, "quorin-member.flp"))


def main():
    workloads = ("chain", "random", "tree", "triangle", "cycle4", "unreach", "groupagg", "join3",
                 "rules", "shuffled", "independent", "fof", "hop", "consult", "mchain")
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
    elif workload == "unreach":
        unreach_files(folder, size)
    elif workload == "groupagg":
        groupagg_files(folder, size)
    elif workload == "join3":
        join3_files(folder, size)
    elif workload in ("rules", "shuffled"):
        rule_chain_files(folder, size, workload == "shuffled")
    elif workload == "independent":
        independent_rule_files(folder, size)
    elif workload == "fof":
        fof_files(folder, size)
    elif workload == "hop":
        hop_files(folder, size)
    elif workload == "consult":
        consult_files(folder, size)
    elif workload == "mchain":
        method_closure_files(folder, chain(size))
    else:
        same_generation_files(folder, tree(size))


if __name__ == "__main__":
    main()
