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
#include "compile/PatternSpec.h"
#include "foundation/ErrorHandler.h"
#include "foundation/Ref.h"
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

// Condition lists written as rows of ints in the order of their fields, as the tests state
// them; toPattern turns them into the typed conditions.
class Records {
  public:
    Records(std::initializer_list<std::initializer_list<int>> records = {}) {
        for (const auto& record : records) add(record);
    }
    void add(std::initializer_list<int> record) { rows.emplace_back(record); }
    const std::vector<std::vector<int>>& operator*() const { return rows; }

  private:
    std::vector<std::vector<int>> rows;
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

// Every condition list a BaseOperator takes, empty unless a test fills it. An input flag of 1
// marks a projection input.
struct Conditions {
    int inputCount = 0;
    Records varEq, eqCon, eqJoin, var, givenVar, bindings;
    clib_list<int> constantPositions, keyColumns, inputFlags;
    clib_list<FSymbol> constantSymbols, variables;
    set<int> columnSet, excludedInputs;
};

inline PatternSpec toPattern(const Conditions& c) {
    PatternSpec p;
    p.inputCount = c.inputCount;
    for (const auto& r : *c.varEq) p.equalColumns.push_back({r.at(0), r.at(1)});
    for (const auto& r : *c.eqCon) p.columnsMeetInputs.push_back({r.at(0), r.at(1), r.at(2)});
    for (const auto& r : *c.eqJoin) p.inputJoins.push_back({r.at(0), r.at(1), r.at(2), r.at(3)});
    for (const auto& r : *c.var) p.columnCells.push_back({r.at(0), r.at(1)});
    for (const auto& r : *c.givenVar) p.inputCells.push_back({r.at(0), r.at(1), r.at(2)});
    for (const auto& r : *c.bindings) p.inputBindings.push_back({r.at(0), r.at(1), r.at(2)});
    auto symbol = c.constantSymbols.begin();
    for (int position : c.constantPositions) {
        if (symbol == c.constantSymbols.end()) break;
        p.constants.push_back({position, *symbol});
        ++symbol;
    }
    for (int key : c.keyColumns) p.keyColumns.push_back(key);
    p.variables = c.variables;
    for (int column : c.columnSet) p.freeColumns.insert(column);
    for (int input : c.excludedInputs) p.excludedInputs.insert(input);
    for (int flag : c.inputFlags)
        p.inputRoles.push_back(flag != 0 ? PatternSpec::InputRole::Projection
                                         : PatternSpec::InputRole::Rows);
    return p;
}

// Every (key, row) of an operand in iteration order; an Operand2 gives its names as keys with
// empty rows, a TupleSetOperand its rows as keys' rows under UndefinedObject.
inline std::vector<KeyedRow> contents(Operand* operand) {
    std::vector<KeyedRow> out;
    if (operand == nullptr) return out;
    const Ref<Iterator> keys = operand->makeIterator({});
    if (operand->isA("TupleSetOperand")) {
        for (bool more = keys->first(); more; more = keys->next()) {
            Row row;
            for (int c = 1; c <= keys->columns(); ++c) row.push_back(keys->atColumn(c));
            out.emplace_back(undef(), row);
        }
        return out;
    }
    Ref<Iterator> group;
    for (bool more = keys->first(); more; more = keys->next()) {
        InternalName key = keys->atColumn(1);
        if (operand->isA("Operand2")) {
            out.emplace_back(key, Row{});
            continue;
        }
        group = operand->makeGroupIterator(key, std::move(group));
        for (bool row = group && group->first(); row; row = group->next()) {
            Row cells;
            for (int c = 1; c <= group->columns(); ++c) cells.push_back(group->atColumn(c));
            out.emplace_back(key, cells);
        }
    }
    return out;
}

// A SetOperand over the columns holding the given keyed rows.
inline SetOperand* setOperand(const clib_list<FSymbol>& columns,
                              const std::vector<KeyedRow>& rows) {
    auto* operand = new SetOperand(columns);
    for (const auto& [key, row] : rows) operand->insert(key, row.data());
    return operand;
}

// A fresh object base behind a TestAccess for every test; reports go to a captured error
// channel.
class AlgebraTest : public ::testing::Test {
  protected:
    void SetUp() override {
        omOwner = Ref<MainMemOM>::make();
        om = omOwner.get();
        accessOwner = Ref<TestAccess>::make(om);
        access = accessOwner.get();
        centralErrorHandler().setKeepMostSerious(0);
        x = variable("X");
        y = variable("Y");
        z = variable("Z");
        w = variable("W");
    }
    void TearDown() override {
        accessOwner.reset();
        omOwner.reset();
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
    // The fixture holds the base and the layer; the tests borrow them through the plain pointers.
    Ref<MainMemOM> omOwner;
    Ref<TestAccess> accessOwner;
    MainMemOM* om = nullptr;
    TestAccess* access = nullptr;
    FSymbol x, y, z, w;
};

}  // namespace compile_test

#include "compile/IdMapper.h"
#include "compile/Isa.h"
#include "compile/Merge.h"
#include "compile/Minus.h"

namespace compile_test {

inline Isa* makeIsa(IsaRelation relation, const Conditions& c) {
    IsaRelationSpec spec{2, relation, toPattern(c)};
    return new Isa(spec);
}
inline IdMapper* makeIdMapper(int arity, const InternalName& function, const Conditions& c) {
    IdMapperSpec spec{arity, function, toPattern(c)};
    return new IdMapper(spec);
}
// A Merge of two inputs, both keyed on their first columns and read as rows, planned for inputs
// with the given columns, keyed rows unless `keyedRows` is false.
inline Merge* makeJoin(Records givenVar, Records eqJoin, const clib_list<FSymbol>& variables,
                       const clib_list<FSymbol>& leftColumns,
                       const clib_list<FSymbol>& rightColumns, Records bindings = Records(),
                       bool keyedRows = true) {
    Conditions c;
    c.inputCount = 2;
    c.givenVar = std::move(givenVar);
    c.eqJoin = std::move(eqJoin);
    c.keyColumns = ints({1, 2});
    c.bindings = std::move(bindings);
    c.inputFlags = ints({0, 0});
    c.variables = variables;
    JoinSpec spec;
    spec.pattern = toPattern(c);
    spec.strategy = JoinSpec::choose(leftColumns, rightColumns, variables, keyedRows, spec.shared);
    return new Merge(spec);
}

// A negation of these columns. (The operator's description is a parameter: a braced struct
// inside a new-expression is not destroyed by some compilers.)
inline Minus* makeMinus(MinusSpec spec) {
    return new Minus(spec);
}

// Evaluates an operator on the given inputs (none when empty), traced when `traced`.
inline Ref<Operand> run(Operator* op, std::initializer_list<Operand*> inputs, OMAccess* access,
                        bool traced = false) {
    clib_list<Operand*> list;
    for (Operand* input : inputs) list.append(input);
    OperatorTrace tracing;
    tracing.on = traced;
    return op->evaluate(&list, access, tracing);
}

}  // namespace compile_test
