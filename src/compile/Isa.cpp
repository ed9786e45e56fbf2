// Isa: rows of the inheritance-aware is-a relation matched against the inputs.
#include "compile/Isa.h"

#include <ostream>
#include <string>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "compile/StableRows.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"

namespace {

// Whether O : C holds for the object and class of each row: the relation the literal reads,
// asked with both given, as its evaluation over the projected rows asks it.
class MembershipProbe final : public RowProbe {
  public:
    // No access, or a class constant without a name: nothing holds.
    MembershipProbe() = default;
    MembershipProbe(OMAccess* access, IsaRelation relation, std::vector<InternalName> pattern,
                    std::vector<std::pair<int, int>> fill)
        : access(access), relation(relation), pattern(std::move(pattern)), fill(std::move(fill)) {}

    bool holds(const InternalName* row) override {
        if (access == nullptr) return false;
        for (const auto& [cell, column] : fill) pattern[std::size_t(cell)] = row[column];
        rows = Ref<Iterator>::adopt(
            access->makeEnhIsaIter(pattern[0], pattern[1], relation, rows.release()));
        return rows && rows->first();
    }

  private:
    OMAccess* access = nullptr;
    IsaRelation relation = IsaRelation::Member;
    std::vector<InternalName> pattern;
    // (pattern cell, 0-based input column).
    std::vector<std::pair<int, int>> fill;
    Ref<Iterator> rows;
};

// The stored memberships (object, class) as result rows, read in place when the operand is
// read: no copy of them into the operand. Each row is stored once, so the rows are distinct when
// both cells reach the result.
class MembershipRowsSource final : public RowSource {
  public:
    MembershipRowsSource(const RelationStore* store, std::vector<std::pair<int, int>> take,
                         std::vector<InternalName> cells, bool distinct)
        : range(store, 0), take(std::move(take)), cells(std::move(cells)), distinct(distinct) {}

    void produce(const RowSink& emit) override {
        range.scan([&](const InternalName* row) {
            for (const auto& [column, cell] : take) cells[std::size_t(cell)] = row[column];
            return emit(cells.data());
        });
    }
    bool distinctRows() const override { return distinct; }
    bool readsInPlace() const override { return true; }
    std::size_t rowsAtMost() const override { return std::size_t(range.end() - range.begin()); }

  private:
    StableRows range;
    // (0-based column, result cell).
    std::vector<std::pair<int, int>> take;
    std::vector<InternalName> cells;
    bool distinct;
};

}  // namespace

Isa::Isa(const IsaRelationSpec& spec)
    : BaseOperator(OperatorKind::Isa, spec.arity, spec.pattern), relation(spec.relation) {
    objectVariable = variableOfColumn(1);
    // A class given as a constant lets an input select by membership instead of enumeration.
    const bool classConstant = constants.count(2) != 0;
    for (int i = 0; i < this->inputCount; ++i) {
        if (this->keyColumns[std::size_t(i)] == 0) continue;
        bool qualifies = relation == IsaRelation::Member || this->inputCount == 2 || classConstant;
        if (qualifies && inputRoles[std::size_t(i)] == PatternSpec::InputRole::Rows) selectBySet(i);
    }
}

bool Isa::probesEachInputRow() const {
    if (relation != IsaRelation::Member || inputCount != 1 || !advancesInput(0) ||
        inputRoles.front() != PatternSpec::InputRole::Projection || !eqCons.empty() ||
        !eqJoins.empty() || !varEqs.empty() || !testedByCon.inputs.empty() ||
        !testedByJoin.inputs.empty() || !setSelects.empty() || !partEqCons.empty() ||
        !partEqJoins.empty())
        return false;
    // Both cells given, each by a constant or by the input.
    bool given[2] = {false, false};
    for (const auto& [position, symbol] : constants)
        if (symbol != FSymbol() && position >= 1 && position <= 2) given[position - 1] = true;
    for (const InputBinding& b : inputBindings.front())
        if (b.cell >= 0 && b.cell < 2) given[b.cell] = true;
    return given[0] && given[1];
}

std::unique_ptr<RowProbe> Isa::rowProbe(OMAccess* access, const std::vector<int>& columns) const {
    std::vector<InternalName> pattern(2, InternalName::UndefinedObject);
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name;
        // A class or object without a name is in no membership; a string is looked up, not
        // made.
        OM* om = access != nullptr ? access->om() : nullptr;
        if (om == nullptr || om->giveInternalName(symbol, name) == 0)
            return std::make_unique<MembershipProbe>();
        if (position >= 1 && position <= 2) pattern[std::size_t(position - 1)] = name;
    }
    std::vector<std::pair<int, int>> fill;
    for (const InputBinding& b : inputBindings.front()) {
        if (b.column < 1 || std::size_t(b.column) > columns.size() || b.cell < 0 || b.cell >= 2)
            return std::make_unique<MembershipProbe>();
        fill.emplace_back(b.cell, columns[std::size_t(b.column - 1)]);
    }
    return std::make_unique<MembershipProbe>(access, relation, std::move(pattern), std::move(fill));
}

namespace {

// The one row a name stands in to itself, as an iterator for the row handling.
class SelfRow final : public Iterator {
  public:
    void target(const InternalName& name) { self = name; }
    bool first() override { return true; }
    bool next() override { return false; }
    InternalName atColumn(int col) override {
        return col == 1 || col == 2 ? self : InternalName::UndefinedObject;
    }
    int columns() override { return 2; }
    bool isA(const std::string& className) const override { return className == "SelfRow"; }

  private:
    InternalName self = InternalName::UndefinedObject;
};

}  // namespace

// An evaluation that asks the relation once per input row re-targets one iterator each time
// instead of making a new one.
struct Isa::IsaRun final : Run {
    IsaRun(const Isa& op, OMAccess* access) : Run(op, access, op.patternWidth()) {}
    Ref<Iterator> rows;
    Ref<SelfRow> self;
    // Whether the objects the input gives are distinct (-1: not asked yet).
    int distinctObjects = -1;
    // Both sides name the same name, one that was never made: the one row of the name to
    // itself, with nothing of it asked of the base.
    bool unnamedSelf = false;
};

bool Isa::putConstants(Run& base) const {
    auto& run = static_cast<IsaRun&>(base);
    run.unnamedSelf = false;
    OM* om = run.access != nullptr ? run.access->om() : nullptr;
    if (om == nullptr) return BaseOperator::putConstants(base);
    // A name that no fact, rule or earlier answer made has no class, member or subclass but
    // itself, and is made here for no literal: a name a query made would come before the names a
    // program consulted later makes, and where classes tie the earlier name gives the value. With
    // both sides given the one row of the name to itself is answered without it; with one side
    // given, as any literal with an unknown constant, the literal has no rows.
    FSymbol given[2];
    bool unnamed = false;
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol() || position < 1 || position > 2) continue;
        given[position - 1] = symbol;
        // Looked up, not made: a string is made on first use as well.
        InternalName name;
        if (om->giveInternalName(symbol, name) == 0) unnamed = true;
    }
    if (unnamed) {
        if (relation != IsaRelation::Subclass || given[0] == FSymbol() || given[1] == FSymbol() ||
            given[0] != given[1])
            return false;
        run.unnamedSelf = true;
        return true;
    }
    return BaseOperator::putConstants(base);
}

bool Isa::inputGivesDistinctObjects(const Run& run) const {
    // One input of one column, the object's, read row by row from its stored rows: no two
    // rows hold the same cells unless keys tell them apart.
    if (inputCount != 1 || !advancesInput(0) || inputBindings.front().size() != 1 ||
        inputBindings.front().front().cell != 0)
        return false;
    const Operand* input = run.inputOperands.front();
    // A projection's names are a set.
    if (dynamic_cast<const Operand2*>(input) != nullptr) return true;
    const auto* rows = dynamic_cast<const SetOperand*>(input);
    return rows != nullptr && !rows->holdsSource() && rows->columnCount() == 1 &&
           rows->cellsDistinct();
}

std::unique_ptr<BaseOperator::Run> Isa::newRun(OMAccess* access) const {
    return std::make_unique<IsaRun>(*this, access);
}

void Isa::matchRelation(Run& base) const {
    auto& run = static_cast<IsaRun&>(base);
    InternalName object = run.patternCells[0];
    InternalName cls = run.patternCells[1];
    if (run.unnamedSelf) {
        // Both sides are constants: the row's cells reach no variable.
        if (!run.self) run.self = Ref<SelfRow>::make();
        run.self->target(InternalName::UndefinedObject);
        handleRow(run, run.self.get(), InternalName::UndefinedObject);
        return;
    }
    // Without a stored subclass fact a name is a subclass of itself only: the row of a given
    // name is made here, with no closure asked of the base (the delta of a membership is
    // joined through such a literal once per new member).
    if (relation == IsaRelation::Subclass && object != InternalName::UndefinedObject &&
        run.access->holdsNoRelation(IsaRelation::Subclass)) {
        if (cls != InternalName::UndefinedObject && cls != object) return;
        const InternalName& key = noKey != 0 ? InternalName::UndefinedObject : object;
        if (needsCheck == 0 && enumerated.inputs.empty()) {
            // Nothing to test and nothing to combine: the row (object, object) is written
            // without an iterator, and appended without a search when no object comes twice
            // (the delta of a membership projected to its classes).
            if (run.distinctObjects < 0) run.distinctObjects = inputGivesDistinctObjects(run);
            putRow(run, key, object, object, run.distinctObjects != 0);
            return;
        }
        if (!run.self) run.self = Ref<SelfRow>::make();
        run.self->target(object);
        handleRow(run, run.self.get(), key);
        return;
    }
    if (relation == IsaRelation::Member && object == InternalName::UndefinedObject &&
        cls == InternalName::UndefinedObject && needsCheck == 0 && enumerated.inputs.empty() &&
        run.access->holdsNoRelation(IsaRelation::Subclass) && everyMembership(run))
        return;
    run.rows =
        Ref<Iterator>::adopt(run.access->makeEnhIsaIter(object, cls, relation, run.rows.release()));
    Iterator* rows = run.rows.get();
    if (rows == nullptr) return;
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(run, rows, noKey != 0 ? InternalName::UndefinedObject : rows->atColumn(1));
}

bool Isa::everyMembership(Run& base) const {
    auto& run = static_cast<IsaRun&>(base);
    OM* om = run.access->om();
    if (om == nullptr) return false;
    // A reader that takes the rows by their cells alone (a count) needs no key: the rows of an
    // untraced run are read in place as well (a traced one prints them keyed, as it stores them).
    const bool unkeyed = noKey != 0 || (orderFree && !run.traced);
    // Rows of the same cells come apart by their class, or by their object as their key.
    bool objectTaken = !unkeyed;
    bool classTaken = false;
    for (const VarRecord& r : vars) {
        objectTaken = objectTaken || r.column == 1;
        classTaken = classTaken || r.column == 2;
    }
    const bool distinct = objectTaken && classTaken;
    // Rows without a key, made once from no input: the stored memberships are the rows.
    if (unkeyed && inputCount == 0)
        if (const RelationStore* stored = om->storedMemberships()) {
            std::vector<std::pair<int, int>> take;
            for (const VarRecord& r : vars)
                if (r.column == 1 || r.column == 2) take.emplace_back(r.column - 1, r.cell);
            std::vector<InternalName> cells = run.resultCells;
            for (const VarRecord& r : vars)
                if (r.column != 1 && r.column != 2)
                    cells[std::size_t(r.cell)] = InternalName::UndefinedObject;
            run.result->defer(std::make_unique<MembershipRowsSource>(stored, std::move(take),
                                                                     std::move(cells), distinct));
            return true;
        }
    // Every object in the order of the names, each with its classes in ascending order, as the
    // walk of the relation gives them; without a subclass fact they are the stored ones, read
    // in place and written straight into the result.
    run.rows = Ref<Iterator>::adopt(run.access->objNamesIterator(run.rows.release()));
    Iterator* objects = run.rows.get();
    if (objects == nullptr) return true;
    for (bool more = objects->first(); more; more = objects->next()) {
        const InternalName object = objects->atColumn(1);
        const ObjectFrameView frame = om->objectFrameOf(object);
        if (!frame) continue;
        const SetFrameView classes = om->setFrameOf(frame.setNameOf(IsaRelation::Member));
        if (!classes) continue;
        const InternalName& key = noKey != 0 ? InternalName::UndefinedObject : object;
        for (const InternalName& cls : classes.memberSet().ascending())
            putRow(run, key, object, cls, distinct);
    }
    return true;
}

void Isa::putRow(Run& run, const InternalName& key, const InternalName& object,
                 const InternalName& cls, bool distinct) const {
    for (const VarRecord& r : vars)
        run.resultCells[std::size_t(r.cell)] = r.column == 1   ? object
                                               : r.column == 2 ? cls
                                                               : InternalName::UndefinedObject;
    if (distinct)
        run.result->insertDistinct(key, run.resultCells.data());
    else
        run.result->insert(key, run.resultCells.data());
}

void Isa::trace(const Run& run) const {
    OutputChannel& out = debugChannel();
    const char* separator = " :: ";
    switch (relation) {
        case IsaRelation::Member:
            separator = " : ";
            break;
        // The child relation is printed as the subclass one.
        case IsaRelation::Subclass:
        case IsaRelation::Child:
            break;
    }
    out << std::endl << "Isa-Relationship : ";
    for (int c = 0; c < arity; ++c) {
        if (c > 0) out << separator;
        out << positionText(run.access, c);
    }
    out << std::endl;
    printConditions();
    printInputContents(run);
}
