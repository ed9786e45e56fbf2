// The method specifications inside a molecule's brackets: Spec with its scalar form SSpec
// (m@(args) -> r) and set-valued form MSpec (m ->> {r1, r2}), and PevoMSpec, the set-valued form
// written in the Pevo dialect.
#pragma once

#include <cstddef>

#include "foundation/clib_list.h"
#include "language/MethodCall.h"
#include "language/ParseTreeNode.h"
#include "objectbase/MethodType.h"

class FTerm;

class Spec : public ParseTreeNode {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::Spec;
    bool isA(const std::string& className) const override;
    // Method, code, arrow kind and arguments.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By method, kind, arguments (missing first, then length, then pairwise), then code.
    int compareSameClass(const ParseTreeNode& other) const override;

    FTerm* getMethod() const { return call.method(); }
    // The axis of a Pevo step; 0 for plain F-Logic.
    int getCode() const { return call.code(); }
    clib_list<FTerm*>* getArgs() const { return call.args(); }
    // The method-type code of the arrow (0 "->" ... 8 "@=>>").
    int getKind() const { return kind; }
    MethodType methodType() const { return MethodType(kind); }

  protected:
    // References the method and copies the argument list, referencing its elements.
    Spec(ParseTreeClass className, FTerm* method, int code, const clib_list<FTerm*>* args,
         int kind);
    Spec(const Spec& other);
    ~Spec() override = default;

    // The method and "@(" arguments ")".
    void printMethodAndArgs(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
        call.print(channel, names, vars);
    }

  private:
    MethodCall call;
    int kind;
};

class SSpec : public Spec {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::SSpec;
    // References the result.
    SSpec(FTerm* method, int code, const clib_list<FTerm*>* args, int kind, FTerm* result);
    SSpec(const SSpec& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // m@(args) -> r, with " *-> " for kind 3.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;

    FTerm* getResult() const { return result.get(); }
    // Takes a reference to the new result and releases the old one.
    void setResult(FTerm* newResult);

  protected:
    ~SSpec() override;

  private:
    Ref<FTerm> result;
};

class MSpec : public Spec {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::MSpec;
    // Copies the result list (null allowed), referencing its elements.
    MSpec(FTerm* method, int code, const clib_list<FTerm*>* args, int kind,
          const clib_list<FTerm*>* results);
    MSpec(const MSpec& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // m@(args) ->> {r1, r2}; " *->> {" for kind 4, " => (" and " =>> (" with ")" for 6 and 7.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    int compareSameClass(const ParseTreeNode& other) const override;

    clib_list<FTerm*>* getResults() const { return results; }
    // The first result; null when there is none.
    FTerm* firstResult() const;
    // Keeps the new list, referencing its elements; the old elements are released and the old
    // list deleted.
    void setResults(clib_list<FTerm*>* newResults);

  protected:
    ~MSpec() override;
    // The results separated by ", ".
    void printResults(OutputChannel& channel, const SymTab* names, const SymTab* vars) const;

  private:
    clib_list<FTerm*>* results;
};

class PevoMSpec : public MSpec {
  public:
    // No class name of its own, so node_cast cannot single it out.
    static constexpr std::nullptr_t nodeClass = nullptr;
    using MSpec::MSpec;
    PevoMSpec(const PevoMSpec& other) = default;

    using ParseTreeNode::print;
    // The axis, the method, "()" for a function application, the arguments, then " -> {" for
    // kind 1, " *-> {" for 4 and " @*-> {" for 5, which only rewriting gives (closed by
    // "}"), " => (" for 7 and " @=> (" for 8 (closed by ")").
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;

  protected:
    ~PevoMSpec() override = default;
};
