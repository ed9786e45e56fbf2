// Shared helpers of the rule-algebra tests: a fixture with a real object base behind the access
// layer, builders of the condition lists the translator hands to the operators, and readers of
// operands.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/ErrorHandler.h"
#include "foundation/clib_list.h"
#include "foundation/set.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "support/ChannelCapture.h"

namespace compile_test {

using Row = std::vector<InternalName>;
// A key and one row stored under it.
using KeyedRow = std::pair<InternalName, Row>;

inline InternalName integer(int v) {
    return InternalName(v, InternalName::Integer, 0);
}
// A float kept as a float even when whole (3.0 beside the integer 3).
inline InternalName floatName(float f) {
    return InternalName(std::bit_cast<std::int32_t>(f), InternalName::Float, 0);
}
inline const InternalName& undef() {
    return InternalName::UndefinedObject;
}

// The access layer, counting the function-term iterators the leaf operators ask for.
class TestAccess : public OMAccess {
  public:
    explicit TestAccess(OM* om) : OMAccess(om) {}

    Iterator* makeFunctionIter(const InternalName& function, const InternalName* args, int argCount,
                               const InternalName& result, Iterator* old) override {
        ++functionCalls;
        return OMAccess::makeFunctionIter(function, args, argCount, result, old);
    }

    int functionCalls = 0;

  protected:
    ~TestAccess() override = default;
};

// Record lists as the translator builds them: arrays of ints, owned here.
class Records {
  public:
    Records(std::initializer_list<std::initializer_list<int>> records = {}) {
        for (const auto& record : records) add(record);
    }
    void add(std::initializer_list<int> record) {
        storage.push_back(std::make_unique<int[]>(record.size()));
        int i = 0;
        for (int v : record) storage.back()[i++] = v;
        list.append(storage.back().get());
    }
    const clib_list<int*>& operator*() const { return list; }

  private:
    std::vector<std::unique_ptr<int[]>> storage;
    clib_list<int*> list;
};

inline clib_list<int> ints(std::initializer_list<int> values) {
    clib_list<int> list;
    for (int v : values) list.append(v);
    return list;
}
inline clib_list<FSymbol> symbols(std::initializer_list<FSymbol> values) {
    clib_list<FSymbol> list;
    for (const FSymbol& v : values) list.append(v);
    return list;
}

// Every condition list a BaseOperator takes, empty unless a test fills it.
struct Conditions {
    int inputCount = 0;
    Records varEq, eqCon, eqJoin, var, givenVar, bindings;
    clib_list<int> constantPositions, keyColumns, inputFlags;
    clib_list<FSymbol> constantSymbols, variables;
    set<int> columnSet, excludedInputs;
};

// Every (key, row) of an operand in iteration order; an Operand2 gives its names as keys with
// empty rows, a TupleSetOperand its rows as keys' rows under UndefinedObject.
inline std::vector<KeyedRow> contents(Operand* operand) {
    std::vector<KeyedRow> out;
    if (operand == nullptr) return out;
    Iterator* keys = operand->makeIterator(nullptr);
    if (operand->isA("TupleSetOperand")) {
        for (bool more = keys->first(); more; more = keys->next()) {
            Row row;
            for (int c = 1; c <= keys->columns(); ++c) row.push_back(keys->atColumn(c));
            out.emplace_back(undef(), row);
        }
        decRef(keys);
        return out;
    }
    Iterator* group = nullptr;
    for (bool more = keys->first(); more; more = keys->next()) {
        InternalName key = keys->atColumn(1);
        if (operand->isA("Operand2")) {
            out.emplace_back(key, Row{});
            continue;
        }
        group = operand->makeGroupIterator(key, group);
        for (bool row = group != nullptr && group->first(); row; row = group->next()) {
            Row cells;
            for (int c = 1; c <= group->columns(); ++c) cells.push_back(group->atColumn(c));
            out.emplace_back(key, cells);
        }
    }
    decRef(group);
    decRef(keys);
    return out;
}

// A SetOperand over the columns holding the given keyed rows.
inline SetOperand* setOperand(const clib_list<FSymbol>& columns,
                              const std::vector<KeyedRow>& rows) {
    auto* operand = new SetOperand(columns, 2);
    for (const auto& [key, row] : rows) operand->insert(key, row.data());
    return operand;
}

// A fresh object base behind a TestAccess for every test; reports go to a captured error
// channel.
class AlgebraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        om = new MainMemOM();
        access = new TestAccess(om);
        centralErrorHandler().setKeepMostSerious(0);
        x = variable("X");
        y = variable("Y");
        z = variable("Z");
        w = variable("W");
    }
    void TearDown() override {
        decRef(access);
        decRef(om);
        centralErrorHandler().setKeepMostSerious(1);
    }

    InternalName object(const std::string& name) {
        InternalName out;
        access->getOrCreateName(om->giveSymTab()->GetFSymbol(name, InternalName::Function, 0), out);
        return out;
    }
    FSymbol variable(const std::string& name) {
        return om->giveSymTab()->GetFSymbol(name, InternalName::Variable, 0);
    }
    // A function symbol of that arity.
    FSymbol symbol(const std::string& name, int arity) {
        return om->giveSymTab()->GetFSymbol(name, InternalName::Function, arity);
    }
    FSymbol constant(const std::string& name) {
        return om->giveSymTab()->GetFSymbol(name, InternalName::Function, 0);
    }

    ErrorCapture errors;
    MainMemOM* om = nullptr;
    TestAccess* access = nullptr;
    FSymbol x, y, z, w;
};

// Holds one reference of a managed object and releases it at the end of the scope.
template <class T>
class Held {
  public:
    explicit Held(T* object = nullptr) : object(object) {}
    ~Held() { decRef(object); }
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    T* operator->() const { return object; }
    T* get() const { return object; }

  private:
    T* object;
};

}  // namespace compile_test

#include "compile/IdMapper.h"
#include "compile/Isa.h"
#include "compile/Merge.h"

namespace compile_test {

inline Isa* makeIsa(int kind, const Conditions& c) {
    return new Isa("isa", 2, kind, c.inputCount, *c.varEq, *c.eqCon, *c.eqJoin, *c.var, *c.givenVar,
                   c.constantPositions, c.constantSymbols, c.keyColumns, c.variables, c.columnSet,
                   c.excludedInputs, *c.bindings, c.inputFlags);
}
inline IdMapper* makeIdMapper(int arity, const InternalName& function, const Conditions& c) {
    return new IdMapper("idmapper", arity, function, c.inputCount, *c.varEq, *c.eqCon, *c.eqJoin,
                        *c.var, *c.givenVar, c.constantPositions, c.constantSymbols, c.keyColumns,
                        c.variables, c.excludedInputs, *c.bindings, c.inputFlags);
}
// A Merge of two inputs, both keyed on their first columns and passed with flag 0.
inline Merge* makeJoin(Records givenVar, Records eqJoin, const clib_list<FSymbol>& variables,
                       Records bindings = Records()) {
    Conditions c;
    c.inputCount = 2;
    c.givenVar = std::move(givenVar);
    c.eqJoin = std::move(eqJoin);
    c.keyColumns = ints({1, 2});
    c.bindings = std::move(bindings);
    c.inputFlags = ints({0, 0});
    c.variables = variables;
    return new Merge("merge", 2, c.inputCount, *c.varEq, *c.eqCon, *c.eqJoin, *c.var, *c.givenVar,
                     c.constantPositions, c.constantSymbols, c.keyColumns, c.variables, c.columnSet,
                     c.excludedInputs, *c.bindings, c.inputFlags);
}

// Evaluates an operator on the given inputs (none when empty).
inline Operand* run(Operator* op, std::initializer_list<Operand*> inputs, OMAccess* access) {
    clib_list<Operand*> list;
    for (Operand* input : inputs) list.append(input);
    return op->evaluate(&list, access);
}

}  // namespace compile_test
