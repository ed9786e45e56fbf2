// The export of F-Logic objects as XML: which objects get elements, which are nested, and the
// text of each entry.
#include "shell/FLtoXMLExportHandler.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "access/DescIter.h"
#include "access/ExportRequest.h"
#include "access/OMAccess.h"
#include "objectbase/CellHash.h"
#include "objectbase/DumpFormatter.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/OM.h"
#include "objectbase/ParamRows.h"
#include "objectbase/SymTab.h"
#include "shell/XMLDumpFormatter.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

// Appends a piece of fixed text by its known length, without measuring it.
template <std::size_t N>
void appendFixed(std::string& out, const char (&text)[N]) {
    out.append(text, N - 1);
}

// The values of a cell: the members of a set name in ascending order, or the cell itself. The
// members are read in place from the set's frame, found in `read` when it is given (the walks
// of an export, which read the sets of every object); `visit` answers false to stop.
template <class Visit>
void forEachValue(const FrameWalk* read, OMAccess* access, const InternalName& cell, Visit visit) {
    if (cell.getType() != InternalName::SetName) {
        visit(cell);
        return;
    }
    const MainMemSetFrame* members =
        read != nullptr ? read->findSet(cell) : access->om()->getSetFrame(cell);
    if (members == nullptr) return;
    for (const InternalName& member : members->memberSet().ascending())
        if (!visit(member)) break;
}

// A few pieces of text joined on the stack and appended at once: each append to a string costs a
// call and its checks, more than copying the few characters of an attribute or an element's
// head. `add` answers false when a piece does not fit.
class Joined {
  public:
    bool add(std::string_view text) {
        if (text.size() > sizeof buffer - size) return false;
        std::memcpy(buffer + size, text.data(), text.size());
        size += text.size();
        return true;
    }
    void appendTo(std::string& out) const { out.append(buffer, size); }

  private:
    char buffer[256];
    std::size_t size = 0;
};

}  // namespace

bool FLtoXMLExportHandler::isBuiltin(const InternalName& cls, const InternalName& builtin,
                                     const FSymbol& symbol) {
    FSymbol bound;
    return cls == builtin || (access->giveSymbol(cls, bound) != 0 && bound == symbol);
}

FLtoXMLExportHandler::FLtoXMLExportHandler(OMAccess* access) : XMLExportHandler(access) {}

FLtoXMLExportHandler::~FLtoXMLExportHandler() {
    forgetSignatures();
}

std::size_t FLtoXMLExportHandler::NameHash::operator()(const InternalName& name) const {
    return hashCell(name);
}

std::size_t FLtoXMLExportHandler::ClassesHash::operator()(
    const std::vector<InternalName>& classes) const {
    return hashCells(classes.data(), classes.size());
}

inline const MainMemSetFrame* FLtoXMLExportHandler::setFrameOf(const InternalName& name) {
    return setFramesRead != nullptr ? setFramesRead->findSet(name)
                                    : access->om()->getSetFrame(name);
}

int FLtoXMLExportHandler::classSetFound(const InternalName& object, const MainMemObjFrame* frame) {
    OM* om = access->om();
    if (frame == nullptr) frame = om->getObjFrame(object);
    return classSetOfSet(object, frame != nullptr ? setFrameOf(frame->getSetName1()) : nullptr);
}

int FLtoXMLExportHandler::classSetOfSet(const InternalName& object, const MainMemSetFrame* direct) {
    // An object of one direct class (most objects) finds its class set by that class.
    if (direct != nullptr) {
        const auto members = direct->memberSet().ascending();
        if (members.size() == 1) {
            const int number = setsOfOnlyClass.get(members.front()) - 1;
            if (number >= 0) {
                hostSets.set(object, number + 1);
                return number;
            }
        }
    }
    return classSetOfDirect(object, direct);
}

int FLtoXMLExportHandler::classSetOfDirect(const InternalName& object,
                                           const MainMemSetFrame* direct) {
    directScratch.clear();
    InternalName onlyClass = Free;
    if (direct != nullptr) {
        const auto members = direct->memberSet().ascending();
        if (members.size() == 1) onlyClass = members.front();
        directScratch.assign(members.begin(), members.end());
    }
    // The classes of an object of one direct class are that class and the classes above it,
    // in order: what the subclass walk finds above the class, which the walk over the
    // signatures keeps for the plans of the class set too.
    const std::vector<InternalName>* above =
        onlyClass != Free ? access->signatureWalkClassesAbove(onlyClass) : nullptr;
    if (above != nullptr) {
        const int number = classSetOfClasses(object, *above);
        setsOfOnlyClass.set(onlyClass, number + 1);
        return number;
    }
    const auto sameDirect = directSetNumbers.find(directScratch);
    int number = 0;
    if (sameDirect != directSetNumbers.end()) {
        number = sameDirect->second;
        hostSets.set(object, number + 1);
    } else {
        number = classSetAbove(object);
        directSetNumbers.emplace(directScratch, number);
    }
    if (onlyClass != Free) setsOfOnlyClass.set(onlyClass, number + 1);
    return number;
}

bool FLtoXMLExportHandler::classSetMembershipFound(int classSet, const InternalName& value,
                                                   const InternalName& cls) {
    ClassSet& classes = classSets[std::size_t(classSet)];
    // The set holds every class its objects are members of, the classes above their own ones
    // among them, but for the built-in object class, which holds every object that is not a
    // string or a number. While an evaluation is open, the test is asked.
    const int kind = value.getType();
    const bool listed = storedValuesAnswer && kind != InternalName::String &&
                        kind != InternalName::Integer && kind != InternalName::Float;
    bool answer = listed && std::find(classes.classes.begin(), classes.classes.end(), cls) !=
                                classes.classes.end();
    if (!answer) {
        std::uint8_t known = 0;
        if (listed) {
            known = objectClasses.get(cls);
            if (known == 0) {
                known = isBuiltin(cls, builtinObject::Object, builtinSymbol::Object) ? 2 : 1;
                objectClasses.set(cls, known);
            }
        }
        answer = known != 1 && access->isaTest(value, cls, IsaRelation::Member) != 0;
    }
    if (classes.memberships.capacity() == 0) classes.memberships.reserve(4);
    classes.memberships.emplace_back(cls, answer);
    return answer;
}

bool FLtoXMLExportHandler::literalMemberFound(const InternalName& value, const InternalName& cls) {
    const bool framed =
        walkedAll ? walkedNames.get(value) != 0 : access->om()->getObjFrame(value) != nullptr;
    if (framed) return access->isaTest(value, cls, IsaRelation::Member) != 0;
    NameMarks<std::uint8_t>& answers = literalMemberships.of(value);
    const std::uint8_t known = answers.get(cls);
    if (known != 0) return known == LiteralAnswers::yes;
    const bool answer = access->isaTest(value, cls, IsaRelation::Member) != 0;
    answers.set(cls, answer ? LiteralAnswers::yes : LiteralAnswers::no);
    return answer;
}

const std::string& FLtoXMLExportHandler::xmlNameOf(const InternalName& value) {
    if (value.getType() == InternalName::String) {
        stringXmlName.clear();
        xml().appendStringName(value, stringXmlName);
        return stringXmlName;
    }
    const std::uint32_t kept = xmlNames.numbers.get(value);
    if (kept != 0) return xmlNames.texts[kept - 1];
    // Made from the symbol's text in place when that is the name as it is: the kept forms of
    // the object base pay off for names written again and again, which this keeps itself.
    std::string& text = xmlNames.texts.emplace_back();
    xml().appendXmlNameOnce(value, text);
    xmlNames.numbers.set(value, std::uint32_t(xmlNames.texts.size()));
    return text;
}

int FLtoXMLExportHandler::classSetAbove(const InternalName& object) {
    classesScratch.clear();
    Iterator* rows = classWalk.renew([&](Iterator* old) {
        return access->makeEnhIsaIter(object, Free, IsaRelation::Member, old);
    });
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next())
        classesScratch.push_back(rows->atColumn(2));
    return classSetOfClasses(object, classesScratch);
}

int FLtoXMLExportHandler::classSetOfClasses(const InternalName& object,
                                            const std::vector<InternalName>& classes) {
    // Grown at half full, so a free slot ends every probe.
    if ((classSets.size() + 1) * 2 > classSetSlots.size()) {
        classSetSlots.assign(std::max<std::size_t>(classSetSlots.size() * 2, 64), 0);
        const std::size_t mask = classSetSlots.size() - 1;
        for (std::size_t number = 0; number < classSets.size(); ++number) {
            const std::vector<InternalName>& each = classSets[number].classes;
            std::size_t at = std::size_t(hashCells(each.data(), each.size())) & mask;
            while (classSetSlots[at] != 0) at = (at + 1) & mask;
            classSetSlots[at] = std::uint32_t(number + 1);
        }
    }
    const std::size_t mask = classSetSlots.size() - 1;
    std::size_t at = std::size_t(hashCells(classes.data(), classes.size())) & mask;
    for (; classSetSlots[at] != 0; at = (at + 1) & mask) {
        const int number = int(classSetSlots[at]) - 1;
        if (classSets[std::size_t(number)].classes == classes) {
            hostSets.set(object, number + 1);
            return number;
        }
    }
    const int number = int(classSets.size());
    classSetSlots[at] = std::uint32_t(number + 1);
    classSets.push_back(ClassSet{classes, {}, false, Free, {}, false, {}});
    hostSets.set(object, number + 1);
    return number;
}

FLtoXMLExportHandler::EntryPlan& FLtoXMLExportHandler::planFound(int classSet,
                                                                 const InternalName& method,
                                                                 int argCount, int type) {
    // Its sequence's plans are searched in place.
    std::vector<EntryPlan*>& known = classSets[std::size_t(classSet)].plans;
    for (EntryPlan* plan : known)
        if (plan->method == method && plan->argCount == argCount && plan->type == type)
            return *plan;
    EntryPlan& plan = plans.emplace_back();
    plan.method = method;
    plan.argCount = argCount;
    plan.type = type;
    // The first class of the sequence that declares a signature for the entry. Only the first
    // row of its lookup counts here: it is found without the rows where the walk over the
    // signatures can tell.
    for (const InternalName& cls : classSets[std::size_t(classSet)].classes) {
        InternalName first;
        const int answers =
            access->signatureWalkFirstResult(MethodType(type + 6), cls, method, argCount, first);
        if (answers == 0) continue;
        if (answers > 0) {
            plan.declared = true;
            plan.declaring = cls;
            if (argCount == 0) plan.result = first;
            break;
        }
        const std::vector<InternalName>& rows = signatureRows(type + 6, cls, method, argCount);
        if (!rows.empty()) {
            plan.declared = true;
            plan.declaring = rows[0];
            if (argCount == 0) plan.result = rows[2];
            break;
        }
    }
    // A host mostly has a handful of entries: room for them at once.
    if (known.capacity() == 0) known.reserve(4);
    known.push_back(&plan);
    return plan;
}

void FLtoXMLExportHandler::prepare(EntryPlan& plan) {
    plan.prepared = true;
    // The plans of many class sets share a method: its XML name is made once.
    plan.methodName = xmlNameOf(plan.method);
    plan.topAttributeHead = "\n  " + plan.methodName + "='";
    if (plan.argCount == 0) {
        plan.resultClass = resultClass(plan.result);
        plan.stringResult = plan.type == 1 && literalClass(plan.resultClass, builtinObject::String,
                                                           builtinSymbol::String);
        return;
    }
    // The signatures the declaring class has for the method, walked once: every value row of
    // every host of the sequence is matched against them.
    plan.signatureRows = &signatureRows(plan.type + 6, plan.declaring, plan.method, plan.argCount);
}

const std::vector<InternalName>& FLtoXMLExportHandler::signatureRows(int type,
                                                                     const InternalName& cls,
                                                                     const InternalName& method,
                                                                     int argCount) {
    const SignatureKey key{MethodType(type), cls, method, argCount};
    // Grown at half full, so a free slot ends every probe.
    if ((rowsTaken + 1) * 2 > rowsSlots.size()) {
        std::vector<RowsSlot> old(std::max<std::size_t>(rowsSlots.size() * 2, 64));
        old.swap(rowsSlots);
        rowsTaken = 0;
        for (const RowsSlot& slot : old)
            if (slot.rows != nullptr) {
                std::size_t at = SignatureKey::Hash()(slot.key) & (rowsSlots.size() - 1);
                while (rowsSlots[at].rows != nullptr) at = (at + 1) & (rowsSlots.size() - 1);
                rowsSlots[at] = slot;
                ++rowsTaken;
            }
    }
    const std::size_t mask = rowsSlots.size() - 1;
    std::size_t at = SignatureKey::Hash()(key) & mask;
    for (; rowsSlots[at].rows != nullptr; at = (at + 1) & mask)
        if (rowsSlots[at].key == key) return *rowsSlots[at].rows;
    // The export's walk over the signatures looked up those its classes declare themselves.
    const std::vector<InternalName>* rows =
        access->signatureWalkRows(MethodType(type), cls, method, argCount);
    if (rows == nullptr) {
        std::vector<InternalName>& found = lookedUpRows.emplace_back();
        const int width = argCount + 3;
        std::vector<InternalName> pattern(static_cast<std::size_t>(width), Free);
        pattern[0] = cls;
        pattern[1] = method;
        const auto answers =
            Ref<Iterator>::adopt(access->lookup(MethodType(type), pattern.data(), width, nullptr));
        for (bool row = answers != nullptr && answers->first(); row; row = answers->next())
            for (int col = 1; col <= width; ++col) found.push_back(answers->atColumn(col));
        rows = &found;
    }
    rowsSlots[at] = RowsSlot{key, rows};
    ++rowsTaken;
    return *rows;
}

InternalName FLtoXMLExportHandler::typeClassOf(const InternalName& object, int classSet) {
    // The name depends on the set of the object's classes alone, unless the object is one of
    // them (it never names itself).
    const std::size_t at = std::size_t(classSet);
    const std::vector<InternalName>& classes = classSets[at].classes;
    InternalName element;
    if (std::find(classes.begin(), classes.end(), object) != classes.end())
        return access->typeClassOf(element, object);
    if (!classSets[at].typeClassKnown) {
        // The classes of the set are those the object's classes are found by, as for the
        // access layer's answer: those that take part in signatures are picked from them
        // instead of walking the object's classes again.
        // Mostly one takes part: the set is made only for several.
        std::size_t count = 0;
        InternalName only = builtinObject::Object;
        set<InternalName> taking;
        for (const InternalName& cls : classes) {
            if (!access->signatureTakesPart(cls)) continue;
            if (++count == 1) {
                only = cls;
                continue;
            }
            if (count == 2) taking.insert(only);
            taking.insert(cls);
        }
        classSets[at].typeClass = count <= 1 ? only : mostSpecific(taking);
        classSets[at].typeClassKnown = true;
    }
    return classSets[at].typeClass;
}

const std::string& FLtoXMLExportHandler::elementNameOf(const InternalName& element, int classSet) {
    ClassSet& classes = classSets[std::size_t(classSet)];
    if (!classes.typeClassKnown || element != classes.typeClass) return xmlNameOf(element);
    if (!classes.elementNameKnown) {
        // Read in place: an element name is mostly made once, for its class set.
        classes.elementName.clear();
        xml().appendXmlNameOnce(element, classes.elementName);
        if (elementOpenings.size() <= std::size_t(classSet))
            elementOpenings.resize(classSets.size());
        elementOpenings[std::size_t(classSet)] = "<" + classes.elementName + " id='";
        classes.elementNameKnown = true;
    }
    return classes.elementName;
}

void FLtoXMLExportHandler::forgetSignatures() {
    setFramesRead = nullptr;
    paramFramesRead = nullptr;
    classWalk.reset();
    tupleValues.reset();
    rowsSlots.clear();
    rowsTaken = 0;
    lookedUpRows.clear();
    builtinResults.clear();
    objectClasses.clear();
    planGroups.clear();
    valueGroups.clear();
    plans.clear();
    classSetSlots.clear();
    directSetNumbers.clear();
    setsOfOnlyClass.clear();
    classSets.clear();
    hostSets.clear();
    literalClasses.clear();
    literalMemberships.clear();
    xmlNames.clear();
}

bool FLtoXMLExportHandler::isA(const std::string& className) const {
    return className == "FLtoXMLExportHandler" || XMLExportHandler::isA(className);
}

void FLtoXMLExportHandler::writeHeader(ExportRequest& request) {
    XMLExportHandler::writeHeader(request);
    formatter->openRoot(request.docType);
}

void FLtoXMLExportHandler::writeTrailer(ExportRequest& request) {
    formatter->closeRoot(request.docType);
}

bool FLtoXMLExportHandler::hostOutsideDocument(const InternalName& host,
                                               const MainMemObjFrame* frame,
                                               const InternalName& docClass, int& hostSet) {
    if (docClass == Free) return false;
    const int kind = host.getType();
    if (kind == InternalName::String || kind == InternalName::Integer ||
        kind == InternalName::Float)
        return memberOf(host, docClass);
    hostSet = classSetOf(host, frame);
    return classSetMemberOf(hostSet, host, docClass);
}

void FLtoXMLExportHandler::collectNested(const InternalName& docClass) {
    walked.clear();
    walkedNames.clear();
    walkedAll = false;
    if (storedValuesAnswer) {
        collectStoredNested(docClass);
        return;
    }
    // While an evaluation is open, inherited values may come in as the export looks them up:
    // the values are looked up entry by entry, and the objects are found again as the writing
    // walk goes.
    // Each value held by a declared entry: 1 while one entry holds it, 2 once shared.
    NameMarks<std::uint8_t> holders;
    // The signatures without arguments, for step two, found by the same walk.
    std::vector<ClassSignature> signatures;
    // One walk over the entries of every object; the values of an entry are looked up only
    // when the entry is declared, and the pattern and iterator of that lookup are reused.
    Ref<Iterator> declaredValues;
    OM* om = access->om();
    // Object by object, each one's entries straight from its frame.
    const auto hosts = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
    for (bool more = hosts != nullptr && hosts->first(); more && !stopped(); more = hosts->next()) {
        const InternalName host = hosts->atColumn(1);
        const MainMemObjFrame* frame = om->getObjFrame(host);
        if (frame == nullptr) continue;
        walked.append(host, frame);
        walkedNames.set(host, std::uint32_t(walked.size()));
        // Asked once the host shows an entry with a value.
        bool hostChecked = false;
        bool hostOutside = false;
        int hostSet = -1;
        std::size_t entry = 0;
        frame->forEachEntry([&](const MethodKey& key, const InternalName&) {
            const int type = key.methodType;
            const InternalName method = key.method;
            const int argCount = key.argCount;
            if (type >= 6 && type <= 8 && argCount == 0) signatures.push_back({host, method, type});
            if (type < 0 || type > 2) return;
            if (!hostChecked) {
                hostChecked = true;
                hostOutside = hostOutsideDocument(host, frame, docClass, hostSet);
            }
            if (hostOutside) return;
            if (hostSet < 0) hostSet = classSetOf(host, frame);
            if (!planOf(hostSet, method, argCount, type, entry++).declared) return;
            const auto hold = [&](const InternalName& v) {
                const std::uint8_t held = holders.get(v);
                if (held < 2) holders.set(v, held + 1);
                return true;
            };
            const int width = argCount + 3;
            valuePattern.assign(static_cast<std::size_t>(width), Free);
            valuePattern[0] = host;
            valuePattern[1] = method;
            declaredValues.renew([&](Iterator* old) {
                return access->lookup(MethodType(type), valuePattern.data(), width, old);
            });
            for (bool value = declaredValues != nullptr && declaredValues->first(); value;
                 value = declaredValues->next())
                forEachValue(setFramesRead, access.get(), declaredValues->atColumn(width), hold);
        });
    }
    declaredValues.reset();

    std::unordered_map<InternalName, std::vector<InternalName>, NameHash> instancesOf;
    for (const ClassSignature& signature : signatures) {
        if (stopped()) break;
        const int type = signature.type;
        const InternalName cls = signature.cls;
        const InternalName method = signature.method;
        if (cls == docClass) continue;
        if (namesBuiltinResult(type, cls, method)) continue;
        // Gathered in a list and added one by one: joining a whole set into the growing nested
        // set costs its size every time, which made the walk quadratic.
        std::vector<InternalName> candidates;
        bool failed = false;
        const MethodType valueType = type == 6 ? MethodType::Scalar : MethodType::Set;
        const auto candidate = [&](const InternalName& v) {
            candidates.push_back(v);
            failed = failed || holders.get(v) == 2;
            return true;
        };
        // A class declares several methods: its instances are gathered once.
        auto known = instancesOf.find(cls);
        if (known == instancesOf.end()) {
            std::vector<InternalName> members;
            const auto instances = Ref<Iterator>::adopt(
                access->makeEnhIsaIter(Free, cls, IsaRelation::Member, nullptr));
            for (bool row = instances != nullptr && instances->first(); row;
                 row = instances->next())
                members.push_back(instances->atColumn(1));
            known = instancesOf.emplace(cls, std::move(members)).first;
        }
        for (const InternalName& instance : known->second) {
            if (failed) break;
            const InternalName valuePattern[] = {instance, method, Free};
            const auto values =
                Ref<Iterator>::adopt(access->lookup(valueType, valuePattern, 3, nullptr));
            for (bool value = values != nullptr && values->first(); value && !failed;
                 value = values->next())
                forEachValue(setFramesRead, access.get(), values->atColumn(3), candidate);
        }
        if (!failed)
            for (const InternalName& candidate : candidates)
                if (nested.set(candidate, 1) == 0) nestedInOrder.push_back(candidate);
    }
}

std::size_t FLtoXMLExportHandler::planPlaceFound(int classSet, const InternalName& method,
                                                 int argCount, int type) {
    const std::vector<EntryPlan*>& known = classSets[std::size_t(classSet)].plans;
    for (std::size_t at = 0; at < known.size(); ++at)
        if (known[at]->method == method && known[at]->argCount == argCount &&
            known[at]->type == type)
            return at;
    planFound(classSet, method, argCount, type);
    return classSets[std::size_t(classSet)].plans.size() - 1;
}

bool FLtoXMLExportHandler::namesBuiltinResult(int type, const InternalName& cls,
                                              const InternalName& method) {
    bool builtin = false;
    const auto visit = [&](const InternalName& result) {
        // The answer depends on the class alone: the classes of a base's results are few.
        std::uint8_t known = builtinResults.get(result);
        if (known == 0) {
            known = isBuiltin(result, builtinObject::String, builtinSymbol::String) ||
                            isBuiltin(result, builtinObject::Numeric, builtinSymbol::Numeric) ||
                            isBuiltin(result, builtinObject::Literal, builtinSymbol::Literal)
                        ? 2
                        : 1;
            builtinResults.set(result, known);
        }
        builtin = known == 2;
        return !builtin;
    };
    // The results are visited without making the rows where the walk over the signatures can.
    if (access->signatureWalkResults(MethodType(type), cls, method, 0,
                                     SignatureRows::ResultVisit(visit)))
        return builtin;
    const std::vector<InternalName>& rows = signatureRows(type, cls, method, 0);
    for (std::size_t row = 0; row + 3 <= rows.size() && !builtin; row += 3)
        forEachValue(setFramesRead, access.get(), rows[row + 2], visit);
    return builtin;
}

inline void FLtoXMLExportHandler::runEntryStep(const EntryStep& step, const InternalName& host,
                                               const InternalName& stored,
                                               const FoundFrame& found) {
    switch (step.kind) {
        case EntryStep::Skip:
            return;
        case EntryStep::Signature:
            classSignatures.push_back({host, step.method, step.type});
            return;
        case EntryStep::Hold:
            holdValue(stored);
            return;
        case EntryStep::HoldMembers:
            if (!found.known) {
                holdMembers(stored);
            } else if (found.set != nullptr) {
                for (const InternalName& member : found.set->memberSet().ascending())
                    holdValue(member);
            }
            return;
        case EntryStep::HoldRows: {
            // Mostly a few rows, read in place from the parameter frame: the arguments, then
            // the value, the last cell of each row.
            const MainMemParamFrame* tuples = found.known ? found.rows
                                              : paramFramesRead != nullptr
                                                  ? paramFramesRead->findRows(stored)
                                                  : nullptr;
            const InternalName* cells = nullptr;
            int rowCount = 0;
            if (tuples != nullptr && tuples->storedRows().width() >= 1 &&
                tuples->storedRows().smallCells(cells, rowCount)) {
                const std::size_t width = std::size_t(tuples->storedRows().width());
                for (const InternalName* held = cells + (width - 1);
                     held < cells + std::size_t(rowCount) * width; held += width) {
                    if (held->getType() != InternalName::SetName)
                        holdValue(*held);
                    else
                        holdMembers(*held);
                }
                return;
            }
            holdRowValues(step, host, stored);
            return;
        }
        case EntryStep::HoldLookedUp:
            holdRowValues(step, host, stored);
            return;
        case EntryStep::Group:
            // A value held already is shared now, and so is the group that holds it again: a
            // shared group never nests, so its values need not be kept from then on.
            if (step.declared) {
                ValueGroup& group = valueGroups[step.group];
                if (valueHolders.raise(stored, 2) != 0) group.shared = true;
                if (group.shared) return;
            }
            groupValues(step.group, &stored, 1);
            return;
        case EntryStep::GroupMembers: {
            const MainMemSetFrame* members = found.known ? found.set : setFrameOf(stored);
            if (members == nullptr) return;
            const auto values = members->memberSet().ascending();
            if (step.declared) {
                ValueGroup& group = valueGroups[step.group];
                bool heldBefore = false;
                for (const InternalName& member : values)
                    heldBefore |= valueHolders.raise(member, 2) != 0;
                if (heldBefore) group.shared = true;
                if (group.shared) return;
            }
            groupValues(step.group, values.data(), values.size());
            return;
        }
    }
}

void FLtoXMLExportHandler::growGroupedValues(std::size_t count) {
    const std::size_t room = std::max(groupedRoom * 2, groupedCount + count);
    auto larger = std::make_unique_for_overwrite<GroupedValue[]>(room);
    std::copy(groupedValues.get(), groupedValues.get() + groupedCount, larger.get());
    groupedValues = std::move(larger);
    groupedRoom = room;
}

void FLtoXMLExportHandler::holdMembers(const InternalName& set) {
    if (const MainMemSetFrame* members = setFrameOf(set))
        for (const InternalName& member : members->memberSet().ascending()) holdValue(member);
}

void FLtoXMLExportHandler::holdRowValues(const EntryStep& step, const InternalName& host,
                                         const InternalName& stored) {
    const auto hold = [&](const InternalName& v) {
        holdValue(v);
        return true;
    };
    // The rows of an entry with arguments, read in place from its parameter frame: the
    // arguments, then the value, the last cell of each row.
    const MainMemParamFrame* tuples = nullptr;
    if (stored.getType() == InternalName::ParamFrame)
        tuples = paramFramesRead != nullptr ? paramFramesRead->findRows(stored)
                                            : access->om()->getParamFrame(stored);
    if (tuples != nullptr) {
        const ParamRows& rows = tuples->storedRows();
        const int last = rows.width() - 1;
        ParamRows::Cursor at;
        for (const InternalName* row = rows.first(at); row != nullptr; row = rows.next(at, row)) {
            if (row[last].getType() != InternalName::SetName)
                holdValue(row[last]);
            else
                forEachValue(setFramesRead, access.get(), row[last], hold);
        }
        return;
    }
    const int argCount = step.argCount;
    valuePattern.assign(static_cast<std::size_t>(argCount + 3), Free);
    valuePattern[0] = host;
    valuePattern[1] = step.method;
    const auto values = Ref<Iterator>::adopt(
        access->lookup(MethodType(step.type), valuePattern.data(), argCount + 3, nullptr));
    for (bool value = values != nullptr && values->first(); value; value = values->next())
        forEachValue(setFramesRead, access.get(), values->atColumn(argCount + 3), hold);
}

void FLtoXMLExportHandler::collectStoredNested(const InternalName& docClass) {
    valueHolders.clear();
    groupedCount = 0;
    classSignatures.clear();
    valueGroups.clear();
    planGroups.clear();
    hostShapes.clear();
    hostSteps.clear();
    // Object by object, each one's entries straight from its frame; the objects and their
    // frames are taken at once.
    walked = access->om()->walkFrames(FrameFilter::everyObject().readingAhead());
    setFramesRead = walked.readsInPlace() ? &walked : nullptr;
    paramFramesRead = setFramesRead;
    // Every object met gets its number in walkedNames, and nearly every one a class set and a
    // count of its holders: their marks are made room for once.
    std::size_t objectNumbers = 0;
    for (const auto& each : walked) {
        const InternalName& host = each.first;
        if (host.getType() == InternalName::Object && host.getArity() == 0 &&
            host.getValue() >= 0 && host.getValue() < (1 << 24))
            objectNumbers = std::max(objectNumbers, std::size_t(host.getValue()) + 1);
    }
    walkedNames.reserveObjects(objectNumbers);
    hostSets.reserveObjects(objectNumbers);
    valueHolders.reserveObjects(objectNumbers);
    // Mostly a few values a host: room for them saves copying the list as it grows.
    if (groupedRoom < walked.size() * 4) growGroupedValues(walked.size() * 4);
    // A large base's frames, their entries, and the set and parameter frames their values name
    // are spread through memory: while one host is walked, the frame of a host a few places
    // ahead is asked for, the entries of a nearer one, and the set and parameter frames the
    // values of a nearer one still name are found and asked for, and kept for its steps.
    constexpr std::size_t frameAhead = 12;
    constexpr std::size_t entriesAhead = 8;
    constexpr std::size_t valuesAhead = 4;
    // By host number modulo the ring's size: the frames found for the host's first entries,
    // by the entry's place (those of the entries whose values name none are left as they were).
    constexpr std::size_t ringSize = 8;
    constexpr std::size_t foundEntries = 8;
    struct Ahead {
        // The set frame of the host's direct classes, found ahead too.
        bool directKnown = false;
        const MainMemSetFrame* direct = nullptr;
        bool known = false;
        const MainMemSetFrame* sets[foundEntries] = {};
        const MainMemParamFrame* rows[foundEntries] = {};
    };
    Ahead ring[ringSize];
    const bool findAhead = setFramesRead != nullptr && paramFramesRead != nullptr;
    const auto findFrames = [&](std::size_t number) __attribute__((always_inline)) {
        Ahead& ahead = ring[number % ringSize];
        const MainMemObjFrame* const frame = walked[number].second;
        ahead.direct = setFramesRead->findSet(frame->getSetName1());
        ahead.directKnown = true;
        if (ahead.direct != nullptr) __builtin_prefetch(ahead.direct);
        const MethodEntries& entries = frame->entries();
        const std::size_t count = entries.size();
        ahead.known = count <= foundEntries;
        if (!ahead.known) return;
        const MethodSlot* const slots = entries.begin();
        for (std::size_t at = 0; at < count; ++at) {
            const InternalName value = slots[at].value();
            if (value.getType() == InternalName::SetName) {
                const MainMemSetFrame* const set = setFramesRead->findSet(value);
                ahead.sets[at] = set;
                if (set != nullptr) __builtin_prefetch(set);
            } else if (value.getType() == InternalName::ParamFrame) {
                const MainMemParamFrame* const rows = paramFramesRead->findRows(value);
                ahead.rows[at] = rows;
                if (rows != nullptr) __builtin_prefetch(rows);
            }
        }
    };
    if (findAhead)
        for (std::size_t number = 0; number < valuesAhead && number < walked.size(); ++number)
            findFrames(number);
    const FoundFrame unknown;
    // The walk adds no object: the count and the list stay where they are.
    const std::size_t hosts = walked.size();
    const std::pair<InternalName, const MainMemObjFrame*>* const hostsAt = walked.data();
    for (std::size_t number = 0; number < hosts; ++number) {
        if (stopped()) {
            walked.truncate(number);
            break;
        }
        if (number + frameAhead < hosts) __builtin_prefetch(hostsAt[number + frameAhead].second);
        if (number + entriesAhead < hosts)
            __builtin_prefetch(hostsAt[number + entriesAhead].second->entries().begin());
        if (findAhead && number + valuesAhead < hosts) findFrames(number + valuesAhead);
        const Ahead& ahead = ring[number % ringSize];
        const InternalName host = hostsAt[number].first;
        const MainMemObjFrame* const frame = hostsAt[number].second;
        walkedNames.set(host, std::uint32_t(number + 1));
        const MethodEntries& entries = frame->entries();
        const int kind = host.getType();
        // An object's steps depend on its class set alone: they are decided for one host and
        // replayed for the next of the same shapes. A string or number is asked about the
        // document's class itself.
        int hostSet = -1;
        bool hostOutside = false;
        std::size_t at = 0;
        while (at < entries.size() && (entries[at].type() < 0 || entries[at].type() > 2)) ++at;
        // The class set whose steps this host's entries decide, or -1.
        int recording = -1;
        if (at < entries.size()) {
            if (kind == InternalName::String || kind == InternalName::Integer ||
                kind == InternalName::Float) {
                hostOutside = hostOutsideDocument(host, frame, docClass, hostSet);
            } else {
                // The walk meets each host once: its class set is not known yet.
                hostSet = findAhead && ahead.directKnown ? classSetOfSet(host, ahead.direct)
                                                         : classSetFound(host, frame);
                // Class sets are mostly made one by one as the walk meets their first hosts:
                // the room grows in large steps.
                if (hostShapes.size() <= std::size_t(hostSet))
                    hostShapes.resize(std::max(classSets.size(), hostShapes.size() * 2));
                const HostShape shape = hostShapes[std::size_t(hostSet)];
                const MethodSlot* const slots = entries.begin() + at;
                const std::size_t count = entries.size() - at;
                if (shape.known && shape.from == at && shape.count == count) {
                    const EntryStep* const steps = hostSteps.data() + shape.first;
                    std::size_t same = 0;
                    while (same < count && slots[same].shapeNumber() == steps[same].shape) ++same;
                    if (same == count) {
                        if (findAhead && ahead.known) {
                            for (std::size_t each = 0; each < count; ++each)
                                runEntryStep(steps[each], host, slots[each].value(),
                                             {true, ahead.sets[at + each], ahead.rows[at + each]});
                        } else {
                            for (std::size_t each = 0; each < count; ++each)
                                runEntryStep(steps[each], host, slots[each].value(), unknown);
                        }
                        continue;
                    }
                }
                hostOutside = docClass != Free && classSetMemberOf(hostSet, host, docClass);
                recording = hostSet;
                HostShape& decided = hostShapes[std::size_t(hostSet)];
                decided.known = false;
                decided.from = std::uint32_t(at);
                decided.count = std::uint32_t(count);
                decided.first = std::uint32_t(hostSteps.size());
            }
        }
        std::size_t entry = 0;
        for (std::size_t each = 0; each < entries.size(); ++each) {
            const MethodSlot slot = entries[each];
            const MethodKey key = slot.key();
            const int type = key.methodType;
            const int argCount = key.argCount;
            const InternalName stored = slot.value();
            const bool members = stored.getType() == InternalName::SetName;
            EntryStep step;
            step.shape = slot.shapeNumber();
            step.type = key.methodType;
            step.argCount = key.argCount;
            step.method = key.method;
            if (type >= 6 && type <= 8 && argCount == 0) step.kind = EntryStep::Signature;
            if (type >= 0 && type <= 2) {
                // Step two asks about the entries without arguments of "->" and "->>", those of
                // a host outside the document too; the others only count when declared.
                const bool grouped = type <= 1 && argCount == 0;
                if (!hostOutside || grouped) {
                    if (hostSet < 0) hostSet = classSetFound(host, frame);
                    const std::size_t place =
                        planPlace(hostSet, key.method, argCount, type, entry++);
                    const bool declared =
                        !hostOutside && classSets[std::size_t(hostSet)].plans[place]->declared;
                    if (!grouped) {
                        step.kind = !declared       ? EntryStep::Skip
                                    : argCount != 0 ? (stored.getType() == InternalName::ParamFrame
                                                           ? EntryStep::HoldRows
                                                           : EntryStep::HoldLookedUp)
                                    : members       ? EntryStep::HoldMembers
                                                    : EntryStep::Hold;
                    } else {
                        if (planGroups.size() <= std::size_t(hostSet))
                            planGroups.resize(std::max(classSets.size(), planGroups.size() * 2));
                        std::vector<std::uint32_t>& groups = planGroups[std::size_t(hostSet)];
                        if (groups.size() <= place)
                            groups.resize(
                                std::max(place + 1, classSets[std::size_t(hostSet)].plans.size()),
                                0);
                        if (groups[place] == 0) {
                            valueGroups.push_back({false, false});
                            groups[place] = std::uint32_t(valueGroups.size());
                        }
                        step.kind = members ? EntryStep::GroupMembers : EntryStep::Group;
                        step.group = groups[place] - 1;
                        step.declared = declared;
                    }
                }
            }
            if (recording >= 0 && each >= at) hostSteps.push_back(step);
            runEntryStep(step, host, stored, unknown);
        }
        if (recording >= 0) hostShapes[std::size_t(recording)].known = true;
    }
    walkedAll = !stopped();
    // Once stopped, nothing more is written.
    if (!walkedAll) return;
    const GroupedValue* const grouped = groupedValues.get();

    // Step two: the values a signature's class's instances hold in entries of its method are
    // nested when none of them is shared and the signature names no built-in literal class.
    // The instances of a class are the hosts of the class sets it belongs to.
    signatureClassAt.clear();
    setsOfSignatureClass.clear();
    for (const ClassSignature& signature : classSignatures)
        if (signature.cls != docClass && signatureClassAt.get(signature.cls) == 0) {
            setsOfSignatureClass.emplace_back();
            signatureClassAt.set(signature.cls, std::uint32_t(setsOfSignatureClass.size()));
        }
    for (std::size_t number = 0; number < planGroups.size(); ++number) {
        const std::vector<std::uint32_t>& groups = planGroups[number];
        if (std::none_of(groups.begin(), groups.end(), [](std::uint32_t g) { return g != 0; }))
            continue;
        for (const InternalName& cls : classSets[number].classes)
            if (const std::uint32_t at = signatureClassAt.get(cls))
                setsOfSignatureClass[at - 1].push_back(int(number));
    }
    // The candidate groups of each signature that names no built-in literal class, one list
    // after another, and where each list ends: only their values are asked whether they are
    // shared.
    std::vector<std::uint32_t> candidates;
    std::vector<std::size_t> candidatesEnd;
    for (const ClassSignature& signature : classSignatures) {
        if (stopped()) return;
        if (signature.cls == docClass) continue;
        const int valueType = signature.type == 6 ? 0 : 1;
        const std::size_t start = candidates.size();
        for (const int number : setsOfSignatureClass[signatureClassAt.get(signature.cls) - 1]) {
            const std::vector<EntryPlan*>& known = classSets[std::size_t(number)].plans;
            const std::vector<std::uint32_t>& groups = planGroups[std::size_t(number)];
            for (std::size_t place = 0; place < known.size() && place < groups.size(); ++place)
                if (known[place]->method == signature.method && known[place]->argCount == 0 &&
                    known[place]->type == valueType) {
                    if (groups[place] != 0) candidates.push_back(groups[place] - 1);
                    break;
                }
        }
        // A signature with a candidate group found shared already nests nothing, whatever its
        // results: it is not asked further.
        if (candidates.size() == start ||
            std::any_of(candidates.begin() + std::ptrdiff_t(start), candidates.end(),
                        [&](std::uint32_t group) { return valueGroups[group].shared; }) ||
            namesBuiltinResult(signature.type, signature.cls, signature.method)) {
            candidates.resize(start);
            continue;
        }
        for (std::size_t at = start; at < candidates.size(); ++at)
            valueGroups[candidates[at]].asked = true;
        candidatesEnd.push_back(candidates.size());
    }
    for (std::size_t at = 0; at < groupedCount; ++at) {
        ValueGroup& group = valueGroups[grouped[at].group];
        if (group.asked && !group.shared && valueHolders.get(grouped[at].value()) == 2)
            group.shared = true;
    }
    bool anyNests = false;
    std::size_t start = 0;
    for (const std::size_t end : candidatesEnd) {
        if (std::none_of(candidates.begin() + std::ptrdiff_t(start),
                         candidates.begin() + std::ptrdiff_t(end),
                         [&](std::uint32_t group) { return valueGroups[group].shared; })) {
            for (std::size_t at = start; at < end; ++at) valueGroups[candidates[at]].nests = true;
            anyNests = true;
        }
        start = end;
    }
    if (!anyNests) return;
    // Gathered in a list and added one by one: joining a whole set into the growing nested set
    // costs its size every time, which made the walk quadratic. The values newly nested move to
    // the front of the grouped values, which are read for the last time, and join the list at
    // once.
    GroupedValue* const values = groupedValues.get();
    std::size_t kept = 0;
    for (std::size_t at = 0; at < groupedCount; ++at)
        if (valueGroups[values[at].group].nests && nested.set(values[at].value(), 1) == 0)
            values[kept++] = values[at];
    const std::size_t before = nestedInOrder.size();
    nestedInOrder.resize(before + kept);
    for (std::size_t at = 0; at < kept; ++at) nestedInOrder[before + at] = values[at].value();
    groupedCount = 0;
}

void FLtoXMLExportHandler::writeBody(ExportRequest& request) {
    const InternalName docClass = documentClass(request.docType);
    nested.clear();
    nestedInOrder.clear();
    written.clear();
    // Outside an evaluation a value lookup answers the value the entry stores, so the walks
    // take it from the entry instead of looking it up again.
    storedValuesAnswer = !access->inheritance().isOpen() || access->inheritanceOn() == 0;
    collectNested(docClass);
    // Once the walk met every object, a string or number without a frame (mostly every one) is
    // a member of a class by its kind alone; it is asked whether it is nested only when some
    // string or number is.
    const auto literal = [](const InternalName& name) {
        const int kind = name.getType();
        return kind == InternalName::String || kind == InternalName::Integer ||
               kind == InternalName::Float;
    };
    literalsByKind = walkedAll && std::none_of(walked.begin(), walked.end(), [&](const auto& each) {
                         return literal(each.first);
                     });
    literalsNested = std::any_of(nestedInOrder.begin(), nestedInOrder.end(), literal);
    // The programs name the plans of this export.
    writePrograms.clear();
    writeSteps.clear();
    const auto write = [&](const InternalName& object, const MainMemObjFrame* frame) {
        // The built-in classes string and numeric get no element (the object, or the symbol
        // bound in plain mode). The symbol is read once: it gives the element's id too.
        if (object == builtinObject::String || object == builtinObject::Numeric) return;
        FSymbol symbol;
        const bool named = access->giveSymbol(object, symbol) != 0;
        if (named && (symbol == builtinSymbol::String || symbol == builtinSymbol::Numeric)) return;
        if (docClass != Free && memberOf(object, docClass)) return;
        if (nested.get(object) != 0) return;
        writeElement(object, frame, named ? &symbol : nullptr);
    };
    if (walkedAll) {
        // The objects the first walk met, in its order: an object without a frame has no
        // entries to write.
        // A large base's frames are spread through memory: while one object is written, the
        // walk loads what the objects a few places ahead will need.
        const std::size_t count = walked.size();
        for (std::size_t number = 0; number < count; ++number) {
            if (stopped()) break;
            const auto& [object, frame] = walked.visit(number);
            write(object, frame);
        }
    } else {
        OM* om = access->om();
        auto names = Ref<Iterator>::adopt(access->objNamesIterator(nullptr));
        for (bool more = names != nullptr && names->first(); more && !stopped();
             more = names->next()) {
            const InternalName object = names->atColumn(1);
            if (const MainMemObjFrame* frame = om->getObjFrame(object)) write(object, frame);
        }
    }
    // Nested objects held only by nested objects (two objects holding each other) hang below
    // no written element; they are written at the top level so that none is lost.
    // Writing an object reads the nested set and never changes it. They come in the order of
    // their names.
    // A value without a frame of its own (a string, a number) has no entries to write.
    // Their frames are read from the first walk when it met every object.
    OM* om = access->om();
    const auto frameOf = [&](const InternalName& object) -> const MainMemObjFrame* {
        if (!walkedAll) return om->getObjFrame(object);
        const std::uint32_t at = walkedNames.get(object);
        return at == 0 ? nullptr : walked[at - 1].second;
    };
    nestedInOrder.erase(
        std::remove_if(nestedInOrder.begin(), nestedInOrder.end(),
                       [&](const InternalName& object) { return frameOf(object) == nullptr; }),
        nestedInOrder.end());
    std::sort(nestedInOrder.begin(), nestedInOrder.end(),
              [](const InternalName& a, const InternalName& b) { return compare(a, b) < 0; });
    for (const InternalName& object : nestedInOrder)
        if (!stopped() && written.get(object) == 0) writeElement(object, frameOf(object));
    walked.clear();
    walkedNames.clear();
    walkedAll = false;
    literalsByKind = false;
    literalsNested = false;
    nested.clear();
    nestedInOrder.clear();
    writePrograms.clear();
    writeSteps.clear();
    forgetSignatures();
}

int FLtoXMLExportHandler::writeEntries(const InternalName& object, const MainMemObjFrame* frame,
                                       int& classSet, std::string& attributes, std::string& content,
                                       const std::string& indent, bool textNodes,
                                       ElementHead* head) {
    // Whether the object stands for a value: its attributes open after a blank.
    const bool mapped = access->mapsAnyName() && access->isMapped(object);
    // An element at the top level of a host whose class set is known, read from its stored
    // entries, follows its class set's program when its entries have the program's shapes;
    // otherwise its entries decide the program anew.
    int recording = -1;
    if (head != nullptr && !textNodes && !mapped && storedValuesAnswer && frame != nullptr &&
        indent.size() == 2) {
        const int known = hostSets.get(object) - 1;
        if (known >= 0) {
            const MethodEntries& entries = frame->entries();
            const std::size_t count = entries.size();
            if (std::size_t(known) < writePrograms.size()) {
                const WriteProgram& program = writePrograms[std::size_t(known)];
                if (program.known && program.count == count) {
                    const MethodSlot* const slots = entries.begin();
                    const WriteStep* const steps = writeSteps.data() + program.first;
                    std::size_t same = 0;
                    while (same < count && slots[same].shapeNumber() == steps[same].shape) ++same;
                    if (same == count) {
                        classSet = known;
                        return replayEntries(object, known, program, slots, attributes, content,
                                             *head);
                    }
                }
            } else {
                writePrograms.resize(std::max(classSets.size(), std::size_t(known) + 1));
            }
            recording = known;
            WriteProgram& program = writePrograms[std::size_t(known)];
            program.known = false;
            program.count = std::uint32_t(count);
            program.first = std::uint32_t(writeSteps.size());
            program.declared = 0;
        }
    }
    int calls = 0;
    path.push_back(object);
    // The object's own entries, straight from its frame.
    std::size_t entry = 0;
    // The entry's place among all the frame's entries, for the program being decided.
    std::size_t slot = 0;
    // Inlined into both walks: a call for each entry cost as much as the walk itself.
    const auto visit = [&](const MethodKey& key, const InternalName& stored)
        __attribute__((always_inline)) {
        WriteStep* step = nullptr;
        if (recording >= 0) {
            step = &writeSteps.emplace_back();
            step->shape = frame->entries().begin()[slot++].shapeNumber();
        }
        const int type = key.methodType;
        if (type < 0 || type > 2) return;
        const InternalName method = key.method;
        if (classSet < 0) classSet = classSetOf(object, frame);
        EntryPlan& plan = planOf(classSet, method, key.argCount, type, entry++);
        if (!plan.declared) return;
        if (step != nullptr) {
            step->plan = &plan;
            step->kind = writeStepKind(plan, stored);
        }
        if (head != nullptr && !head->open) openElement(object, classSet, *head, attributes);
        bool textNode = false;
        if (textNodes) {
            std::string methodText;
            if (method != builtinObject::Text) access->giveLexicalForm(method, methodText);
            textNode = method == builtinObject::Text || methodText == "text()";
        }
        if (textNode) {
            content.clear();
            appendXmlNameOf(access->mappedName(object), content);
        } else {
            writeEntry(object, mapped, plan, stored, attributes, content, indent);
        }
        ++calls;
    };
    // Without an evaluation open, writing adds no entry to a frame.
    if (frame != nullptr && storedValuesAnswer)
        frame->forEachStoredEntry(visit);
    else if (frame != nullptr)
        frame->forEachEntry(visit);
    path.pop_back();
    if (recording >= 0 && !stopped()) {
        WriteProgram& program = writePrograms[std::size_t(recording)];
        program.declared = calls;
        program.known = writeSteps.size() - program.first == program.count;
    }
    return calls;
}

FLtoXMLExportHandler::WriteStep::Kind FLtoXMLExportHandler::writeStepKind(
    EntryPlan& plan, const InternalName& stored) {
    if (!storedValuesAnswer) return WriteStep::Entry;
    if (!plan.prepared) prepare(plan);
    const int kind = stored.getType();
    if (plan.argCount != 0)
        return paramFramesRead != nullptr && kind == InternalName::ParamFrame ? WriteStep::Rows
                                                                              : WriteStep::Entry;
    if (plan.type == 1) return WriteStep::Members;
    // A single string or number without a frame: the plan's answer for its kind decides, once.
    if (plan.type == 0 && literalsByKind &&
        (kind == InternalName::String || kind == InternalName::Integer ||
         kind == InternalName::Float)) {
        if (!literalAnswer(plan, stored)) return WriteStep::Nothing;
        if (kind == InternalName::String) return WriteStep::StringAttribute;
        if (kind == InternalName::Integer && stored.getArity() == 0)
            return WriteStep::IntegerAttribute;
        return WriteStep::LiteralAttribute;
    }
    return WriteStep::Entry;
}

int FLtoXMLExportHandler::replayEntries(const InternalName& object, int classSet,
                                        const WriteProgram& program, const MethodSlot* slots,
                                        std::string& attributes, std::string& content,
                                        ElementHead& head) {
    path.push_back(object);
    const WriteStep* const steps = writeSteps.data() + program.first;
    const std::size_t count = program.count;
    for (std::size_t at = 0; at < count; ++at) {
        const WriteStep& step = steps[at];
        if (step.kind == WriteStep::Skip) continue;
        if (!head.open) openElement(object, classSet, head, attributes);
        EntryPlan& plan = *step.plan;
        const InternalName value = slots[at].value();
        switch (step.kind) {
            case WriteStep::Nothing:
            case WriteStep::Skip:
                break;
            case WriteStep::StringAttribute: {
                if (literalsNested && nestsHere(value)) {
                    appendNestedElement(content, plan.method, value, topIndent);
                    break;
                }
                // Mostly a short text with nothing to escape: the attribute in one append.
                std::string_view text;
                Joined joined;
                if (xml().stringText(value, text) && !XMLDumpFormatter::hasMarkup(text) &&
                    joined.add(plan.topAttributeHead) && joined.add(text) && joined.add("'")) {
                    joined.appendTo(attributes);
                    break;
                }
                attributes.append(plan.topAttributeHead);
                xml().appendStringName(value, attributes);
                attributes += '\'';
                break;
            }
            case WriteStep::IntegerAttribute: {
                if (literalsNested && nestsHere(value)) {
                    appendNestedElement(content, plan.method, value, topIndent);
                    break;
                }
                char digits[16];
                const auto written =
                    std::to_chars(digits, digits + sizeof digits - 1, value.getValue());
                *written.ptr = '\'';
                const std::string_view number(digits, std::size_t(written.ptr + 1 - digits));
                Joined joined;
                if (joined.add(plan.topAttributeHead) && joined.add(number)) {
                    joined.appendTo(attributes);
                    break;
                }
                attributes.append(plan.topAttributeHead);
                attributes.append(number);
                break;
            }
            case WriteStep::LiteralAttribute:
                if (literalsNested && nestsHere(value)) {
                    appendNestedElement(content, plan.method, value, topIndent);
                    break;
                }
                attributes.append(plan.topAttributeHead);
                appendXmlNameOf(value, attributes);
                attributes += '\'';
                break;
            case WriteStep::Members:
                writeMembers(false, plan, value, attributes, content, topIndent);
                break;
            case WriteStep::Rows: {
                const MainMemParamFrame* const tuples = paramFramesRead->findRows(value);
                if (tuples == nullptr || tuples->storedRows().width() != plan.argCount + 1) {
                    writeEntry(object, false, plan, value, attributes, content, topIndent);
                    break;
                }
                const ParamRows& rows = tuples->storedRows();
                ParamRows::Cursor cursor;
                // A row whose value no result of the plan's signatures takes writes nothing.
                for (const InternalName* row = rows.first(cursor); row != nullptr;
                     row = rows.next(cursor, row))
                    if (rowMayWrite(plan, row[plan.argCount])) writeRow(plan, row, content);
                break;
            }
            case WriteStep::Entry:
                writeEntry(object, false, plan, value, attributes, content, topIndent);
                break;
        }
    }
    path.pop_back();
    return program.declared;
}

void FLtoXMLExportHandler::writeObject(const InternalName& object, std::int32_t /*format*/) {
    writeElement(object, access->om()->getObjFrame(object));
}

void FLtoXMLExportHandler::writeElement(const InternalName& object, const MainMemObjFrame* frame,
                                        const FSymbol* symbol) {
    // The classes are asked for once the object shows an entry to write.
    int classSet = -1;
    // The head and the attributes go straight into the output; the child elements, which
    // follow the attributes, are gathered aside.
    std::string& out = xml().elementOut();
    ElementHead head;
    head.symbol = symbol;
    std::string& content = path.empty() ? topContent() : elementText(path.size()).content;
    if (writeEntries(object, frame, classSet, out, content, topIndent, false, &head) == 0) return;
    // The blank after the id opens the attributes, if there are any.
    if (out.size() == head.attributes) out.pop_back();
    if (content.empty()) {
        appendFixed(out, "/>\n\n");
    } else {
        out += '>';
        if (content.find('<') != std::string::npos) out += '\n';
        out.append(content);
        appendFixed(out, "</");
        appendCopy(out, head.start + 1, head.nameLength);
        appendFixed(out, ">\n\n");
    }
    xml().elementWritten();
}

void FLtoXMLExportHandler::openElement(const InternalName& object, int classSet, ElementHead& head,
                                       std::string& out) {
    head.open = true;
    head.start = out.size();
    // An object's id is mostly written once: its text is read in place.
    const auto appendId = [&] {
        if (head.symbol != nullptr)
            xml().appendXmlNameOnce(object, *head.symbol, out);
        else
            xml().appendXmlNameOnce(object, out);
    };
    // Once known, the element name of an object of the class set that is not one of its own
    // classes is read straight from the set.
    const ClassSet& classes = classSets[std::size_t(classSet)];
    if (classes.elementNameKnown && object.getType() != InternalName::String &&
        std::find(classes.classes.begin(), classes.classes.end(), object) ==
            classes.classes.end()) {
        const std::string& opening = elementOpenings[std::size_t(classSet)];
        head.nameLength = classes.elementName.size();
        // Mostly the id is the symbol's text as it is: the head in one append.
        std::string_view id;
        Joined joined;
        if (head.symbol != nullptr && xml().plainObjectText(object, *head.symbol, id) &&
            joined.add(opening) && joined.add(id) && joined.add("' ")) {
            joined.appendTo(out);
            head.attributes = out.size();
            return;
        }
        out.append(opening);
        appendId();
    } else {
        out += '<';
        const InternalName element = typeClassOf(object, classSet);
        if (element.getType() == InternalName::String || object.getType() == InternalName::String) {
            const std::string name = formatter->xmlName(element);
            out.append(name);
            head.nameLength = name.size();
            appendFixed(out, " id='");
            out.append(formatter->xmlName(object));
        } else {
            // Elements of one class share its name, made once.
            const std::string& name = elementNameOf(element, classSet);
            out.append(name);
            head.nameLength = name.size();
            appendFixed(out, " id='");
            appendId();
        }
    }
    appendFixed(out, "' ");
    head.attributes = out.size();
}

void FLtoXMLExportHandler::appendCopy(std::string& out, std::size_t at, std::size_t length) {
    // Room first: the characters are read from `out` itself.
    out.reserve(out.size() + length);
    out.append(out.data() + at, length);
}

FLtoXMLExportHandler::ElementText& FLtoXMLExportHandler::elementText(std::size_t depth) {
    while (elementTexts.size() <= depth) elementTexts.push_back(std::make_unique<ElementText>());
    ElementText& text = *elementTexts[depth];
    text.attributes.clear();
    text.content.clear();
    return text;
}

void FLtoXMLExportHandler::appendXmlNameOf(const InternalName& value, std::string& out) {
    const int kind = value.getType();
    if (kind == InternalName::String) {
        xml().appendStringName(value, out);
        return;
    }
    // An integer's XML name is its digits.
    if (kind == InternalName::Integer && value.getArity() == 0) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, value.getValue());
        out.append(digits, written.ptr);
        return;
    }
    out += xmlNameOf(value);
}

bool FLtoXMLExportHandler::nestsOnPath(const InternalName& value) const {
    return std::find(path.begin(), path.end(), value) == path.end() &&
           std::size_t(path.size()) < maxNesting;
}

InternalName FLtoXMLExportHandler::mostSpecific(const set<InternalName>& classes) {
    if (classes.size() == 1) return classes.choose();
    set<InternalName>* specific = access->mostSpecificClasses(classes, 2);
    const InternalName first = specific->empty() ? Free : specific->choose();
    delete specific;
    return first;
}

InternalName FLtoXMLExportHandler::resultClass(const InternalName& cls) {
    if (cls.getType() != InternalName::SetName) return cls;
    set<InternalName> members;
    forEachValue(setFramesRead, access.get(), cls, [&](const InternalName& member) {
        members.insert(member);
        return true;
    });
    return members.empty() ? Free : mostSpecific(members);
}

bool FLtoXMLExportHandler::literalClass(const InternalName& cls, const InternalName& literal,
                                        const FSymbol& symbol) {
    LiteralClassAnswers* known = nullptr;
    for (LiteralClassAnswers& each : literalClasses)
        if (each.literal == literal) known = &each;
    if (known == nullptr) {
        known = &literalClasses.emplace_back();
        known->literal = literal;
    }
    if (storedValuesAnswer && !known->belowKnown) {
        // While the base stays as it is, the classes below the literal class (and below the
        // object its symbol names) are walked once: any other class is below neither, and
        // only asked whether it is the class itself. An export asks about the result class of
        // every signature, mostly a different one each time.
        known->belowKnown = true;
        literalClassBound(*known, symbol);
        Ref<Iterator> below;
        for (const InternalName& top : {literal, known->named ? known->bound : Free}) {
            if (top == Free) continue;
            below = Ref<Iterator>::adopt(
                access->makeEnhIsaIter(Free, top, IsaRelation::Subclass, below.release()));
            for (bool more = below != nullptr && below->first(); more; more = below->next())
                known->answers.set(below->atColumn(1), LiteralAnswers::yes);
        }
    }
    const std::uint8_t found = known->answers.get(cls);
    if (found != 0) return found == LiteralAnswers::yes;
    const bool answer = literalClassFound(*known, cls, symbol);
    known->answers.set(cls, answer ? LiteralAnswers::yes : LiteralAnswers::no);
    return answer;
}

bool FLtoXMLExportHandler::literalClassFound(LiteralClassAnswers& known, const InternalName& cls,
                                             const FSymbol& symbol) {
    if (isBuiltin(cls, known.literal, symbol)) return true;
    // Every class below the literal class or its symbol's object is known already.
    if (known.belowKnown) return false;
    if (access->isaTest(cls, known.literal, IsaRelation::Subclass) != 0) return true;
    literalClassBound(known, symbol);
    return known.named && access->isaTest(cls, known.bound, IsaRelation::Subclass) != 0;
}

void FLtoXMLExportHandler::literalClassBound(LiteralClassAnswers& known, const FSymbol& symbol) {
    if (known.boundKnown) return;
    known.boundKnown = true;
    // The object the symbol names, if the program made one: a name looked up by its text
    // with an arity is a predicate's, which no class lies below.
    known.named =
        access->om() != nullptr && access->om()->giveInternalName(symbol, known.bound) != 0;
}

bool FLtoXMLExportHandler::writeFrameRows(EntryPlan& plan, const MainMemParamFrame* tuples,
                                          std::string& content) {
    if (tuples == nullptr || tuples->storedRows().width() != plan.argCount + 1) return false;
    const ParamRows& rows = tuples->storedRows();
    ParamRows::Cursor at;
    const InternalName* row = rows.first(at);
    if (row == nullptr) return true;
    if (!plan.prepared) prepare(plan);
    for (; row != nullptr; row = rows.next(at, row)) writeRow(plan, row, content);
    return true;
}

void FLtoXMLExportHandler::writeEntry(const InternalName& object, bool mapped, EntryPlan& plan,
                                      const InternalName& stored, std::string& attributes,
                                      std::string& content, const std::string& indent) {
    // An entry without arguments whose stored value is what a lookup answers (most entries) is
    // written from that value.
    if (storedValuesAnswer) {
        if (plan.argCount == 0) {
            if (!plan.prepared) prepare(plan);
            writeValue(mapped, plan, stored, attributes, content, indent);
            return;
        }
        // The rows of an entry with arguments, read in place from its parameter frame (the
        // arguments, then the value).
        if (paramFramesRead != nullptr && stored.getType() == InternalName::ParamFrame) {
            if (writeFrameRows(plan, paramFramesRead->findRows(stored), content)) return;
        }
    }
    writeLookedUpEntry(object, mapped, plan, stored, attributes, content, indent);
}

void FLtoXMLExportHandler::writeLookedUpEntry(const InternalName& object, bool mapped,
                                              EntryPlan& plan, const InternalName& stored,
                                              std::string& attributes, std::string& content,
                                              const std::string& indent) {
    const int argCount = plan.argCount;
    // Mostly the rows of an entry with arguments are read in place from its parameter frame
    // (the arguments, then the value), when the stored rows are what a lookup answers.
    if (argCount != 0 && storedValuesAnswer && stored.getType() == InternalName::ParamFrame) {
        const MainMemParamFrame* tuples = paramFramesRead != nullptr
                                              ? paramFramesRead->findRows(stored)
                                              : access->om()->getParamFrame(stored);
        if (writeFrameRows(plan, tuples, content)) return;
    }
    const int type = plan.type;
    const InternalName method = plan.method;
    Ref<Iterator> lookedUp;
    Iterator* values = nullptr;
    // Otherwise they come through an iterator over the parameter frame, or a lookup.
    MainMemParamFrame* tuples =
        argCount != 0 && storedValuesAnswer && stored.getType() == InternalName::ParamFrame
            ? access->om()->getParamFrame(stored)
            : nullptr;
    // Column c of a value row is column c - skipped of `values` when its rows come through an
    // iterator over the parameter frame, which leaves out the host and the method.
    int skipped = 0;
    if (tuples != nullptr) {
        skipped = 2;
        // Writing the rows of an entry with arguments nests no element, so one iterator serves
        // the entries of the whole export.
        values = tupleValues.renew([&](Iterator* old) { return tuples->getIterator(old); });
        if (values == nullptr || !values->first()) return;
    } else if (argCount != 0 || !storedValuesAnswer) {
        valuePattern.assign(static_cast<std::size_t>(argCount + 3), Free);
        valuePattern[0] = object;
        valuePattern[1] = method;
        lookedUp = Ref<Iterator>::adopt(
            access->lookup(MethodType(type), valuePattern.data(), argCount + 3, nullptr));
        values = lookedUp.get();
        if (values == nullptr || !values->first()) return;
    }
    if (!plan.prepared) prepare(plan);
    if (argCount == 0) {
        writeValue(mapped, plan, values != nullptr ? values->atColumn(3) : stored, attributes,
                   content, indent);
        return;
    }
    // The cells of the value row from its first argument on, read from the iterator.
    for (bool row = true; row; row = values->next()) {
        rowCells.clear();
        for (int col = 3; col <= argCount + 3; ++col)
            rowCells.push_back(values->atColumn(col - skipped));
        writeRow(plan, rowCells.data(), content);
    }
}

void FLtoXMLExportHandler::writeRow(EntryPlan& plan, const InternalName* cells,
                                    std::string& content) {
    const int argCount = plan.argCount;
    const std::vector<InternalName>& signatures = *plan.signatureRows;
    const std::size_t width = static_cast<std::size_t>(argCount + 3);
    const InternalName value = cells[argCount];
    if (!rowMayWrite(plan, value)) return;
    // Mostly one signature matches: its result is the class, found without a set. The
    // results of several are gathered in `results` once a second one differs.
    std::size_t found = 0;
    InternalName cls = Free;
    // The arguments are named after the last signature that matches.
    const InternalName* named = nullptr;
    for (std::size_t at = 0; at + width <= signatures.size(); at += width) {
        // The signature's columns from the first on: column c is signature[c - 1].
        const InternalName* signature = &signatures[at];
        bool matches = true;
        for (int col = 3; col <= argCount + 2 && matches; ++col)
            matches = memberOf(cells[col - 3], signature[col - 1]);
        if (!matches) continue;
        named = signature;
        const InternalName result = signature[argCount + 2];
        if (found == 0) {
            cls = result;
            found = 1;
        } else if (found == 1) {
            if (result != cls) {
                results.assign({cls, result});
                found = 2;
            }
        } else if (std::find(results.begin(), results.end(), result) == results.end()) {
            results.push_back(result);
        }
    }
    if (found == 0) return;
    if (found == 2) {
        set<InternalName> classes;
        for (const InternalName& result : results) classes.insert(result);
        cls = mostSpecific(classes);
    }
    // A single value outside the class writes nothing: its arguments need no text.
    if (value.getType() != InternalName::SetName && !memberOf(value, cls)) return;
    // Writing the rows nests no element: one text serves every row.
    rowArguments.clear();
    argumentsText(rowArguments, argCount, cells, named);
    valueSetText(content, plan.method, cls, value, rowArguments);
}

bool FLtoXMLExportHandler::rowLiteralFound(EntryPlan& plan, const InternalName& value,
                                           std::size_t at) {
    std::uint8_t& known = plan.rowLiteralAnswers[at];
    known = LiteralAnswers::no;
    const std::vector<InternalName>& signatures = *plan.signatureRows;
    const std::size_t width = std::size_t(plan.argCount + 3);
    for (std::size_t row = 0; row + width <= signatures.size(); row += width)
        if (literalMemberOf(value, signatures[row + width - 1])) {
            known = LiteralAnswers::yes;
            break;
        }
    return known == LiteralAnswers::yes;
}

void FLtoXMLExportHandler::openAttribute(const EntryPlan& plan, bool mapped,
                                         const std::string& indent, std::string& attributes) {
    if (mapped) {
        attributes += ' ';
    } else if (indent.size() == 2) {
        // An element at the top level: its attribute opening made once.
        attributes.append(plan.topAttributeHead);
        return;
    } else {
        attributes += '\n';
        attributes.append(indent);
    }
    attributes.append(plan.methodName);
    appendFixed(attributes, "='");
}

void FLtoXMLExportHandler::writeValue(bool mapped, EntryPlan& plan, const InternalName& value,
                                      std::string& attributes, std::string& content,
                                      const std::string& indent) {
    const int type = plan.type;
    if (type == 0) {
        const int kind = value.getType();
        // A string or number without a frame: the plan's answer for the kind decides.
        const bool byKind =
            literalsByKind && (kind == InternalName::String || kind == InternalName::Integer ||
                               kind == InternalName::Float);
        if (byKind ? !literalAnswer(plan, value) : !planMemberOf(plan, value)) return;
        if ((!byKind || literalsNested) && nestsHere(value)) {
            appendNestedElement(content, plan.method, value, indent);
            return;
        }
        // An element at the top level: its attribute opening made once, appended here.
        if (!mapped && indent.size() == 2)
            attributes.append(plan.topAttributeHead);
        else
            openAttribute(plan, mapped, indent, attributes);
        appendXmlNameOf(value, attributes);
        attributes += '\'';
        return;
    }
    if (type == 1) writeMembers(mapped, plan, value, attributes, content, indent);
}

void FLtoXMLExportHandler::writeMembers(bool mapped, EntryPlan& plan, const InternalName& value,
                                        std::string& attributes, std::string& content,
                                        const std::string& indent) {
    const InternalName method = plan.method;
    const InternalName cls = plan.resultClass;
    if (plan.stringResult) {
        std::string none;
        valueSetText(content, method, cls, value, none);
        return;
    }
    // Opened when the first member is written.
    std::size_t opened = 0;
    std::size_t running = 0;
    bool first = true;
    forEachValue(setFramesRead, access.get(), value, [&](const InternalName& member) {
        const int kind = member.getType();
        if (literalsByKind && (kind == InternalName::String || kind == InternalName::Integer ||
                               kind == InternalName::Float)) {
            if (!literalAnswer(plan, member)) return true;
            if (literalsNested && nestsHere(member)) {
                appendNestedElement(content, method, member, indent);
                return true;
            }
        } else if (!planMemberOf(plan, member)) {
            return true;
        } else if (nestsHere(member)) {
            appendNestedElement(content, method, member, indent);
            return true;
        }
        if (first) {
            opened = attributes.size();
            openAttribute(plan, mapped, indent, attributes);
            running = attributes.size() - opened;
        }
        appendWrapped(attributes, xmlNameOf(member), running, first);
        first = false;
        return true;
    });
    if (!first) attributes += '\'';
}

void FLtoXMLExportHandler::argumentsText(std::string& out, int argCount,
                                         const InternalName* valueRow,
                                         const InternalName* signatureRow) {
    std::size_t running = 0;
    for (int col = 3; col <= argCount + 2; ++col) {
        const InternalName cls = signatureRow[col - 1];
        int position = 0;
        bool elsewhere = false;
        for (int other = 3; other <= argCount + 3; ++other) {
            if (other == col || signatureRow[other - 1] != cls) continue;
            if (other < col) ++position;
            elsewhere = true;
        }
        if (elsewhere) ++position;
        const std::size_t at = out.size();
        appendAttribute(out, cls, position, valueRow[col - 3]);
        const std::size_t size = out.size() - at;
        running += size;
        // Past 80 columns the attribute goes on a new line.
        if (running > 80) {
            out.insert(at, "\n    ");
            running = size + 4;
        }
    }
}

void FLtoXMLExportHandler::appendAttribute(std::string& out, const InternalName& name, int position,
                                           const InternalName& value) {
    out += ' ';
    appendXmlNameOf(name, out);
    if (position != 0) {
        char digits[16];
        const auto written = std::to_chars(digits, digits + sizeof digits, position);
        out.append(digits, written.ptr);
    }
    appendFixed(out, "='");
    appendXmlNameOf(value, out);
    out += '\'';
}

void FLtoXMLExportHandler::appendValueElement(std::string& out, const InternalName& method,
                                              std::string_view attributes,
                                              const InternalName& value) {
    appendFixed(out, "  <");
    const std::size_t nameAt = out.size();
    appendXmlNameOf(method, out);
    const std::size_t nameLength = out.size() - nameAt;
    out.append(attributes);
    if (value != Free) {
        // An empty text makes an empty element.
        const std::size_t opened = out.size();
        out += '>';
        appendXmlNameOf(value, out);
        if (out.size() > opened + 1) {
            appendFixed(out, "</");
            appendCopy(out, nameAt, nameLength);
            appendFixed(out, ">\n");
            return;
        }
        out.resize(opened);
    }
    appendFixed(out, "/>\n");
}

void FLtoXMLExportHandler::appendNestedElement(std::string& out, const InternalName& method,
                                               const InternalName& object,
                                               const std::string& indent) {
    int classSet = -1;
    // Written here, a nested object needs no element at the top level.
    written.set(object, 1);
    // The texts one level below the element that holds the object, which are in use above it.
    ElementText& text = elementText(path.size());
    writeEntries(object, access->om()->getObjFrame(object), classSet, text.attributes, text.content,
                 indent + "  ", true);
    XMLDumpFormatter::appendFrameEnd(out, xmlNameOf(method), false, {}, text.attributes,
                                     text.content, indent);
}

void FLtoXMLExportHandler::valueSetText(std::string& out, const InternalName& method,
                                        const InternalName& cls, const InternalName& value,
                                        std::string& arguments) {
    if (value.getType() != InternalName::SetName) {
        singleValueText(out, method, arguments, cls, value);
        return;
    }
    if (literalClass(cls, builtinObject::Literal, builtinSymbol::Literal)) {
        forEachValue(setFramesRead, access.get(), value, [&](const InternalName& member) {
            singleValueText(out, method, arguments, cls, member);
            return true;
        });
        return;
    }
    // The members form one attribute named after the method, taken back when there are none.
    const std::size_t opened = arguments.size();
    arguments += ' ';
    appendXmlNameOf(method, arguments);
    appendFixed(arguments, "='");
    std::size_t running = arguments.size() - opened;
    bool first = true;
    forEachValue(setFramesRead, access.get(), value, [&](const InternalName& member) {
        appendWrapped(arguments, xmlNameOf(member), running, first);
        first = false;
        return true;
    });
    if (first) {
        arguments.resize(opened);
        return;
    }
    arguments += '\'';
    appendValueElement(out, method, arguments, Free);
}

void FLtoXMLExportHandler::singleValueText(std::string& out, const InternalName& method,
                                           std::string& arguments, const InternalName& cls,
                                           const InternalName& value) {
    if (!memberOf(value, cls)) return;
    if (literalClass(cls, builtinObject::Literal, builtinSymbol::Literal)) {
        appendValueElement(out, method, arguments, value);
        return;
    }
    appendAttribute(arguments, cls, 0, value);
    appendValueElement(out, method, arguments, Free);
}
