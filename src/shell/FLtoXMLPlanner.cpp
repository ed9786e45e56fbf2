// How the XML export writes an entry: the class sets of its objects, the plans of their entries,
// and the membership and naming answers the plans keep.
#include "shell/FLtoXMLPlanner.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "access/DescIter.h"
#include "access/OMAccess.h"
#include "objectbase/CellHash.h"
#include "objectbase/FrameWalk.h"
#include "objectbase/Iterator.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"
#include "shell/XMLDumpFormatter.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

}  // namespace

void FLtoXMLPlanner::forget() {
    setFramesRead = nullptr;
    paramFramesRead = nullptr;
    framed = nullptr;
    literalsByKind = false;
    classWalk.reset();
    rowsSlots.clear();
    rowsTaken = 0;
    lookedUpRows.clear();
    builtinResults.clear();
    objectClasses.clear();
    plans.clear();
    classSetSlots.clear();
    directSetNumbers.clear();
    setsOfOnlyClass.clear();
    classSets.clear();
    hostSets.clear();
    literalClasses.clear();
    literalMemberships.clear();
    xmlNames.clear();
    elementOpenings.clear();
}

bool FLtoXMLPlanner::isBuiltin(const InternalName& cls, const InternalName& builtin,
                               const FSymbol& symbol) {
    FSymbol bound;
    return cls == builtin || (access->giveSymbol(cls, bound) != 0 && bound == symbol);
}

std::size_t FLtoXMLPlanner::ClassesHash::operator()(
    const std::vector<InternalName>& classes) const {
    return hashCells(classes.data(), classes.size());
}

int FLtoXMLPlanner::classSetFound(const InternalName& object, ObjectFrameView frame) {
    OM* om = access->om();
    if (!frame) frame = om->objectFrameOf(object);
    return classSetOfSet(object, frame ? setFrameOf(frame.classesSetName()) : SetFrameView());
}

int FLtoXMLPlanner::classSetOfSet(const InternalName& object, SetFrameView direct) {
    // An object of one direct class (most objects) finds its class set by that class.
    if (direct) {
        const auto members = direct.memberSet().ascending();
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

int FLtoXMLPlanner::classSetOfDirect(const InternalName& object, SetFrameView direct) {
    directScratch.clear();
    InternalName onlyClass = Free;
    if (direct) {
        const auto members = direct.memberSet().ascending();
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

bool FLtoXMLPlanner::classSetMembershipFound(int classSet, const InternalName& value,
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

bool FLtoXMLPlanner::literalMemberFound(const InternalName& value, const InternalName& cls) {
    const bool ownFrame =
        framed != nullptr ? framed->get(value) != 0 : bool(access->om()->objectFrameOf(value));
    if (ownFrame) return access->isaTest(value, cls, IsaRelation::Member) != 0;
    NameMarks<std::uint8_t>& answers = literalMemberships.of(value);
    const std::uint8_t known = answers.get(cls);
    if (known != 0) return known == LiteralAnswers::yes;
    const bool answer = access->isaTest(value, cls, IsaRelation::Member) != 0;
    answers.set(cls, answer ? LiteralAnswers::yes : LiteralAnswers::no);
    return answer;
}

const std::string& FLtoXMLPlanner::xmlNameOf(const InternalName& value) {
    if (value.getType() == InternalName::String) {
        stringXmlName.clear();
        xml->appendStringName(value, stringXmlName);
        return stringXmlName;
    }
    const std::uint32_t kept = xmlNames.numbers.get(value);
    if (kept != 0) return xmlNames.texts[kept - 1];
    // Made from the symbol's text in place when that is the name as it is: the kept forms of
    // the object base pay off for names written again and again, which this keeps itself.
    std::string& text = xmlNames.texts.emplace_back();
    xml->appendXmlNameOnce(value, text);
    xmlNames.numbers.set(value, std::uint32_t(xmlNames.texts.size()));
    return text;
}

int FLtoXMLPlanner::classSetAbove(const InternalName& object) {
    classesScratch.clear();
    Iterator* rows = classWalk.renew([&](Iterator* old) {
        return access->makeEnhIsaIter(object, Free, IsaRelation::Member, old);
    });
    for (bool more = rows != nullptr && rows->first(); more; more = rows->next())
        classesScratch.push_back(rows->atColumn(2));
    return classSetOfClasses(object, classesScratch);
}

int FLtoXMLPlanner::classSetOfClasses(const InternalName& object,
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

FLtoXMLPlanner::EntryPlan& FLtoXMLPlanner::planFound(int classSet, const InternalName& method,
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

void FLtoXMLPlanner::prepare(EntryPlan& plan) {
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

const std::vector<InternalName>& FLtoXMLPlanner::signatureRows(int type, const InternalName& cls,
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

InternalName FLtoXMLPlanner::typeClassOf(const InternalName& object, int classSet) {
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

const std::string& FLtoXMLPlanner::elementNameOf(const InternalName& element, int classSet) {
    ClassSet& classes = classSets[std::size_t(classSet)];
    if (!classes.typeClassKnown || element != classes.typeClass) return xmlNameOf(element);
    if (!classes.elementNameKnown) {
        // Read in place: an element name is mostly made once, for its class set.
        classes.elementName.clear();
        xml->appendXmlNameOnce(element, classes.elementName);
        if (elementOpenings.size() <= std::size_t(classSet))
            elementOpenings.resize(classSets.size());
        elementOpenings[std::size_t(classSet)] = "<" + classes.elementName + " id='";
        classes.elementNameKnown = true;
    }
    return classes.elementName;
}

std::size_t FLtoXMLPlanner::planPlaceFound(int classSet, const InternalName& method, int argCount,
                                           int type) {
    const std::vector<EntryPlan*>& known = classSets[std::size_t(classSet)].plans;
    for (std::size_t at = 0; at < known.size(); ++at)
        if (known[at]->method == method && known[at]->argCount == argCount &&
            known[at]->type == type)
            return at;
    planFound(classSet, method, argCount, type);
    return classSets[std::size_t(classSet)].plans.size() - 1;
}

bool FLtoXMLPlanner::namesBuiltinResult(int type, const InternalName& cls,
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
        forEachValue(rows[row + 2], visit);
    return builtin;
}

InternalName FLtoXMLPlanner::mostSpecific(const set<InternalName>& classes) {
    if (classes.size() == 1) return classes.choose();
    const std::unique_ptr<set<InternalName>> specific(access->mostSpecificClasses(classes, 2));
    return specific->empty() ? Free : specific->choose();
}

InternalName FLtoXMLPlanner::resultClass(const InternalName& cls) {
    if (cls.getType() != InternalName::SetName) return cls;
    set<InternalName> members;
    forEachValue(cls, [&](const InternalName& member) {
        members.insert(member);
        return true;
    });
    return members.empty() ? Free : mostSpecific(members);
}

bool FLtoXMLPlanner::literalClass(const InternalName& cls, const InternalName& literal,
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

bool FLtoXMLPlanner::literalClassFound(LiteralClassAnswers& known, const InternalName& cls,
                                       const FSymbol& symbol) {
    if (isBuiltin(cls, known.literal, symbol)) return true;
    // Every class below the literal class or its symbol's object is known already.
    if (known.belowKnown) return false;
    if (access->isaTest(cls, known.literal, IsaRelation::Subclass) != 0) return true;
    literalClassBound(known, symbol);
    return known.named && access->isaTest(cls, known.bound, IsaRelation::Subclass) != 0;
}

void FLtoXMLPlanner::literalClassBound(LiteralClassAnswers& known, const FSymbol& symbol) {
    if (known.boundKnown) return;
    known.boundKnown = true;
    // The object the symbol names, if the program made one: a name looked up by its text
    // with an arity is a predicate's, which no class lies below.
    known.named =
        access->om() != nullptr && access->om()->giveInternalName(symbol, known.bound) != 0;
}

bool FLtoXMLPlanner::rowLiteralFound(EntryPlan& plan, const InternalName& value, std::size_t at) {
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
