// The IsaIterator family: iterators over the stored, direct class relations object : class
// (kind 1), object :: class (kind 2) and the child relation (kind 3) matching a pattern.
#pragma once

#include <cstdint>
#include <string>

#include "access/MatchIterator.h"
#include "objectbase/MethodType.h"

class OM;
class ObjectFrameView;
class SetFrameView;

// Rows are [object, class]. Only stored relations count: no transitive closure and no built-in
// classes. Each member serves one binding of object and class; a pattern that does not fit the
// member (or a missing object manager) is reported as InvalidInit 6/9 and yields no row.
class IsaIterator : public MatchIterator {
  public:
    InternalName atColumn(int col) override;
    int columns() override { return 2; }
    bool isA(const std::string& className) const override { return className == "IsaIterator"; }

    // Takes another pattern and object manager, unpositioned; the class stays.
    virtual void reinitialize(const InternalName& object, const InternalName& cls, IsaRelation kind,
                              OM* om);

  protected:
    IsaIterator(const InternalName& object, const InternalName& cls, IsaRelation kind, OM* om);
    ~IsaIterator() override = default;

    // False (after the report) unless the object manager is set and object and class are bound
    // as given.
    bool fits(bool objectBound, bool classBound) const;
    // The stored relation set of the kind of an object frame; null when there is none.
    SetFrameView relationSet(ObjectFrameView frame) const;
    // The cells of the current row.
    virtual InternalName rowObject() const { return object; }
    virtual InternalName rowClass() const { return cls; }

    OM* om;
    bool positioned = false;
    InternalName object;
    InternalName cls;
    IsaRelation kind;
};

// Object and class bound: one containment test.
class FullySpecIsaIter : public IsaIterator {
  public:
    FullySpecIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind, OM* om)
        : IsaIterator(object, cls, kind, om) {}

    bool first() override;
    bool next() override;

  protected:
    ~FullySpecIsaIter() override = default;
};

// Object bound, class free: the members of the object's relation set.
class LeftSpecIsaIter : public IsaIterator {
  public:
    LeftSpecIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind, OM* om)
        : IsaIterator(object, cls, kind, om) {}

    bool first() override;
    bool next() override;

  protected:
    ~LeftSpecIsaIter() override = default;
    InternalName rowClass() const override { return members->atColumn(1); }

  private:
    Ref<Iterator> members;
};

// Object free, class bound: the names that stand in the relation to the class.
class RightSpecIsaIter : public IsaIterator {
  public:
    RightSpecIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind, OM* om)
        : IsaIterator(object, cls, kind, om) {}

    bool first() override;
    bool next() override;

  protected:
    ~RightSpecIsaIter() override = default;
    InternalName rowObject() const override { return members->atColumn(1); }

  private:
    Ref<Iterator> members;
};

// Both free: every object's relation set in turn.
class UnspecIsaIter : public IsaIterator {
  public:
    UnspecIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind, OM* om)
        : IsaIterator(object, cls, kind, om) {}

    bool first() override;
    bool next() override;

  protected:
    ~UnspecIsaIter() override = default;
    InternalName rowObject() const override { return currentObject; }
    InternalName rowClass() const override { return members->atColumn(1); }

  private:
    // From the names iterator's current object on, the first object whose relation set has a
    // member; false when the objects are exhausted.
    bool seekObject();

    Ref<Iterator> names;
    Ref<Iterator> members;
    InternalName currentObject;
};
