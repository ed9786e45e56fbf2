// MethResult, the result part (an arrow and one or more result terms) that a path step may carry,
// with its scalar and set-valued forms.
#pragma once

#include <string>

#include "foundation/FLSysObject.h"
#include "foundation/clib_list.h"

class FTerm;
class SymTab;

class MethResult : public FLSysObject {
  public:
    // A copy of the same class; null when some part could not be copied.
    virtual MethResult* clone() const = 0;
    // The method-type code of the arrow (0 "->" ... 8 "@=>>").
    virtual int getKind() const { return kind; }
    // The single result of a scalar result part, else null.
    virtual FTerm* getResult() const { return nullptr; }
    // The results of a set-valued result part, else null.
    virtual clib_list<FTerm*>* getResults() const { return nullptr; }
    using FLSysObject::print;
    // Writes the arrow and the result in rule syntax.
    virtual void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const = 0;
    // True only for the exact name of the concrete class.
    virtual bool isClass(const std::string& className) const = 0;

  protected:
    explicit MethResult(int kind) : kind(kind) {}
    MethResult(const MethResult&) = default;
    ~MethResult() override = default;

  private:
    int kind;
};

// A scalar result part: the arrow and one result term.
class SMethResult : public MethResult {
  public:
    // Takes a reference to the result.
    SMethResult(int kind, FTerm* result);
    SMethResult(const SMethResult& other) = delete;

    MethResult* clone() const override;
    FTerm* getResult() const override { return result.get(); }
    // The arrow by kind (" -> ", " *-> ", " => ", " =>> "; none for 2, 5 and 8), then the result.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    bool isClass(const std::string& className) const override { return className == "SMethResult"; }

  protected:
    ~SMethResult() override;

  private:
    Ref<FTerm> result;
};

// A set-valued result part: the arrow and a list of result terms. It prints nothing.
class MMethResult : public MethResult {
  public:
    // Takes a reference to every element; the list stays the caller's.
    MMethResult(int kind, const clib_list<FTerm*>* results);
    MMethResult(const MMethResult& other) = delete;

    MethResult* clone() const override;
    clib_list<FTerm*>* getResults() const override { return results; }
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    bool isClass(const std::string& className) const override { return className == "MMethResult"; }

  protected:
    ~MMethResult() override;

  private:
    clib_list<FTerm*>* results;
};
