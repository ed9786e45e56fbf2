// The greedy join order: literals become candidates as the variables they need are bound, and a
// priority queue hands out the connected candidate with the most bound variables, written order
// breaking ties. Each literal is looked at again only when one of its own variables gets bound,
// so planning costs time in proportion to the body's size (times a logarithm), not its square.
#include "compile/JoinPlanner.h"

#include <algorithm>
#include <map>
#include <queue>
#include <tuple>
#include <vector>

#include "language/ArithmeticExpr.h"
#include "language/CPath.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/IdTerm.h"
#include "language/PTerm.h"
#include "language/Path.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

namespace {

// Moves each test that filters one earlier literal alone (JoinPlanner::filtersAlone) to just
// behind the first such literal, behind the tests moved there before it. Such a test then
// filters that literal's rows before they are joined: a selection after a join made the join's
// whole result be stored to be tested (a 3-way join with `E < 100` on its last relation held
// ten times the rows it kept).
void attachFilters(std::vector<FLiteral*>& order, const SymTab* names) {
    if (std::none_of(order.begin(), order.end(), [](const FLiteral* literal) {
            const FTerm* term = literal->getTerm();
            return !literal->isNegated() && term != nullptr && term->isBuiltin();
        }))
        return;
    // Per literal: how many tests now follow it.
    std::map<const FLiteral*, std::size_t> attached;
    for (std::size_t j = 1; j < order.size(); ++j) {
        FLiteral* test = order[j];
        for (std::size_t i = 0; i < j; ++i) {
            if (!JoinPlanner::filtersAlone(test, order[i], names)) continue;
            const std::size_t to = i + 1 + attached[order[i]]++;
            std::rotate(order.begin() + std::ptrdiff_t(to), order.begin() + std::ptrdiff_t(j),
                        order.begin() + std::ptrdiff_t(j) + 1);
            break;
        }
    }
}

class Planning {
  public:
    Planning(const FLiteralList* body, const SymTab* names) : names(names) {
        literals.assign(body->getList()->begin(), body->getList()->end());
        const std::size_t n = literals.size();
        vars.resize(n);
        boundCount.assign(n, 0);
        version.assign(n, 0);
        placed.assign(n, 0);
        hostVars.resize(n);
        plain.assign(n, 0);
        for (std::size_t i = 0; i < n; ++i) {
            const FTerm* term = literals[i]->getTerm();
            plain[i] = !literals[i]->isNegated() && node_cast<PTerm>(term) != nullptr &&
                       !term->isBuiltin();
            VarList* list = literals[i]->giveVars();
            for (const FSymbol& v : *list) {
                auto [at, added] = ids.try_emplace(v, int(users.size()));
                if (added) {
                    users.emplace_back();
                    isBound.push_back(0);
                    symbols.push_back(v);
                }
                const int id = at->second;
                // A variable written twice in the literal counts once.
                if (!users[std::size_t(id)].empty() && users[std::size_t(id)].back() == int(i))
                    continue;
                vars[i].push_back(id);
                users[std::size_t(id)].push_back(int(i));
            }
            delete list;
            for (const FSymbol& v : JoinPlanner::pairStepHost(literals[i]))
                hostVars[i].push_back(ids.at(v));
        }
    }

    Ref<FLiteralList> run(VarSet& bound) {
        auto ordered = Ref<FLiteralList>::make();
        // The delta atom of a rewritten rule opens the body: the rule exists to join it.
        for (std::size_t i = 0; i < literals.size(); ++i) {
            if (literals[i]->secondFlag() != 0 && evaluable(int(i), nullptr)) {
                place(int(i), ordered.get());
                break;
            }
        }
        for (std::size_t i = 0; i < literals.size(); ++i) offer(int(i));
        while (!queue.empty()) {
            const auto [ready, connected, count, negIndex, stamp] = queue.top();
            queue.pop();
            const int i = -negIndex;
            if (placed[std::size_t(i)] != 0 || stamp != version[std::size_t(i)]) continue;
            place(i, ordered.get());
        }
        for (std::size_t id = 0; id < symbols.size(); ++id)
            if (isBound[id] != 0) bound.insert(symbols[id]);
        for (const FSymbol& var : dontCares) bound.insert(var);
        if (ordered->isEmpty() && !literals.empty()) return {};
        std::vector<FLiteral*> order(ordered->getList()->begin(), ordered->getList()->end());
        attachFilters(order, names);
        if (std::equal(order.begin(), order.end(), ordered->getList()->begin())) return ordered;
        auto moved = Ref<FLiteralList>::make();
        for (FLiteral* literal : order) moved->append(literal);
        return moved;
    }

  private:
    // The bound variables of literal i, the only ones its safety depends on.
    VarSet boundOf(int i) const {
        VarSet own;
        for (int id : vars[std::size_t(i)])
            if (isBound[std::size_t(id)] != 0) own.insert(symbols[std::size_t(id)]);
        return own;
    }

    // Whether literal i can be evaluated now; `binds` (when given) receives what it binds.
    bool evaluable(int i, VarSet* binds) {
        if (plain[std::size_t(i)] != 0) {
            // A stored predicate is read whatever is bound, and binds all its variables: the
            // answer its literal gives, without the walk of its terms that asking costs.
            if (binds != nullptr) {
                binds->clear();
                for (int id : vars[std::size_t(i)]) binds->insert(symbols[std::size_t(id)]);
            }
            return true;
        }
        const FLiteral* literal = literals[std::size_t(i)];
        VarSet trial = boundOf(i);
        if (literal->bindVars(trial, names)) {
            if (binds != nullptr) *binds = trial;
            return true;
        }
        if (!literal->isNegated()) return false;
        VarSet trialDontCares(dontCares);
        if (!literal->negationSafe(boundOf(i), trialDontCares, names)) return false;
        if (binds != nullptr) binds->clear();
        return true;
    }

    // 0 for a pair-listing step whose host is not bound yet, else 1.
    int hostReady(int i) const {
        for (int id : hostVars[std::size_t(i)])
            if (isBound[std::size_t(id)] == 0) return 0;
        return 1;
    }

    // Makes literal i a candidate with its current standing, when it can be evaluated now.
    void offer(int i) {
        if (placed[std::size_t(i)] != 0 || !evaluable(i, nullptr)) return;
        const int count = boundCount[std::size_t(i)];
        // A literal without variables is a test that joins anything once something is placed.
        const int connected = count > 0 || (vars[std::size_t(i)].empty() && placedCount > 0);
        queue.emplace(hostReady(i), connected, count, -i, version[std::size_t(i)]);
    }

    void place(int i, FLiteralList* ordered) {
        FLiteral* literal = literals[std::size_t(i)];
        VarSet binds;
        evaluable(i, &binds);
        if (literal->isNegated() && !literal->bindVars(binds, names))
            literal->negationSafe(boundOf(i), dontCares, names);
        placed[std::size_t(i)] = 1;
        ordered->append(literal);
        if (placedCount++ == 0) {
            for (std::size_t j = 0; j < literals.size(); ++j) {
                if (!vars[j].empty()) continue;
                ++version[j];
                offer(int(j));
            }
        }
        for (const FSymbol& var : binds) {
            auto at = ids.find(var);
            if (at == ids.end() || isBound[std::size_t(at->second)] != 0) continue;
            isBound[std::size_t(at->second)] = 1;
            for (int user : users[std::size_t(at->second)]) {
                ++boundCount[std::size_t(user)];
                ++version[std::size_t(user)];
                offer(user);
            }
        }
    }

    const SymTab* names;
    std::vector<FLiteral*> literals;
    // Per literal: its distinct variables (as ids), how many are bound, the stamp of its latest
    // candidate entry, whether it is placed.
    std::vector<std::vector<int>> vars;
    std::vector<int> boundCount;
    std::vector<int> version;
    std::vector<char> placed;
    // Per literal: whether it is a positive stored predicate (see evaluable).
    std::vector<char> plain;
    // Per literal: the host variables of a pair-listing axis step (see pairStepHost).
    std::vector<std::vector<int>> hostVars;
    int placedCount = 0;
    // Per variable: the literals that have it, whether it is bound.
    std::map<FSymbol, int> ids;
    std::vector<FSymbol> symbols;
    std::vector<std::vector<int>> users;
    std::vector<char> isBound;
    VarSet dontCares;
    // Candidates: a pair-listing step with a free host last, then connected first, then more
    // bound variables, then written first; an entry whose stamp is older than its literal's is
    // stale.
    std::priority_queue<std::tuple<int, int, int, int, int>> queue;
};

}  // namespace

Ref<FLiteralList> JoinPlanner::plan(const FLiteralList* body, VarSet& bound, const SymTab* names) {
    if (body == nullptr) return {};
    Planning planning(body, names);
    return planning.run(bound);
}

Ref<FLiteralList> JoinPlanner::safeOrder(const FLiteralList* body, VarSet& bound,
                                         const SymTab* names) {
    if (body == nullptr) return {};
    return Ref<FLiteralList>::adopt(body->safeOrder(bound, names));
}

namespace {

// Variables, constants and arithmetic over them: a value computed from the row alone.
bool plainOperand(const FTerm* term) {
    if (const auto* arithmetic = dynamic_cast<const ArithmeticExpr*>(term))
        return plainOperand(arithmetic->getLeft()) && plainOperand(arithmetic->getRight());
    return dynamic_cast<const IdTerm*>(term) != nullptr;
}

bool isFilterBuiltin(const std::string& name) {
    static const char* const filters[] = {
        "=", "<", ">", "<=", ">=", "equiv", "integer", "string", "float"};
    return std::any_of(std::begin(filters), std::end(filters),
                       [&name](const char* filter) { return name == filter; });
}

// Axis codes: 2 descendant, 4 ancestor, 5 sibling.
bool listsPairs(int code) {
    return code == 2 || code == 4 || code == 5;
}

}  // namespace

std::vector<FSymbol> JoinPlanner::pairStepHost(const FLiteral* literal) {
    std::vector<FSymbol> host;
    if (literal == nullptr || literal->isNegated()) return host;
    // The step is the literal's molecule (a normalised atom) or a path step on its host chain
    // (a query's `D/descendant::a[self -> T]`); the first one found has the others in its host.
    const CPath* step = nullptr;
    for (const CPath* path = node_cast<CPath>(literal->getTerm()); path != nullptr;
         path = node_cast<CPath>(path->getHost())) {
        if (const auto* molecule = node_cast<FMolecule>(path)) {
            const clib_list<Spec*>* specs = molecule->getSpecs();
            if (specs != nullptr && std::any_of(specs->begin(), specs->end(), [](const Spec* spec) {
                    return spec != nullptr && listsPairs(spec->getCode());
                })) {
                step = path;
                break;
            }
        } else if (const auto* reference = node_cast<Reference>(path);
                   reference != nullptr && listsPairs(reference->getCode())) {
            step = path;
            break;
        }
    }
    if (step == nullptr || step->getHost() == nullptr) return host;
    VarList* vars = step->getHost()->giveVars();
    for (const FSymbol& v : *vars) host.push_back(v);
    delete vars;
    return host;
}

bool JoinPlanner::filtersAlone(const FLiteral* test, const FLiteral* literal, const SymTab* names) {
    if (test == nullptr || literal == nullptr || test == literal || test->isNegated() ||
        literal->isNegated() || names == nullptr)
        return false;
    const auto* builtin = dynamic_cast<const PTerm*>(test->getTerm());
    if (builtin == nullptr || !builtin->isBuiltin() ||
        !isFilterBuiltin(names->giveName(builtin->getName())))
        return false;
    const clib_list<FTerm*>* args = builtin->getArgs();
    if (args == nullptr || !std::all_of(args->begin(), args->end(),
                                        [](const FTerm* arg) { return plainOperand(arg); }))
        return false;
    const FTerm* term = literal->getTerm();
    if (term == nullptr || term->isBuiltin() || !pairStepHost(literal).empty()) return false;
    VarSet bound;
    if (!literal->bindVars(bound, names)) return false;
    VarList* vars = test->giveVars();
    bool all = true;
    for (const FSymbol& v : *vars) all = all && bound.member(v);
    delete vars;
    return all;
}
