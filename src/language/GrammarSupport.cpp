// The grammar's builders and checks: nodes made from the parts of a production, references
// released, built-in predicates classified and aggregate operators checked.
#include "language/GrammarSupport.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "foundation/OwnedElements.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/InternalGrammarParser.h"
#include "language/MethResult.h"
#include "language/PTerm.h"
#include "language/ParseTimeObjects.h"
#include "language/Reference.h"
#include "objectbase/SymTab.h"

namespace {

// The text of a token (which the parser keeps until the next clause).
std::string take(char* text) {
    return text != nullptr ? text : "";
}

// Drops the grammar's references to the elements of a list that a node has taken over.
void dropElements(const TermList* list) {
    if (list == nullptr) return;
    for (FTerm* term : *list) grammar::release(term);
}

// The built-in predicates whose arity the grammar checks. match and pmatch take their format and
// result lists, perl its two argument lists, as the last two arguments. Filters know only the
// first eleven.
struct Builtin {
    std::string_view name;
    int arity;
    int otherArity;  // a second accepted arity, or -1
};
constexpr std::array builtins = {
    Builtin{"integer", 1, -1},        Builtin{"string", 1, -1},
    Builtin{"float", 1, -1},          Builtin{"substr", 2, -1},
    Builtin{"string2integer", 2, -1}, Builtin{"string2float", 2, -1},
    Builtin{"string2object", 2, -1},  Builtin{"strlen", 2, -1},
    Builtin{"sgmlprint", 2, -1},      Builtin{"equiv", 2, -1},
    Builtin{"strcat", 3, -1},         Builtin{"describe", 4, 5},
    Builtin{"match", 4, -1},          Builtin{"pmatch", 4, -1},
    Builtin{"perl", 3, -1},
};
constexpr std::size_t filterBuiltins = 11;

const Builtin* findBuiltin(const std::string& name, bool inFilter) {
    const std::size_t known = inFilter ? filterBuiltins : builtins.size();
    for (std::size_t i = 0; i < known; ++i) {
        if (builtins[i].name == name) return &builtins[i];
    }
    return nullptr;
}

bool isAggregateOperator(const std::string& name) {
    return name == "count" || name == "min" || name == "max" || name == "avg" || name == "sum";
}

}  // namespace

namespace grammar {

void release(ManagedObject* node) {
    Ref<ManagedObject>::adopt(node).reset();
}

void release(const NameApplication& application) {
    releaseList(application.args);
}

Path* parenthesized(Path* term) {
    if (term != nullptr) term->setParenthesized();
    return term;
}

std::string unescapeString(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (text[i] == '\\' && (next == 'n' || next == 't' || next == '"' || next == '\\')) {
            out += next == 'n' ? '\n' : next == 't' ? '\t' : next;
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::string unescapeQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    // The last character is the closing quote, which a backslash before it does not escape.
    // Runs without an escaped quote are copied whole: a long string costs what it weighs.
    std::size_t from = 0;
    for (std::size_t at = text.find("\\\""); at != std::string::npos && at + 2 < text.size();
         at = text.find("\\\"", at + 2)) {
        out.append(text, from, at - from);
        from = at + 1;
    }
    out.append(text, from, std::string::npos);
    return out;
}

}  // namespace grammar

bool GrammarSupport::ok() const {
    return parser.clauseOk();
}

namespace {

void discard(ManagedObject* node) {
    grammar::release(node);
}

template <class T>
void discard(clib_list<T*>* list) {
    grammar::releaseList(list);
}

}  // namespace

void GrammarSupport::startClause() {
    recent.clear();
    // A big clause's map is dropped whole, so its buckets are not swept clause after clause.
    if (!depths.empty()) depths = {};
}

int GrammarSupport::depthOf(const void* part) const {
    if (part == nullptr) return 0;
    for (auto at = recent.rbegin(); at != recent.rend(); ++at)
        if (at->first == part) return at->second;
    if (!depths.empty()) {
        const auto found = depths.find(part);
        if (found != depths.end()) return found->second;
    }
    return 1;
}

bool GrammarSupport::refused(int depth) {
    if (depth <= maxDepth) return false;
    parser.reportCheck("parser stack overflow");
    parser.clearOk();
    return true;
}

template <class T>
T* GrammarSupport::measured(T* made, int depth) {
    if (made == nullptr) return nullptr;
    if (refused(depth)) {
        discard(made);
        return nullptr;
    }
    if (depths.empty() && recent.size() < recentLimit) {
        recent.emplace_back(made, depth);
    } else {
        for (const auto& [part, partDepth] : recent) depths.insert_or_assign(part, partDepth);
        recent.clear();
        depths.insert_or_assign(made, depth);
    }
    return made;
}

// The kinds the Pevo builders measure.
template Path* GrammarSupport::measured<Path>(Path*, int);
template MethAppl* GrammarSupport::measured<MethAppl>(MethAppl*, int);
template Specification* GrammarSupport::measured<Specification>(Specification*, int);
template MethListElement* GrammarSupport::measured<MethListElement>(MethListElement*, int);
template ElementList* GrammarSupport::measured<ElementList>(ElementList*, int);

bool GrammarSupport::finishClause(FRule* rule, FRule** result) {
    if (!ok()) {
        grammar::release(rule);
        *result = nullptr;
        return false;
    }
    *result = rule;
    return true;
}

FRule* GrammarSupport::rule(FTermList* head, FLiteralList* body) {
    // The clause's variable table goes to the rule, or away with a rejected clause.
    const Ref<SymTab> names = parser.takeClauseSymTab();
    FRule* made = nullptr;
    if (ok()) made = new FRule(head, body, names.get(), parser.fileName(), parser.lineNumber(), 0);

    grammar::release(head);
    grammar::release(body);
    return made;
}

namespace {

// A new head or body list holding the first item, or null.
template <class List, class Item>
List* startList(bool ok, Item* first) {
    List* made = ok ? new List(first) : nullptr;
    grammar::release(first);
    return made;
}

// The item appended to a head or body list (which takes its own reference); null, and the list
// released, once the clause is rejected.
template <class List, class Item>
List* appendToList(bool ok, List* list, Item* item) {
    if (ok && list != nullptr) list->append(item);
    grammar::release(item);
    if (!ok) {
        grammar::release(list);
        return nullptr;
    }
    return list;
}

}  // namespace

FTermList* GrammarSupport::head(FTerm* atom) {
    return startList<FTermList>(ok(), atom);
}

FTermList* GrammarSupport::append(FTermList* head, FTerm* atom) {
    return appendToList(ok(), head, atom);
}

FLiteralList* GrammarSupport::literals(FLiteral* literal) {
    const int depth = depthOf(literal) + 1;
    return measured(startList<FLiteralList>(ok(), literal), depth);
}

FLiteralList* GrammarSupport::append(FLiteralList* literals, FLiteral* literal) {
    const int depth = std::max(depthOf(literals), depthOf(literal) + 1);
    return measured(appendToList(ok(), literals, literal), depth);
}

FLiteral* GrammarSupport::literal(FTerm* atom, int negated) {
    const int depth = depthOf(atom) + 1;
    FLiteral* made = ok() ? new FLiteral(atom, negated, 0) : nullptr;
    grammar::release(atom);
    return measured(made, depth);
}

FTerm* GrammarSupport::stepAtom(Path* host, MethRef* step) {
    Path* path = reference(host, step);
    if (path == nullptr) return nullptr;
    const int depth = depthOf(path) + 1;
    auto* empty = new Specification(nullptr, nullptr, nullptr);
    auto* made = new FMolecule(path, empty, 0);
    grammar::release(empty);
    grammar::release(path);
    return measured<FTerm>(made, depth);
}

bool GrammarSupport::namesBuiltin(const std::string& name) {
    return findBuiltin(name, false) != nullptr;
}

PTerm* GrammarSupport::predicate(FctOrPred* application) {
    return classify(application, false);
}

PTerm* GrammarSupport::filterPredicate(FctOrPred* application) {
    return classify(application, true);
}

PTerm* GrammarSupport::classify(FctOrPred* application, bool inFilter) {
    if (!ok() || application == nullptr) {
        grammar::release(application);
        return nullptr;
    }
    const std::string name = application->getName();
    const int depth = depthOf(application);
    TermList* args = application->takeArgs();
    grammar::release(application);
    return classify(name, args, depth, inFilter);
}

PTerm* GrammarSupport::predicate(NameApplication application) {
    if (!ok() || application.name == nullptr) {
        grammar::release(application);
        return nullptr;
    }
    return classify(take(application.name), application.args, depthOf(application.args) + 1, false);
}

PTerm* GrammarSupport::classify(const std::string& name, TermList* args, int depth, bool inFilter) {
    const int arity = args != nullptr ? args->length() : 0;
    const Builtin* builtin = findBuiltin(name, inFilter);
    bool isBuiltin = false;
    int groupStart = 0, groupEnd = 0;
    if (builtin != nullptr) {
        if (arity != builtin->arity && arity != builtin->otherArity) {
            parser.reportCheck(name + " is a builtin predicate and requires " +
                               std::to_string(builtin->arity) + " arguments");
            parser.clearOk();
            grammar::releaseList(args);
            return nullptr;
        }
        isBuiltin = true;
        if (name == "match" || name == "pmatch" || name == "perl") {
            // The last two arguments are lists whose elements become arguments of their own.
            FTerm* last = args->Pop();
            FTerm* earlier = args->Pop();
            TermList earlierElements, lastElements;
            unfoldList(earlier, earlierElements);
            unfoldList(last, lastElements);
            grammar::release(earlier);
            grammar::release(last);
            const int earlierCount = earlierElements.length();
            const int lastCount = lastElements.length();
            for (FTerm* term : earlierElements) args->append(term);
            for (FTerm* term : lastElements) args->append(term);
            if (name == "perl") {
                groupStart = 1;
                groupEnd = 1 + earlierCount;
            } else if (earlierCount != lastCount) {
                // Rejected like every other failed check, not delivered with a report.
                parser.reportCheck(
                    "number of format arguments does not correspond to number of result "
                    "arguments");
                parser.clearOk();
                grammar::releaseList(args);
                return nullptr;
            }
        }
    }
    const FSymbol symbol = parser.constantSymbol(
        name, isBuiltin ? InternalName::BuiltinPredicate : InternalName::Predicate, arity);
    auto* made = new PTerm(symbol, groupStart, groupEnd, args);
    dropElements(args);
    return measured(made, depth);
}

void GrammarSupport::unfoldList(FTerm* term, TermList& into) const {
    const SymTab* names = parser.programSymTab();
    FTerm* walk = term;
    while (auto* cell = node_cast<FunctionTerm>(walk)) {
        TermList* args = cell->getArgs();
        if (names->giveName(cell->getName()) != "cons" || args == nullptr || args->length() != 2) {
            break;
        }
        owned::appendShared(into, args->head());
        walk = args->inf(args->next_item(args->first_item()));
    }
    if (into.empty() && term != nullptr) owned::appendShared(into, term);
}

PTerm* GrammarSupport::comparison(Path* left, char* op, Path* right) {
    const std::string text = take(op);
    const int depth = std::max(depthOf(left), depthOf(right)) + 1;
    PTerm* made = nullptr;
    if (ok()) {
        auto* args = new TermList;
        args->append(left);
        args->append(right);
        made =
            new PTerm(parser.constantSymbol(text, InternalName::BuiltinPredicate, 2), 0, 0, args);
    }
    grammar::release(left);
    grammar::release(right);
    return measured(made, depth);
}

Path* GrammarSupport::arithmetic(Path* left, char* op, Path* right) {
    const std::string text = take(op);
    const int depth = std::max(depthOf(left), depthOf(right)) + 1;
    Path* made = ok() ? new ArithmeticExpr(left, right, text) : nullptr;
    grammar::release(left);
    grammar::release(right);
    return measured(made, depth);
}

Path* GrammarSupport::aggregate(char* op, char* variable, VarList* groups, FLiteralList* body) {
    const std::string name = take(op);
    const std::string var = take(variable);
    const std::unique_ptr<VarList> groupList(groups);
    const int depth = depthOf(body) + 1;
    Path* made = nullptr;
    if (ok() && !isAggregateOperator(name)) {
        parser.reportCheck(name + " is an invalid aggregate operator");
        parser.clearOk();
    }
    if (ok()) {
        const VarList none;
        const FSymbol symbol = parser.variableSymbol(var);  // before the allocation, as above
        made = new AggExpr(body, symbol, name, groupList != nullptr ? *groupList : none);
    }
    grammar::release(body);
    return measured(made, depth);
}

Path* GrammarSupport::molecule(Path* host, Specification* specification) {
    const int depth = std::max(depthOf(host), depthOf(specification)) + 1;
    Path* made = ok() ? new FMolecule(host, specification, 0) : nullptr;
    grammar::release(host);
    grammar::release(specification);
    return measured(made, depth);
}

Path* GrammarSupport::reference(Path* host, MethRef* step) {
    const int depth = std::max(depthOf(host), depthOf(step)) + 1;
    Path* made = ok() ? new Reference(host, step) : nullptr;
    grammar::release(host);
    grammar::release(step);
    return measured(made, depth);
}

Specification* GrammarSupport::specification(IsaSpec* isa, ElementList* elements) {
    if (!ok()) {
        grammar::release(isa);
        grammar::releaseList(elements);
        return nullptr;
    }
    const int depth = std::max(depthOf(isa), depthOf(elements)) + 1;
    auto* made = new Specification(isa, elements, nullptr);
    grammar::release(isa);
    if (elements != nullptr) {
        for (MethListElement* element : *elements) grammar::release(element);
    }
    return measured(made, depth);
}

IsaSpec* GrammarSupport::isa(int kind, Path* cls) {
    const int depth = depthOf(cls) + 1;
    IsaSpec* made = ok() ? new IsaSpec(kind, cls) : nullptr;
    grammar::release(cls);
    return measured(made, depth);
}

MethRef* GrammarSupport::step(MethAppl* method, int dot) {
    const int depth = depthOf(method) + 1;
    MethRef* made = ok() ? new MethRef(method, dot) : nullptr;
    grammar::release(method);
    return measured(made, depth);
}

ElementList* GrammarSupport::elements(MethAppl* method, MethResult* result) {
    return append(ok() ? measured(new ElementList, 0) : nullptr, method, result);
}

ElementList* GrammarSupport::append(ElementList* elements, MethAppl* method, MethResult* result) {
    // The element's reference passes to the list.
    const int depth = std::max(depthOf(elements), std::max(depthOf(method), depthOf(result)) + 2);
    if (ok() && elements != nullptr) elements->append(new MethListElement(method, result));
    grammar::release(method);
    grammar::release(result);
    if (!ok()) {
        grammar::releaseList(elements);
        return nullptr;
    }
    return measured(elements, depth);
}

MethAppl* GrammarSupport::method(Path* method, TermList* args) {
    if (!ok()) {
        grammar::release(method);
        grammar::releaseList(args);
        return nullptr;
    }
    const int depth = std::max(depthOf(method), depthOf(args)) + 1;
    auto* made = new MethAppl(method, args, 0);
    grammar::release(method);
    dropElements(args);
    return measured(made, depth);
}

MethResult* GrammarSupport::scalarResult(int kind, Path* result) {
    const int depth = depthOf(result) + 1;
    MethResult* made = ok() ? new SMethResult(kind, result) : nullptr;
    grammar::release(result);
    return measured(made, depth);
}

MethResult* GrammarSupport::setResult(int kind, TermList* results) {
    const int depth = depthOf(results) + 1;
    MethResult* made = ok() ? new MMethResult(kind, results) : nullptr;
    grammar::releaseList(results);
    return measured(made, depth);
}

TermList* GrammarSupport::terms(Path* term) {
    return append(ok() ? measured(new TermList, 0) : nullptr, term);
}

TermList* GrammarSupport::append(TermList* terms, Path* term) {
    // The term's reference passes to the list.
    if (ok() && terms != nullptr) {
        const int depth = std::max(depthOf(terms), depthOf(term));
        terms->append(term);
        return measured(terms, depth);
    }
    grammar::release(term);
    grammar::releaseList(terms);
    return nullptr;
}

VarList* GrammarSupport::variables(VarList* variables, char* name) {
    const std::string text = take(name);
    if (variables == nullptr) variables = new VarList;
    variables->append(parser.variableSymbol(text));
    return variables;
}

Path* GrammarSupport::functionTerm(FctOrPred* application) {
    if (!ok() || application == nullptr) {
        grammar::release(application);
        return nullptr;
    }
    const int depth = depthOf(application);
    TermList* args = application->takeArgs();
    const std::string name = application->getName();
    grammar::release(application);
    return functionTerm(name, args, depth);
}

Path* GrammarSupport::functionTerm(NameApplication application) {
    if (!ok() || application.name == nullptr) {
        grammar::release(application);
        return nullptr;
    }
    return functionTerm(take(application.name), application.args, depthOf(application.args) + 1);
}

Path* GrammarSupport::functionTerm(const std::string& name, TermList* args, int depth) {
    const int arity = args != nullptr ? args->length() : 0;
    auto* made = new FunctionTerm(parser.constantSymbol(name, InternalName::Function, arity), args);
    dropElements(args);
    return measured<Path>(made, depth);
}

Path* GrammarSupport::variable(char* name) {
    const std::string text = take(name);
    if (!ok()) return nullptr;
    // Before the node's allocation: the first variable of a clause makes the clause's table, and
    // a pooled object must be constructed right after its own allocation.
    const FSymbol symbol = parser.variableSymbol(text);
    return measured<Path>(new FVar(symbol), 1);
}

Path* GrammarSupport::constant(char* text, int kind) {
    return constantOf(take(text), kind);
}

Path* GrammarSupport::constantOf(const std::string& value, int kind) {
    return measured<Path>(
        ok() ? new FunctionTerm(parser.constantSymbol(value, kind, 0), nullptr) : nullptr, 1);
}

Path* GrammarSupport::stringConstant(char* text) {
    return constantOf(grammar::unescapeQuotes(take(text)), InternalName::String);
}

NameApplication GrammarSupport::nameApplication(char* name, TermList* args) {
    if (!ok()) {
        grammar::releaseList(args);
        return {};
    }
    const int depth = depthOf(args) + 1;
    if (refused(depth)) {
        grammar::releaseList(args);
        return {};
    }
    return {name, args};
}

FctOrPred* GrammarSupport::application(char* name, TermList* args) {
    std::string text = take(name);
    if (!ok()) {
        grammar::releaseList(args);
        return nullptr;
    }
    const int depth = depthOf(args) + 1;
    auto* made = new FctOrPred(std::move(text), args);
    dropElements(args);
    return measured(made, depth);
}

Path* GrammarSupport::emptyList() {
    return measured<Path>(
        ok() ? new FunctionTerm(parser.constantSymbol("nil", InternalName::Function, 0), nullptr)
             : nullptr,
        1);
}

Path* GrammarSupport::listCell(Path* head, Path* tail) {
    const int depth = std::max(depthOf(head), depthOf(tail)) + 1;
    Path* made = nullptr;
    if (ok()) {
        auto* args = new TermList;
        args->append(head);
        args->append(tail);
        made = new FunctionTerm(parser.constantSymbol("cons", InternalName::Function, 2), args);
    }
    grammar::release(head);
    grammar::release(tail);
    return measured(made, depth);
}
