// MatchAxisIterator: the rows of one XML axis step, read from up to three stage iterators.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

class OMAccess;

// Rows are [host, method, value]: the context node, the element, attribute or text method that
// connects it, and the related node or value. The stages deliver rows whose columns 1 and 2 are
// host and method and whose value column holds the related node; a value that is a set name is
// walked member by member. Stages are taken in order; a stage without rows ends the iteration.
class MatchAxisIterator : public Iterator {
  public:
    // Copies `count` cells of [start, method, value]; takes over the caller's references to the
    // stages (null: no stage) and holds one to the access layer. The first number plays no part.
    MatchAxisIterator(const InternalName* tuple, int count, int axis, int firstNumber,
                      int valueColumn, OMAccess* access, Iterator* firstStage,
                      Iterator* secondStage, Iterator* thirdStage);

    bool first() override;
    bool next() override;
    // Columns outside 1..count report InvalidUse and answer UndefinedObject.
    InternalName atColumn(int col) override;
    int columns() override { return length; }
    bool isA(const std::string& className) const override {
        return className == "MatchAxisIterator";
    }

    // Kept for callers of old; writes a line on standard output and does nothing else.
    virtual void reinitialize();

  protected:
    ~MatchAxisIterator() override;

    // Moves to the next candidate row of the current stage (or set member); false at its end.
    virtual bool advance();
    // Starts the next stage; false when there is none or it has no rows.
    virtual bool stageExhausted();
    // Whether the candidate row is a row of the step.
    virtual bool matches();
    // A self step with a method names the node's class; "self" itself, or none, any node.
    bool selfMatches();
    // Documents (instances of webdoc) hold their root element but are no element themselves.
    bool isDocument(const InternalName& x);

  private:
    // Takes the candidate from the current stage row, entering a set value; false when the
    // stage runs out first.
    bool enterRow(bool stageHasRow);
    // Steps on from the candidate until a row matches; false when all stages are exhausted.
    bool settle(bool onRow);
    Iterator* stage() const { return stages[current].get(); }
    InternalName host();
    InternalName pattern(int position) const { return cells[static_cast<std::size_t>(position)]; }

    std::vector<InternalName> cells;
    std::int32_t length;
    std::int32_t axis;
    Ref<Iterator> stages[3];
    int current = 0;
    Ref<Iterator> members;
    bool inSet = false;
    std::int32_t valueColumn;
    Ref<OMAccess> access;
    bool positioned = false;
    InternalName label = InternalName::UndefinedObject;
    InternalName value = InternalName::UndefinedObject;
    // Counts the candidate rows; the iterator ends once Ctrl-C or a farewell asks it to stop.
    controlEvents::StopPoll stopPoll;
};
