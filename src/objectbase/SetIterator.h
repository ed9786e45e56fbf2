// SetIterator: a one-column iterator over a set of names (or a set frame's members) that someone
// else owns.
#pragma once

#include <cstddef>
#include <string>
#include <utility>

#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MemberSet.h"

class SetIterator : public Iterator {
  public:
    // The set may be null (no rows); it must outlive the iterator and must not change while it
    // is walked. The iterator starts unpositioned.
    explicit SetIterator(set<InternalName>* names);
    // The same over a set frame's members, in ascending order.
    explicit SetIterator(const MemberSet& members);

    // Re-targets the iterator to another set (or none); it is left unpositioned.
    virtual void reset(set<InternalName>* names);
    virtual void reset(const MemberSet& members);

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

    // One of the two is walked (or neither).
    set<InternalName>* names = nullptr;
    const MemberSet* members = nullptr;
    bool positioned = false;
    Item current{};
    // For a set frame: the position and the member it held when the walk reached it.
    std::size_t index = 0;
    InternalName member;
};
