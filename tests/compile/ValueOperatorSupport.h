// Helpers of the tests of the value-reading operators (Pred, Prop, Apply, Aggregation): their
// builders, and an access layer whose built-in predicates, arithmetic and set lookups the tests
// control.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "access/DummyIterator.h"
#include "compile/Aggregation.h"
#include "compile/Apply.h"
#include "compile/CompileTestSupport.h"
#include "compile/Pred.h"
#include "compile/Prop.h"

namespace compile_test {

inline Pred* makePred(int arity, const InternalName& predicate, const Conditions& c,
                      int perlInputCount = 0) {
    return new Pred("pred", arity, predicate, c.inputCount, *c.varEq, *c.eqCon, *c.eqJoin, *c.var,
                    *c.givenVar, c.constantPositions, c.constantSymbols, c.keyColumns, c.variables,
                    c.excludedInputs, perlInputCount, *c.bindings, c.inputFlags);
}
inline Prop* makeProp(int arity, int methodType, int valueCount, const Conditions& c) {
    return new Prop("prop", arity, methodType, 0, c.inputCount, valueCount, *c.varEq, *c.eqCon,
                    *c.eqJoin, *c.var, *c.givenVar, c.constantPositions, c.constantSymbols,
                    c.keyColumns, c.variables, c.columnSet, c.excludedInputs, *c.bindings,
                    c.inputFlags);
}
inline Apply* makeApply(int arity, int stepKind, const Conditions& c) {
    return new Apply("apply", arity, stepKind, 0, c.inputCount, *c.varEq, *c.eqCon, *c.eqJoin,
                     *c.var, *c.givenVar, c.constantPositions, c.constantSymbols, c.keyColumns,
                     c.variables, c.columnSet, c.excludedInputs, *c.bindings, c.inputFlags);
}

// A TestAccess whose built-in "<" compares integers, whose "strcat" joins two string constants,
// whose "+" adds integers, and which has lost the sets named in `lostSets`.
class ValueAccess : public TestAccess {
  public:
    explicit ValueAccess(OM* om) : TestAccess(om) {}

    // The access layer's own is-a closures, which the signature iterators build on.
    Iterator* makeEnhIsaIter(const InternalName& object, const InternalName& cls, int kind,
                             Iterator* old) override {
        return OMAccess::makeEnhIsaIter(object, cls, kind, old);
    }

    Iterator* match(const FSymbol& symbol, const InternalName* tuple, int count,
                    Iterator* old) override {
        decRef(old);
        ++builtinCalls;
        std::vector<InternalName> row(tuple, tuple + count);
        const std::string name = symbolName(symbol);
        bool holds = false;
        if (name == "<" && count == 2) {
            holds = row[0].getType() == InternalName::Integer &&
                    row[1].getType() == InternalName::Integer &&
                    row[0].getValue() < row[1].getValue();
        } else if (name == "strcat" && count == 3) {
            std::string joined = "\"" + text(row[0]) + text(row[1]) + "\"";
            InternalName made;
            getOrCreateName(giveSymTab()->GetFSymbol(joined, InternalName::String, 0), made);
            holds = row[2] == undef() || row[2] == made;
            row[2] = made;
        }
        return new DummyIterator(row.data(), count, holds);
    }

    Iterator* matchArithmetic(const InternalName* tuple, int count, int type) override {
        std::vector<InternalName> row(tuple, tuple + count);
        bool holds = type == 100 && count == 3 && row[0].getType() == InternalName::Integer &&
                     row[1].getType() == InternalName::Integer;
        if (holds) {
            InternalName sum = integer(row[0].getValue() + row[1].getValue());
            holds = row[2] == undef() || row[2] == sum;
            row[2] = sum;
        }
        return new DummyIterator(row.data(), count, holds);
    }

    Iterator* setIterator(const InternalName& setName, Iterator* old) override {
        if (lostSets.count(setName) != 0) {
            // As the object base does for a set it has no frame of.
            decRef(old);
            return nullptr;
        }
        return TestAccess::setIterator(setName, old);
    }

    // The set name a method value is stored under.
    InternalName storedSet(const InternalName& host, const InternalName& method, int type) {
        const InternalName probe[3] = {host, method, undef()};
        Iterator* rows = makeRefIter(type, probe, 3, nullptr);
        InternalName found;
        if (rows != nullptr && rows->first()) found = rows->atColumn(3);
        decRef(rows);
        return found;
    }

    std::set<InternalName> lostSets;
    int builtinCalls = 0;

  protected:
    ~ValueAccess() override = default;

  private:
    std::string text(const InternalName& name) {
        std::string form;
        giveLexicalForm(name, form);
        if (form.size() >= 2 && form.front() == '"') form = form.substr(1, form.size() - 2);
        return form;
    }
};

// The algebra fixture over a ValueAccess.
class ValueOperatorTest : public AlgebraTest {
  protected:
    void SetUp() override {
        AlgebraTest::SetUp();
        decRef(access);
        values = new ValueAccess(om);
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
        access->insertSet(host, method, nullptr, 0, type, values);
    }

    ValueAccess* values = nullptr;
};

}  // namespace compile_test
