// The iterators operands hand out: over the rows of a group (the tuple-set word), over the
// names of an Operand2 (the set word) and over the keys of a SetOperand (DicIterator).
#pragma once

#include <cstdint>
#include <string>

#include "compile/RowStore.h"
#include "objectbase/Iterator.h"

// The walk in ascending order over a RowStore owned by an operand; the store may be null (no
// rows). Re-targeting leaves the walk unpositioned.
class RowStoreIterator : public Iterator {
  public:
    void reset(const RowStore* newStore, int newWidth) {
        store = newStore;
        width = newWidth;
        positioned = false;
    }

    bool first() override {
        rank = 0;
        positioned = store != nullptr && store->size() > 0;
        if (positioned) current = store->indexAtRank(0);
        return positioned;
    }
    bool next() override {
        if (store == nullptr || !positioned) return positioned = false;
        positioned = ++rank < store->size();
        if (positioned) current = store->indexAtRank(rank);
        return positioned;
    }
    int columns() override { return width; }

  protected:
    RowStoreIterator(const RowStore* store, int width) : store(store), width(width) {}
    ~RowStoreIterator() override = default;

    bool valid(int col) const { return store != nullptr && positioned && col >= 1 && col <= width; }
    InternalName cell(int col) const { return store->row(current)[col - 1]; }

  private:
    const RowStore* store;
    std::int32_t width;
    bool positioned = false;
    std::int32_t rank = 0;
    std::int32_t current = 0;
};

// The rows of a TupleSetOperand or of one SetOperand group; answers to "TupleSetIterator" and
// reports a column out of range like the object base's tuple-set iterator.
class OperandRowIterator : public RowStoreIterator {
  public:
    OperandRowIterator(const RowStore* rows, int width) : RowStoreIterator(rows, width) {}
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

// The keys of a SetOperand in ascending order, one column. Any other column, or an unpositioned
// iterator, gives UndefinedObject without a report.
class DicIterator : public RowStoreIterator {
  public:
    explicit DicIterator(const RowStore* keys) : RowStoreIterator(keys, 1) {}
    InternalName atColumn(int col) override {
        return valid(col) && col == 1 ? cell(1) : InternalName::UndefinedObject;
    }
    bool isA(const std::string& className) const override { return className == "DicIterator"; }

  protected:
    ~DicIterator() override = default;
};
