// The description iterators: the method entries of one object (HostSpecDescIter) or of every
// object (UnSpecDescIter) as rows [host, method, argument count, arrow].
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"

class OMAccess;

// The filters: a bound method, an argument count other than -1 and a given method type keep only
// the entries that agree. The export handlers build these iterators directly.
class DescIter : public Iterator {
  public:
    bool next() override;
    // 1 the host, 2 the method, 3 the argument count (an integer), 4 the arrow object; InvalidUse
    // 6/6 and UndefinedObject when not positioned or out of range.
    InternalName atColumn(int col) override;
    int columns() override { return 4; }
    bool isA(const std::string& className) const override { return className == "DescIter"; }

    // The value the current entry stores: the value or set of a method without arguments, the
    // table of rows of one with arguments. Undefined when not positioned.
    InternalName storedValue() {
        return positioned ? entries->atColumn(2) : InternalName::UndefinedObject;
    }

    // Whether the current entry passes the filters.
    virtual bool matches();
    // Replaces the filters; the iterator is left unpositioned.
    virtual void reinitialize(const InternalName& host, const InternalName& method, int arity,
                              std::optional<MethodType> methodType, OMAccess* access);
    // The next entry that matches; false at the end.
    virtual bool advance() = 0;

  protected:
    DescIter(const InternalName& host, const InternalName& method, int arity,
             std::optional<MethodType> methodType, OMAccess* access);
    ~DescIter() override;

    // Opens the host's entries, re-targeting the entry iterator of the previous host; true when
    // there is a first one.
    bool openEntries();
    void releaseEntries();

    InternalName host;
    InternalName method;
    std::int32_t arity;
    std::optional<MethodType> methodType;
    OMAccess* access;
    bool positioned = false;
    // The current host's entries [method, stored value, argument count, arrow]; owned, and kept
    // from host to host.
    Ref<Iterator> entries;
};

// The entries of one bound host.
class HostSpecDescIter : public DescIter {
  public:
    HostSpecDescIter(const InternalName& host, const InternalName& method, int arity,
                     std::optional<MethodType> methodType, OMAccess* access);

    // InvalidInit 6/9 and false with a free host or without an access layer.
    bool first() override;
    bool advance() override;

  protected:
    ~HostSpecDescIter() override = default;
};

// The entries of every object, hosts in the order of the object names.
class UnSpecDescIter : public DescIter {
  public:
    UnSpecDescIter(const InternalName& host, const InternalName& method, int arity,
                   std::optional<MethodType> methodType, OMAccess* access);

    // InvalidInit 6/9 and false without an access layer.
    bool first() override;
    bool advance() override;
    // Moves to the next host that has entries; false when there is none.
    virtual bool nextHost();

  protected:
    ~UnSpecDescIter() override = default;

  private:
    Ref<Iterator> hosts;
};
