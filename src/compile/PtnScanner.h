// PtnScanner, the post-order walk over the parse tree of a rule that every compilation pass
// derives from: the walk is fixed here, the passes supply the hooks.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/FLSysObject.h"
#include "foundation/clib_list.h"

class AggExpr;
class ArithmeticExpr;
class CPath;
class FLiteral;
class FLiteralList;
class FMolecule;
class FTerm;
class FTermList;
class FVar;
class IdTerm;
class PTerm;
class Path;
class Reference;
class Spec;

class PtnScanner : public FLSysObject {
  public:
    PtnScanner() = default;
    PtnScanner(const PtnScanner&) = delete;
    PtnScanner& operator=(const PtnScanner&) = delete;

    // "aPtnScanner".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Reports the Error "Unexpected NULL pointer" (6/11) with the caller's where-text.
    virtual void reportNullPointer(const std::string& where);

    // The walk: each node's children first, then the node's hook.
    virtual void scan(IdTerm* term);
    virtual void scan(Spec* spec);
    virtual void scan(Reference* ref);
    virtual void scan(FMolecule* mol);
    virtual void scan(AggExpr* agg);
    virtual void scan(ArithmeticExpr* expr);
    virtual void scan(CPath* path);
    virtual void scan(Path* path);
    // Argument and result lists; a null list is no error.
    virtual void scan(clib_list<FTerm*>* list);
    virtual void scan(PTerm* term);
    virtual void scan(FTerm* term);
    virtual void scan(FLiteral* literal);
    virtual void scan(FTermList* list);
    virtual void scan(FLiteralList* list);

    // The hooks, called after the node's children with the counts the walk took.
    virtual void transpose(FVar* var) = 0;
    virtual void transpose(IdTerm* term, int argCount) = 0;
    virtual void transpose(Reference* ref, int argCount) = 0;
    // The is-a part of the molecule.
    virtual void transpose(FMolecule* mol) = 0;
    virtual void transpose(Spec* spec, int argCount, int resultCount) = 0;
    virtual void transpose(AggExpr* agg) = 0;
    virtual void transpose(ArithmeticExpr* expr) = 0;
    virtual void transpose(PTerm* term, int argCount) = 0;
    virtual void visitNegatedLiteral(FLiteral* literal) = 0;
    virtual void visitTermList(FTermList* list) = 0;
    virtual void endLiteral() = 0;
    virtual void visitBareMolecule() = 0;

    int negationFlag() const { return negation; }
    int specCount() const { return specs; }
    FMolecule* currentMolecule() const { return molecule; }

  protected:
    ~PtnScanner() override = default;

    // Argument lists, method, class and result terms are held as FTerm*; each is walked as a
    // Path, and a term of any other class is reported as an unknown subclass.
    void scanAsPath(FTerm* term);
    void reportUnknownPath();

    std::int32_t negation = 0;
    std::int32_t specs = 0;
    // The molecule entered last; not counted, never cleared.
    FMolecule* molecule = nullptr;
};
