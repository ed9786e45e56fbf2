// Apply: path steps and arithmetic terms; a set value gives one row per member, keyed by it.
#include "compile/Apply.h"

#include <ostream>

#include "access/OMAccess.h"
#include "compile/Operand.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "platform/ControlEvents.h"

namespace {

const char* stepText(MethodType type) {
    const MethodTypeText* text = methodTypeText(code(type));
    return text != nullptr ? text->step : "";
}

const char* stepText(ArithmeticOp op) {
    switch (op) {
        case ArithmeticOp::Plus:
            return " + ";
        case ArithmeticOp::Minus:
            return " - ";
        case ArithmeticOp::Times:
            return " * ";
        case ArithmeticOp::IntegerDivision:
            return " div ";
        case ArithmeticOp::Division:
            return " / ";
    }
    return "";
}

}  // namespace

Apply::Apply(const ApplySpec& spec)
    : BaseOperator(OperatorKind::Apply, spec.arity, spec.pattern),
      step(spec.step),
      axis(spec.axis) {
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
        run.access->matchAxis(step, axis, run.patternCells.data(), width, nullptr));
    if (!rows) return;
    // Handed back for each further set name.
    Ref<Iterator> setIter;
    // A step from one node may yield millions of rows (every descendant of a document's root):
    // Ctrl-C or a farewell ends it, noted as cut short, and the evaluator throws the result away.
    controlEvents::StopPoll stopPoll;
    for (bool more = rows->first(); more && !stopPoll.stop(); more = rows->next()) {
        const InternalName value = rows->atColumn(width);
        if (value.getType() != InternalName::SetName) {
            handleRow(run, rows.get(), noKey != 0 ? InternalName::UndefinedObject : value);
            continue;
        }
        Iterator* members =
            setIter.renew([&](Iterator* old) { return run.access->setIterator(value, old); });
        // A set the object base does not know is empty; its old iterator is already released.
        if (members == nullptr) continue;
        if (needsCheck != 0 && !match(run, rows.get())) continue;
        for (const VarRecord& r : vars)
            run.resultCells[std::size_t(r.cell)] = rows->atColumn(r.column);
        for (bool member = members->first(); member && !stopPoll.stop(); member = members->next())
            emitRow(run, rows.get(),
                    noKey != 0 ? InternalName::UndefinedObject : members->atColumn(1));
    }
}

void Apply::trace(const Run& run) const {
    OutputChannel& out = debugChannel();
    out << std::endl << "Apply : ";
    for (int p = 0; p < arity; ++p) {
        if (p == 1) std::visit([&out](auto kind) { out << stepText(kind); }, step);
        if (p == 2) out << "@(";
        out << positionText(run.access, p);
        if (p >= 2) out << (p + 1 < arity ? "," : ")");
    }
    out << std::endl;
    printConditions();
    printInputContents(run);
}
