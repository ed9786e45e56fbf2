// The translation of rule bodies: the stack discipline of the hooks, the condition lists of each
// operator, joins, negation and the scopes of aggregate bodies.
#include "compile/Translator.h"

#include <algorithm>
#include <map>
#include <ostream>

#include "compile/Aggregation.h"
#include "compile/AlgebraicExpr.h"
#include "compile/Apply.h"
#include "compile/IdMapper.h"
#include "compile/Isa.h"
#include "compile/JoinPlanner.h"
#include "compile/Merge.h"
#include "compile/Minus.h"
#include "compile/MultiPi.h"
#include "compile/Pi.h"
#include "compile/Pred.h"
#include "compile/Prop.h"
#include "compile/VarPropagator.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

namespace {

bool isConstantKind(const FSymbol& symbol) {
    const int kind = symbol.getType();
    return kind == InternalName::Function || kind == InternalName::Integer ||
           kind == InternalName::String;
}

bool isProjection(const Operator* op) {
    return op != nullptr && op->projects();
}

bool holds(const clib_list<FSymbol>& list, const FSymbol& var) {
    for (const FSymbol& v : list)
        if (v == var) return true;
    return false;
}

}  // namespace

Translator::Translator(int) : scanner(Ref<VarScanner>::make()) {}

Translator::~Translator() = default;

Translator::Running::Running(Translator& translator, TranslationContext& context)
    : translator(translator), context(context), outer(translator.cx) {
    translator.cx = &context;
}

Translator::Running::~Running() {
    translator.cx = outer;
    if (context.traced) {
        translator.lastError = context.error;
        translator.lastDuplicate = context.duplicate;
    }
}

FLSysRef Translator::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<Translator>& Translator::shellCommands() {
    // The translator has the help of FLSysObject.
    static const ShellCommands<Translator> table{
        {},
        {
            {"debugOn", ShellArgs::Any,
             [](Translator& self, FLSysArgs* args) -> FLSysRef { return self.debugOn(args); }},
            {"debugOff", ShellArgs::Any,
             [](Translator& self, FLSysArgs* args) -> FLSysRef { return self.debugOff(args); }},
        },
        {}};
    return table;
}

void Translator::print(OutputChannel& channel) const {
    channel << "aTranslator";
}

bool Translator::isA(const std::string& className) const {
    return className == "Translator" || PtnScanner::isA(className);
}

FLSysRef Translator::debugOn(FLSysArgs* args) {
    if (argumentCount(args) != 0) return nullptr;
    debug = 1;
    return FLSysRef::share(this);
}

FLSysRef Translator::debugOff(FLSysArgs* args) {
    if (argumentCount(args) != 0) return nullptr;
    debug = 0;
    return FLSysRef::share(this);
}

clib_list<FSymbol> Translator::resultColumns(const AlgebraicExpr* expr) {
    const Operator* op = expr->getOperator();
    switch (op->kind()) {
        case OperatorKind::Projection:
            // A set of names, without column variables.
            return {};
        case OperatorKind::Regroup:
            return expr->getChildren().empty() ? op->getVariables()
                                               : resultColumns(expr->getChildren().front().get());
        case OperatorKind::Negation:
            // A ground negation that holds passes its left operand on as it is.
            if (static_cast<const Minus*>(op)->negationStrategy() ==
                    NegationStrategy::ExistenceTest &&
                expr->getChildren().size() >= 2)
                return resultColumns(expr->getChildren().front().get());
            return op->getVariables();
        default:
            return op->getVariables();
    }
}

Translator::ExprRef Translator::wrap(Operator* op, int keepInput) {
    // The node takes its own reference; the one of the new operator goes.
    const Ref<Operator> made = Ref<Operator>::adopt(op);
    return ExprRef::adopt(new AlgebraicExpr(made.get(), keepInput, cx->duplicate));
}

bool Translator::yieldsKeyedRows(const AlgebraicExpr* expr) {
    const Operator* op = expr->getOperator();
    switch (op->kind()) {
        case OperatorKind::Projection:
        case OperatorKind::MultiProjection:
            return false;
        case OperatorKind::Negation:
            if (static_cast<const Minus*>(op)->negationStrategy() ==
                    NegationStrategy::ExistenceTest &&
                expr->getChildren().size() >= 2)
                return yieldsKeyedRows(expr->getChildren().front().get());
            return true;
        default:
            return true;
    }
}

// ---- bookkeeping ----

bool TranslationContext::LiveVariables::member(std::int32_t literal, const FSymbol& var) const {
    if (literal < 0 || literal >= count) return false;
    if (std::binary_search(output.begin(), output.end(), var)) return true;
    auto at = std::lower_bound(lastUse.begin(), lastUse.end(), var,
                               [](const std::pair<FSymbol, std::int32_t>& use, const FSymbol& v) {
                                   return use.first < v;
                               });
    return at != lastUse.end() && at->first == var && at->second > literal;
}

void TranslationContext::LiveVariables::clear() {
    output.clear();
    lastUse.clear();
    count = 0;
}

void Translator::openScope(const std::vector<FLiteral*>& scopeLiterals,
                           const set<FSymbol>& output) {
    cx->literals = scopeLiterals;
    const std::size_t n = cx->literals.size();
    cx->live.clear();
    cx->live.count = std::int32_t(n);
    for (const FSymbol& v : output) cx->live.output.push_back(v);
    std::sort(cx->live.output.begin(), cx->live.output.end());
    cx->dictionaries.clear();
    cx->dictionaries.resize(n);
    std::vector<std::pair<FSymbol, std::int32_t>>& uses = cx->live.lastUse;
    for (std::size_t i = 0; i < n; ++i) {
        const std::unique_ptr<VarList> vars = cx->literals[i]->giveVars();
        for (const FSymbol& v : *vars) uses.emplace_back(v, std::int32_t(i));
    }
    // Sorted by variable, then literal: the last entry of each variable is its last use.
    std::sort(uses.begin(), uses.end());
    auto last = std::unique(uses.rbegin(), uses.rend(),
                            [](const auto& a, const auto& b) { return a.first == b.first; });
    uses.erase(uses.begin(), last.base());
}

int Translator::occurrences(const FSymbol& var) const {
    if (cx->literalIndex < 0 || std::size_t(cx->literalIndex) >= cx->dictionaries.size()) return 0;
    // Most variables are told apart by the live sets and the stack already: a literal's
    // occurrences are counted the first time they are asked for.
    std::unique_ptr<VarOccurrences>& dictionary = cx->dictionaries[std::size_t(cx->literalIndex)];
    if (dictionary == nullptr)
        dictionary = scanner->scanLiteral(cx->literals[std::size_t(cx->literalIndex)]);
    if (dictionary == nullptr) return 0;
    const auto found = dictionary->find(var);
    return found != dictionary->end() ? int(found->second.size()) : 0;
}

bool Translator::isBound(const FSymbol& var) const {
    // Only the current scope: an aggregate's body does not see the variables of the literals
    // around it, except through its grouping variables.
    for (std::size_t i = std::size_t(std::max(cx->stackBase, 0)); i < cx->stack.size(); ++i)
        if (cx->stack[i] && holds(cx->stack[i]->getOperator()->getVariables(), var)) return true;
    return false;
}

void Translator::collectVariables(const std::vector<ExprRef>& inputExprs,
                                  std::vector<InputBinding>& out) const {
    for (const ExprRef& expr : inputExprs) {
        if (!expr) continue;
        for (const InputBinding& b : expr->getOperator()->getBindings()) out.push_back(b);
    }
}

Translator::ExprRef Translator::popEntry(FSymbol& symbol) {
    ExprRef expr = std::move(cx->stack.back());
    cx->stack.pop_back();
    if (!expr && !cx->pendingSymbols.empty()) {
        symbol = cx->pendingSymbols.back();
        cx->pendingSymbols.pop_back();
    }
    return expr;
}

// ---- inputs and conditions ----

bool Translator::popInputs(std::vector<FSymbol>& inputVars, std::vector<ExprRef>& inputExprs,
                           int count) {
    inputVars.clear();
    inputExprs.clear();
    if (count < 0 || std::size_t(count) > cx->stack.size()) {
        cx->error = 1;
        return false;
    }
    // The entries are read where they stand on the stack and taken off when read.
    const std::size_t base = cx->stack.size() - std::size_t(count);
    auto entry = [this, base](int p) -> ExprRef& { return cx->stack[base + std::size_t(p)]; };

    int piCount = 0;
    int nullCount = 0;
    for (int p = 0; p < count; ++p) {
        const ExprRef& e = entry(p);
        if (!e) {
            ++nullCount;
        } else if (e->getOperator()->kind() == OperatorKind::Projection) {
            ++piCount;
        }
    }
    const bool combine = piCount >= 2;
    // The pending symbols of the null entries, oldest first: the newest `available` pending
    // symbols, after as many missing ones as there are too few.
    const std::size_t available = std::min(cx->pendingSymbols.size(), std::size_t(nullCount));
    const std::size_t symbolBase = cx->pendingSymbols.size() - available;
    const std::size_t missing = std::size_t(nullCount) - available;
    auto symbol = [&](std::size_t k) {
        return k < missing ? FSymbol() : cx->pendingSymbols[symbolBase + k - missing];
    };

    // Each non-null entry learns the cell it fills and the input it becomes.
    int next = 0;
    int combinedIndex = -1;
    for (int p = 0; p < count; ++p) {
        const ExprRef& e = entry(p);
        if (!e) continue;
        int index;
        if (combine && e->getOperator()->kind() == OperatorKind::Projection) {
            if (combinedIndex < 0) combinedIndex = next++;
            index = combinedIndex;
        } else {
            index = next++;
        }
        e->getOperator()->setBindings({{p, index, 1}});
    }

    inputVars.reserve(std::size_t(count));
    inputExprs.reserve(std::size_t(count));
    std::size_t symbolAt = 0;
    clib_list<FSymbol> piVariables;
    std::vector<InputBinding> combinedBindings;
    int firstPi = -1;
    for (int p = 0; p < count; ++p) {
        ExprRef& e = entry(p);
        if (!e) {
            inputVars.push_back(symbol(symbolAt++));
            inputExprs.emplace_back();
        } else if (combine && e->getOperator()->kind() == OperatorKind::Projection) {
            Operator* op = e->getOperator();
            for (const FSymbol& v : op->getVariables()) piVariables.append(v);
            const int i = int(combinedBindings.size());
            const int cell = op->getBindings().empty() ? p : op->getBindings().front().cell;
            combinedBindings.push_back({cell, combinedIndex, 1 + i});
            e = ExprRef();
            if (firstPi < 0) {
                firstPi = int(inputExprs.size());
                inputExprs.emplace_back();
            } else {
                inputVars.push_back(FSymbol());
                inputExprs.emplace_back();
            }
        } else {
            inputExprs.push_back(std::move(e));
        }
    }
    cx->pendingSymbols.resize(symbolBase);
    cx->stack.resize(base);
    if (firstPi >= 0) {
        auto* multi = new MultiPi(piVariables);
        multi->setBindings(std::move(combinedBindings));
        inputExprs[std::size_t(firstPi)] = wrap(multi, 0);
    }
    return true;
}

PatternSpec Translator::buildConditions(const std::vector<FSymbol>& inputVars,
                                        const std::vector<ExprRef>& inputExprs,
                                        const ParseTreeNode* node) {
    PatternSpec conditions;
    // Where each variable was met first: at a position (input -1) or at a column of an input. A
    // pattern has few variables: a list searched from its start costs less than a tree.
    using Place = SeenVariable;
    std::vector<Place>& seen = seenScratch;
    seen.clear();
    auto find = [&seen](const FSymbol& v) -> const Place* {
        for (const Place& place : seen)
            if (place.var == v) return &place;
        return nullptr;
    };
    auto isResult = [&](const FSymbol& v) {
        return cx->live.member(cx->literalIndex, v) || isBound(v) ||
               (node != cx->currentTerm && occurrences(v) > 1);
    };
    int resultCount = 0;
    auto addResult = [&](const FSymbol& v) {
        conditions.variables.append(v);
        return resultCount++;
    };

    std::size_t symbolAt = 0;
    int input = 0;
    int p = 1;
    for (const ExprRef& e : inputExprs) {
        if (!e) {
            const FSymbol s = symbolAt < inputVars.size() ? inputVars[symbolAt++] : FSymbol();
            if (!s.isVariable()) {
                conditions.constants.push_back({p, s});
            } else if (const Place* at = find(s)) {
                conditions.equalColumns.push_back({p, at->at});
            } else {
                seen.push_back({s, -1, p});
                if (isResult(s)) {
                    conditions.columnCells.push_back({p, addResult(s)});
                } else {
                    conditions.freeColumns.insert(p);
                }
            }
        } else {
            conditions.keyColumns.push_back(p);
            if (cx->mergeFlag == 0) {
                Operator* op = e->getOperator();
                for (const FSymbol& v : op->getVariables()) {
                    int k = 0;
                    if (!op->isGroupedBy(v, &k)) continue;
                    if (const Place* at = find(v)) {
                        conditions.equalColumns.push_back({p, at->at});
                        continue;
                    }
                    seen.push_back({v, -1, p});
                    if (isResult(v))
                        conditions.columnCells.push_back({k >= 1 ? k : p, addResult(v)});
                }
            }
            ++input;
        }
        ++p;
    }
    conditions.inputCount = input;

    int j = 0;
    for (const ExprRef& e : inputExprs) {
        if (!e) continue;
        Operator* op = e->getOperator();
        conditions.inputRoles.push_back(isProjection(op) ? PatternSpec::InputRole::Projection
                                                         : PatternSpec::InputRole::Rows);
        if (op->getVariables().empty()) conditions.excludedInputs.insert(j);
        bool lastGrouped = false;
        int c = 1;
        for (const FSymbol& v : op->getVariables()) {
            int k = 0;
            lastGrouped = cx->mergeFlag == 0 && op->isGroupedBy(v, &k);
            if (!lastGrouped) {
                if (const Place* at = find(v); at == nullptr) {
                    seen.push_back({v, j, c});
                    if (isResult(v)) conditions.inputCells.push_back({j, c, addResult(v)});
                } else if (at->input < 0) {
                    conditions.columnsMeetInputs.push_back({at->at, j, c});
                } else {
                    conditions.inputJoins.push_back({at->input, at->at, j, c});
                }
            }
            ++c;
        }
        if (lastGrouped) conditions.excludedInputs.insert(j);
        ++j;
    }
    return conditions;
}

// ---- leaves ----

template <class Make>
void Translator::buildLeaf(int count, const ParseTreeNode* node, bool noKey, Make make) {
    if (stopped()) return;
    std::vector<FSymbol> inputVars;
    std::vector<ExprRef> inputExprs;
    if (!popInputs(inputVars, inputExprs, count)) return;
    PatternSpec pattern = buildConditions(inputVars, inputExprs, node);
    collectVariables(inputExprs, pattern.inputBindings);
    Operator* op = make(std::move(pattern));
    if (noKey) op->setNoKey();
    ExprRef expr = wrap(op, cx->passedCount);
    for (const ExprRef& input : inputExprs) {
        if (!input) continue;
        input->getOperator()->clearNoKey();
        expr->addChild(input.get());
    }
    cx->stack.push_back(std::move(expr));
}

Translator::ExprRef Translator::constantNode(const FSymbol& symbol) {
    if (!isConstantKind(symbol)) return ExprRef();
    IdMapperSpec spec;
    spec.function = symbol;
    spec.pattern = buildConditions({}, {}, nullptr);
    auto* op = new IdMapper(spec);
    return wrap(op, cx->passedCount);
}

void Translator::transpose(FVar* var) {
    if (stopped()) return;
    const FSymbol& name = var->getName();
    if (cx->passed.member(name)) {
        cx->stack.push_back(wrap(new Pi(name), 0));
        return;
    }
    cx->stack.emplace_back();
    cx->pendingSymbols.push_back(name);
}

void Translator::transpose(IdTerm* term, int argCount) {
    if (stopped()) return;
    const auto* function = node_cast<FunctionTerm>(term);
    const FSymbol name = function != nullptr ? function->getName() : FSymbol();
    if (argCount == 0) {
        cx->stack.emplace_back();
        cx->pendingSymbols.push_back(name);
        return;
    }
    buildLeaf(argCount, term, false, [&](PatternSpec&& pattern) {
        IdMapperSpec spec{argCount, name, std::move(pattern)};
        return new IdMapper(spec);
    });
}

void Translator::transpose(FMolecule* mol) {
    buildLeaf(2, mol, mol == cx->literalMolecule, [&](PatternSpec&& pattern) {
        IsaRelationSpec spec;
        spec.relation = IsaRelation(mol->getIsaKind());
        spec.pattern = std::move(pattern);
        return new Isa(spec);
    });
}

void Translator::transpose(Spec* spec, int argCount, int resultCount) {
    if (stopped()) return;
    // The last specification of a molecule stands for the molecule itself.
    const ParseTreeNode* node = molecule;
    if (specs > 1) {
        node = spec;
        --specs;
    }
    const int arity = resultCount > 0 ? argCount + resultCount + 2 : argCount + 3;
    buildLeaf(argCount + resultCount + 2, node, molecule == cx->literalMolecule,
              [&](PatternSpec&& pattern) {
                  PropSpec made{arity, MethodType(spec->getKind()), Axis(spec->getCode()),
                                resultCount, std::move(pattern)};
                  return new Prop(made);
              });
}

void Translator::transpose(Reference* ref, int argCount) {
    const bool noKey = cx->literalMolecule != nullptr && cx->literalMolecule->getHost() == ref;
    buildLeaf(argCount + 2, ref, noKey, [&](PatternSpec&& pattern) {
        ApplySpec spec{argCount + 2, MethodType(ref->getDot()), Axis(ref->getCode()),
                       std::move(pattern)};
        return new Apply(spec);
    });
}

void Translator::transpose(ArithmeticExpr* expr) {
    const std::string op = expr->getOperator();
    const ArithmeticOp kind = op == "+"     ? ArithmeticOp::Plus
                              : op == "-"   ? ArithmeticOp::Minus
                              : op == "*"   ? ArithmeticOp::Times
                              : op == "div" ? ArithmeticOp::IntegerDivision
                                            : ArithmeticOp::Division;
    buildLeaf(2, expr, false, [&](PatternSpec&& pattern) {
        ApplySpec spec{2, kind, Axis::None, std::move(pattern)};
        return new Apply(spec);
    });
}

void Translator::transpose(PTerm* term, int argCount) {
    const FSymbol name = term->getName();
    const int perlInputCount = term->firstGroupEnd();
    // The one built-in that runs code in the embedded interpreter.
    const bool perl =
        term->isBuiltin() && cx->symTab != nullptr && cx->symTab->giveName(name) == "perl";
    const BuiltinTest test = term->isBuiltin() && cx->symTab != nullptr
                                 ? builtinTestOf(cx->symTab->giveName(name), argCount)
                                 : BuiltinTest::None;
    buildLeaf(argCount, term, false, [&](PatternSpec&& pattern) {
        PredSpec spec{argCount, name, perl, perlInputCount, std::move(pattern), test};
        return new Pred(spec);
    });
}

void Translator::transpose(AggExpr* agg) {
    if (stopped()) return;
    std::vector<FSymbol> inputVars;
    std::vector<ExprRef> inputExprs;
    if (!popInputs(inputVars, inputExprs, 1)) return;
    auto* op = new Aggregation(agg->getOperator(), agg->getAggVar(), agg->getGroupVars());
    ExprRef node = wrap(op, cx->passedCount);
    if (const ExprRef& input = inputExprs.front()) {
        input->getOperator()->clearNoKey();
        if (agg->getOperator() == "count") input->getOperator()->feedsOrderFreeReader();
        node->addChild(input.get());
    }
    cx->stack.push_back(std::move(node));
}

// ---- literals ----

void Translator::endLiteral() {
    if (stopped()) return;
    if (cx->stack.size() != joinBase() + 2) return;
    FSymbol symbolA;
    ExprRef a = popEntry(symbolA);
    FSymbol symbolB;
    ExprRef b = popEntry(symbolB);
    if (!b) b = constantNode(symbolB);
    if (b) cx->stack.push_back(std::move(b));
    if (!a) a = constantNode(symbolA);
    if (a) cx->stack.push_back(std::move(a));
    if (cx->stack.size() != joinBase() + 2) return;

    std::vector<FSymbol> inputVars;
    std::vector<ExprRef> inputExprs;
    if (!popInputs(inputVars, inputExprs, 2)) return;
    cx->mergeFlag = 1;
    JoinSpec spec;
    spec.pattern = buildConditions(inputVars, inputExprs, nullptr);
    cx->mergeFlag = 0;
    spec.tables = joinTables;
    collectVariables(inputExprs, spec.pattern.inputBindings);
    // A positive testing built-in (X < Z, X = Z, strlen(X, 3)) whose cells the rows before it
    // bind filters those rows one by one, as a negated one does, and no set of its rows is made
    // to be joined.
    if (ExprRef filter = testFilter(inputExprs, spec.pattern.variables)) {
        cx->stack.push_back(std::move(filter));
        return;
    }
    // The way the join runs follows from the columns its inputs will carry: the first input's
    // and the last one's.
    std::vector<const AlgebraicExpr*> present;
    for (const ExprRef& input : inputExprs)
        if (input) present.push_back(input.get());
    if (!present.empty())
        spec.strategy = JoinSpec::choose(
            resultColumns(present.front()), resultColumns(present.back()), spec.pattern.variables,
            yieldsKeyedRows(present.front()) && yieldsKeyedRows(present.back()), spec.shared);
    auto* merge = new Merge(spec);
    // The inputs of a hash join are read only by the join, by their cells: the right one by the
    // table the join groups its rows in.
    if (spec.strategy == JoinStrategy::HashJoin && present.size() == 2 &&
        methodRowsRoad == MethodRowsRoad::KeptTables)
        for (const AlgebraicExpr* input : present)
            if (input->getOperator() != nullptr) input->getOperator()->feedsJoinTable();
    ExprRef node = wrap(merge, 0);
    for (const ExprRef& input : inputExprs)
        if (input) node->addChild(input.get());
    cx->stack.push_back(std::move(node));
}

Translator::ExprRef Translator::testFilter(const std::vector<ExprRef>& inputExprs,
                                           const clib_list<FSymbol>& variables) {
    if (testRoad != TestRoad::RowByRow || inputExprs.size() != 2 || !inputExprs.front() ||
        !inputExprs.back())
        return nullptr;
    const ExprRef& rows = inputExprs.front();
    const ExprRef& tested = inputExprs.back();
    auto* pred = dynamic_cast<Pred*>(tested->getOperator());
    if (pred == nullptr || pred->predicateSymbol().getType() != InternalName::BuiltinPredicate ||
        !pred->probesEachInputRow() || tested->getChildren().size() != 1)
        return nullptr;
    const Operator* input = tested->getChildren().front()->getOperator();
    if (input == nullptr || !input->projects() ||
        !tested->getChildren().front()->getChildren().empty())
        return nullptr;
    // Every cell of the test and of the result is a column of the rows before it.
    const clib_list<FSymbol>& left = rows->getOperator()->getVariables();
    auto bound = [&](const clib_list<FSymbol>& vars) {
        for (const FSymbol& v : vars)
            if (!holds(left, v)) return false;
        return true;
    };
    if (left.empty() || !bound(pred->getVariables()) || !bound(input->getVariables()) ||
        !bound(variables))
        return nullptr;
    MinusSpec spec;
    spec.leftColumns = left;
    spec.rightColumns = pred->getVariables();
    spec.variables = variables;
    spec.probed = Ref<BaseOperator>::share(pred);
    spec.probedColumns = input->getVariables();
    spec.filters = true;
    spec.keeps = TestSense::Passing;
    ExprRef node = wrap(new Minus(spec), 0);
    const auto* filter = static_cast<const Minus*>(node->getOperator());
    if (filter->negationStrategy() != NegationStrategy::RowFilter) return nullptr;
    node->addChild(rows.get());
    return node;
}

void Translator::visitNegatedLiteral(FLiteral*) {
    if (stopped() || cx->stack.size() <= std::size_t(cx->stackBase)) return;
    FSymbol symbol;
    ExprRef e = popEntry(symbol);
    if (!e) {
        if (symbol.isVariable()) {
            if (cx->stack.size() <= std::size_t(cx->stackBase)) {
                cx->untranslatable = 1;
                return;
            }
            FSymbol dropped;
            popEntry(dropped);
            MinusSpec never;
            never.neverHolds = true;
            cx->stack.push_back(wrap(new Minus(never), 0));
            return;
        }
        e = constantNode(symbol);
        if (!e) {
            cx->untranslatable = 1;
            return;
        }
    }
    clib_list<FSymbol> result;
    auto keepLive = [&](const clib_list<FSymbol>& vars) {
        for (const FSymbol& v : vars)
            if (cx->live.member(cx->literalIndex, v) && !holds(result, v)) result.append(v);
    };
    const clib_list<FSymbol>& right = e->getOperator()->getVariables();
    keepLive(right);
    if (cx->stack.size() <= std::size_t(cx->stackBase)) {
        MinusSpec alone;
        alone.rightColumns = right;
        alone.variables = result;
        ExprRef node = wrap(new Minus(alone), 0);
        node->addChild(e.get());
        cx->stack.push_back(std::move(node));
        return;
    }
    FSymbol leftSymbol;
    ExprRef b = popEntry(leftSymbol);
    if (!b) {
        cx->untranslatable = 1;
        return;
    }
    const clib_list<FSymbol>& left = b->getOperator()->getVariables();
    keepLive(left);
    MinusSpec negation;
    negation.leftColumns = left;
    negation.rightColumns = right;
    negation.variables = result;
    // A stored predicate, a membership or a testing built-in probed with the projection of the
    // rows before it: each of those rows is looked up or tested as it comes, and neither the
    // projection nor the negated literal's rows are made.
    if (auto* pred = dynamic_cast<BaseOperator*>(e->getOperator());
        testRoad == TestRoad::RowByRow && pred != nullptr && pred->probesEachInputRow() &&
        e->getChildren().size() == 1) {
        const Operator* input = e->getChildren().front()->getOperator();
        if (input != nullptr && input->projects() &&
            e->getChildren().front()->getChildren().empty()) {
            negation.probed = Ref<BaseOperator>::share(pred);
            negation.probedColumns = input->getVariables();
            // A built-in computes its answer from the row's own cells: a filter.
            const auto* builtin = dynamic_cast<const Pred*>(pred);
            negation.filters = builtin != nullptr && builtin->predicateSymbol().getType() ==
                                                         InternalName::BuiltinPredicate;
        }
    }
    auto* minus = new Minus(negation);
    const bool probes = minus->negationStrategy() == NegationStrategy::ProbedAntiJoin ||
                        minus->negationStrategy() == NegationStrategy::RowFilter;
    ExprRef node = wrap(minus, 0);
    node->addChild(b.get());
    if (!probes) node->addChild(e.get());
    cx->stack.push_back(std::move(node));
}

// ---- bodies and rules ----

namespace {

// For literal j and each of its variables, the nearest earlier literal that has the variable;
// with `onlyUnsafe` only for the literals that cannot be evaluated without bindings, the
// built-ins and the pair-listing axis steps.
void propagate(FLiteralList* list, VarPropagator* propagator, SymTab* names, bool onlyUnsafe) {
    if (list == nullptr) return;
    // Each variable's latest literal so far: the nearest earlier one for the next literal.
    std::map<FSymbol, FLiteral*> latest;
    for (FLiteral* literal : *list->getList()) {
        const std::unique_ptr<VarList> vars = literal->giveVars();
        // A built-in always takes the bindings there are: "=" on a bound number compares by
        // value, as it does between two constants, where a join would compare identities.
        FTerm* term = literal->getTerm();
        const bool builtin = node_cast<PTerm>(term) != nullptr && term->isBuiltin();
        // A positive stored predicate is evaluated whatever is bound (see JoinPlanner).
        const bool stored = !literal->isNegated() && node_cast<PTerm>(term) != nullptr && !builtin;
        VarSet none;
        // A step that lists every related pair when its host is free takes the host's bindings.
        if (!onlyUnsafe || builtin ||
            (!stored &&
             (!JoinPlanner::pairStepHost(literal).empty() || !literal->bindVars(none, names)))) {
            for (const FSymbol& v : *vars)
                if (auto at = latest.find(v); at != latest.end())
                    propagator->add(at->second, literal, v);
        }
        for (const FSymbol& v : *vars) latest[v] = literal;
    }
}

}  // namespace

void Translator::propagateVariables(FLiteralList* list, VarPropagator* propagator, SymTab* names) {
    propagate(list, propagator, names, false);
}

void Translator::propagateVariablesSelective(FLiteralList* list, VarPropagator* propagator,
                                             SymTab* names) {
    propagate(list, propagator, names, true);
}

void Translator::translateBody(FLiteralList* list) {
    if (list == nullptr) return;
    const auto propagator = Ref<VarPropagator>::make();
    if (selective != 0) {
        propagateVariablesSelective(list, propagator.get(), cx->symTab);
    } else {
        propagateVariables(list, propagator.get(), cx->symTab);
    }
    cx->literalIndex = 0;
    std::vector<FLiteral*> body(list->getList()->begin(), list->getList()->end());
    // A literal followed by tests that filter it alone (the planner puts them there) is joined
    // to them first and then, filtered, to the rows before it, so that those rows are joined to
    // the filtered rows and never stored to be tested.
    const FLiteral* filtered = nullptr;
    auto filters = [&](std::size_t k, const FLiteral* literal) {
        return k < body.size() && JoinPlanner::filtersAlone(body[k], literal, cx->symTab);
    };
    // The second half of a bushy plan (only stored predicates, which take no bindings from the
    // literals before them) starts a group of its own on the stack, joined to the first half's
    // rows after its last literal.
    const bool halves = selective != 0 && cx->secondHalf > 1 &&
                        std::size_t(cx->secondHalf) + 1 < body.size() && cx->groupBase < 0;
    for (std::size_t k = 0; k < body.size(); ++k) {
        FLiteral* literal = body[k];
        if (halves && k == std::size_t(cx->secondHalf))
            cx->groupBase = std::int32_t(cx->stack.size());
        if (filtered == nullptr && cx->stack.size() > std::size_t(std::max(cx->stackBase, 0)) &&
            filters(k + 1, literal)) {
            filtered = literal;
            cx->groupBase = std::int32_t(cx->stack.size());
        }
        cx->passed.clear();
        set<FLiteral*> sources;
        propagator->passedTo(literal, &cx->passed, &sources);
        cx->passedCount = cx->passed.size();
        cx->currentTerm = literal->getTerm();
        cx->literalMolecule = node_cast<FMolecule>(cx->currentTerm);
        PtnScanner::scan(literal);
        endLiteral();
        if (filtered != nullptr && !filters(k + 1, filtered)) {
            filtered = nullptr;
            cx->groupBase = -1;
            endLiteral();
        }
        if (halves && k + 1 == body.size()) {
            cx->groupBase = -1;
            endLiteral();
        }
        ++cx->literalIndex;
    }
    cx->groupBase = -1;
}

namespace {

// Fills `output` with the variables the rule's body must deliver: a rule's head variables, a
// query's named ones. True when the body has others, so that it may deliver a binding twice.
bool outputOf(FRule* rule, set<FSymbol>& output) {
    FLiteralList* body = rule->getBody();
    bool duplicate = false;
    if (rule->ruleKind() == FRule::Rule) {
        const std::unique_ptr<VarList> headVars = rule->getHead()->giveVars();
        for (const FSymbol& v : *headVars) output.insert(v);
        const std::unique_ptr<VarList> bodyVars = body->giveVars();
        if (bodyVars->length() > output.size()) duplicate = true;
    } else {
        const std::unique_ptr<VarList> bodyVars = body->giveVars();
        for (const FSymbol& v : *bodyVars) {
            if (v.getType() == InternalName::DontCare) {
                duplicate = true;
            } else {
                output.insert(v);
            }
        }
    }
    return duplicate;
}

}  // namespace

void Translator::beginTranslation(FRule* rule, set<FSymbol>& output) {
    if (outputOf(rule, output)) cx->duplicate = 1;
}

Translator::ExprRef Translator::translateRule(FRule* rule, SymTab* names) {
    if (rule == nullptr || rule->getBody() == nullptr) return {};
    TranslationContext context(names, true);
    set<FSymbol> output;
    outputOf(rule, output);
    const JoinShape shape = JoinPlanner::shape(rule->getBody(), output, names);
    return translateInOrder(rule, context, shape.order, shape.split);
}

AnswerColumns Translator::answerColumns(FRule* rule, SymTab* names) {
    if (rule == nullptr || rule->getBody() == nullptr) return {};
    const FLiteralList* body = rule->getBody();
    VarSet safeBound;
    const Ref<FLiteralList> safe = JoinPlanner::safeOrder(body, safeBound, names);
    set<FSymbol> output;
    outputOf(rule, output);
    const JoinShape shape = JoinPlanner::shape(body, output, names);
    const Ref<FLiteralList>& planned = shape.order;
    // A bushy tree's columns follow its halves, not the written order.
    const bool same =
        !shape.bushy() && safe && planned && safe->length() == planned->length() &&
        std::equal(safe->getList()->begin(), safe->getList()->end(), planned->getList()->begin());
    if (same) return {};
    // A tree made only to be looked at: untraced, and the outcome of the last real translation
    // (isOk) stays as it was.
    TranslationContext context(names, false);
    const ExprRef tree = translateInOrder(rule, context, safe);
    if (!tree || context.error != 0 || tree->getOperator() == nullptr) return {};
    return AnswerColumns::reordered(tree->getOperator()->getVariables());
}

Translator::ExprRef Translator::translateInOrder(FRule* rule, TranslationContext& context,
                                                 const Ref<FLiteralList>& ordered,
                                                 std::size_t split) {
    const Running running(*this, context);
    context.secondHalf = split != 0 ? std::int32_t(split) : -1;
    set<FSymbol> output;
    beginTranslation(rule, output);
    FLiteralList* body = rule->getBody();

    // Only a body whose every literal has a place in the order is translated.
    if (!ordered || ordered->length() != body->length()) return {};
    openScope(std::vector<FLiteral*>(ordered->getList()->begin(), ordered->getList()->end()),
              output);

    OutputChannel& out = debugChannel();
    const bool tracing = debug != 0 && context.traced;
    if (tracing) {
        out << std::endl << "translate rule body of" << std::endl;
        rule->print(out, context.symTab, rule->getSymTab());
        out << "to " << std::endl;
    }
    translateBody(ordered.get());

    ExprRef result;
    if (context.error == 0 && context.untranslatable == 0 && !context.stack.empty()) {
        FSymbol symbol;
        result = popEntry(symbol);
        if (!result) {
            result = constantNode(symbol);
        } else if (tracing) {
            result->print(out);
            out << std::endl;
            if (context.duplicate != 0) out << "duplicate elimination proposed" << std::endl;
            out << "plan" << std::endl;
            result->printPlan(out, rule->getSymTab(), 1);
        }
    }
    return result;
}

void Translator::scan(AggExpr* agg) {
    const std::int32_t oldBase = cx->stackBase;
    if (!cx->stack.empty()) cx->stackBase = std::int32_t(cx->stack.size());
    if (agg == nullptr) {
        reportNullPointer("PtnScanner::scan(AggregExpr*)");
        cx->stackBase = oldBase;
        return;
    }
    // The enclosing literal's state, kept whole: the aggregate body would otherwise leave its
    // last literal's passed variables, term and molecule to the rest of the enclosing literal.
    Scope saved;
    std::swap(saved.live, cx->live);
    saved.dictionaries.swap(cx->dictionaries);
    saved.literals.swap(cx->literals);
    saved.literalIndex = cx->literalIndex;
    saved.stackBase = oldBase;
    saved.groupBase = cx->groupBase;
    cx->groupBase = -1;
    saved.passed = cx->passed;
    saved.passedCount = cx->passedCount;
    saved.currentTerm = cx->currentTerm;
    saved.literalMolecule = cx->literalMolecule;
    saved.scannedMolecule = molecule;
    saved.specCount = specs;

    set<FSymbol> output;
    for (const FSymbol& v : agg->getGroupVars()) output.insert(v);
    output.insert(agg->getAggVar());
    // The body in the order a rule body gets: its literals may be written in any order.
    Ref<FLiteralList> ordered;
    if (agg->getBody() != nullptr) {
        ordered = JoinPlanner::plan(agg->getBody(), cx->symTab);
        if (!ordered || ordered->length() != agg->getBody()->length()) {
            ordered = {};
            cx->untranslatable = 1;
        }
    }
    std::vector<FLiteral*> bodyLiterals;
    if (ordered) bodyLiterals.assign(ordered->getList()->begin(), ordered->getList()->end());
    openScope(bodyLiterals, output);
    translateBody(ordered.get());
    ordered = {};
    if (!stopped() && cx->stack.size() > std::size_t(cx->stackBase) && !cx->stack.back())
        cx->untranslatable = 1;
    cx->dictionaries.clear();
    std::swap(cx->live, saved.live);
    cx->dictionaries.swap(saved.dictionaries);
    cx->literals.swap(saved.literals);
    cx->literalIndex = saved.literalIndex;
    cx->passed = saved.passed;
    cx->passedCount = saved.passedCount;
    cx->currentTerm = saved.currentTerm;
    cx->literalMolecule = saved.literalMolecule;
    molecule = saved.scannedMolecule;
    specs = saved.specCount;
    // The aggregation node is a leaf of the enclosing literal: it keeps that literal's input, so
    // that the literal's later variables are still read from it.
    transpose(agg);
    cx->stackBase = saved.stackBase;
    cx->groupBase = saved.groupBase;
}

TranslatorMeta::TranslatorMeta() : XMeta("Translator") {}

FLSysRef TranslatorMeta::createInstance(FLSysArgs* args) {
    if (argumentCount(args) == 0) return Ref<Translator>::make(1);
    FLSysObject* mode = nullptr;
    if (!checkArgs1(args, "FLSysInteger", mode)) return nullptr;
    return Ref<Translator>::make(static_cast<FLSysInteger*>(mode)->value());
}
