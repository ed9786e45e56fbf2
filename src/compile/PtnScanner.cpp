// The parse-tree walk: the order in which children are visited and the null checks.
#include "compile/PtnScanner.h"

#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"

namespace {

int lengthOf(const clib_list<FTerm*>* list) {
    return list != nullptr ? list->length() : 0;
}

}  // namespace

void PtnScanner::print(OutputChannel& channel) const {
    channel << "aPtnScanner";
}

bool PtnScanner::isA(const std::string& className) const {
    return className == "PtnScanner" || FLSysObject::isA(className);
}

void PtnScanner::reportNullPointer(const std::string& where) {
    centralErrorHandler().report(Error(6, 11, 2, "Unexpected NULL pointer",
                                       "Unexpected NULL pointer occured. This might cause an "
                                       "invalid computation in subclass of PtnScanner",
                                       where, ""));
}

void PtnScanner::reportUnknownPath() {
    centralErrorHandler().report(
        Error(6, 12, 2, "Unknown subclass of Path",
              "Unknown subclass of Path occured. This subclass of Path won't be scanned.",
              "PtnScanner::scan(Path*)", ""));
}

void PtnScanner::scanAsPath(FTerm* term) {
    if (term == nullptr) {
        scan(static_cast<Path*>(nullptr));
    } else if (term->is(ParseTreeClass::Path)) {
        scan(static_cast<Path*>(term));
    } else {
        reportUnknownPath();
    }
}

void PtnScanner::scan(FLiteralList* list) {
    if (list == nullptr) return;
    for (FLiteral* literal = list->first(); literal != nullptr; literal = list->next()) {
        scan(literal);
        endLiteral();
    }
}

void PtnScanner::scan(FTermList* list) {
    if (list == nullptr || list->length() == 0) return;
    int n = list->length();
    for (list_item item = list->firstItem(); item != nullptr && n > 0;
         item = list->nextItem(item), --n)
        scan(list->termAt(item));
    visitTermList(list);
}

void PtnScanner::scan(FLiteral* literal) {
    if (literal == nullptr || literal->getTerm() == nullptr) {
        reportNullPointer("PtnScanner::scan(FLiteral*)");
        return;
    }
    if (!literal->isNegated()) {
        scan(literal->getTerm());
        return;
    }
    negation = 1;
    scan(literal->getTerm());
    visitNegatedLiteral(literal);
    negation = 0;
}

void PtnScanner::scan(FTerm* term) {
    if (term == nullptr) {
        reportNullPointer("PtnScanner::scan(FTerm)");
        return;
    }
    if (term->is(ParseTreeClass::PTerm)) {
        scan(static_cast<PTerm*>(term));
    } else {
        scanAsPath(term);
    }
}

void PtnScanner::scan(Path* path) {
    if (path == nullptr) {
        reportNullPointer("PtnScanner::scan(Path*)");
    } else if (path->is(ParseTreeClass::CPath)) {
        scan(static_cast<CPath*>(path));
    } else if (path->is(ParseTreeClass::IdTerm)) {
        scan(static_cast<IdTerm*>(path));
    } else if (path->is(ParseTreeClass::ArithmeticExpr)) {
        scan(static_cast<ArithmeticExpr*>(path));
    } else if (path->is(ParseTreeClass::AggExpr)) {
        scan(static_cast<AggExpr*>(path));
    } else {
        reportUnknownPath();
    }
}

void PtnScanner::scan(CPath* path) {
    if (path == nullptr) {
        reportNullPointer("PtnScanner::scan(CPath*)");
    } else if (path->is(ParseTreeClass::FMolecule)) {
        scan(static_cast<FMolecule*>(path));
    } else {
        scan(static_cast<Reference*>(path));
    }
}

void PtnScanner::scan(FMolecule* mol) {
    molecule = mol;
    if (mol == nullptr || mol->getHost() == nullptr) {
        reportNullPointer("PtnScanner::scan(FMolecule*)");
        return;
    }
    scan(mol->getHost());
    if (mol->getIsaKind() != 0) {
        scanAsPath(mol->getClassTerm());
        transpose(mol);
    }
    clib_list<Spec*>* list = mol->getSpecs();
    specs = list != nullptr ? list->length() : 0;
    if (list != nullptr)
        for (Spec* spec : *list) scan(spec);
    if (mol->getIsaKind() == 0 && specs == 0) visitBareMolecule();
}

void PtnScanner::scan(Reference* ref) {
    if (ref == nullptr || ref->getHost() == nullptr) {
        reportNullPointer("PtnScanner::scan(Reference*)");
        return;
    }
    scan(ref->getHost());
    scanAsPath(ref->getMethod());
    scan(ref->getArgs());
    transpose(ref, lengthOf(ref->getArgs()));
}

void PtnScanner::scan(Spec* spec) {
    if (spec == nullptr) {
        reportNullPointer("PtnScanner::scan(Spec*)");
        return;
    }
    scanAsPath(spec->getMethod());
    scan(spec->getArgs());
    const int argCount = lengthOf(spec->getArgs());
    if (spec->is(ParseTreeClass::MSpec)) {
        clib_list<FTerm*>* results = static_cast<MSpec*>(spec)->getResults();
        scan(results);
        transpose(spec, argCount, lengthOf(results));
        return;
    }
    FTerm* result = static_cast<SSpec*>(spec)->getResult();
    if (result == nullptr) {
        reportNullPointer("PtnScanner::scan(Spec*)");
        return;
    }
    scanAsPath(result);
    transpose(spec, argCount, 1);
}

void PtnScanner::scan(IdTerm* term) {
    if (term == nullptr) {
        reportNullPointer("PtnScanner::scan(IdTerm*)");
        return;
    }
    if (term->is(ParseTreeClass::FVar)) {
        transpose(static_cast<FVar*>(term));
        return;
    }
    clib_list<FTerm*>* args = term->is(ParseTreeClass::FunctionTerm)
                                  ? static_cast<FunctionTerm*>(term)->getArgs()
                                  : nullptr;
    scan(args);
    transpose(term, lengthOf(args));
}

void PtnScanner::scan(PTerm* term) {
    if (term == nullptr) {
        reportNullPointer("PtnScanner::scan(PTerm*)");
        return;
    }
    scan(term->getArgs());
    transpose(term, lengthOf(term->getArgs()));
}

void PtnScanner::scan(ArithmeticExpr* expr) {
    if (expr == nullptr) {
        reportNullPointer("PtnScanner::scan(ArithmeticExpr*)");
        return;
    }
    scanAsPath(expr->getLeft());
    scanAsPath(expr->getRight());
    transpose(expr);
}

void PtnScanner::scan(AggExpr* agg) {
    if (agg == nullptr) {
        reportNullPointer("PtnScanner::scan(AggExpr*)");
        return;
    }
    scan(agg->getBody());
    transpose(agg);
}

void PtnScanner::scan(clib_list<FTerm*>* list) {
    if (list == nullptr) return;
    for (FTerm* term : *list) scanAsPath(term);
}
