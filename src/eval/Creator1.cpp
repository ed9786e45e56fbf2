// The rule-head creator: the walk's hooks in build and direct mode, and the row loop of create.
#include "eval/Creator1.h"

#include <algorithm>
#include <memory>

#include "access/HeadWriter.h"
#include "access/OMAccess.h"
#include "compile/DistinctRows.h"
#include "compile/Operand.h"
#include "compile/Operator.h"
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
#include "platform/GrowingArray.h"

const InternalName Creator1::childMarker{0, InternalName::SetName, 1};

namespace {
ArithmeticOp arithmeticOp(const std::string& op) {
    if (op == "+") return ArithmeticOp::Plus;
    if (op == "-") return ArithmeticOp::Minus;
    if (op == "*") return ArithmeticOp::Times;
    if (op == "div") return ArithmeticOp::IntegerDivision;
    return ArithmeticOp::Division;
}
}  // namespace

Creator1::Creator1(OMAccess* access, OperatorTrace* trace)
    : Creator(access), trace(Ref<OperatorTrace>::share(trace)) {}

Creator1::~Creator1() {
    clear();
}

bool Creator1::isOk() const {
    return access && access->isOk();
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
    // The heads borrow the trees: they go first.
    seen.clear();
    trees.clear();
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
    if (auto* term = node_cast<FTerm>(head)) {
        terms.push_back(term);
    } else if (auto* list = node_cast<FTermList>(head)) {
        for (list_item it = list->firstItem(); it != nullptr; it = list->nextItem(it))
            terms.push_back(list->termAt(it));
    } else {
        centralErrorHandler().report(err6::NoInsert);
    }
    const std::unique_ptr<VarList> vars(head != nullptr ? head->giveVars() : nullptr);
    const bool ground = vars == nullptr || vars->empty();

    if (ground) {
        auto key = std::make_pair(head, Columns{});
        if (head != nullptr && seen.find(key) == seen.end()) {
            Head& entry = seen[key];
            entry.head = Ref<ParseTreeNode>::share(head);
            directInsert = 1;
            for (FTerm* term : terms) scan(term);
        }
    } else if (bindings != nullptr) {
        auto key = std::make_pair(head, currentColumns());
        auto found = seen.find(key);
        if (found == seen.end()) {
            found = seen.emplace(key, Head{}).first;
            found->second.head = Ref<ParseTreeNode>::share(head);
        }
        Head& entry = found->second;
        std::vector<InsertExpr*> exprs;
        bool prepared = false;
        const HeadPlan plan = planPass(entry, terms, exprs, prepared);
        runPass(plan, entry, terms, exprs, prepared);
    }
    valueStack.clear();
    symbolStack.clear();
    exprStack.clear();
}

HeadPlan Creator1::planPass(Head& entry, const std::vector<FTerm*>& terms,
                            std::vector<InsertExpr*>& exprs, bool& prepared) {
    if (headRoads == HeadRoads::General) {
        // No tree is built ahead: the first row builds or fetches them term by term.
        const HeadPlan plan{HeadRoad::Ordered, true};
        tracePlan(plan);
        return plan;
    }
    if (entry.planned) {
        exprs = entry.exprs;
        return entry.plan;
    }
    HeadShape shape;
    shape.demand = RowDemand::TellsStored;
    shape.repeatsHarmless = true;
    shape.everyAttempt = access->traceMode() == TraceMode::EveryAttempt;
    bool built = true;
    std::vector<InsertExpr*> found;
    for (FTerm* term : terms) {
        InsertExpr* tree = nullptr;
        if (!builtInsertExpr(term, tree)) {
            built = false;
            continue;
        }
        found.push_back(tree);
        if (tree == nullptr) {
            shape.treeless = true;
            continue;
        }
        shape.demand = weakest(shape.demand, tree->demand());
        shape.repeatsHarmless = shape.repeatsHarmless && tree->repeatsHarmless();
    }
    if (built) {
        shape.trees = HeadShape::Trees::Built;
    } else {
        auto* plain = dynamic_cast<SetOperand*>(bindings);
        if (buildsAhead(int(terms.size()), changedValue != -1 && plain != nullptr &&
                                               !plain->keyed() && !bindings->isEmpty())) {
            InsertExpr* tree = getInsertExpr(terms.front());
            exprs.push_back(tree);
            if (tree != nullptr) tree->beginPass();
            prepared = true;
            shape.trees = HeadShape::Trees::BuiltAhead;
            shape.treeless = tree == nullptr;
            shape.demand = tree != nullptr ? tree->demand() : RowDemand::Ordered;
            shape.repeatsHarmless = tree != nullptr && tree->repeatsHarmless();
        }
    }
    const HeadPlan plan = planHead(shape);
    if (built) {
        // Built trees stay as they are until clear: the plan holds from now on.
        entry.planned = true;
        entry.plan = plan;
        entry.exprs = found;
    }
    tracePlan(plan);
    return plan;
}

void Creator1::tracePlan(const HeadPlan& plan) const {
    if (!trace || !trace->on) return;
    debugChannel() << "head road: " << plan.name() << std::endl;
}

void Creator1::runPass(const HeadPlan& plan, Head& entry, const std::vector<FTerm*>& terms,
                       std::vector<InsertExpr*>& exprs, bool prepared) {
    // A head's seen-row trie is made by the first pass whose road asks for one: a head whose
    // rows go to the store fresh-only never holds one.
    if (plan.seenTrie && !entry.seenRows)
        entry.seenRows = Ref<TupleDictionaryTree>::adopt(new TupleDictionaryTree);
    TupleDictionaryTree* const trie = entry.seenRows.get();
    // The trees' writers hold for this pass only, however it ends.
    struct EndPass {
        std::vector<InsertExpr*>& exprs;
        ~EndPass() {
            for (InsertExpr* tree : exprs)
                if (tree != nullptr) tree->endPass();
        }
    } endPass{exprs};
    int local = 0;
    InternalName scratch = InternalName::UndefinedObject;
    // Ctrl-C or a farewell stops the insertion of many rows; the facts inserted so far are
    // sound, and the evaluation is cancelled right after.
    controlEvents::StopPoll stopPoll;
    auto halted = [&] { return changedValue == -1 || stopPoll.stop(); };
    // A row first taken in a pass whose trees were not made ahead builds or fetches them term
    // by term, each making its objects and taking the row before the next is built: building
    // one may write a fact.
    auto takeFirst = [&](const InternalName* cells) {
        exprs.clear();
        for (FTerm* term : terms) {
            InsertExpr* tree = getInsertExpr(term);
            exprs.push_back(tree);
            if (tree == nullptr) continue;
            tree->beginPass(headRoads == HeadRoads::General ? InsertExpr::Writes::AccessInsert
                                                            : InsertExpr::Writes::Chosen);
            tree->insert(cells, &scratch, &local);
        }
        prepared = true;
    };
    auto insertAll = [&](const InternalName* cells) {
        for (InsertExpr* tree : exprs)
            if (tree != nullptr) tree->insert(cells, &scratch, &local);
    };

    // The batched roads: hints for a whole batch first, then its lookups and inserts; those
    // wait on memory in a large frame.
    constexpr int Batch = 16;
    std::vector<InternalName> batch;
    int batched = 0;
    int rowWidth = 0;
    // The rows of a fresh-only pass that are not stored yet, each once: in the store the last
    // such pass left when it has the width (a pass over a few rows spent more on making and
    // growing its store than on the rows).
    std::unique_ptr<DistinctRows> fresh;
    auto openFresh = [&] {
        if (fresh != nullptr) return;
        if (spareFresh != nullptr && spareFresh->width() == rowWidth) {
            fresh = std::move(spareFresh);
            fresh->reset();
        }
        if (fresh == nullptr) fresh = std::make_unique<DistinctRows>(rowWidth);
    };
    auto flush = [&] {
        const std::size_t w = std::size_t(rowWidth);
        if (plan.road == HeadRoad::FreshOnly) {
            openFresh();
            InsertExpr* tree = exprs.front();
            // A head relation that holds nothing yet (the first pass of a rule of a chain) has
            // no row to look up: every row is fresh.
            const bool none = tree->storesNothing();
            for (int i = 0; i < batched && !none; ++i)
                tree->prefetchStored(batch.data() + std::size_t(i) * w);
            for (int i = 0; i < batched && !stopPoll.stop(); ++i) {
                const InternalName* row = batch.data() + std::size_t(i) * w;
                if (none || !tree->isStored(row)) fresh->add(row);
            }
            batched = 0;
            return;
        }
        if (plan.seenTrie) trie->prefetch(batch.data(), batched, rowWidth);
        for (int i = 0; i < batched; ++i)
            for (InsertExpr* tree : exprs)
                if (tree != nullptr) tree->prefetch(batch.data() + std::size_t(i) * w);
        for (int i = 0; i < batched && !halted(); ++i) {
            const InternalName* row = batch.data() + std::size_t(i) * w;
            if (plan.seenTrie && trie->contains(row, rowWidth) != 0) continue;
            insertAll(row);
        }
        batched = 0;
    };
    // Ordered rows that pass no trie go in batches too, taken in their order: a head that makes
    // an object per row looks each up in a large table, and the hints let those waits overlap.
    const bool batching = plan.road == HeadRoad::FreshOnly || plan.road == HeadRoad::Batched ||
                          (plan.road == HeadRoad::Ordered && !plan.seenTrie);
    // A fresh-only pass into a relation that holds nothing yet (the first pass of a rule of a
    // chain) looks nothing up: its rows go straight to the fresh store, without the batch.
    // Nothing is stored before the pass ends, so that holds for the whole pass.
    const bool straight = plan.road == HeadRoad::FreshOnly && prepared && !exprs.empty() &&
                          exprs.front() != nullptr && exprs.front()->storesNothing();
    // The trees made ahead learn at the first row how many rows come, once a stored operand
    // knows: a head making an object per row then makes room for them at once.
    bool hinted = !prepared;
    auto hintRows = [&] {
        hinted = true;
        const auto* plain = dynamic_cast<const SetOperand*>(bindings);
        if (plain == nullptr || plain->holdsSource()) return;
        for (InsertExpr* tree : exprs)
            if (tree != nullptr) tree->expectRows(plain->rowsAtMost());
    };
    ::scan(bindings, plan.order(), [&](const RowView& row) {
        if (!hinted) hintRows();
        const InternalName* cells = row.cells;
        const int width = row.width;
        if (straight) {
            if (fresh == nullptr) {
                rowWidth = width;
                openFresh();
            }
            // Only gathered: the repeats go when the rows are sorted at the end of the pass.
            if (!stopPoll.stop()) fresh->add(cells);
            return;
        }
        if (prepared && batching) {
            if (batched == 0) {
                rowWidth = width;
                batch.resize(std::size_t(Batch) * std::size_t(width));
            }
            std::copy(cells, cells + width, batch.begin() + std::ptrdiff_t(batched) * width);
            if (++batched == Batch) flush();
            return;
        }
        if (halted() || (plan.seenTrie && trie->contains(cells, width) != 0)) return;
        if (!prepared)
            takeFirst(cells);
        else
            insertAll(cells);
    });
    flush();
    if (fresh != nullptr) {
        // Each fresh row was found not stored, and only they are stored now, each once: sorted
        // once, they go to the writer in ascending order, in blocks that are each one copy of
        // their cells; a stop is looked for between two blocks.
        fresh->settle();
        // Many rows into a relation that still holds nothing (the straight road's pass) are
        // handed over in their array: the store takes it as its own, and the copy and the
        // faults of its fresh pages are saved (a tenth of a 2-hop join of 400,000 edges).
        if (straight && fresh->size() > SpareFreshRows && !halted() &&
            exprs.front()->storesNothing()) {
            const int count = fresh->size();
            GrowingArray<InternalName> rows = fresh->takeRows();
            exprs.front()->adoptNewRows(rows, count, fresh->width(), &local);
        }
        exprs.front()->expectNew(fresh->size());
        constexpr int Block = 4096;
        for (int from = 0; from < fresh->size() && !halted(); from += Block) {
            const int count = std::min(Block, fresh->size() - from);
            exprs.front()->insertNewRows(fresh->row(from), count, fresh->width(), &local);
        }
        // Kept for the next pass unless large: its memory would stay taken until then.
        if (fresh->size() <= SpareFreshRows) spareFresh = std::move(fresh);
    }
    if (local != 0 && changedValue != -1) changedValue = 1;
}

void Creator1::createFact(const FactList& facts, std::size_t i) {
    // The walk of a ground head would make each argument's object, left to right, then store
    // the tuple; a fact is inserted once per round, so no seen-row trie is asked.
    const GroundTermTable* table = facts.termTable();
    if (facts.isMolecule(i)) {
        // As the walk of the written molecule: the host; the class, then the relation; for
        // each method the method, arguments and results, then its value or set of values.
        facts.atoms(i, factAtoms);
        InternalName host = InternalName::UndefinedObject;
        if (changedValue != -1) insertFactTerm(table, factAtoms.front().host, host);
        for (const FactList::Atom& atom : factAtoms) {
            if (atom.form == FactList::Member || atom.form == FactList::Subclass) {
                InternalName cls = InternalName::UndefinedObject;
                if (changedValue != -1) noteInsert(access->insertObject(atom.cls, nullptr, 0, cls));
                if (changedValue != -1)
                    noteInsert(access->insertClassRelation(host, cls,
                                                           atom.form == FactList::Subclass
                                                               ? IsaRelation::Subclass
                                                               : IsaRelation::Member));
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
                insertFactTerm(table, atom.args[k], valueStack[k]);
            for (int k = 0; k < atom.resultCount && changedValue != -1; ++k)
                insertFactTerm(table, atom.results[k], valueStack[argCount + std::size_t(k)]);
            const MethodType kind =
                atom.form == FactList::SetValue ? MethodType::Set : MethodType::Scalar;
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
        insertFactTerm(table, args[k], valueStack[std::size_t(k)]);
    if (changedValue != -1)
        noteInsert(access->insertPredicate(facts.predicate(i),
                                           arity > 0 ? valueStack.data() : nullptr, arity));
    valueStack.clear();
}

namespace {

bool isNumber(const FSymbol& symbol) {
    return symbol.getType() == InternalName::Integer || symbol.getType() == InternalName::Float;
}

// Whether fact i is a stored predicate's tuple of numbers, and of plain names when `names`:
// its row is its arguments as they are, or the objects of its names, made as createFact makes
// them (no term among them, whose object is made from its arguments' own).
bool plainFact(const FactList& facts, std::size_t i, bool names) {
    if (facts.isMolecule(i) || facts.arity(i) == 0 ||
        facts.predicate(i).getType() != InternalName::Predicate)
        return false;
    const FSymbol* args = facts.args(i);
    for (int k = 0; k < facts.arity(i); ++k)
        if (!isNumber(args[k]) && (!names || GroundTermTable::isTerm(args[k]))) return false;
    return true;
}

}  // namespace

int Creator1::createFacts(const FactList& facts, std::size_t from, std::size_t count,
                          const BeforeFact& before) {
    // A consult stores runs of facts like r(1, 20, 300): their rows are known as soon as they
    // are read, and their inserts wait on memory, each probing a large store at random. A batch
    // of them is read first, a cache hint given for the slot each will probe, then they are
    // inserted in order, as createFact would insert each (measured: a consult of 1 M facts of
    // three numbers spent a third of its time waiting on the store's probes).
    constexpr std::size_t Batch = 16;
    int answer = 0;
    FSymbol predicate;
    int arity = 0;
    std::unique_ptr<HeadWriter> hints;
    // A writer opened before the predicate's first tuple finds no store to hint at: it is opened
    // again once the batch made the store.
    bool hintsStale = false;
    int expecting = 0;
    const bool direct = access->traceMode() == TraceMode::Off;
    std::size_t batched = 0;
    auto fail = [&](int one) {
        if (one == -1) return true;
        if (one != 0) answer = 1;
        return false;
    };
    auto flush = [&] {
        for (std::size_t b = 0; b < batched; ++b) {
            if (before) before(factIndexes[b]);
            setChanged(0);
            const InternalName* row = factRows.data() + b * std::size_t(arity);
            // Untraced, the writer stores the tuple as the insert operation would, without
            // looking up the predicate's frame and its delta again for every fact.
            noteInsert(direct ? hints->insert(row)
                              : access->insertPredicate(predicate, row, arity));
            if (fail(changed())) return false;
        }
        batched = 0;
        if (hintsStale) {
            hints = access->openHeadWriter(HeadRelation::ofPredicate(predicate, arity));
            hints->expect(expecting);
            hintsStale = false;
        }
        return true;
    };
    // Whether fact i is of another predicate than the open head writer's, and the step that
    // opens the writer for it. The store makes room for the rows of the predicate's facts at
    // once, instead of growing its cells and rehashing its hash set as they come.
    auto opens = [&](std::size_t i) {
        return hints == nullptr || facts.predicate(i) != predicate || facts.arity(i) != arity;
    };
    auto open = [&](std::size_t i) {
        predicate = facts.predicate(i);
        arity = facts.arity(i);
        hints = access->openHeadWriter(HeadRelation::ofPredicate(predicate, arity));
        expecting = int(std::min(facts.factsWriting(predicate, arity), from + count - i));
        hints->expect(expecting);
    };
    // Untraced, facts of names go in batches too: the objects of a batch's names are made
    // before its tuples are stored, which only a trace of the inserts would show.
    const bool names = direct && !before;
    // Decided once for the run: untraced, with no step between facts, a run of facts of
    // numbers of one predicate is read into a block of rows, which its store takes at once
    // (copied in while the rows ascend). Each row's answer is as its own insert's.
    const bool columns = names && factRowsRoad == FactRowsRoad::Columns;
    // Untraced, with no step between facts, a fact h[m ->> {v}] whose host or method is the
    // fact before's takes its object as found then: a name's object, once made, stays its
    // object while a run of such facts goes on (storing a set member equates nothing), and
    // looking it up again made nothing (the method of such facts is mostly one name, and a
    // host's values come together).
    const bool knownObjects = names && setValueFactRoad == SetValueFactRoad::KnownObjects;
    const GroundTermTable* table = facts.termTable();
    bool hostKnown = false;
    bool methodKnown = false;
    FSymbol lastHost;
    FSymbol lastMethod;
    InternalName host = InternalName::UndefinedObject;
    InternalName method = InternalName::UndefinedObject;
    // The members go in through a head's writer of set members, which keeps the set of the host
    // met last: a host's further values cost a probe of that set, not the walk from its object
    // through its method entry to the set for each value. It answers as the insert does.
    std::unique_ptr<HeadWriter> members;
    auto setValueFact = [&](std::size_t i) {
        const FSymbol hostSymbol = facts.host(i);
        const FSymbol methodSymbol = facts.method(i);
        if (!hostKnown || hostSymbol != lastHost) {
            insertFactTerm(table, hostSymbol, host);
            hostKnown = !GroundTermTable::isTerm(hostSymbol);
            lastHost = hostSymbol;
        }
        if (changedValue == -1) return;
        if (!methodKnown || methodSymbol != lastMethod) {
            noteInsert(access->insertObject(methodSymbol, nullptr, 0, method));
            methodKnown = true;
            lastMethod = methodSymbol;
        }
        if (changedValue == -1) return;
        InternalName value = InternalName::UndefinedObject;
        insertFactTerm(table, facts.result(i), value);
        if (changedValue == -1) return;
        if (members == nullptr)
            members = access->openHeadWriter(HeadRelation::ofMethod(MethodType::Set, 0, 1));
        const InternalName row[3] = {host, method, value};
        noteInsert(members->insert(row));
    };
    for (std::size_t i = from; i < from + count; ++i) {
        if (knownObjects && facts.form(i) == FactList::SetValue) {
            if (!flush()) return -1;
            setChanged(0);
            setValueFact(i);
            if (fail(changed())) return -1;
            continue;
        }
        // A fact of another kind may equate objects, which gives a name another object.
        hostKnown = false;
        methodKnown = false;
        if (columns) {
            const std::size_t run =
                facts.numberRows(i, std::min(ColumnBlock, from + count - i), columnCells);
            if (run > 0) {
                if (!flush()) return -1;
                if (opens(i)) open(i);
                setChanged(0);
                noteInsert(hints->insertRows(columnCells.data(), int(run), arity));
                if (fail(changed())) return -1;
                i += run - 1;
                continue;
            }
        }
        if (plainFact(facts, i, names)) {
            if (opens(i)) {
                if (!flush()) return -1;
                open(i);
                hintsStale = true;
            }
            factRows.resize(Batch * std::size_t(arity));
            factIndexes.resize(Batch);
            InternalName* row = factRows.data() + batched * std::size_t(arity);
            const FSymbol* args = facts.args(i);
            // A number is its own object (see OMAccess::insertObject); a name's is made now.
            for (int k = 0; k < arity; ++k) {
                if (isNumber(args[k]))
                    row[k] = args[k].stored();
                else if (access->insertObject(args[k], nullptr, 0, row[k]) != 0)
                    answer = 1;
            }
            hints->prefetch(row);
            factIndexes[batched++] = i;
            if (batched == Batch && !flush()) return -1;
            continue;
        }
        if (!flush()) return -1;
        if (before) before(i);
        setChanged(0);
        createFact(facts, i);
        if (fail(changed())) return -1;
    }
    if (!flush()) return -1;
    return answer;
}

void Creator1::beginFactRun() {
    factRun = access->tracingAll() != 0 ? 0 : ++lastFactRun;
}

void Creator1::endFactRun() {
    factRun = 0;
}

void Creator1::insertFactTerm(const GroundTermTable* table, const FSymbol& symbol,
                              InternalName& out) {
    if (GroundTermTable::isTerm(symbol))
        insertTermObject(table, symbol, out);
    else
        noteInsert(access->insertObject(symbol, nullptr, 0, out));
}

void Creator1::insertTermObject(const GroundTermTable* table, const FSymbol& symbol,
                                InternalName& out) {
    const auto number = std::size_t(std::uint32_t(symbol.getValue()));
    if (factRun != 0) {
        if (table != termTable) {
            termTable = table;
            termObjects.clear();
        }
        if (number < termObjects.size() && termObjects[number].run == factRun) {
            out = termObjects[number].object;
            return;
        }
    }
    const std::size_t arity = table->arity(symbol);
    const FSymbol* args = table->args(symbol);
    const std::size_t from = termValues.size();
    termValues.resize(from + arity, InternalName::UndefinedObject);
    for (std::size_t k = 0; k < arity && changedValue != -1; ++k) {
        InternalName value = InternalName::UndefinedObject;
        insertFactTerm(table, args[k], value);
        termValues[from + k] = value;
    }
    if (changedValue != -1)
        noteInsert(access->insertObject(table->functor(symbol), termValues.data() + from,
                                        static_cast<int>(arity), out));
    termValues.resize(from);
    if (factRun != 0 && changedValue != -1 && out != InternalName::UndefinedObject) {
        if (termObjects.size() <= number) termObjects.resize(table->size());
        termObjects[number] = TermObject{factRun, out};
    }
}

bool Creator1::builtInsertExpr(FTerm* term, InsertExpr*& out) {
    auto found = trees.find(term);
    if (found == trees.end()) return false;
    const Columns columns = currentColumns();
    for (Tree& tree : found->second.trees) {
        if (tree.columns == columns) {
            out = tree.expr.get();
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
    Ref<InsertExpr> expr;
    if (exprStack.size() > depth) {
        expr = std::move(exprStack.back());
        exprStack.pop_back();
    }
    if (found == trees.end())
        found = trees.emplace(term, TermTrees{Ref<FTerm>::share(term), {}}).first;
    InsertExpr* tree = expr.get();
    found->second.trees.push_back(Tree{std::move(columns), std::move(expr)});
    return tree;
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
            expr->setChild(std::move(exprStack.back()), i);
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

void Creator1::pushChild(Ref<InsertExpr> expr) {
    exprStack.push_back(std::move(expr));
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
        auto expr = Ref<ObjPredInsertExpr>::make(access.get(), symbol, argCount);
        fillSlot(expr.get(), argCount);
        pushChild(std::move(expr));
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
        auto expr = Ref<IsaInsertExpr>::make(access.get(), IsaRelation(mol->getIsaKind()));
        fillSlot(expr.get(), 2);
        pushChild(std::move(expr));
        return;
    }
    const InternalName cls = popValue();
    const InternalName object = popValue();
    noteInsert(access->insertClassRelation(object, cls, IsaRelation(mol->getIsaKind())));
    valueStack.push_back(object);
}

void Creator1::transpose(Spec* spec, int argCount, int resultCount) {
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto expr = Ref<PropInsertExpr>::make(access.get(), MethodType(spec->getKind()), argCount,
                                              resultCount);
        fillSlot(expr.get(), argCount + resultCount + 2);
        pushChild(std::move(expr));
        return;
    }
    const StepOperands ops = popStepOperands(argCount, resultCount);
    if (resultCount == 1) {
        noteInsert(access->insertValue(ops.host, ops.method, ops.argData(), argCount,
                                       MethodType(spec->getKind()), ops.results[0]));
    } else {
        set<InternalName> values;
        for (const InternalName& value : ops.results) values.insert(value);
        noteInsert(access->insertSet(ops.host, ops.method, ops.argData(), argCount,
                                     MethodType(spec->getKind()), values));
    }
    valueStack.push_back(ops.host);
}

void Creator1::transpose(Reference* ref, int argCount) {
    if (changedValue == -1) return;
    if (directInsert == 0) {
        auto expr = Ref<PathInsertExpr>::make(access.get(), MethodType(ref->getDot()), argCount);
        fillSlot(expr.get(), argCount + 2);
        pushChild(std::move(expr));
        return;
    }
    const StepOperands ops = popStepOperands(argCount, 0);
    InternalName value = InternalName::UndefinedObject;
    noteInsert(access->insertPath(ops.host, ops.method, ops.argData(), argCount,
                                  MethodType(ref->getDot()), value));
    valueStack.push_back(value);
}

void Creator1::transpose(ArithmeticExpr* expr) {
    if (changedValue == -1) return;
    const ArithmeticOp op = arithmeticOp(expr->getOperator());
    if (directInsert == 0) {
        auto node = Ref<PathInsertExpr>::make(access.get(), op);
        fillSlot(node.get(), 2);
        pushChild(std::move(node));
        return;
    }
    const InternalName right = popValue();
    const InternalName left = popValue();
    InternalName value = InternalName::UndefinedObject;
    noteInsert(access->insertPath(left, right, nullptr, 0, op, value));
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
        auto expr = Ref<ObjPredInsertExpr>::make(access.get(), symbol, argCount);
        fillSlot(expr.get(), argCount);
        pushChild(std::move(expr));
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
    return Ref<Creator1>::make(static_cast<OMAccess*>(access), trace.get());
}
