// FLogicInterpreter, the pipeline object that collects clauses into the current program,
// evaluates it and answers queries through the printer, analyser and evaluator it sequences;
// EmptyFLogicInterp, the placeholder sys holds until one is linked; and the class object.
#pragma once

#include <string>

#include "compile/ProgramInterpreter.h"
#include "language/FactList.h"
#include "shell/ClauseRewriter.h"

class Evaluation;
class FProgram;
class FRule;
class PPProtocol;
class SemanticAnalyser;
class SymTab;

class FLogicInterpreter : public ProgramInterpreter {
  public:
    // Takes a reference on each of the three (null allowed, as for the placeholder).
    FLogicInterpreter(Evaluation* evaluation, PPProtocol* printer, SemanticAnalyser* analyser);
    FLogicInterpreter(const FLogicInterpreter&) = delete;
    FLogicInterpreter& operator=(const FLogicInterpreter&) = delete;

    // "help", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // True when the evaluation and the printer are set and both are ok.
    bool isOk() const override;
    // "a normal FLogicInterpreter " (or "a corrupted ...") and an end of line.
    void display(OutputChannel& channel) const override;
    // "aFLogicInterpreter".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Brings the current program to its fixpoint; the interpreter, or null.
    virtual FLogicInterpreter* eval();
    // One round over the current program; the interpreter, or null.
    virtual FLogicInterpreter* tp();
    // Drops the current program (no arguments allowed); the interpreter, or null.
    virtual FLogicInterpreter* forgetProgram(FLSysArgs* args);
    // The current program, or the empty one (lent; no arguments allowed); null after a report.
    virtual FProgram* showProgram(FLSysArgs* args);
    // Appends a fact or rule to the current program (queries are ignored); null for no clause.
    virtual FLogicInterpreter* addClause(FRule* clause, SymTab* symTab);
    // Whether addGroundFact may stand for addClause: no dialect rewrites the clauses read.
    virtual bool takesGroundFacts() const { return rewriter == nullptr; }
    // Appends a ground fact read without a clause, as addClause appends the clause it stands
    // for.
    virtual FLogicInterpreter* addGroundFact(const FactList::Ground& fact, SymTab* symTab);
    // Prints the answers of the query with its heading and adds the two timing lines; null when
    // the analysis fails or no answers come back.
    virtual FLogicInterpreter* query(FRule* query, SymTab* symTab);
    // Full reset of the evaluation state, after the object base was emptied.
    virtual void clear();
    // "Kavum" fills the rewriter slot anew, "FLogic" empties it; other words change nothing.
    virtual void setDialect(std::string word);
    // Where "Kavum" takes its rewriter from (null: no rewriter, the slot stays empty).
    void useClauseRewriters(ClauseRewriterFactory factory) { clauseRewriters = factory; }

    // The symbol table of the object base its evaluation works on; null when it has none.
    SymTab* baseSymTab() const;

    // What the normaliser reads: showProgram without the argument check.
    FProgram* showProgram() override;

    // The online help on the channel.
    void writeHelp(OutputChannel& channel) const;

  protected:
    ~FLogicInterpreter() override;

    Ref<Evaluation> evaluation;
    Ref<PPProtocol> printer;
    // Held with a reference: a shell variable could otherwise drop the last one under us.
    Ref<SemanticAnalyser> analyser;
    Ref<ClauseRewriter> rewriter;
    ClauseRewriterFactory clauseRewriters = nullptr;
    Ref<FProgram> program;
    Ref<FProgram> emptyProgram;

    int changed = 0;
    int evaluated = 0;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<FLogicInterpreter>& shellCommands();
};

// What sys holds until the configuration links a real interpreter: every command that needs the
// pipeline reports noFLogicInterpreter and answers null; clauses collect in its own program.
class EmptyFLogicInterp : public FLogicInterpreter {
  public:
    EmptyFLogicInterp();

    bool isA(const std::string& className) const override;

    FLogicInterpreter* eval() override;
    FLogicInterpreter* tp() override;
    FLogicInterpreter* forgetProgram(FLSysArgs* args) override;
    FProgram* showProgram(FLSysArgs* args) override;
    FLogicInterpreter* query(FRule* query, SymTab* symTab) override;
    FProgram* showProgram() override;

  protected:
    ~EmptyFLogicInterp() override = default;
};

// The class object registered as "classFLogicInterpreter": new@(Evaluation, PrettyPrinter,
// SemanticAnalyser).
class FLogicInterpreterMeta : public XMeta {
  public:
    FLogicInterpreterMeta();
    ~FLogicInterpreterMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
