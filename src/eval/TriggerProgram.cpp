// The trigger program: the trigger queries drawn from the atomized program, and what the rules'
// summaries say of how the phases may insert.
#include "eval/TriggerProgram.h"

#include <cstddef>
#include <functional>
#include <vector>

#include "compile/Normalizer.h"
#include "eval/ProgramPlan.h"
#include "eval/RuleSummary.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/clib_list.h"
#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/PTerm.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

namespace {
// The molecule of a body literal that can expose inherited values: one whose first
// specification is a method application ("->" to "@*->>"); null for anything else.
FMolecule* triggerMolecule(FLiteral* literal) {
    auto* molecule = node_cast<FMolecule>(literal->getTerm());
    if (molecule == nullptr) return nullptr;
    clib_list<Spec*>* specs = molecule->getSpecs();
    if (specs == nullptr || specs->empty() || isSignature(specs->head()->methodType()))
        return nullptr;
    return molecule;
}

// The literals of a body and, after each, those of the aggregate bodies inside it: an
// aggregate over inherited values needs them as much as a literal does.
std::vector<FLiteral*> withAggregateLiterals(FLiteralList* body) {
    std::vector<FLiteral*> out;
    std::function<void(FTerm*)> visitTerm = [&](FTerm* term) {
        if (term == nullptr) return;
        if (auto* aggregate = node_cast<AggExpr>(term)) {
            FLiteralList* inner = aggregate->getBody();
            if (inner == nullptr) return;
            for (FLiteral* literal : *inner->getList()) {
                out.push_back(literal);
                visitTerm(literal->getTerm());
            }
        } else if (auto* predicate = node_cast<PTerm>(term)) {
            if (predicate->getArgs() != nullptr)
                for (FTerm* arg : *predicate->getArgs()) visitTerm(arg);
        } else if (auto* expr = node_cast<ArithmeticExpr>(term)) {
            visitTerm(expr->getLeft());
            visitTerm(expr->getRight());
        }
    };
    for (FLiteral* literal : *body->getList()) {
        out.push_back(literal);
        visitTerm(literal->getTerm());
    }
    return out;
}

// The rules of the program in order; its facts, compact or whole, take no part.
std::vector<FRule*> rulesOf(const FProgram* program) {
    std::vector<FRule*> rules;
    program->forEachClause(
        [&](FRule* clause) {
            if (clause->kind() == FRule::Rule) rules.push_back(clause);
            return true;
        },
        [](const FactList&, std::size_t) { return true; });
    return rules;
}

// Whether some rule can change what a phase inherits apart from the methods rule heads give own
// values (collected in `contested`, a method written through a variable standing for any): a
// rule deriving a subclass relation, an equality, or a membership in a class not named by a
// constant. `memberships` is set when a rule makes objects members of a constant class. Facts
// count not: they are stored before the first phase. Read from the rules' summaries.
bool rulesAffectInheritance(FProgram* program, const ProgramPlan& plan, bool& memberships,
                            std::vector<Ref<FTerm>>& contested, bool& anyContested) {
    for (FRule* clause : rulesOf(program)) {
        const RuleSummary* summary = plan.summaryOf(clause);
        if (summary == nullptr) continue;
        if (summary->equates) return true;
        for (const RelationRef& written : summary->writes) {
            switch (written.kind) {
                case RelationRef::Kind::Predicate:
                    break;
                case RelationRef::Kind::Subclass:
                    return true;
                case RelationRef::Kind::Member:
                    if (!written.constant) return true;
                    memberships = true;
                    break;
                case RelationRef::Kind::Method:
                    // Signatures are not inherited.
                    if (written.number > 5) break;
                    if (!written.constant || written.term == nullptr) {
                        anyContested = true;
                        break;
                    }
                    contested.push_back(Ref<FTerm>::share(written.term));
                    break;
            }
        }
    }
    return false;
}
}  // namespace

TriggerProgram::TriggerProgram(FProgram* program, const ProgramPlan& plan) {
    // The atomized program is needed only while the queries are drawn from it: they hold the
    // literals they match.
    const auto normalizer = Ref<Normalizer>::make(program);
    normalizer->leaveOutCompactFacts();
    normalizer->atomize();
    FProgram* atomized = normalizer->giveProgram();
    if (atomized == nullptr) {
        centralErrorHandler().report(err4::NoNormalizedProgram);
        return;
    }
    names = Ref<SymTab>::share(atomized->getSymTab());
    // The i-th molecule belongs to the i-th trigger rule.
    std::vector<FMolecule*> taken;
    for (FRule* clause : rulesOf(atomized)) {
        if (clause->getBody() == nullptr) continue;
        for (FLiteral* literal : withAggregateLiterals(clause->getBody())) {
            FMolecule* molecule = triggerMolecule(literal);
            if (molecule == nullptr) continue;
            bool covered = false;
            for (std::size_t i = 0; i < taken.size();) {
                if (taken[i]->matchesMolecule(*molecule)) {
                    covered = true;
                    break;
                }
                if (molecule->matchesMolecule(*taken[i])) {
                    triggers.erase(triggers.begin() + static_cast<std::ptrdiff_t>(i));
                    taken.erase(taken.begin() + static_cast<std::ptrdiff_t>(i));
                    continue;
                }
                ++i;
            }
            if (covered) continue;
            // A negated literal exposes the same inherited values as its positive form.
            const Ref<FLiteral> trigger = literal->isNegated()
                                              ? Ref<FLiteral>::adopt(new FLiteral(molecule, 0, 0))
                                              : Ref<FLiteral>::share(literal);
            const auto body = Ref<FLiteralList>::adopt(new FLiteralList(trigger.get()));
            triggers.push_back(
                Ref<FRule>::adopt(new FRule(nullptr, body.get(), clause->getSymTab(), "", 0, 0)));
            taken.push_back(molecule);
        }
    }
    bool anyContested = false;
    bool memberships = false;
    full = !rulesAffectInheritance(program, plan, memberships, contested, anyContested);
    // A head whose method may be any method may give any host a value of its own: nothing is
    // left for later, and no phase takes more than one fact.
    if (anyContested) {
        full = false;
        contested.clear();
    }
    for (FMolecule* molecule : taken)
        if (molecule->getSpecs()->head()->getMethod()->is(ParseTreeClass::FVar) && memberships)
            full = false;
}

TriggerProgram::~TriggerProgram() = default;

void TriggerProgram::print(OutputChannel& channel) const {
    if (!names) return;
    channel << "TriggerList:" << std::endl;
    for (const Ref<FRule>& rule : triggers) rule->print(channel, names.get(), rule->getSymTab());
    channel << std::endl << std::endl;
}
