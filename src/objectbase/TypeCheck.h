// TypeCheck, one check of every stored value of the object base against the signatures of its
// method.
#pragma once

#include <set>
#include <vector>

#include "objectbase/InternalName.h"

class MainMemOM;

// For every value entry (scalar and set-valued, plain and inheritable) of every object, the
// classes that declare a signature for its method and that the host belongs to (or lies below,
// for an inheritable entry) are found; the value, or each member of its set, must belong to every
// result class, and for a method with arguments every row must fit some signature row. Each entry
// that does not is reported as one "Type Violation" to the central error handler; when none is,
// the answer channel says so. The check reads the base and changes nothing.
class TypeCheck {
  public:
    explicit TypeCheck(MainMemOM& base) : base(base) {}

    void run();

  private:
    // A violation is a (value, class) pair, or a separator written around the
    // checks of each argument combination; `failing` holds the numbers (from 1) of the
    // combinations whose arguments fit no signature.
    struct TypeViolation {
        InternalName value;
        InternalName cls;
        bool separator = false;
    };
    using Violations = std::vector<TypeViolation>;
    // 1 when every value of `value` is a member of every class of `signature`.
    int checkResultTypes(Violations& list, const InternalName& value,
                         const InternalName& signature);
    // 1 when the arguments of every value row fit some signature row and its result fits the
    // result classes of each row it fits. 0 also for frames of different arity or missing ones.
    int checkParameterTypes(Violations& list, std::set<int>& failing, const InternalName& valueRows,
                            const InternalName& signatureRows);
    // Reports one "Type Violation" for the entry host[method arrow value]. kind: 0 the list,
    // 1 no signature, 2 host in no declaring class, 3 host below no declaring class.
    void errormessage(Violations& list, std::set<int>& failing, const InternalName& host,
                      const InternalName& method, const InternalName& value, int type, int kind);

    MainMemOM& base;
};
