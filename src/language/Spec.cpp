// Method specifications: print forms of both dialects, copies, equality and order.
#include "language/Spec.h"

#include "foundation/OutputChannel.h"
#include "language/FTerm.h"
#include "language/NodeLists.h"

Spec::Spec(ParseTreeClass className, FTerm* method, int code, const clib_list<FTerm*>* args,
           int kind)
    : ParseTreeNode(className), call(method, code, args), kind(kind) {}

Spec::Spec(const Spec& other) : ParseTreeNode(other), call(other.call), kind(other.kind) {
    if (!call.complete()) markIncomplete();
}

bool Spec::isA(const std::string& className) const {
    return className == "Spec" || ParseTreeNode::isA(className);
}

bool Spec::deepEqual(const ParseTreeNode& other) const {
    const auto* spec = dynamic_cast<const Spec*>(&other);
    return spec != nullptr && kind == spec->kind && call.deepEqual(spec->call);
}

void Spec::collectVars(VarList& vars) const {
    call.collectVars(vars);
}

int Spec::compareSameClass(const ParseTreeNode& other) const {
    const auto& spec = static_cast<const Spec&>(other);
    if (const int c = call.compareMethods(spec.call); c != 0) return c;
    if (kind != spec.kind) return kind < spec.kind ? -1 : 1;
    if (const int c = call.compareArgs(spec.call); c != 0) return c;
    return call.compareCodes(spec.call);
}

SSpec::SSpec(FTerm* method, int code, const clib_list<FTerm*>* args, int kind, FTerm* result)
    : Spec(ParseTreeClass::SSpec, method, code, args, kind), result(Ref<FTerm>::share(result)) {}

SSpec::SSpec(const SSpec& other) : Spec(other), result(nullptr) {
    if (other.result != nullptr) {
        result = Ref<FTerm>::adopt(static_cast<FTerm*>(other.result->clone()));
        if (result == nullptr) markIncomplete();
    }
}

SSpec::~SSpec() = default;

bool SSpec::isA(const std::string& className) const {
    return className == "SSpec" || Spec::isA(className);
}

void SSpec::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    printMethodAndArgs(channel, names, vars);
    // Only the value arrows: a signature's arrow is not written here.
    if (methodType() == MethodType::Scalar || methodType() == MethodType::InheritableScalar)
        channel << " " << methodTypeText(methodType()).arrow << " ";
    if (result != nullptr) result->print(channel, names, vars);
}

ParseTreeNode* SSpec::clone() const {
    return finishClone(new SSpec(*this));
}

bool SSpec::deepEqual(const ParseTreeNode& other) const {
    const auto* spec = dynamic_cast<const SSpec*>(&other);
    return spec != nullptr && Spec::deepEqual(other) && result != nullptr &&
           spec->result != nullptr && result->deepEqual(*spec->result);
}

void SSpec::collectVars(VarList& vars) const {
    Spec::collectVars(vars);
    if (result != nullptr) result->collectVars(vars);
}

int SSpec::compareSameClass(const ParseTreeNode& other) const {
    if (const int c = Spec::compareSameClass(other); c != 0) return c;
    return compareOrNull(result, static_cast<const SSpec&>(other).result);
}

void SSpec::setResult(FTerm* newResult) {
    result = Ref<FTerm>::share(newResult);
}

MSpec::MSpec(FTerm* method, int code, const clib_list<FTerm*>* args, int kind,
             const clib_list<FTerm*>* results)
    : Spec(ParseTreeClass::MSpec, method, code, args, kind), results(nodelists::share(results)) {}

MSpec::MSpec(const MSpec& other) : Spec(other) {
    bool failed = false;
    results = nodelists::cloneList(other.results, failed);
    if (failed) markIncomplete();
}

MSpec::~MSpec() {
    nodelists::release(results);
}

bool MSpec::isA(const std::string& className) const {
    return className == "MSpec" || Spec::isA(className);
}

void MSpec::printResults(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    if (results != nullptr) nodelists::print(channel, *results, ", ", names, vars);
}

void MSpec::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    printMethodAndArgs(channel, names, vars);
    const int kind = getKind();
    switch (kind) {
        case 1:
            channel << " ->> {";
            break;
        case 4:
            channel << " *->> {";
            break;
        case 6:
            channel << " => (";
            break;
        case 7:
            channel << " =>> (";
            break;
        default:
            break;
    }
    printResults(channel, names, vars);
    if (kind == 1 || kind == 4) channel << "}";
    if (kind == 6 || kind == 7) channel << ")";
}

ParseTreeNode* MSpec::clone() const {
    return finishClone(new MSpec(*this));
}

bool MSpec::deepEqual(const ParseTreeNode& other) const {
    const auto* spec = dynamic_cast<const MSpec*>(&other);
    return spec != nullptr && Spec::deepEqual(other) &&
           nodelists::deepEqual(results, spec->results);
}

void MSpec::collectVars(VarList& vars) const {
    Spec::collectVars(vars);
    nodelists::collectVars(results, vars);
}

int MSpec::compareSameClass(const ParseTreeNode& other) const {
    if (const int c = Spec::compareSameClass(other); c != 0) return c;
    return nodelists::compare(results, static_cast<const MSpec&>(other).results);
}

FTerm* MSpec::firstResult() const {
    return nodelists::isEmpty(results) ? nullptr : results->head();
}

void MSpec::setResults(clib_list<FTerm*>* newResults) {
    if (newResults == results) return;
    nodelists::retain(newResults);
    nodelists::release(results);
    results = newResults;
}

void PevoMSpec::print(OutputChannel& channel, const SymTab* names, const SymTab* vars) const {
    const int kind = getKind();
    channel << pevoAxisText(getCode());
    printStepMethod(channel, getMethod(), names, vars);
    if (getCode() == 8) channel << "()";
    printStepArgs(channel, getArgs(), names, vars);
    switch (kind) {
        case 1:
            channel << " -> {";
            break;
        case 4:
            channel << " *-> {";
            break;
        case 5:
            channel << " @*-> {";
            break;
        case 7:
            channel << " => (";
            break;
        case 8:
            channel << " @=> (";
            break;
        default:
            break;
    }
    printResults(channel, names, vars);
    if (kind == 1 || kind == 4 || kind == 5) channel << "}";
    if (kind == 7 || kind == 8) channel << ")";
}

ParseTreeNode* PevoMSpec::clone() const {
    return finishClone(new PevoMSpec(*this));
}
