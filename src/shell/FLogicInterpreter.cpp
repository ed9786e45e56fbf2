// The F-Logic interpreter: clauses into the current program, evaluation with its timing lines,
// queries answered end to end; the placeholder interpreter and the class object.
#include "shell/FLogicInterpreter.h"

#include "compile/Operand.h"
#include "compile/SemanticAnalyser.h"
#include "eval/Evaluation.h"
#include "eval/PPProtocol.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/StatisticHandler.h"
#include "foundation/Timer.h"
#include "foundation/clib_list.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "platform/ControlEvents.h"
#include "shell/ClauseRewriter.h"

namespace {

// A timing line of the statistics: every label is 34 characters, its colon in column 33.
void addTimingLine(const char* label, Timer& watch) {
    centralStatistic().insert(
        std::string(label) + watch.diffReal() + " real    " + watch.diffUser() + " user", 0);
}

}  // namespace

FLogicInterpreter::FLogicInterpreter(Evaluation* evaluation, PPProtocol* printer,
                                     SemanticAnalyser* analyser)
    : evaluation(Ref<Evaluation>::share(evaluation)),
      printer(Ref<PPProtocol>::share(printer)),
      analyser(Ref<SemanticAnalyser>::share(analyser)),
      emptyProgram(Ref<FProgram>::make(nullptr, nullptr)) {}

FLogicInterpreter::~FLogicInterpreter() {
    // In this order: the collaborators before the programs they were given.
    evaluation.reset();
    printer.reset();
    analyser.reset();
    rewriter.reset();
    program.reset();
    emptyProgram.reset();
}

FLSysRef FLogicInterpreter::methodCall(const std::string& name, FLSysArgs* args) {
    return shellCommands().dispatch<FLSysObject>(*this, name, args);
}

const ShellCommands<FLogicInterpreter>& FLogicInterpreter::shellCommands() {
    static const ShellCommands<FLogicInterpreter> table{
        {"", "                    Online help for class FLogicInterpreter", "", "",
         "You can apply the following member functions to an instance of class "
         "FLogicInterpreter : ",
         ""},
        {{"help", ShellArgs::NoneReported,
          [](FLogicInterpreter& self, FLSysArgs*) -> FLSysRef {
              self.writeHelp(helpChannel());
              return FLSysRef::share(&self);
          },
          standardMethodsHelp()}},
        {}};
    return table;
}

bool FLogicInterpreter::isOk() const {
    return evaluation != nullptr && printer != nullptr && evaluation->isOk() && printer->isOk();
}

void FLogicInterpreter::display(OutputChannel& channel) const {
    channel << "a " << (isOk() ? "normal" : "corrupted") << " FLogicInterpreter \n";
}

void FLogicInterpreter::print(OutputChannel& channel) const {
    channel << "aFLogicInterpreter";
}

bool FLogicInterpreter::isA(const std::string& className) const {
    return className == "FLogicInterpreter" || FLSysObject::isA(className);
}

FLogicInterpreter* FLogicInterpreter::eval() {
    Timer watch;
    if (program == nullptr) return nullptr;
    if (changed != 0) {
        evaluation->reset(0);
        evaluated = 0;
    }
    if (evaluated != 0) return this;
    watch.start();
    const int analysed = analyser->analyse(program.get(), program->getSymTab());
    watch.stop();
    addTimingLine("Time spent in semantic analyses : ", watch);
    if (analysed == 0) return nullptr;
    watch.start();
    const int reached = evaluation->evaluate(program.get());
    evaluation->reset(0);
    watch.stop();
    // Only a fixpoint is a model: after an interrupted or failed evaluation the next eval
    // runs again.
    evaluated = reached != 0 ? 1 : 0;
    addTimingLine("Total time spent in evaluation  : ", watch);
    if (reached == 0) return nullptr;
    changed = 0;
    return this;
}

FLogicInterpreter* FLogicInterpreter::tp() {
    if (changed != 0 && program != nullptr) {
        evaluation->reset(0);
        changed = 0;
    }
    evaluated = 0;
    Evaluation* done = evaluation->tp(program.get());
    evaluation->reset(0);
    return done != nullptr ? this : nullptr;
}

FLogicInterpreter* FLogicInterpreter::forgetProgram(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    program.reset();
    evaluation->reset(0);
    changed = 1;
    return this;
}

FProgram* FLogicInterpreter::showProgram(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    return showProgram();
}

SymTab* FLogicInterpreter::baseSymTab() const {
    return evaluation != nullptr ? evaluation->baseSymTab() : nullptr;
}

FProgram* FLogicInterpreter::showProgram() {
    return program != nullptr ? program.get() : emptyProgram.get();
}

FLogicInterpreter* FLogicInterpreter::addClause(FRule* clause, SymTab* symTab) {
    if (clause == nullptr) return nullptr;
    const int kind = clause->ruleKind();
    if (kind != FRule::Fact && kind != FRule::Rule) return this;
    changed = 1;
    if (program == nullptr) program = Ref<FProgram>::make(new clib_list<FRule*>(), symTab);
    if (rewriter != nullptr) rewriter->rewriteClause(clause, symTab);
    program->appendClause(clause);
    return this;
}

FLogicInterpreter* FLogicInterpreter::addGroundFact(const FactList::Ground& fact, SymTab* symTab) {
    changed = 1;
    if (program == nullptr) program = Ref<FProgram>::make(new clib_list<FRule*>(), symTab);
    program->appendGround(fact);
    return this;
}

FLogicInterpreter* FLogicInterpreter::query(FRule* query, SymTab* symTab) {
    if (query == nullptr) return nullptr;
    // The names the query makes go again once its answers are printed, however it ends.
    struct QueryScope {
        Evaluation* evaluation;
        explicit QueryScope(Evaluation* evaluation) : evaluation(evaluation) {
            if (evaluation != nullptr) evaluation->beginQuery();
        }
        ~QueryScope() {
            if (evaluation != nullptr) evaluation->endQuery();
        }
        QueryScope(const QueryScope&) = delete;
        QueryScope& operator=(const QueryScope&) = delete;
    } scope(evaluation.get());
    Timer answerWatch;
    Timer printWatch;
    printer->beginQuery(query);
    if (rewriter != nullptr) rewriter->rewriteClause(query, symTab);
    if (analyser->analyse(query, symTab) == 0) return nullptr;
    answerWatch.start();
    const Ref<Operand> answers = evaluation->retrieve(query, query->getSymTab());
    answerWatch.stop();
    // Ctrl-C or a farewell cut the computation short: what came back is unfinished and is not
    // shown as the answer. Ctrl-C says so, as a cancelled evaluation does, and the file goes on
    // as after a cancelled evaluation; a farewell says nothing more, it ends the program.
    if (controlEvents::takeCutShort()) {
        if (controlEvents::farewellPending()) return nullptr;
        debugChannel() << "query cancelled" << std::endl;
        controlEvents::clearInterrupt();
        return this;
    }
    if (!answers) return nullptr;
    printWatch.start();
    printer->makeOutput(query, answers.get());
    printWatch.stop();
    addTimingLine("Time spent in computing answers : ", answerWatch);
    addTimingLine("Time spent in pretty-printing   : ", printWatch);
    return this;
}

void FLogicInterpreter::clear() {
    if (program != nullptr) changed = 1;
    if (evaluation != nullptr) evaluation->reset(1);
    evaluated = 0;
}

void FLogicInterpreter::setDialect(std::string word) {
    if (word == "Kavum") {
        rewriter =
            Ref<ClauseRewriter>::adopt(clauseRewriters != nullptr ? clauseRewriters() : nullptr);
    } else if (word == "FLogic") {
        rewriter.reset();
    }
}

void FLogicInterpreter::writeHelp(OutputChannel& channel) const {
    shellCommands().writeHelp(channel);
}

EmptyFLogicInterp::EmptyFLogicInterp() : FLogicInterpreter(nullptr, nullptr, nullptr) {}

bool EmptyFLogicInterp::isA(const std::string& className) const {
    return className == "EmptyFLogicInterp" || FLogicInterpreter::isA(className);
}

FLogicInterpreter* EmptyFLogicInterp::eval() {
    centralErrorHandler().report(err11::noFLogicInterpreter);
    return nullptr;
}

FLogicInterpreter* EmptyFLogicInterp::tp() {
    centralErrorHandler().report(err11::noFLogicInterpreter);
    return nullptr;
}

FLogicInterpreter* EmptyFLogicInterp::forgetProgram(FLSysArgs* /*args*/) {
    centralErrorHandler().report(err11::noFLogicInterpreter);
    return nullptr;
}

FProgram* EmptyFLogicInterp::showProgram(FLSysArgs* /*args*/) {
    return showProgram();
}

FProgram* EmptyFLogicInterp::showProgram() {
    centralErrorHandler().report(err11::noFLogicInterpreter);
    return nullptr;
}

FLogicInterpreter* EmptyFLogicInterp::query(FRule* /*query*/, SymTab* /*symTab*/) {
    centralErrorHandler().report(err11::noFLogicInterpreter);
    return nullptr;
}

FLogicInterpreterMeta::FLogicInterpreterMeta() : XMeta("FLogicInterpreter") {}

FLSysRef FLogicInterpreterMeta::createInstance(FLSysArgs* args) {
    FLSysObject* evaluation = nullptr;
    FLSysObject* printer = nullptr;
    FLSysObject* analyser = nullptr;
    if (!checkArgs3(args, "Evaluation", evaluation, "PrettyPrinter", printer, "SemanticAnalyser",
                    analyser)) {
        return nullptr;
    }
    return Ref<FLogicInterpreter>::make(dynamic_cast<Evaluation*>(evaluation),
                                        dynamic_cast<PPProtocol*>(printer),
                                        dynamic_cast<SemanticAnalyser*>(analyser));
}
