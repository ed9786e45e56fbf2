// BigIterator: the concatenation of iterators, each handed out in the order it was added.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "objectbase/Iterator.h"

// Only iterators that have a row join, so moving on to the next member never meets an empty
// one. Members belong to the BigIterator once added and are released with it.
class BigIterator : public Iterator {
  public:
    BigIterator() = default;

    bool first() override;
    bool next() override;
    InternalName atColumn(int col) override;
    int columns() override;
    bool isA(const std::string& className) const override { return className == "BigIterator"; }

    // Appends sub when it has a row (it is then positioned on it) and answers true; refuses (false)
    // a null iterator, one without rows (it stays the caller's) and any after the first first().
    virtual bool add(Iterator* sub);

  protected:
    ~BigIterator() override = default;

  private:
    std::vector<Ref<Iterator>> subs;
    bool started = false;
    std::size_t currentIndex = 0;
    Iterator* current = nullptr;
};
