// DeltaRules: appending rules and variants, making a variant's body, and the program of a round.
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

DeltaRules::Entry::~Entry() {
    decRef(made);
    decRef(second);
    decRef(first);
    decRef(delta);
    if (names != nullptr) decRef(names);
    decRef(atoms);
    decRef(rule);
}

void DeltaRules::addRule(FRule* rule) {
    auto entry = std::make_shared<Entry>();
    incRef(rule);
    entry->rule = rule;
    entries.push_back(std::move(entry));
}

void DeltaRules::addVariant(FRule* rule, int position, int index, FTermList* atoms, SymTab* names,
                            FTerm* delta, FTerm* first, FTerm* second) {
    auto entry = std::make_shared<Entry>();
    auto share = [](auto* object) {
        if (object != nullptr) incRef(object);
        return object;
    };
    entry->rule = share(rule);
    entry->position = position;
    entry->index = index;
    entry->atoms = share(atoms);
    entry->names = share(names);
    entry->delta = share(delta);
    entry->first = share(first);
    entry->second = share(second);
    entries.push_back(std::move(entry));
}

void DeltaRules::addAll(const DeltaRules& other) {
    entries.insert(entries.end(), other.entries.begin(), other.entries.end());
}

void DeltaRules::addFrom(const DeltaRules& other, std::size_t from) {
    entries.insert(entries.end(), other.entries.begin() + std::ptrdiff_t(from),
                   other.entries.end());
}

FRule* DeltaRules::make(const Entry& entry) {
    auto* body = new FLiteralList;
    auto appendNew = [body](FTerm* term, int second) {
        auto* literal = new FLiteral(term, 0, second);
        body->append(literal);
        decRef(literal);
    };
    appendNew(entry.delta, 1);
    if (entry.first != nullptr) appendNew(entry.first, 0);
    if (entry.second != nullptr) appendNew(entry.second, 0);
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
    auto* head = new FTermList;
    if (entry.rule->getHead() != nullptr)
        for (FTerm* term : entry.rule->getHead()->getList()) head->append(term);
    auto* made = new FRule(head, body, entry.names, "DeltaProg", 0, 0);
    decRef(head);
    decRef(body);
    return made;
}

FProgram* DeltaRules::roundProgram(OMAccess& access, SymTab* names, int inheritanceMark) const {
    auto* program = new FProgram(new clib_list<FRule*>, names);
    for (const std::shared_ptr<Entry>& entry : entries) {
        if (entry->position < 0) {
            program->append(entry->rule);
            continue;
        }
        if (access.isEmptyPredicate(static_cast<PTerm*>(entry->delta)->getName())) continue;
        if (entry->made == nullptr) entry->made = make(*entry);
        program->append(entry->made);
    }
    program->setInheritanceMark(inheritanceMark);
    return program;
}

FProgram* DeltaRules::wholeProgram(SymTab* names, int inheritanceMark) const {
    auto* program = new FProgram(new clib_list<FRule*>, names);
    for (const std::shared_ptr<Entry>& entry : entries) {
        if (entry->position < 0 || entry->made != nullptr) {
            program->append(entry->position < 0 ? entry->rule : entry->made);
            continue;
        }
        FRule* made = make(*entry);
        program->append(made);
        decRef(made);
    }
    program->setInheritanceMark(inheritanceMark);
    return program;
}
