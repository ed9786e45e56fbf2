// Tests of the operands: set semantics, order, printed forms, groups and iterator reuse.
#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <vector>

#include "compile/CompileTestSupport.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"

namespace compile_test {
namespace {

using OperandTest = AlgebraTest;

TEST_F(OperandTest, RowsAreCopiedKeptOnceAndReadInAscendingOrder) {
    auto op = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    InternalName cells[2] = {integer(5), integer(1)};
    EXPECT_TRUE(op->insert(integer(2), cells));
    cells[1] = integer(0);  // the stored row keeps its own copy
    EXPECT_TRUE(op->insert(integer(2), cells));
    cells[1] = integer(1);
    EXPECT_FALSE(op->insert(integer(2), cells));
    InternalName low[2] = {integer(-3), floatName(3.0f)};
    InternalName three[2] = {integer(-3), integer(3)};
    EXPECT_TRUE(op->insert(integer(1), low));
    EXPECT_TRUE(op->insert(integer(1), three));  // the integer 3 is not the float 3.0
    EXPECT_EQ(contents(op.get()),
              (std::vector<KeyedRow>{{integer(1), {integer(-3), integer(3)}},
                                     {integer(1), {integer(-3), floatName(3.0f)}},
                                     {integer(2), {integer(5), integer(0)}},
                                     {integer(2), {integer(5), integer(1)}}}));
    EXPECT_EQ(op->groupSize(integer(2)), 2);
    EXPECT_FALSE(op->contains(integer(7)));

    auto tuples = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x, y})));
    for (int v : {4, 2, 4, 9, 2}) {
        InternalName row[2] = {integer(v), integer(v % 3)};
        tuples->insert(row);
    }
    EXPECT_EQ(contents(tuples.get()), (std::vector<KeyedRow>{{undef(), {integer(2), integer(2)}},
                                                             {undef(), {integer(4), integer(1)}},
                                                             {undef(), {integer(9), integer(0)}}}));

    auto names = Ref<Operand2>::adopt(new Operand2());
    for (int v : {7, -1, 7, 3}) names->insert(integer(v));
    EXPECT_EQ(contents(names.get()),
              (std::vector<KeyedRow>{{integer(-1), {}}, {integer(3), {}}, {integer(7), {}}}));
}

TEST_F(OperandTest, ScanGivesEveryOperandsRowsAsItsIteratorsDo) {
    // A plain set of rows gives them in ascending order under no key, as its iterator walks them;
    // in any other order each of them once.
    auto tuples = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x, y})));
    for (int v : {4, 2, 4, 9, 2}) {
        InternalName row[2] = {integer(v), integer(v % 3)};
        tuples->insert(row);
    }
    for (RowOrder order :
         {RowOrder::Ordered, RowOrder::Unordered, RowOrder::Distinct, RowOrder::Repeating}) {
        std::vector<KeyedRow> read;
        scan(tuples.get(), order, [&](const RowView& row) {
            read.emplace_back(row.key, Row(row.cells, row.cells + row.width));
        });
        if (order != RowOrder::Ordered) std::sort(read.begin(), read.end());
        EXPECT_EQ(read, contents(tuples.get()));
    }
    // A reader that wants no more stops the walk.
    int visits = 0;
    scan(tuples.get(), RowOrder::Ordered, [&](const RowView&) { return ++visits < 2; });
    EXPECT_EQ(visits, 2);
    // An Operand2's names are keys without rows.
    auto names = Ref<Operand2>::adopt(new Operand2());
    names->insert(integer(1));
    scan(names.get(), RowOrder::Ordered, [](const RowView&) { ADD_FAILURE(); });
}

TEST_F(OperandTest, ManyRowsOutOfOrderStayUniqueAndSorted) {
    auto op = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x, y})));
    std::set<std::pair<int, int>> expected;
    for (int i = 0; i < 5000; ++i) {
        int a = (i * 7919) % 701;
        int b = (i * 104729) % 3;
        InternalName row[2] = {integer(a), integer(b)};
        EXPECT_EQ(op->insert(row), expected.insert({a, b}).second);
    }
    std::vector<KeyedRow> want;
    for (auto [a, b] : expected) want.push_back({undef(), {integer(a), integer(b)}});
    EXPECT_EQ(contents(op.get()), want);
}

TEST_F(OperandTest, RowsAddedAsDistinctReadLikeInsertedOnes) {
    // The same distinct rows, out of order, once through the probing insert and once added as
    // known distinct; then probes and inserts follow the additions. Both read alike, in order
    // and as groups, and stay sets.
    auto inserted = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    auto added = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    for (int i = 0; i < 2000; ++i) {
        InternalName row[2] = {integer((i * 7919) % 1009), integer(i % 2)};
        EXPECT_TRUE(inserted->insert(undef(), row));
        added->insertDistinct(undef(), row);
    }
    EXPECT_FALSE(added->keyed());
    EXPECT_EQ(added->size(), 1);
    EXPECT_EQ(added->groupSize(undef()), 2000);
    EXPECT_TRUE(added->contains(undef()));
    EXPECT_EQ(contents(added.get()), contents(inserted.get()));
    InternalName again[2] = {integer(7919 % 1009), integer(1)};
    EXPECT_FALSE(added->insert(undef(), again));
    InternalName fresh[2] = {integer(5000), integer(0)};
    EXPECT_TRUE(added->insert(undef(), fresh));
    EXPECT_TRUE(inserted->insert(undef(), fresh));
    EXPECT_EQ(contents(added.get()), contents(inserted.get()));
    added->insertDistinct(integer(3), fresh);
    EXPECT_TRUE(added->keyed());
    EXPECT_EQ(added->size(), 2);
    EXPECT_EQ(added->groupSize(integer(3)), 1);
}

TEST_F(OperandTest, CellsAreDistinctWhenEveryKeyIsOneOfItsRowsCells) {
    // Keyed by the first cell, as a method literal keys its rows by the host: the same cells
    // never stand under two keys.
    auto byCell = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    for (int i = 0; i < 6; ++i) {
        InternalName row[2] = {integer(i % 3), integer(i)};
        byCell->insert(integer(i % 3), row);
    }
    EXPECT_TRUE(byCell->keyed());
    EXPECT_TRUE(byCell->cellsDistinct());
    // One row keyed otherwise: its cells may repeat another row's.
    InternalName repeated[2] = {integer(0), integer(0)};
    EXPECT_TRUE(byCell->insert(integer(7), repeated));
    EXPECT_FALSE(byCell->cellsDistinct());

    // The key is the second cell of the first row only.
    auto bySecond = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    InternalName first[2] = {integer(1), integer(2)};
    bySecond->insertDistinct(integer(2), first);
    EXPECT_TRUE(bySecond->cellsDistinct());
    bySecond->insertDistinct(integer(1), first);
    EXPECT_FALSE(bySecond->cellsDistinct());

    // Unkeyed rows are distinct; one keyed row among them may repeat their cells.
    auto mixed = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    mixed->insert(undef(), first);
    EXPECT_TRUE(mixed->cellsDistinct());
    mixed->insert(integer(1), first);
    EXPECT_FALSE(mixed->cellsDistinct());
}

TEST_F(OperandTest, RowsOfASourceAreMadeWhenReadAndStoredOnceWhenLookedAt) {
    // A source that gives each of its rows twice and counts its runs.
    struct Twice : RowSource {
        std::vector<std::vector<InternalName>> rows;
        int* runs;
        void produce(const RowSink& emit) override {
            ++*runs;
            for (int pass = 0; pass < 2; ++pass)
                for (const auto& row : rows)
                    if (!emit(row.data())) return;
        }
    };
    int runs = 0;
    auto make = [&](std::vector<std::vector<InternalName>> rows) {
        auto source = std::make_unique<Twice>();
        source->rows = std::move(rows);
        source->runs = &runs;
        auto* op = new SetOperand(symbols({x, y}));
        op->defer(std::move(source));
        return op;
    };
    auto none = Ref<SetOperand>::adopt(make({}));
    EXPECT_TRUE(none->isEmpty());
    auto op = Ref<SetOperand>::adopt(make({{integer(3), integer(1)}, {integer(1), integer(2)}}));
    EXPECT_FALSE(op->isEmpty());
    EXPECT_FALSE(op->keyed());
    std::vector<std::vector<InternalName>> repeating;
    scan(op.get(), RowOrder::Repeating, [&](const RowView& row) {
        ASSERT_EQ(row.width, 2);
        repeating.push_back({row.cells[0], row.cells[1]});
    });
    EXPECT_EQ(repeating.size(), 4u);
    runs = 0;
    // Any other reader finds the rows stored once, in ascending order, and the source is not
    // asked again.
    EXPECT_EQ(contents(op.get()), (std::vector<KeyedRow>{{undef(), {integer(1), integer(2)}},
                                                         {undef(), {integer(3), integer(1)}}}));
    EXPECT_EQ(op->groupSize(undef()), 2);
    EXPECT_EQ(runs, 1);
    std::vector<std::vector<InternalName>> stored;
    scan(op.get(), RowOrder::Repeating, [&](const RowView& row) {
        stored.push_back({row.cells[0], row.cells[1]});
    });
    EXPECT_EQ(stored, (std::vector<std::vector<InternalName>>{{integer(3), integer(1)},
                                                              {integer(1), integer(2)}}));
    EXPECT_EQ(runs, 1);
}

TEST_F(OperandTest, RowsReadAsCellsInAnyOrderAreTheRowsOfTheIterators) {
    auto op = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    for (int i = 0; i < 3000; ++i) {
        InternalName row[2] = {integer((i * 7919) % 211), integer((i * 104729) % 5)};
        op->insert(integer((i * 31) % 7), row);
    }
    std::vector<std::vector<InternalName>> walked;
    for (const KeyedRow& row : contents(op.get())) walked.push_back(row.second);
    for (RowOrder order :
         {RowOrder::Ordered, RowOrder::Unordered, RowOrder::Distinct, RowOrder::Repeating}) {
        std::vector<std::vector<InternalName>> read;
        scan(op.get(), order, [&](const RowView& row) {
            ASSERT_EQ(row.width, 2);
            read.push_back({row.cells[0], row.cells[1]});
        });
        if (order != RowOrder::Ordered) {
            std::multiset<std::vector<InternalName>> a(walked.begin(), walked.end());
            std::multiset<std::vector<InternalName>> b(read.begin(), read.end());
            EXPECT_EQ(a, b);
        } else {
            EXPECT_EQ(read, walked);
        }
    }
}

TEST_F(OperandTest, PrintedForms) {
    ChannelCapture out(debugChannel());
    auto emptyNames = Ref<Operand2>::adopt(new Operand2());
    auto emptySet = Ref<SetOperand>::adopt(new SetOperand(symbols({x})));
    auto emptyRows = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x})));
    emptyNames->print(debugChannel());
    emptySet->print(debugChannel());
    emptyRows->print(debugChannel());
    emptySet->printLexical(debugChannel(), access);
    EXPECT_EQ(out.text(), "Operand is emptyOperand is emptyOperand is emptyOperand is empty");

    out.clear();
    auto op = Ref<SetOperand>::adopt(new SetOperand(symbols({x, y})));
    InternalName a = object("a");
    InternalName row[2] = {a, integer(7)};
    op->insert(undef(), row);
    op->insert(a, row);
    op->print(debugChannel());
    const std::string xs = x.ToString() + "/";
    const std::string ys = y.ToString() + "/";
    const std::string ids = "   " + xs + a.ToString() + "  " + ys + "i7  \n\n";
    EXPECT_EQ(out.text(), "true\n" + ids + a.ToString() + "\n" + ids + "\n");

    out.clear();
    op->printLexical(debugChannel(), access);
    const std::string lex = "   " + xs + "a  " + ys + "7  \n\n";
    EXPECT_EQ(out.text(), "true\n" + lex + "a\n" + lex + "\n");

    out.clear();
    auto tuples = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x, y})));
    tuples->insert(row);
    tuples->printLexical(debugChannel(), access);
    EXPECT_EQ(out.text(), xs + "a  " + ys + "7  \n");

    // Rows without columns: the key column does not exist, so each row prints as "true".
    out.clear();
    errors.clear();
    auto truth = Ref<TupleSetOperand>::adopt(new TupleSetOperand(clib_list<FSymbol>()));
    truth->insert(nullptr);
    truth->print(debugChannel());
    EXPECT_EQ(out.text(), "true\n\n\n");
    EXPECT_NE(errors.text().find("InvalidUse"), std::string::npos);
}

TEST_F(OperandTest, GroupsAndIteratorReuse) {
    auto op = Ref<SetOperand>::adopt(new SetOperand(symbols({x})));
    InternalName cells[1] = {integer(1)};
    op->insert(integer(5), cells);

    Ref<Iterator> keys = op->makeIterator({});
    ASSERT_TRUE(keys->first());
    // The same iterator comes back, unpositioned.
    Iterator* const keyWalk = keys.get();
    keys = op->makeIterator(std::move(keys));
    EXPECT_EQ(keys.get(), keyWalk);
    EXPECT_EQ(keys->atColumn(1), undef());

    Ref<Iterator> group = op->makeGroupIterator(integer(5), {});
    ASSERT_TRUE(group);
    Iterator* const groupWalk = group.get();
    group = op->makeGroupIterator(integer(5), std::move(group));
    EXPECT_EQ(group.get(), groupWalk);
    // An absent key gives null and releases the old iterator.
    group = op->makeGroupIterator(integer(6), std::move(group));
    EXPECT_FALSE(group);

    // An iterator of another kind is released and replaced.
    Ref<Iterator> other = op->makeGroupIterator(integer(5), std::move(keys));
    ASSERT_TRUE(other);
    auto rows = Ref<TupleSetOperand>::adopt(new TupleSetOperand(symbols({x})));
    Ref<Iterator> empty = rows->makeGroupIterator(integer(5), std::move(other));
    EXPECT_FALSE(empty->first());
    Iterator* const emptyWalk = empty.get();
    empty = rows->makeGroupIterator(integer(1), std::move(empty));
    EXPECT_EQ(empty.get(), emptyWalk);

    errors.clear();
    const Ref<Iterator> walk = rows->makeIterator({});
    EXPECT_EQ(walk->atColumn(1), undef());  // before first
    EXPECT_NE(errors.text().find("InvalidUse"), std::string::npos);
}

}  // namespace
}  // namespace compile_test
