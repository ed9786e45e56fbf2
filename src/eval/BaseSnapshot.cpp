// BaseSnapshot: writing the base out when an evaluation starts, and filling the emptied base
// again from that text.
#include "eval/BaseSnapshot.h"

#include <sstream>
#include <vector>

#include "access/OMAccess.h"
#include "eval/Matcher.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "language/FMolecule.h"
#include "language/FParser.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/Path.h"
#include "language/Spec.h"
#include "language/TermToName.h"
#include "objectbase/OM.h"

namespace {

// What the channel writes while `write` runs.
template <class Write>
std::string channelText(OutputChannel& channel, Write write) {
    std::ostringstream text;
    auto* stream = new FLSysOStreamImpl<std::ostringstream>(&text, false);
    channel.setStream(stream);
    decRef(stream);
    write();
    channel.resetStream();
    return text.str();
}

// Calls take(rule) for every clause of the text, parsed against the base's symbol table; false
// when the parser refused a clause.
template <class Take>
bool forEachClause(OMAccess& access, const std::string& text, Take take) {
    auto* parser = new FLogicParser();
    parser->setInputString(text);
    bool all = true;
    while (!parser->atEnd()) {
        int ok = 0;
        FRule* rule = parser->parse(access.giveSymTab(), &ok);
        if (ok == 0) all = false;
        if (rule == nullptr) continue;
        take(rule);
        decRef(rule);
    }
    decRef(parser);
    return all;
}

}  // namespace

BaseSnapshot::BaseSnapshot(OMAccess& access) {
    OM* base = access.om();
    if (base == nullptr) return;
    // A base without frames holds nothing to store again (its dump says so in words).
    if (!base->pristine()) facts = channelText(debugChannel(), [base] { base->dump(1); });
    if (facts.rfind("OM is empty", 0) == 0) facts.clear();
    // A layer whose inserts act (one that loads a document when a fact names it) would not
    // store the same facts again.
    if (access.isA("XMLOMAccess")) whole = false;
    // Not every stored fact prints as a clause that reads back (attribute methods of
    // documents, for one): the text is checked once, its refusals kept from the user.
    if (whole && !facts.empty())
        channelText(errorChannel(), [&] { whole = forEachClause(access, facts, [](FRule*) {}); });
    const InheritedValues& inherited = access.inherited();
    inherited.forEachSlot([&](const InternalName& host, const InheritedValues::Slot& slot) {
        const std::vector<InternalName>* values = inherited.find(host, slot);
        if (values == nullptr || !whole) return;
        // Only methods with a plain arrow are inherited ("->", "->>" and "@->>" are 0 to 2).
        if (slot.type < 0 || slot.type > 1) {
            whole = false;
            return;
        }
        auto form = [&](const InternalName& name, std::string& out) {
            const std::size_t before = out.size();
            if (access.giveLexicalForm(name, out, 1, 1) == 0 || out.size() == before) whole = false;
        };
        for (const InternalName& value : *values) {
            std::string fact;
            form(host, fact);
            fact += '[';
            form(slot.method, fact);
            if (!slot.args.empty()) {
                fact += "@(";
                for (std::size_t i = 0; i < slot.args.size(); ++i) {
                    if (i != 0) fact += ',';
                    form(slot.args[i], fact);
                }
                fact += ')';
            }
            fact += slot.type == 0 ? " -> " : " ->> {";
            form(value, fact);
            fact += slot.type == 0 ? "].\n" : "}].\n";
            inheritedFacts += fact;
        }
    });
}

void BaseSnapshot::restore(OMAccess& access, Matcher& matcher) const {
    OM* base = access.om();
    if (base == nullptr) return;
    forEachClause(access, facts, [&](FRule* rule) {
        if (rule->getHead() != nullptr && rule->getBody() == nullptr) matcher.insert(rule, nullptr);
    });
    matcher.applyEqualities();
    forEachClause(access, inheritedFacts, [&](FRule* rule) {
        if (rule->getHead() == nullptr || rule->getHead()->getList().empty()) return;
        FTerm* term = *rule->getHead()->getList().begin();
        if (!term->isA("FMolecule")) return;
        auto* molecule = static_cast<FMolecule*>(term);
        clib_list<Spec*>* specs = molecule->getSpecs();
        if (specs == nullptr || specs->empty()) return;
        const Spec* spec = specs->head();
        auto name = [&](FTerm* part) {
            InternalName out;
            termToName(*base, out, static_cast<Path*>(part));
            return out;
        };
        const InternalName host = name(molecule->getHost());
        const InternalName method = name(spec->getMethod());
        std::vector<InternalName> args;
        if (spec->getArgs() != nullptr)
            for (FTerm* arg : *spec->getArgs()) args.push_back(name(arg));
        FTerm* result = nullptr;
        if (spec->isA("SSpec")) {
            result = static_cast<const SSpec*>(spec)->getResult();
        } else if (spec->isA("MSpec")) {
            clib_list<FTerm*>* results = static_cast<const MSpec*>(spec)->getResults();
            if (results != nullptr && !results->empty()) result = results->head();
        }
        if (result == nullptr) return;
        const InternalName value = name(result);
        const int type = spec->getKind();
        access.restoreInherited(host, method, args.empty() ? nullptr : args.data(),
                                static_cast<int>(args.size()), type, value);
    });
}
