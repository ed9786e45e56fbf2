// Helpers of the tests of the value-reading operators (Pred, Prop, Apply, Aggregation): their
// builders, and an access layer that can lose a set.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "compile/Aggregation.h"
#include "compile/Apply.h"
#include "compile/CompileTestSupport.h"
#include "compile/Pred.h"
#include "compile/Prop.h"

namespace compile_test {

// A "perl" call when perlInputCount is not 0.
inline Pred* makePred(int arity, const InternalName& predicate, const Conditions& c,
                      int perlInputCount = 0) {
    PredSpec spec{arity, predicate, perlInputCount != 0, perlInputCount, toPattern(c)};
    return new Pred(spec);
}
inline Prop* makeProp(int arity, MethodType methodType, int valueCount, const Conditions& c) {
    PropSpec spec{arity, methodType, Axis::None, valueCount, toPattern(c)};
    return new Prop(spec);
}
inline Apply* makeApply(int arity, PathStep step, const Conditions& c) {
    ApplySpec spec{arity, step, Axis::None, toPattern(c)};
    return new Apply(spec);
}

// A TestAccess which has lost the sets named in `lostSets`.
class ValueAccess : public TestAccess {
  public:
    explicit ValueAccess(OM* om) : TestAccess(om) {}

    Iterator* setIterator(const InternalName& setName, Iterator* old) override {
        if (lostSets.count(setName) != 0) {
            // Released, as the object base does for a set it has no frame of.
            Ref<Iterator>::adopt(old).reset();
            return nullptr;
        }
        return TestAccess::setIterator(setName, old);
    }

    // The set name a method value is stored under.
    InternalName storedSet(const InternalName& host, const InternalName& method, int type) {
        const InternalName probe[3] = {host, method, undef()};
        auto rows = Ref<Iterator>::adopt(makeRefIter(MethodType(type), probe, 3, nullptr));
        InternalName found;
        if (rows != nullptr && rows->first()) found = rows->atColumn(3);
        rows.reset();
        return found;
    }

    std::set<InternalName> lostSets;

  protected:
    ~ValueAccess() override = default;
};

// The algebra fixture over a ValueAccess.
class ValueOperatorTest : public AlgebraTest {
  protected:
    void SetUp() override {
        AlgebraTest::SetUp();
        accessOwner.reset();
        values = new ValueAccess(om);
        accessOwner = Ref<TestAccess>::adopt(values);
        access = values;
    }

    // A string constant's name; the symbol text keeps its double quotes.
    InternalName string(const std::string& text) {
        InternalName out;
        access->getOrCreateName(stringSymbol(text), out);
        return out;
    }
    FSymbol stringSymbol(const std::string& text) {
        return om->giveSymTab()->GetFSymbol("\"" + text + "\"", InternalName::String, 0);
    }
    FSymbol predicate(const std::string& name, int arity) {
        return om->giveSymTab()->GetFSymbol(name, InternalName::Predicate, arity);
    }
    FSymbol builtin(const std::string& name, int arity) {
        return om->giveSymTab()->GetFSymbol(name, InternalName::BuiltinPredicate, arity);
    }
    void setValue(const InternalName& host, const InternalName& method, int type,
                  std::initializer_list<InternalName> members) {
        set<InternalName> values;
        for (const InternalName& m : members) values.insert(m);
        access->insertSet(host, method, nullptr, 0, MethodType(type), values);
    }

    ValueAccess* values = nullptr;
};

}  // namespace compile_test
