// The operations of sys that read and run shell text: reading a command, interpreting text and
// files, running one query (shell commands in their call, assignment and block forms), the
// dialect and the history.
#include <iostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/ShellValues.h"
#include "foundation/clib_list.h"
#include "language/CPath.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FParser.h"
#include "language/FRule.h"
#include "language/FunctionTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"
#include "shell/Block.h"
#include "shell/FLSysInterpreter.h"
#include "shell/FLogicInterpreter.h"
#include "shell/FParserFactory.h"
#include "shell/LineInput.h"
#include "shell/ShellText.h"
#include "shell/SystemObjects.h"

const char* const endOfInputCommand = "?- sys.end[].\n";

namespace {

CommandLineSource lineSource = nullptr;

// The interprete calls now running. Every way shell text runs more shell text (a block, a
// consulted file, a nested shell, interpreteLine) goes through interprete, so this one count
// bounds them all, long before the stack would end.
int nesting = 0;
// Raised when text went deeper than the limit: every level still running gives up, so that a
// block calling itself twice does not retry its way back up through every level. Lowered when
// the outermost level has returned, or when a loop reading the console starts a new command.
bool unwinding = false;

// One running interprete call.
class NestingLevel {
  public:
    NestingLevel() { ++nesting; }
    ~NestingLevel() {
        if (--nesting == 0) unwinding = false;
    }
    NestingLevel(const NestingLevel&) = delete;
    NestingLevel& operator=(const NestingLevel&) = delete;
};

bool readLine(const std::string& prompt, std::string& line) {
    // The answers so far reach the screen before the prompt the line editor draws itself.
    std::cout.flush();
    if (lineSource != nullptr) return lineSource(prompt, line);
    return quorin::lineio::getline(prompt, line);
}

bool isEscape(const FLSysObject* object) {
    return dynamic_cast<const FLSysEsc*>(object) != nullptr;
}

// The values of an argument list, each holding the reference its evaluation gave.
using ArgumentValues = std::vector<FLSysRef>;

// The evaluation of one shell command: every value it makes carries one reference for it, held
// in an FLSysRef. It also holds its own reference on the symbol table the command was parsed
// with: a switch inside the command may make sys let go of that table while names are still
// read from it.
class CommandEvaluation {
  public:
    explicit CommandEvaluation(FLSysInterpreter& sys)
        : sys(sys), names(Ref<SymTab>::share(sys.currentSymTab())) {}
    CommandEvaluation(const CommandEvaluation&) = delete;
    CommandEvaluation& operator=(const CommandEvaluation&) = delete;

    FLSysRef TermMakeCall(FTerm* term);
    FLSysRef PathMakeCall(FTerm* path);
    std::string NameMakeCall(FTerm* term);
    // The text of the block form: one line "?- " + query + "." for each result term.
    std::string blockText(const clib_list<FTerm*>& queries);

    std::string nameOf(const FunctionTerm& term) { return names->GetName(term.getName()); }

  private:
    FLSysInterpreter& sys;
    Ref<SymTab> names;
};

FLSysRef CommandEvaluation::TermMakeCall(FTerm* term) {
    if (term == nullptr) return nullptr;
    if (term->is(ParseTreeClass::FVar)) {
        centralErrorHandler().report(err11::VarInSystemCommand);
        return nullptr;
    }
    if (auto* function = node_cast<FunctionTerm>(term))
        return sys.methodCall(nameOf(*function), nullptr);
    if (term->is(ParseTreeClass::FMolecule)) {
        centralErrorHandler().report(err11::MoleculeInPath);
        return nullptr;
    }
    return PathMakeCall(term);
}

FLSysRef CommandEvaluation::PathMakeCall(FTerm* path) {
    if (path == nullptr) return nullptr;
    // Only scalar steps: an arithmetic expression or a set-valued or inheriting step is refused.
    auto* step = node_cast<Reference>(path);
    if (step == nullptr || step->getDot() != 0) {
        centralErrorHandler().report(err11::WrongPathExpression);
        return nullptr;
    }
    FLSysRef host = TermMakeCall(step->getHost());
    if (!host) return nullptr;
    // The values stay held until the call has returned; the list only lends them.
    ArgumentValues values;
    FLSysArgs arguments;
    if (clib_list<FTerm*>* terms = step->getArgs()) {
        for (list_item item = terms->first_item(); item != nullptr; item = terms->next_item(item)) {
            FLSysRef value = TermMakeCall(terms->inf(item));
            if (!value) return nullptr;
            arguments.append(value.get());
            values.push_back(std::move(value));
        }
    }
    std::string name = NameMakeCall(step->getMethod());
    if (name.empty()) return nullptr;
    // A step always hands its list, empty when the step has no arguments: a method may tell
    // "no arguments" (a step) from "no list" (an identifier, sent without one).
    return host->methodCall(name, &arguments);
}

std::string CommandEvaluation::NameMakeCall(FTerm* term) {
    if (auto* function = node_cast<FunctionTerm>(term)) {
        clib_list<FTerm*>* args = function->getArgs();
        if (args != nullptr && !args->empty()) {
            centralErrorHandler().report(err11::NoFuncArgsAllowed);
            return "";
        }
        return nameOf(*function);
    }
    FLSysRef value = TermMakeCall(term);
    if (!value) return "";
    const auto* text = dynamic_cast<const FLSysString*>(value.get());
    if (text == nullptr) {
        centralErrorHandler().report(err11::PathIsNoString);
        return "";
    }
    return text->value();
}

std::string CommandEvaluation::blockText(const clib_list<FTerm*>& queries) {
    // sys's own channel collects the text; it is put back without a stream afterwards, so no
    // block's text lingers in it.
    OutputChannel& channel = sys.ownChannel();
    std::ostringstream text;
    const auto stream = Ref<FLSysOStreamImpl<std::ostringstream>>::make(&text);
    channel.setStream(stream.get());
    for (list_item item = queries.first_item(); item != nullptr; item = queries.next_item(item)) {
        channel << "?- ";
        queries.inf(item)->print(channel, names.get(), nullptr);
        channel << ".\n";
    }
    channel.releaseStreams();
    return text.str();
}

}  // namespace

std::string_view trimmedPart(std::string_view line) {
    std::string_view::size_type start = line.find_first_not_of(' ');
    if (start == std::string_view::npos) return {};
    std::string_view kept = line.substr(start, line.find('%', start) - start);
    std::string_view::size_type last = kept.find_last_not_of(' ');
    return last == std::string_view::npos ? std::string_view() : kept.substr(0, last + 1);
}

std::string trimLine(const std::string& line) {
    return std::string(trimmedPart(line));
}

void echoClause(const FRule* clause, const SymTab* names) {
    if (clause != nullptr) {
        clause->print(debugChannel(), names, nullptr);
    } else {
        debugChannel() << "empty Rule";
    }
    debugChannel() << std::endl;
}

Error nestingTooDeep() {
    return Error(11, 1016, 2, "NestingTooDeep",
                 "Shell text nested too deeply (more than " +
                     std::to_string(FLSysInterpreter::maxNesting) +
                     " levels of blocks, consulted files or shells). \n"
                     "The innermost command was not run.",
                 "FLSysInterpreter::interprete", "");
}

void setCommandLineSource(CommandLineSource source) {
    lineSource = source;
}

std::string FLSysInterpreter::readCommandLine() {
    std::string text = "?- ";
    bool continued = false;
    while (text.back() != '.') {
        // The input has ended, or the program is asked to leave: every shell level ends.
        if (controlEvents::farewellPending()) return endOfInputCommand;
        std::string line;
        if (!readLine(promptPrefix + (continued ? "  >" : "?- "), line)) {
            endOfInput = true;
            return endOfInputCommand;
        }
        std::string_view trimmed = trimmedPart(line);
        if (trimmed.empty()) continue;
        if (continued) {
            text += ' ';
            text += trimmed;
        } else {
            // The first line becomes the command where it lies, without a second long buffer.
            const std::size_t start = static_cast<std::size_t>(trimmed.data() - line.data());
            line.resize(start + trimmed.size());
            line.replace(0, start, text);
            text.swap(line);
        }
        continued = true;
    }
    if (!lastCommand || *lastCommand != text) {
        addHistory(std::string_view(text).substr(3));
        lastCommand = text;
    }
    text += '\n';
    return text;
}

int FLSysInterpreter::nestingDepth() {
    return nesting;
}

void FLSysInterpreter::acceptNextCommand() {
    unwinding = false;
    controlEvents::clearInterrupt();
}

FLSysRef FLSysInterpreter::interprete(const std::string& text, int isLine) {
    if (unwinding) return nullptr;
    if (nesting >= maxNesting) {
        centralErrorHandler().report(nestingTooDeep());
        unwinding = true;
        return nullptr;
    }
    NestingLevel level;
    if (symTab == nullptr) {
        symTab = Ref<SymTab>::make();
        symTab->initBuiltinSymbols();
    }
    // The parser goes with this call, whichever way it ends.
    const auto parser = Ref<FParser>::adopt(newParser());
    if (!parser) return nullptr;
    int opened = isLine != 0 ? parser->setInputString(text) : parser->open(text);
    if (opened == 0) return nullptr;
    // A ground fact is read without a parse tree when nothing asks for its clause.
    FactList::Ground ground;
    while (!parser->atEnd()) {
        // The program is asked to leave: the rest of the text is not read.
        if (controlEvents::farewellPending()) break;
        // Text nested too deeply further in: this level gives up as well.
        if (unwinding) return nullptr;
        int ok = 1;
        bool groundRead = false;
        const auto clause =
            Ref<FRule>::adopt(debug == 0 && interpreter->takesGroundFacts()
                                  ? parser->parse(symTab.get(), &ok, ground, &groundRead)
                                  : parser->parse(symTab.get(), &ok));
        if (ok == 0) {
            if (isLine == 0) interpreter->forgetProgram(nullptr);
            return nullptr;
        }
        if (groundRead) {
            interpreter->addGroundFact(ground, symTab.get());
            continue;
        }
        if (debug != 0) echoClause(clause.get(), symTab.get());
        if (clause != nullptr && clause->ruleKind() == FRule::Query) {
            // Each query's own writes count: a failure before it (the banner on a full disk)
            // must neither fail it nor hide its own.
            std::cout.clear();
            FLSysRef result = queryhandle(clause.get());
            // Answers that standard output could not take are lost: the query failed.
            if (result && !isEscape(result.get()) && !standardOutputWritten()) result.reset();
            if (!result || isEscape(result.get())) return result;
        } else {
            interpreter->addClause(clause.get(), symTab.get());
        }
    }
    return FLSysRef::share(this);
}

FLSysRef FLSysInterpreter::queryhandle(FRule* query) {
    if (query == nullptr || query->ruleKind() != FRule::Query) return nullptr;
    FLiteralList* body = query->getBody();
    FLiteral* literal = body == nullptr ? nullptr : body->first();
    FTerm* term = literal == nullptr ? nullptr : literal->getTerm();
    if (node_cast<CPath>(term) == nullptr)
        return FLSysRef::share(interpreter->query(query, symTab.get()));
    FTerm* leftmost = term;
    while (auto* path = node_cast<CPath>(leftmost)) {
        if (path->getHost() == nullptr) break;
        leftmost = path->getHost();
    }
    CommandEvaluation command(*this);
    const auto* start = node_cast<FunctionTerm>(leftmost);
    if (start == nullptr || command.nameOf(*start) != "sys") {
        return FLSysRef::share(interpreter->query(query, symTab.get()));
    }
    if (body->length() > 1) {
        centralErrorHandler().report(err11::MoreThanOneLiteral);
        return FLSysRef::share(this);
    }

    // What a command answers goes up only as an escape, a failure (null) or sys: interprete
    // answers nothing else, so a value is released here.
    auto answer = [this](FLSysRef value) -> FLSysRef {
        if (!value || isEscape(value.get())) return value;
        return FLSysRef::share(this);
    };
    auto* molecule = node_cast<FMolecule>(term);
    if (molecule == nullptr) return answer(command.TermMakeCall(term));
    clib_list<Spec*>* specs = molecule->getSpecs();
    if (specs == nullptr || specs->empty())
        return answer(command.TermMakeCall(molecule->getHost()));

    FLSysRef host = command.TermMakeCall(molecule->getHost());
    auto* target = dynamic_cast<FLSysInterpreter*>(host.get());
    if (target == nullptr) {
        centralErrorHandler().report(err11::WrongSystemAssignment);
        return FLSysRef::share(this);
    }
    for (list_item item = specs->first_item(); item != nullptr; item = specs->next_item(item)) {
        Spec* spec = specs->inf(item);
        FTerm* method = spec->getMethod();
        if (method == nullptr || !method->is(ParseTreeClass::IdTerm)) {
            centralErrorHandler().report(err11::NoFunctionTerm);
            return nullptr;
        }
        clib_list<FTerm*>* args = spec->getArgs();
        const auto* function = node_cast<FunctionTerm>(method);
        bool functionArgs =
            function != nullptr && function->getArgs() != nullptr && !function->getArgs()->empty();
        if ((args != nullptr && !args->empty()) || functionArgs) {
            centralErrorHandler().report(err11::NoArgsAllowed);
            return nullptr;
        }
        if (method->is(ParseTreeClass::FVar)) {
            centralErrorHandler().report(err11::VarInSystemCommand);
            return nullptr;
        }
        FLSysRef value;
        if (auto* scalar = node_cast<SSpec>(spec)) {
            value = command.TermMakeCall(scalar->getResult());
        } else {
            auto* set = node_cast<MSpec>(spec);
            clib_list<FTerm*>* queries = set != nullptr ? set->getResults() : nullptr;
            if (queries == nullptr || queries->empty()) return nullptr;
            value = Ref<Block>::make(target, command.blockText(*queries));
        }
        if (!value) {
            centralErrorHandler().report(err11::NoValue);
            return nullptr;
        }
        target->assign(command.nameOf(*function), value.get());
    }
    return FLSysRef::share(this);
}

void FLSysInterpreter::setDialect(const std::string& word) {
    if (word == "Kavum") {
        parserFactory = Ref<PevoParserFactory>::make();
    } else if (word == "FLogic") {
        parserFactory = Ref<FLogicParserFactory>::make();
    } else {
        return;
    }
    interpreter->useClauseRewriters(clauseRewriters);
    interpreter->setDialect(word);
}

void FLSysInterpreter::addHistory(std::string_view line) {
    quorin::lineio::history_add(line);
}
