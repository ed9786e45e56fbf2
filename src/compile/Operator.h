// Operator: the common base of every operation of the rule algebra, with the debug flag all
// operators share.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"
#include "objectbase/FSymbol.h"
#include "objectbase/InternalName.h"

class OMAccess;
class Operand;
class OutputChannel;

// What an operator does, as far as the tree walk and the translator tell operators apart: fixed
// when the operator is made, so that no walk compares names.
enum class OperatorKind {
    Projection,       // "pi": one column of the current operand
    MultiProjection,  // "multipi": several columns of the current operand
    Join,             // "merge": stops at the first input without rows
    Other,
};

class Operator : public ManagedObject {
  public:
    Operator(std::string typeName, int arity, const clib_list<FSymbol>& variables);
    Operator(std::string typeName, int arity);

    // The debug description on the debug channel.
    virtual void print() = 0;
    // A new operand (one reference for the caller) from the input operands, or null.
    virtual Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) = 0;
    virtual std::string getName() const { return typeName; }
    OperatorKind kind() const { return kindValue; }
    // A projection of the current operand (either kind): it reads the operand its tree walk
    // holds rather than its children's results.
    bool projects() const {
        return kindValue == OperatorKind::Projection || kindValue == OperatorKind::MultiProjection;
    }
    // True when the result rows are keyed by the value of `var`; `*out` then holds the group
    // number.
    virtual bool isGroupedBy(const InternalName& var, int* out) = 0;
    virtual void setNoKey() { noKey = 1; }
    virtual void clearNoKey() { noKey = 0; }
    // The result goes to a reader whose answer does not depend on the order of its rows (a
    // count): the operator may make them in any order. Nothing by default.
    virtual void feedsOrderFreeReader() {}

    // The binding records the translator keeps on the operator; it owns the records (arrays
    // made with new[]) and deletes the ones it held before.
    clib_list<int*> getRecords() const { return records; }
    void setRecords(const clib_list<int*>& newRecords);

    const clib_list<FSymbol>& getVariables() const { return variables; }
    int getArity() const { return arity; }
    bool hasNoKey() const { return noKey != 0; }

    // The flag shared by all operators.
    static bool debugging() { return debugFlag != 0; }

  protected:
    ~Operator() override;

    // "contents of op#n", the operand in lexical form and an end of line, on the debug channel.
    static void printContents(int number, Operand* operand, OMAccess* access);
    // "RESULT : ", an end of line and the result in lexical form, on the debug channel.
    static void printResult(Operand* result, OMAccess* access);

    std::string typeName;
    std::int32_t arity;
    // The operands of the current evaluation; no references are held.
    clib_list<Operand*> inputs;
    clib_list<FSymbol> variables;
    std::int32_t noKey = 0;
    clib_list<int*> records;

  private:
    static OperatorKind kindOf(const std::string& typeName);

    OperatorKind kindValue;

    friend void setOperatorDebug();
    friend void clearOperatorDebug();
    static std::int32_t debugFlag;
};

// Switch the debug output of every operator on and off.
void setOperatorDebug();
void clearOperatorDebug();
