// IdTerm, the base of the terms that name one object (variables and function terms), and the
// binding dictionary of one-way matching.
#pragma once

#include "foundation/clib_dictionary.h"
#include "language/Path.h"

class IdTerm;

// Variables bound to terms while one term is matched onto another.
using TermBindings = clib_dictionary<FSymbol, IdTerm*>;

class IdTerm : public Path {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::IdTerm;
    bool isA(const std::string& className) const override;
    // Written bare: a single name needs no parentheses.
    void printNested(OutputChannel& channel, const SymTab* names,
                     const SymTab* vars) const override;
    int pathLength() const override { return 1; }
    int startKind() const override { return startKindValue; }
    void replaceStart(Path* /*start*/) override {}
    // One-way matching onto `other`: variables of this term are bound in `bindings`.
    virtual bool matches(const IdTerm& other, TermBindings& bindings) const = 0;
    virtual void setStartKind(int kind) { startKindValue = static_cast<std::int8_t>(kind); }

  protected:
    using Path::Path;
    ~IdTerm() override = default;
};
