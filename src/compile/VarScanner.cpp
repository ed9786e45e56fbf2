// The occurrence walk: positions are consumed by the node that holds them.
#include "compile/VarScanner.h"

#include "foundation/OutputChannel.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FMolecule.h"
#include "language/FVar.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"

VarScanner::~VarScanner() = default;

void VarScanner::print(OutputChannel& channel) const {
    channel << "aVarScanner";
}

bool VarScanner::isA(const std::string& className) const {
    return className == "VarScanner" || PtnScanner::isA(className);
}

std::unique_ptr<VarOccurrences> VarScanner::scanLiteral(FLiteral* literal) {
    dictionary = std::make_unique<VarOccurrences>();
    scan(literal);
    pending.clear();
    return std::move(dictionary);
}

void VarScanner::countOccurrence(const InternalName& var, const ParseTreeNode* node) {
    if (dictionary == nullptr) return;
    std::vector<VarInfo>& list = (*dictionary)[var];
    for (VarInfo& info : list) {
        if (info.node == node) {
            ++info.count;
            return;
        }
    }
    list.push_back(VarInfo{node, 1});
}

void VarScanner::record(const ParseTreeNode* node, int count) {
    if (pending.empty()) return;
    for (int i = 0; i < count && !pending.empty(); ++i) {
        const InternalName name = pending.Pop();
        if (name != InternalName::UndefinedObject) countOccurrence(name, node);
    }
    pending.append(InternalName::UndefinedObject);
}

void VarScanner::transpose(FVar* var) {
    pending.append(var->getName());
}

void VarScanner::transpose(IdTerm* term, int argCount) {
    if (argCount == 0) {
        pending.append(InternalName::UndefinedObject);
    } else {
        record(term, argCount);
    }
}

void VarScanner::transpose(Reference* ref, int argCount) {
    record(ref, argCount + 2);
}

void VarScanner::transpose(FMolecule* mol) {
    record(mol, 2);
}

void VarScanner::transpose(Spec* spec, int argCount, int resultCount) {
    record(spec, argCount + resultCount + 2);
}

void VarScanner::transpose(ArithmeticExpr* expr) {
    record(expr, 2);
}

void VarScanner::transpose(PTerm* term, int argCount) {
    record(term, argCount);
}

void VarScanner::transpose(AggExpr* agg) {
    for (const FSymbol& var : agg->getGroupVars()) countOccurrence(var, agg);
    pending.append(InternalName::UndefinedObject);
}
