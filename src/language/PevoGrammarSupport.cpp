// The Pevo grammar's builders: XPath-like steps, filters and results, and the dialect's names.
#include "language/PevoGrammarSupport.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FunctionTerm.h"
#include "language/InternalGrammarParser.h"
#include "language/MethResult.h"
#include "language/PTerm.h"
#include "language/ParseTimeObjects.h"
#include "language/Reference.h"

namespace {

// The text of a token (which the parser keeps until the next clause).
std::string take(char* text) {
    return text != nullptr ? text : "";
}

// The axis names by code 1 to 7.
constexpr std::array<const char*, 7> axisNames = {"child",   "descendant", "parent", "ancestor",
                                                  "sibling", "attribute",  "self"};

}  // namespace

bool PevoGrammarSupport::ok() const {
    return parser.clauseOk();
}

PTerm* PevoGrammarSupport::nameAtom(char* name) {
    const std::string text = take(name);
    return ok() ? new PTerm(parser.constantSymbol(text, InternalName::Function, 0), 0, 0, nullptr)
                : nullptr;
}

FctOrPred* PevoGrammarSupport::application(char* name, TermList* args) {
    if (args == nullptr) name = parser.keepText(take(name) + "()");
    return parser.support().application(name, args);
}

char* PevoGrammarSupport::axisName(int axis) {
    return parser.keepText(axis >= 1 && axis <= 7 ? axisNames[axis - 1] : "");
}

int PevoGrammarSupport::axisCode(const char* text) {
    for (std::size_t i = 0; i < axisNames.size(); ++i) {
        if (std::strcmp(text, axisNames[i]) == 0) return static_cast<int>(i) + 1;
    }
    return 0;
}

Path* PevoGrammarSupport::callName(char* name) {
    return parser.support().constant(parser.keepText(take(name) + "()"), InternalName::Function);
}

Path* PevoGrammarSupport::stringConstant(char* text) {
    return parser.support().constant(parser.keepText(grammar::unescapeString(take(text))),
                                     InternalName::String);
}

Path* PevoGrammarSupport::start(int startKind, MethAppl* first) {
    if (!ok()) {
        grammar::release(first);
        return nullptr;
    }
    auto* host = new FunctionTerm(
        parser.constantSymbol(startKind == 0 ? "root" : "self", InternalName::Function, 0),
        nullptr);
    host->setStartKind(startKind);
    Path* start = parser.support().measured<Path>(host, 1);
    return step(start, parser.support().step(first, 1));
}

Path* PevoGrammarSupport::step(Path* host, MethRef* step) {
    GrammarSupport& shared = parser.support();
    const int depth = std::max(shared.depthOf(host), shared.depthOf(step)) + 1;
    Path* made = ok() ? new PevoReference(host, step) : nullptr;
    grammar::release(host);
    grammar::release(step);
    return shared.measured(made, depth);
}

Path* PevoGrammarSupport::filter(Path* host, Specification* specification) {
    GrammarSupport& shared = parser.support();
    const int depth = std::max(shared.depthOf(host), shared.depthOf(specification)) + 1;
    Path* made = ok() ? new PevoMolecule(host, specification) : nullptr;
    grammar::release(host);
    grammar::release(specification);
    return shared.measured(made, depth);
}

Path* PevoGrammarSupport::result(Path* path, MethResult* result) {
    GrammarSupport& shared = parser.support();
    const int depth = std::max(shared.depthOf(path), shared.depthOf(result) + 1);
    if (ok() && path != nullptr) path->setMethResult(result);
    grammar::release(result);
    if (!ok()) {
        grammar::release(path);
        return nullptr;
    }
    return shared.measured(path, depth);
}

MethAppl* PevoGrammarSupport::axisStep(Path* name, int axis) {
    const int depth = parser.support().depthOf(name) + 1;
    MethAppl* made = ok() ? new MethAppl(name, nullptr, axis) : nullptr;
    grammar::release(name);
    return parser.support().measured(made, depth);
}

Specification* PevoGrammarSupport::filterPart(IsaSpec* isa, FLiteralList* filter) {
    // The specification keeps a copy of the filter.
    GrammarSupport& shared = parser.support();
    const int depth = std::max(shared.depthOf(isa), shared.depthOf(filter)) + 1;
    Specification* made = ok() ? new Specification(isa, nullptr, filter) : nullptr;
    grammar::release(isa);
    grammar::release(filter);
    return shared.measured(made, depth);
}

MethListElement* PevoGrammarSupport::spec(MethAppl* method, MethResult* result) {
    GrammarSupport& shared = parser.support();
    const int depth = std::max(shared.depthOf(method), shared.depthOf(result)) + 1;
    MethListElement* made = ok() ? new MethListElement(method, result) : nullptr;
    grammar::release(method);
    grammar::release(result);
    return shared.measured(made, depth);
}

ElementList* PevoGrammarSupport::specs(ElementList* specs, MethListElement* spec) {
    // The element's reference passes to the list.
    if (ok()) {
        GrammarSupport& shared = parser.support();
        const int depth = std::max(shared.depthOf(specs), shared.depthOf(spec));
        if (specs == nullptr) specs = new ElementList;
        specs->append(spec);
        return shared.measured(specs, depth);
    }
    grammar::release(spec);
    grammar::releaseList(specs);
    return nullptr;
}
