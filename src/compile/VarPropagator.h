// VarPropagator, the record of how variable bindings pass from literal to literal of a body.
#pragma once

#include <map>
#include <vector>

#include "foundation/ManagedObject.h"
#include "foundation/clib_list.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"

class FLiteral;

class VarPropagator : public ManagedObject {
  public:
    struct VarPassing {
        FLiteral* from = nullptr;
        FLiteral* to = nullptr;
        FSymbol variable;
    };

    VarPropagator() = default;

    // Records that `to` receives `variable` bound by the earlier literal `from`.
    void add(FLiteral* from, FLiteral* to, const FSymbol& variable);
    // The variables passed into the literal and the literals they come from, in recording order.
    void passedTo(FLiteral* literal, set<FSymbol>* variables, set<FLiteral*>* sources) const;

    const clib_list<VarPassing>& passings() const { return records; }

  protected:
    ~VarPropagator() override = default;

  private:
    clib_list<VarPassing> records;
    // The same records by receiving literal, so that asking for one literal's costs its own
    // records only (a long body would otherwise pay its length for each literal).
    std::map<const FLiteral*, std::vector<VarPassing>> byTarget;
};
