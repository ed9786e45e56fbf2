// IdMapper: function-term rows matched against the inputs, and the name of a lone constant.
#include "compile/IdMapper.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

IdMapper::IdMapper(const IdMapperSpec& spec)
    : BaseOperator(OperatorKind::IdMapper, spec.arity, spec.pattern), function(spec.function) {
    // Column 1 of a relation row is the function symbol.
    for (VarEqRecord& r : varEqs) {
        ++r.a;
        ++r.b;
    }
    for (EqConRecord& r : partEqCons) ++r.column;
    for (EqConRecord& r : eqCons) ++r.column;
    for (VarRecord& r : vars) ++r.column;
    columnOffset = 2;
    for (int i = 0; i < this->inputCount; ++i)
        if (inputRoles[std::size_t(i)] == PatternSpec::InputRole::Rows) selectBySet(i);
}

Ref<Operand> IdMapper::evaluate(clib_list<Operand*>* list, OMAccess* access,
                                const OperatorTrace& tracing) const {
    if (valid == 0) return nullptr;
    if (arity > 0) return BaseOperator::evaluate(list, access, tracing);
    Run run(*this, access, 0);
    run.startResult(variables);
    InternalName name;
    if (access != nullptr && access->internValue(function, name) != 0)
        run.result->insert(name, run.resultCells.data());
    if (tracing.on) run.result->printLexical(debugChannel(), access);
    return run.takeResult();
}

void IdMapper::matchRelation(Run& run) const {
    Ref<Iterator> rows = Ref<Iterator>::adopt(run.access->makeFunctionIter(
        function, run.patternCells.data(), arity, InternalName::UndefinedObject, nullptr));
    if (!rows) return;
    // Rows are keyed by the term's identifier whatever noKey says.
    for (bool more = rows->first(); more; more = rows->next())
        handleRow(run, rows.get(), rows->atColumn(arity + 2));
}

void IdMapper::trace(const Run& run) const {
    OutputChannel& out = debugChannel();
    out << std::endl << "Id-Term : " << lexicalText(run.access, function);
    if (arity > 0) out << "(" << positionsText(run.access, 0, arity) << ")";
    out << std::endl;
    printConditions();
    printInputContents(run);
}
