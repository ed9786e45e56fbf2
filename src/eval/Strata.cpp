// Strata: the dependency graph of a program's relations, its strongly connected components and
// the parts of the program by stratum.
#include "eval/Strata.h"

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <utility>

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

namespace {

// The number of method kinds: the six arrows and the three signature arrows.
constexpr int methodKinds = 9;

// Relations by name, and the edges from a relation to the relations whose rules read it.
class DependencyGraph {
  public:
    int node(const std::string& key) {
        auto [it, added] = ids.emplace(key, int(edges.size()));
        if (added) edges.emplace_back();
        return it->second;
    }
    void edge(int from, int to, bool negative) {
        edges[std::size_t(from)].push_back({to, negative});
    }
    std::size_t size() const { return edges.size(); }
    const std::vector<std::pair<int, bool>>& out(int from) const {
        return edges[std::size_t(from)];
    }
    const std::map<std::string, int>& names() const { return ids; }

  private:
    std::map<std::string, int> ids;
    std::vector<std::vector<std::pair<int, bool>>> edges;
};

std::string symbolKey(const InternalName& name) {
    return std::to_string(name.getType()) + ":" + std::to_string(name.getValue());
}

// A method node: "m" + kind + "/" + the name; the nodes "w" + kind (written through a variable
// method) and "r" + kind (read through one) stand for all methods of a kind.
std::string methodKey(const std::string& name, int kind) {
    return "m" + std::to_string(kind) + "/" + name;
}

// The relations one rule writes and reads.
class RuleRelations {
  public:
    explicit RuleRelations(DependencyGraph& graph) : graph(graph) {}

    std::vector<int> heads;
    std::vector<std::pair<int, bool>> reads;

    void head(FTerm* term) { walk(term, Mode::Write); }
    // The head of a fact kept compact: the predicate, or for each atom of a molecule the
    // method of its arrow or its class relation, and nothing else, is written.
    void compactHead(const FactList& facts, std::size_t i, std::vector<FactList::Atom>& atoms) {
        if (facts.form(i) == FactList::Predicate) {
            use("p" + std::to_string(facts.arity(i)) + "/" + symbolKey(facts.predicate(i)),
                Mode::Write);
            return;
        }
        facts.atoms(i, atoms);
        for (const FactList::Atom& atom : atoms) {
            if (atom.form == FactList::Member)
                use("isa", Mode::Write);
            else if (atom.form == FactList::Subclass)
                use("sub", Mode::Write);
            else
                use(methodKey(symbolKey(atom.method), atom.form == FactList::SetValue ? 1 : 0),
                    Mode::Write);
        }
    }
    void literal(FLiteral* literal) {
        walk(literal->getTerm(), literal->isNegated() ? Mode::ReadComplete : Mode::Read);
    }

  private:
    enum class Mode { Write, Read, ReadComplete };

    void use(const std::string& key, Mode mode) {
        const int id = graph.node(key);
        if (mode == Mode::Write)
            heads.push_back(id);
        else
            reads.emplace_back(id, mode == Mode::ReadComplete);
    }

    // A method read may also see values inherited along is-a and subclass from the inheritable
    // arrow of the same name.
    void method(FTerm* methodTerm, int kind, Mode mode) {
        std::string name;
        if (methodTerm != nullptr && !methodTerm->is(ParseTreeClass::FVar) &&
            methodTerm->is(ParseTreeClass::FunctionTerm)) {
            auto* function = static_cast<FunctionTerm*>(methodTerm);
            name = symbolKey(function->getName());
            walkList(function->getArgs(), mode == Mode::Write ? Mode::Read : mode);
        }
        std::vector<int> kinds{kind};
        if (mode != Mode::Write && kind < 3) {
            kinds.push_back(kind + 3);
            use("isa", mode);
            use("sub", mode);
        }
        for (int k : kinds) {
            if (name.empty())
                use((mode == Mode::Write ? "w" : "r") + std::to_string(k), mode);
            else
                use(methodKey(name, k), mode);
        }
    }

    void walkList(const clib_list<FTerm*>* terms, Mode mode) {
        if (terms == nullptr) return;
        for (FTerm* term : *terms) walk(term, mode);
    }

    void walk(FTerm* term, Mode mode) {
        if (term == nullptr) return;
        // The parts of a term count as the term does: a path inside a head makes the values it
        // names when they are missing, so it writes them.
        if (term->is(ParseTreeClass::PTerm)) {
            auto* predicate = static_cast<PTerm*>(term);
            const clib_list<FTerm*>* args = predicate->getArgs();
            if (!predicate->isBuiltin()) {
                use("p" + std::to_string(args != nullptr ? args->length() : 0) + "/" +
                        symbolKey(predicate->getName()),
                    mode);
                walkList(args, mode);
            } else {
                // A built-in in a head (an assignment to a path) writes what its paths name.
                walkList(args, mode);
            }
        } else if (term->is(ParseTreeClass::AggExpr)) {
            FLiteralList* body = static_cast<AggExpr*>(term)->getBody();
            if (body != nullptr)
                for (FLiteral* literal : *body->getList())
                    walk(literal->getTerm(), Mode::ReadComplete);
        } else if (term->is(ParseTreeClass::ArithmeticExpr)) {
            auto* arithmetic = static_cast<ArithmeticExpr*>(term);
            walk(arithmetic->getLeft(), mode);
            walk(arithmetic->getRight(), mode);
        } else if (term->is(ParseTreeClass::FMolecule)) {
            auto* molecule = static_cast<FMolecule*>(term);
            walk(molecule->getHost(), mode);
            walk(molecule->getClassTerm(), mode);
            if (molecule->getIsaKind() == 1) {
                use("isa", mode);
                if (mode != Mode::Write) use("sub", mode);
            } else if (molecule->getIsaKind() == 2) {
                use("sub", mode);
            }
            if (molecule->getSpecs() != nullptr) {
                for (Spec* spec : *molecule->getSpecs()) {
                    method(spec->getMethod(), spec->getKind(), mode);
                    walkList(spec->getArgs(), mode);
                    if (spec->is(ParseTreeClass::SSpec))
                        walk(static_cast<SSpec*>(spec)->getResult(), mode);
                    if (spec->is(ParseTreeClass::MSpec))
                        walkList(static_cast<MSpec*>(spec)->getResults(), mode);
                }
            }
        } else if (term->is(ParseTreeClass::Reference)) {
            auto* reference = static_cast<Reference*>(term);
            walk(reference->getHost(), mode);
            const int dot = reference->getDot();
            method(reference->getMethod(), dot >= 0 && dot < methodKinds ? dot : 0, mode);
            walkList(reference->getArgs(), mode);
        } else if (term->is(ParseTreeClass::FunctionTerm) && !term->is(ParseTreeClass::FVar)) {
            walkList(static_cast<FunctionTerm*>(term)->getArgs(), mode);
        }
    }

    DependencyGraph& graph;
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
    std::function<void(int)> visit = [&](int v) {
        index[std::size_t(v)] = low[std::size_t(v)] = next++;
        stack.push_back(v);
        onStack[std::size_t(v)] = true;
        for (const auto& [w, negative] : graph.out(v)) {
            if (index[std::size_t(w)] < 0) {
                visit(w);
                low[std::size_t(v)] = std::min(low[std::size_t(v)], low[std::size_t(w)]);
            } else if (onStack[std::size_t(w)]) {
                low[std::size_t(v)] = std::min(low[std::size_t(v)], index[std::size_t(w)]);
            }
        }
        if (low[std::size_t(v)] != index[std::size_t(v)]) return;
        int w = -1;
        do {
            w = stack.back();
            stack.pop_back();
            onStack[std::size_t(w)] = false;
            comp[std::size_t(w)] = finished;
        } while (w != v);
        ++finished;
    };
    for (int v = 0; v < n; ++v)
        if (index[std::size_t(v)] < 0) visit(v);
    // Tarjan finishes a component after every component it reaches: reverse the numbers.
    for (int& c : comp) c = finished - 1 - c;
    count = finished;
    return comp;
}

// The stratum of each component, or an empty vector when a negative edge stays inside one.
std::vector<int> stratumNumbers(const DependencyGraph& graph, const std::vector<int>& comp,
                                int count) {
    std::vector<std::vector<std::pair<int, bool>>> into(static_cast<std::size_t>(count));
    for (int v = 0; v < int(graph.size()); ++v) {
        for (const auto& [w, negative] : graph.out(v)) {
            const int from = comp[std::size_t(v)];
            const int to = comp[std::size_t(w)];
            if (from == to) {
                if (negative) return {};
                continue;
            }
            into[std::size_t(to)].emplace_back(from, negative);
        }
    }
    std::vector<int> level(std::size_t(count), 0);
    for (int c = 0; c < count; ++c)
        for (const auto& [from, negative] : into[std::size_t(c)])
            level[std::size_t(c)] =
                std::max(level[std::size_t(c)], level[std::size_t(from)] + (negative ? 1 : 0));
    return level;
}

}  // namespace

Strata::Strata(FProgram* program) {
    if (program == nullptr) return;
    DependencyGraph graph;
    std::vector<FRule*> rules;
    std::vector<int> ruleNodes;
    // The relations that facts or rule heads write; any other one cannot change while the
    // program is evaluated, and reading it complete needs no wait.
    std::vector<bool> written;
    std::vector<std::pair<int, std::vector<std::pair<int, bool>>>> reads;
    auto markWritten = [&](const std::vector<int>& ids) {
        for (int id : ids) {
            if (written.size() <= std::size_t(id)) written.resize(std::size_t(id) + 1, false);
            written[std::size_t(id)] = true;
        }
    };
    // Facts of one relation come in runs: the node of the last one is looked up once. A
    // molecule of several atoms is passed over when its atoms write what the last one's did.
    FSymbol lastFact;
    int lastFactShape = -1;
    std::vector<FactList::Atom> atoms;
    std::vector<std::pair<int, FSymbol>> lastWrites;
    std::vector<std::pair<int, FSymbol>> writes;
    auto visitFact = [&](const FactList& facts, std::size_t i) {
        const int shape = facts.isMolecule(i) ? 256 * facts.form(i) : facts.arity(i);
        if (facts.form(i) == FactList::Molecule) {
            facts.atoms(i, atoms);
            writes.clear();
            for (const FactList::Atom& atom : atoms)
                writes.emplace_back(atom.form,
                                    atom.form == FactList::Value || atom.form == FactList::SetValue
                                        ? atom.method
                                        : FSymbol());
            if (shape == lastFactShape && writes == lastWrites) return true;
            lastWrites.swap(writes);
        } else if (shape == lastFactShape && facts.predicate(i) == lastFact) {
            return true;
        }
        lastFact = facts.predicate(i);
        lastFactShape = shape;
        RuleRelations relations(graph);
        relations.compactHead(facts, i, atoms);
        markWritten(relations.heads);
        return true;
    };
    auto visitClause = [&](FRule* clause) {
        const int kind = clause->ruleKind();
        if (kind == FRule::Fact) {
            RuleRelations relations(graph);
            for (FTerm* head : clause->getHead()->getList()) relations.head(head);
            markWritten(relations.heads);
        }
        if (kind != FRule::Rule) return true;
        RuleRelations relations(graph);
        for (FTerm* head : clause->getHead()->getList()) relations.head(head);
        for (FLiteral* literal : *clause->getBody()->getList()) relations.literal(literal);
        // All relations of one head complete together; a head that writes no relation still
        // has a place of its own.
        if (relations.heads.empty())
            relations.heads.push_back(graph.node("rule" + std::to_string(rules.size())));
        for (std::size_t i = 0; i < relations.heads.size(); ++i)
            graph.edge(relations.heads[i], relations.heads[(i + 1) % relations.heads.size()],
                       false);
        markWritten(relations.heads);
        reads.emplace_back(relations.heads.front(), relations.reads);
        rules.push_back(clause);
        ruleNodes.push_back(relations.heads.front());
        return true;
    };
    program->forEachClause(visitClause, visitFact);
    // A method written through a variable may be any method of its kind; a variable read sees
    // them all.
    for (int kind = 0; kind < methodKinds; ++kind) {
        const int writeAny = graph.node("w" + std::to_string(kind));
        const int readAll = graph.node("r" + std::to_string(kind));
        graph.edge(writeAny, readAll, false);
        const std::string prefix = "m" + std::to_string(kind) + "/";
        std::vector<int> methods;
        for (const auto& [key, id] : graph.names())
            if (key.compare(0, prefix.size(), prefix) == 0) methods.push_back(id);
        for (int id : methods) {
            graph.edge(writeAny, id, false);
            graph.edge(id, readAll, false);
        }
    }
    // What is written reaches the methods of a variable write and the variable reads.
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
    for (const auto& [head, bodyReads] : reads)
        for (const auto& [read, complete] : bodyReads)
            graph.edge(read, head, complete && written[std::size_t(read)]);
    int count = 0;
    const std::vector<int> comp = components(graph, count);
    const std::vector<int> level = stratumNumbers(graph, comp, count);
    std::vector<int> ruleLevel;
    for (int id : ruleNodes)
        ruleLevel.push_back(level.empty() ? 0 : level[std::size_t(comp[std::size_t(id)])]);
    // The facts are in the first part, before every rule that reads a relation complete.
    std::vector<int> used(ruleLevel);
    used.push_back(0);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    if (used.size() <= 1) {
        incRef(program);
        programs.push_back(program);
        return;
    }
    for (std::size_t i = 0; i < used.size(); ++i) {
        auto* part = new FProgram(new clib_list<FRule*>, program->getSymTab());
        part->setInheritanceMark(program->inheritanceMark());
        programs.push_back(part);
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

Strata::~Strata() {
    for (FProgram* part : programs) decRef(part);
}
