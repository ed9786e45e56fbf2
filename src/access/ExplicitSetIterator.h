// ExplicitSetIterator: one column over a set of names that the caller computed and keeps.
#pragma once

#include <string>
#include <utility>

#include "foundation/set.h"
#include "objectbase/Iterator.h"

class ExplicitSetIterator : public Iterator {
  public:
    // The set must outlive the iterator and must not change while it is walked.
    explicit ExplicitSetIterator(set<InternalName>* names) : names(names) {}

    bool first() override;
    bool next() override;
    // The current member for column 1; UndefinedObject otherwise, without a report.
    InternalName atColumn(int col) override;
    int columns() override { return 1; }
    bool isA(const std::string& className) const override {
        return className == "ExplicitSetIterator";
    }

  protected:
    ~ExplicitSetIterator() override = default;

  private:
    using Item = decltype(std::declval<set<InternalName>&>().first_item());

    set<InternalName>* names;
    Item current{};
};
