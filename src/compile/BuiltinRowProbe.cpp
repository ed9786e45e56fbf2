// BuiltinRowProbe: equality and the numeric comparisons tested in place, the other built-ins
// through the access layer's dispatcher.
#include "compile/BuiltinRowProbe.h"

#include <algorithm>
#include <iterator>

#include "access/ExactNumber.h"
#include "access/OMAccess.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

BuiltinTest builtinTestOf(const std::string& name, int arity) {
    if (arity == 2) {
        if (name == "=") return BuiltinTest::Equality;
        if (name == "<") return BuiltinTest::Less;
        if (name == ">") return BuiltinTest::Greater;
        if (name == "<=") return BuiltinTest::LessOrEqual;
        if (name == ">=") return BuiltinTest::GreaterOrEqual;
    }
    // The built-ins that only test or compute the cells they are given: asked once per row,
    // they answer what one evaluation over the distinct rows answers.
    static const char* const pure[] = {"equiv",  "integer",        "string",
                                       "float",  "substr",         "strcat",
                                       "strlen", "string2integer", "string2float"};
    if (std::any_of(std::begin(pure), std::end(pure),
                    [&name](const char* builtin) { return name == builtin; }))
        return BuiltinTest::Call;
    return BuiltinTest::None;
}

bool BuiltinRowProbe::holds(const InternalName* row) {
    if (!named) return false;
    for (const auto& [cell, column] : fill) pattern[std::size_t(cell)] = row[column];
    if (test == BuiltinTest::Call || pattern.size() != 2) return call();
    const InternalName& a = pattern[0];
    const InternalName& b = pattern[1];
    if (a == InternalName::UndefinedObject || b == InternalName::UndefinedObject) return call();
    if (test == BuiltinTest::Equality) {
        if (a == b) return true;
        const auto x = ExactNumber::of(a);
        const auto y = x ? ExactNumber::of(b) : std::nullopt;
        if (x && y && *x == *y) return true;
        // While a link is followed, names that map to the same are equal: the dispatcher knows.
        return access->followsLink() && call();
    }
    const auto x = ExactNumber::of(access->mappedName(a));
    if (!x) return false;
    const auto y = ExactNumber::of(access->mappedName(b));
    if (!y) return false;
    switch (test) {
        case BuiltinTest::Less:
            return *x < *y;
        case BuiltinTest::Greater:
            return *y < *x;
        case BuiltinTest::LessOrEqual:
            return *x <= *y;
        case BuiltinTest::GreaterOrEqual:
            return *y <= *x;
        default:
            return call();
    }
}

bool BuiltinRowProbe::call() {
    auto rows = Ref<Iterator>::adopt(
        access->makeFuncOrPredIter(predicate, pattern.data(), int(pattern.size()), nullptr));
    return rows && rows->first();
}
