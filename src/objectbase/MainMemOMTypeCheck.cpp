// The class membership test of the object base, and its type check (see TypeCheck).
#include <algorithm>

#include "objectbase/FlatNameMap.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/TypeCheck.h"

namespace {

bool isNumber(const InternalName& x) {
    return x.getType() == InternalName::Integer || x.getType() == InternalName::Float;
}

bool isString(const InternalName& x) {
    return x.getType() == InternalName::String;
}

}  // namespace

int MainMemOM::isaHolds(const InternalName& x, const InternalName& cls, int kind) {
    // Without the Web access layer nothing binds the symbols string, numeric, literal and
    // object to the built-in objects, so a class bound to one of them is that built-in class.
    InternalName builtin = cls;
    FSymbol symbol;
    if (giveSymbol(cls, symbol) != 0) {
        if (symbol == builtinSymbol::String) builtin = builtinObject::String;
        if (symbol == builtinSymbol::Numeric) builtin = builtinObject::Numeric;
        if (symbol == builtinSymbol::Literal) builtin = builtinObject::Literal;
        if (symbol == builtinSymbol::Object) builtin = builtinObject::Object;
    }
    if (kind == 1) {
        if (isString(x) && (builtin == builtinObject::String || builtin == builtinObject::Literal))
            return 1;
        if (isNumber(x) && (builtin == builtinObject::Numeric || builtin == builtinObject::Literal))
            return 1;
        if (!isString(x) && !isNumber(x) && builtin == builtinObject::Object) return 1;
    }
    if (kind == 2 && x == cls) return 1;

    // The walk below looks for cls in x's own set and in the superclass sets of the classes it
    // reaches. A class that is nobody's superclass is in no superclass set, so only x's own
    // set can hold it: an import asks this for every element it classifies (whether the
    // element became a URL), and URL mostly has no subclasses.
    if (const MemberSet* subclasses = superClassToClassTable.find(cls);
        subclasses == nullptr || subclasses->empty()) {
        if (kind == 2) return 0;
        const MainMemObjFrame* frame = getObjFrame(x);
        if (frame == nullptr) return 0;
        const MainMemSetFrame* own =
            getSetFrame(kind == 1 ? frame->getSetName1() : frame->getSetName3());
        return own != nullptr && own->contains(cls) ? 1 : 0;
    }

    // Breadth over the superclasses. A string or number starts from the built-in class it
    // belongs to (and the object its symbol is bound to), also when it has no frame of its own.
    // Until equalities are applied the subclass relation may hold cycles, so every class is
    // visited once.
    //
    // Every class enqueued is in `work`, so it also says what was visited: a class hierarchy
    // walked here is mostly a handful of classes, searched faster in place than in a tree that
    // cost an allocation a class (three walks for each element a document import classifies).
    // A long walk keeps an index beside it.
    std::vector<InternalName>& work = isaWork;
    work.clear();
    FlatNameMap<InternalName, bool> visited;
    auto enqueue = [&](const InternalName& c) {
        constexpr std::size_t searchedInPlace = 32;
        if (work.size() < searchedInPlace) {
            if (std::find(work.begin(), work.end(), c) != work.end()) return;
        } else {
            if (visited.empty())
                for (const InternalName& seen : work) visited.emplace(seen, true);
            if (!visited.emplace(c, true).second) return;
        }
        work.push_back(c);
    };
    auto seed = [&](const InternalName& object, const FSymbol& name) {
        enqueue(object);
        InternalName bound;
        if (giveInternalName(name, bound) != 0) enqueue(bound);
    };
    if (isString(x)) seed(builtinObject::String, builtinSymbol::String);
    if (isNumber(x)) seed(builtinObject::Numeric, builtinSymbol::Numeric);

    Ref<Iterator> members;
    bool found = false;
    auto scan = [&](const InternalName& setName) {
        MainMemSetFrame* set = getSetFrame(setName);
        if (set == nullptr) return;
        if (set->contains(cls)) {
            found = true;
            return;
        }
        members.renew([&](Iterator* old) { return set->getIterator(old); });
        for (bool more = members->first(); more; more = members->next())
            enqueue(members->atColumn(1));
    };
    if (MainMemObjFrame* frame = getObjFrame(x)) {
        scan(frame->setNameOf(IsaRelation(kind)));
    }
    for (std::size_t i = 0; i < work.size() && !found; ++i) {
        if (MainMemObjFrame* frame = getObjFrame(work[i])) scan(frame->getSetName2());
    }
    return found ? 1 : 0;
}

void MainMemOM::typeCheck() {
    TypeCheck(*this).run();
}
