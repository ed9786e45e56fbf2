// The evaluation interface's shell face.
#include "eval/Evaluation.h"

#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "language/FProgram.h"

FLSysRef Evaluation::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<Evaluation>& Evaluation::shellCommands() {
    // An evaluation has the help of FLSysObject, or its evaluator's own.
    static const ShellCommands<Evaluation> table{
        {},
        {{"evaluate", ShellArgs::Any,
          [](Evaluation& self, FLSysArgs* args) -> FLSysRef { return self.evaluateCall(args); }}},
        {}};
    return table;
}

void Evaluation::print(OutputChannel& channel) const {
    channel << "anEvaluation";
}

bool Evaluation::isA(const std::string& className) const {
    return className == "Evaluation" || FLSysObject::isA(className);
}

FLSysRef Evaluation::evaluateCall(FLSysArgs* args) {
    if (argumentCount(args) == 0) return Ref<FLSysBoolean>::make(evaluate(nullptr));
    FLSysObject* program = nullptr;
    if (!checkArgs1(args, "FProgram", program)) return nullptr;
    return Ref<FLSysBoolean>::make(evaluate(static_cast<FProgram*>(program)));
}
