// Operator: the common base of every operation of the rule algebra, its kind, the input bindings
// the translator gives it, and the trace switch they are evaluated under.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

class OMAccess;
class Operand;
class OutputChannel;
class SymTab;

// What an operator does: fixed when the operator is made, so that neither the tree walk nor the
// translator ever compares names.
enum class OperatorKind {
    Predicate,        // "pred": a predicate literal or proposition
    Isa,              // "isa": an is-a literal
    Property,         // "prop": a method application or axis step with its value
    Apply,            // "apply": a term that yields a value (path step, arithmetic)
    IdMapper,         // "idmapper": a function term or lone constant mapped to its identifier
    Join,             // "merge": stops at the first input without rows
    Negation,         // "minus"
    Projection,       // "pi": one column of the current operand
    MultiProjection,  // "multipi": several columns of the current operand
    Regroup,          // "sort": the current result regrouped under one variable
    Aggregation,      // "aggregation"
};

// The name a kind of operator is printed with in a tree ("merge(pred,isa)").
const char* operatorName(OperatorKind kind);

// Where an input's operand fills a pattern cell: the operand of `input` at its 1-based `column`
// goes to the 0-based pattern `cell`. The translator tells each input expression the binding it
// provides; the operator made above it reads them back.
struct InputBinding {
    int cell = 0;
    int input = 0;
    int column = 0;
};

// Whether operators write their inputs and results (and creators the road of each head) on the
// debug channel. The program entry makes one for the session and hands it to every algebra
// evaluator and creator it builds, so that any evaluator's debugOn traces all operators; an
// evaluation hands it down its tree.
class OperatorTrace : public ManagedObject {
  public:
    bool on = false;
};

class Operator : public ManagedObject {
  public:
    Operator(OperatorKind kind, int arity, const clib_list<FSymbol>& variables);
    Operator(OperatorKind kind, int arity);

    // A new operand (one reference for the caller) from the input operands, or null. The
    // operator itself does not change: whatever one evaluation needs lives in that evaluation,
    // so a plan can be run again, or from within a run of itself. Traced when `trace` is on.
    virtual Ref<Operand> evaluate(clib_list<Operand*>* inputs, OMAccess* access,
                                  const OperatorTrace& tracing) const = 0;
    std::string getName() const { return operatorName(kindValue); }
    OperatorKind kind() const { return kindValue; }
    // A projection of the current operand (either kind): it reads the operand its tree walk
    // holds rather than its children's results.
    bool projects() const {
        return kindValue == OperatorKind::Projection || kindValue == OperatorKind::MultiProjection;
    }
    // How the operator runs, as chosen when the plan was made, for the printed plan (variables
    // named through `names`); empty when there is only one way.
    virtual std::string strategy(const SymTab* /*names*/) const { return {}; }
    // True when the result rows are keyed by the value of `var`; `*out` then holds the group
    // number.
    virtual bool isGroupedBy(const InternalName& var, int* out) const = 0;
    // Plan building: the translator settles these before the plan runs.
    virtual void setNoKey() { noKey = 1; }
    virtual void clearNoKey() { noKey = 0; }
    // The result goes to a reader whose answer does not depend on the order of its rows (a
    // count): the operator may make them in any order. Nothing by default.
    virtual void feedsOrderFreeReader() {}
    // The result is read only by a hash join, by its rows' cells (the right input grouped in the
    // join's table): the operator may leave them unkeyed, to be made when the join reads them.
    // Nothing by default.
    virtual void feedsJoinTable() {}
    // Drops what the operator keeps from one run for the next (see JoinTableMemo): the
    // evaluation that ran it is done. Nothing by default.
    virtual void forgetKeptTables() const {}

    // The bindings the translator keeps on the operator for the operator made above it.
    const std::vector<InputBinding>& getBindings() const { return bindings; }
    void setBindings(std::vector<InputBinding> newBindings) { bindings = std::move(newBindings); }

    const clib_list<FSymbol>& getVariables() const { return variables; }
    int getArity() const { return arity; }
    bool hasNoKey() const { return noKey != 0; }

  protected:
    ~Operator() override = default;

    // "contents of op#n", the operand in lexical form and an end of line, on the debug channel.
    static void printContents(int number, Operand* operand, OMAccess* access);
    // "RESULT : ", an end of line and the result in lexical form, on the debug channel.
    static void printResult(Operand* result, OMAccess* access);

    std::int32_t arity;
    clib_list<FSymbol> variables;
    std::int32_t noKey = 0;
    std::vector<InputBinding> bindings;

  private:
    OperatorKind kindValue;
};
