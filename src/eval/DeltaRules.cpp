// DeltaRules: appending rules and variants, making a variant's body, and the rules of a round.
#include "eval/DeltaRules.h"

#include "access/OMAccess.h"
#include "foundation/clib_list.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FProgram.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/PTerm.h"
#include "objectbase/SymTab.h"

DeltaRules::Entry::Entry() = default;

DeltaRules::Entry::~Entry() = default;

void DeltaRules::addRule(FRule* rule) {
    auto entry = std::make_unique<Entry>();
    entry->rule = Ref<FRule>::share(rule);
    entries.push_back(std::move(entry));
}

void DeltaRules::addVariant(FRule* rule, int position, int index, FTermList* atoms, SymTab* names,
                            FTerm* delta, FTerm* first, FTerm* second) {
    auto entry = std::make_unique<Entry>();
    entry->rule = Ref<FRule>::share(rule);
    entry->position = position;
    entry->index = index;
    entry->atoms = Ref<FTermList>::share(atoms);
    entry->names = Ref<SymTab>::share(names);
    entry->delta = Ref<FTerm>::share(delta);
    entry->first = Ref<FTerm>::share(first);
    entry->second = Ref<FTerm>::share(second);
    entry->deltaName = static_cast<PTerm*>(delta)->getName();
    entries.push_back(std::move(entry));
}

Ref<FRule> DeltaRules::make(const Entry& entry) {
    const auto body = Ref<FLiteralList>::adopt(new FLiteralList);
    auto appendNew = [&body](FTerm* term, int second) {
        const auto literal = Ref<FLiteral>::adopt(new FLiteral(term, 0, second));
        body->append(literal.get());
    };
    appendNew(entry.delta.get(), 1);
    if (entry.first) appendNew(entry.first.get(), 0);
    if (entry.second) appendNew(entry.second.get(), 0);
    int at = 0;
    for (FLiteral* literal : *entry.rule->getBody()->getList()) {
        if (at++ != entry.position) {
            body->append(literal);
            continue;
        }
        int other = 0;
        for (FTerm* atom : entry.atoms->getList())
            if (other++ != entry.index) appendNew(atom, 0);
    }
    const auto head = Ref<FTermList>::adopt(new FTermList);
    if (entry.rule->getHead() != nullptr)
        for (FTerm* term : entry.rule->getHead()->getList()) head->append(term);
    return Ref<FRule>::adopt(
        new FRule(head.get(), body.get(), entry.names.get(), "DeltaProg", 0, 0));
}

void DeltaRules::addSpan(FRule* rule, std::size_t from, std::size_t to, bool kept) {
    spans.push_back({rule, from, to, kept});
}

bool DeltaRules::visitRange(OMAccess& access, std::size_t from, std::size_t to,
                            const std::function<bool(FRule*)>& onRule) const {
    for (std::size_t i = from; i < to; ++i) {
        Entry& entry = *entries[i];
        if (entry.position < 0) {
            if (!onRule(entry.rule.get())) return false;
            continue;
        }
        if (access.isEmptyPredicate(entry.deltaName)) continue;
        if (!entry.made) entry.made = make(entry);
        if (!onRule(entry.made.get())) return false;
    }
    return true;
}

void DeltaRules::forEachOfRound(OMAccess& access, const WholeRules& whole,
                                const std::function<bool(FRule*)>& onRule) const {
    for (std::size_t s = 0; s < spans.size(); ++s) {
        const Span& span = spans[s];
        if (span.kept || (!whole.empty() && whole[s])) {
            if (!onRule(span.rule)) return;
            continue;
        }
        if (!visitRange(access, span.from, span.to, onRule)) return;
    }
}

Ref<FProgram> DeltaRules::wholeProgram(SymTab* names, int inheritanceMark) const {
    auto program = Ref<FProgram>::adopt(new FProgram(new clib_list<FRule*>, names));
    for (const std::unique_ptr<Entry>& entry : entries) {
        if (entry->position < 0 || entry->made) {
            program->append(entry->position < 0 ? entry->rule.get() : entry->made.get());
            continue;
        }
        program->append(make(*entry).get());
    }
    program->setInheritanceMark(inheritanceMark);
    return program;
}
