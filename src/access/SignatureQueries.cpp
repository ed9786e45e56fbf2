// SignatureQueries: which classes take part in signatures, the class an object is exported as,
// and signatures found through the classes of an object.
#include "access/SignatureQueries.h"

#include <utility>
#include <vector>

#include "access/DescIter.h"
#include "access/OMAccess.h"
#include "access/SignatureClasses.h"
#include "objectbase/CellHash.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// Whether some description of the given signature type, turned into a lookup pattern by
// `place`, is answered; descriptions with fewer than minArguments arguments are skipped.
template <class Place>
bool someSignatureAnswers(OMAccess& access, MethodType type, int minArguments, Place place) {
    const auto descriptions = Ref<UnSpecDescIter>::make(Free, Free, -1, type, &access);
    bool found = false;
    for (bool more = descriptions->first(); more && !found; more = descriptions->next()) {
        const int argCount = static_cast<int>(descriptions->atColumn(3).asFloat());
        if (argCount < minArguments) continue;
        std::vector<InternalName> pattern(static_cast<std::size_t>(argCount + 3), Free);
        pattern[0] = descriptions->atColumn(1);
        pattern[1] = descriptions->atColumn(2);
        found = place(pattern, argCount, [&](const std::vector<InternalName>& cells) {
            return yieldsRow(
                access.lookup(type, cells.data(), static_cast<int>(cells.size()), nullptr));
        });
    }
    return found;
}

}  // namespace

SignatureQueries::SignatureQueries(OMAccess& access) : access(access) {}

SignatureQueries::~SignatureQueries() = default;

int SignatureQueries::hasSignatures(const InternalName& cls) {
    for (MethodType type : {MethodType::ScalarSignature, MethodType::SetSignature})
        if (yieldsRow(new HostSpecDescIter(cls, Free, -1, type, &access))) return 1;
    return 0;
}

int SignatureQueries::isResultType(const InternalName& cls) {
    for (MethodType type : {MethodType::ScalarSignature, MethodType::SetSignature,
                            MethodType::AttributeSetSignature}) {
        const bool found = someSignatureAnswers(
            access, type, 0, [&](std::vector<InternalName>& pattern, int, auto lookupAnswers) {
                pattern.back() = cls;
                return lookupAnswers(pattern);
            });
        if (found) return 1;
    }
    return 0;
}

int SignatureQueries::isArgumentType(const InternalName& cls) {
    const bool found = someSignatureAnswers(
        access, MethodType::ScalarSignature, 1,
        [&](std::vector<InternalName>& pattern, int argCount, auto lookupAnswers) {
            for (int i = 0; i < argCount; ++i) {
                pattern[static_cast<std::size_t>(2 + i)] = cls;
                if (lookupAnswers(pattern)) return true;
                pattern[static_cast<std::size_t>(2 + i)] = Free;
            }
            return false;
        });
    return found ? 1 : 0;
}

std::unique_ptr<set<InternalName>> SignatureQueries::signatureClassesOf(const InternalName& x,
                                                                        int kind) {
    auto classes = std::make_unique<set<InternalName>>();
    const auto isa =
        Ref<Iterator>::adopt(access.makeEnhIsaIter(x, Free, IsaRelation(kind), nullptr));
    for (bool more = isa && isa->first(); more; more = isa->next()) {
        const InternalName cls = isa->atColumn(2);
        if (cls == x || classes->member(cls)) continue;
        if (takesPart(cls)) classes->insert(cls);
    }
    return classes;
}

void SignatureQueries::signatureClassesOf(const InternalName& x, int kind,
                                          std::vector<InternalName>& out) {
    out.clear();
    if (!walkClasses || (kind != 1 && kind != 2)) {
        const std::unique_ptr<set<InternalName>> classes = signatureClassesOf(x, kind);
        for (const InternalName& cls : *classes) out.push_back(cls);
        return;
    }
    // The closure depends on x's direct classes only; x itself is left out here, as it may lie
    // in the closure of another object with the same direct classes without lying in its own.
    direct.clear();
    OM* om = access.om();
    if (const ObjectFrameView frame = om->objectFrameOf(x)) {
        const InternalName setName =
            frame.setNameOf(kind == 1 ? IsaRelation::Member : IsaRelation::Subclass);
        if (const SetFrameView classes = om->setFrameOf(setName)) {
            const auto members = classes.memberSet().ascending();
            direct.assign(members.begin(), members.end());
        }
    }
    // No direct classes, none above them (most objects have no superclasses).
    if (direct.empty()) return;
    AboveMemo& memo = walkAbove[kind - 1];
    auto found = memo.find(direct);
    if (found == memo.end()) found = memo.emplace(direct, takingPartAbove(direct)).first;
    for (const InternalName& cls : found->second)
        if (cls != x) out.push_back(cls);
}

std::size_t SignatureQueries::NamesHash::operator()(const std::vector<InternalName>& names) const {
    return hashCells(names.data(), names.size());
}

std::vector<InternalName> SignatureQueries::takingPartAbove(
    const std::vector<InternalName>& classes) {
    set<InternalName> closure;
    Ref<Iterator> above;
    for (const InternalName& cls : classes) {
        // A class's subclass closure holds the class itself.
        above = Ref<Iterator>::adopt(
            access.makeEnhIsaIter(cls, Free, IsaRelation::Subclass, above.release()));
        for (bool more = above && above->first(); more; more = above->next())
            closure.insert(above->atColumn(2));
    }
    std::vector<InternalName> taking;
    for (const InternalName& cls : closure)
        if (takesPart(cls)) taking.push_back(cls);
    return taking;
}

bool SignatureQueries::takesPart(const InternalName& cls) {
    if (walkClasses) return walkClasses->takesPart(cls);
    return hasSignatures(cls) != 0 || isResultType(cls) != 0 || isArgumentType(cls) != 0;
}

bool SignatureQueries::openWalk() {
    if (walkClasses) return false;
    walkClasses = std::make_unique<SignatureClasses>(access);
    return true;
}

const std::vector<InternalName>* SignatureQueries::walkRows(MethodType type,
                                                            const InternalName& host,
                                                            const InternalName& method,
                                                            int argCount) const {
    return walkClasses ? walkClasses->rowsOf(type, host, method, argCount) : nullptr;
}

int SignatureQueries::walkFirstResult(MethodType type, const InternalName& host,
                                      const InternalName& method, int argCount,
                                      InternalName& result) {
    return walkClasses ? walkClasses->firstResultOf(type, host, method, argCount, result) : -1;
}

bool SignatureQueries::walkResults(MethodType type, const InternalName& host,
                                   const InternalName& method, int argCount,
                                   const SignatureRows::ResultVisit& visit) {
    return walkClasses && walkClasses->visitResultsOf(type, host, method, argCount, visit);
}

const std::vector<InternalName>* SignatureQueries::walkClassesAbove(const InternalName& cls) {
    return walkClasses ? &walkClasses->classesAbove(cls) : nullptr;
}

const std::vector<InternalName>* SignatureQueries::walkHosts() const {
    return walkClasses ? &walkClasses->hosts() : nullptr;
}

void SignatureQueries::closeWalk() {
    walkClasses.reset();
    for (AboveMemo& memo : walkAbove) memo.clear();
}

InternalName& SignatureQueries::typeClassOf(InternalName& out, const InternalName& x) {
    const std::unique_ptr<set<InternalName>> classes = signatureClassesOf(x, 1);
    if (classes->empty()) {
        out = builtinObject::Object;
    } else if (classes->size() == 1) {
        out = classes->choose();
    } else {
        out = access.mostSpecificClasses(*classes, 2)->choose();
    }
    return out;
}

Iterator* SignatureQueries::lookupViaClasses(const InternalName& x, const InternalName& method,
                                             int argCount, int selector) {
    const int number = selector >= 0 && selector <= 2 ? selector + 6 : selector;
    const MethodType type = static_cast<MethodType>(number);
    std::vector<InternalName> pattern(static_cast<std::size_t>(argCount + 3), Free);
    pattern[1] = method;
    const int width = static_cast<int>(pattern.size());
    const auto classes =
        Ref<Iterator>::adopt(access.makeEnhIsaIter(x, Free, IsaRelation::Member, nullptr));
    Ref<Iterator> answer;
    for (bool more = classes && classes->first(); more && !answer; more = classes->next()) {
        pattern[0] = classes->atColumn(2);
        auto found = Ref<Iterator>::adopt(access.lookup(type, pattern.data(), width, nullptr));
        if (found && found->first()) answer = std::move(found);
    }
    return answer.release();
}
