// VarScanner, the walk of one body literal that records in which nodes each variable occurs and
// how often, with VarInfo, one such occurrence record.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "compile/PtnScanner.h"
#include "objectbase/InternalName.h"

class ParseTreeNode;

struct VarInfo {
    // Not counted: the dictionary lives no longer than the literal it describes.
    const ParseTreeNode* node = nullptr;
    int count = 0;
};

// Each variable's occurrence records, one a node, in the order the walk meets the nodes.
using VarOccurrences = std::map<InternalName, std::vector<VarInfo>>;

class VarScanner : public PtnScanner {
  public:
    VarScanner() = default;

    // "aVarScanner".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // A new dictionary of the literal's variable occurrences.
    virtual std::unique_ptr<VarOccurrences> scanLiteral(FLiteral* literal);

    void transpose(FVar* var) override;
    void transpose(IdTerm* term, int argCount) override;
    void transpose(Reference* ref, int argCount) override;
    void transpose(FMolecule* mol) override;
    void transpose(Spec* spec, int argCount, int resultCount) override;
    void transpose(AggExpr* agg) override;
    void transpose(ArithmeticExpr* expr) override;
    void transpose(PTerm* term, int argCount) override;
    void visitNegatedLiteral(FLiteral*) override {}
    void visitTermList(FTermList*) override {}
    void endLiteral() override {}
    void visitBareMolecule() override {}

    // Takes the names of the node's `count` positions off the pending names, counts the
    // variables among them as occurrences in the node, and leaves one non-variable name for the
    // node itself.
    virtual void record(const ParseTreeNode* node, int count);

  protected:
    ~VarScanner() override;

  private:
    void countOccurrence(const InternalName& var, const ParseTreeNode* node);

    std::unique_ptr<VarOccurrences> dictionary;  // the one a scan is filling
    // One name per scanned term, newest last: a variable's own, UndefinedObject for the rest.
    clib_list<InternalName> pending;
};
