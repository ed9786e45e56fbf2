// FMolecule, the central literal form of F-Logic: a host with an optional is-a part, method
// specifications in brackets and, in the Pevo dialect, a filter; and PevoMolecule, the same
// written with "isa", "subcl" and "and".
#pragma once

#include <cstddef>
#include <optional>

#include "foundation/clib_list.h"
#include "language/CPath.h"
#include "language/IdTerm.h"
#include "objectbase/MethodType.h"

class FLiteralList;
class Spec;
class Specification;

class FMolecule : public CPath {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::FMolecule;
    // References the host and class; copies the specification list, referencing its elements.
    // The is-a kind is 0 none, 1 ":" (membership), 2 "::" (subclass).
    FMolecule(Path* host, FTerm* cls, const clib_list<Spec*>* specs, int isaKind);
    // Built from what the grammar collected after the host: class and is-a kind, one
    // specification a bracketed element (scalar for the arrows 0 and 3, else set-valued, in the
    // Pevo form when `pevo` is set) and a clone of the filter. A null host or specification is
    // reported (FMoleculeConstructor) and the molecule built from what is there.
    FMolecule(Path* host, const Specification* specification, int pevo);
    FMolecule(const FMolecule& other);

    bool isA(const std::string& className) const override;
    using ParseTreeNode::print;
    // host, ":" or "::" and the class, "[" specifications separated by "; " "]", "[" filter "]";
    // a bare host writes "[]".
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;
    // Host, class, is-a kind, filter, and the specifications in any order.
    bool deepEqual(const ParseTreeNode& other) const override;
    void collectVars(VarList& vars) const override;
    // By host, class, is-a kind, specifications (missing first, then length, then one by one),
    // then filter.
    int compareSameClass(const ParseTreeNode& other) const override;
    bool bindVars(VarSet& bound, const SymTab* names) const override;
    // The host when the molecule has neither specifications nor class.
    ParseTreeNode* reduce() override;
    int pathLength() const override;
    // The result part belongs to the host.
    void setMethResult(MethResult* result) override;
    MethResult* getMethResult() const override;

    // One-way matching of two terms that name objects; false for any other terms.
    static bool matchTerm(const FTerm* term, const FTerm* other, TermBindings& bindings);
    FTerm* getClassTerm() const { return cls.get(); }
    int getIsaKind() const { return isaKind; }
    // The class relation written, none without a class.
    std::optional<IsaRelation> isaRelation() const {
        return isaKind != 0 ? std::optional(IsaRelation(isaKind)) : std::nullopt;
    }
    clib_list<Spec*>* getSpecs() const { return specs; }
    // Subsumption of two molecules with one specification each: the same arrow and argument
    // count, and host, method, arguments and result mapped onto the other's by one consistent
    // binding of this molecule's variables.
    bool matchesMolecule(const FMolecule& other) const;
    FLiteralList* getFilter() const { return filter.get(); }
    // Keeps the new list, referencing its elements; the old elements are released.
    void setSpecs(clib_list<Spec*>* newSpecs);
    // Takes a reference to the new filter and releases the old one.
    void setFilter(FLiteralList* newFilter);

  protected:
    ~FMolecule() override;
    void printMolecule(OutputChannel& channel, const SymTab* names, const SymTab* vars,
                       bool pevo) const;

  private:
    Ref<FTerm> cls;
    int isaKind = 0;
    clib_list<Spec*>* specs = nullptr;
    Ref<FLiteralList> filter;
};

class PevoMolecule : public FMolecule {
  public:
    // No class name of its own, so node_cast cannot single it out.
    static constexpr std::nullptr_t nodeClass = nullptr;
    // The first FMolecule form with a clone of the filter.
    PevoMolecule(Path* host, FTerm* cls, const clib_list<Spec*>* specs, int isaKind,
                 const FLiteralList* filter);
    // The FMolecule form from a Specification, in the Pevo dialect.
    PevoMolecule(Path* host, const Specification* specification);
    PevoMolecule(const PevoMolecule& other) = default;

    using ParseTreeNode::print;
    // " isa ", " subcl ", " and " between specifications; "[]" only for a present but empty
    // specification list without is-a part.
    void print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const override;
    ParseTreeNode* clone() const override;

  protected:
    ~PevoMolecule() override = default;
};
