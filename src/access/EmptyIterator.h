// EmptyIterator: the iterator without rows.
#pragma once

#include <string>

#include "objectbase/Iterator.h"

class EmptyIterator : public Iterator {
  public:
    EmptyIterator() = default;

    bool first() override { return false; }
    bool next() override { return false; }
    InternalName atColumn(int) override { return InternalName::UndefinedObject; }
    int columns() override { return 0; }
    bool isA(const std::string& className) const override { return className == "EmptyIterator"; }

  protected:
    ~EmptyIterator() override = default;
};
