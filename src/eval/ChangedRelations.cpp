// ChangedRelations: the relations of clauses, and their closure under the rules of a program.
#include "eval/ChangedRelations.h"

#include "eval/Strata.h"
#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FactList.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"

void ChangedRelations::method(FTerm* methodTerm, bool write, bool guarded, Clause& out) {
    // A method is named by its function symbol, whatever its arguments, which are read.
    Relation relation{AnyMethod};
    if (methodTerm != nullptr && methodTerm->is(ParseTreeClass::FunctionTerm) &&
        !methodTerm->is(ParseTreeClass::FVar)) {
        auto* function = static_cast<FunctionTerm*>(methodTerm);
        relation = {Method, function->getName().getValue(), function->getName().getType()};
        if (const clib_list<FTerm*>* args = function->getArgs())
            for (FTerm* arg : *args) walk(arg, false, guarded, out);
    }
    if (write)
        out.writes.push_back(relation);
    else
        out.reads.push_back({relation, guarded});
}

void ChangedRelations::walk(FTerm* term, bool write, bool guarded, Clause& out) {
    if (term == nullptr) return;
    auto use = [&](const Relation& relation) {
        if (write)
            out.writes.push_back(relation);
        else
            out.reads.push_back({relation, guarded});
    };
    auto walkList = [&](const clib_list<FTerm*>* terms) {
        if (terms != nullptr)
            for (FTerm* inner : *terms) walk(inner, write, guarded, out);
    };
    // The parts of a term count as the term does: a path inside a head makes the values it
    // names when they are missing, so it writes them.
    if (term->is(ParseTreeClass::PTerm)) {
        auto* predicate = static_cast<PTerm*>(term);
        const clib_list<FTerm*>* args = predicate->getArgs();
        if (!predicate->isBuiltin())
            use({Predicate, predicate->getName().getValue(), args != nullptr ? args->length() : 0});
        else if (write)
            use({Anything});
        walkList(args);
    } else if (term->is(ParseTreeClass::AggExpr)) {
        // What an aggregate folds is read, under its guard, wherever the aggregate stands.
        if (FLiteralList* body = static_cast<AggExpr*>(term)->getBody())
            for (FLiteral* literal : *body->getList()) walk(literal->getTerm(), false, true, out);
    } else if (term->is(ParseTreeClass::ArithmeticExpr)) {
        auto* arithmetic = static_cast<ArithmeticExpr*>(term);
        walk(arithmetic->getLeft(), write, guarded, out);
        walk(arithmetic->getRight(), write, guarded, out);
    } else if (term->is(ParseTreeClass::FMolecule)) {
        auto* molecule = static_cast<FMolecule*>(term);
        walk(molecule->getHost(), write, guarded, out);
        walk(molecule->getClassTerm(), write, guarded, out);
        if (molecule->getIsaKind() == 1) {
            const FSymbol* cls = constantName(molecule->getClassTerm());
            use(cls != nullptr ? Relation{Member, cls->getValue(), cls->getType()}
                               : Relation{AnyMember});
        } else if (molecule->getIsaKind() == 2) {
            use({Subclass});
        }
        const clib_list<Spec*>* specs = molecule->getSpecs();
        if ((specs == nullptr || specs->empty()) && molecule->getIsaKind() == 0) use({Object});
        if (specs == nullptr) return;
        for (Spec* spec : *specs) {
            method(spec->getMethod(), write, guarded, out);
            walkList(spec->getArgs());
            if (spec->is(ParseTreeClass::SSpec))
                walk(static_cast<SSpec*>(spec)->getResult(), write, guarded, out);
            if (spec->is(ParseTreeClass::MSpec)) walkList(static_cast<MSpec*>(spec)->getResults());
        }
    } else if (term->is(ParseTreeClass::Reference)) {
        auto* reference = static_cast<Reference*>(term);
        walk(reference->getHost(), write, guarded, out);
        method(reference->getMethod(), write, guarded, out);
        walkList(reference->getArgs());
    } else if (term->is(ParseTreeClass::FunctionTerm) && !term->is(ParseTreeClass::FVar)) {
        walkList(static_cast<FunctionTerm*>(term)->getArgs());
    }
}

ChangedRelations::Clause ChangedRelations::relationsOf(FRule* rule) {
    Clause clause;
    if (rule->getHead() != nullptr)
        for (FTerm* head : rule->getHead()->getList()) walk(head, true, false, clause);
    if (rule->getBody() != nullptr)
        for (FLiteral* literal : *rule->getBody()->getList())
            walk(literal->getTerm(), false, literal->isNegated(), clause);
    return clause;
}

void ChangedRelations::add(const Relation& relation) {
    switch (relation.kind) {
        case AnyMethod:
            anyMethod = true;
            break;
        case AnyMember:
            anyMember = true;
            break;
        case Subclass:
            subclass = true;
            break;
        case Anything:
            anything = true;
            break;
        default:
            written.insert(relation);
    }
}

bool ChangedRelations::changed(const Relation& relation) const {
    if (anything) return true;
    const auto any = [this](Kind kind) {
        const auto from = written.lower_bound(Relation{kind, INT32_MIN, INT32_MIN});
        return from != written.end() && from->kind == kind;
    };
    switch (relation.kind) {
        case Predicate:
            return written.count(relation) != 0;
        case Method:
            return anyMethod || written.count(relation) != 0;
        case AnyMethod:
            return anyMethod || any(Method);
        // A new member of one class is one of its superclasses too, which the text does not
        // tell.
        case Member:
        case AnyMember:
            return anyMember || subclass || any(Member);
        case Subclass:
            return subclass;
        case Object:
        case Anything:
            return !written.empty() || anyMethod || anyMember || subclass;
    }
    return true;
}

ChangedRelations::ChangedRelations(FProgram* program, FProgram* added) {
    added->forEachRuleAndWrite(
        [this](FRule* clause) {
            const Clause relations = relationsOf(clause);
            for (const Relation& relation : relations.writes) add(relation);
            for (const Read& read : relations.reads)
                addedReadsMethod = addedReadsMethod || read.relation.kind == Method ||
                                   read.relation.kind == AnyMethod;
            return true;
        },
        [this](const FactList::Write& write) {
            switch (write.form) {
                case FactList::Predicate:
                    add({Predicate, write.symbol.getValue(), write.number});
                    break;
                case FactList::Member:
                    add({Member, write.symbol.getValue(), write.symbol.getType()});
                    break;
                case FactList::Subclass:
                    add({Subclass});
                    break;
                default:
                    add({Method, write.symbol.getValue(), write.symbol.getType()});
            }
            return true;
        });
    std::vector<Clause> rules;
    program->forEachClause(
        [&rules](FRule* clause) {
            if (clause->ruleKind() == FRule::Rule) rules.push_back(relationsOf(clause));
            return true;
        },
        [](const FactList&, std::size_t) { return true; });
    // A rule that reads a changed relation writes changed ones; until no rule adds one.
    std::vector<bool> fired(rules.size(), false);
    for (bool grew = true; grew;) {
        grew = false;
        for (std::size_t r = 0; r < rules.size(); ++r) {
            if (fired[r]) continue;
            bool reads = false;
            for (const Read& read : rules[r].reads) reads = reads || changed(read.relation);
            if (!reads) continue;
            fired[r] = true;
            grew = true;
            for (const Relation& relation : rules[r].writes) add(relation);
        }
    }
}

bool ChangedRelations::leaveInheritance() const {
    if (addedReadsMethod || anyMethod || anyMember || subclass || anything) return false;
    for (const Relation& relation : written)
        if (relation.kind != Predicate) return false;
    return true;
}

bool ChangedRelations::readUnderNegationOrAggregate(FRule* rule) const {
    if (rule->ruleKind() != FRule::Rule) return false;
    for (const Read& read : relationsOf(rule).reads)
        if (read.guarded && changed(read.relation)) return true;
    return false;
}

bool ChangedRelations::readUnderNegationOrAggregate(FProgram* part) const {
    bool guarded = false;
    part->forEachClause(
        [&](FRule* clause) {
            guarded = readUnderNegationOrAggregate(clause);
            return !guarded;
        },
        [](const FactList&, std::size_t) { return true; });
    return guarded;
}
