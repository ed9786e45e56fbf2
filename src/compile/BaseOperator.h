// BaseOperator: the operator that matches one relation pattern against its input operands, with
// the conditions of its PatternSpec classified once at construction, and the state of one run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compile/Operand.h"
#include "compile/Operator.h"
#include "compile/PatternSpec.h"
#include "compile/RowProbe.h"
#include "foundation/CompactSortedMap.h"
#include "foundation/CompactVector.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

// Inputs are numbered from 0 as given; the inputs that contribute rows or are tied by several
// conditions are enumerated, the others only tested for a matching row.
class BaseOperator : public Operator {
  public:
    BaseOperator(OperatorKind kind, int arity, const PatternSpec& spec);

    // What one evaluation reads and writes: the plan stays as it is while it runs. The run owns
    // its iterators and its result until the result is handed out.
    struct Run {
        Run(const BaseOperator& op, OMAccess* access, int patternWidth);
        Run(const Run&) = delete;
        Run& operator=(const Run&) = delete;
        virtual ~Run() = default;
        // A new empty result over the variables, held by the run.
        SetOperand* startResult(const clib_list<FSymbol>& variables);
        // The result, handed to the caller.
        Ref<Operand> takeResult() { return std::move(result); }

        OMAccess* access;
        // The evaluation is traced (OperatorTrace::on when it began).
        bool traced = false;
        Ref<SetOperand> result;
        std::vector<Ref<Iterator>> inputIters;
        // Borrowed from the caller for the run.
        std::vector<Operand*> inputOperands;
        // Per slot of the enumerated, con-tested and join-tested inputs.
        std::vector<Ref<Iterator>> enumeratedIters;
        std::vector<Ref<Iterator>> conTestedIters;
        std::vector<Ref<Iterator>> joinTestedIters;
        std::vector<InternalName> resultCells;
        std::vector<InternalName> patternCells;
    };

    Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                          const OperatorTrace& tracing) const override;
    bool isGroupedBy(const InternalName& var, int* out) const override;
    // True when the literal can answer for each row of its one input (a projection of the rows
    // before it) whether it holds, without being evaluated over the projection: a negation of it
    // then probes row by row. False by default.
    virtual bool probesEachInputRow() const { return false; }
    // The probe of one evaluation; `columns` maps each 1-based column of the literal's input to
    // the 0-based cell of the rows it will be given. Asked only when probesEachInputRow.
    virtual std::unique_ptr<RowProbe> rowProbe(OMAccess* /*access*/,
                                               const std::vector<int>& /*columns*/) const {
        return nullptr;
    }

  protected:
    ~BaseOperator() override = default;

    struct VarRecord {
        int column, cell;
    };
    struct GivenVarRecord {
        int input, column, cell;
    };
    struct VarEqRecord {
        int a, b;
    };
    // `input` is the number printed by the dump; `slot` the iterator that serves it.
    struct EqConRecord {
        int column, input, inputColumn, slot;
    };
    struct EqJoinRecord {
        int a, columnA, b, columnB, slotA, slotB;
    };
    struct SetSelectRecord {
        int input, keyPosition;
    };
    // Inputs in ascending order; a run keeps one group iterator for each.
    struct InputGroup {
        CompactVector<int> inputs;
        int slotOf(int input) const;
    };

    // A run of this operator; an operator with more per-run state makes a run of its own kind.
    virtual std::unique_ptr<Run> newRun(OMAccess* access) const;
    // The relation query of the leaf operators; called once per combination of input rows.
    virtual void matchRelation(Run&) const {}
    // The debug lines that describe the operator and its inputs, before a traced run.
    virtual void trace(const Run& run) const = 0;
    // The evaluation shared by the leaf operators.
    void evaluateRelation(Run& run, clib_list<Operand*>* inputs) const;
    // Opens a row iterator on each input; false unless there are exactly inputCount inputs and
    // each has a row.
    bool openInputs(Run& run, clib_list<Operand*>* inputs) const;
    // The per-row conditions: equal columns, tested inputs, set selection.
    bool match(Run& run, Iterator* row) const;
    // Emits one result row per combination of the enumerated inputs' groups that satisfies the
    // joins and constant equalities.
    void enumerate(Run& run, const InternalName& key, Iterator* row) const;
    // Writes the names of the constants into the pattern; false when one has no name.
    virtual bool putConstants(Run& run) const;
    // Checks, copies and emits one relation row under `key`.
    void handleRow(Run& run, Iterator* row, const InternalName& key) const;
    // Emits the result cells under `key`: inserted, or combined with the enumerated inputs.
    void emitRow(Run& run, Iterator* row, const InternalName& key) const;
    // Whether the outer enumeration advances the input (fills its bindings and steps its rows).
    virtual bool advancesInput(int input) const { return setSelected[std::size_t(input)] == 0; }
    // Marks an input set-selected with its record (construction only).
    void selectBySet(int input);
    // The group key of an input for a relation row (UndefinedObject without a key column).
    InternalName groupKey(int input, Iterator* row) const;
    // Whether the eq join records hold for the enumerated iterators and, with a relation row,
    // the eq con records. The iterators are the run's or borrowed ones (Ref or plain pointers).
    template <class Iters>
    bool combinationHolds(const Iters& iters, Iterator* row) const {
        for (const EqJoinRecord& r : eqJoins)
            if (iters[std::size_t(r.slotA)]->atColumn(r.columnA) !=
                iters[std::size_t(r.slotB)]->atColumn(r.columnB))
                return false;
        if (row == nullptr) return true;
        for (const EqConRecord& r : eqCons)
            if (iters[std::size_t(r.slot)]->atColumn(r.inputColumn) != row->atColumn(r.column))
                return false;
        return true;
    }
    template <class Iters>
    void copyGivenVars(const Iters& iters, InternalName* cells) const {
        for (const GivenVarRecord& r : givenVars)
            cells[r.cell] = iters[std::size_t(r.input)]->atColumn(r.column);
    }
    // Selects for each input of `tested` the group of key keyOf(input) into `iters`; false when
    // one is missing or empty.
    template <class KeyOf>
    static bool selectGroups(const Run& run, const InputGroup& tested,
                             std::vector<Ref<Iterator>>& iters, KeyOf keyOf) {
        for (std::size_t k = 0; k < tested.inputs.size(); ++k) {
            const int input = tested.inputs[k];
            Operand* operand = run.inputOperands[std::size_t(input)];
            iters[k] = operand->makeGroupIterator(keyOf(input), std::move(iters[k]));
            Iterator* it = iters[k].get();
            if (it == nullptr || !it->first()) return false;
        }
        return true;
    }
    // Calls emit() for the current rows of the iterators and then for every further
    // combination (the first iterator turning fastest) until emit answers false.
    template <class Emit>
    static void forEachCombination(std::vector<Ref<Iterator>>& iters, Emit emit) {
        if (!emit()) return;
        for (std::size_t j = 0; j < iters.size();) {
            if (iters[j]->next()) {
                if (!emit()) return;
                j = 0;
            } else {
                iters[j]->first();
                ++j;
            }
        }
    }
    // Whether every "part eq join" record, on its own, finds a pair of agreeing rows in the
    // selected groups of the join-tested inputs.
    bool partJoinsHold(Run& run) const;
    // The text of a pattern position for the debug lines: the input keyed on it, the constant
    // standing there, or "_#" and the position.
    std::string positionText(OMAccess* access, int position) const;
    // The texts of the pattern positions from .. to - 1, separated by ",".
    std::string positionsText(OMAccess* access, int from, int to) const;
    // "contents of op#" for every input with an operand.
    void printInputContents(const Run& run) const;
    // The condition dump on the debug channel.
    void printConditions() const;
    // The variable of the result cell that the last "var" record of a relation column fills;
    // the undefined symbol when none does.
    FSymbol variableOfColumn(int column) const;
    // True when distinct relation rows give distinct result rows: every column not marked in
    // `fixed` goes to a result cell of its own. False when a "var" record reads beyond the row.
    bool resultRowsDistinct(const std::vector<char>& fixed) const;
    // The answer of isGroupedBy for rows keyed by keyVariable's values (none when undefined).
    static bool groupedBy(const FSymbol& keyVariable, const InternalName& var, int* out);
    // The variable the rows are keyed by, for isGroupedBy; undefined for none.
    virtual FSymbol keyVariable() const { return FSymbol(); }
    // The number of pattern cells a run fills.
    virtual int patternWidth() const { return arity > 0 ? arity : 0; }

    // A translated literal keeps these for as long as its plan lives, and most of them stay
    // empty: each list is one pointer until it has elements.
    CompactSortedMap<int, FSymbol> constants;
    CompactVector<int> keyColumns;
    CompactVector<int> setSelected;
    CompactVector<VarRecord> vars;
    CompactVector<GivenVarRecord> givenVars;
    InputGroup enumerated;
    CompactVector<EqConRecord> eqCons;
    CompactVector<EqJoinRecord> eqJoins;
    InputGroup testedByCon;
    CompactVector<EqConRecord> partEqCons;
    InputGroup testedByJoin;
    CompactVector<EqJoinRecord> partEqJoins;
    CompactVector<VarEqRecord> varEqs;
    CompactVector<SetSelectRecord> setSelects;
    CompactVector<PatternSpec::InputRole> inputRoles;
    CompactVector<CompactVector<InputBinding>> inputBindings;
    std::size_t resultWidth = 0;
    std::int32_t valid = 1;
    std::int32_t needsCheck = 0;
    std::int32_t inputCount;
    std::int32_t columnOffset = 1;
};
