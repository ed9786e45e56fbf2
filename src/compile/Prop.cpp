// Prop: method applications and axis steps matched against the inputs; a set-valued value
// column is expanded member by member, and several values are matched as a set.
#include "compile/Prop.h"

#include <algorithm>
#include <ostream>
#include <span>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "objectbase/MemberSet.h"
#include "objectbase/OM.h"

namespace {

const char* arrowText(MethodType type) {
    switch (type) {
        case MethodType::Scalar:
            return " -> ";
        case MethodType::Set:
            return " ->> ";
        case MethodType::AttributeSet:
            return " @->> ";
        case MethodType::InheritableScalar:
            return " *-> ";
        case MethodType::InheritableSet:
            return " *->> ";
        case MethodType::InheritableAttributeSet:
            return " @*->> ";
        case MethodType::ScalarSignature:
            return " => ";
        case MethodType::SetSignature:
            return " =>> ";
        case MethodType::AttributeSetSignature:
            return " @=>> ";
    }
    return "";
}

// Whether the rows of the type are copied out of the relation before a value is matched: the
// set-valued types whose values the lookup hands over member by member, and the signatures.
bool copiesRows(MethodType type) {
    switch (type) {
        case MethodType::Set:
        case MethodType::InheritableSet:
        case MethodType::ScalarSignature:
        case MethodType::SetSignature:
            return true;
        case MethodType::Scalar:
        case MethodType::AttributeSet:
        case MethodType::InheritableScalar:
        case MethodType::InheritableAttributeSet:
        case MethodType::AttributeSetSignature:
            return false;
    }
    return false;
}

// The rows of a set-valued method's hosts, one per member of a host's set, read in place from the
// sets when the operand is read, in the order the sets keep their members: no copy of them into
// the operand. A count over the values of a `->>` closure copied every member into its input
// (on a chain of 1000 nodes, 500,000 rows and 13 % of the run's instructions; its peak memory
// 30 -> 19 MB) where the same count over memberships reads its stored rows in place. The hosts and
// their set names are taken when the literal is evaluated; each set is looked up by its name when
// read, so a set that is gone by then gives no rows rather than a dangling read.
class KeptMembersSource final : public RowSource {
  public:
    // `hosts`: per host, the cells of the columns before the value; `values`: per host, its
    // value (a set name, or a value of its own). `take`: (0-based column, result cell).
    KeptMembersSource(Ref<OM> om, std::size_t hostWidth, std::vector<InternalName> hosts,
                      std::vector<InternalName> values, std::vector<std::pair<int, int>> take,
                      std::vector<InternalName> cells, std::size_t members)
        : om(std::move(om)),
          hostWidth(hostWidth),
          hosts(std::move(hosts)),
          values(std::move(values)),
          cells(std::move(cells)),
          members(members) {
        for (const auto& [column, cell] : take)
            (std::size_t(column) < hostWidth ? hostTake : valueCells).emplace_back(column, cell);
    }

    void produce(const RowSink& emit) override {
        std::span<const InternalName> front;
        for (std::size_t h = 0; h < values.size(); ++h) {
            const InternalName* host = hosts.data() + h * hostWidth;
            for (const auto& [column, cell] : hostTake) cells[std::size_t(cell)] = host[column];
            auto row = [&](const InternalName& value) {
                for (const auto& [column, cell] : valueCells) cells[std::size_t(cell)] = value;
                return emit(cells.data());
            };
            const InternalName& value = values[h];
            if (value.getType() != InternalName::SetName) {
                if (!row(value)) return;
                continue;
            }
            const SetFrameView set = om->setFrameOf(value);
            if (!set) continue;
            set.memberSet().kept(front, added);
            for (const InternalName& member : front)
                if (!row(member)) return;
            for (const InternalName& member : added)
                if (!row(member)) return;
        }
    }
    bool distinctRows() const override { return true; }
    bool readsInPlace() const override { return true; }
    std::size_t rowsAtMost() const override { return members; }

  private:
    Ref<OM> om;
    std::size_t hostWidth;
    std::vector<InternalName> hosts;
    std::vector<InternalName> values;
    // (0-based column, result cell) of the host's columns and of the value column.
    std::vector<std::pair<int, int>> hostTake;
    std::vector<std::pair<int, int>> valueCells;
    std::vector<InternalName> cells;
    // The members of the sets when the literal was evaluated.
    std::size_t members;
    // The members a set added since it was last read in order (MemberSet::kept).
    std::vector<InternalName> added;
};

}  // namespace

// The cells and iterators of one run: the host's row beside the pattern, the values of several
// value slots, and the set iterator handed back for each set name.
struct Prop::PropRun : Run {
    PropRun(const Prop& op, OMAccess* access)
        : Run(op, access, op.patternWidth()),
          rowCells(std::size_t(op.patternWidth()), InternalName::UndefinedObject),
          fullCells(std::size_t(op.patternWidth()), InternalName::UndefinedObject),
          valueSets(op.slotPositions.size()),
          help(Ref<HelpIterator>::adopt(new HelpIterator(rowCells.data(), op.relationWidth))) {}

    std::vector<InternalName> rowCells;
    std::vector<InternalName> fullCells;
    // Per value slot: the values it walks.
    std::vector<std::vector<InternalName>> valueSets;
    // The constants among several values: position (1-based) and name of this evaluation.
    std::vector<std::pair<int, InternalName>> valueConstants;
    Ref<HelpIterator> help;
    // The set iterator of one matchRelation call, handed back for each further set name.
    Ref<Iterator> setIter;
    // The members a set frame added since it was last read in order (emitKeptMembers).
    std::vector<InternalName> addedMembers;
};

Prop::Prop(const PropSpec& spec)
    : BaseOperator(OperatorKind::Property, spec.arity, spec.pattern),
      methodType(spec.methodType),
      axis(spec.axis),
      valueCount(spec.valueCount),
      relationWidth(spec.valueCount > 1 ? spec.arity - spec.valueCount + 1 : spec.arity) {
    if (relationWidth < 1) relationWidth = 1;
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
    hostVariable = variableOfColumn(1);

    for (int i = 0; i < this->inputCount; ++i) {
        const int key = this->keyColumns[std::size_t(i)];
        if (key == 0 || inputRoles[std::size_t(i)] != PatternSpec::InputRole::Rows) continue;
        if (valueCount < 2 || key < relationWidth - 1) {
            selectBySet(i);
            if (valueCount < 2 && key == relationWidth - 1) copyRow = 1;
        } else {
            // Its values are taken by matchValues.
            setSelected[std::size_t(i)] = 1;
        }
    }
    if (copiesRows(methodType)) copyRow = 1;
}

std::unique_ptr<BaseOperator::Run> Prop::newRun(OMAccess* access) const {
    return std::make_unique<PropRun>(*this, access);
}

bool Prop::advancesInput(int input) const {
    return BaseOperator::advancesInput(input) && keyColumns[std::size_t(input)] < relationWidth;
}

bool Prop::putConstants(Run& base) const {
    auto& run = static_cast<PropRun&>(base);
    run.valueConstants.clear();
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name;
        if (run.access == nullptr || run.access->internValue(symbol, name) == 0) return false;
        if (valueCount > 1 && position >= relationWidth)
            run.valueConstants.emplace_back(position, name);
        else if (position >= 1 && position <= arity)
            run.patternCells[std::size_t(position - 1)] = name;
    }
    return true;
}

template <class Visit>
void Prop::forEachMember(PropRun& run, const InternalName& setName, Visit visit) const {
    Iterator* members =
        run.setIter.renew([&](Iterator* old) { return run.access->setIterator(setName, old); });
    // A set the object base does not know is empty; its old iterator is already released.
    if (members == nullptr) return;
    for (bool more = members->first(); more; more = members->next()) visit(members->atColumn(1));
}

bool Prop::rowsAnyOrderDistinct(const Run& run) const {
    const std::vector<InternalName>& relationCells = run.patternCells;
    if (!orderFree || valueCount != 1 || methodType != MethodType::Set || axis != Axis::None ||
        inputCount != 0 || !enumerated.inputs.empty())
        return false;
    // The object base keeps one value per host, method and arguments, and a set's members once
    // each: the rows are distinct, and so are their result cells when every column that is not
    // a constant goes to a cell of its own (a constant value is looked for, not walked).
    const std::size_t width = std::size_t(relationWidth);
    if (relationCells[width - 1] != InternalName::UndefinedObject) return false;
    std::vector<char> fixed(width, 0);
    for (std::size_t c = 0; c < width; ++c)
        if (relationCells[c] != InternalName::UndefinedObject) fixed[c] = 1;
    return resultRowsDistinct(fixed);
}

bool Prop::emitKeptMembers(PropRun& run, const InternalName& setName,
                           const InternalName& key) const {
    const MemberSet* members = run.access->setMembers(setName);
    if (members == nullptr) return false;
    std::span<const InternalName> front;
    members->kept(front, run.addedMembers);
    const std::size_t valueCell = std::size_t(relationWidth - 1);
    auto emit = [&](const InternalName& member) {
        run.rowCells[valueCell] = member;
        if (needsCheck != 0 && !match(run, run.help.get())) return;
        for (const VarRecord& r : vars)
            run.resultCells[std::size_t(r.cell)] = run.rowCells[std::size_t(r.column - 1)];
        run.result->insertDistinct(key, run.resultCells.data());
    };
    for (const InternalName& member : front) emit(member);
    for (const InternalName& member : run.addedMembers) emit(member);
    return true;
}

bool Prop::deferKeptMembers(PropRun& run, Iterator* rows) const {
    OM* om = run.access->om();
    if (om == nullptr) return false;
    const std::size_t hostWidth = std::size_t(relationWidth - 1);
    std::vector<InternalName> hosts;
    std::vector<InternalName> values;
    std::size_t members = 0;
    for (bool more = rows->first(); more; more = rows->next()) {
        for (int c = 1; c < relationWidth; ++c) hosts.push_back(rows->atColumn(c));
        const InternalName value = rows->atColumn(relationWidth);
        values.push_back(value);
        if (value.getType() != InternalName::SetName)
            ++members;
        else if (const SetFrameView set = om->setFrameOf(value))
            members += set.memberSet().size();
    }
    std::vector<std::pair<int, int>> take;
    std::vector<InternalName> cells = run.resultCells;
    for (const VarRecord& r : vars) {
        if (r.column >= 1 && r.column <= relationWidth)
            take.emplace_back(r.column - 1, r.cell);
        else
            cells[std::size_t(r.cell)] = InternalName::UndefinedObject;
    }
    run.result->defer(std::make_unique<KeptMembersSource>(
        Ref<OM>::share(om), hostWidth, std::move(hosts), std::move(values), std::move(take),
        std::move(cells), members));
    return true;
}

void Prop::feedsJoinTable() {
    if (inputCount != 0 || needsCheck != 0 || !enumerated.inputs.empty() || !varEqs.empty() ||
        valueCount != 1 || axis != Axis::None || methodType != MethodType::Set ||
        relationWidth != 3 || arity != 3)
        return;
    std::vector<char> fixed(3, 0);
    for (const auto& [position, symbol] : constants)
        if (symbol != FSymbol() && position >= 1 && position <= 3)
            fixed[std::size_t(position - 1)] = 1;
    // The method named, the host free; every row told apart by its result cells.
    if (fixed[1] == 0 || fixed[0] != 0 || !resultRowsDistinct(fixed)) return;
    for (const VarRecord& r : vars)
        if (r.column < 1 || r.column > 3) return;
    rowsRoad = MethodRowsRoad::KeptTables;
}

std::string Prop::strategy(const SymTab*) const {
    return rowsRoad == MethodRowsRoad::KeptTables ? "stored values, table kept" : "";
}

bool Prop::deferStoredRows(PropRun& run) const {
    OM* om = run.access->om();
    if (om == nullptr || run.traced) return false;
    // Inside an inheritance phase the lookup answers with inherited values as well.
    if (run.access->inheritanceOn() != 0 && run.access->inheritance().isOpen()) return false;
    const std::vector<InternalName>& pattern = run.patternCells;
    if (pattern[0] != InternalName::UndefinedObject || pattern[1] == InternalName::UndefinedObject)
        return false;
    std::vector<std::pair<int, int>> take;
    for (const VarRecord& r : vars) take.emplace_back(r.column - 1, r.cell);
    run.result->defer(std::make_unique<StoredMethodRows>(Ref<OM>::share(om), pattern[1],
                                                         code(methodType), pattern[2],
                                                         std::move(take), run.resultCells));
    return true;
}

void Prop::matchRelation(Run& base) const {
    auto& run = static_cast<PropRun&>(base);
    if (rowsRoad == MethodRowsRoad::KeptTables && deferStoredRows(run)) return;
    Ref<Iterator> rows = Ref<Iterator>::adopt(
        run.access->matchAxis(methodType, axis, run.patternCells.data(), relationWidth, nullptr));
    if (!rows) return;
    const std::size_t valueCell = std::size_t(relationWidth - 1);
    // A count takes the rows in any order: the members need not be sorted, and the rows, distinct
    // already, need no probe. Untraced, it takes them by their cells alone, so they need no key
    // either and are read in place from the sets (a traced run prints them keyed, as it stores
    // them).
    const bool anyOrder = rowsAnyOrderDistinct(run);
    if (anyOrder && !run.traced && needsCheck == 0 && deferKeptMembers(run, rows.get())) return;
    auto copyColumns = [&](std::vector<InternalName>& into) {
        for (int c = 1; c < relationWidth; ++c) into[std::size_t(c - 1)] = rows->atColumn(c);
    };
    std::vector<InternalName> members;
    for (bool more = rows->first(); more; more = rows->next()) {
        if (copyRow != 0) copyColumns(run.rowCells);
        const InternalName key = noKey != 0 ? InternalName::UndefinedObject : rows->atColumn(1);
        if (valueCount == 0) {
            handleRow(run, rows.get(), key);
            continue;
        }
        const InternalName value = rows->atColumn(relationWidth);
        members.clear();
        if (value.getType() != InternalName::SetName) {
            if (valueCount == 1) {
                handleRow(run, rows.get(), key);
            } else {
                members.push_back(value);
                matchValues(run, rows.get(), members);
            }
            continue;
        }
        if (valueCount == 1) {
            if (copyRow == 0) copyColumns(run.rowCells);
            run.help->setRow(run.rowCells.data(), relationWidth);
            if (anyOrder && emitKeptMembers(run, value, key)) continue;
            forEachMember(run, value, [&](const InternalName& member) {
                run.rowCells[valueCell] = member;
                handleRow(run, run.help.get(), key);
            });
        } else {
            forEachMember(run, value,
                          [&](const InternalName& member) { members.push_back(member); });
            std::sort(members.begin(), members.end());
            matchValues(run, rows.get(), members);
        }
    }
    run.setIter = Ref<Iterator>();
}

void Prop::matchValues(PropRun& run, Iterator* row,
                       const std::vector<InternalName>& members) const {
    // No value, no candidate: the literal asks for at least one.
    if (members.empty()) return;
    const InternalName key = row->atColumn(1);
    for (const auto& constant : run.valueConstants)
        if (!std::binary_search(members.begin(), members.end(), constant.second)) return;
    if (slotPositions.empty()) {
        handleRow(run, row, key);
        return;
    }
    for (auto& values : run.valueSets) values.clear();
    for (int i = 0; i < inputCount; ++i) {
        const int slot = inputSlot[std::size_t(i)];
        if (slot < 0) continue;
        for (const InternalName& member : members)
            if (run.inputOperands[std::size_t(i)]->contains(member))
                run.valueSets[std::size_t(slot)].push_back(member);
        if (run.valueSets[std::size_t(slot)].empty()) return;
    }
    for (auto& values : run.valueSets)
        if (values.empty()) values = members;

    for (int c = 1; c < relationWidth; ++c) run.fullCells[std::size_t(c - 1)] = row->atColumn(c);
    for (const auto& [position, name] : run.valueConstants)
        run.fullCells[std::size_t(position - 1)] = name;
    std::vector<std::size_t> at(run.valueSets.size(), 0);
    auto write = [&](std::size_t slot) {
        run.fullCells[std::size_t(slotPositions[slot])] = run.valueSets[slot][at[slot]];
    };
    for (std::size_t s = 0; s < run.valueSets.size(); ++s) write(s);
    run.help->setRow(run.fullCells.data(), arity);
    handleRow(run, run.help.get(), key);
    // The odometer: slot 0 turns fastest.
    for (std::size_t s = 0; s < run.valueSets.size();) {
        if (++at[s] < run.valueSets[s].size()) {
            write(s);
            handleRow(run, run.help.get(), key);
            s = 0;
        } else {
            at[s] = 0;
            write(s);
            ++s;
        }
    }
}

void Prop::trace(const Run& run) const {
    OutputChannel& out = debugChannel();
    const int firstValue = arity - valueCount;
    out << std::endl
        << "Property : " << positionText(run.access, 0) << "[" << positionText(run.access, 1);
    if (firstValue > 2) out << "@(" << positionsText(run.access, 2, firstValue) << ")";
    out << arrowText(methodType);
    if (valueCount > 1)
        out << "{" << positionsText(run.access, firstValue, arity) << "}";
    else if (valueCount == 1)
        out << positionText(run.access, arity - 1);
    else
        out << (methodType == MethodType::ScalarSignature || methodType == MethodType::SetSignature
                    ? "()"
                    : "{}");
    out << "]" << std::endl;
    printConditions();
    printInputContents(run);
}
