// Strata: the dependency graph of a program's relations, its strongly connected components, the
// parts of the program by stratum and the warnings for the parts evaluated in rounds.
#include "eval/Strata.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FactList.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

const FSymbol* constantName(FTerm* term) {
    if (term == nullptr || !term->is(ParseTreeClass::FunctionTerm) ||
        term->is(ParseTreeClass::FVar))
        return nullptr;
    auto* function = static_cast<FunctionTerm*>(term);
    if (function->getArgs() != nullptr && !function->getArgs()->empty()) return nullptr;
    return &function->getName();
}

namespace {

// The number of method kinds: the six arrows and the three signature arrows.
constexpr int methodKinds = 9;
// The arrows "->", "->>" and "@->>" inherit from "*->", "*->>" and "@*->>", three kinds on.
constexpr int inheritableOffset = 3;

// What a node of the graph stands for. The "any" nodes are a variable position: a write through
// one may write every method of its arrow (every class), a read through one reads them all.
enum class Relation {
    Predicate,
    Method,
    MethodWriteAny,
    MethodReadAll,
    Member,
    MemberWriteAny,
    MemberReadAll,
    Subclass,
    SubclassWriteAny,
    SubclassReadAll,
    Rule
};

struct NodeInfo {
    Relation relation;
    // The predicate, method or class; unused for the "any" nodes.
    InternalName symbol;
    // The arity of a predicate, the arrow kind of a method.
    int number;
};

// How a rule reads a relation: a negated or aggregated read waits until it is complete.
enum class Wait { None, Negation, Aggregate };

// Relations by name, and the edges from a relation to the relations whose rules read it.
class DependencyGraph {
  public:
    int node(const std::string& key, const NodeInfo& info) {
        auto [it, added] = ids.emplace(key, int(edges.size()));
        if (added) {
            edges.emplace_back();
            infos.push_back(info);
        }
        return it->second;
    }
    // The node of a key, -1 when nothing made it.
    int find(const std::string& key) const {
        const auto it = ids.find(key);
        return it == ids.end() ? -1 : it->second;
    }
    void edge(int from, int to, bool negative) {
        edges[std::size_t(from)].push_back({to, negative});
    }
    std::size_t size() const { return edges.size(); }
    const std::vector<std::pair<int, bool>>& out(int from) const {
        return edges[std::size_t(from)];
    }
    const NodeInfo& info(int id) const { return infos[std::size_t(id)]; }
    const std::map<std::string, int>& names() const { return ids; }

  private:
    std::map<std::string, int> ids;
    std::vector<std::vector<std::pair<int, bool>>> edges;
    std::vector<NodeInfo> infos;
};

std::string symbolKey(const InternalName& name) {
    return std::to_string(name.getType()) + ":" + std::to_string(name.getValue());
}

// The keys: "p" arity "/" name for a predicate, "m" kind "/" name for a method, "i/" and "s/"
// with the class for memberships and subclasses; "w" kind and "r" kind, "iw", "ir", "sw" and
// "sr" for the variable positions.
int predicateNode(DependencyGraph& graph, const InternalName& name, int arity) {
    return graph.node("p" + std::to_string(arity) + "/" + symbolKey(name),
                      {Relation::Predicate, name, arity});
}
int methodNode(DependencyGraph& graph, const InternalName& name, int kind) {
    return graph.node("m" + std::to_string(kind) + "/" + symbolKey(name),
                      {Relation::Method, name, kind});
}
int anyMethodNode(DependencyGraph& graph, int kind, bool write) {
    return graph.node((write ? "w" : "r") + std::to_string(kind),
                      {write ? Relation::MethodWriteAny : Relation::MethodReadAll, {}, kind});
}
int memberNode(DependencyGraph& graph, const InternalName& cls) {
    return graph.node("i/" + symbolKey(cls), {Relation::Member, cls, 0});
}
int anyMemberNode(DependencyGraph& graph, bool write) {
    return graph.node(write ? "iw" : "ir",
                      {write ? Relation::MemberWriteAny : Relation::MemberReadAll, {}, 0});
}
int subclassNode(DependencyGraph& graph, const InternalName& cls) {
    return graph.node("s/" + symbolKey(cls), {Relation::Subclass, cls, 0});
}
int anySubclassNode(DependencyGraph& graph, bool write) {
    return graph.node(write ? "sw" : "sr",
                      {write ? Relation::SubclassWriteAny : Relation::SubclassReadAll, {}, 0});
}

bool constantName(FTerm* term, InternalName& name) {
    const FSymbol* symbol = constantName(term);
    if (symbol != nullptr) name = *symbol;
    return symbol != nullptr;
}

// A class named by a constant, or none (any class).
struct ClassName {
    bool constant = false;
    InternalName name;
};

// What the whole program writes that decides what else a relation depends on: the subclass
// steps its facts and heads can make, and the classes that hold inheritable values.
struct ProgramShape {
    std::set<std::pair<std::string, std::string>> steps;
    std::vector<std::pair<ClassName, ClassName>> stepList;
    // Per inheritable kind (3 to 5), the classes holding values of a method (by key, "" for a
    // method written through a variable), each once by its key ("" for a variable host, which
    // may be any class).
    std::map<std::string, std::map<std::string, ClassName>> holders[methodKinds];

    void step(const ClassName& lower, const ClassName& upper) {
        const std::string a = lower.constant ? symbolKey(lower.name) : "";
        const std::string b = upper.constant ? symbolKey(upper.name) : "";
        if (steps.emplace(a, b).second) stepList.emplace_back(lower, upper);
    }
};

// A method read that may see inherited values: resolved once the whole program is known.
struct MethodRead {
    std::size_t rule;
    bool constant;
    InternalName name;
    int kind;
    Wait wait;
};

// The relations one rule writes and reads.
class RuleRelations {
  public:
    RuleRelations(DependencyGraph& graph, ProgramShape& shape) : graph(graph), shape(shape) {}

    std::vector<int> heads;
    std::vector<std::pair<int, Wait>> reads;
    std::vector<MethodRead> methodReads;

    void head(FTerm* term) { walk(term, Mode::Write); }
    // A relation that facts kept compact write: the predicate, a method of its arrow or a
    // class relation, and nothing else; a subclass step is a step of the hierarchy besides.
    void compactHead(const FactList::Write& write) {
        switch (write.form) {
            case FactList::Predicate:
                heads.push_back(predicateNode(graph, write.symbol, write.number));
                break;
            case FactList::Member:
                heads.push_back(memberNode(graph, write.symbol));
                break;
            case FactList::Subclass:
                heads.push_back(subclassNode(graph, write.symbol));
                shape.step({true, write.host}, {true, write.symbol});
                break;
            default:
                heads.push_back(
                    methodNode(graph, write.symbol, write.form == FactList::SetValue ? 1 : 0));
        }
    }
    void literal(FLiteral* literal) {
        walk(literal->getTerm(), literal->isNegated() ? Mode::Negated : Mode::Read);
    }

  private:
    enum class Mode { Write, Read, Negated, Aggregated };

    static Wait waitOf(Mode mode) {
        return mode == Mode::Negated      ? Wait::Negation
               : mode == Mode::Aggregated ? Wait::Aggregate
                                          : Wait::None;
    }

    void use(int id, Mode mode) {
        if (mode == Mode::Write)
            heads.push_back(id);
        else
            reads.emplace_back(id, waitOf(mode));
    }

    void method(FTerm* host, FTerm* methodTerm, int kind, Mode mode) {
        InternalName name;
        bool constant = false;
        // A method is named by its function symbol, whatever its arguments.
        if (methodTerm != nullptr && methodTerm->is(ParseTreeClass::FunctionTerm) &&
            !methodTerm->is(ParseTreeClass::FVar)) {
            auto* function = static_cast<FunctionTerm*>(methodTerm);
            name = function->getName();
            constant = true;
            walkList(function->getArgs(), mode == Mode::Write ? Mode::Read : mode);
        }
        use(constant ? methodNode(graph, name, kind)
                     : anyMethodNode(graph, kind, mode == Mode::Write),
            mode);
        if (mode == Mode::Write) {
            if (kind >= inheritableOffset && kind < 2 * inheritableOffset) {
                ClassName holder;
                holder.constant = constantName(host, holder.name);
                shape.holders[kind][constant ? symbolKey(name) : ""].emplace(
                    holder.constant ? symbolKey(holder.name) : "", holder);
            }
            return;
        }
        if (kind < 2 * inheritableOffset)
            methodReads.push_back({0, constant, name, kind, waitOf(mode)});
    }

    // A class position: one class when a constant, else every class.
    ClassName className(FTerm* term) {
        ClassName cls;
        cls.constant = constantName(term, cls.name);
        return cls;
    }

    void walkList(const clib_list<FTerm*>* terms, Mode mode) {
        if (terms == nullptr) return;
        for (FTerm* term : *terms) walk(term, mode);
    }

    void molecule(FMolecule* molecule, Mode mode) {
        walk(molecule->getHost(), mode);
        walk(molecule->getClassTerm(), mode);
        const ClassName cls = className(molecule->getClassTerm());
        const bool write = mode == Mode::Write;
        if (molecule->getIsaKind() == 1) {
            use(cls.constant ? memberNode(graph, cls.name) : anyMemberNode(graph, write), mode);
        } else if (molecule->getIsaKind() == 2) {
            use(cls.constant ? subclassNode(graph, cls.name) : anySubclassNode(graph, write), mode);
            if (write) shape.step(className(molecule->getHost()), cls);
        }
        if (molecule->getSpecs() == nullptr) return;
        for (Spec* spec : *molecule->getSpecs()) {
            method(molecule->getHost(), spec->getMethod(), spec->getKind(), mode);
            walkList(spec->getArgs(), mode);
            if (spec->is(ParseTreeClass::SSpec)) walk(static_cast<SSpec*>(spec)->getResult(), mode);
            if (spec->is(ParseTreeClass::MSpec))
                walkList(static_cast<MSpec*>(spec)->getResults(), mode);
        }
    }

    void walk(FTerm* term, Mode mode) {
        if (term == nullptr) return;
        // The parts of a term count as the term does: a path inside a head makes the values it
        // names when they are missing, so it writes them.
        if (term->is(ParseTreeClass::PTerm)) {
            auto* predicate = static_cast<PTerm*>(term);
            const clib_list<FTerm*>* args = predicate->getArgs();
            // A built-in in a head (an assignment to a path) writes what its paths name.
            if (!predicate->isBuiltin())
                use(predicateNode(graph, predicate->getName(),
                                  args != nullptr ? args->length() : 0),
                    mode);
            walkList(args, mode);
        } else if (term->is(ParseTreeClass::AggExpr)) {
            FLiteralList* body = static_cast<AggExpr*>(term)->getBody();
            if (body != nullptr)
                for (FLiteral* literal : *body->getList())
                    walk(literal->getTerm(), Mode::Aggregated);
        } else if (term->is(ParseTreeClass::ArithmeticExpr)) {
            auto* arithmetic = static_cast<ArithmeticExpr*>(term);
            walk(arithmetic->getLeft(), mode);
            walk(arithmetic->getRight(), mode);
        } else if (term->is(ParseTreeClass::FMolecule)) {
            molecule(static_cast<FMolecule*>(term), mode);
        } else if (term->is(ParseTreeClass::Reference)) {
            auto* reference = static_cast<Reference*>(term);
            walk(reference->getHost(), mode);
            const int dot = reference->getDot();
            method(reference->getHost(), reference->getMethod(),
                   dot >= 0 && dot < methodKinds ? dot : 0, mode);
            walkList(reference->getArgs(), mode);
        } else if (term->is(ParseTreeClass::FunctionTerm) && !term->is(ParseTreeClass::FVar)) {
            walkList(static_cast<FunctionTerm*>(term)->getArgs(), mode);
        }
    }

    DependencyGraph& graph;
    ProgramShape& shape;
};

// Strongly connected components (Tarjan): the component of each node; components are numbered
// so that an edge never leads from a higher number to a lower one between components.
std::vector<int> components(const DependencyGraph& graph, int& count) {
    const int n = int(graph.size());
    std::vector<int> index(std::size_t(n), -1), low(std::size_t(n), 0), comp(std::size_t(n), -1);
    std::vector<int> stack;
    std::vector<bool> onStack(std::size_t(n), false);
    int next = 0;
    int finished = 0;
    // Iterative, so that a long chain of relations cannot exhaust the call stack: each frame is
    // a node and the position of its next edge.
    std::vector<std::pair<int, std::size_t>> frames;
    for (int root = 0; root < n; ++root) {
        if (index[std::size_t(root)] >= 0) continue;
        frames.emplace_back(root, 0);
        index[std::size_t(root)] = low[std::size_t(root)] = next++;
        stack.push_back(root);
        onStack[std::size_t(root)] = true;
        while (!frames.empty()) {
            auto& [v, at] = frames.back();
            const auto& out = graph.out(v);
            if (at < out.size()) {
                const int w = out[at++].first;
                if (index[std::size_t(w)] < 0) {
                    index[std::size_t(w)] = low[std::size_t(w)] = next++;
                    stack.push_back(w);
                    onStack[std::size_t(w)] = true;
                    frames.emplace_back(w, 0);
                } else if (onStack[std::size_t(w)]) {
                    low[std::size_t(v)] = std::min(low[std::size_t(v)], index[std::size_t(w)]);
                }
                continue;
            }
            const int done = v;
            frames.pop_back();
            if (!frames.empty()) {
                const int parent = frames.back().first;
                low[std::size_t(parent)] =
                    std::min(low[std::size_t(parent)], low[std::size_t(done)]);
            }
            if (low[std::size_t(done)] != index[std::size_t(done)]) continue;
            int w = -1;
            do {
                w = stack.back();
                stack.pop_back();
                onStack[std::size_t(w)] = false;
                comp[std::size_t(w)] = finished;
            } while (w != done);
            ++finished;
        }
    }
    // Tarjan finishes a component after every component it reaches: reverse the numbers.
    for (int& c : comp) c = finished - 1 - c;
    count = finished;
    return comp;
}

// The stratum of each component. A component evaluated in rounds (`rounds`) comes after every
// component it reads and before every component that reads it, and after the facts.
std::vector<int> stratumNumbers(const DependencyGraph& graph, const std::vector<int>& comp,
                                int count, const std::vector<bool>& rounds) {
    std::vector<std::vector<std::pair<int, bool>>> into(static_cast<std::size_t>(count));
    for (int v = 0; v < int(graph.size()); ++v) {
        for (const auto& [w, negative] : graph.out(v)) {
            const int from = comp[std::size_t(v)];
            const int to = comp[std::size_t(w)];
            if (from != to) into[std::size_t(to)].emplace_back(from, negative);
        }
    }
    std::vector<int> level(std::size_t(count), 0);
    for (int c = 0; c < count; ++c) {
        if (rounds[std::size_t(c)]) level[std::size_t(c)] = 1;
        for (const auto& [from, negative] : into[std::size_t(c)]) {
            const bool after = negative || rounds[std::size_t(c)] || rounds[std::size_t(from)];
            level[std::size_t(c)] =
                std::max(level[std::size_t(c)], level[std::size_t(from)] + (after ? 1 : 0));
        }
    }
    return level;
}

const char* const arrows[methodKinds] = {"->",    "->>", "@->>", "*->", "*->>",
                                         "@*->>", "=>",  "=>>",  "@=>>"};

// A relation as the warning names it; empty for the place of a rule that writes nothing.
std::string label(const NodeInfo& info, const SymTab* names) {
    auto name = [&](const InternalName& symbol) {
        return names != nullptr ? names->giveName(symbol) : symbolKey(symbol);
    };
    const std::string arrow =
        info.number >= 0 && info.number < methodKinds ? arrows[info.number] : "->";
    switch (info.relation) {
        case Relation::Predicate:
            return name(info.symbol) + "/" + std::to_string(info.number);
        case Relation::Method:
            return "_[" + name(info.symbol) + " " + arrow + " _]";
        case Relation::MethodWriteAny:
        case Relation::MethodReadAll:
            return "_[_ " + arrow + " _]";
        case Relation::Member:
            return "_ : " + name(info.symbol);
        case Relation::MemberWriteAny:
        case Relation::MemberReadAll:
            return "_ : _";
        case Relation::Subclass:
            return "_ :: " + name(info.symbol);
        case Relation::SubclassWriteAny:
        case Relation::SubclassReadAll:
            return "_ :: _";
        case Relation::Rule:
            break;
    }
    return "";
}

// One rule of the program: the node its heads share, what it reads and where it stands.
struct RuleEntry {
    FRule* clause;
    int head;
    std::vector<std::pair<int, Wait>> reads;
};

}  // namespace

Strata::Strata(FProgram* program, Inheritance inheritance) {
    if (program == nullptr) return;
    DependencyGraph graph;
    ProgramShape shape;
    std::vector<RuleEntry> rules;
    std::vector<MethodRead> methodReads;
    // The relations that facts or rule heads write; any other one cannot change while the
    // program is evaluated, and reading it complete needs no wait.
    std::vector<bool> written;
    auto markWritten = [&](const std::vector<int>& ids) {
        for (int id : ids) {
            if (written.size() <= std::size_t(id)) written.resize(std::size_t(id) + 1, false);
            written[std::size_t(id)] = true;
        }
    };
    // The facts are looked at by the relations they write, each where the first fact writing
    // it stands, so that relations get their nodes in the order a walk over every fact gave.
    auto visitWrite = [&](const FactList::Write& write) {
        RuleRelations relations(graph, shape);
        relations.compactHead(write);
        markWritten(relations.heads);
        return true;
    };
    auto visitClause = [&](FRule* clause) {
        const int kind = clause->ruleKind();
        if (kind == FRule::Fact) {
            RuleRelations relations(graph, shape);
            for (FTerm* head : clause->getHead()->getList()) relations.head(head);
            markWritten(relations.heads);
        }
        if (kind != FRule::Rule) return true;
        RuleRelations relations(graph, shape);
        for (FTerm* head : clause->getHead()->getList()) relations.head(head);
        for (FLiteral* literal : *clause->getBody()->getList()) relations.literal(literal);
        // All relations of one head complete together; a head that writes no relation still
        // has a place of its own.
        if (relations.heads.empty())
            relations.heads.push_back(
                graph.node("rule" + std::to_string(rules.size()), {Relation::Rule, {}, 0}));
        for (std::size_t i = 0; i < relations.heads.size(); ++i)
            graph.edge(relations.heads[i], relations.heads[(i + 1) % relations.heads.size()],
                       false);
        markWritten(relations.heads);
        for (MethodRead read : relations.methodReads) {
            read.rule = rules.size();
            methodReads.push_back(read);
        }
        rules.push_back({clause, relations.heads.front(), std::move(relations.reads)});
        return true;
    };
    program->forEachRuleAndWrite(visitClause, visitWrite);

    // A method read sees inherited values only when the evaluator inherits and some class holds
    // or derives an inheritable value of that method: it then reads those values and the
    // memberships in the classes that hold them ("->" and its kin), or the subclasses of those
    // classes (an inheritable arrow itself, which subclasses inherit).
    const int memberWrite = anyMemberNode(graph, true);
    const int memberRead = anyMemberNode(graph, false);
    const int subclassWrite = anySubclassNode(graph, true);
    const int subclassRead = anySubclassNode(graph, false);
    if (inheritance == Inheritance::Inherits) {
        for (const MethodRead& read : methodReads) {
            const bool instanceRead = read.kind < inheritableOffset;
            const int source = instanceRead ? read.kind + inheritableOffset : read.kind;
            std::map<std::string, ClassName> holders;
            auto addHolders = [&](const std::string& key) {
                const auto it = shape.holders[source].find(key);
                if (it != shape.holders[source].end())
                    holders.insert(it->second.begin(), it->second.end());
            };
            addHolders("");
            if (read.constant)
                addHolders(symbolKey(read.name));
            else
                for (const auto& [key, list] : shape.holders[source])
                    if (!key.empty()) addHolders(key);
            if (holders.empty()) continue;
            std::vector<std::pair<int, Wait>>& reads = rules[read.rule].reads;
            if (instanceRead)
                reads.emplace_back(read.constant ? methodNode(graph, read.name, source)
                                                 : anyMethodNode(graph, source, false),
                                   read.wait);
            for (const auto& [key, holder] : holders) {
                int id = -1;
                if (instanceRead)
                    id = holder.constant ? memberNode(graph, holder.name) : memberRead;
                else
                    id = holder.constant ? subclassNode(graph, holder.name) : subclassRead;
                reads.emplace_back(id, read.wait);
            }
        }
    }
    // Every class with subclasses has members; every step of the hierarchy has its classes.
    for (const auto& [lower, upper] : shape.stepList)
        for (const ClassName& cls : {lower, upper})
            if (cls.constant) subclassNode(graph, cls.name);
    for (int v = 0; v < int(graph.size()); ++v) {
        const NodeInfo info = graph.info(v);
        if (info.relation == Relation::Subclass) memberNode(graph, info.symbol);
    }

    // A method or class written through a variable may be any of them; a variable read sees
    // them all. The members of a class are also those of the classes below it, so a class's
    // subclasses are read with its members.
    for (int kind = 0; kind < methodKinds; ++kind)
        graph.edge(anyMethodNode(graph, kind, true), anyMethodNode(graph, kind, false), false);
    graph.edge(memberWrite, memberRead, false);
    graph.edge(subclassWrite, subclassRead, false);
    graph.edge(subclassRead, memberRead, false);
    const int nodes = int(graph.size());
    for (int v = 0; v < nodes; ++v) {
        const NodeInfo info = graph.info(v);
        if (info.relation == Relation::Method) {
            graph.edge(anyMethodNode(graph, info.number, true), v, false);
            graph.edge(v, anyMethodNode(graph, info.number, false), false);
        } else if (info.relation == Relation::Member) {
            graph.edge(memberWrite, v, false);
            graph.edge(v, memberRead, false);
        } else if (info.relation == Relation::Subclass) {
            graph.edge(subclassWrite, v, false);
            graph.edge(v, subclassRead, false);
            graph.edge(v, memberNode(graph, info.symbol), false);
        }
    }
    // Every step the program can make in the hierarchy: the members and the subclasses of the
    // lower class are also those of the upper one; a variable side may be any class.
    for (const auto& [lower, upper] : shape.stepList) {
        const int memberFrom = lower.constant ? memberNode(graph, lower.name) : memberRead;
        const int subclassFrom = lower.constant ? subclassNode(graph, lower.name) : subclassRead;
        const int memberTo = upper.constant ? memberNode(graph, upper.name) : memberWrite;
        const int subclassTo = upper.constant ? subclassNode(graph, upper.name) : subclassWrite;
        graph.edge(memberFrom, memberTo, false);
        graph.edge(subclassFrom, subclassTo, false);
    }

    // What is written reaches along the hierarchy and the variable positions.
    written.resize(graph.size(), false);
    std::vector<int> work;
    for (int v = 0; v < int(graph.size()); ++v)
        if (written[std::size_t(v)]) work.push_back(v);
    while (!work.empty()) {
        const int v = work.back();
        work.pop_back();
        for (const auto& [w, negative] : graph.out(v)) {
            if (written[std::size_t(w)]) continue;
            written[std::size_t(w)] = true;
            work.push_back(w);
        }
    }
    auto waits = [&](const std::pair<int, Wait>& read) {
        return read.second != Wait::None && written[std::size_t(read.first)];
    };
    for (const RuleEntry& rule : rules)
        for (const auto& read : rule.reads) graph.edge(read.first, rule.head, waits(read));

    int count = 0;
    const std::vector<int> comp = components(graph, count);
    // A component that reads itself complete has no strata: it is evaluated in rounds. The
    // first rule that does so is named, with the relations of the component.
    std::vector<bool> rounds(std::size_t(count), false);
    std::vector<const RuleEntry*> culprit(std::size_t(count), nullptr);
    std::vector<Wait> culpritWait(std::size_t(count), Wait::None);
    for (const RuleEntry& rule : rules) {
        const int c = comp[std::size_t(rule.head)];
        for (const auto& read : rule.reads) {
            if (!waits(read) || comp[std::size_t(read.first)] != c) continue;
            rounds[std::size_t(c)] = true;
            if (culprit[std::size_t(c)] == nullptr) culprit[std::size_t(c)] = &rule;
            if (culprit[std::size_t(c)] == &rule && culpritWait[std::size_t(c)] != Wait::Negation)
                culpritWait[std::size_t(c)] = read.second;
        }
    }
    const std::vector<int> level = stratumNumbers(graph, comp, count, rounds);
    // In the order of the rules named.
    std::vector<std::pair<const RuleEntry*, int>> named;
    for (int c = 0; c < count; ++c)
        if (rounds[std::size_t(c)]) named.emplace_back(culprit[std::size_t(c)], c);
    std::sort(named.begin(), named.end());
    for (const auto& [rule, c] : named) {
        std::vector<std::string> labels;
        for (int v = 0; v < int(graph.size()); ++v) {
            if (comp[std::size_t(v)] != c) continue;
            const std::string text = label(graph.info(v), program->getSymTab());
            if (!text.empty() && std::find(labels.begin(), labels.end(), text) == labels.end())
                labels.push_back(text);
        }
        std::string line = culpritWait[std::size_t(c)] == Wait::Negation
                               ? "Warning: negation through recursion, not stratifiable: "
                               : "Warning: aggregation through recursion, not stratifiable: ";
        for (std::size_t i = 0; i < labels.size(); ++i) line += (i > 0 ? ", " : "") + labels[i];
        line +=
            " (rule at line " + std::to_string(rule->clause->getLine()) + "); evaluated in rounds";
        roundsWarnings.push_back(line);
    }

    std::vector<int> ruleLevel;
    for (const RuleEntry& rule : rules)
        ruleLevel.push_back(level[std::size_t(comp[std::size_t(rule.head)])]);
    // The facts are in the first part, before every rule that reads a relation complete.
    std::vector<int> used(ruleLevel);
    used.push_back(0);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    if (used.size() <= 1) {
        programs.push_back(Ref<FProgram>::share(program));
        return;
    }
    for (std::size_t i = 0; i < used.size(); ++i) {
        auto part = Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, program->getSymTab()));
        part->setInheritanceMark(program->inheritanceMark());
        programs.push_back(std::move(part));
    }
    std::size_t r = 0;
    program->forEachClause(
        [&](FRule* clause) {
            if (clause->ruleKind() != FRule::Rule) {
                programs.front()->append(clause);
                return true;
            }
            const auto at = std::lower_bound(used.begin(), used.end(), ruleLevel[r++]);
            programs[std::size_t(at - used.begin())]->append(clause);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            programs.front()->appendFact(facts, i);
            return true;
        });
}

Strata::~Strata() = default;
