// Normalizer, which rewrites a program into atomic rules (one atom per literal, a fresh variable
// per path step, one rule per head atom, negated conjunctions as auxiliary predicates) for the
// inheritance-aware and semi-naive evaluators, with its shell methods and its class object.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "foundation/FLSysObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"
#include "objectbase/FSymbol.h"

class ArithmeticExpr;
class FLiteral;
class FLiteralList;
class FMolecule;
class FProgram;
class FRule;
class FTerm;
class FTermList;
class FVar;
class FunctionTerm;
class MSpec;
class PTerm;
class ProgramInterpreter;
class Reference;
class SSpec;
class SemanticAnalyser;
class Spec;
class SymTab;

// Normalised terms, each held with a reference of its own.
using TermRefs = std::vector<Ref<FTerm>>;

class Normalizer : public FLSysObject {
  public:
    // Over a program, referencing it and its symbol table.
    explicit Normalizer(FProgram* program);
    // The shell form: the program comes from the interpreter through getProgram.
    explicit Normalizer(ProgramInterpreter* interpreter);
    Normalizer(const Normalizer&) = delete;
    Normalizer& operator=(const Normalizer&) = delete;

    // "help", "print", "showProgram", "getProgram", "giveProgram", "atomize", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    bool isA(const std::string& className) const override;
    // "aNormalizer" and an end of line.
    void print(OutputChannel& channel) const override;

    // Takes the interpreter's current program as the source; null on failure.
    virtual Normalizer* getProgram();
    // Writes the atomised program on answerChannel; null when there is none.
    virtual Normalizer* showProgram();
    // The result of the last atomize (lent), or null.
    virtual FProgram* giveProgram() const { return atomised.get(); }
    // The rules standing for one rule whose body has negated literals: one per head atom, then
    // the auxiliary rules; none (after ObscureBody) when a negated literal gives no atom. Each
    // negated literal's block is appended once to the body the rules share.
    virtual std::vector<Ref<FRule>> normalizeNegation(const clib_list<FLiteral*>& negated,
                                                      FTermList* head, FLiteralList* body);
    // The normalising operations answer a term that stands for the input and append the atoms it
    // needs to `out`.
    virtual TermRefs normalizeResults(MSpec* spec, FTermList* out);
    virtual Ref<FTerm> normalizeResult(SSpec* spec, FTermList* out);
    // Nothing for a missing list.
    virtual std::optional<TermRefs> normalizeArgs(const clib_list<FTerm*>* args, FTermList* out);
    // One atom per specification and result value, over the normalised host.
    virtual void normalizeSpecs(const clib_list<Spec*>* specs, FTerm* host, FTermList* out);
    virtual Ref<FTerm> normalizeArithmetic(ArithmeticExpr* expr, FTermList* out);
    virtual Ref<FTerm> normalizeFunctionTerm(FunctionTerm* term, FTermList* out);
    // The fresh variable that stands for the step's value.
    virtual Ref<FTerm> normalizeReference(Reference* ref, FTermList* out);
    virtual Ref<FTerm> normalizePTerm(PTerm* term, FTermList* out);
    // The normalised host.
    virtual Ref<FTerm> normalizeMolecule(FMolecule* mol, FTermList* out);
    virtual Ref<FTerm> normalizeTerm(FTerm* term, FTermList* out);
    // Null, after NegatedRule, for a negated literal.
    virtual Ref<FTerm> normalizeLiteral(FLiteral* literal, FTermList* out);
    virtual void normalizeLiteralList(const clib_list<FLiteral*>& literals, FTermList* out);
    virtual void normalizeTermList(FTermList* terms, FTermList* out);
    // The atomic rules standing for a fact or rule; none for a null rule.
    virtual std::vector<Ref<FRule>> normalizeRule(FRule* rule);
    // Analyses the source program and rebuilds the atomised program from it; null when there is
    // no program or the analysis fails, the previous atomised program then staying.
    virtual Normalizer* atomize();
    // From now on atomize leaves the facts the source keeps compact out of the atomised program.
    // For an evaluation's own normaliser: such a fact is its own normal form, and the rounds read
    // it from the program itself.
    void leaveOutCompactFacts() { compactFactsLeftOut = true; }
    // The symbol table of the rule being normalised.
    virtual SymTab* getSymTab() const { return ruleTable.get(); }
    // Keeps a copy of a non-null table as the rule symbol table.
    virtual void setSymTab(SymTab* table);
    virtual Normalizer* help();
    virtual Ref<FVar> newVariable();
    // A predicate over a fresh symbol whose arguments are the named variables of the atoms (of
    // them, only those in `bound` when it is given).
    virtual Ref<PTerm> makeAuxAtom(const FTermList* atoms, SymTab* table,
                                   const VarSet* bound = nullptr);
    // A predicate over a fresh symbol whose arguments are all variables of the term.
    virtual Ref<PTerm> makeVarAtom(const FTerm* term);
    // False when the table knows no name for some variable of the term.
    virtual bool allVarsNamed(const SymTab* table, const FTerm* term) const;
    // Whether the term can be evaluated once the literals have bound their variables.
    virtual bool canBind(const FTerm* term, FLiteralList* literals) const;
    virtual int analyse();

  protected:
    ~Normalizer() override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<Normalizer>& shellCommands();

    void setRuleTable(SymTab* table);
    // Appends the normal form of one whole clause of the source to the atomised program.
    void atomizeClause(FRule* rule);
    // A new rule labelled as every rule made here over the head and body.
    Ref<FRule> newRule(FTermList* head, FLiteralList* body, int flag) const;
    // As newRule, over a head of the one atom, labelled 1.
    Ref<FRule> newRule(FTerm* headAtom, FLiteralList* body) const;
    // Appends the atom as a literal to the list.
    static void appendLiteral(FLiteralList* list, FTerm* atom, int negated);
    // Appends a molecule over the host with the one specification.
    static void appendSpecAtom(FTerm* host, const Ref<Spec>& spec, FTermList* out);
    Ref<PTerm> predicateOver(const clib_list<FSymbol>& vars);

    Ref<FProgram> source;
    Ref<FProgram> atomised;
    Ref<SymTab> programTable;
    Ref<SymTab> ruleTable;
    // Held: the shell can remove the interpreter's variable.
    Ref<ProgramInterpreter> interpreter;
    Ref<SemanticAnalyser> analyser;
    bool compactFactsLeftOut = false;
};

// The class object registered as "classNormalizer": "new" takes one "FLogicInterpreter".
class NormalizerMeta : public XMeta {
  public:
    NormalizerMeta();
    ~NormalizerMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
