// The EnhIsaIter family: is-a atoms X : C, X :: C and the child relation answered along the class
// hierarchy (closures over the stored direct facts), one member per binding of object and class.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/set.h"
#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"
#include "platform/ControlEvents.h"

class OMAccess;

// Rows are [object, class]. Kind 1: o : c when c is a stored class of o or lies above one by
// subclass steps; kind 2: a :: b when a equals b or b lies above a; kind 3: one or more stored
// child steps (not reflexive). first() recomputes the closure from the current object base, so
// later inserts do not disturb a walk. A member whose bound positions do not fit it reports
// InvalidInit 6/110 and yields no row.
class EnhIsaIter : public Iterator {
  public:
    int columns() override { return 2; }
    bool isA(const std::string& className) const override { return className == "EnhIsaIter"; }
    // Cell 1 or 2 of the current row; InvalidUse 6/109 otherwise.
    InternalName atColumn(int col) override;

    // Takes another pattern and access layer, unpositioned; the class stays.
    virtual void reinitialize(const InternalName& object, const InternalName& cls, IsaRelation kind,
                              OMAccess* access);

  protected:
    // Holds a reference to the access layer until destroyed.
    EnhIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind,
               OMAccess* access);
    ~EnhIsaIter() override;

    bool fits(bool objectBound, bool classBound) const;
    virtual InternalName rowObject() = 0;
    virtual InternalName rowClass() = 0;

    // The names one stored step above x (its classes for kind `stepKind` when up, its members
    // when down) are handed to `take`; the work iterator is re-targeted for it.
    template <class Take>
    void directStep(const InternalName& x, IsaRelation stepKind, bool up, Take take);
    // Breadth-first from the names already in `found` (the work list): each name met for the
    // first time is inserted, expanded by `stepKind` in the given direction, each once. With
    // `target` bound the walk stops as soon as it is met (true).
    bool closeOver(set<InternalName>& found, std::vector<InternalName>& work, IsaRelation stepKind,
                   bool up, const InternalName& target = InternalName::UndefinedObject);
    // The relation kind that continues a closure of this kind: subclass steps, or child steps.
    IsaRelation continuation() const {
        return kind == IsaRelation::Child ? IsaRelation::Child : IsaRelation::Subclass;
    }

    InternalName object;
    InternalName cls;
    IsaRelation kind;
    Ref<OMAccess> access;
    Ref<Iterator> work;
    bool positioned = false;
    // Counts the names a closure meets: the closure under a document's root meets every node
    // of the document, and ends (unfinished, noted as cut short) at Ctrl-C or a farewell.
    controlEvents::StopPoll stopPoll;
};

// Object and class bound: one yes/no test.
class FullySpecifiedIsaIter : public EnhIsaIter {
  public:
    FullySpecifiedIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind,
                          OMAccess* access)
        : EnhIsaIter(object, cls, kind, access) {}

    bool first() override;
    bool next() override;

  protected:
    ~FullySpecifiedIsaIter() override = default;
    InternalName rowObject() override { return object; }
    InternalName rowClass() override { return cls; }

  private:
    Ref<Iterator> secondWork;
};

// Object bound, class free: the object's classes in ascending name order (kind 2: with itself).
class EnhLeftIsaIter : public EnhIsaIter {
  public:
    EnhLeftIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind,
                   OMAccess* access)
        : EnhIsaIter(object, cls, kind, access) {}

    bool first() override;
    bool next() override;

    virtual void computeClasses();

  protected:
    ~EnhLeftIsaIter() override = default;
    InternalName rowObject() override { return object; }
    InternalName rowClass() override { return classes[current]; }

  private:
    // Without a stored step beyond the direct one the classes are the object's stored set,
    // copied as it is kept (ascending) instead of being rebuilt one tree node at a time.
    bool copyDirectClasses();

    // The object's classes, ascending.
    std::vector<InternalName> classes;
    std::size_t current = 0;
};

// Object free, class bound: the class's members in ascending name order (kind 2: with itself).
class EnhRightIsaIter : public EnhIsaIter {
  public:
    EnhRightIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind,
                    OMAccess* access)
        : EnhIsaIter(object, cls, kind, access) {}

    bool first() override;
    bool next() override;

    // Kinds 2 and 3: every name below the class.
    virtual void computeSubclasses();
    // Kind 1: the stored members of the class and of every class below it.
    virtual void computeInstances();

  protected:
    ~EnhRightIsaIter() override = default;
    InternalName rowObject() override { return result.key(current); }
    InternalName rowClass() override { return cls; }

  private:
    set<InternalName> result;
    set<InternalName>::item current = nullptr;
    Ref<Iterator> secondWork;
};

// Both free: every object of the base in the order of the object names, each with its classes.
class UnspecifiedIsaIter : public EnhIsaIter {
  public:
    UnspecifiedIsaIter(const InternalName& object, const InternalName& cls, IsaRelation kind,
                       OMAccess* access);

    bool first() override;
    bool next() override;
    void reinitialize(const InternalName& object, const InternalName& cls, IsaRelation kind,
                      OMAccess* access) override;

  protected:
    ~UnspecifiedIsaIter() override = default;
    InternalName rowObject() override { return currentObject; }
    InternalName rowClass() override { return inner->atColumn(2); }

  private:
    // From the names iterator's current object on, the first object that has a class.
    bool seekObject();

    Ref<EnhLeftIsaIter> inner;
    InternalName currentObject;
};
