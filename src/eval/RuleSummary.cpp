// RuleSummary: the walk of a clause's heads and body that names the relations it writes and reads.
#include "eval/RuleSummary.h"

#include <string>

#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

namespace {

// The number of method kinds: the six arrows and the three signature arrows.
constexpr int methodKinds = 9;
// The arrows "*->", "*->>" and "@*->>" give inheritable values.
constexpr int firstInheritable = 3;
constexpr int firstSignature = 6;

// Built-ins whose answer depends on the base beyond their arguments' relations.
bool readsWholeBase(const std::string& name) {
    return name == "describe" || name == "sgmlprint" || name == "equiv" || name == "string2object";
}

class Walker {
  public:
    Walker(RuleSummary& out, const SymTab* names) : out(out), names(names) {}

    enum class Mode { Write, Read, Negated, Aggregated };

    void walk(FTerm* term, Mode mode) {
        if (term == nullptr) return;
        // The parts of a term count as the term does: a path inside a head makes the values it
        // names when they are missing, so it writes them.
        if (term->is(ParseTreeClass::PTerm)) {
            auto* predicate = static_cast<PTerm*>(term);
            const clib_list<FTerm*>* args = predicate->getArgs();
            if (!predicate->isBuiltin()) {
                RelationRef relation;
                relation.kind = RelationRef::Kind::Predicate;
                relation.name = predicate->getName();
                relation.number = args != nullptr ? args->length() : 0;
                use(relation, mode);
            } else if (mode == Mode::Write) {
                // A built-in in a head equates objects.
                out.equates = true;
            } else if (names != nullptr && readsWholeBase(names->giveName(predicate->getName()))) {
                out.readsWholeBase = true;
            }
            walkList(args, mode);
        } else if (term->is(ParseTreeClass::AggExpr)) {
            FLiteralList* body = static_cast<AggExpr*>(term)->getBody();
            if (body != nullptr)
                for (FLiteral* literal : *body->getList())
                    walk(literal->getTerm(), Mode::Aggregated);
        } else if (term->is(ParseTreeClass::ArithmeticExpr)) {
            auto* arithmetic = static_cast<ArithmeticExpr*>(term);
            walk(arithmetic->getLeft(), mode);
            walk(arithmetic->getRight(), mode);
        } else if (term->is(ParseTreeClass::FMolecule)) {
            molecule(static_cast<FMolecule*>(term), mode);
        } else if (term->is(ParseTreeClass::Reference)) {
            auto* reference = static_cast<Reference*>(term);
            walk(reference->getHost(), mode);
            const int dot = reference->getDot();
            const clib_list<FTerm*>* args = reference->getArgs();
            method(reference->getHost(), reference->getMethod(),
                   dot >= 0 && dot < methodKinds ? dot : 0, args != nullptr ? args->length() : 0,
                   false, mode);
            walkList(reference->getArgs(), mode);
        } else if (term->is(ParseTreeClass::FunctionTerm) && !term->is(ParseTreeClass::FVar)) {
            walkList(static_cast<FunctionTerm*>(term)->getArgs(), mode);
        }
    }

  private:
    static RuleSummary::Read readOf(Mode mode) {
        return mode == Mode::Negated      ? RuleSummary::Read::Negated
               : mode == Mode::Aggregated ? RuleSummary::Read::Aggregated
                                          : RuleSummary::Read::Positive;
    }

    void use(const RelationRef& relation, Mode mode, bool noResults = false) {
        if (mode == Mode::Write)
            out.writes.push_back(relation);
        else
            out.reads.push_back({relation, readOf(mode), negated, noResults});
    }

    static ClassRef className(FTerm* term) {
        ClassRef cls;
        if (term == nullptr || !term->is(ParseTreeClass::FunctionTerm) ||
            term->is(ParseTreeClass::FVar))
            return cls;
        auto* function = static_cast<FunctionTerm*>(term);
        if (function->getArgs() != nullptr && !function->getArgs()->empty()) return cls;
        cls.constant = true;
        cls.name = function->getName();
        return cls;
    }

    void method(FTerm* host, FTerm* methodTerm, int kind, int arguments, bool noResults,
                Mode mode) {
        RelationRef relation;
        relation.kind = RelationRef::Kind::Method;
        relation.number = kind;
        relation.arguments = arguments;
        relation.constant = false;
        if (mode == Mode::Write) relation.term = methodTerm;
        // A method is named by its function symbol, whatever its arguments.
        if (methodTerm != nullptr && methodTerm->is(ParseTreeClass::FunctionTerm) &&
            !methodTerm->is(ParseTreeClass::FVar)) {
            auto* function = static_cast<FunctionTerm*>(methodTerm);
            relation.name = function->getName();
            relation.constant = true;
            walkList(function->getArgs(), mode == Mode::Write ? Mode::Read : mode);
        }
        use(relation, mode, noResults);
        if (mode == Mode::Write && kind >= firstInheritable && kind < firstSignature)
            out.inheritables.push_back({relation, className(host)});
    }

    void walkList(const clib_list<FTerm*>* terms, Mode mode) {
        if (terms == nullptr) return;
        for (FTerm* term : *terms) walk(term, mode);
    }

    void molecule(FMolecule* molecule, Mode mode) {
        walk(molecule->getHost(), mode);
        walk(molecule->getClassTerm(), mode);
        const ClassRef cls = className(molecule->getClassTerm());
        const int isa = molecule->getIsaKind();
        if (isa == 1 || isa == 2) {
            RelationRef relation;
            relation.kind = isa == 1 ? RelationRef::Kind::Member : RelationRef::Kind::Subclass;
            relation.constant = cls.constant;
            relation.name = cls.name;
            use(relation, mode);
            if (isa == 2 && mode == Mode::Write)
                out.steps.push_back({className(molecule->getHost()), cls});
        }
        clib_list<Spec*>* specs = molecule->getSpecs();
        if ((specs == nullptr || specs->empty()) && isa != 1 && isa != 2) {
            (mode == Mode::Write ? out.writesObjects : out.readsObjects) = true;
            if (mode != Mode::Write) {
                RuleSummary::Access read;
                read.how = readOf(mode);
                read.inNegation = negated;
                out.objectReads.push_back(read);
            }
        }
        if (specs == nullptr) return;
        for (Spec* spec : *specs) {
            const clib_list<FTerm*>* args = spec->getArgs();
            bool noResults = false;
            if (spec->is(ParseTreeClass::MSpec)) {
                const clib_list<FTerm*>* results = static_cast<MSpec*>(spec)->getResults();
                noResults = results == nullptr || results->empty();
            }
            method(molecule->getHost(), spec->getMethod(), spec->getKind(),
                   args != nullptr ? args->length() : 0, noResults, mode);
            walkList(spec->getArgs(), mode);
            if (spec->is(ParseTreeClass::SSpec)) walk(static_cast<SSpec*>(spec)->getResult(), mode);
            if (spec->is(ParseTreeClass::MSpec))
                walkList(static_cast<MSpec*>(spec)->getResults(), mode);
        }
    }

  public:
    // Set while the walk is inside a negated literal.
    bool negated = false;

  private:
    RuleSummary& out;
    const SymTab* names;
};

}  // namespace

RuleSummary RuleSummary::of(FRule* clause, const SymTab* names) {
    RuleSummary summary;
    Walker walker(summary, names);
    if (clause->getHead() != nullptr)
        for (FTerm* head : clause->getHead()->getList()) walker.walk(head, Walker::Mode::Write);
    if (clause->getBody() != nullptr)
        for (FLiteral* literal : *clause->getBody()->getList()) {
            walker.negated = literal->isNegated();
            walker.walk(literal->getTerm(),
                        literal->isNegated() ? Walker::Mode::Negated : Walker::Mode::Read);
        }
    return summary;
}

RuleSummary RuleSummary::ofFacts(const FactList::Write& write) {
    RuleSummary summary;
    RelationRef relation;
    relation.name = write.symbol;
    switch (write.form) {
        case FactList::Predicate:
            relation.kind = RelationRef::Kind::Predicate;
            relation.number = write.number;
            break;
        case FactList::Member:
            relation.kind = RelationRef::Kind::Member;
            break;
        case FactList::Subclass:
            relation.kind = RelationRef::Kind::Subclass;
            summary.steps.push_back({{true, write.host}, {true, write.symbol}});
            break;
        default:
            relation.kind = RelationRef::Kind::Method;
            relation.number = write.form == FactList::SetValue ? 1 : 0;
            relation.arguments = write.number;
    }
    summary.writes.push_back(relation);
    return summary;
}

bool mayMeet(const RelationRef& a, const RelationRef& b) {
    if (a.kind != b.kind) return false;
    if (a.kind == RelationRef::Kind::Predicate) return a.name == b.name && a.number == b.number;
    if (a.kind == RelationRef::Kind::Method && a.number != b.number) return false;
    return !a.constant || !b.constant || a.name == b.name;
}
