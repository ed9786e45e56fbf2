// Merge: the join of the operand built so far for a rule body with the next literal's operand.
#pragma once

#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "platform/ControlEvents.h"

// Every result row is stored under UndefinedObject. keyCells[i] holds the key of input i's
// current group.
class Merge : public BaseOperator {
  public:
    // The BaseOperator arguments; the translator passes arity 2 and two inputs.
    Merge(std::string typeName, int arity, int inputCount, const clib_list<int*>& varEq,
          const clib_list<int*>& eqCon, const clib_list<int*>& eqJoin, const clib_list<int*>& var,
          const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
          const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
          const clib_list<FSymbol>& variables, const set<int>& columnSet,
          const set<int>& excludedInputs, const clib_list<int*>& inputBindings,
          const clib_list<int>& inputFlags);

    void print() override;
    // Joins on the variables both inputs carry, passes one input through when only it
    // carries result variables, enumerates the groups otherwise; without result variables the
    // answer is the "true" row when some combination of rows satisfies every join record.
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    bool isGroupedBy(const InternalName& var, int* out) override;

  protected:
    ~Merge() override;

    // One combination of input groups: the enumerated rows that satisfy the join records.
    virtual void joinGroups();
    // The columns of the first input that the last input carries too, in the first's order.
    virtual void commonVariables(clib_list<Operand*>* inputs, clib_list<FSymbol>* out);
    // Whether the tested inputs' groups have rows satisfying every "part eq join" record.
    virtual bool partSatisfied();
    // Joins the left input's rows with the right input's rows that agree on every variable of
    // `vars` (the variables both carry).
    virtual void sortMergeJoin(Operand* left, Operand* right, const clib_list<FSymbol>& vars);
    // Whether the input carries at least one result variable.
    virtual bool providesVariables(Operand* input);
    // The input's rows projected on the result variables.
    virtual void projectThrough(Operand* input);

  private:
    // Runs `visit` for every combination of the inputs' keys (input 0 turning fastest) until it
    // answers false.
    template <class Visit>
    void forEachKeyCombination(Visit visit);
    void emitRow(const std::vector<Iterator*>& iters);
    // The join of sortMergeJoin over two SetOperands read in place: the right rows grouped by a
    // hash of their join value, the left rows in insertion order, no sort and no call per cell.
    // False (nothing done) when a position or join record names a column the inputs lack.
    bool hashJoin(SetOperand* left, SetOperand* right, const std::vector<int>& leftPositions,
                  const std::vector<int>& rightPositions);

    std::vector<InternalName> keyCells;
    // Set while only the existence of one joined combination is asked.
    bool firstOnly = false;
    bool found = false;
    // Raised when Ctrl-C or a farewell came during the join: the loops end, and the evaluator
    // throws the unfinished result away.
    controlEvents::StopPoll stopPoll;
    Iterator* leftGroup = nullptr;
    Iterator* rightGroup = nullptr;
};
