// Prop: the operator of a method-application literal Host[Method@(Args) arrow Value] with any of
// the nine arrows, of the form with several values Host[Method ->> {V1, ..., Vk}], and of the
// XML axis steps; its rows are keyed by the host.
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"
#include "compile/MethodCodes.h"
#include "compile/StoredMethodRows.h"

struct PropSpec {
    int arity = 0;
    MethodType methodType = MethodType::Scalar;
    // The document axis of a step; None for a plain method application.
    Axis axis = Axis::None;
    // The number of values written (k, 0 or 1 for the plain form).
    int valueCount = 0;
    // freeColumns names pattern positions that are result columns.
    PatternSpec pattern;
};

class Prop : public BaseOperator {
  public:
    // One row held in a cell array: serves as the relation row when a value or a combination of
    // values is put in place of the value column.
    class HelpIterator : public Iterator {
      public:
        HelpIterator(const InternalName* cells, int width) : cells(cells), width(width) {}
        bool first() override { return true; }
        bool next() override { return false; }
        // UndefinedObject outside the row, without a report.
        InternalName atColumn(int col) override {
            return col >= 1 && col <= width ? cells[col - 1] : InternalName::UndefinedObject;
        }
        int columns() override { return width; }
        bool isA(const std::string& className) const override {
            return className == "HelpIterator";
        }
        void setRow(const InternalName* newCells, int newWidth) {
            cells = newCells;
            width = newWidth;
        }

      protected:
        ~HelpIterator() override = default;

      private:
        const InternalName* cells;
        int width;
    };

    explicit Prop(const PropSpec& spec);

    void feedsOrderFreeReader() override { orderFree = true; }
    // Takes MethodRowsRoad::KeptTables when the literal's rows are those of one set-valued
    // method without arguments, its host free and nothing to test.
    void feedsJoinTable() override;
    MethodRowsRoad methodRowsRoad() const { return rowsRoad; }
    std::string strategy(const SymTab* names) const override;

  protected:
    ~Prop() override = default;

  private:
    struct PropRun;
    std::unique_ptr<Run> newRun(OMAccess* access) const override;
    void matchRelation(Run& run) const override;
    void trace(const Run& run) const override;
    // Writes the constants into the relation pattern; the constants among several values are
    // kept aside for matchValues. False when one has no name.
    bool putConstants(Run& run) const override;
    bool advancesInput(int input) const override;
    // The variable at the host position.
    FSymbol keyVariable() const override { return hostVariable; }
    int patternWidth() const override { return std::max(int(arity), int(relationWidth)); }
    // Emits the rows of one host whose value set holds `members`.
    void matchValues(PropRun& run, Iterator* row, const std::vector<InternalName>& members) const;
    // Calls visit(member) for each member of a set name; a set the object base does not know
    // has no members.
    template <class Visit>
    void forEachMember(PropRun& run, const InternalName& setName, Visit visit) const;
    // Whether this evaluation's rows may be made in the order the set frames keep their
    // members and added without a probe: an order-free reader takes them, and every row of a
    // set-valued method without inputs is told apart by its result cells and constants.
    bool rowsAnyOrderDistinct(const Run& run) const;
    // The rows of one host's set, `rowCells` holding the host's columns, in the order the set
    // keeps them; false when the set frame is not found.
    bool emitKeptMembers(PropRun& run, const InternalName& setName, const InternalName& key) const;
    // For an untraced evaluation whose rows may come in any order, unkeyed, with nothing to test:
    // leaves the rows of the hosts `rows` gives to be read in place from their sets when the
    // result is read. False, with no row taken, when the object base cannot be read so.
    bool deferKeptMembers(PropRun& run, Iterator* rows) const;
    // On MethodRowsRoad::KeptTables, untraced, outside an inheritance phase: leaves the rows to
    // be read from the stored values when the join groups them. False, with nothing taken, when
    // the evaluation cannot be read so.
    bool deferStoredRows(PropRun& run) const;

    MethodType methodType;
    Axis axis;
    std::int32_t valueCount;
    std::int32_t relationWidth;
    std::int32_t copyRow = 0;
    FSymbol hostVariable;
    // Per value slot: its pattern position.
    std::vector<int> slotPositions;
    // Per input: its value slot, or -1.
    std::vector<int> inputSlot;
    // Set by feedsOrderFreeReader.
    bool orderFree = false;
    MethodRowsRoad rowsRoad = MethodRowsRoad::Frames;
};
