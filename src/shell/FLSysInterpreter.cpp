// The sys interpreter: construction, variables, the command table and the commands that do not
// read shell text (load, open, switch, forgetIDB, the nested shell, help and display).
#include "shell/FLSysInterpreter.h"

#include <fstream>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellCommands.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "language/FParser.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "objectbase/DebugFileOutput.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"
#include "shell/FLogicInterpreter.h"
#include "shell/FParserFactory.h"
#include "shell/ShellText.h"

namespace {

Error noRulesAllowed(const std::string& fileName) {
    return Error(11, 1020, 2, "NoRulesAllowed",
                 "file " + fileName + " contains rules or queries, no insert done. ",
                 "FLSysInterpreter::load", "");
}

Error foreignSymTab() {
    return Error(11, 1018, 2, "ForeignSymTab",
                 "The symbol table given to switch is not the one of the interpreter's object "
                 "base; nothing was switched.",
                 "FLSysInterpreter::switchInterpreter", "");
}

}  // namespace

FLSysInterpreter::FLSysInterpreter()
    : symTab(Ref<SymTab>::make()),
      parserFactory(Ref<FLogicParserFactory>::make()),
      channel(Ref<OutputChannel>::make()),
      interpreter(Ref<EmptyFLogicInterp>::make()) {
    variables.emplace("sys", Variable(this, this));
    symTab->initBuiltinSymbols();
}

FLSysInterpreter::~FLSysInterpreter() {
    finish();
    // Released in the order they were made in reverse: the interpreter first, the symbol table
    // its clauses name last.
    interpreter.reset();
    channel.reset();
    parserFactory.reset();
    symTab.reset();
}

FLSysRef FLSysInterpreter::methodCall(const std::string& name, FLSysArgs* args) {
    // Literals come before the commands, the shell variables after them.
    if (Outcome literal = literalValue(name, args)) return std::move(*literal);
    if (std::optional<Outcome> command = shellCommands().call(*this, name, args)) {
        if (*command) return std::move(**command);
    }
    if (std::optional<FLSysObject*> value = lookupVariable(name)) {
        if (!checkNoArgs(args)) return nullptr;
        return FLSysRef::share(*value);
    }
    return FLSysObject::methodCall(name, args);
}

const ShellCommands<FLSysInterpreter, FLSysInterpreter::Outcome>&
FLSysInterpreter::shellCommands() {
    static const ShellCommands<FLSysInterpreter, Outcome> table{
        helpHeading("FLSysInterpreter"),
        {
            {"help", ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.helpCommand(args); },
             coreMethodsHelp()},
            {"print",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.printCommand(args); },
             {"    - print", "          prints type of instance"}},
            {"display",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.displayCommand(args); },
             {"    - display", "          displays components"}},
            {"end",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.endCommand(args); },
             {"    - end", "          leave the flogic-system or a subshell"}},
            {"eval",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.evalCommand(args); },
             {"    - eval", "          evaluate the current program"}},
            {"tp",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.tpCommand(args); },
             {"    - tp", "          apply TP-operator once"}},
            {"showProgram",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.showProgramCommand(args); },
             {"    - showProgram", "          show the current program"}},
            {"forgetProgram",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) {
                 return self.forgetProgramCommand(args);
             },
             {"    - forgetProgram", "          clear the current program"}},
            {"forgetIDB",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.forgetIDBCommand(args); },
             {"    - forgetIDB", "          clear the object manager"}},
            {"switch",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.switchCommand(args); },
             {"    - switch", "          link a new FLogicInterpreter to sys"}},
            {"debugOn",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.debugOnCommand(args); },
             {"    - debugOn", "          echo lines read while consulting"}},
            {"debugOff",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.debugOffCommand(args); },
             {"    - debugOff"}},
            {"interpreteLine",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) {
                 return self.interpreteLineCommand(args);
             },
             {"    - interpreteLine@(string)", "          string: command in flogic syntax"}},
            {"interpreteFile",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) {
                 return self.interpreteFileCommand(args);
             },
             {"    - interpreteFile@(string)", "          string: filename"}},
            {"consult",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) {
                 return self.interpreteFileCommand(args);
             },
             {"    - consult@(string)", "          string: filename"}},
            {"open",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.openCommand(args); },
             {"    - open@(string)", "          opens a FLSysOStream pointing to a file.",
              "          string: filename",
              "          Usage: ?- sys[mystream->sys.open@(\"logfile\")]."}},
            {"shell",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.shellCommand(args); },
             {"    - shell", "          Go into interactive mode. Return with method end."}},
            {"echo",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.echoCommand(args); },
             {"    - echo@(string)", "          string: displayed on output stream"}},
            {"remove",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.removeCommand(args); },
             {"    - remove@(string)", "          string: name of interface object to remove"}},
            {"load",
             ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.loadCommand(args); },
             {"    - load@(string)",
              "          string: name of file which is loaded directly into OM.",
              "                  file has to contain only facts, otherwise load fails"}},
            {"return", ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) { return self.returnCommand(args); }},
            {"garbageCollection", ShellArgs::Any,
             [](FLSysInterpreter& self, FLSysArgs* args) {
                 return self.garbageCollectionCommand(args);
             }},
        },
        {"", ""}};
    return table;
}

FLSysInterpreter::Outcome FLSysInterpreter::literalValue(const std::string& name, FLSysArgs* args) {
    if (!isConstant(name)) return std::nullopt;
    if (!checkNoArgs(args)) return nullptr;
    if (FLSysString* text = FLSysString::fromLiteral(name)) return FLSysRef::adopt(text);
    return FLSysRef::adopt(FLSysInteger::fromLiteral(name));
}

FLSysInterpreter::Outcome FLSysInterpreter::endCommand(FLSysArgs* /*args*/) {
    return Ref<FLSysEsc>::make("end");
}

FLSysInterpreter::Outcome FLSysInterpreter::returnCommand(FLSysArgs* /*args*/) {
    return Ref<FLSysEsc>::make("return");
}

FLSysInterpreter::Outcome FLSysInterpreter::evalCommand(FLSysArgs* /*args*/) {
    // A rule head that exports a node into a file that could not be written has reported why;
    // the evaluation then fails, as the export command fails on the same file.
    const FailedWriteWatch writes;
    interpreter->eval();
    if (writes.failed()) return nullptr;
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::tpCommand(FLSysArgs* /*args*/) {
    const FailedWriteWatch writes;
    FLogicInterpreter* stepped = interpreter->tp();
    if (writes.failed()) return nullptr;
    return FLSysRef::share(stepped);
}

FLSysInterpreter::Outcome FLSysInterpreter::loadCommand(FLSysArgs* args) {
    if (argumentCount(args) != 1) {
        centralErrorHandler().report(err11::WrongNumberOfArguments);
        return nullptr;
    }
    FLSysObject* fileName = nullptr;
    if (!checkArgs1(args, "FLSysString", fileName)) return std::nullopt;
    return FLSysRef::share(load(static_cast<FLSysString*>(fileName)->value()));
}

FLSysInterpreter::Outcome FLSysInterpreter::showProgramCommand(FLSysArgs* args) {
    if (FProgram* program = interpreter->showProgram(args)) program->display(answerChannel());
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::forgetProgramCommand(FLSysArgs* args) {
    return FLSysRef::share(interpreter->forgetProgram(args));
}

FLSysInterpreter::Outcome FLSysInterpreter::garbageCollectionCommand(FLSysArgs* /*args*/) {
    releasePools(1);
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::forgetIDBCommand(FLSysArgs* args) {
    return forgetIDB(args);
}

FLSysInterpreter::Outcome FLSysInterpreter::switchCommand(FLSysArgs* args) {
    return FLSysRef::share(switchInterpreter(args));
}

FLSysInterpreter::Outcome FLSysInterpreter::debugOnCommand(FLSysArgs* /*args*/) {
    debugOn();
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::debugOffCommand(FLSysArgs* /*args*/) {
    debugOff();
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::interpreteLineCommand(FLSysArgs* args) {
    std::optional<std::string> text = stringArgument(args);
    if (!text) return nullptr;
    return interprete(*text, 1);
}

FLSysInterpreter::Outcome FLSysInterpreter::interpreteFileCommand(FLSysArgs* args) {
    std::optional<std::string> fileName = stringArgument(args);
    if (!fileName) return nullptr;
    return interprete(*fileName, 0);
}

FLSysInterpreter::Outcome FLSysInterpreter::openCommand(FLSysArgs* args) {
    std::optional<std::string> fileName = stringArgument(args);
    if (!fileName) return nullptr;
    return open(*fileName);
}

FLSysInterpreter::Outcome FLSysInterpreter::removeCommand(FLSysArgs* args) {
    std::optional<std::string> variable = stringArgument(args);
    if (!variable) return nullptr;
    unsetVariable(*variable);
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::helpCommand(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    return FLSysRef::share(help());
}

FLSysInterpreter::Outcome FLSysInterpreter::shellCommand(FLSysArgs* /*args*/) {
    return FLSysRef::share(shell());
}

FLSysInterpreter::Outcome FLSysInterpreter::displayCommand(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    display(systemChannel());
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::printCommand(FLSysArgs* args) {
    if (!checkNoArgs(args)) return nullptr;
    print(systemChannel());
    return FLSysRef::share(this);
}

FLSysInterpreter::Outcome FLSysInterpreter::echoCommand(FLSysArgs* args) {
    FLSysObject* text = nullptr;
    if (!checkArgs1(args, "FLSysString", text)) return std::nullopt;
    answerChannel() << static_cast<FLSysString*>(text)->value() << std::endl;
    return FLSysRef::share(this);
}

std::optional<std::string> FLSysInterpreter::stringArgument(FLSysArgs* args) {
    FLSysObject* text = nullptr;
    if (!checkArgs1(args, "FLSysString", text)) return std::nullopt;
    return static_cast<FLSysString*>(text)->value();
}

void FLSysInterpreter::assign(const std::string& name, FLSysObject* value) {
    if (isConstant(name)) {
        centralErrorHandler().report(err11::AssignmentToConstants);
        return;
    }
    Variable replaced(value, this);
    auto entry = variables.find(name);
    if (entry == variables.end()) {
        variables.emplace(name, std::move(replaced));
        return;
    }
    // The old value goes last, once the variable holds the new one: its end may come back to sys.
    std::swap(entry->second, replaced);
}

void FLSysInterpreter::unsetVariable(const std::string& name) {
    if (isConstant(name)) {
        centralErrorHandler().report(err11::AssignmentToConstants);
        return;
    }
    auto entry = variables.find(name);
    if (entry == variables.end()) return;
    // Released once the variable is gone.
    const Variable value = std::move(entry->second);
    variables.erase(entry);
}

std::optional<FLSysObject*> FLSysInterpreter::lookupVariable(const std::string& name) const {
    auto entry = variables.find(name);
    if (entry == variables.end()) return std::nullopt;
    return entry->second.get();
}

bool FLSysInterpreter::isConstant(const std::string& name) const {
    const auto text = Ref<FLSysString>::adopt(FLSysString::fromLiteral(name));
    return text != nullptr || Ref<FLSysInteger>::adopt(FLSysInteger::fromLiteral(name)) != nullptr;
}

void FLSysInterpreter::finish() {
    // Emptied before the values go: a value's destruction may come back to sys. They go in the
    // order of their names.
    std::map<std::string, Variable> old;
    old.swap(variables);
    while (!old.empty()) old.erase(old.begin());
}

FParser* FLSysInterpreter::newParser() {
    return parserFactory->create();
}

FLSysRef FLSysInterpreter::forgetIDB(FLSysArgs* args) {
    if (argumentCount(args) != 0) return nullptr;
    interpreter->clear();
    return interprete("?- sys.theOMAccess.clear[]. ?- sys.prn.clear[].", 1);
}

FLSysInterpreter* FLSysInterpreter::load(const std::string& fileName) {
    if (symTab == nullptr) {
        symTab = Ref<SymTab>::make();
        symTab->initBuiltinSymbols();
    }
    FLSysArgs none;
    const auto kept = Ref<FProgram>::share(interpreter->showProgram(&none));
    interpreter->forgetProgram(&none);

    auto parser = Ref<FParser>::adopt(newParser());
    int ok = 1;
    // A file that cannot be read loads nothing, and the load fails as a consult of it does.
    const bool opened = parser->open(fileName) != 0;
    if (opened) {
        while (ok != 0 && !parser->atEnd()) {
            const auto clause = Ref<FRule>::adopt(parser->parse(symTab.get(), &ok));
            if (debug != 0) echoClause(clause.get(), symTab.get());
            if (clause != nullptr && clause->ruleKind() == FRule::Query) {
                centralErrorHandler().report(noRulesAllowed(fileName));
            }
            interpreter->addClause(clause.get(), symTab.get());
        }
    }
    parser.reset();
    if (ok != 0) interpreter->eval();

    interpreter->forgetProgram(&none);
    // Every clause goes back, facts too: the program typed before stays as it was.
    if (kept != nullptr) {
        SymTab* names = kept->getSymTab() != nullptr ? kept->getSymTab() : symTab.get();
        for (list_item item = kept->firstItem(); item != nullptr; item = kept->nextItem(item)) {
            FRule* clause = nullptr;
            kept->ruleAt(item, clause);
            interpreter->addClause(clause, names);
        }
    }
    return opened && ok != 0 ? this : nullptr;
}

FLSysInterpreter* FLSysInterpreter::switchInterpreter(FLSysArgs* args) {
    FLSysObject* newInterpreter = nullptr;
    FLSysObject* newSymTab = nullptr;
    if (!checkArgs2(args, "FLogicInterpreter", newInterpreter, "SymTab", newSymTab)) {
        return nullptr;
    }
    // Clauses parsed with another table than the base's would name other objects than the
    // interpreter finds there: answers and saves would hold garbage.
    SymTab* baseNames = static_cast<FLogicInterpreter*>(newInterpreter)->baseSymTab();
    if (baseNames != nullptr && baseNames != newSymTab) {
        centralErrorHandler().report(foreignSymTab());
        return nullptr;
    }
    if (newInterpreter != interpreter.get())
        interpreter =
            Ref<FLogicInterpreter>::share(static_cast<FLogicInterpreter*>(newInterpreter));
    if (newSymTab != symTab.get()) symTab = Ref<SymTab>::share(static_cast<SymTab*>(newSymTab));
    return this;
}

FLSysRef FLSysInterpreter::open(const std::string& fileName) {
    auto file = std::make_unique<std::ofstream>(fileName, std::ios::out | std::ios::trunc);
    if (!file->is_open()) {
        centralErrorHandler().report(err11::CannotOpenFile);
        return nullptr;
    }
    auto stream = Ref<FLSysOStreamImpl<std::ofstream>>::make(std::move(file));
    stream->reportWriteFailuresAs(fileName);
    return FLSysRef(std::move(stream));
}

FLSysInterpreter* FLSysInterpreter::shell() {
    // Its commands run one level deeper than the shell command itself.
    if (nestingDepth() >= maxNesting) {
        centralErrorHandler().report(nestingTooDeep());
        return nullptr;
    }
    promptPrefix += "+";
    FLSysRef result;
    while (isOk()) {
        if (dynamic_cast<FLSysEsc*>(result.get()) != nullptr) {
            const std::string escape = result->name();
            if (escape == "return" || escape == "end") break;
        }
        // The program is asked to leave: every shell level ends.
        if (controlEvents::farewellPending()) break;
        releasePools(0);
        const std::string text = readCommandLine();
        // A command line always holds at least "?- "; nothing at all means no more input.
        if (text.empty()) break;
        acceptNextCommand();
        result = interprete(text, 1);
        // The command that stood for the end of the input did not end this loop (sys itself
        // may be out of reach): the end of the input ends it all the same.
        if (endOfInput && text == endOfInputCommand &&
            dynamic_cast<FLSysEsc*>(result.get()) == nullptr)
            break;
    }
    promptPrefix.erase(0, 1);
    return this;
}

FLSysInterpreter* FLSysInterpreter::help() {
    shellCommands().writeHelp(helpChannel());
    return this;
}

void FLSysInterpreter::display(OutputChannel& out) const {
    out << "FLSysInterpreter{" << std::endl;
    for (const auto& [name, variable] : variables) {
        out << "  " << name << " : ";
        if (FLSysObject* value = variable.get()) {
            value->print(out);
        } else {
            out << "NULL";
        }
        out << std::endl;
    }
    out << "}" << std::endl;
}

void FLSysInterpreter::print(OutputChannel& out) const {
    out << "aFLSysInterpreter";
}

bool FLSysInterpreter::isA(const std::string& className) const {
    return className == "FLSysInterpreter" || FLSysObject::isA(className);
}
