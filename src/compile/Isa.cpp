// Isa: rows of the inheritance-aware is-a relation matched against the inputs.
#include "compile/Isa.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/Ref.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

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

bool Isa::putConstants(Run& run) const {
    if (relation != IsaRelation::Subclass || run.access == nullptr)
        return BaseOperator::putConstants(run);
    for (const auto& [position, symbol] : constants) {
        if (symbol == FSymbol()) continue;
        InternalName name = InternalName::UndefinedObject;
        if (run.access->internValue(symbol, name) == 0) {
            name = InternalName::UndefinedObject;
            run.access->getOrCreateName(symbol, name);
            if (name == InternalName::UndefinedObject) return false;
        }
        if (position >= 1 && position <= arity) run.patternCells[std::size_t(position - 1)] = name;
    }
    return true;
}

void Isa::matchRelation(Run& run) const {
    InternalName object = run.patternCells[0];
    InternalName cls = run.patternCells[1];
    Ref<Iterator> rows =
        Ref<Iterator>::adopt(run.access->makeEnhIsaIter(object, cls, relation, nullptr));
    if (!rows) return;
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(run, rows.get(), noKey != 0 ? InternalName::UndefinedObject : rows->atColumn(1));
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
