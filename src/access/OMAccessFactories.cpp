// OMAccess iterator factories and the lookup cascade: the iterator for every kind of atom and
// binding pattern, re-targeting the caller's old iterator where its class fits.
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "access/EmptyIterator.h"
#include "access/EnhIsaIter.h"
#include "access/EnhSigIter.h"
#include "access/FuncOrPredIter.h"
#include "access/IsaIterator.h"
#include "access/OMAccess.h"
#include "access/RefIter.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/OM.h"
#include "objectbase/RelationStore.h"

namespace {

bool isBound(const InternalName& name) {
    return name != InternalName::UndefinedObject;
}

// The old iterator, taken out of `old`, when it is of exactly the class wanted. Any other is
// released: one of the same family silently (a family word cannot tell its members apart, and
// re-targeting keeps the class), one of another family with the UnknownIterType report.
template <class Exact>
Ref<Exact> reusable(Ref<Iterator>& old, bool sameFamily) {
    if (!old) return nullptr;
    if (typeid(*old) == typeid(Exact)) return Ref<Exact>::adopt(static_cast<Exact*>(old.release()));
    if (!sameFamily) centralErrorHandler().report(err6::UnknownIterType_2);
    old.reset();
    return nullptr;
}

// The member of a family chosen by which of the two leading positions are bound.
template <class Family, class BothBound, class FirstBound, class SecondBound, class NoneBound,
          class Owner>
Ref<Family> makeMember(const InternalName& a, const InternalName& b, IsaRelation kind, Owner* owner,
                       Ref<Iterator> old, bool sameFamily) {
    auto build = [&](auto* exact) -> Ref<Family> {
        using Exact = std::remove_pointer_t<decltype(exact)>;
        if (Ref<Exact> reused = reusable<Exact>(old, sameFamily)) {
            reused->reinitialize(a, b, kind, owner);
            return reused;
        }
        return Ref<Exact>::make(a, b, kind, owner);
    };
    if (isBound(a)) {
        if (isBound(b)) return build(static_cast<BothBound*>(nullptr));
        return build(static_cast<FirstBound*>(nullptr));
    }
    if (isBound(b)) return build(static_cast<SecondBound*>(nullptr));
    return build(static_cast<NoneBound*>(nullptr));
}

// A relation made by a cast from a number outside the three.
bool validRelationKind(IsaRelation kind) {
    return code(kind) >= 1 && code(kind) <= 3;
}

// A step makeRefIter refuses: neither a method type nor an arithmetic operator.
bool refusedStep(const PathStep& step) {
    const int type = code(step);
    return !std::holds_alternative<ArithmeticOp>(step) && (type < 0 || type > 8);
}

}  // namespace

Iterator* OMAccess::makeIsaIter(const InternalName& object, const InternalName& cls,
                                IsaRelation kind, Iterator* old) {
    if (!validRelationKind(kind)) {
        // The old iterator stays with the caller.
        centralErrorHandler().report(err6::WrongInhType);
        return nullptr;
    }
    const bool sameFamily = dynamic_cast<IsaIterator*>(old) != nullptr;
    return makeMember<IsaIterator, FullySpecIsaIter, LeftSpecIsaIter, RightSpecIsaIter,
                      UnspecIsaIter>(object, cls, kind, om(), Ref<Iterator>::adopt(old), sameFamily)
        .release();
}

Iterator* OMAccess::makeEnhIsaIter(const InternalName& object, const InternalName& cls,
                                   IsaRelation kind, Iterator* old) {
    auto reuse = Ref<Iterator>::adopt(old);
    if (!validRelationKind(kind)) {
        centralErrorHandler().report(err6::WrongInhType);
        return nullptr;
    }
    const bool sameFamily = dynamic_cast<EnhIsaIter*>(reuse.get()) != nullptr;
    return makeMember<EnhIsaIter, FullySpecifiedIsaIter, EnhLeftIsaIter, EnhRightIsaIter,
                      UnspecifiedIsaIter>(object, cls, kind, this, std::move(reuse), sameFamily)
        .release();
}

Iterator* OMAccess::makeRefIter(PathStep step, const InternalName* tuple, int count,
                                Iterator* old) {
    if (refusedStep(step)) {
        // The old iterator stays with the caller.
        centralErrorHandler().report(err6::WrongMetType);
        return nullptr;
    }
    auto reuse = Ref<Iterator>::adopt(old);
    if (const ArithmeticOp* op = std::get_if<ArithmeticOp>(&step)) {
        reuse.reset();
        return matchArithmetic(tuple, 3, *op);
    }
    const int type = code(step);
    const bool sameFamily = dynamic_cast<RefIter*>(old) != nullptr;
    auto build = [&](auto* exact) -> Iterator* {
        using Exact = std::remove_pointer_t<decltype(exact)>;
        if (Ref<Exact> reused = reusable<Exact>(reuse, sameFamily)) {
            reused->reinitialize(tuple, count, MethodType(type), om());
            return reused.release();
        }
        return new Exact(tuple, count, MethodType(type), om());
    };
    if (isBound(tuple[0])) return build(static_cast<LeftRefIter*>(nullptr));
    if (isBound(tuple[1])) return build(static_cast<RightRefIter*>(nullptr));
    return build(static_cast<CommonRefIter*>(nullptr));
}

Iterator* OMAccess::makeFuncOrPredIter(const FSymbol& symbol, const InternalName* tuple, int count,
                                       Iterator* old) {
    if (symbol.getType() == InternalName::BuiltinPredicate) return match(symbol, tuple, count, old);
    auto reuse = Ref<Iterator>::adopt(old);
    if (Ref<FuncOrPredIter> reused = reusable<FuncOrPredIter>(reuse, false)) {
        reused->reinitialize(tuple, count, StoredAtom::Predicate, symbol, om());
        return reused.release();
    }
    return new FuncOrPredIter(tuple, count, StoredAtom::Predicate, symbol, om());
}

OMAccess::StoredRows OMAccess::storedPredicateRows(const FSymbol& symbol, int arity) {
    if (symbol.getType() == InternalName::BuiltinPredicate || om() == nullptr) return {};
    const PredicateFrameView frame = om()->predicateFrameOf(symbol);
    if (!frame || frame.arity() != arity) return {};
    const RelationStore& store = frame.store();
    return {&store, store.size() - frame.size()};
}

bool OMAccess::holdsNoRelation(IsaRelation kind) {
    return validRelationKind(kind) && om() != nullptr && om()->holdsNoRelation(code(kind));
}

Iterator* OMAccess::makeFunctionIter(const InternalName& function, const InternalName* args,
                                     int argCount, const InternalName& result, Iterator* old) {
    std::vector<InternalName> cells;
    cells.reserve(static_cast<std::size_t>(argCount + 2));
    cells.push_back(function);
    for (int i = 0; i < argCount; ++i) cells.push_back(args[i]);
    cells.push_back(result);
    const int width = static_cast<int>(cells.size());
    auto reuse = Ref<Iterator>::adopt(old);
    if (Ref<FuncOrPredIter> reused = reusable<FuncOrPredIter>(reuse, false)) {
        reused->reinitialize(cells.data(), width, StoredAtom::Function, function, om());
        return reused.release();
    }
    return new FuncOrPredIter(cells.data(), width, StoredAtom::Function, function, om());
}

Iterator* OMAccess::makeSigIter(MethodType signature, const InternalName* tuple, int count,
                                Iterator* old) {
    auto reuse = Ref<Iterator>::adopt(old);
    const int type = code(signature);
    if (type < 6 || type > 8) return nullptr;
    if (isBound(tuple[0])) {
        reuse.reset();
        return new EnhLeftSigIter(signature, tuple, count, this);
    }
    const bool sameFamily = dynamic_cast<EnhSigIter*>(reuse.get()) != nullptr;
    if (Ref<EnhRightSigIter> reused = reusable<EnhRightSigIter>(reuse, sameFamily)) {
        reused->reinitialize(signature, tuple, count, this);
        return reused.release();
    }
    return new EnhRightSigIter(signature, tuple, count, this);
}

Iterator* OMAccess::lookup(PathStep step, const InternalName* tuple, int count, Iterator* old) {
    const int type = code(step);
    // The cascade owns the old iterator: only the stage that answers may re-target it, and when
    // none can it is released here.
    auto reuse = Ref<Iterator>::adopt(old);
    if (inheritanceAccess != 0) {
        inheritanceAccess = 0;
        Iterator* inherited = inheritedLookup(type, tuple, count, nullptr);
        inheritanceAccess = 1;
        if (inherited != nullptr) return inherited;
    }
    if (signatureAccess != 0 && type >= 6 && type <= 8) {
        signatureAccess = 0;
        Iterator* signatures =
            makeSigIter(std::get<MethodType>(step), tuple, count, reuse.release());
        signatureAccess = 1;
        if (signatures != nullptr) return signatures;
    }
    // A refused method type leaves the old iterator here; any other step takes it over.
    if (refusedStep(step)) return makeRefIter(step, tuple, count, reuse.get());
    return makeRefIter(step, tuple, count, reuse.release());
}
