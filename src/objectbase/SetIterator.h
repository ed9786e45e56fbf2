// SetIterator: a one-column iterator over a set of names that someone else owns.
#pragma once

#include <string>
#include <utility>

#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"

class SetIterator : public Iterator {
  public:
    // The set may be null (no rows); it must outlive the iterator and must not change while it
    // is walked. The iterator starts unpositioned.
    explicit SetIterator(set<InternalName>* names);

    // Re-targets the iterator to another set (or none); it is left unpositioned.
    virtual void reset(set<InternalName>* names);

    bool first() override;
    bool next() override;
    // The current member for column 1; any other column, and an unpositioned iterator, is an
    // invalid use that is reported and answered with UndefinedObject.
    InternalName atColumn(int col) override;
    int columns() override { return 1; }
    bool isA(const std::string& className) const override;

  protected:
    ~SetIterator() override = default;

  private:
    using Item = decltype(std::declval<set<InternalName>&>().first_item());

    set<InternalName>* names;
    bool positioned = false;
    Item current{};
};
