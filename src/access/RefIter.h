// The RefIter family: iterators over the stored method applications host[method@(args) -> v]
// matching a pattern, chosen by which of host and method are bound.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "access/MatchIterator.h"
#include "objectbase/MethodType.h"
#include "objectbase/ObjectFrameView.h"
#include "objectbase/ParamFrameView.h"

class OM;

// Rows are [host, method, arg 1 .. arg n, result] (width n + 3); a set-valued method with a free
// result yields one row whose result is the set's name (kind 10). A pattern position is free when
// it is UndefinedObject. A pattern with method and every argument bound is answered by a direct
// lookup per host instead of a scan.
class RefIter : public MatchIterator {
  public:
    // The row after the current one; nothing when not positioned.
    bool next() override;
    InternalName atColumn(int col) override;
    int columns() override { return width; }

    // Takes another pattern, width, method type and object manager; the class stays. The
    // iterators held from the previous pattern are re-targeted by the next first().
    virtual void reinitialize(const InternalName* tuple, int width, MethodType methodType, OM* om);

  protected:
    RefIter(const InternalName* tuple, int width, MethodType methodType, OM* om);
    ~RefIter() override = default;

    // Whether the current entry of the current host (or, with arguments, its next parameter row)
    // matches; sets the current method and result.
    virtual bool matchEntry();
    // The next row of the current parameter frame from the current one on that agrees with the
    // bound arguments and result.
    virtual bool matchArguments();
    // Finds the start; false when there is no row.
    virtual bool initialize() = 0;
    // The next row from the current entry on; false when there is none.
    virtual bool seek() = 0;

    // Whether a stored value (a set name or a value) agrees with the pattern's result; sets the
    // current result.
    bool resultMatches(const InternalName& value);
    // True when the current entry can give no further row.
    bool entryDone() const { return inScan && (width < 4 || allArgsBound); }
    // Makes the current host's frame the one to walk; false when it has none.
    bool takeHost(const InternalName& host);
    // Opens the current frame's entries of this method type and argument count at the first.
    bool openEntries();

    const InternalName& patternHost() const { return pattern[0]; }
    const InternalName& patternMethod() const { return pattern[1]; }

    std::int32_t width;
    OM* om;
    bool positioned = false;
    std::vector<InternalName> pattern;
    bool initialized = false;
    bool inScan = false;
    ObjectFrameView frame;
    ParamFrameView paramFrame;
    Ref<Iterator> entries;
    Ref<Iterator> paramRows;
    MethodType methodType;
    bool allArgsBound = true;
    bool methodBound = false;
    InternalName currentHost;
    InternalName currentMethod;
    InternalName currentResult;

  private:
    void takePattern(const InternalName* tuple);
};

// Host and method free: every host of the object base, every entry of the type and arity.
class CommonRefIter : public RefIter {
  public:
    CommonRefIter(const InternalName* tuple, int width, MethodType methodType, OM* om)
        : RefIter(tuple, width, methodType, om) {}

    bool first() override;
    bool isA(const std::string& className) const override { return className == "CommonRefIter"; }

  protected:
    ~CommonRefIter() override = default;
    bool initialize() override;

    bool seek() override;

  private:
    // Moves to the next host that has an entry of the type and arity; false when none is left.
    bool nextHostWithEntries();
    // Makes the names iterator's current object the host; false when it has no entries.
    bool enterHost();

    Ref<Iterator> names;
};

// Host bound: the entries of that host's frame.
class LeftRefIter : public RefIter {
  public:
    LeftRefIter(const InternalName* tuple, int width, MethodType methodType, OM* om)
        : RefIter(tuple, width, methodType, om) {}

    bool first() override;
    bool isA(const std::string& className) const override { return className == "LeftRefIter"; }

  protected:
    ~LeftRefIter() override = default;
    bool initialize() override;
    bool seek() override;
};

// Host free, method bound: the hosts that store an entry for the method.
class RightRefIter : public RefIter {
  public:
    RightRefIter(const InternalName* tuple, int width, MethodType methodType, OM* om)
        : RefIter(tuple, width, methodType, om) {}

    bool first() override;
    bool isA(const std::string& className) const override { return className == "RightRefIter"; }

  protected:
    ~RightRefIter() override = default;
    bool initialize() override;

    bool seek() override;

  private:
    // Moves to the next host that has a frame; false when none is left.
    bool nextHost();

    Ref<Iterator> hosts;
};
