// The insertions of the XML access layer along axis steps: paths, sets and single values, with
// literals wrapped in element objects and the document structure that imported elements have.
#include <optional>

#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "objectbase/OM.h"
#include "objectbase/SymTab.h"
#include "xml/XMLOMAccess.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

bool isLiteral(const InternalName& value) {
    const int kind = value.getType();
    return kind == InternalName::String || kind == InternalName::Integer ||
           kind == InternalName::Float;
}

// The "@" form of a method type on the attribute axis; none for the types that insert nothing.
std::optional<MethodType> attributeType(MethodType type) {
    switch (type) {
        case MethodType::Set:
        case MethodType::AttributeSet:
            return MethodType::AttributeSet;
        case MethodType::InheritableSet:
        case MethodType::InheritableAttributeSet:
            return MethodType::InheritableAttributeSet;
        case MethodType::SetSignature:
        case MethodType::AttributeSetSignature:
            return MethodType::AttributeSetSignature;
        case MethodType::Scalar:
        case MethodType::InheritableScalar:
        case MethodType::ScalarSignature:
            return std::nullopt;
    }
    return std::nullopt;
}

}  // namespace

InternalName XMLOMAccess::parentOf(const InternalName& x) {
    InternalName parent;
    return parentElement(parent, x);
}

InternalName XMLOMAccess::freshObject() {
    InternalName object = Free;
    getOrCreateName(giveSymTab()->newSymbol(InternalName::Function, 0), object);
    return object;
}

int XMLOMAccess::insertXMLPath(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, PathStep type, Axis axis,
                               InternalName& result) {
    // Arithmetic in a rule head computes its number whatever the axis.
    if (type != PathStep(MethodType::Scalar) && type != PathStep(MethodType::InheritableScalar) &&
        axis == Axis::None && !std::holds_alternative<ArithmeticOp>(type)) {
        centralErrorHandler().report(err6::WrongMetType);
        return 0;
    }
    if (type == PathStep(MethodType::Set) && axis != Axis::None) {
        result = freshObject();
        return insertXMLValue(host, method, args, argCount, MethodType::Set, axis, result);
    }
    InternalName start = host;
    if (axis == Axis::Sibling) {
        start = parentOf(host);
        // A node without a parent has no siblings to be written beside.
        if (start == Free) return 0;
    }
    const int stored = OMAccess::insertPath(start, method, args, argCount, type, result);
    if (stored != 0 && type == PathStep(MethodType::Scalar))
        isWebAttribute(start, method, args, argCount, 0, result);
    return stored;
}

int XMLOMAccess::insertXMLSet(const InternalName& host, const InternalName& method,
                              const InternalName* args, int argCount, MethodType type, Axis axis,
                              const set<InternalName>& values) {
    InternalName start = host;
    if (axis == Axis::Sibling) {
        start = parentOf(host);
        if (start == Free) return 0;
    }
    const int stored = OMAccess::insertSet(start, method, args, argCount, type, values);
    if (axis == Axis::None) return stored;
    // Each member hangs under the host as a child and the method is an element class, as the
    // single-value road and the import record them: the axis steps read the document structure
    // from these relations.
    for (auto item = values.first_item(); item != nullptr; item = values.next_item(item)) {
        const InternalName& value = values.key(item);
        insertClassRelation(value, method, IsaRelation::Member);
        insertClassRelation(value, start, IsaRelation::Child);
    }
    if (values.size() > 0) elementClass(method);
    return stored;
}

int XMLOMAccess::insertXMLValue(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, MethodType type, Axis axis,
                                const InternalName& value) {
    // A type made by a cast from a number outside the method types.
    if (code(type) < 0 || code(type) > 8) {
        centralErrorHandler().report(err6::WrongMetType);
        return 0;
    }
    InternalName start = host;
    int stored = 0;
    switch (axis) {
        case Axis::None:
            stored = OMAccess::insertValue(host, method, args, argCount, type, value);
            break;
        case Axis::Sibling:
            start = parentOf(host);
            if (start == Free) return 0;
            [[fallthrough]];
        case Axis::Child:
        case Axis::Descendant:
            if (method != builtinObject::Text && isLiteral(value)) {
                stored = insertWrappedLiteral(start, method, args, argCount, type, value);
            } else {
                stored = OMAccess::insertValue(start, method, args, argCount, type, value);
                if (stored != 0 && type == MethodType::Set) {
                    if (method != builtinObject::Text) {
                        insertClassRelation(value, method, IsaRelation::Member);
                        insertClassRelation(value, start, IsaRelation::Child);
                    } else {
                        joinText(start, value);
                    }
                }
            }
            if (stored != 0) elementClass(method);
            break;
        case Axis::Attribute: {
            const std::optional<MethodType> attribute = attributeType(type);
            if (attribute)
                stored = OMAccess::insertValue(host, method, args, argCount, *attribute, value);
            break;
        }
        case Axis::Parent:
        case Axis::Ancestor:
        case Axis::Self:
        case Axis::FunctionApplication:
            // Parent, ancestor, self and function application name nothing to store.
            return 0;
    }
    if (stored != 0 && type == MethodType::Scalar)
        isWebAttribute(start, method, args, argCount, 0, value);
    return stored;
}

void XMLOMAccess::elementClass(const InternalName& method) {
    insertClassRelation(method, builtinObject::Tag, IsaRelation::Member);
    insertClassRelation(method, builtinObject::Node, IsaRelation::Subclass);
}

int XMLOMAccess::insertWrappedLiteral(const InternalName& host, const InternalName& method,
                                      const InternalName* args, int argCount, MethodType type,
                                      const InternalName& value) {
    const InternalName element = freshObject();
    mapName(element, value);
    insertClassRelation(element, method, IsaRelation::Member);
    const int stored = OMAccess::insertValue(host, method, args, argCount, type, element) +
                       OMAccess::insertValue(element, builtinObject::Text, nullptr, 0, type, value);
    if (stored != 0) {
        insertClassRelation(element, method, IsaRelation::Member);
        insertClassRelation(element, host, IsaRelation::Child);
    }
    return stored;
}

void XMLOMAccess::joinText(const InternalName& element, const InternalName& text) {
    if (!isMapped(element)) {
        mapName(element, text);
        if (om() != nullptr) om()->equate(element, text, 1);
        return;
    }
    const InternalName mapped = mappedName(element);
    if (mapped.getType() != InternalName::String) {
        mapName(element, text);
        return;
    }
    // The texts themselves are joined: their quotes would otherwise end up inside the string.
    const std::string added =
        text.getType() == InternalName::String ? constantText(text) : lexicalForm(text);
    InternalName joined;
    mapName(element, stringConstant(joined, constantText(mapped) + added));
}
