// ChangedRelations: the relations of clauses, and their closure under the rules of a program.
#include "eval/ChangedRelations.h"

#include "eval/ProgramPlan.h"
#include "eval/RuleSummary.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FactList.h"

ChangedRelations::Relation ChangedRelations::relationOf(const RelationRef& relation) {
    const std::int32_t value = relation.name.getValue();
    const std::int32_t type = relation.name.getType();
    switch (relation.kind) {
        case RelationRef::Kind::Predicate:
            return {Predicate, value, relation.number};
        // A method by its name, whatever its arrow.
        case RelationRef::Kind::Method:
            return relation.constant ? Relation{Method, value, type} : Relation{AnyMethod};
        case RelationRef::Kind::Member:
            return relation.constant ? Relation{Member, value, type} : Relation{AnyMember};
        case RelationRef::Kind::Subclass:
            break;
    }
    return {Subclass};
}

ChangedRelations::Clause ChangedRelations::relationsOf(const RuleSummary& summary) {
    Clause clause;
    for (const RelationRef& relation : summary.writes)
        clause.writes.push_back(relationOf(relation));
    if (summary.writesObjects) clause.writes.push_back({Object});
    if (summary.equates) clause.writes.push_back({Anything});
    for (const RuleSummary::Access& read : summary.reads)
        clause.reads.push_back(
            {relationOf(read.relation), read.how != RuleSummary::Read::Positive});
    // A built-in that reads the whole base reads every object there.
    if (summary.readsObjects || summary.readsWholeBase) clause.reads.push_back({{Object}, false});
    return clause;
}

ChangedRelations::Clause ChangedRelations::relationsOf(FRule* rule) const {
    if (const RuleSummary* summary = plan->summaryOf(rule)) return relationsOf(*summary);
    return relationsOf(RuleSummary::of(rule, nullptr));
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

ChangedRelations::ChangedRelations(FProgram* program, FProgram* added, const ProgramPlan* given)
    : plan(given) {
    if (plan == nullptr) {
        ownPlan = std::make_unique<ProgramPlan>(program, ProgramPlan::Inheritance::None,
                                                ProgramPlan::Split::Whole);
        plan = ownPlan.get();
    }
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
            for (const Relation& relation : relationsOf(RuleSummary::ofFacts(write)).writes)
                add(relation);
            return true;
        });
    std::vector<Clause> rules;
    program->forEachClause(
        [&rules, this](FRule* clause) {
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

ChangedRelations::~ChangedRelations() = default;

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

bool ChangedRelations::readBy(FProgram* part) const {
    bool reads = false;
    part->forEachClause(
        [&](FRule* clause) {
            if (clause->ruleKind() != FRule::Rule) return true;
            for (const Read& read : relationsOf(clause).reads)
                reads = reads || changed(read.relation);
            return !reads;
        },
        [](const FactList&, std::size_t) { return true; });
    return reads;
}
