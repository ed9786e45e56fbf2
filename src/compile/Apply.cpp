// Apply: path steps and arithmetic terms; a set value gives one row per member, keyed by it.
#include "compile/Apply.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "compile/Ref.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"

namespace {

const char* stepText(int stepKind) {
    static const char* const steps[] = {".", "..", "/@", "!", "!!", "!!@"};
    static const char* const operators[] = {" + ", " - ", " * ", " div ", " / "};
    if (stepKind >= 0 && stepKind <= 5) return steps[stepKind];
    if (stepKind >= 100 && stepKind <= 104) return operators[stepKind - 100];
    return "";
}

}  // namespace

Apply::Apply(const ApplySpec& spec)
    : BaseOperator(OperatorKind::Apply, spec.arity, spec.pattern),
      stepKind(spec.stepKind),
      resultKind(spec.resultKind) {
    // An arithmetic operand must be a number in hand, and the host is what the step starts
    // from: both are enumerated; any other bound position may be tested by membership.
    if (arithmetic()) return;
    for (int i = 0; i < this->inputCount; ++i)
        if (this->keyColumns[std::size_t(i)] != 0 &&
            inputRoles[std::size_t(i)] == PatternSpec::InputRole::Rows)
            selectBySet(i);
}

void Apply::matchRelation(Run& run) const {
    const int width = arity + 1;
    run.patternCells[std::size_t(arity)] = InternalName::UndefinedObject;
    Ref<Iterator> rows = Ref<Iterator>::adopt(
        run.access->matchAxis(stepKind, resultKind, run.patternCells.data(), width, nullptr));
    if (!rows) return;
    Iterator* setIter = nullptr;
    for (bool more = rows->first(); more; more = rows->next()) {
        const InternalName value = rows->atColumn(width);
        if (value.getType() != InternalName::SetName) {
            handleRow(run, rows.get(), noKey != 0 ? InternalName::UndefinedObject : value);
            continue;
        }
        setIter = run.access->setIterator(value, setIter);
        // A set the object base does not know is empty; its old iterator is already released.
        if (setIter == nullptr) continue;
        if (needsCheck != 0 && !match(run, rows.get())) continue;
        for (const VarRecord& r : vars)
            run.resultCells[std::size_t(r.cell)] = rows->atColumn(r.column);
        for (bool member = setIter->first(); member; member = setIter->next())
            emitRow(run, rows.get(),
                    noKey != 0 ? InternalName::UndefinedObject : setIter->atColumn(1));
    }
    decRef(setIter);
}

void Apply::trace(const Run& run) const {
    OutputChannel& out = debugChannel();
    out << std::endl << "Apply : ";
    for (int p = 0; p < arity; ++p) {
        if (p == 1) out << stepText(stepKind);
        if (p == 2) out << "@(";
        out << positionText(run.access, p);
        if (p >= 2) out << (p + 1 < arity ? "," : ")");
    }
    out << std::endl;
    printConditions();
    printInputContents(run);
}
