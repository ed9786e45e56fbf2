// ProgramPlan: the dependency graph of a program's relations drawn from its clauses' summaries,
// its strongly connected components in dependency order, the strata and the warnings for the
// parts evaluated in rounds.
#include "eval/ProgramPlan.h"

#include <algorithm>
#include <functional>
#include <map>
#include <queue>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "foundation/HashMix.h"
#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FactList.h"
#include "objectbase/MethodType.h"
#include "objectbase/SymTab.h"

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
    // The objects of the base as a whole, which every head may add to: read by a rule that
    // reads bare objects or calls a built-in that reads the whole base.
    Objects,
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
    // The node of the relation the info names (its kind, number and symbol), made when new.
    int node(const NodeInfo& info) {
        const Key key{int(info.relation), info.number, info.symbol.getType(),
                      info.symbol.getValue()};
        auto [it, added] = ids.emplace(key, int(edges.size()));
        if (added) {
            edges.emplace_back();
            infos.push_back(info);
        }
        return it->second;
    }
    void edge(int from, int to, bool negative) {
        edges[std::size_t(from)].push_back({to, negative});
    }
    std::size_t size() const { return edges.size(); }
    const std::vector<std::pair<int, bool>>& out(int from) const {
        return edges[std::size_t(from)];
    }
    const NodeInfo& info(int id) const { return infos[std::size_t(id)]; }

  private:
    // A relation by kind, number and the symbol's kind and value (an "any" node has no symbol;
    // a rule's node has its number). Hashed: a program of many rules names many relations, and
    // keys written as texts in a sorted map cost more than the rest of the plan.
    struct Key {
        int relation, number, type;
        std::int32_t value;
        bool operator==(const Key&) const = default;
    };
    struct KeyHash {
        std::size_t operator()(const Key& key) const {
            std::uint64_t h =
                hashMix::step(hashMix::Seed, std::uint64_t(std::uint32_t(key.relation)) << 32 |
                                                 std::uint32_t(key.number));
            h = hashMix::step(
                h, std::uint64_t(std::uint32_t(key.type)) << 32 | std::uint32_t(key.value));
            return std::size_t(h);
        }
    };
    std::unordered_map<Key, int, KeyHash> ids;
    std::vector<std::vector<std::pair<int, bool>>> edges;
    std::vector<NodeInfo> infos;
};

std::string symbolKey(const InternalName& name) {
    return std::to_string(name.getType()) + ":" + std::to_string(name.getValue());
}

// The nodes of the relations: a predicate by name and arity, a method by name and arrow kind,
// memberships and subclasses by class; one node each for what variable positions read and write.
int predicateNode(DependencyGraph& graph, const InternalName& name, int arity) {
    return graph.node({Relation::Predicate, name, arity});
}
int methodNode(DependencyGraph& graph, const InternalName& name, int kind) {
    return graph.node({Relation::Method, name, kind});
}
int anyMethodNode(DependencyGraph& graph, int kind, bool write) {
    return graph.node({write ? Relation::MethodWriteAny : Relation::MethodReadAll, {}, kind});
}
int memberNode(DependencyGraph& graph, const InternalName& cls) {
    return graph.node({Relation::Member, cls, 0});
}
int anyMemberNode(DependencyGraph& graph, bool write) {
    return graph.node({write ? Relation::MemberWriteAny : Relation::MemberReadAll, {}, 0});
}
int subclassNode(DependencyGraph& graph, const InternalName& cls) {
    return graph.node({Relation::Subclass, cls, 0});
}
int anySubclassNode(DependencyGraph& graph, bool write) {
    return graph.node({write ? Relation::SubclassWriteAny : Relation::SubclassReadAll, {}, 0});
}

// What the whole program writes that decides what else a relation depends on: the subclass
// steps its facts and heads can make, and the classes that hold inheritable values.
struct ProgramShape {
    std::set<std::pair<std::string, std::string>> steps;
    std::vector<std::pair<ClassRef, ClassRef>> stepList;
    // Per inheritable kind (3 to 5), the classes holding values of a method (by key, "" for a
    // method written through a variable), each once by its key ("" for a variable host, which
    // may be any class).
    std::map<std::string, std::map<std::string, ClassRef>> holders[methodKinds];

    void step(const ClassRef& lower, const ClassRef& upper) {
        const std::string a = lower.constant ? symbolKey(lower.name) : "";
        const std::string b = upper.constant ? symbolKey(upper.name) : "";
        if (steps.emplace(a, b).second) stepList.emplace_back(lower, upper);
    }
    // The steps and inheritable values of one clause.
    void add(const RuleSummary& summary) {
        for (const RuleSummary::Step& step : summary.steps) this->step(step.lower, step.upper);
        for (const RuleSummary::Inheritable& value : summary.inheritables) {
            const RelationRef& method = value.method;
            holders[method.number][method.constant ? symbolKey(method.name) : ""].emplace(
                value.holder.constant ? symbolKey(value.holder.name) : "", value.holder);
        }
    }
    bool anyHolder() const {
        for (const auto& kind : holders)
            if (!kind.empty()) return true;
        return false;
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

Wait waitOf(RuleSummary::Read how) {
    return how == RuleSummary::Read::Negated      ? Wait::Negation
           : how == RuleSummary::Read::Aggregated ? Wait::Aggregate
                                                  : Wait::None;
}

// The node of a relation as a clause names it; `write` picks the node a variable position
// writes through rather than the one it reads through.
int nodeOf(DependencyGraph& graph, const RelationRef& relation, bool write) {
    switch (relation.kind) {
        case RelationRef::Kind::Predicate:
            return predicateNode(graph, relation.name, relation.number);
        case RelationRef::Kind::Method:
            return relation.constant ? methodNode(graph, relation.name, relation.number)
                                     : anyMethodNode(graph, relation.number, write);
        case RelationRef::Kind::Member:
            return relation.constant ? memberNode(graph, relation.name)
                                     : anyMemberNode(graph, write);
        case RelationRef::Kind::Subclass:
            return relation.constant ? subclassNode(graph, relation.name)
                                     : anySubclassNode(graph, write);
    }
    return -1;
}

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

// A relation as the warning names it; empty for the place of a rule that writes nothing.
std::string label(const NodeInfo& info, const SymTab* names) {
    auto name = [&](const InternalName& symbol) {
        return names != nullptr ? names->giveName(symbol) : symbolKey(symbol);
    };
    const MethodTypeText* text = methodTypeText(info.number);
    const std::string arrow = text != nullptr ? text->arrow : "->";
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
        case Relation::Objects:
        case Relation::Rule:
            break;
    }
    return "";
}

// One rule of the program: the node its heads share and what it reads.
struct RuleEntry {
    FRule* clause;
    int head;
    std::vector<std::pair<int, Wait>> reads;
};

// The components in dependency order: of the components every edge allows, the one whose first
// rule stands earliest in the program goes first, so that independent rules keep their order.
std::vector<int> dependencyOrder(const DependencyGraph& graph, const std::vector<int>& comp,
                                 int count, const std::vector<std::size_t>& firstRule) {
    std::vector<std::vector<int>> next(static_cast<std::size_t>(count));
    std::vector<int> before(std::size_t(count), 0);
    for (int v = 0; v < int(graph.size()); ++v)
        for (const auto& [w, negative] : graph.out(v)) {
            const int from = comp[std::size_t(v)];
            const int to = comp[std::size_t(w)];
            if (from == to) continue;
            next[std::size_t(from)].push_back(to);
            ++before[std::size_t(to)];
        }
    using Entry = std::pair<std::size_t, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<>> ready;
    for (int c = 0; c < count; ++c)
        if (before[std::size_t(c)] == 0) ready.emplace(firstRule[std::size_t(c)], c);
    std::vector<int> order;
    order.reserve(std::size_t(count));
    while (!ready.empty()) {
        const int c = ready.top().second;
        ready.pop();
        order.push_back(c);
        for (int to : next[std::size_t(c)])
            if (--before[std::size_t(to)] == 0) ready.emplace(firstRule[std::size_t(to)], to);
    }
    return order;
}

// Whether a rule may see an inherited value or change what is inherited: anything but a rule
// that reads and writes predicates alone.
bool touchesInheritance(const RuleSummary& summary) {
    if (summary.equates || summary.readsWholeBase || summary.readsObjects ||
        summary.writesObjects || !summary.objectReads.empty() || !summary.steps.empty() ||
        !summary.inheritables.empty())
        return true;
    for (const RelationRef& written : summary.writes)
        if (written.kind != RelationRef::Kind::Predicate) return true;
    for (const RuleSummary::Access& read : summary.reads)
        if (read.relation.kind != RelationRef::Kind::Predicate) return true;
    return false;
}

// Whether a rule may change what a trigger phase inherits: it writes a membership, a subclass, a
// method value (an own value that may replace an inherited one, or a second value of a method
// with one, which equates objects), an inheritable value, an equality or bare objects. A rule
// that only reads methods changes nothing a phase looks at.
bool changesInheritance(const RuleSummary& summary) {
    if (summary.equates || summary.writesObjects || !summary.steps.empty() ||
        !summary.inheritables.empty())
        return true;
    for (const RelationRef& written : summary.writes)
        if (written.kind != RelationRef::Kind::Predicate) return true;
    return false;
}

Ref<FProgram> emptyLike(FProgram* program) {
    auto part = Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, program->getSymTab()));
    part->setInheritanceMark(program->inheritanceMark());
    return part;
}

}  // namespace

ProgramPlan::ProgramPlan(FProgram* program, Inheritance inheritance, Split split)
    : inheritance(inheritance), book(std::make_shared<SummaryBook>()) {
    if (program == nullptr) return;
    plan(program, nullptr, RuleSummary());
    // Only a recursion through negation or aggregation asks for the hierarchy to be made first.
    if (split == Split::Whole || roundsWarnings.empty()) return;
    const std::vector<bool> first = hierarchyRules();
    if (first.empty()) return;
    clear();
    // The hierarchy first, with the facts and queries; the other rules once it is made.
    Ref<FProgram> lower = emptyLike(program);
    restProgram = emptyLike(program);
    std::size_t r = 0;
    program->forEachClause(
        [&](FRule* clause) {
            if (clause->ruleKind() != FRule::Rule)
                lower->append(clause);
            else
                (first[r++] ? lower : restProgram)->append(clause);
            return true;
        },
        [&](const FactList& facts, std::size_t i) {
            lower->appendFact(facts, i);
            return true;
        });
    plan(lower.get(), nullptr, RuleSummary());
}

ProgramPlan::ProgramPlan(FProgram* program, Inheritance inheritance, const Subclasses* subclasses,
                         const RuleSummary& given, std::shared_ptr<SummaryBook> book)
    : inheritance(inheritance), book(std::move(book)) {
    if (program != nullptr) plan(program, subclasses, given);
}

void ProgramPlan::clear() {
    ruleSummaries.clear();
    ruleClauses.clear();
    levelPrograms.clear();
    componentList.clear();
    roundsWarnings.clear();
    byComponent = true;
    apartButForValues = false;
    settling = 0;
    readsAllObjects = false;
    planWrites = RuleSummary();
}

void ProgramPlan::plan(FProgram* program, const Subclasses* subclasses, const RuleSummary& given) {
    analyse(program, subclasses, given, Objects::Unordered);
    if (!readsAllObjects) return;
    // Rules read bare objects or the whole base: ordered after every rule that may add to
    // them, the components still run apart, unless that order ties a negation or an aggregate
    // into a recursion the program did not have without it.
    if (byComponent) {
        const std::vector<std::string> unordered = roundsWarnings;
        clear();
        analyse(program, subclasses, given, Objects::Ordered);
        if (roundsWarnings == unordered) return;
        clear();
        analyse(program, subclasses, given, Objects::Unordered);
    }
    byComponent = false;
}

ProgramPlan::~ProgramPlan() = default;

ProgramPlan::TriggerPlacement ProgramPlan::triggerPlacement() const {
    const bool apart = inheritance == Inheritance::Inherits && apartButForValues &&
                       !readsAllObjects && roundsWarnings.empty() && !restProgram;
    return apart ? TriggerPlacement::WithComponents : TriggerPlacement::EveryStratum;
}

ProgramPlan::WalkPolicy ProgramPlan::walkPolicy(Values values, Road road) const {
    if (road == Road::OneRound) return WalkPolicy::Strata;
    if (road == Road::First && triggerPlacement() == TriggerPlacement::WithComponents)
        return WalkPolicy::SettleThenComponents;
    if (byComponent && values == Values::Stay && (road == Road::First || roundsWarnings.empty()))
        return WalkPolicy::Components;
    return WalkPolicy::Strata;
}

const RuleSummary* ProgramPlan::summaryOf(const FRule* clause) const {
    const auto it = book->find(clause);
    return it == book->end() ? nullptr : &it->second;
}

const RuleSummary& ProgramPlan::summarise(FRule* clause, const SymTab* names) {
    auto [it, added] = book->try_emplace(clause);
    if (added) it->second = RuleSummary::of(clause, names);
    return it->second;
}

std::unique_ptr<ProgramPlan> ProgramPlan::drawRest(const Subclasses& subclasses) const {
    if (!restProgram) return nullptr;
    return std::unique_ptr<ProgramPlan>(
        new ProgramPlan(restProgram.get(), inheritance, &subclasses, planWrites, book));
}

std::vector<bool> ProgramPlan::hierarchyRules() const {
    const std::vector<const RuleSummary*>& summaries = ruleSummaries;
    bool derived = false;
    for (const RuleSummary* summary : summaries)
        for (const RuleSummary::Step& step : summary->steps)
            derived = derived || !step.lower.constant || !step.upper.constant;
    if (!derived) return {};
    std::vector<bool> in(summaries.size(), false);
    std::vector<std::size_t> work;
    for (std::size_t i = 0; i < summaries.size(); ++i)
        for (const RuleSummary::Step& step : summaries[i]->steps)
            if (!in[i] && (!step.lower.constant || !step.upper.constant)) {
                in[i] = true;
                work.push_back(i);
            }
    while (!work.empty()) {
        const RuleSummary& rule = *summaries[work.back()];
        work.pop_back();
        if (rule.readsObjects || rule.unbounded()) return {};
        for (const RuleSummary::Access& read : rule.reads) {
            const RelationRef& relation = read.relation;
            // What the hierarchy decides cannot be read before it is made: the memberships and
            // the methods that may inherit through it. The subclass relation itself is made by
            // the rules gathered here (every rule writing what they read joins them), so they
            // may read it.
            if (relation.kind == RelationRef::Kind::Member ||
                (relation.kind == RelationRef::Kind::Method &&
                 inheritance == Inheritance::Inherits && relation.number < 6))
                return {};
            for (std::size_t j = 0; j < summaries.size(); ++j) {
                if (in[j]) continue;
                for (const RelationRef& written : summaries[j]->writes)
                    if (mayMeet(relation, written)) {
                        in[j] = true;
                        work.push_back(j);
                        break;
                    }
            }
        }
    }
    // Nothing above the hierarchy: one plan.
    if (std::find(in.begin(), in.end(), false) == in.end()) return {};
    return in;
}

void ProgramPlan::analyse(FProgram* program, const Subclasses* subclasses, const RuleSummary& given,
                          Objects objects) {
    planned = Ref<FProgram>::share(program);
    DependencyGraph graph;
    ProgramShape shape;
    std::vector<RuleEntry> rules;
    std::vector<MethodRead> methodReads;
    // The relations that facts or rule heads write; any other one cannot change while the
    // program is evaluated, and reading it complete needs no wait.
    std::vector<bool> written;
    auto markWritten = [&](const RuleSummary& summary) {
        std::vector<int> ids;
        for (const RelationRef& relation : summary.writes) {
            const int id = nodeOf(graph, relation, true);
            ids.push_back(id);
            if (written.size() <= std::size_t(id)) written.resize(std::size_t(id) + 1, false);
            written[std::size_t(id)] = true;
        }
        shape.add(summary);
        planWrites.writes.insert(planWrites.writes.end(), summary.writes.begin(),
                                 summary.writes.end());
        planWrites.inheritables.insert(planWrites.inheritables.end(), summary.inheritables.begin(),
                                       summary.inheritables.end());
        if (summary.equates) byComponent = false;
        if (summary.readsObjects || summary.readsWholeBase) readsAllObjects = true;
        return ids;
    };
    // Written below, as far as reading it goes; its steps are in the base.
    RuleSummary before = given;
    before.steps.clear();
    markWritten(before);
    // The facts are looked at by the relations they write, each where the first fact writing
    // it stands, so that relations get their nodes in the order a walk over every fact gave.
    auto visitWrite = [&](const FactList::Write& write) {
        markWritten(RuleSummary::ofFacts(write));
        return true;
    };
    auto visitClause = [&](FRule* clause) {
        const int kind = clause->ruleKind();
        if (kind == FRule::Fact) markWritten(summarise(clause, program->getSymTab()));
        if (kind != FRule::Rule) return true;
        const RuleSummary& summary = summarise(clause, program->getSymTab());
        std::vector<int> heads = markWritten(summary);
        // All relations of one head complete together; a head that writes no relation still
        // has a place of its own.
        if (heads.empty()) heads.push_back(graph.node({Relation::Rule, {}, int(rules.size())}));
        for (std::size_t i = 0; i < heads.size(); ++i)
            graph.edge(heads[i], heads[(i + 1) % heads.size()], false);
        RuleEntry entry{clause, heads.front(), {}};
        for (const RuleSummary::Access& read : summary.reads) {
            const RelationRef& relation = read.relation;
            entry.reads.emplace_back(nodeOf(graph, relation, false), waitOf(read.how));
            if (relation.kind == RelationRef::Kind::Method &&
                relation.number < 2 * inheritableOffset)
                methodReads.push_back({rules.size(), relation.constant, relation.name,
                                       relation.number, waitOf(read.how)});
        }
        rules.push_back(std::move(entry));
        ruleSummaries.push_back(&summary);
        ruleClauses.push_back(clause);
        return true;
    };
    program->forEachRuleAndWrite(visitClause, visitWrite);
    apartButForValues = byComponent;
    if (inheritance == Inheritance::Inherits && shape.anyHolder()) byComponent = false;
    if (readsAllObjects && objects == Objects::Ordered) {
        const int all = graph.node({Relation::Objects, {}, 0});
        for (std::size_t r = 0; r < rules.size(); ++r) {
            graph.edge(rules[r].head, all, false);
            const RuleSummary& summary = *ruleSummaries[r];
            for (const RuleSummary::Access& read : summary.objectReads)
                rules[r].reads.emplace_back(all, waitOf(read.how));
            if (summary.readsWholeBase) rules[r].reads.emplace_back(all, Wait::None);
        }
    }

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
            std::map<std::string, ClassRef> holders;
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
    // The hierarchy already made, as far as it joins classes this program names.
    if (subclasses != nullptr) {
        std::vector<InternalName> classes;
        for (int v = 0; v < int(graph.size()); ++v) {
            const NodeInfo& info = graph.info(v);
            if (info.relation == Relation::Member || info.relation == Relation::Subclass)
                classes.push_back(info.symbol);
        }
        std::sort(classes.begin(), classes.end());
        classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
        for (const InternalName& upper : classes)
            for (const FSymbol& lower : (*subclasses)(FSymbol(upper)))
                if (std::binary_search(classes.begin(), classes.end(), InternalName(lower)))
                    shape.step({true, lower}, {true, upper});
    }
    // Every class with subclasses has members; every step of the hierarchy has its classes.
    for (const auto& [lower, upper] : shape.stepList)
        for (const ClassRef& cls : {lower, upper})
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
    const std::vector<int> comp = ::components(graph, count);
    // A component that reads itself complete has no strata: it is evaluated in rounds. The
    // first rule that does so is named, with the relations of the component. A component one
    // of whose rules reads it at all is recursive.
    std::vector<bool> rounds(std::size_t(count), false);
    std::vector<bool> recursive(std::size_t(count), false);
    std::vector<const RuleEntry*> culprit(std::size_t(count), nullptr);
    std::vector<Wait> culpritWait(std::size_t(count), Wait::None);
    for (const RuleEntry& rule : rules) {
        const int c = comp[std::size_t(rule.head)];
        for (const auto& read : rule.reads) {
            if (comp[std::size_t(read.first)] != c) continue;
            recursive[std::size_t(c)] = true;
            if (!waits(read)) continue;
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

    // The components that hold rules, in dependency order.
    std::vector<std::size_t> firstRule(std::size_t(count), 0);
    std::vector<std::vector<FRule*>> componentRules(static_cast<std::size_t>(count));
    for (std::size_t r = rules.size(); r-- > 0;) {
        const int c = comp[std::size_t(rules[r].head)];
        firstRule[std::size_t(c)] = r;
        componentRules[std::size_t(c)].push_back(rules[r].clause);
    }
    // The facts and queries first.
    Ref<FProgram> facts = emptyLike(program);
    auto takeClause = [&](FRule* clause) {
        if (clause->ruleKind() != FRule::Rule) facts->append(clause);
        return true;
    };
    if (facts->takeFactsBeforeRules(*program))
        program->forEachRule(takeClause);
    else
        program->forEachClause(takeClause, [&](const FactList& list, std::size_t i) {
            facts->appendFact(list, i);
            return true;
        });
    const bool anyFacts = facts->clauseCount() > 0;
    for (int c : dependencyOrder(graph, comp, count, firstRule)) {
        std::vector<FRule*>& clauses = componentRules[std::size_t(c)];
        if (clauses.empty()) continue;
        // The facts go with the first component, unless it reads something complete: they come
        // before whatever waits.
        const bool first = componentList.empty() && anyFacts && level[std::size_t(c)] == 0;
        if (componentList.empty() && anyFacts && !first)
            componentList.push_back({facts, false, true, false, 0});
        Ref<FProgram> part = first ? facts : emptyLike(program);
        for (auto it = clauses.rbegin(); it != clauses.rend(); ++it) part->append(*it);
        componentList.push_back({part, recursive[std::size_t(c)], first, rounds[std::size_t(c)],
                                 level[std::size_t(c)]});
        bool touches = false;
        bool changes = first;
        for (const FRule* clause : clauses) {
            const RuleSummary* summary = summaryOf(clause);
            touches = touches || summary == nullptr || touchesInheritance(*summary);
            changes = changes || summary == nullptr || changesInheritance(*summary);
        }
        if (changes) settling = componentList.size();
        if (!touches && !first) componentList.back().triggers = Triggers::None;
    }
    // The facts change what is inherited too.
    if (anyFacts && settling == 0) settling = 1;
    // A program without rules is its facts; an empty one still takes its round.
    if (componentList.empty())
        componentList.push_back(
            {anyFacts ? facts : Ref<FProgram>::share(program), false, true, false, 0});

    std::vector<int> ruleLevel;
    for (const RuleEntry& rule : rules)
        ruleLevel.push_back(level[std::size_t(comp[std::size_t(rule.head)])]);
    // The facts are in the first part, before every rule that reads a relation complete.
    std::vector<int> used(ruleLevel);
    used.push_back(0);
    std::sort(used.begin(), used.end());
    used.erase(std::unique(used.begin(), used.end()), used.end());
    if (used.size() <= 1) {
        levelPrograms.push_back(Ref<FProgram>::share(program));
        return;
    }
    for (std::size_t i = 0; i < used.size(); ++i) levelPrograms.push_back(emptyLike(program));
    std::size_t r = 0;
    auto placeClause = [&](FRule* clause) {
        if (clause->ruleKind() != FRule::Rule) {
            levelPrograms.front()->append(clause);
            return true;
        }
        const auto at = std::lower_bound(used.begin(), used.end(), ruleLevel[r++]);
        levelPrograms[std::size_t(at - used.begin())]->append(clause);
        return true;
    };
    if (levelPrograms.front()->takeFactsBeforeRules(*program))
        program->forEachRule(placeClause);
    else
        program->forEachClause(placeClause, [&](const FactList& facts, std::size_t i) {
            levelPrograms.front()->appendFact(facts, i);
            return true;
        });
}

std::string ProgramPlan::describe(
    const std::function<std::string(const FRule*)>& clauseText) const {
    std::string out;
    int number = 0;
    for (const Component& component : componentList) {
        out += std::to_string(++number) + ". ";
        bool first = true;
        std::string clauses;
        component.program->forEachClause(
            [&](FRule* clause) {
                clauses += (first ? "" : " | ") + clauseText(clause);
                first = false;
                return true;
            },
            [&](const FactList& list, std::size_t i) {
                const Ref<FRule> clause = Ref<FRule>::adopt(list.clause(i));
                clauses += (first ? "" : " | ") + clauseText(clause.get());
                first = false;
                return true;
            });
        out += component.rounds ? "rounds" : component.recursive ? "recursive" : "one pass";
        if (component.facts) out += " after the facts";
        out += ", stratum " + std::to_string(component.level) + ": " + clauses + "\n";
    }
    if (restProgram) {
        out += "then, over the hierarchy these make:";
        bool first = true;
        restProgram->forEachClause(
            [&](FRule* clause) {
                out += (first ? " " : " | ") + clauseText(clause);
                first = false;
                return true;
            },
            [](const FactList&, std::size_t) { return true; });
        out += "\n";
    }
    return out;
}
