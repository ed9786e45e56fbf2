// Rule heads write the same facts traced and untraced, whichever road their rows take: the
// insert trace shows each new fact once, and tracing every attempt changes nothing either.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "EvalHarness.h"
#include "support/ChannelCapture.h"

namespace {

using eval_test::EvalHarness;

// What evaluating a program did: the base it left and the trace lines it wrote, by count.
struct Evaluated {
    std::string base;
    std::map<std::string, int> lines;
};

// `trace`: "" untraced, "new" each new fact, "all" every attempt.
Evaluated evaluate(const std::string& facts, const std::string& rules, const std::string& trace) {
    EvalHarness h;
    if (trace == "new") eval_test::callWith(h.access, "debugOn", {});
    if (trace == "all") eval_test::callWith(h.access, "debugOn", {"all"});
    Evaluated result;
    {
        ChannelCapture debug(debugChannel());
        h.rules.facts(facts);
        EXPECT_EQ(h.run(rules), 1) << rules;
        const std::string text = debug.text();
        const std::string prefix = "insert :   ";
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(at, end - at);
            if (line.rfind(prefix, 0) == 0) ++result.lines[line.substr(prefix.size())];
            at = end + 1;
        }
    }
    ChannelCapture dump(debugChannel());
    h.om->dump(0);
    result.base = dump.text();
    return result;
}

struct Program {
    const char* name;
    const char* facts;
    const char* rules;
    // Lines the trace of new facts must show (derived facts), each exactly once.
    std::vector<std::string> derived;
};

TEST(HeadTrace, TracedAndUntracedPassesWriteTheSameFactsAndTraceEachNewFactOnce) {
    const std::string edges = "e(a,b). e(b,c). e(c,d). e(a,c). e(d,a). e(b,d).\n";
    const Program programs[] = {
        // Predicate heads: the first pass of a layout keeps its fresh rows, later passes take
        // the join's rows with their repeats.
        {"closure",
         "e(a,b). e(b,c). e(c,d). e(a,c). e(d,e).\n",
         "t(X,Y) :- e(X,Y).\nt(X,Y) :- e(X,Z), t(Z,Y).",
         {"t(a,b)", "t(a,d)", "t(a,e)", "t(b,e)", "t(d,e)"}},
        // Set members without arguments, some given before the rules derive them.
        {"members",
         "e(a,b). e(b,c). e(c,a). a[r->>{b}].\n",
         "X[r->>{Y}] :- e(X,Y).\nX[r->>{Y}] :- e(X,Z), Z[r->>{Y}].",
         {"a[r->>c]", "a[r->>a]", "b[r->>b]", "c[r->>c]"}},
        // Memberships, repeated by the join; a subclass head keeps its order.
        {"classes",
         "e(a,b). e(b,c). e(a,c).\n",
         "X:node :- e(X,Y).\nY:node :- e(X,Y).\nX::Y :- e(X,Y).",
         {"a:node", "b:node", "c:node", "a::b"}},
        // Methods with arguments, several results, function terms, a head of many terms and
        // the equality built-in.
        {"mixed",
         edges.c_str(),
         "X[s@(Y)->>{Z}] :- e(X,Y), e(Y,Z).\nX[u->>{Y,Z}] :- e(X,Y), e(Y,Z).\n"
         "q(f(X),Y) :- e(X,Y).\ng(X) = h(X) :- e(X,a).\np(X), w(Y) :- e(X,Y).",
         {"p(a)", "w(a)"}},
        // A stored predicate over function terms, its rows in order, some tuples derived twice
        // in a pass (k(f(a),d) by b and by c) and again by a recursive rule.
        {"terms",
         edges.c_str(),
         "k(f(X),Z) :- e(X,Y), e(Y,Z).\nk(f(X),Z) :- k(f(X),Y), e(Y,Z).\n"
         "m(g(X,Y)) :- k(X,Y), e(Y,a).",
         {"k(f(a),d)", "k(f(a),a)", "k(f(d),b)", "m(g(f(a),d))"}},
    };
    for (const Program& program : programs) {
        const Evaluated off = evaluate(program.facts, program.rules, "");
        const Evaluated traced = evaluate(program.facts, program.rules, "new");
        const Evaluated all = evaluate(program.facts, program.rules, "all");
        EXPECT_EQ(off.base, traced.base) << program.name;
        EXPECT_EQ(off.base, all.base) << program.name;
        EXPECT_TRUE(off.lines.empty()) << program.name;
        // (A set of values written at once shows all its members when one of them is new.)
        for (const auto& [line, count] : traced.lines) {
            if (line.find("[u->>") == std::string::npos) {
                EXPECT_EQ(count, 1) << program.name << ": " << line;
            }
        }
        for (const std::string& line : program.derived) {
            EXPECT_EQ(traced.lines.count(line), 1u) << program.name << ": " << line;
            EXPECT_GE(all.lines.count(line), 1u) << program.name << ": " << line;
        }
        // Every new fact is an attempt too.
        for (const auto& [line, count] : traced.lines)
            EXPECT_GE(all.lines.count(line), 1u) << program.name << ": " << line;
    }
}

}  // namespace
