// BaseOperator: the operator that matches one relation pattern against its input operands, with
// the condition records the translator hands it, classified once at construction.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "compile/Operand.h"
#include "compile/Operator.h"
#include "foundation/set.h"
#include "objectbase/Iterator.h"

// Positions: relation columns and input columns are 1-based as the iterators count them,
// pattern cells, result cells and key positions 0-based. Inputs are numbered from 0 as given;
// the inputs that contribute rows or are tied by several conditions are enumerated, the others
// only tested for a matching row.
class BaseOperator : public Operator {
  public:
    // Each record list holds arrays of ints: "var eq" (column a, column b), "eq con" (relation
    // column, input, input column), "eq join" (input a, column a, input b, column b), "var"
    // (relation column, result cell), "given var" (input, input column, result cell), input
    // bindings (pattern cell, input, input column). Key columns are 1-based pattern positions,
    // 0 for an input without key. The constant symbols pair with the positions in order.
    // `columnSet` is kept for the method-application operator; `excludedInputs` only shifts
    // the numbering of the tested inputs.
    BaseOperator(std::string typeName, int arity, int inputCount, const clib_list<int*>& varEq,
                 const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin,
                 const clib_list<int*>& var, const clib_list<int*>& givenVar,
                 const clib_list<int>& constantPositions, const clib_list<FSymbol>& constantSymbols,
                 const clib_list<int>& keyColumns, const clib_list<FSymbol>& variables,
                 const set<int>& columnSet, const set<int>& excludedInputs,
                 const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags);

    // The condition dump on the debug channel.
    void print() override;

    // Opens a row iterator on each input; false unless there are exactly inputCount inputs and
    // each has a row.
    virtual bool openInputs(clib_list<Operand*>* inputs);
    // The per-row conditions: equal columns, tested inputs, set selection.
    virtual bool match(Iterator* row);
    // Emits one result row per combination of the enumerated inputs' groups that satisfies the
    // joins and constant equalities.
    virtual void enumerate(SetOperand* into, InternalName* key, Iterator* row, InternalName* cells);
    // Writes the names of the constants into the pattern; false when one has no name.
    virtual bool putConstants(InternalName* patternCells);

  protected:
    ~BaseOperator() override;

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
    struct Binding {
        int cell, input, column;
    };
    // Inputs in ascending order with one group iterator each.
    struct InputGroup {
        std::vector<int> inputs;
        std::vector<Iterator*> iters;
        int slotOf(int input) const;
    };

    // The relation query of the leaf operators; called once per combination of input rows.
    virtual void matchRelation() {}
    // The evaluation shared by the leaf operators.
    Operand* evaluateRelation(clib_list<Operand*>* inputs, OMAccess* access,
                              InternalName* patternCells);
    // Checks, copies and emits one relation row under `key`.
    void handleRow(Iterator* row, const InternalName& key);
    // Emits the result cells under `key`: inserted, or combined with the enumerated inputs.
    void emitRow(Iterator* row, const InternalName& key);
    // Whether the outer enumeration advances the input (fills its bindings and steps its rows).
    virtual bool advancesInput(int input) const { return setSelected[std::size_t(input)] == 0; }
    // Marks an input set-selected with its record.
    void selectBySet(int input);
    // The group key of an input for a relation row (UndefinedObject without a key column).
    InternalName groupKey(int input, Iterator* row) const;
    // Whether the eq join records hold for the enumerated iterators and, with a relation row,
    // the eq con records.
    bool combinationHolds(const std::vector<Iterator*>& iters, Iterator* row) const;
    void copyGivenVars(const std::vector<Iterator*>& iters, InternalName* cells) const;
    // Selects for each input of `tested` the group of key keyOf(input); false when one is
    // missing or empty.
    template <class KeyOf>
    bool selectGroups(InputGroup& tested, KeyOf keyOf) {
        for (std::size_t k = 0; k < tested.inputs.size(); ++k) {
            const int input = tested.inputs[k];
            Iterator*& it = tested.iters[k];
            it = inputOperands[std::size_t(input)]->makeGroupIterator(keyOf(input), it);
            if (it == nullptr || !it->first()) return false;
        }
        return true;
    }
    // Calls emit() for the current rows of the iterators and then for every further
    // combination (the first iterator turning fastest) until emit answers false.
    template <class Emit>
    static void forEachCombination(std::vector<Iterator*>& iters, Emit emit) {
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
    bool partJoinsHold();
    // The text of a pattern position for the debug lines: the input keyed on it, the constant
    // standing there, or "_#" and the position.
    std::string positionText(int position) const;
    // The texts of the pattern positions from .. to - 1, separated by ",".
    std::string positionsText(int from, int to) const;
    // "contents of op#" for every input with an operand.
    void printInputContents();
    // The variable of the result cell that the last "var" record of a relation column fills;
    // the undefined symbol when none does.
    FSymbol variableOfColumn(int column) const;
    // True when distinct relation rows give distinct result rows: every column not marked in
    // `fixed` goes to a result cell of its own. False when a "var" record reads beyond the row.
    bool resultRowsDistinct(std::vector<char> fixed) const;
    // The answer of isGroupedBy for rows keyed by keyVariable's values (none when undefined).
    static bool groupedBy(const FSymbol& keyVariable, const InternalName& var, int* out);

    OMAccess* access = nullptr;
    std::map<int, FSymbol> constants;
    std::int32_t valid = 1;
    std::int32_t needsCheck = 0;
    std::vector<Iterator*> inputIters;
    std::vector<Operand*> inputOperands;
    std::vector<int> keyColumns;
    std::vector<int> setSelected;
    std::int32_t inputCount;
    std::vector<VarRecord> vars;
    std::vector<GivenVarRecord> givenVars;
    InputGroup enumerated;
    std::vector<EqConRecord> eqCons;
    std::vector<EqJoinRecord> eqJoins;
    InputGroup testedByCon;
    std::vector<EqConRecord> partEqCons;
    InputGroup testedByJoin;
    std::vector<EqJoinRecord> partEqJoins;
    std::vector<VarEqRecord> varEqs;
    std::vector<SetSelectRecord> setSelects;
    std::int32_t columnOffset = 1;
    std::vector<int> inputFlags;
    std::vector<std::vector<Binding>> inputBindings;

    SetOperand* result = nullptr;
    std::vector<InternalName> resultCells;
};
