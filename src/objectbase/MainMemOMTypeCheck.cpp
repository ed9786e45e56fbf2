// Type checking of stored values against the signatures of their methods, and the class
// membership test it rests on.
#include <algorithm>
#include <sstream>

#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/MainMemOM.h"

namespace {

bool isNumber(const InternalName& x) {
    return x.getType() == InternalName::Integer || x.getType() == InternalName::Float;
}

bool isString(const InternalName& x) {
    return x.getType() == InternalName::String;
}

// The value method types in the order of the check, with the signature type that declares them.
struct CheckedType {
    int type;
    int signatureType;
};
constexpr CheckedType CheckedTypes[] = {{0, 6}, {1, 7}, {3, 6}, {4, 7}};

}  // namespace

int MainMemOM::isaHolds(const InternalName& x, const InternalName& cls, int kind) {
    // Without the Web access layer nothing binds the symbols string, numeric, literal and
    // object to the built-in objects, so a class bound to one of them is that built-in class.
    InternalName builtin = cls;
    FSymbol symbol;
    if (giveSymbol(cls, symbol) != 0) {
        if (symbol == builtinSymbol::String) builtin = builtinObject::String;
        if (symbol == builtinSymbol::Numeric) builtin = builtinObject::Numeric;
        if (symbol == builtinSymbol::Literal) builtin = builtinObject::Literal;
        if (symbol == builtinSymbol::Object) builtin = builtinObject::Object;
    }
    if (kind == 1) {
        if (isString(x) && (builtin == builtinObject::String || builtin == builtinObject::Literal))
            return 1;
        if (isNumber(x) && (builtin == builtinObject::Numeric || builtin == builtinObject::Literal))
            return 1;
        if (!isString(x) && !isNumber(x) && builtin == builtinObject::Object) return 1;
    }
    if (kind == 2 && x == cls) return 1;

    // The walk below looks for cls in x's own set and in the superclass sets of the classes it
    // reaches. A class that is nobody's superclass is in no superclass set, so only x's own
    // set can hold it: an import asks this for every element it classifies (whether the
    // element became a URL), and URL mostly has no subclasses.
    if (const MemberSet* subclasses = superClassToClassTable.find(cls);
        subclasses == nullptr || subclasses->empty()) {
        if (kind == 2) return 0;
        const MainMemObjFrame* frame = getObjFrame(x);
        if (frame == nullptr) return 0;
        const MainMemSetFrame* own =
            getSetFrame(kind == 1 ? frame->getSetName1() : frame->getSetName3());
        return own != nullptr && own->contains(cls) ? 1 : 0;
    }

    // Breadth over the superclasses. A string or number starts from the built-in class it
    // belongs to (and the object its symbol is bound to), also when it has no frame of its own.
    // Until equalities are applied the subclass relation may hold cycles, so every class is
    // visited once.
    //
    // Every class enqueued is in `work`, so it also says what was visited: a class hierarchy
    // walked here is mostly a handful of classes, searched faster in place than in a tree that
    // cost an allocation a class (three walks for each element a document import classifies).
    // A long walk keeps an index beside it.
    std::vector<InternalName>& work = isaWork;
    work.clear();
    FlatNameMap<InternalName, bool> visited;
    auto enqueue = [&](const InternalName& c) {
        constexpr std::size_t searchedInPlace = 32;
        if (work.size() < searchedInPlace) {
            if (std::find(work.begin(), work.end(), c) != work.end()) return;
        } else {
            if (visited.empty())
                for (const InternalName& seen : work) visited.emplace(seen, true);
            if (!visited.emplace(c, true).second) return;
        }
        work.push_back(c);
    };
    auto seed = [&](const InternalName& object, const FSymbol& name) {
        enqueue(object);
        InternalName bound;
        if (giveInternalName(name, bound) != 0) enqueue(bound);
    };
    if (isString(x)) seed(builtinObject::String, builtinSymbol::String);
    if (isNumber(x)) seed(builtinObject::Numeric, builtinSymbol::Numeric);

    Ref<Iterator> members;
    bool found = false;
    auto scan = [&](const InternalName& setName) {
        MainMemSetFrame* set = getSetFrame(setName);
        if (set == nullptr) return;
        if (set->contains(cls)) {
            found = true;
            return;
        }
        members.renew([&](Iterator* old) { return set->getIterator(old); });
        for (bool more = members->first(); more; more = members->next())
            enqueue(members->atColumn(1));
    };
    if (MainMemObjFrame* frame = getObjFrame(x)) {
        scan(frame->setNameOf(IsaRelation(kind)));
    }
    for (std::size_t i = 0; i < work.size() && !found; ++i) {
        if (MainMemObjFrame* frame = getObjFrame(work[i])) scan(frame->getSetName2());
    }
    return found ? 1 : 0;
}

void MainMemOM::typeCheck() {
    bool reported = false;
    Violations list;
    std::set<int> failing;
    const auto objects = Ref<Iterator>::adopt(objNamesIterator(nullptr));
    Ref<Iterator> entries;
    Ref<Iterator> classes;
    for (bool more = objects->first(); more; more = objects->next()) {
        InternalName host = objects->atColumn(1);
        MainMemObjFrame* frame = getObjFrame(host);
        if (frame == nullptr) continue;
        for (const CheckedType& checked : CheckedTypes) {
            entries.renew([&](Iterator* old) { return frame->methodIterator(checked.type, old); });
            for (bool entry = entries->first(); entry; entry = entries->next()) {
                InternalName method = entries->atColumn(1);
                InternalName value = entries->atColumn(2);
                int argCount =
                    value.getType() == InternalName::ParamFrame ? value.getArity() - 1 : 0;
                const bool inheritable = checked.type == 3 || checked.type == 4;

                classes.renew([&](Iterator* old) {
                    return methodHostsIterator(method, checked.signatureType, argCount, old);
                });
                if (!classes->first()) {
                    errormessage(list, failing, host, method, value, checked.type, 1);
                    reported = true;
                    continue;
                }
                bool applied = false;
                do {
                    InternalName cls = classes->atColumn(1);
                    if (isaHolds(host, cls, inheritable ? 2 : 1) == 0) continue;
                    applied = true;
                    MainMemObjFrame* declaring = getObjFrame(cls);
                    InternalName signature;
                    if (declaring == nullptr ||
                        declaring->lookupMethod(method, checked.signatureType, argCount,
                                                signature) == 0)
                        continue;
                    list.clear();
                    failing.clear();
                    int holds = argCount == 0
                                    ? checkResultTypes(list, value, signature)
                                    : checkParameterTypes(list, failing, value, signature);
                    if (holds == 0) {
                        errormessage(list, failing, host, method, value, checked.type, 0);
                        reported = true;
                    }
                } while (classes->next());
                if (!applied) {
                    errormessage(list, failing, host, method, value, checked.type,
                                 inheritable ? 3 : 2);
                    reported = true;
                }
            }
        }
    }
    if (!reported) answerChannel() << "No violation of typing conditions found" << std::endl;
}

int MainMemOM::checkResultTypes(Violations& list, const InternalName& value,
                                const InternalName& signature) {
    const bool valueSet = value.getType() == InternalName::SetName;
    const bool signatureSet = signature.getType() == InternalName::SetName;
    const std::size_t before = list.size();
    if (!valueSet && !signatureSet) {
        if (isaHolds(value, signature, 1) != 0) return 1;
        list.push_back({value, signature});
        return 0;
    }
    if (!signatureSet) return 0;
    std::vector<InternalName> values;
    if (valueSet) {
        if (const auto members = Ref<Iterator>::adopt(setIterator(value, nullptr))) {
            for (bool more = members->first(); more; more = members->next())
                values.push_back(members->atColumn(1));
        }
    } else {
        values.push_back(value);
    }
    const auto classes = Ref<Iterator>::adopt(setIterator(signature, nullptr));
    if (!classes) return 0;
    for (const InternalName& v : values)
        for (bool more = classes->first(); more; more = classes->next())
            if (isaHolds(v, classes->atColumn(1), 1) == 0)
                list.push_back({v, classes->atColumn(1)});
    return list.size() == before ? 1 : 0;
}

int MainMemOM::checkParameterTypes(Violations& list, std::set<int>& failing,
                                   const InternalName& valueRows,
                                   const InternalName& signatureRows) {
    if (valueRows.getArity() != signatureRows.getArity()) return 0;
    MainMemParamFrame* values = getParamFrame(valueRows);
    MainMemParamFrame* signatures = getParamFrame(signatureRows);
    if (values == nullptr || signatures == nullptr) return 0;
    const int width = values->getArity();
    const std::size_t before = list.size();
    const std::size_t failingBefore = failing.size();
    const auto t = Ref<Iterator>::adopt(values->getIterator(nullptr));
    const auto s = Ref<Iterator>::adopt(signatures->getIterator(nullptr));
    list.push_back({InternalName::UndefinedObject, InternalName::UndefinedObject, true});
    int number = 0;
    for (bool row = t->first(); row; row = t->next()) {
        ++number;
        bool fitted = false;
        for (bool sig = s->first(); sig; sig = s->next()) {
            bool fits = true;
            for (int col = 1; col < width && fits; ++col)
                fits = isaHolds(t->atColumn(col), s->atColumn(col), 1) != 0;
            if (!fits) continue;
            fitted = true;
            checkResultTypes(list, t->atColumn(width), s->atColumn(width));
        }
        if (!fitted) failing.insert(number);
        list.push_back({InternalName::UndefinedObject, InternalName::UndefinedObject, true});
    }
    bool clean = failing.size() == failingBefore;
    for (std::size_t i = before; i < list.size() && clean; ++i) clean = list[i].separator;
    return clean ? 1 : 0;
}

void MainMemOM::errormessage(Violations& list, std::set<int>& failing, const InternalName& host,
                             const InternalName& method, const InternalName& value, int type,
                             int kind) {
    // The entry as a dump writes it, caught from debugChannel.
    std::ostringstream caught;
    const auto stream = Ref<FLSysOStreamImpl<std::ostringstream>>::make(&caught);
    OutputChannel& debug = debugChannel();
    const bool hadStream = debug.currentStream() != nullptr;
    debug.setStream(stream.get());
    formatMethodEntry(method, value, debug, type);
    if (hadStream) {
        debug.resetStream();
    } else {
        debug.releaseStreams();
    }

    std::string message = "Violation of typing conditions found in : \n";
    giveLexicalForm(host, message);
    message += " [" + caught.str() + "]. \n";
    switch (kind) {
        case 1:
            message += "there is no signature at all for method ";
            giveLexicalForm(method, message);
            break;
        case 2:
        case 3:
            giveLexicalForm(host, message);
            message +=
                kind == 2 ? " is not a member of a class " : " is not a subclass of a class ";
            message += "which provides signature for method ";
            giveLexicalForm(method, message);
            break;
        default: {
            int combination = 0;
            for (const TypeViolation& v : list) {
                if (v.separator) {
                    ++combination;
                    continue;
                }
                message += "result ";
                giveLexicalForm(v.value, message);
                if (combination > 0)
                    message += " of " + std::to_string(combination) + ". parameter combination";
                message += " is not a member of class ";
                giveLexicalForm(v.cls, message);
                message += "\n";
            }
            if (!failing.empty()) {
                for (int number : failing)
                    message += "method argument(s) in " + std::to_string(number) +
                               ". parameter combination doesn't hold class membership \n";
                message += "\n";
                failing.clear();
            }
        }
    }
    centralErrorHandler().report(
        Error(5, 41, 2, "Type Violation", message, "MainMemOM::errormessage", ""));
}
