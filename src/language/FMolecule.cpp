// FMolecule and PevoMolecule: construction from the grammar's parts, print forms of both
// dialects, safety, equality, order and subsumption.
#include "language/FMolecule.h"

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "language/FLiteralList.h"
#include "language/FVar.h"
#include "language/MethResult.h"
#include "language/NodeLists.h"
#include "language/ParseTimeObjects.h"
#include "language/Spec.h"

namespace {

// The specification one bracketed element stands for.
Spec* specFor(const MethListElement& element, int pevo) {
    const MethAppl* application = element.getApplication();
    const MethResult* result = element.getResult();
    FTerm* method = application != nullptr ? application->getMethod() : nullptr;
    const int code = application != nullptr ? application->getCode() : 0;
    const clib_list<FTerm*>* args = application != nullptr ? application->getArgs() : nullptr;
    const int kind = result != nullptr ? result->getKind() : 0;
    if (kind == 0 || kind == 3)
        return new SSpec(method, code, args, kind,
                         result != nullptr ? result->getResult() : nullptr);
    const clib_list<FTerm*>* results = result != nullptr ? result->getResults() : nullptr;
    if (pevo != 0) return new PevoMSpec(method, code, args, kind, results);
    return new MSpec(method, code, args, kind, results);
}

// Specification lists: one deep-equal pair for single ones; for longer ones every element of
// each list has a deep-equal partner in the other, in any order.
bool sameSpecs(const clib_list<Spec*>* a, const clib_list<Spec*>* b) {
    if (a == nullptr || b == nullptr) return a == b;
    if (a->length() != b->length()) return false;
    auto covered = [](const clib_list<Spec*>& from, const clib_list<Spec*>& in) {
        for (Spec* spec : from) {
            bool found = false;
            for (Spec* partner : in)
                if (deepEqualOrNull(spec, partner)) {
                    found = true;
                    break;
                }
            if (!found) return false;
        }
        return true;
    };
    return covered(*a, *b) && covered(*b, *a);
}

void printClass(OutputChannel& channel, const FTerm* cls, const SymTab* names, const SymTab* vars) {
    if (cls == nullptr) return;
    if (const auto* var = dynamic_cast<const FVar*>(cls)) {
        var->printVar(channel, names, vars, 1);
    } else {
        cls->print(channel, names, vars);
    }
}

const FVar* reducedVariable(const FTerm* term) {
    return term == nullptr ? nullptr : dynamic_cast<const FVar*>(term->reduce());
}

}  // namespace

FMolecule::FMolecule(Path* host, FTerm* cls, const clib_list<Spec*>* specs, int isaKind)
    : CPath(ParseTreeClass::FMolecule, host),
      cls(Ref<FTerm>::share(cls)),
      isaKind(isaKind),
      specs(nodelists::share(specs)) {}

FMolecule::FMolecule(Path* host, const Specification* specification, int pevo)
    : CPath(ParseTreeClass::FMolecule, host) {
    if (host == nullptr || specification == nullptr)
        centralErrorHandler().report(err3::FMoleculeConstructor);
    if (specification == nullptr) return;
    if (const IsaSpec* isa = specification->getIsa()) {
        cls = Ref<FTerm>::share(isa->getClass());
        isaKind = isa->getKind();
    }
    const clib_list<MethListElement*>* elements = specification->getElements();
    if (!nodelists::isEmpty(elements)) {
        specs = new clib_list<Spec*>;
        for (MethListElement* element : *elements) specs->append(specFor(*element, pevo));
    }
    if (specification->getFilter() != nullptr) {
        filter = Ref<FLiteralList>::adopt(
            static_cast<FLiteralList*>(specification->getFilter()->clone()));
        if (filter == nullptr) centralErrorHandler().report(err9::OutOfMemory);
    }
}

FMolecule::FMolecule(const FMolecule& other) : CPath(other), isaKind(other.isaKind) {
    bool failed = false;
    if (other.cls != nullptr) {
        cls = Ref<FTerm>::adopt(static_cast<FTerm*>(other.cls->clone()));
        failed = cls == nullptr;
    }
    specs = nodelists::cloneList(other.specs, failed);
    if (other.filter != nullptr) {
        filter = Ref<FLiteralList>::adopt(static_cast<FLiteralList*>(other.filter->clone()));
        failed = failed || filter == nullptr;
    }
    if (failed) markIncomplete();
}

FMolecule::~FMolecule() {
    nodelists::release(specs);
}

bool FMolecule::isA(const std::string& className) const {
    return className == "FMolecule" || CPath::isA(className);
}

void FMolecule::printMolecule(OutputChannel& channel, const SymTab* names, const SymTab* vars,
                              bool pevo) const {
    if (isParenthesized()) channel << "(";
    if (getHost() != nullptr) getHost()->print(channel, names, vars);
    if (isaKind == 1) channel << (pevo ? " isa " : ":");
    if (isaKind == 2) channel << (pevo ? " subcl " : "::");
    if (isaKind == 1 || isaKind == 2) printClass(channel, cls.get(), names, vars);
    bool bracketed = false;
    if (!nodelists::isEmpty(specs)) {
        channel << "[";
        nodelists::print(channel, *specs, pevo ? " and " : "; ", names, vars);
        channel << "]";
        bracketed = true;
    }
    if (filter != nullptr && !filter->isEmpty()) {
        channel << "[";
        filter->print(channel, names, vars);
        channel << "]";
        bracketed = true;
    }
    const bool emptyBrackets = pevo ? specs != nullptr && specs->empty() : !bracketed;
    if (isaKind == 0 && emptyBrackets) channel << "[]";
    if (isParenthesized()) channel << ")";
}

void FMolecule::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    printMolecule(channel, names, vars, false);
}

ParseTreeNode* FMolecule::clone() const {
    return finishClone(new FMolecule(*this));
}

bool FMolecule::deepEqual(const ParseTreeNode& other) const {
    const auto* molecule = dynamic_cast<const FMolecule*>(&other);
    return molecule != nullptr && deepEqualOrNull(getHost(), molecule->getHost()) &&
           deepEqualOrNull(cls, molecule->cls) && isaKind == molecule->isaKind &&
           sameSpecs(specs, molecule->specs) && deepEqualOrNull(filter, molecule->filter);
}

void FMolecule::collectVars(VarList& vars) const {
    CPath::collectVars(vars);
    if (cls != nullptr) cls->collectVars(vars);
    nodelists::collectVars(specs, vars);
    if (filter != nullptr) filter->collectVars(vars);
}

int FMolecule::compareSameClass(const ParseTreeNode& other) const {
    const auto& molecule = static_cast<const FMolecule&>(other);
    if (const int c = CPath::compareSameClass(other); c != 0) return c;
    if (const int c = compareOrNull(cls, molecule.cls); c != 0) return c;
    if (isaKind != molecule.isaKind) return isaKind < molecule.isaKind ? -1 : 1;
    if (const int c = nodelists::compare(specs, molecule.specs); c != 0) return c;
    return compareOrNull(filter, molecule.filter);
}

bool FMolecule::bindVars(VarSet& bound, const SymTab* names) const {
    if (nodelists::isEmpty(specs) && isaKind != 1) {
        const FVar* host = reducedVariable(getHost());
        if (isaKind == 2) {
            const FVar* cl = reducedVariable(cls.get());
            if (host != nullptr && cl != nullptr && !bound.member(host->getName()) &&
                !bound.member(cl->getName()))
                return false;
        } else if (isaKind == 0 && host != nullptr && !bound.member(host->getName())) {
            return false;
        }
    }
    return ParseTreeNode::bindVars(bound, names);
}

ParseTreeNode* FMolecule::reduce() {
    if (!nodelists::isEmpty(specs) || cls != nullptr || getHost() == nullptr) return this;
    return getHost();
}

int FMolecule::pathLength() const {
    return getHost() != nullptr ? getHost()->pathLength() : 0;
}

void FMolecule::setMethResult(MethResult* result) {
    if (getHost() != nullptr) getHost()->setMethResult(result);
}

MethResult* FMolecule::getMethResult() const {
    return getHost() != nullptr ? getHost()->getMethResult() : nullptr;
}

bool FMolecule::matchTerm(const FTerm* term, const FTerm* other, TermBindings& bindings) {
    const auto* left = dynamic_cast<const IdTerm*>(term);
    const auto* right = dynamic_cast<const IdTerm*>(other);
    return left != nullptr && right != nullptr && left->matches(*right, bindings);
}

bool FMolecule::matchesMolecule(const FMolecule& other) const {
    if (specs == nullptr || other.specs == nullptr || specs->length() != 1 ||
        other.specs->length() != 1)
        return false;
    const Spec* mine = specs->head();
    const Spec* theirs = other.specs->head();
    const int myArgs = mine->getArgs() != nullptr ? mine->getArgs()->length() : 0;
    const int theirArgs = theirs->getArgs() != nullptr ? theirs->getArgs()->length() : 0;
    if (mine->getKind() != theirs->getKind() || myArgs != theirArgs) return false;
    TermBindings bindings;
    if (!matchTerm(getHost(), other.getHost(), bindings) ||
        !matchTerm(mine->getMethod(), theirs->getMethod(), bindings))
        return false;
    if (myArgs > 0) {
        auto it = theirs->getArgs()->begin();
        for (FTerm* arg : *mine->getArgs()) {
            if (!matchTerm(arg, *it, bindings)) return false;
            ++it;
        }
    }
    const auto* myScalar = dynamic_cast<const SSpec*>(mine);
    const auto* theirScalar = dynamic_cast<const SSpec*>(theirs);
    if (myScalar != nullptr && theirScalar != nullptr)
        return matchTerm(myScalar->getResult(), theirScalar->getResult(), bindings);
    const auto* mySet = dynamic_cast<const MSpec*>(mine);
    const auto* theirSet = dynamic_cast<const MSpec*>(theirs);
    if (mySet == nullptr || theirSet == nullptr) return false;
    const int myCount = mySet->getResults() != nullptr ? mySet->getResults()->length() : 0;
    const int theirCount = theirSet->getResults() != nullptr ? theirSet->getResults()->length() : 0;
    if (myCount != theirCount) return false;
    return myCount == 0 || matchTerm(mySet->firstResult(), theirSet->firstResult(), bindings);
}

void FMolecule::setSpecs(clib_list<Spec*>* newSpecs) {
    if (newSpecs == specs) return;
    nodelists::retain(newSpecs);
    nodelists::release(specs);
    specs = newSpecs;
}

void FMolecule::setFilter(FLiteralList* newFilter) {
    filter = Ref<FLiteralList>::share(newFilter);
}

PevoMolecule::PevoMolecule(Path* host, FTerm* cls, const clib_list<Spec*>* specs, int isaKind,
                           const FLiteralList* filter)
    : FMolecule(host, cls, specs, isaKind) {
    if (filter != nullptr) {
        const auto copy = Ref<FLiteralList>::adopt(static_cast<FLiteralList*>(filter->clone()));
        setFilter(copy.get());
    }
}

PevoMolecule::PevoMolecule(Path* host, const Specification* specification)
    : FMolecule(host, specification, 1) {}

void PevoMolecule::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    printMolecule(channel, names, vars, true);
}

ParseTreeNode* PevoMolecule::clone() const {
    return finishClone(new PevoMolecule(*this));
}
