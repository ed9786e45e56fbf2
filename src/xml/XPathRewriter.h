// XPathRewriter, the Kavum mode's rewriting of Pevo clauses in place into the plain molecules and
// steps that the semantic checks and the normaliser take: step results become self
// specifications, filters become specifications and further literals, and negated expansions
// become "nest" aggregates.
#pragma once

#include <string>

#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "language/ParseTreeNode.h"
#include "shell/ClauseRewriter.h"

class AggExpr;
class ArithmeticExpr;
class FLiteral;
class FLiteralList;
class FMolecule;
class FProgram;
class FRule;
class FTerm;
class FTermList;
class FVar;
class MSpec;
class Path;
class PevoMSpec;
class PTerm;
class Reference;
class SemanticAnalyser;
class Spec;
class SSpec;
class SymTab;

// Every operation that hands back a term gives the caller one reference to it, also when the
// term is the one it was given. Inside a filter five parameters travel together: the collector
// of generated literals, the specification list of the filtered molecule, the grouping
// variables of a negated expansion, the negation flag and the host variable (the filtered
// object); outside a filter they are null or 0.
class XPathRewriter : public ClauseRewriter {
  public:
    XPathRewriter();
    XPathRewriter(const XPathRewriter&) = delete;
    XPathRewriter& operator=(const XPathRewriter&) = delete;

    bool isA(const std::string& className) const override;

    virtual void rewriteAggExpr(AggExpr* aggregate, FLiteralList* collector);
    virtual void rewriteMSpec(MSpec* spec, FLiteralList* collector);
    virtual void rewriteSSpec(SSpec* spec, FLiteralList* collector);
    virtual void rewriteSpecs(clib_list<Spec*>* specs, FLiteralList* collector);
    virtual void rewritePTerm(PTerm* predicate, FLiteralList* collector);
    // The rewriters of a term answer the term that stands for it: the term itself, rewritten in
    // place, or one made for it.
    virtual Ref<FTerm> rewriteMolecule(FMolecule* molecule, FLiteralList* collector);
    virtual void rewriteArithmeticExpr(ArithmeticExpr* expression, FLiteralList* collector,
                                       clib_list<Spec*>* specs, VarList* groupVars, int negated,
                                       Path* hostVar);
    // May create the host variable; the caller then holds its reference.
    virtual void filterToSpecs(FLiteralList* filter, FLiteralList* collector,
                               clib_list<Spec*>* specs, Path*& hostVar);
    virtual Ref<FTerm> rewriteReference(Reference* step, FLiteralList* collector);
    virtual Ref<FTerm> rewriteTerm(FTerm* term, FLiteralList* collector);
    virtual void rewriteLiteral(FLiteral* literal, FLiteralList* collector);
    virtual void rewriteBody(FLiteralList* body);
    virtual void rewriteHead(FTermList* head);
    virtual void rewriteRule(FRule* rule);
    // The context is held during the call only; the rewrite does not use it.
    void rewriteClause(FRule* rule, SymTab* context) override;
    // Every clause, then the analysis of the whole program: this rewriter, or null when the
    // analysis fails.
    virtual XPathRewriter* rewriteProgram(FProgram* program, SymTab* context);
    virtual void rewriteArgs(PTerm* predicate, FLiteralList* collector, clib_list<Spec*>* specs,
                             VarList* groupVars, int negated, Path* hostVar);
    virtual Ref<FTerm> rewriteOperand(FTerm* term, FLiteralList* collector, clib_list<Spec*>* specs,
                                      VarList* groupVars, int negated, Path* hostVar);
    // Null when the path does not end in a step.
    virtual Ref<PevoMSpec> stepToSpec(Path* step);
    virtual Ref<PevoMSpec> splitStep(Path* path, FLiteralList* collector);
    virtual void addFilterLiteral(Path* path, FLiteralList* collector, VarList* groupVars,
                                  int negated, Path* hostVar);
    // A don't-care variable new to the clause's table, of start kind 2.
    virtual FVar* newVar();
    // 1 when the owned analyser passes the program.
    virtual int analyse(FProgram* program);

  protected:
    ~XPathRewriter() override;

  private:
    // A head term that is a step with a result, as the molecule over the step's host that
    // stores the result under the step's method; null for any other term.
    Ref<FTerm> headStepAsMolecule(FTerm* term, FLiteralList* collector);
    // The term that stands for a negated term: its one positive literal after rewriting, or a
    // "nest" aggregate over everything the rewriting made.
    Ref<FTerm> expandNegated(FTerm* term);

    SymTab* symTab = nullptr;
    FLSysObject* context = nullptr;
    Ref<SemanticAnalyser> analyser;
    // Fresh names for operations called outside a clause, which holds no table of its own.
    Ref<SymTab> spareNames;
};

// The factory the program entry installs for the F-Logic interpreter's rewriter slot.
ClauseRewriter* makeXPathRewriter();
