// The iterators operands hand out: over the rows of a group (the tuple-set word), over the
// names of an Operand2 (the set word) and over the keys of a SetOperand (DicIterator).
#pragma once

#include <cstdint>
#include <string>

#include "compile/RowStore.h"
#include "objectbase/Iterator.h"

// The walk in ascending order over the rows of a RowStore owned by an operand: all of them, or
// the ranks [begin, end) of one group, whose shared first cell (the key) is skipped. The store
// may be null (no rows). Re-targeting leaves the walk unpositioned.
class RowStoreIterator : public Iterator {
  public:
    // The whole store.
    void reset(const RowStore* newStore, int newWidth) { reset(newStore, newWidth, 0, -1, 0); }
    // Ranks [begin, end) of the store (end -1: up to the last row), cells from `offset` on.
    void reset(const RowStore* newStore, int newWidth, int newBegin, int newEnd, int newOffset) {
        store = newStore;
        width = newWidth;
        begin = newBegin;
        end = newEnd;
        offset = newOffset;
        positioned = false;
    }

    bool first() override {
        rank = begin;
        return positioned = store != nullptr && rank < limit();
    }
    bool next() override {
        if (store == nullptr || !positioned) return positioned = false;
        return positioned = ++rank < limit();
    }
    int columns() override { return width; }

  protected:
    RowStoreIterator(const RowStore* store, int width, int begin = 0, int end = -1, int offset = 0)
        : store(store), width(width), begin(begin), end(end), offset(offset) {}
    ~RowStoreIterator() override = default;

    bool valid(int col) const { return store != nullptr && positioned && col >= 1 && col <= width; }
    InternalName cell(int col) const { return store->rowAtRank(rank)[offset + col - 1]; }

  private:
    int limit() const { return end < 0 ? store->size() : end; }

    const RowStore* store;
    std::int32_t width;
    std::int32_t begin;
    std::int32_t end;
    std::int32_t offset;
    bool positioned = false;
    std::int32_t rank = 0;
};

// The rows of a TupleSetOperand or of one SetOperand group; answers to "TupleSetIterator" and
// reports a column out of range like the object base's tuple-set iterator.
class OperandRowIterator : public RowStoreIterator {
  public:
    OperandRowIterator(const RowStore* rows, int width, int begin = 0, int end = -1, int offset = 0)
        : RowStoreIterator(rows, width, begin, end, offset) {}
    InternalName atColumn(int col) override;
    bool isA(const std::string& className) const override {
        return className == "TupleSetIterator";
    }

  protected:
    ~OperandRowIterator() override = default;
};

// The names of an Operand2, one column; answers to "SetIterator" like the object base's set
// iterator and reports a wrong column the same way.
class OperandNameIterator : public RowStoreIterator {
  public:
    explicit OperandNameIterator(const RowStore* names) : RowStoreIterator(names, 1) {}
    InternalName atColumn(int col) override;
    bool isA(const std::string& className) const override { return className == "SetIterator"; }

  protected:
    ~OperandNameIterator() override = default;
};

// The keys of a SetOperand in ascending order, one column: the first cells of the groups of
// its row store. Any other column, or an unpositioned iterator, gives UndefinedObject without a
// report.
class DicIterator : public Iterator {
  public:
    explicit DicIterator(const RowStore* rows) : rows(rows) {}
    void reset(const RowStore* newRows) {
        rows = newRows;
        positioned = false;
    }
    bool first() override {
        group = 0;
        return positioned = rows != nullptr && group < rows->groupCount();
    }
    bool next() override {
        if (rows == nullptr || !positioned) return positioned = false;
        return positioned = ++group < rows->groupCount();
    }
    InternalName atColumn(int col) override {
        return positioned && col == 1 ? rows->groupKey(group) : InternalName::UndefinedObject;
    }
    int columns() override { return 1; }
    bool isA(const std::string& className) const override { return className == "DicIterator"; }

  protected:
    ~DicIterator() override = default;

  private:
    const RowStore* rows;
    bool positioned = false;
    std::int32_t group = 0;
};
