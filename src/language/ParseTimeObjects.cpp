// The parse-time objects: each holds references to what it keeps and releases them when it goes.
#include "language/ParseTimeObjects.h"

#include <utility>

#include "language/FLiteralList.h"
#include "language/FTerm.h"
#include "language/MethResult.h"
#include "language/NodeLists.h"

FctOrPred::FctOrPred(const char* name, clib_list<FTerm*>* args)
    : FctOrPred(std::string(name != nullptr ? name : ""), args) {}

FctOrPred::FctOrPred(std::string name, clib_list<FTerm*>* args)
    : name(std::move(name)), args(args) {
    nodelists::retain(args);
}

FctOrPred::~FctOrPred() {
    nodelists::release(args);
}

clib_list<FTerm*>* FctOrPred::takeArgs() {
    clib_list<FTerm*>* handed = args;
    args = nullptr;
    return handed;
}

MethAppl::MethAppl(FTerm* method, clib_list<FTerm*>* args, int code)
    : method(method), code(code), args(args) {
    incRef(method);
    nodelists::retain(args);
}

MethAppl::~MethAppl() {
    decRef(method);
    nodelists::release(args);
}

MethRef::MethRef(MethAppl* application, int dot) : application(application), dot(dot) {
    incRef(application);
}

MethRef::~MethRef() {
    decRef(application);
}

MethListElement::MethListElement(MethAppl* application, MethResult* result)
    : application(application), result(result) {
    incRef(application);
    incRef(result);
}

MethListElement::~MethListElement() {
    decRef(application);
    decRef(result);
}

IsaSpec::IsaSpec(int kind, FTerm* cls) : kind(kind), cls(cls) {
    incRef(cls);
}

IsaSpec::~IsaSpec() {
    decRef(cls);
}

Specification::Specification(IsaSpec* isa, clib_list<MethListElement*>* elements,
                             const FLiteralList* filter)
    : isa(isa),
      elements(elements),
      filter(filter != nullptr ? static_cast<FLiteralList*>(filter->clone()) : nullptr) {
    incRef(isa);
    nodelists::retain(elements);
}

Specification::~Specification() {
    decRef(isa);
    nodelists::release(elements);
    decRef(filter);
}
