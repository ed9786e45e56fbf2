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
    : method(Ref<FTerm>::share(method)), code(code), args(args) {
    nodelists::retain(args);
}

MethAppl::~MethAppl() {
    nodelists::release(args);
}

MethRef::MethRef(MethAppl* application, int dot)
    : application(Ref<MethAppl>::share(application)), dot(dot) {}

MethRef::~MethRef() = default;

MethListElement::MethListElement(MethAppl* application, MethResult* result)
    : application(Ref<MethAppl>::share(application)), result(Ref<MethResult>::share(result)) {}

MethListElement::~MethListElement() = default;

IsaSpec::IsaSpec(int kind, FTerm* cls) : kind(kind), cls(Ref<FTerm>::share(cls)) {}

IsaSpec::~IsaSpec() = default;

Specification::Specification(IsaSpec* isa, clib_list<MethListElement*>* elements,
                             const FLiteralList* filter)
    : isa(Ref<IsaSpec>::share(isa)),
      elements(elements),
      filter(Ref<FLiteralList>::adopt(
          filter != nullptr ? static_cast<FLiteralList*>(filter->clone()) : nullptr)) {
    nodelists::retain(elements);
}

Specification::~Specification() {
    nodelists::release(elements);
}
