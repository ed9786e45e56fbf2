// Path, the base of every term that can start a path expression: it carries the parenthesised
// flag, an optional result part and the start kind of relative paths.
#pragma once

#include <cstdint>

#include "language/FTerm.h"
#include "language/MethResult.h"

class Path : public FTerm {
  public:
    static constexpr ParseTreeClass nodeClass = ParseTreeClass::Path;
    bool isA(const std::string& className) const override;

    // Writes the term in parentheses; terms that name one object write themselves bare.
    virtual void printNested(OutputChannel& channel, const SymTab* names, const SymTab* vars) const;
    // The number of steps: 1 for a term naming one object, -1 for computed terms.
    virtual int pathLength() const = 0;
    // Takes a reference to the new result part and releases the old one.
    virtual void setMethResult(MethResult* result);
    virtual MethResult* getMethResult() const { return methResult.get(); }
    // Marks a term written in parentheses.
    virtual void setParenthesized() { parenthesized = 1; }
    bool isParenthesized() const { return parenthesized != 0; }
    // 1 when the path begins at the implicit context object of a relative path, 2 otherwise.
    virtual int startKind() const = 0;
    // Puts `start` in place of the implicit context object at the beginning of the path.
    virtual void replaceStart(Path* start);

  protected:
    using FTerm::FTerm;
    // Copies the flags and clones the result part.
    Path(const Path& other);
    ~Path() override;

    // Bytes, beside the node's class: a rule's variables and constants are each such a node.
    std::int8_t startKindValue = 2;

  private:
    std::uint8_t parenthesized = 0;
    Ref<MethResult> methResult;
};
