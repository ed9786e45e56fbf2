// Prop: method applications and axis steps matched against the inputs; a set-valued value
// column is expanded member by member, and several values are matched as a set.
#include "compile/Prop.h"

#include <algorithm>
#include <ostream>
#include <span>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "objectbase/MemberSet.h"

namespace {

const char* const Arrows[] = {" -> ",    " ->> ", " @->> ", " *-> ", " *->> ",
                              " @*->> ", " => ",  " =>> ",  " @=>> "};

}  // namespace

Prop::Prop(std::string typeName, int arity, int methodType, int axisKind, int inputCount,
           int valueCount, const clib_list<int*>& varEq, const clib_list<int*>& eqCon,
           const clib_list<int*>& eqJoin, const clib_list<int*>& var,
           const clib_list<int*>& givenVar, const clib_list<int>& constantPositions,
           const clib_list<FSymbol>& constantSymbols, const clib_list<int>& keyColumns,
           const clib_list<FSymbol>& variables, const set<int>& columnSet,
           const set<int>& excludedInputs, const clib_list<int*>& inputBindings,
           const clib_list<int>& inputFlags)
    : BaseOperator(std::move(typeName), arity, inputCount, varEq, eqCon, eqJoin, var, givenVar,
                   constantPositions, constantSymbols, keyColumns, variables, columnSet,
                   excludedInputs, inputBindings, inputFlags),
      methodType(methodType),
      axisKind(axisKind),
      valueCount(valueCount),
      relationWidth(valueCount > 1 ? arity - valueCount + 1 : arity) {
    if (relationWidth < 1) relationWidth = 1;
    const int width = std::max(arity, relationWidth);
    inputSlot.assign(std::size_t(this->inputCount), -1);
    // Several values: each value position fed by inputs gives each of them a slot, any other
    // one a slot for the variable standing there; constants are tested, not walked.
    if (valueCount > 1) {
        for (int p = arity - valueCount; p < arity; ++p) {
            bool fed = false;
            for (int i = 0; i < this->inputCount; ++i) {
                if (this->keyColumns[std::size_t(i)] != p) continue;
                inputSlot[std::size_t(i)] = int(slotPositions.size());
                slotPositions.push_back(p);
                fed = true;
            }
            if (fed || constants.count(p + 1) != 0) continue;
            if (std::any_of(vars.begin(), vars.end(),
                            [p](const VarRecord& r) { return r.column == p + 1; }))
                slotPositions.push_back(p);
        }
    }
    valueSets.resize(slotPositions.size());
    relationCells.assign(std::size_t(width), InternalName::UndefinedObject);
    rowCells.assign(std::size_t(width), InternalName::UndefinedObject);
    fullCells.assign(std::size_t(width), InternalName::UndefinedObject);
    help = new HelpIterator(rowCells.data(), relationWidth);

    hostVariable = variableOfColumn(1);

    for (int i = 0; i < this->inputCount; ++i) {
        const int key = this->keyColumns[std::size_t(i)];
        if (key == 0 || this->inputFlags[std::size_t(i)] != 0) continue;
        if (valueCount < 2 || key < relationWidth - 1) {
            selectBySet(i);
            if (valueCount < 2 && key == relationWidth - 1) copyRow = 1;
        } else {
            // Its values are taken by matchValues.
            setSelected[std::size_t(i)] = 1;
        }
    }
    if (methodType == 1 || methodType == 4 || methodType == 6 || methodType == 7) copyRow = 1;
}

Prop::~Prop() {
    decRef(help);
    decRef(setIter);
}

bool Prop::advancesInput(int input) const {
    return BaseOperator::advancesInput(input) && keyColumns[std::size_t(input)] < relationWidth;
}

void Prop::addConstant(const FSymbol& symbol, int position) {
    constants.emplace(position, symbol);
}

bool Prop::putPropConstants(InternalName* cells) {
    valueConstants.clear();
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name;
        if (access == nullptr || access->internValue(symbol, name) == 0) return false;
        if (valueCount > 1 && position >= relationWidth)
            valueConstants.emplace_back(position, name);
        else if (position >= 1 && position <= arity)
            cells[position - 1] = name;
    }
    return true;
}

Operand* Prop::evaluate(clib_list<Operand*>* list, OMAccess* newAccess) {
    return evaluateRelation(list, newAccess, relationCells.data());
}

bool Prop::putConstants(InternalName* cells) {
    return putPropConstants(cells);
}

template <class Visit>
void Prop::forEachMember(const InternalName& setName, Visit visit) {
    setIter = access->setIterator(setName, setIter);
    // A set the object base does not know is empty; its old iterator is already released.
    if (setIter == nullptr) return;
    for (bool more = setIter->first(); more; more = setIter->next()) visit(setIter->atColumn(1));
}

bool Prop::rowsAnyOrderDistinct() const {
    if (!orderFree || valueCount != 1 || methodType != 1 || axisKind != 0 || inputCount != 0 ||
        !enumerated.inputs.empty())
        return false;
    // The object base keeps one value per host, method and arguments, and a set's members once
    // each: the rows are distinct, and so are their result cells when every column that is not
    // a constant goes to a cell of its own (a constant value is looked for, not walked).
    const std::size_t width = std::size_t(relationWidth);
    if (relationCells[width - 1] != InternalName::UndefinedObject) return false;
    std::vector<char> fixed(width, 0);
    for (std::size_t c = 0; c < width; ++c)
        if (relationCells[c] != InternalName::UndefinedObject) fixed[c] = 1;
    return resultRowsDistinct(std::move(fixed));
}

bool Prop::emitKeptMembers(const InternalName& setName, const InternalName& key) {
    const MemberSet* members = access->setMembers(setName);
    if (members == nullptr) return false;
    std::span<const InternalName> front;
    members->kept(front, addedMembers);
    const std::size_t valueCell = std::size_t(relationWidth - 1);
    auto emit = [&](const InternalName& member) {
        rowCells[valueCell] = member;
        if (needsCheck != 0 && !match(help)) return;
        for (const VarRecord& r : vars)
            resultCells[std::size_t(r.cell)] = rowCells[std::size_t(r.column - 1)];
        result->insertDistinct(key, resultCells.data());
    };
    for (const InternalName& member : front) emit(member);
    for (const InternalName& member : addedMembers) emit(member);
    return true;
}

void Prop::matchRelation() {
    Iterator* rows =
        access->matchAxis(methodType, axisKind, relationCells.data(), relationWidth, nullptr);
    if (rows == nullptr) return;
    const std::size_t valueCell = std::size_t(relationWidth - 1);
    // A count takes the rows in any order: the members need not be sorted, and the rows, distinct
    // already, need no probe.
    const bool anyOrder = rowsAnyOrderDistinct();
    auto copyColumns = [&](std::vector<InternalName>& into) {
        for (int c = 1; c < relationWidth; ++c) into[std::size_t(c - 1)] = rows->atColumn(c);
    };
    std::vector<InternalName> members;
    for (bool more = rows->first(); more; more = rows->next()) {
        if (copyRow != 0) copyColumns(rowCells);
        const InternalName key = noKey != 0 ? InternalName::UndefinedObject : rows->atColumn(1);
        if (valueCount == 0) {
            handleRow(rows, key);
            continue;
        }
        const InternalName value = rows->atColumn(relationWidth);
        members.clear();
        if (value.getType() != InternalName::SetName) {
            if (valueCount == 1) {
                handleRow(rows, key);
            } else {
                members.push_back(value);
                matchValues(rows, members);
            }
            continue;
        }
        if (valueCount == 1) {
            if (copyRow == 0) copyColumns(rowCells);
            help->setRow(rowCells.data(), relationWidth);
            if (anyOrder && emitKeptMembers(value, key)) continue;
            forEachMember(value, [&](const InternalName& member) {
                rowCells[valueCell] = member;
                handleRow(help, key);
            });
        } else {
            forEachMember(value, [&](const InternalName& member) { members.push_back(member); });
            std::sort(members.begin(), members.end());
            matchValues(rows, members);
        }
    }
    decRef(rows);
    decRef(setIter);
    setIter = nullptr;
}

void Prop::matchValues(Iterator* row, const std::vector<InternalName>& members) {
    // No value, no candidate: the literal asks for at least one.
    if (members.empty()) return;
    const InternalName key = row->atColumn(1);
    for (const auto& constant : valueConstants)
        if (!std::binary_search(members.begin(), members.end(), constant.second)) return;
    if (slotPositions.empty()) {
        handleRow(row, key);
        return;
    }
    for (auto& values : valueSets) values.clear();
    for (int i = 0; i < inputCount; ++i) {
        const int slot = inputSlot[std::size_t(i)];
        if (slot < 0) continue;
        for (const InternalName& member : members)
            if (inputOperands[std::size_t(i)]->contains(member))
                valueSets[std::size_t(slot)].push_back(member);
        if (valueSets[std::size_t(slot)].empty()) return;
    }
    for (auto& values : valueSets)
        if (values.empty()) values = members;

    for (int c = 1; c < relationWidth; ++c) fullCells[std::size_t(c - 1)] = row->atColumn(c);
    for (const auto& [position, name] : valueConstants) fullCells[std::size_t(position - 1)] = name;
    std::vector<std::size_t> at(valueSets.size(), 0);
    auto write = [&](std::size_t slot) {
        fullCells[std::size_t(slotPositions[slot])] = valueSets[slot][at[slot]];
    };
    for (std::size_t s = 0; s < valueSets.size(); ++s) write(s);
    help->setRow(fullCells.data(), arity);
    handleRow(help, key);
    // The odometer: slot 0 turns fastest.
    for (std::size_t s = 0; s < valueSets.size();) {
        if (++at[s] < valueSets[s].size()) {
            write(s);
            handleRow(help, key);
            s = 0;
        } else {
            at[s] = 0;
            write(s);
            ++s;
        }
    }
}

bool Prop::isGroupedBy(const InternalName& var, int* out) {
    return groupedBy(hostVariable, var, out);
}

void Prop::print() {
    OutputChannel& out = debugChannel();
    const int firstValue = arity - valueCount;
    out << std::endl << "Property : " << positionText(0) << "[" << positionText(1);
    if (firstValue > 2) out << "@(" << positionsText(2, firstValue) << ")";
    if (methodType >= 0 && methodType <= 8) out << Arrows[methodType];
    if (valueCount > 1)
        out << "{" << positionsText(firstValue, arity) << "}";
    else if (valueCount == 1)
        out << positionText(arity - 1);
    else
        out << (methodType == 6 || methodType == 7 ? "()" : "{}");
    out << "]" << std::endl;
    BaseOperator::print();
    printInputContents();
}
