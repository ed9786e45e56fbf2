// Evaluation: the evaluation strategy of the system, which computes a program's model in the
// object base and answers queries over it.
#pragma once

#include <string>

#include "foundation/FLSysObject.h"
#include "foundation/Ref.h"

class FProgram;
class FRule;
class Operand;
class SymTab;

class Evaluation : public FLSysObject {
  public:
    // Shell method "evaluate", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    bool isOk() const override { return true; }
    // "anEvaluation".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // "evaluate" from the shell: no argument or one FProgram; an FLSysBoolean of the result
    // (false without a program), null when the argument check fails.
    virtual FLSysRef evaluateCall(FLSysArgs* args);
    // 1 when the model was reached, 0 otherwise.
    virtual int evaluate(FProgram* program) = 0;
    // One round with a progress line; answers the evaluator.
    virtual Evaluation* tp(FProgram* program) = 0;
    // The answers of one query (the caller owns them); null after a report.
    virtual Ref<Operand> retrieve(FRule* query, SymTab* names) = 0;
    // Forgets the state of the last evaluation.
    virtual void reset(int mode) = 0;
    // Around a query, from before it is read to after its answers are printed: the strings and
    // names the query made and nothing stored holds are then forgotten. A query only reads; a
    // name it made first would otherwise be numbered before the names a later program makes,
    // and where classes tie that decides which gives the value.
    virtual void beginQuery() {}
    virtual void endQuery() {}
    // The symbol table of the object base it evaluates over (null when it knows none): the one
    // the clauses it is given must be parsed with.
    virtual SymTab* baseSymTab() const { return nullptr; }

  protected:
    ~Evaluation() override = default;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<Evaluation>& shellCommands();
};
