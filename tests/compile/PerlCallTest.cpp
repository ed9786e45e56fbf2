// Tests of the "perl" predicate: conversions of the values read back, bound outputs, partial
// and duplicate rows, nil as first output, and inputs that reach @in as data.
#include <gtest/gtest.h>

#include <algorithm>

#include "compile/ValueOperatorSupport.h"

namespace compile_test {
namespace {

class PerlCallTest : public ValueOperatorTest {
  protected:
    // perl(Code, [inputs], [outputs]) with the inputs from one row of a passed operand and
    // the outputs free unless `bound` names a constant for them: the rows of the free outputs.
    std::vector<KeyedRow> call(const std::string& code, const Row& inputs, int outputs,
                               const std::vector<std::pair<int, FSymbol>>& bound = {}) {
        const int k = 1 + int(inputs.size());
        Conditions c;
        c.constantPositions.append(1);
        c.constantSymbols.append(stringSymbol(code));
        for (const auto& [output, symbol] : bound) {
            c.constantPositions.append(k + output + 1);
            c.constantSymbols.append(symbol);
        }
        int cell = 0;
        for (int j = 0; j < outputs; ++j) {
            if (std::any_of(bound.begin(), bound.end(),
                            [j](const auto& b) { return b.first == j; }))
                continue;
            c.variables.append(variable("V" + std::to_string(j)));
            c.var.add({k + j + 1, cell++});
        }
        clib_list<FSymbol> columns;
        for (int i = 0; i < int(inputs.size()); ++i) {
            columns.append(variable("I" + std::to_string(i)));
            c.bindings.add({i + 1, 0, i + 1});
        }
        auto passed =
            Ref<TupleSetOperand>::adopt(inputs.empty() ? nullptr : new TupleSetOperand(columns));
        if (!inputs.empty()) {
            passed->insert(inputs.data());
            c.inputCount = 1;
            c.keyColumns = ints({0});
            c.inputFlags = ints({1});
        }
        auto pred = Ref<Pred>::adopt(makePred(k + outputs, builtin("perl", k + outputs), c, k));
        const Ref<Operand> result =
            inputs.empty() ? run(pred.get(), {}, access) : run(pred.get(), {passed.get()}, access);
        std::vector<KeyedRow> rows = contents(result.get());
        std::sort(rows.begin(), rows.end());
        return rows;
    }
    static std::vector<KeyedRow> sorted(std::vector<KeyedRow> rows) {
        std::sort(rows.begin(), rows.end());
        return rows;
    }
};

TEST_F(PerlCallTest, ValuesReadBackAsNumbersOrStrings) {
    EXPECT_EQ(call("@out = (3, 2.5, 'abc', '', '\"q\"', 3.14159265);", {}, 1),
              sorted({{undef(), {integer(3)}},
                      {undef(), {floatName(2.5f)}},
                      {undef(), {string("abc")}},
                      {undef(), {string("")}},
                      {undef(), {string("q")}},
                      {undef(), {string("3.14159265")}}}));
}

TEST_F(PerlCallTest, RowsAreFilteredCompleteAndDistinct) {
    // Two outputs: the partial last row is dropped, a repeated row appears once.
    const std::string code = "@out = (1, 'a', 2, 'b', 1, 'a', 3);";
    EXPECT_EQ(call(code, {}, 2),
              sorted({{undef(), {integer(1), string("a")}}, {undef(), {integer(2), string("b")}}}));
    // The second output bound to "b".
    EXPECT_EQ(call(code, {}, 2, {{1, stringSymbol("b")}}),
              (std::vector<KeyedRow>{{undef(), {integer(2)}}}));
    // Nil as first output: the call succeeds once whatever @out holds.
    EXPECT_EQ(call("@out = (1, 2, 3);", {}, 1, {{0, builtinSymbol::Nil}}),
              (std::vector<KeyedRow>{{undef(), {}}}));
    EXPECT_TRUE(call("@out = ();", {}, 1).empty());
    // Without an output position there is nothing to read.
    EXPECT_TRUE(call("@out = (1);", {}, 0).empty());
}

TEST_F(PerlCallTest, InputsReachInAsDataAndRunNothing) {
    const InternalName a = object("a");
    const Row inputs{integer(5),         floatName(2.5f),
                     string("x$x"),      string("@{[ $main::ran = 1 ]}"),
                     builtinObject::Nil, a};
    const std::string code =
        "$x = 'interpolated'; @out = (@in, defined $main::ran ? 'ran' : "
        "'safe', 100 + @in);";
    EXPECT_EQ(call(code, inputs, 1), sorted({{undef(), {integer(5)}},
                                             {undef(), {floatName(2.5f)}},
                                             {undef(), {string("x$x")}},
                                             {undef(), {string("@{[ $main::ran = 1 ]}")}},
                                             {undef(), {string("a")}},
                                             {undef(), {string("safe")}},
                                             {undef(), {integer(105)}}}));
}

}  // namespace
}  // namespace compile_test
