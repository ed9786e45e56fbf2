// Creator1: the rule-head creator over an access layer. It walks each head term once to compile
// it into an insert-expression tree (build mode) and runs the tree for every new body row; a
// head without variables is inserted at once by the walk itself (direct mode). Its class object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "compile/Operator.h"
#include "eval/Creator.h"
#include "eval/HeadPlan.h"
#include "foundation/FLSysObject.h"
#include "foundation/Ref.h"
#include "language/FactList.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

class FTerm;
class InsertExpr;
class DistinctRows;
class TupleDictionaryTree;

class Creator1 : public Creator {
  public:
    // Traces the road of each head when `trace` (the session's, shared with the algebra
    // evaluators; null: never) is on.
    explicit Creator1(OMAccess* access, OperatorTrace* trace = nullptr);

    bool isOk() const override;
    // "aCreator1".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    void create(ParseTreeNode* head, Operand* bindings) override;
    // Makes the argument objects and stores the tuple, as the walk of the fact's head does.
    void createFact(const FactList& facts, std::size_t i) override;
    // As createFact of each, in order; facts of a predicate whose arguments are all numbers
    // (or, untraced, numbers and plain names) go in batches (see the .cpp).
    int createFacts(const FactList& facts, std::size_t from, std::size_t count,
                    const BeforeFact& before) override;
    // The road of runs of facts of numbers: their rows read from the fact list in one pass and
    // handed to the store as a block (Columns), or each batched on its own (Rows, the general
    // road, which traced or watched stores always take).
    enum class FactRowsRoad { Columns, Rows };
    void useFactRowsRoad(FactRowsRoad road) { factRowsRoad = road; }
    // Untraced, with no step between facts: whether a consulted fact h[m ->> {v}] takes the
    // objects of a host or method the fact before named as found then (KnownObjects), or looks
    // every name up again (EachFact, the general road that one must agree with).
    enum class SetValueFactRoad { KnownObjects, EachFact };
    void useSetValueFactRoad(SetValueFactRoad road) { setValueFactRoad = road; }
    void beginFactRun() override;
    void endFactRun() override;
    int changed() const override { return changedValue; }
    void setChanged(int value) override { changedValue = value; }
    void clear() override;
    int applyEqualities() override;

    // The 1-based column of the variable in the current bindings; 0 when it names none.
    virtual int getPosition(const FSymbol& variable);
    // Gives slots n-1 down to 0 of the expression their codes from the stacks.
    virtual void fillSlot(InsertExpr* expr, int n);
    // The tree of the head term for the current column layout, built when missing; the creator
    // keeps it.
    virtual InsertExpr* getInsertExpr(FTerm* term);
    // Whether a tree (possibly null) was built for the head term and the current column layout;
    // it is put into out.
    bool builtInsertExpr(FTerm* term, InsertExpr*& out);

    // The roads the heads take their rows by: those planned from each head's shape, or the
    // general one (every row once, in ascending order, each fact through the access layer's
    // insert) that every planned road must agree with. Set before an evaluation; the heads are
    // planned again.
    enum class HeadRoads : std::uint8_t { Planned, General };
    void useHeadRoads(HeadRoads roads) {
        headRoads = roads;
        clear();
    }

    // An aggregate's body is no part of a head: it is not walked.
    void scan(AggExpr* agg) override;
    using PtnScanner::scan;

    void transpose(FVar* var) override;
    void transpose(IdTerm* term, int argCount) override;
    void transpose(Reference* ref, int argCount) override;
    void transpose(FMolecule* mol) override;
    void transpose(Spec* spec, int argCount, int resultCount) override;
    void transpose(AggExpr* agg) override;
    void transpose(ArithmeticExpr* expr) override;
    void transpose(PTerm* term, int argCount) override;
    void visitNegatedLiteral(FLiteral*) override {}
    void visitTermList(FTermList*) override {}
    void endLiteral() override {}
    void visitBareMolecule() override {}

  protected:
    ~Creator1() override;

    // Finished subterm markers: a symbol (on the symbol stack) or a compound (on the expression
    // stack).
    static const InternalName childMarker;

    InternalName popValue();
    // Pops k values into an array, last element first.
    std::vector<InternalName> popValues(int k);
    // What a method specification or path step pops in direct mode: its results (none for a
    // step), then its arguments, method and host.
    struct StepOperands {
        InternalName host;
        InternalName method;
        std::vector<InternalName> args;
        std::vector<InternalName> results;
        const InternalName* argData() const { return args.empty() ? nullptr : args.data(); }
    };
    StepOperands popStepOperands(int argCount, int resultCount);
    void pushChild(Ref<InsertExpr> expr);
    void noteInsert(int answer) {
        if (answer != 0) changedValue = 1;
    }

    std::int32_t directInsert = 1;
    std::vector<InternalName> valueStack;
    std::vector<FSymbol> symbolStack;
    std::vector<Ref<InsertExpr>> exprStack;
    Operand* bindings = nullptr;
    std::int32_t changedValue = 0;

  private:
    // The session's trace of head roads; null when the creator has none.
    Ref<OperatorTrace> trace;
    HeadRoads headRoads = HeadRoads::Planned;
    using Columns = std::vector<InternalName>;
    // One tree per head term and column layout: rules that share a head term (the delta rules
    // of one rule) can bind its variables in other columns.
    struct Tree {
        Columns columns;
        Ref<InsertExpr> expr;
    };
    struct TermTrees {
        Ref<FTerm> term;
        std::vector<Tree> trees;
    };
    // A head under one column layout (a ground head under the empty one): the rows it took, and
    // once all its terms have trees, those trees and its road, fixed from then on.
    struct Head {
        Ref<ParseTreeNode> head;
        Ref<TupleDictionaryTree> seenRows;
        bool planned = false;
        HeadPlan plan;
        std::vector<InsertExpr*> exprs;
    };
    Columns currentColumns() const;
    // The head's plan and trees for this pass: the fixed ones when made, else planned now (the
    // one term's tree built ahead when the pass allows it).
    HeadPlan planPass(Head& entry, const std::vector<FTerm*>& terms,
                      std::vector<InsertExpr*>& exprs, bool& prepared);
    // Takes the body rows by the plan's road.
    void runPass(const HeadPlan& plan, Head& entry, const std::vector<FTerm*>& terms,
                 std::vector<InsertExpr*>& exprs, bool prepared);
    // On the debug channel while the algebra traces its plans: the road of a head.
    void tracePlan(const HeadPlan& plan) const;

    std::unordered_map<FTerm*, TermTrees> trees;
    // The fresh rows' store of the last fresh-only pass, kept for the next one (see runPass)
    // when it held at most SpareFreshRows rows.
    static constexpr int SpareFreshRows = 1 << 16;
    std::unique_ptr<DistinctRows> spareFresh;
    std::map<std::pair<ParseTreeNode*, Columns>, Head> seen;
    // The atoms of the molecule fact being inserted, kept for their array.
    std::vector<FactList::Atom> factAtoms;
    // The rows of a batch of facts of numbers and the index of each fact (see createFacts).
    std::vector<InternalName> factRows;
    std::vector<std::size_t> factIndexes;
    FactRowsRoad factRowsRoad = FactRowsRoad::Columns;
    SetValueFactRoad setValueFactRoad = SetValueFactRoad::KnownObjects;
    // The most facts of numbers read into one block, and the block's cells, reused block to
    // block.
    static constexpr std::size_t ColumnBlock = 4096;
    std::vector<InternalName> columnCells;
    // The object of a fact's constant or term (of the fact list's table), into `out`: a term's
    // arguments' objects first, left to right and each made alike, then the term's own, as the
    // walk of the written term makes them.
    void insertFactTerm(const GroundTermTable* table, const FSymbol& symbol, InternalName& out);
    void insertTermObject(const GroundTermTable* table, const FSymbol& term, InternalName& out);
    // The argument objects of the terms being made, each term's behind its callers'.
    std::vector<InternalName> termValues;
    // In a run of facts (see Creator::beginFactRun), the objects of the terms of `termTable`
    // made in it, by term number, each entry valid while its run is the present one: a fact
    // naming a term made before in the run costs one look here, where making the object again
    // looked up each of its arguments and cells (a million facts p(aN, [a, b, c, d, e]) took
    // a third longer). Not while every insert attempt is traced: each then shows.
    struct TermObject {
        std::uint64_t run = 0;
        InternalName object;
    };
    std::vector<TermObject> termObjects;
    const GroundTermTable* termTable = nullptr;
    // The present run (0: none) and the last one begun.
    std::uint64_t factRun = 0;
    std::uint64_t lastFactRun = 0;
};

// Registered as "classCreator1": new@(OMAccess); the creators it makes share `trace`.
class Creator1Meta : public XMeta {
  public:
    explicit Creator1Meta(OperatorTrace* trace = nullptr)
        : XMeta("Creator1"), trace(Ref<OperatorTrace>::share(trace)) {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    Ref<OperatorTrace> trace;
};
