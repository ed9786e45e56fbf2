// The rule-head creator: the walk's hooks in build and direct mode, and the row loop of create.
#include "eval/Creator1.h"

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "compile/RowStore.h"
#include "eval/InsertExpr.h"
#include "eval/TupleDictionaryTree.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FMolecule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FactList.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

const InternalName Creator1::childMarker{0, InternalName::SetName, 1};

namespace {
int arithmeticCode(const std::string& op) {
    if (op == "+") return 100;
    if (op == "-") return 101;
    if (op == "*") return 102;
    if (op == "div") return 103;
    return 104;
}
}  // namespace

Creator1::Creator1(OMAccess* access) : Creator(access) {}

Creator1::~Creator1() {
    clear();
    for (InsertExpr* expr : exprStack) decRef(expr);
}

bool Creator1::isOk() const {
    return access != nullptr && access->isOk();
}

void Creator1::print(OutputChannel& channel) const {
    channel << "aCreator1";
}

bool Creator1::isA(const std::string& className) const {
    return className == "Creator1" || Creator::isA(className);
}

int Creator1::applyEqualities() {
    return access->applyEqualities();
}

void Creator1::clear() {
    for (auto& [term, list] : trees) {
        for (Tree& tree : list) decRef(tree.expr);
        decRef(term);
    }
    trees.clear();
    for (auto& [key, trie] : seen) {
        decRef(trie);
        decRef(key.first);
    }
    seen.clear();
    current = nullptr;
}

Creator1::Columns Creator1::currentColumns() const {
    Columns columns;
    if (bindings != nullptr && bindings->getColumns() != nullptr)
        for (const FSymbol& var : *bindings->getColumns()) columns.push_back(var);
    return columns;
}

void Creator1::create(ParseTreeNode* head, Operand* operand) {
    bindings = operand;
    std::vector<FTerm*> terms;
    if (head != nullptr && head->isA("FTerm")) {
        terms.push_back(static_cast<FTerm*>(head));
    } else if (head != nullptr && head->isA("FTermList")) {
        auto* list = static_cast<FTermList*>(head);
        for (list_item it = list->firstItem(); it != nullptr; it = list->nextItem(it))
            terms.push_back(list->termAt(it));
    } else {
        centralErrorHandler().report(err6::NoInsert);
    }
    VarList* vars = head != nullptr ? head->giveVars() : nullptr;
    const bool ground = vars == nullptr || vars->empty();
    delete vars;

    if (ground) {
        auto key = std::make_pair(head, Columns{});
        if (head != nullptr && seen.find(key) == seen.end()) {
            incRef(head);
            current = new TupleDictionaryTree;
            seen.emplace(key, current);
            directInsert = 1;
            for (FTerm* term : terms) scan(term);
        }
    } else if (bindings != nullptr) {
        auto key = std::make_pair(head, currentColumns());
        auto found = seen.find(key);
        if (found == seen.end()) {
            incRef(head);
            found = seen.emplace(key, new TupleDictionaryTree).first;
        }
        current = found->second;
        int local = 0;
        InternalName scratch = InternalName::UndefinedObject;
        // The trees are found and their constants made on the first new row, in the order a
        // row-by-row walk would; later rows only run the trees.
        std::vector<InsertExpr*> exprs;
        // Heads whose trees are built and free of order read the rows unsorted; those that only
        // write predicate tuples also skip the seen-row trie: the frames answer "already there"
        // in one probe, and a repeated row can neither make an object nor report a conflict
        // twice (measured: 25 % less processor time on a transitive closure).
        // Heads that only store predicate tuples and set members take the rows as a join makes
        // them, repeats and all, without storing them first: a repeat costs the frame a probe,
        // about what storing the row would. Those probes wait on memory in a large frame, so such
        // rows are taken in batches: hints for the whole batch first, then the inserts (measured:
        // 40 % less processor time on the transitive closures of 2000 nodes).
        //
        // The first pass of a single-term head under a column layout (every rule's pass in the
        // full round that opens each evaluation) builds the tree before it reads the rows, once
        // there is a row; nothing writes in between, so the objects are made as before. A head
        // that can tell a stored fact then takes the rows as they are made and keeps only those
        // not stored yet, which it stores in ascending order after the pass: the same facts in
        // the same order as storing and sorting every row first, without storing and sorting the
        // rows already there (measured: evaluating a 2000-node closure again after one new fact
        // took 4.7 times as long as evaluating it from scratch, most of it storing 20 M derived
        // rows to sort their 4 M distinct ones, all known). Other heads take the first pass in
        // ascending order as before; several head terms are built as the first row comes, since
        // building one may write a fact before the terms ahead of it have taken the row, and a
        // traced insert prints every row of a first pass.
        bool compiled = false;
        bool freshOnly = false;
        InsertExpr* unbuilt = nullptr;
        auto* plain = dynamic_cast<SetOperand*>(bindings);
        if (terms.size() == 1 && access != nullptr && access->tracing() == 0 &&
            changedValue != -1 && plain != nullptr && !plain->keyed() &&
            !builtInsertExpr(terms.front(), unbuilt) && !bindings->isEmpty()) {
            compiled = true;
            exprs.push_back(getInsertExpr(terms.front()));
            if (exprs.back() != nullptr) exprs.back()->createObjects();
            freshOnly = exprs.back() != nullptr && exprs.back()->tellsStored();
        }
        bool ordered = false;
        bool seenTrie = false;
        bool repeats = true;
        for (FTerm* term : terms) {
            InsertExpr* tree = nullptr;
            if (!builtInsertExpr(term, tree) || (tree != nullptr && !tree->orderFree()) ||
                (compiled && !freshOnly))
                ordered = true;
            if (tree == nullptr || !tree->repeatsCheaply()) seenTrie = true;
            if (tree == nullptr || !tree->takesRepeats()) repeats = false;
        }
        seenTrie = seenTrie || ordered;
        // A traced insert writes a line for every attempt when asked to: the rows then come
        // once each, as before.
        if (access == nullptr || access->tracing() != 0) repeats = false;
        // The seen-row trie passes each row once, in the order the rows first come: the same
        // rows in the same order as storing them in the operand first would give, so an
        // order-free head with a trie takes the join's rows as they are made too.
        const RowOrder order = ordered                            ? RowOrder::Ordered
                               : repeats || seenTrie || freshOnly ? RowOrder::Repeating
                                                                  : RowOrder::Unordered;
        // Ctrl-C or a farewell stops the insertion of many rows; the facts inserted so far
        // are sound, and the evaluation is cancelled right after.
        controlEvents::StopPoll stopPoll;
        constexpr int Batch = 16;
        std::vector<InternalName> batch;
        int batched = 0;
        // The rows of a fresh-only pass that are not stored yet, each once.
        RowStore fresh(freshOnly ? plain->columnCount() : 1);
        auto flush = [&](int width) {
            const std::size_t w = std::size_t(width);
            if (freshOnly) {
                InsertExpr* tree = exprs.front();
                for (int i = 0; i < batched; ++i)
                    tree->prefetchStored(batch.data() + std::size_t(i) * w);
                for (int i = 0; i < batched && !stopPoll.stop(); ++i) {
                    const InternalName* row = batch.data() + std::size_t(i) * w;
                    if (!tree->isStored(row)) fresh.insert(row);
                }
                batched = 0;
                return;
            }
            if (seenTrie) current->prefetch(batch.data(), batched, width);
            for (int i = 0; i < batched; ++i)
                for (InsertExpr* tree : exprs)
                    if (tree != nullptr) tree->prefetch(batch.data() + std::size_t(i) * w);
            for (int i = 0; i < batched; ++i) {
                if (changedValue == -1 || stopPoll.stop()) break;
                const InternalName* row = batch.data() + std::size_t(i) * w;
                if (seenTrie && current->contains(row, width) != 0) continue;
                for (InsertExpr* tree : exprs)
                    if (tree != nullptr) tree->insert(row, &scratch, &local);
            }
            batched = 0;
        };
        int rowWidth = 0;
        forEachRowCells(
            bindings,
            [&](const InternalName* cells, int width) {
                if (compiled && order == RowOrder::Repeating) {
                    // Batched: the trie and the stores are asked for the whole batch at once.
                    rowWidth = width;
                    batch.resize(std::size_t(Batch) * std::size_t(width));
                    std::copy(cells, cells + width,
                              batch.begin() + std::ptrdiff_t(batched) * width);
                    if (++batched == Batch) flush(width);
                    return;
                }
                if (changedValue == -1 || stopPoll.stop() ||
                    (seenTrie && current->contains(cells, width) != 0))
                    return;
                if (!compiled) {
                    compiled = true;
                    for (FTerm* term : terms) {
                        InsertExpr* tree = getInsertExpr(term);
                        exprs.push_back(tree);
                        if (tree == nullptr) continue;
                        tree->createObjects();
                        tree->insert(cells, &scratch, &local);
                    }
                    return;
                }
                for (InsertExpr* tree : exprs)
                    if (tree != nullptr) tree->insert(cells, &scratch, &local);
            },
            order);
        flush(rowWidth);
        for (int rank = 0; rank < fresh.size(); ++rank) {
            if (changedValue == -1 || stopPoll.stop()) break;
            exprs.front()->insert(fresh.rowAtRank(rank), &scratch, &local);
        }
        if (local != 0 && changedValue != -1) changedValue = 1;
    }
    valueStack.clear();
    symbolStack.clear();
    for (InsertExpr* expr : exprStack) decRef(expr);
    exprStack.clear();
}

void Creator1::createFact(const FactList& facts, std::size_t i) {
    // The walk of a ground head would make each argument's object, left to right, then store
    // the tuple; a fact is inserted once per round, so no seen-row trie is asked.
    if (facts.isMolecule(i)) {
        // As the walk of the written molecule: the host; the class, then the relation; for
        // each method the method, arguments and results, then its value or set of values.
        facts.atoms(i, factAtoms);
        InternalName host = InternalName::UndefinedObject;
        if (changedValue != -1)
            noteInsert(access->insertObject(factAtoms.front().host, nullptr, 0, host));
        for (const FactList::Atom& atom : factAtoms) {
            if (atom.form == FactList::Member || atom.form == FactList::Subclass) {
                InternalName cls = InternalName::UndefinedObject;
                if (changedValue != -1) noteInsert(access->insertObject(atom.cls, nullptr, 0, cls));
                if (changedValue != -1)
                    noteInsert(access->insertClassRelation(
                        host, cls, atom.form == FactList::Subclass ? 2 : 1));
                continue;
            }
            InternalName method = InternalName::UndefinedObject;
            if (changedValue != -1)
                noteInsert(access->insertObject(atom.method, nullptr, 0, method));
            // The value stack holds the argument objects, then the results, for the moment.
            const auto argCount = std::size_t(atom.argCount);
            valueStack.assign(argCount + std::size_t(atom.resultCount),
                              InternalName::UndefinedObject);
            for (std::size_t k = 0; k < argCount && changedValue != -1; ++k)
                noteInsert(access->insertObject(atom.args[k], nullptr, 0, valueStack[k]));
            for (int k = 0; k < atom.resultCount && changedValue != -1; ++k)
                noteInsert(access->insertObject(atom.results[k], nullptr, 0,
                                                valueStack[argCount + std::size_t(k)]));
            const int kind = atom.form == FactList::SetValue ? 1 : 0;
            const InternalName* args = argCount > 0 ? valueStack.data() : nullptr;
            if (changedValue == -1) {
                valueStack.clear();
                return;
            }
            if (atom.resultCount == 1) {
                noteInsert(access->insertValue(host, method, args, atom.argCount, kind,
                                               valueStack[argCount]));
            } else {
                set<InternalName> values;
                for (std::size_t k = argCount; k < valueStack.size(); ++k)
                    values.insert(valueStack[k]);
                noteInsert(access->insertSet(host, method, args, atom.argCount, kind, values));
            }
            valueStack.clear();
        }
        return;
    }
    const int arity = facts.arity(i);
    const FSymbol* args = facts.args(i);
    // The value stack is empty between heads; it holds the argument objects for the moment.
    valueStack.assign(std::size_t(arity), InternalName::UndefinedObject);
    for (int k = 0; k < arity && changedValue != -1; ++k)
        noteInsert(access->insertObject(args[k], nullptr, 0, valueStack[std::size_t(k)]));
    if (changedValue != -1)
        noteInsert(access->insertPredicate(facts.predicate(i),
                                           arity > 0 ? valueStack.data() : nullptr, arity));
    valueStack.clear();
}

bool Creator1::builtInsertExpr(FTerm* term, InsertExpr*& out) {
    auto found = trees.find(term);
    if (found == trees.end()) return false;
    const Columns columns = currentColumns();
    for (Tree& tree : found->second) {
        if (tree.columns == columns) {
            out = tree.expr;
            return true;
        }
    }
    return false;
}

InsertExpr* Creator1::getInsertExpr(FTerm* term) {
    InsertExpr* built = nullptr;
    if (builtInsertExpr(term, built)) return built;
    Columns columns = currentColumns();
    auto found = trees.find(term);
    directInsert = 0;
    const std::size_t depth = exprStack.size();
    scan(term);
    InsertExpr* expr = nullptr;
    if (exprStack.size() > depth) {
        expr = exprStack.back();
        exprStack.pop_back();
    }
    if (found == trees.end()) {
        incRef(term);
        found = trees.emplace(term, std::vector<Tree>{}).first;
    }
    found->second.push_back(Tree{std::move(columns), expr});
    return expr;
}

int Creator1::getPosition(const FSymbol& variable) {
    if (bindings == nullptr || bindings->getColumns() == nullptr) {
        centralErrorHandler().report(Error(6, 17, 2, "NoPosition",
                                           "There is no variable pattern corresponding to variable",
                                           "Creator1::getPosition", ""));
        return 0;
    }
    return bindings->columnOf(variable);
}

void Creator1::fillSlot(InsertExpr* expr, int n) {
    for (int i = n - 1; i >= 0; --i) {
        const InternalName marker = popValue();
        if (marker == childMarker && !exprStack.empty()) {
            expr->setChild(exprStack.back(), i);
            exprStack.pop_back();
        } else if (!symbolStack.empty()) {
            const FSymbol symbol = symbolStack.back();
            symbolStack.pop_back();
            if (symbol.isVariable()) {
                expr->setPosition(getPosition(symbol), i);
            } else {
                expr->setConstant(symbol, i);
            }
        } else {
            expr->setConstant(InternalName::UndefinedObject, i);
        }
    }
}

InternalName Creator1::popValue() {
    if (valueStack.empty()) return InternalName::UndefinedObject;
    const InternalName value = valueStack.back();
    valueStack.pop_back();
    return value;
}

std::vector<InternalName> Creator1::popValues(int k) {
    std::vector<InternalName> values(k > 0 ? k : 0);
    for (int i = k - 1; i >= 0; --i) values[i] = popValue();
    return values;
}

Creator1::StepOperands Creator1::popStepOperands(int argCount, int resultCount) {
    StepOperands ops;
    ops.results = popValues(resultCount);
    ops.args = popValues(argCount);
    ops.method = popValue();
    ops.host = popValue();
    return ops;
}

void Creator1::pushChild(InsertExpr* expr) {
    exprStack.push_back(expr);
    valueStack.push_back(childMarker);
}

void Creator1::scan(AggExpr* agg) {
    transpose(agg);
}

void Creator1::transpose(FVar* var) {
    if (changedValue == -1) return;
    symbolStack.push_back(var->getName());
    valueStack.push_back(InternalName::UndefinedObject);
}

void Creator1::transpose(IdTerm* term, int argCount) {
    if (changedValue == -1) return;
    const FSymbol symbol = static_cast<FunctionTerm*>(term)->getName();
    if (directInsert == 0) {
        if (argCount == 0) {
            symbolStack.push_back(symbol);
            valueStack.push_back(InternalName::UndefinedObject);
            return;
        }
        auto* expr = new ObjPredInsertExpr(access, symbol, argCount);
        fillSlot(expr, argCount);
        pushChild(expr);
        return;
    }
    std::vector<InternalName> args = popValues(argCount);
    InternalName value = InternalName::UndefinedObject;
    noteInsert(access->insertObject(symbol, argCount > 0 ? args.data() : nullptr, argCount, value));
    valueStack.push_back(value);
}

void Creator1::transpose(FMolecule* mol) {
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto* expr = new IsaInsertExpr(access, mol->getIsaKind());
        fillSlot(expr, 2);
        pushChild(expr);
        return;
    }
    const InternalName cls = popValue();
    const InternalName object = popValue();
    noteInsert(access->insertClassRelation(object, cls, mol->getIsaKind()));
    valueStack.push_back(object);
}

void Creator1::transpose(Spec* spec, int argCount, int resultCount) {
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto* expr = new PropInsertExpr(access, spec->getKind(), argCount, resultCount);
        fillSlot(expr, argCount + resultCount + 2);
        pushChild(expr);
        return;
    }
    const StepOperands ops = popStepOperands(argCount, resultCount);
    if (resultCount == 1) {
        noteInsert(access->insertValue(ops.host, ops.method, ops.argData(), argCount,
                                       spec->getKind(), ops.results[0]));
    } else {
        set<InternalName> values;
        for (const InternalName& value : ops.results) values.insert(value);
        noteInsert(access->insertSet(ops.host, ops.method, ops.argData(), argCount, spec->getKind(),
                                     values));
    }
    valueStack.push_back(ops.host);
}

void Creator1::transpose(Reference* ref, int argCount) {
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto* expr = new PathInsertExpr(access, ref->getDot(), argCount);
        fillSlot(expr, argCount + 2);
        pushChild(expr);
        return;
    }
    const StepOperands ops = popStepOperands(argCount, 0);
    InternalName value = InternalName::UndefinedObject;
    noteInsert(
        access->insertPath(ops.host, ops.method, ops.argData(), argCount, ref->getDot(), value));
    valueStack.push_back(value);
}

void Creator1::transpose(ArithmeticExpr* expr) {
    if (changedValue == -1) return;
    const int code = arithmeticCode(expr->getOperator());
    if (directInsert == 0) {
        auto* node = new PathInsertExpr(access, code, 0);
        fillSlot(node, 2);
        pushChild(node);
        return;
    }
    const InternalName right = popValue();
    const InternalName left = popValue();
    InternalName value = InternalName::UndefinedObject;
    noteInsert(access->insertPath(left, right, nullptr, 0, code, value));
    valueStack.push_back(value);
}

void Creator1::transpose(PTerm* term, int argCount) {
    if (changedValue == -1) return;
    const FSymbol symbol = term->getName();
    if (argCount == 0) {
        noteInsert(access->insertPredicate(symbol, nullptr, 0));
        return;
    }
    if (directInsert == 0) {
        auto* expr = new ObjPredInsertExpr(access, symbol, argCount);
        fillSlot(expr, argCount);
        pushChild(expr);
        return;
    }
    std::vector<InternalName> args = popValues(argCount);
    noteInsert(access->insertPredicate(symbol, args.data(), argCount));
}

void Creator1::transpose(AggExpr*) {
    if (changedValue == -1) return;
    centralErrorHandler().report(Error(6, 18, 2, "No Aggregation",
                                       "Aggregation is not allowed in rule head",
                                       "Creator1::transpose(AggExpr*)", ""));
}

FLSysRef Creator1Meta::createInstance(FLSysArgs* args) {
    FLSysObject* access = nullptr;
    if (!checkArgs1(args, "OMAccess", access)) return nullptr;
    return FLSysRef::make<Creator1>(static_cast<OMAccess*>(access));
}
