// The type check of stored values against the signatures of their methods.
#include "objectbase/TypeCheck.h"

#include <sstream>

#include "foundation/ErrorHandler.h"
#include "foundation/FLSysOStream.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"

namespace {

// The value method types in the order of the check, with the signature type that declares them.
struct CheckedType {
    int type;
    int signatureType;
};
constexpr CheckedType CheckedTypes[] = {{0, 6}, {1, 7}, {3, 6}, {4, 7}};

}  // namespace

void TypeCheck::run() {
    bool reported = false;
    Violations list;
    std::set<int> failing;
    const auto objects = Ref<Iterator>::adopt(base.objNamesIterator(nullptr));
    Ref<Iterator> entries;
    Ref<Iterator> classes;
    for (bool more = objects->first(); more; more = objects->next()) {
        InternalName host = objects->atColumn(1);
        MainMemObjFrame* frame = base.getObjFrame(host);
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
                    return base.methodHostsIterator(method, checked.signatureType, argCount, old);
                });
                if (!classes->first()) {
                    errormessage(list, failing, host, method, value, checked.type, 1);
                    reported = true;
                    continue;
                }
                bool applied = false;
                do {
                    InternalName cls = classes->atColumn(1);
                    if (base.isaHolds(host, cls, inheritable ? 2 : 1) == 0) continue;
                    applied = true;
                    MainMemObjFrame* declaring = base.getObjFrame(cls);
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

int TypeCheck::checkResultTypes(Violations& list, const InternalName& value,
                                const InternalName& signature) {
    const bool valueSet = value.getType() == InternalName::SetName;
    const bool signatureSet = signature.getType() == InternalName::SetName;
    const std::size_t before = list.size();
    if (!valueSet && !signatureSet) {
        if (base.isaHolds(value, signature, 1) != 0) return 1;
        list.push_back({value, signature});
        return 0;
    }
    if (!signatureSet) return 0;
    std::vector<InternalName> values;
    if (valueSet) {
        if (const auto members = Ref<Iterator>::adopt(base.setIterator(value, nullptr))) {
            for (bool more = members->first(); more; more = members->next())
                values.push_back(members->atColumn(1));
        }
    } else {
        values.push_back(value);
    }
    const auto classes = Ref<Iterator>::adopt(base.setIterator(signature, nullptr));
    if (!classes) return 0;
    for (const InternalName& v : values)
        for (bool more = classes->first(); more; more = classes->next())
            if (base.isaHolds(v, classes->atColumn(1), 1) == 0)
                list.push_back({v, classes->atColumn(1)});
    return list.size() == before ? 1 : 0;
}

int TypeCheck::checkParameterTypes(Violations& list, std::set<int>& failing,
                                   const InternalName& valueRows,
                                   const InternalName& signatureRows) {
    if (valueRows.getArity() != signatureRows.getArity()) return 0;
    MainMemParamFrame* values = base.getParamFrame(valueRows);
    MainMemParamFrame* signatures = base.getParamFrame(signatureRows);
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
                fits = base.isaHolds(t->atColumn(col), s->atColumn(col), 1) != 0;
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

void TypeCheck::errormessage(Violations& list, std::set<int>& failing, const InternalName& host,
                             const InternalName& method, const InternalName& value, int type,
                             int kind) {
    // The entry as a dump writes it, caught from debugChannel.
    std::ostringstream caught;
    const auto stream = Ref<FLSysOStreamImpl<std::ostringstream>>::make(&caught);
    OutputChannel& debug = debugChannel();
    const bool hadStream = debug.currentStream() != nullptr;
    debug.setStream(stream.get());
    base.dumpWriter().formatMethodEntry(method, value, debug, type);
    if (hadStream) {
        debug.resetStream();
    } else {
        debug.releaseStreams();
    }

    std::string message = "Violation of typing conditions found in : \n";
    base.giveLexicalForm(host, message);
    message += " [" + caught.str() + "]. \n";
    switch (kind) {
        case 1:
            message += "there is no signature at all for method ";
            base.giveLexicalForm(method, message);
            break;
        case 2:
        case 3:
            base.giveLexicalForm(host, message);
            message +=
                kind == 2 ? " is not a member of a class " : " is not a subclass of a class ";
            message += "which provides signature for method ";
            base.giveLexicalForm(method, message);
            break;
        default: {
            int combination = 0;
            for (const TypeViolation& v : list) {
                if (v.separator) {
                    ++combination;
                    continue;
                }
                message += "result ";
                base.giveLexicalForm(v.value, message);
                if (combination > 0)
                    message += " of " + std::to_string(combination) + ". parameter combination";
                message += " is not a member of class ";
                base.giveLexicalForm(v.cls, message);
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
