// BaseSnapshot: writing the base out when an evaluation starts, and filling the emptied base
// again from that text.
#include "eval/BaseSnapshot.h"

#include <sstream>
#include <vector>

#include "access/OMAccess.h"
#include "eval/Matcher.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
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
    const auto stream = Ref<FLSysOStreamImpl<std::ostringstream>>::make(&text);
    channel.setStream(stream.get());
    write();
    channel.resetStream();
    return text.str();
}

// Calls take(rule) for every clause of the text, parsed against the base's symbol table; false
// when the parser refused a clause.
template <class Take>
bool forEachClause(OMAccess& access, const std::string& text, Take take) {
    const auto parser = Ref<FLogicParser>::adopt(new FLogicParser());
    parser->setInputString(text);
    bool all = true;
    while (!parser->atEnd()) {
        int ok = 0;
        const auto rule = Ref<FRule>::adopt(parser->parse(access.giveSymTab(), &ok));
        if (ok == 0) all = false;
        if (rule) take(rule.get());
    }
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
    if (!access.printedFactsRestoreBase()) whole = false;
    // Not every stored fact prints as a clause that reads back (attribute methods of
    // documents, for one): the text is checked once, its refusals kept from the user.
    if (whole && !facts.empty())
        channelText(errorChannel(), [&] { whole = forEachClause(access, facts, [](FRule*) {}); });
    const InheritedValues& inherited = access.inheritance().inherited();
    // One fact per value of a slot: host[method@(args) -> value] or ->> {value}.
    auto writeSlot = [&](const InternalName& host, const InheritedValues::Slot& slot,
                         const std::vector<InternalName>& values, std::string& into) {
        if (!whole) return;
        // Only methods with a plain arrow are inherited ("->", "->>" and "@->>" are 0 to 2).
        if (slot.type < 0 || slot.type > 1) {
            whole = false;
            return;
        }
        auto form = [&](const InternalName& name, std::string& out) {
            const std::size_t before = out.size();
            if (access.giveLexicalForm(name, out, 1, 1) == 0 || out.size() == before) whole = false;
        };
        for (const InternalName& value : values) {
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
            into += fact;
        }
    };
    inherited.forEachSlot([&](const InternalName& host, const InheritedValues::Slot& slot) {
        if (const std::vector<InternalName>* values = inherited.find(host, slot))
            writeSlot(host, slot, *values, inheritedFacts);
    });
    inherited.forEachConfirmed([&](const InternalName& host, const InheritedValues::Slot& slot,
                                   const std::vector<InternalName>& values) {
        writeSlot(host, slot, values, confirmedFacts);
    });
    // Where classes tie, the one numbered first gives the value: the names are made again in the
    // order they were numbered before the facts go in, which mention them in another order.
    if (whole && !facts.empty()) {
        const std::int64_t upcoming = base->nameMark();
        for (std::int64_t id = 1; id < upcoming; ++id)
            for (const std::uint8_t kind : {InternalName::String, InternalName::Object}) {
                FSymbol symbol;
                if (base->giveSymbol(InternalName(static_cast<std::int32_t>(id), kind, 0),
                                     symbol) != 0)
                    names.push_back(symbol);
            }
    }
    // An equality leaves the object one name in print; the others are known only to the base's
    // table of symbols, which an emptied base forgets.
    base->forEachFurtherSymbol([&](const InternalName& rep, const FSymbol& symbol) {
        FSymbol printed;
        if (rep.getType() == InternalName::Integer || rep.getType() == InternalName::Float) {
            printed = FSymbol(rep);
        } else if (base->giveSymbol(rep, printed) == 0) {
            // An object without a symbol of its own (a path's) is not named again.
            return;
        }
        if (symbol != printed) aliases.emplace_back(symbol, printed);
    });
}

namespace {

// The host, method, arguments, type and value of a fact host[method@(args) -> value] (or ->>
// {value}) as written for a slot; false for any other clause.
struct SlotFact {
    InternalName host;
    InternalName method;
    std::vector<InternalName> args;
    int type = 0;
    InternalName value;
};

bool readSlotFact(OM& base, FRule* rule, SlotFact& out) {
    if (rule->getHead() == nullptr || rule->getHead()->getList().empty()) return false;
    FTerm* term = *rule->getHead()->getList().begin();
    auto* molecule = node_cast<FMolecule>(term);
    if (molecule == nullptr) return false;
    clib_list<Spec*>* specs = molecule->getSpecs();
    if (specs == nullptr || specs->empty()) return false;
    const Spec* spec = specs->head();
    auto name = [&](FTerm* part) {
        InternalName named;
        termToName(base, named, static_cast<Path*>(part));
        return named;
    };
    FTerm* result = nullptr;
    if (const auto* scalar = node_cast<SSpec>(spec)) {
        result = scalar->getResult();
    } else if (const auto* set = node_cast<MSpec>(spec)) {
        clib_list<FTerm*>* results = set->getResults();
        if (results != nullptr && !results->empty()) result = results->head();
    }
    if (result == nullptr) return false;
    out.host = name(molecule->getHost());
    out.method = name(spec->getMethod());
    out.args.clear();
    if (spec->getArgs() != nullptr)
        for (FTerm* arg : *spec->getArgs()) out.args.push_back(name(arg));
    out.type = spec->getKind();
    out.value = name(result);
    return true;
}

}  // namespace

void BaseSnapshot::restore(OMAccess& access, Matcher& matcher) const {
    OM* base = access.om();
    if (base == nullptr) return;
    InternalName made;
    for (const FSymbol& symbol : names) base->getOrCreateName(symbol, made);
    forEachClause(access, facts, [&](FRule* rule) {
        if (rule->getHead() != nullptr && rule->getBody() == nullptr) matcher.insert(rule, nullptr);
    });
    // The printed name is kept: the further name is new in the refilled base, and the equality
    // is forced the printed name's way.
    for (const auto& [further, printed] : aliases) {
        InternalName object;
        InternalName alias;
        base->getOrCreateName(printed, object);
        base->getOrCreateName(further, alias);
        if (alias != object) base->equate(alias, object, 1);
    }
    matcher.applyEqualities();
    SlotFact fact;
    forEachClause(access, inheritedFacts, [&](FRule* rule) {
        if (!readSlotFact(*base, rule, fact)) return;
        access.inheritance().restoreInherited(
            fact.host, fact.method, fact.args.empty() ? nullptr : fact.args.data(),
            static_cast<int>(fact.args.size()), fact.type, fact.value);
    });
    forEachClause(access, confirmedFacts, [&](FRule* rule) {
        if (!readSlotFact(*base, rule, fact)) return;
        access.inheritance().restoreConfirmed(
            fact.host, fact.method, fact.args.empty() ? nullptr : fact.args.data(),
            static_cast<int>(fact.args.size()), fact.type, fact.value);
    });
}
