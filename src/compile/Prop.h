// Prop: the operator of a method-application literal Host[Method@(Args) arrow Value] with any of
// the nine arrows, of the form with several values Host[Method ->> {V1, ..., Vk}], and of the
// XML axis steps; its rows are keyed by the host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "compile/BaseOperator.h"

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

    // `methodType` 0 to 8; `axisKind` goes unchanged to OMAccess::matchAxis (0 for a plain
    // method application); `valueCount` the number of values written (k, 0 or 1 for the plain
    // form). The rest as for BaseOperator; `columnSet` names pattern positions that are result
    // columns.
    Prop(std::string typeName, int arity, int methodType, int axisKind, int inputCount,
         int valueCount, const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
         const clib_list<int*>& eqJoin, const clib_list<int*>& var, const clib_list<int*>& givenVar,
         const clib_list<int>& constantPositions, const clib_list<FSymbol>& constantSymbols,
         const clib_list<int>& keyColumns, const clib_list<FSymbol>& variables,
         const set<int>& columnSet, const set<int>& excludedInputs,
         const clib_list<int*>& inputBindings, const clib_list<int>& inputFlags);

    void print() override;
    Operand* evaluate(clib_list<Operand*>* inputs, OMAccess* access) override;
    // True for the variable at the host position; `*out` = 0.
    bool isGroupedBy(const InternalName& var, int* out) override;

    // Writes the constants into the relation pattern; the constants among several values are
    // kept aside for matchValues. False when one has no name.
    virtual bool putPropConstants(InternalName* cells);
    // Emits the rows of one host whose value set holds `members`.
    virtual void matchValues(Iterator* row, const std::vector<InternalName>& members);
    // Enters a constant at a position that has none.
    virtual void addConstant(const FSymbol& symbol, int position);
    void feedsOrderFreeReader() override { orderFree = true; }

  protected:
    ~Prop() override;
    void matchRelation() override;
    bool putConstants(InternalName* cells) override;
    bool advancesInput(int input) const override;

  private:
    // Calls visit(member) for each member of a set name; a set the object base does not know
    // has no members.
    template <class Visit>
    void forEachMember(const InternalName& setName, Visit visit);
    // Whether this evaluation's rows may be made in the order the set frames keep their
    // members and added without a probe: an order-free reader takes them, and every row of a
    // set-valued method without inputs is told apart by its result cells and constants.
    bool rowsAnyOrderDistinct() const;
    // The rows of one host's set, `rowCells` holding the host's columns, in the order the set
    // keeps them; false when the set frame is not found.
    bool emitKeptMembers(const InternalName& setName, const InternalName& key);

    std::int32_t methodType;
    std::int32_t axisKind;
    std::int32_t valueCount;
    std::int32_t relationWidth;
    std::int32_t copyRow = 0;
    FSymbol hostVariable;
    std::vector<InternalName> relationCells;
    std::vector<InternalName> rowCells;
    std::vector<InternalName> fullCells;
    // Per value slot: its pattern position and the values it walks.
    std::vector<int> slotPositions;
    std::vector<std::vector<InternalName>> valueSets;
    // Per input: its value slot, or -1.
    std::vector<int> inputSlot;
    // The constants among several values: position (1-based) and name of this evaluation.
    std::vector<std::pair<int, InternalName>> valueConstants;
    HelpIterator* help = nullptr;
    // The set iterator of one matchRelation call, handed back for each further set name.
    Iterator* setIter = nullptr;
    // Set by feedsOrderFreeReader.
    bool orderFree = false;
    // The members a set frame added since it was last read in order (emitKeptMembers).
    std::vector<InternalName> addedMembers;
};
