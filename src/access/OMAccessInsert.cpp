// OMAccess insertion: the six insert operations, path arithmetic, arrows and the insert trace.
#include <cstdint>
#include <limits>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"

namespace {

InternalName integerName(std::int32_t value) {
    return InternalName(value, InternalName::Integer, 0);
}

void reportWrongArgs() {
    centralErrorHandler().report(Error(6, 206, 2, "WrongArgs",
                                       "got invalid arguments for arithmetic expression while "
                                       "object insertion, \n therefore object insertion is aborted",
                                       "OMAccess::insert", ""));
}

void reportDivisionByZero() {
    centralErrorHandler().report(
        Error(6, 111, 2, "Division by zero",
              "The second argument of operator / was 0,\ntherefore object insertion is aborted",
              "OMAccess::first()", ""));
}

// The step symbol of a path trace and the arrow of a fact trace: the traces write F-Logic, and
// mark what it has no text for.
const char* stepSymbol(int type) {
    const MethodTypeText* text = methodTypeText(type);
    return text != nullptr && text->fLogic && *text->step != '\0' ? text->step : "???";
}

const char* arrowSymbol(int type) {
    const MethodTypeText* text = methodTypeText(type);
    return text != nullptr && text->fLogic ? text->arrow : "???";
}

}  // namespace

std::uint64_t OMAccess::unreportedNewFacts() const {
    return attachedOM != nullptr ? attachedOM->unreportedNewFacts() : 0;
}

bool OMAccess::traceDue(int result, std::uint64_t before) const {
    return traceDue(result) || (trace != 0 && unreportedNewFacts() != before);
}

int OMAccess::insertSet(const InternalName& host, const InternalName& method,
                        const InternalName* args, int argCount, MethodType type,
                        const set<InternalName>& values) {
    if (attachedOM == nullptr) return 0;
    if (inheritancePhases.inherited().watching() && !values.empty()) {
        std::vector<InternalName> own;
        for (auto item = values.first_item(); item != nullptr; item = values.next_item(item))
            own.push_back(values.key(item));
        inheritancePhases.giveWayToOwn(host, method, args, argCount, code(type), own);
    }
    const std::uint64_t before = unreportedNewFacts();
    const int result =
        attachedOM->insertSetMember(host, method, args, argCount, code(type), values);
    if (traceDue(result, before)) {
        for (auto item = values.first_item(); item != nullptr; item = values.next_item(item))
            traceInsert(host, method, args, argCount, code(type), values.key(item), 0);
    }
    return result;
}

int OMAccess::insertValue(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, MethodType type,
                          const InternalName& value) {
    if (attachedOM == nullptr) return 0;
    if (inheritancePhases.inherited().watching() && !inheritancePhases.storingInherited())
        inheritancePhases.giveWayToOwn(host, method, args, argCount, code(type), {value});
    const std::uint64_t before = unreportedNewFacts();
    const int result =
        attachedOM->insertMethodValue(host, method, args, argCount, code(type), value);
    if (traceDue(result, before)) traceInsert(host, method, args, argCount, code(type), value, 0);
    return result;
}

bool OMAccess::PathReservation::matches(const InternalName& h, const InternalName& m,
                                        const InternalName* a, int count) const {
    if (taken || h != host || m != method || count != argCount) return false;
    for (int i = 0; i < count; ++i) {
        if (a[i] != args[i]) return false;
    }
    return true;
}

int OMAccess::insertPath(const InternalName& host, const InternalName& method,
                         const InternalName* args, int argCount, PathStep type,
                         InternalName& value) {
    if (attachedOM == nullptr) return 0;
    const std::uint64_t before = unreportedNewFacts();
    int result = 0;
    if (const ArithmeticOp* op = std::get_if<ArithmeticOp>(&type)) {
        result = insert(host, method, value, *op);
    } else if (type == PathStep(MethodType::Scalar) && reservation != nullptr &&
               reservation->matches(host, method, args, argCount)) {
        reservation->taken = true;
        result =
            attachedOM->storeReservedPath(host, method, args, argCount, 0, reservation->object);
        // Stored, or the path had a value already (made since the object was reserved).
        value = reservation->object;
        if (result == 0) attachedOM->lookupMethodValue(host, method, args, argCount, 0, value);
    } else {
        result =
            attachedOM->getOrCreateScalarValue(host, method, args, argCount, code(type), value);
    }
    if (traceDue(result, before)) traceInsert(host, method, args, argCount, code(type), value, 1);
    return result;
}

InternalName OMAccess::reservePathObject(const InternalName& host) {
    return attachedOM != nullptr ? attachedOM->reservePathObject(host)
                                 : InternalName::UndefinedObject;
}

int OMAccess::insertReservedPath(const InternalName& host, const InternalName& method,
                                 const InternalName* args, int argCount,
                                 const InternalName& reserved) {
    if (attachedOM == nullptr) return 0;
    PathReservation here{host, method, args, argCount, reserved, false};
    int result = 0;
    {
        // Put back however the insert ends: a trigger below may throw.
        struct Restore {
            PathReservation*& slot;
            PathReservation* outer;
            ~Restore() { slot = outer; }
        } restore{reservation, reservation};
        reservation = &here;
        InternalName value;
        result = insertPath(host, method, args, argCount, MethodType::Scalar, value);
    }
    // A layer that answered the path without the base's insertPath left the object without
    // its path, and the facts staged about it would hang on nothing: it is stored here.
    if (!here.taken) {
        const std::uint64_t before = unreportedNewFacts();
        result = attachedOM->storeReservedPath(host, method, args, argCount, 0, reserved);
        if (traceDue(result, before)) traceInsert(host, method, args, argCount, 0, reserved, 1);
    }
    return result;
}

int OMAccess::insertObject(const FSymbol& symbol, const InternalName* args, int argCount,
                           InternalName& out) {
    const int kind = symbol.getType();
    if (kind == InternalName::Integer || kind == InternalName::Float) {
        // A number is its own name, with the flag every number carries in the object base.
        if (argCount == 0) out = symbol.stored();
        return 0;
    }
    if (attachedOM == nullptr) return 0;
    const std::uint64_t before = unreportedNewFacts();
    const int result = argCount > 0 ? attachedOM->getFunctionObject(symbol, args, argCount, out)
                                    : attachedOM->getOrCreateName(symbol, out);
    if (traceDue(result, before)) traceSymbolInsert(symbol, args, argCount);
    return result;
}

std::unique_ptr<TermMaker> OMAccess::openTermMaker(const FSymbol& function) {
    if (attachedOM == nullptr) return nullptr;
    return attachedOM->openTermMaker(function);
}

int OMAccess::insertFunctionObject(TermMaker& maker, const InternalName* args, int argCount,
                                   InternalName& out) {
    if (argCount <= 0 || maker.function().getType() != InternalName::Function)
        return insertObject(maker.function(), args, argCount, out);
    if (attachedOM == nullptr) return 0;
    const std::uint64_t before = unreportedNewFacts();
    const int result = maker.make(args, argCount, out);
    if (traceDue(result, before)) traceSymbolInsert(maker.function(), args, argCount);
    return result;
}

void OMAccess::expectObjects(const FSymbol& symbol, std::size_t rows) {
    if (attachedOM != nullptr && symbol.getType() == InternalName::Function)
        attachedOM->expectFunctionObjects(symbol, rows);
}

int OMAccess::insertPredicate(const FSymbol& symbol, const InternalName* args, int argCount) {
    if (attachedOM == nullptr) return 0;
    const std::uint64_t before = unreportedNewFacts();
    int result = 0;
    if (symbol.getType() == InternalName::BuiltinPredicate) {
        // "=" needs both of its arguments; a shorter list equates nothing.
        if (argCount >= 2 && symbolName(symbol) == "=")
            result = attachedOM->equate(args[0], args[1], 0);
    } else {
        result = attachedOM->addPredicate(symbol, args, argCount);
    }
    if (traceDue(result, before)) traceSymbolInsert(symbol, args, argCount);
    return result;
}

std::unique_ptr<HeadWriter> OMAccess::openHeadWriter(const HeadRelation& relation) {
    return std::make_unique<HeadWriter>(*this, relation, traceMode());
}

int OMAccess::insertClassRelation(const InternalName& object, const InternalName& cls,
                                  IsaRelation kind) {
    if (attachedOM == nullptr) return 0;
    const std::uint64_t before = unreportedNewFacts();
    int result = 0;
    if (kind == IsaRelation::Subclass) {
        // cls :: object already holding would make the new fact close a subclass cycle.
        const auto reverse =
            Ref<Iterator>::adopt(makeEnhIsaIter(cls, object, IsaRelation::Subclass, nullptr));
        if (reverse && reverse->first())
            result = collapseSubclassCycle(object, cls);
        else
            result = attachedOM->insertIsa(object, cls, code(IsaRelation::Subclass));
    } else {
        result = attachedOM->insertIsa(object, cls, code(kind));
    }
    if (traceDue(result, before)) traceClassRelation(object, cls, kind);
    return result;
}

int OMAccess::insertFreshChild(const InternalName& object, const InternalName& cls,
                               const InternalName& host, const InternalName& method,
                               MethodType type) {
    if (attachedOM == nullptr) return 0;
    if (traceMode() == TraceMode::Off && !inheritancePhases.inherited().watching())
        return attachedOM->insertFreshChild(object, cls, host, method, code(type));
    int added = OMAccess::insertClassRelation(object, cls, IsaRelation::Member);
    if (insertValue(host, method, nullptr, 0, type, object) != 0) added = 1;
    if (insertClassRelation(object, host, IsaRelation::Child) != 0) added = 1;
    return added;
}

int OMAccess::insertFreshChildren(const InternalName& host, const InternalName& method,
                                  MethodType type, std::span<const FreshChild> children) {
    if (attachedOM == nullptr) return 0;
    if (traceMode() == TraceMode::Off && !inheritancePhases.inherited().watching())
        return attachedOM->insertFreshChildren(host, method, code(type), children);
    int added = 0;
    for (const FreshChild& child : children)
        if (OMAccess::insertFreshChild(child.object, child.cls, host, method, type) != 0) added = 1;
    return added;
}

int OMAccess::insertFreshElement(const FreshElement& element) {
    if (attachedOM == nullptr) return 0;
    if (traceMode() == TraceMode::Off && !inheritancePhases.inherited().watching())
        return attachedOM->insertFreshElement(element);
    return insertFreshElementApart(element);
}

int OMAccess::insertFreshElementApart(const FreshElement& element) {
    const InternalName& object = element.object;
    int added = 0;
    if (element.hasText()) {
        added = insertValue(object, element.textMethod, nullptr, 0, MethodType(element.textType),
                            element.text);
        if (insertClassRelation(element.text, object, IsaRelation::Child) != 0) added = 1;
    }
    if (insertFreshChild(object, element.cls, element.host, element.method,
                         MethodType(element.type)) != 0)
        added = 1;
    for (const FreshElement::Value& value : element.values)
        if (insertValue(object, value.method, nullptr, 0, MethodType(element.valueType),
                        value.value) != 0)
            added = 1;
    return added;
}

void OMAccess::traceClassRelation(const InternalName& object, const InternalName& cls,
                                  IsaRelation kind) {
    debugChannel() << std::endl
                   << "insert :   " << lexicalForm(object)
                   << (kind == IsaRelation::Member     ? ":"
                       : kind == IsaRelation::Subclass ? "::"
                                                       : " child ")
                   << lexicalForm(cls) << std::endl;
}

int OMAccess::insert(const InternalName& left, const InternalName& right, InternalName& out,
                     ArithmeticOp type) {
    if (left.getType() != InternalName::Integer || right.getType() != InternalName::Integer) {
        reportWrongArgs();
        out = integerName(0);
        return -1;
    }
    // In 64 bits no operation of two 32-bit operands overflows; the range is checked after.
    const std::int64_t a = left.getValue();
    const std::int64_t b = right.getValue();
    std::int64_t value = 0;
    switch (type) {
        case ArithmeticOp::Plus:
            value = a + b;
            break;
        case ArithmeticOp::Minus:
            value = a - b;
            break;
        case ArithmeticOp::Times:
            value = a * b;
            break;
        case ArithmeticOp::IntegerDivision:
        case ArithmeticOp::Division:
            if (b == 0) {
                reportDivisionByZero();
                out = integerName(0);
                return -1;
            }
            value = a / b;
            break;
    }
    if (value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::int32_t>::max()) {
        reportWrongArgs();
        out = integerName(0);
        return -1;
    }
    out = integerName(static_cast<std::int32_t>(value));
    return 0;
}

std::optional<MethodType> OMAccess::arrowToMethodType(const InternalName& arrow) {
    if (arrow == InternalName::UndefinedObject) return std::nullopt;
    std::string text;
    giveLexicalForm(arrow, text, 1, 0);
    if (text.size() < 2) return std::nullopt;
    return methodTypeOfArrow(std::string_view(text).substr(1, text.size() - 2));
}

std::string OMAccess::symbolName(const InternalName& symbol) {
    return symTab != nullptr ? symTab->giveName(symbol) : "NULL";
}

void OMAccess::traceArguments(const InternalName* args, int argCount) {
    if (argCount <= 0) return;
    OutputChannel& channel = debugChannel();
    channel << "(";
    for (int i = 0; i < argCount; ++i) {
        if (i > 0) channel << ",";
        channel << lexicalForm(args[i]);
    }
    channel << ")";
}

void OMAccess::traceSymbolInsert(const FSymbol& symbol, const InternalName* args, int argCount) {
    debugChannel() << std::endl << "insert :   " << symbolName(symbol);
    traceArguments(args, argCount);
    debugChannel() << std::endl;
}

void OMAccess::traceInsert(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, int type,
                           const InternalName& value, int pathStep) {
    OutputChannel& channel = debugChannel();
    channel << std::endl << "insert :   " << lexicalForm(host);
    channel << (pathStep != 0 ? stepSymbol(type) : "[");
    channel << lexicalForm(method);
    if (argCount > 0) {
        channel << "@";
        traceArguments(args, argCount);
    }
    if (pathStep != 0)
        channel << lexicalForm(value);
    else
        channel << arrowSymbol(type) << lexicalForm(value) << "]";
    channel << std::endl;
}
