// The signature iterators: atoms C[m@(A1..An) => R] (types 6 "=>", 7 "=>>", 8 "@=>>") answered
// with inherited signatures, generalised result types and specialised argument types.
#pragma once

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"

class OMAccess;

// An iterator that reads the object base through an access layer (not held) and has a fixed
// number of columns.
class EnhMatchIterator : public Iterator {
  public:
    int columns() override { return columnCount; }

  protected:
    EnhMatchIterator(OMAccess* access, int columnCount)
        : access(access), columnCount(columnCount) {}
    ~EnhMatchIterator() override = default;

    OMAccess* access;
    std::int32_t columnCount;
    bool started = false;
};

// Rows are [class, method, arg type 1 .. arg type n, result type] (width n + 3); free pattern
// cells are UndefinedObject. The pattern is copied.
class EnhSigIter : public EnhMatchIterator {
  protected:
    EnhSigIter(MethodType methodType, const InternalName* pattern, int width, OMAccess* access);
    ~EnhSigIter() override = default;

    // Reports the family's InvaliddUse 6/109 and answers UndefinedObject.
    static InternalName invalidUse();
    // Reports "Couldn't get Iterator" 6/105.
    static void reportNoIterator();
    static bool isBound(const InternalName& name) { return name != InternalName::UndefinedObject; }
    const InternalName& cell(int col) const { return pattern[static_cast<std::size_t>(col - 1)]; }

    bool positioned = false;
    MethodType methodType;
    std::vector<InternalName> pattern;
};

// Class bound: the signatures stored at the class or at one of its superclasses that agree with
// the bound cells; a row shows the stored types (a result set by its set name).
class BasicLeftSigIter : public EnhSigIter {
  public:
    BasicLeftSigIter(MethodType methodType, const InternalName* pattern, int width,
                     OMAccess* access);

    // Every first() collects the signatures afresh, so a walk can be repeated.
    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    bool isA(const std::string& className) const override {
        return className == "BasicLeftSigIter";
    }

    virtual void collectSignatures();
    // The next row of the signature iterators that matches; false at the end.
    virtual bool advance();
    virtual bool matchRow();
    // a :: b along the hierarchy (reflexive); IllegalCall 6/106 for a free argument.
    virtual bool isSubclassOf(InternalName a, InternalName b);

  protected:
    ~BasicLeftSigIter() override = default;

  private:
    void releaseSignatures();

    bool valid = true;
    bool collected = false;
    std::vector<Ref<Iterator>> signatures;
    std::size_t currentIndex = 0;
    Iterator* current = nullptr;
    bool more = false;
    Ref<Iterator> members;
};

// Class bound: the rows of BasicLeftSigIter with every free argument column standing for the
// declared type and the free result column running over the declared result types (each member
// of a declared set) and all their superclasses; each row once.
class EnhLeftSigIter : public EnhSigIter {
  public:
    EnhLeftSigIter(MethodType methodType, const InternalName* pattern, int width, OMAccess* access);

    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    bool isA(const std::string& className) const override { return className == "EnhLeftSigIter"; }

    virtual void open();
    virtual void release();
    // The odometer: column 3 turns fastest, the result column slowest.
    virtual bool advanceColumn(int column);
    // The column iterators of the inner iterator's current signature; false (all closed) when
    // one cannot be had.
    virtual bool openColumns();
    virtual void closeColumns();
    // True when the current row has not been handed out before (it is then remembered).
    virtual bool recordRow();

  protected:
    ~EnhLeftSigIter() override;

  private:
    InternalName rowCell(int col);
    // The next new row from the current one on, moving to later signatures as needed.
    bool seekRow();
    void forgetRows();

    Ref<BasicLeftSigIter> inner;
    std::vector<Ref<Iterator>> columnIters;
    // The rows answered since the last first(), cells 1 to columnCount.
    std::set<std::vector<InternalName>> produced;
    Ref<Iterator> members;
};

// Class free: every object of the base as a class candidate, each answered by an EnhLeftSigIter.
class EnhRightSigIter : public EnhSigIter {
  public:
    EnhRightSigIter(MethodType methodType, const InternalName* pattern, int width,
                    OMAccess* access);

    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    bool isA(const std::string& className) const override { return className == "EnhRightSigIter"; }

    virtual void open();
    virtual void release();
    virtual void reinitialize(MethodType methodType, const InternalName* pattern, int width,
                              OMAccess* access);

  protected:
    ~EnhRightSigIter() override;

  private:
    // From the candidates iterator's current object on, the first class that has a row.
    bool seekCandidate();

    bool valid = true;
    Ref<Iterator> candidates;
    Ref<EnhLeftSigIter> inner;
};
