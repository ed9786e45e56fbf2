// FactList: which facts are kept compact, appending them, and the clause made again from one.
#include "language/FactList.h"

#include <limits>
#include <typeinfo>

#include "foundation/clib_list.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FunctionTerm.h"
#include "language/PTerm.h"
#include "language/Spec.h"

namespace {

// A constant that prints as its symbol alone and holds nothing else.
bool plainConstant(const FTerm* term) {
    if (term == nullptr || !term->isClass(ParseTreeClass::FunctionTerm)) return false;
    const auto* constant = static_cast<const FunctionTerm*>(term);
    const clib_list<FTerm*>* inner = constant->getArgs();
    return (inner == nullptr || inner->empty()) && !constant->isParenthesized() &&
           constant->getMethResult() == nullptr && constant->startKind() == 2;
}

bool plainPredicate(const PTerm& predicate) {
    if (predicate.getName().getType() != InternalName::Predicate ||
        predicate.firstGroupStart() != 0 || predicate.firstGroupEnd() != 0)
        return false;
    const clib_list<FTerm*>* args = predicate.getArgs();
    if (args == nullptr) return true;
    if (args->length() > std::numeric_limits<std::uint8_t>::max()) return false;
    for (const FTerm* arg : *args)
        if (!plainConstant(arg)) return false;
    return true;
}

// The one specification of a molecule, or null.
const Spec* onlySpec(const FMolecule& molecule) {
    const clib_list<Spec*>* specs = molecule.getSpecs();
    if (specs == nullptr || specs->length() != 1) return nullptr;
    return (*specs)[specs->first_item()];
}

// The one result of host[method ->> {result}].
const FTerm* onlyResult(const MSpec& spec) {
    const clib_list<FTerm*>* results = spec.getResults();
    if (results == nullptr || results->length() != 1) return nullptr;
    return (*results)[results->first_item()];
}

// host[method -> result], host[method ->> {result}], host:class or host::class, without
// filter, arguments or axis.
bool plainMolecule(const FMolecule& molecule) {
    if (molecule.getFilter() != nullptr || molecule.isParenthesized() ||
        molecule.getMethResult() != nullptr || !plainConstant(molecule.getHost()))
        return false;
    if (molecule.getClassTerm() != nullptr)
        return (molecule.getIsaKind() == 1 || molecule.getIsaKind() == 2) &&
               molecule.getSpecs() == nullptr && plainConstant(molecule.getClassTerm());
    if (molecule.getIsaKind() != 0) return false;
    const Spec* spec = onlySpec(molecule);
    if (spec == nullptr || spec->getCode() != 0 ||
        (spec->getArgs() != nullptr && !spec->getArgs()->empty()) ||
        !plainConstant(spec->getMethod()))
        return false;
    if (spec->isClass(ParseTreeClass::SSpec) && spec->getKind() == 0)
        return plainConstant(static_cast<const SSpec*>(spec)->getResult());
    if (spec->isClass(ParseTreeClass::MSpec) && spec->getKind() == 1)
        return plainConstant(onlyResult(*static_cast<const MSpec*>(spec)));
    return false;
}

const FSymbol& nameOf(const FTerm* constant) {
    return static_cast<const FunctionTerm*>(constant)->getName();
}

const FTerm* onlyAtom(const FRule& rule) {
    const FTermList* head = rule.getHead();
    return head->termAt(head->firstItem());
}

}  // namespace

bool FactList::holds(const FRule& rule) {
    if (rule.getBody() != nullptr || rule.ruleKind() != FRule::Fact || rule.getFlag() > FlagMask ||
        rule.getHead()->length() != 1)
        return false;
    const FTerm* atom = onlyAtom(rule);
    if (atom == nullptr) return false;
    if (atom->isClass(ParseTreeClass::PTerm))
        return plainPredicate(*static_cast<const PTerm*>(atom));
    // The other dialect's molecules share the class text of F-Logic's, not their print form.
    if (typeid(*atom) == typeid(FMolecule))
        return plainMolecule(*static_cast<const FMolecule*>(atom));
    return false;
}

bool FactList::originIndex(const std::string& text, std::uint16_t& index) {
    if (!origins.empty() && origins.back() == text) {
        index = static_cast<std::uint16_t>(origins.size() - 1);
        return true;
    }
    for (std::size_t i = 0; i < origins.size(); ++i)
        if (origins[i] == text) {
            index = static_cast<std::uint16_t>(i);
            return true;
        }
    if (origins.size() > std::numeric_limits<std::uint16_t>::max()) return false;
    origins.push_back(text);
    index = static_cast<std::uint16_t>(origins.size() - 1);
    return true;
}

bool FactList::add(const FRule& rule, std::size_t before) {
    std::uint16_t origin = 0;
    if (before > std::numeric_limits<std::uint32_t>::max() ||
        arguments.size() > std::numeric_limits<std::uint32_t>::max() / 2 ||
        !originIndex(rule.labelText(), origin))
        return false;
    const FTerm* atom = onlyAtom(rule);
    const std::size_t firstArg = arguments.size();
    FSymbol symbol;
    Form form = Predicate;
    if (atom->isClass(ParseTreeClass::PTerm)) {
        const auto* predicate = static_cast<const PTerm*>(atom);
        symbol = predicate->getName();
        if (const clib_list<FTerm*>* list = predicate->getArgs())
            for (const FTerm* arg : *list) arguments.push_back(nameOf(arg));
    } else {
        const auto* molecule = static_cast<const FMolecule*>(atom);
        arguments.push_back(nameOf(molecule->getHost()));
        if (molecule->getClassTerm() != nullptr) {
            form = molecule->getIsaKind() == 2 ? Subclass : Member;
            arguments.push_back(nameOf(molecule->getClassTerm()));
        } else {
            const Spec* spec = onlySpec(*molecule);
            symbol = nameOf(spec->getMethod());
            if (spec->getKind() == 1) {
                form = SetValue;
                arguments.push_back(nameOf(onlyResult(*static_cast<const MSpec*>(spec))));
            } else {
                form = Value;
                arguments.push_back(nameOf(static_cast<const SSpec*>(spec)->getResult()));
            }
        }
    }
    facts.push_back(Fact{symbol, static_cast<std::uint32_t>(firstArg),
                         static_cast<std::uint32_t>(before), rule.getLine(), origin,
                         static_cast<std::uint8_t>(form << FlagBits | rule.getFlag()),
                         static_cast<std::uint8_t>(arguments.size() - firstArg)});
    return true;
}

void FactList::addFrom(const FactList& other, std::size_t i, std::size_t before,
                       const std::string& origin, int line, int flag) {
    std::uint16_t index = 0;
    if (!originIndex(origin, index)) index = 0;
    const Fact& fact = other.facts[i];
    facts.push_back(Fact{fact.symbol, static_cast<std::uint32_t>(arguments.size()),
                         static_cast<std::uint32_t>(before), line, index,
                         static_cast<std::uint8_t>(other.form(i) << FlagBits | (flag & FlagMask)),
                         fact.arity});
    const FSymbol* args = other.arguments.data() + fact.firstArg;
    arguments.insert(arguments.end(), args, args + fact.arity);
}

FTerm* FactList::predicateAtom(std::size_t i) const {
    const Fact& fact = facts[i];
    clib_list<FTerm*>* args = nullptr;
    if (fact.arity > 0) {
        args = new clib_list<FTerm*>;
        for (int k = 0; k < fact.arity; ++k)
            args->append(new FunctionTerm(arguments[fact.firstArg + std::size_t(k)], nullptr));
    }
    auto* atom = new PTerm(fact.symbol, 0, 0, args);
    // The term took its own references on the arguments.
    if (args != nullptr)
        for (FTerm* arg : *args) decRef(arg);
    return atom;
}

FTerm* FactList::moleculeAtom(std::size_t i) const {
    auto* host = new FunctionTerm(this->host(i), nullptr);
    FMolecule* molecule = nullptr;
    if (form(i) == Member || form(i) == Subclass) {
        auto* cls = new FunctionTerm(classOf(i), nullptr);
        // The molecule takes its own references on host and class.
        molecule = new FMolecule(host, cls, nullptr, isaKind(i));
        decRef(cls);
    } else {
        auto* method = new FunctionTerm(this->method(i), nullptr);
        auto* result = new FunctionTerm(this->result(i), nullptr);
        Spec* spec = nullptr;
        if (form(i) == SetValue) {
            clib_list<FTerm*> results;
            results.append(result);
            spec = new MSpec(method, 0, nullptr, 1, &results);
        } else {
            spec = new SSpec(method, 0, nullptr, 0, result);
        }
        decRef(method);
        decRef(result);
        clib_list<Spec*> specs;
        specs.append(spec);
        molecule = new FMolecule(host, nullptr, &specs, 0);
        decRef(spec);
    }
    decRef(host);
    return molecule;
}

FRule* FactList::clause(std::size_t i) const {
    FTerm* atom = isMolecule(i) ? moleculeAtom(i) : predicateAtom(i);
    auto* head = new FTermList(atom);
    decRef(atom);
    const Fact& fact = facts[i];
    auto* rule = new FRule(head, nullptr, nullptr, origins[fact.origin], fact.line, flag(i));
    decRef(head);
    return rule;
}
