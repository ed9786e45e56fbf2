// DescIterWithResult: the descriptions of method entries with their values, as rows [host,
// method, argument count, arrow, result].
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"

class DescIter;
class OMAccess;

// The values of a description come from the lookup host[method@(free...) arrow free], so
// inheritance and signatures apply as the access layer is configured; a method with arguments
// gives one row per argument tuple and a set value one row per member. A bound result keeps only
// the rows with that result.
class DescIterWithResult : public Iterator {
  public:
    DescIterWithResult(const InternalName& host, const InternalName& method,
                       const InternalName& result, int arity, std::optional<MethodType> methodType,
                       OMAccess* access);

    // InvalidInit 6/9 and false without an access layer.
    bool first() override;
    bool next() override;
    // 1 to 4 the description, 5 the result; InvalidUse 6/6 and UndefinedObject when not
    // positioned or out of range.
    InternalName atColumn(int col) override;
    int columns() override { return 5; }
    bool isA(const std::string& className) const override {
        return className == "DescIterWithResult";
    }

    // The next row whose result matches; false at the end.
    virtual bool advance();
    // The next description that yields a value; false at the end of the descriptions.
    virtual bool nextDescription();
    // The next value of the current description (a non-empty set counts); false at its end.
    virtual bool nextValue();
    virtual bool resultMatches();

  protected:
    ~DescIterWithResult() override;

  private:
    // Looks up the values of the current description; true when it yields a first result.
    bool openValue();
    // Opens the members when the current value is a set name; true when there is a result.
    bool openMembers();
    void releaseValue();
    bool valueIsSet();
    InternalName currentResult();

    OMAccess* access;
    bool positioned = false;
    Ref<DescIter> inner;
    Ref<Iterator> values;
    Ref<Iterator> members;
    InternalName result;
    std::int32_t valueWidth = 0;
};
