// The objects the grammar actions build while a construct is incomplete, and from which the
// parse-tree nodes are then made: a name applied to arguments, a method application, a path
// step, one bracketed method specification, an is-a part and everything after a molecule's host.
#pragma once

#include <string>

#include "foundation/ManagedObject.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"

class FLiteralList;
class FTerm;
class MethResult;

// A name applied to arguments, before the grammar knows whether it is a function or a predicate.
class FctOrPred : public ManagedObject {
  public:
    // Takes over the list (null allowed) with a reference to every element.
    FctOrPred(const char* name, clib_list<FTerm*>* args);
    FctOrPred(std::string name, clib_list<FTerm*>* args);

    const std::string& getName() const { return name; }
    clib_list<FTerm*>* getArgs() const { return args; }
    // Hands the list on together with this object's references to its elements.
    clib_list<FTerm*>* takeArgs();

  protected:
    ~FctOrPred() override;

  private:
    std::string name;
    clib_list<FTerm*>* args;
};

// A method applied to arguments; in the Pevo dialect the code is the step's axis.
class MethAppl : public ManagedObject {
  public:
    // References the method; takes over the list with a reference to every element.
    MethAppl(FTerm* method, clib_list<FTerm*>* args, int code);

    FTerm* getMethod() const { return method.get(); }
    int getCode() const { return code; }
    clib_list<FTerm*>* getArgs() const { return args; }

  protected:
    ~MethAppl() override;

  private:
    Ref<FTerm> method;
    int code;
    clib_list<FTerm*>* args;
};

// One path step: a method application after a dot (0 ".", 1 "..", 3 "!", 4 "!!"; in the Pevo
// dialect 0 ":" and 1 "/").
class MethRef : public ManagedObject {
  public:
    MethRef(MethAppl* application, int dot);

    MethAppl* getApplication() const { return application.get(); }
    int getDot() const { return dot; }

  protected:
    ~MethRef() override;

  private:
    Ref<MethAppl> application;
    int dot;
};

// One method specification inside brackets: a method application and its result part.
class MethListElement : public ManagedObject {
  public:
    MethListElement(MethAppl* application, MethResult* result);

    MethAppl* getApplication() const { return application.get(); }
    MethResult* getResult() const { return result.get(); }

  protected:
    ~MethListElement() override;

  private:
    Ref<MethAppl> application;
    Ref<MethResult> result;
};

// The is-a part of a molecule: kind 1 ":" (Pevo "isa") or 2 "::" (Pevo "subcl"), and the class.
class IsaSpec : public ManagedObject {
  public:
    IsaSpec(int kind, FTerm* cls);

    int getKind() const { return kind; }
    FTerm* getClass() const { return cls.get(); }

  protected:
    ~IsaSpec() override;

  private:
    int kind;
    Ref<FTerm> cls;
};

// Everything between a molecule's host and its end: is-a part, method specifications and filter,
// each may be missing.
class Specification : public ManagedObject {
  public:
    // References the is-a part; takes over the element list with a reference to every element;
    // keeps a clone of the filter.
    Specification(IsaSpec* isa, clib_list<MethListElement*>* elements, const FLiteralList* filter);

    IsaSpec* getIsa() const { return isa.get(); }
    clib_list<MethListElement*>* getElements() const { return elements; }
    FLiteralList* getFilter() const { return filter.get(); }

  protected:
    ~Specification() override;

  private:
    Ref<IsaSpec> isa;
    clib_list<MethListElement*>* elements;
    Ref<FLiteralList> filter;
};
