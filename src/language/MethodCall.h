// MethodCall, the method with its code and arguments that path steps and method specifications
// hold, and the print pieces they share.
#pragma once

#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"

class FTerm;
class OutputChannel;
class SymTab;

// Holds a reference to the method and to every argument. The code is the axis of a Pevo step,
// 0 in plain F-Logic.
class MethodCall {
  public:
    // References the method and copies the argument list (null allowed), referencing its
    // elements.
    MethodCall(FTerm* method, int code, const clib_list<FTerm*>* args);
    // Clones method and arguments.
    MethodCall(const MethodCall& other);
    MethodCall& operator=(const MethodCall&) = delete;
    // False for a copy whose method or arguments could not be cloned.
    bool complete() const { return !failed; }
    ~MethodCall();

    FTerm* method() const { return methodTerm.get(); }
    int code() const { return axis; }
    clib_list<FTerm*>* args() const { return argList; }
    int argCount() const;

    // The method, then "@(" and the arguments separated by "," and ")" when there are any.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const;
    // Deep-equal methods (null equal to null), equal codes, argument lists both missing or
    // pairwise deep-equal.
    bool deepEqual(const MethodCall& other) const;
    // Method, then arguments.
    void collectVars(VarList& vars) const;
    // Methods: a missing one first, else their compare.
    int compareMethods(const MethodCall& other) const;
    // Argument lists: a missing one first, then length, then pairwise.
    int compareArgs(const MethodCall& other) const;
    int compareCodes(const MethodCall& other) const;

  private:
    Ref<FTerm> methodTerm;
    int axis;
    clib_list<FTerm*>* argList;
    bool failed = false;
};

// The method; a variable is parenthesised when its name holds "." or "!", so that it reads back
// as one name.
void printStepMethod(OutputChannel& channel, const FTerm* method, const SymTab* names,
                     const SymTab* vars);
// "@(" and the arguments separated by ",", then ")"; nothing without arguments.
void printStepArgs(OutputChannel& channel, const clib_list<FTerm*>* args, const SymTab* names,
                   const SymTab* vars);
// The text written before a Pevo step's method for its axis code: "descendant::", "parent::",
// "ancestor::", "sibling::", "@"; nothing for the child and self axes.
const char* pevoAxisText(int code);
