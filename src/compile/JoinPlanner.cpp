// The greedy join order: literals become candidates as the variables they need are bound, and a
// priority queue hands out the connected candidate with the most bound variables, written order
// breaking ties. Each literal is looked at again only when one of its own variables gets bound,
// so planning costs time in proportion to the body's size (times a logarithm), not its square.
#include "compile/JoinPlanner.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <optional>
#include <queue>
#include <tuple>
#include <vector>

#include "language/ArithmeticExpr.h"
#include "language/CPath.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
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
        const std::size_t n = std::size_t(body->length());
        literals.reserve(n);
        // Each literal's variables in the order written (a variable written twice in the
        // literal counts once), then numbered through the sorted list of the distinct ones: a
        // few flat arrays rather than a node per variable and per literal.
        std::vector<FSymbol> written;
        written.reserve(4 * n);
        for (FLiteral* literal : *body->getList()) {
            Literal entry;
            entry.literal = literal;
            const FTerm* term = literal->getTerm();
            entry.plain =
                !literal->isNegated() && node_cast<PTerm>(term) != nullptr && !term->isBuiltin();
            const std::unique_ptr<VarList> list = literal->giveVars();
            entry.varBegin = int(written.size());
            for (const FSymbol& v : *list)
                if (std::find(written.begin() + entry.varBegin, written.end(), v) == written.end())
                    written.push_back(v);
            entry.varEnd = int(written.size());
            entry.hostBegin = int(hostVars.size());
            for (const FSymbol& v : JoinPlanner::pairStepHost(literal)) hostVars.push_back(v);
            entry.hostEnd = int(hostVars.size());
            literals.push_back(entry);
        }
        symbols = written;
        std::sort(symbols.begin(), symbols.end());
        symbols.erase(std::unique(symbols.begin(), symbols.end()), symbols.end());
        variables.assign(symbols.size() + 1, Variable{});
        varIds.resize(written.size());
        for (std::size_t k = 0; k < written.size(); ++k) {
            varIds[k] = idOf(written[k]);
            ++variables[std::size_t(varIds[k]) + 1].userBegin;
        }
        // The literals of each variable, in the order written: users[userBegin .. next
        // variable's userBegin).
        for (std::size_t id = 0; id < symbols.size(); ++id)
            variables[id + 1].userBegin += variables[id].userBegin;
        users.resize(written.size());
        std::vector<int> fill(symbols.size());
        for (std::size_t id = 0; id < symbols.size(); ++id) fill[id] = variables[id].userBegin;
        for (std::size_t i = 0; i < n; ++i)
            for (int k = literals[i].varBegin; k < literals[i].varEnd; ++k)
                users[std::size_t(fill[std::size_t(varIds[std::size_t(k)])]++)] = int(i);
    }

    // `bound`, when given, receives the variables bound.
    Ref<FLiteralList> run(VarSet* bound) {
        auto ordered = Ref<FLiteralList>::make();
        // The delta atom of a rewritten rule opens the body: the rule exists to join it.
        for (std::size_t i = 0; i < literals.size(); ++i) {
            if (literals[i].literal->secondFlag() != 0 && evaluable(int(i), nullptr)) {
                place(int(i), ordered.get());
                break;
            }
        }
        for (std::size_t i = 0; i < literals.size(); ++i) offer(int(i));
        while (!queue.empty()) {
            const auto [ready, connected, count, negIndex, stamp] = queue.top();
            queue.pop();
            const Literal& entry = literals[std::size_t(-negIndex)];
            if (entry.placed || stamp != entry.version) continue;
            place(-negIndex, ordered.get());
        }
        if (bound != nullptr) {
            for (std::size_t id = 0; id < symbols.size(); ++id)
                if (variables[id].bound) bound->insert(symbols[id]);
            for (const FSymbol& var : dontCares) bound->insert(var);
        }
        if (ordered->isEmpty() && !literals.empty()) return {};
        std::vector<FLiteral*> order(ordered->getList()->begin(), ordered->getList()->end());
        attachFilters(order, names);
        if (std::equal(order.begin(), order.end(), ordered->getList()->begin())) return ordered;
        auto moved = Ref<FLiteralList>::make();
        for (FLiteral* literal : order) moved->append(literal);
        return moved;
    }

  private:
    struct Literal {
        FLiteral* literal = nullptr;
        // How many of its variables are bound, the stamp of its latest candidate entry.
        int boundCount = 0;
        int version = 0;
        // Its distinct variables (as ids): varIds[varBegin .. varEnd); the host variables of a
        // pair-listing axis step (see pairStepHost): hostVars[hostBegin .. hostEnd).
        int varBegin = 0, varEnd = 0;
        int hostBegin = 0, hostEnd = 0;
        bool placed = false;
        // A positive stored predicate (see evaluable).
        bool plain = false;
    };
    struct Variable {
        // Where its literals begin in `users`; the next variable's userBegin ends them.
        int userBegin = 0;
        bool bound = false;
    };

    // The number of a variable of the body; -1 for any other.
    int idOf(const FSymbol& var) const {
        auto at = std::lower_bound(symbols.begin(), symbols.end(), var);
        return at != symbols.end() && *at == var ? int(at - symbols.begin()) : -1;
    }

    // The bound variables of literal i, the only ones its safety depends on.
    VarSet boundOf(int i) const {
        VarSet own;
        const Literal& entry = literals[std::size_t(i)];
        for (int k = entry.varBegin; k < entry.varEnd; ++k) {
            const int id = varIds[std::size_t(k)];
            if (variables[std::size_t(id)].bound) own.insert(symbols[std::size_t(id)]);
        }
        return own;
    }

    // Whether literal i can be evaluated now; `binds` (when given) receives what it binds. A
    // stored predicate is read whatever is bound, and binds all its variables: the answer its
    // literal gives, without the walk of its terms that asking costs (place binds them itself).
    bool evaluable(int i, VarSet* binds) {
        const Literal& entry = literals[std::size_t(i)];
        if (entry.plain) return true;
        VarSet trial = boundOf(i);
        if (entry.literal->bindVars(trial, names)) {
            if (binds != nullptr) *binds = trial;
            return true;
        }
        if (!entry.literal->isNegated()) return false;
        VarSet trialDontCares(dontCares);
        if (!entry.literal->negationSafe(boundOf(i), trialDontCares, names)) return false;
        if (binds != nullptr) binds->clear();
        return true;
    }

    // 0 for a pair-listing step whose host is not bound yet, else 1.
    int hostReady(int i) const {
        const Literal& entry = literals[std::size_t(i)];
        for (int k = entry.hostBegin; k < entry.hostEnd; ++k)
            if (!variables[std::size_t(idOf(hostVars[std::size_t(k)]))].bound) return 0;
        return 1;
    }

    // Makes literal i a candidate with its current standing, when it can be evaluated now.
    void offer(int i) {
        const Literal& entry = literals[std::size_t(i)];
        if (entry.placed || !evaluable(i, nullptr)) return;
        // A literal without variables is a test that joins anything once something is placed.
        const int connected =
            entry.boundCount > 0 || (entry.varBegin == entry.varEnd && placedCount > 0);
        queue.emplace(hostReady(i), connected, entry.boundCount, -i, entry.version);
    }

    // Marks the variable bound and offers its literals again with their new standing.
    void bind(int id) {
        if (id < 0 || variables[std::size_t(id)].bound) return;
        variables[std::size_t(id)].bound = true;
        for (int k = variables[std::size_t(id)].userBegin;
             k < variables[std::size_t(id) + 1].userBegin; ++k) {
            const int user = users[std::size_t(k)];
            ++literals[std::size_t(user)].boundCount;
            ++literals[std::size_t(user)].version;
            offer(user);
        }
    }

    void place(int i, FLiteralList* ordered) {
        FLiteral* literal = literals[std::size_t(i)].literal;
        const bool plain = literals[std::size_t(i)].plain;
        VarSet binds;
        if (!plain) {
            evaluable(i, &binds);
            if (literal->isNegated() && !literal->bindVars(binds, names))
                literal->negationSafe(boundOf(i), dontCares, names);
        }
        literals[std::size_t(i)].placed = true;
        ordered->append(literal);
        if (placedCount++ == 0) {
            for (std::size_t j = 0; j < literals.size(); ++j) {
                if (literals[j].varBegin != literals[j].varEnd) continue;
                ++literals[j].version;
                offer(int(j));
            }
        }
        if (plain) {
            for (int k = literals[std::size_t(i)].varBegin; k < literals[std::size_t(i)].varEnd;
                 ++k)
                bind(varIds[std::size_t(k)]);
        } else {
            for (const FSymbol& var : binds) bind(idOf(var));
        }
    }

    const SymTab* names;
    std::vector<Literal> literals;
    std::vector<int> varIds;
    std::vector<FSymbol> hostVars;
    int placedCount = 0;
    // The body's distinct variables, sorted: a variable's id is its place here. `variables` has
    // one entry more, whose userBegin ends the last variable's users.
    std::vector<FSymbol> symbols;
    std::vector<Variable> variables;
    std::vector<int> users;
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
    return planning.run(&bound);
}

Ref<FLiteralList> JoinPlanner::plan(const FLiteralList* body, const SymTab* names) {
    if (body == nullptr) return {};
    Planning planning(body, names);
    return planning.run(nullptr);
}

namespace {

// What the estimate assumes without looking at the data: every relation holds this many rows
// and every column this many distinct values, so a join on one variable makes ten times the
// rows of its inputs and a join on two a tenth of them.
constexpr double assumedRows = 1e4;
constexpr double assumedValues = 1e3;
// The two halves are taken only when their estimate is below this share of the left-deep one:
// near a tie the plan that each literal's rows meet the ones before stays.
constexpr double bushyShare = 0.75;
// Longer bodies stay left-deep: weighing every split costs the cube of the body's length, and
// a body of a thousand literals is planned in time in proportion to its length.
constexpr int longestSplitBody = 16;

double valuesOver(std::size_t columns) {
    return std::pow(assumedValues, double(columns));
}

// Rows estimated for a literal or a join, kept over their variables.
struct Estimate {
    double rows = 1;
    std::vector<FSymbol> vars;
};

bool holdsVar(const std::vector<FSymbol>& vars, const FSymbol& v) {
    return std::find(vars.begin(), vars.end(), v) != vars.end();
}

// The estimate of a positive stored predicate over variables and constants (a constant or a
// variable written twice selects a share of its rows); none for any other literal.
std::optional<Estimate> storedAtom(const FLiteral* literal) {
    if (literal->isNegated() || literal->secondFlag() != 0) return {};
    const auto* term = node_cast<PTerm>(literal->getTerm());
    if (term == nullptr || term->isBuiltin()) return {};
    Estimate atom;
    std::size_t selections = 0;
    if (const clib_list<FTerm*>* args = term->getArgs()) {
        for (const FTerm* arg : *args) {
            if (const auto* var = dynamic_cast<const FVar*>(arg)) {
                if (holdsVar(atom.vars, var->getName())) {
                    ++selections;
                } else {
                    atom.vars.push_back(var->getName());
                }
            } else if (const auto* function = dynamic_cast<const FunctionTerm*>(arg)) {
                const clib_list<FTerm*>* inner = function->getArgs();
                if (inner != nullptr && inner->begin() != inner->end()) return {};
                ++selections;
            } else if (dynamic_cast<const IdTerm*>(arg) != nullptr) {
                ++selections;
            } else {
                return {};
            }
        }
    }
    if (atom.vars.empty()) return {};
    atom.rows =
        std::max(1.0, std::min(assumedRows / valuesOver(selections), valuesOver(atom.vars.size())));
    return atom;
}

// Joins `right` to `left`: adds to `cost` the rows read and made, and gives the rows kept over
// the variables of `needed`.
Estimate joined(const Estimate& left, const Estimate& right, const std::vector<FSymbol>& needed,
                double& cost) {
    std::vector<FSymbol> all = left.vars;
    std::size_t shared = 0;
    for (const FSymbol& v : right.vars) {
        if (holdsVar(all, v)) {
            ++shared;
        } else {
            all.push_back(v);
        }
    }
    const double made =
        std::min(left.rows * right.rows / valuesOver(shared), valuesOver(all.size()));
    cost += left.rows + right.rows + made;
    Estimate kept;
    for (const FSymbol& v : all)
        if (holdsVar(needed, v)) kept.vars.push_back(v);
    kept.rows = std::max(1.0, std::min(made, valuesOver(kept.vars.size())));
    return kept;
}

// The atoms first .. last joined left-deep; the variables of `later` and `output` are needed
// after them.
Estimate leftDeep(const std::vector<Estimate>& atoms, std::size_t first, std::size_t last,
                  const std::vector<FSymbol>& later, const std::vector<FSymbol>& output,
                  double& cost) {
    Estimate rows = atoms[first];
    for (std::size_t i = first + 1; i < last; ++i) {
        std::vector<FSymbol> needed = later;
        needed.insert(needed.end(), output.begin(), output.end());
        for (std::size_t j = i + 1; j < last; ++j)
            needed.insert(needed.end(), atoms[j].vars.begin(), atoms[j].vars.end());
        rows = joined(rows, atoms[i], needed, cost);
    }
    return rows;
}

}  // namespace

JoinShape JoinPlanner::shape(const FLiteralList* body, const VarSet& output, const SymTab* names) {
    JoinShape shape;
    shape.order = plan(body, names);
    if (!shape.order || shape.order->length() != body->length() || body->length() < 4 ||
        body->length() > longestSplitBody)
        return shape;
    std::vector<FLiteral*> order(shape.order->getList()->begin(), shape.order->getList()->end());
    std::vector<Estimate> atoms;
    for (const FLiteral* literal : order) {
        std::optional<Estimate> atom = storedAtom(literal);
        if (!atom) return shape;
        atoms.push_back(std::move(*atom));
    }
    const std::vector<FSymbol> needed(output.begin(), output.end());
    const std::size_t n = atoms.size();
    double best = 0;
    leftDeep(atoms, 0, n, {}, needed, best);
    const double leftDeepCost = best;
    std::vector<FLiteral*> bestOrder;
    for (std::size_t split = 2; split + 2 <= n; ++split) {
        // The second half in the planner's way: from its first literal on, next the one that
        // shares the most variables with those taken (written order breaking ties); a literal
        // sharing none would be a product, and so would halves sharing none.
        std::vector<std::size_t> rest;
        for (std::size_t i = split; i < n; ++i) rest.push_back(i);
        std::vector<std::size_t> second{rest.front()};
        rest.erase(rest.begin());
        std::vector<FSymbol> taken = atoms[second.front()].vars;
        bool connected = true;
        while (connected && !rest.empty()) {
            std::size_t pick = 0, most = 0;
            for (std::size_t r = 0; r < rest.size(); ++r) {
                std::size_t count = 0;
                for (const FSymbol& v : atoms[rest[r]].vars) count += holdsVar(taken, v);
                if (count > most) {
                    most = count;
                    pick = r;
                }
            }
            connected = most > 0;
            for (const FSymbol& v : atoms[rest[pick]].vars)
                if (!holdsVar(taken, v)) taken.push_back(v);
            second.push_back(rest[pick]);
            rest.erase(rest.begin() + std::ptrdiff_t(pick));
        }
        if (!connected) continue;
        std::vector<Estimate> halves(atoms.begin(), atoms.begin() + std::ptrdiff_t(split));
        for (std::size_t i : second) halves.push_back(atoms[i]);
        std::vector<FSymbol> secondVars;
        for (std::size_t i = split; i < n; ++i)
            secondVars.insert(secondVars.end(), halves[i].vars.begin(), halves[i].vars.end());
        std::vector<FSymbol> firstVars;
        for (std::size_t i = 0; i < split; ++i)
            firstVars.insert(firstVars.end(), halves[i].vars.begin(), halves[i].vars.end());
        if (std::none_of(secondVars.begin(), secondVars.end(),
                         [&firstVars](const FSymbol& v) { return holdsVar(firstVars, v); }))
            continue;
        double cost = 0;
        const Estimate first = leftDeep(halves, 0, split, secondVars, needed, cost);
        const Estimate last = leftDeep(halves, split, n, firstVars, needed, cost);
        joined(first, last, needed, cost);
        if (cost < best) {
            best = cost;
            shape.split = split;
            bestOrder.assign(order.begin(), order.begin() + std::ptrdiff_t(split));
            for (std::size_t i : second) bestOrder.push_back(order[i]);
        }
    }
    if (shape.split == 0 || best >= bushyShare * leftDeepCost) {
        shape.split = 0;
        return shape;
    }
    auto bushy = Ref<FLiteralList>::make();
    for (FLiteral* literal : bestOrder) bushy->append(literal);
    shape.order = bushy;
    return shape;
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
    const std::unique_ptr<VarList> vars = step->getHost()->giveVars();
    for (const FSymbol& v : *vars) host.push_back(v);
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
    const std::unique_ptr<VarList> vars = test->giveVars();
    bool all = true;
    for (const FSymbol& v : *vars) all = all && bound.member(v);
    return all;
}
