// The insertions of the XML access layer along axis steps: paths, sets and single values, with
// literals wrapped in element objects and the document structure that imported elements have.
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

bool isArithmetic(int type) {
    return type >= 100 && type <= 104;
}

// The "@" form of a method type on the attribute axis; -1 for the types that insert nothing.
int attributeType(int type) {
    switch (type) {
        case 1:
        case 2:
            return 2;
        case 4:
        case 5:
            return 5;
        case 7:
        case 8:
            return 8;
        default:
            return -1;
    }
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
                               const InternalName* args, int argCount, int type, int axis,
                               InternalName& result) {
    // Arithmetic in a rule head computes its number whatever the axis.
    if (type != 0 && type != 3 && axis == 0 && !isArithmetic(type)) {
        centralErrorHandler().report(err6::WrongMetType);
        return 0;
    }
    if (type == 1 && axis != 0) {
        result = freshObject();
        return insertXMLValue(host, method, args, argCount, 1, axis, result);
    }
    InternalName start = host;
    if (axis == 5) {
        start = parentOf(host);
        // A node without a parent has no siblings to be written beside.
        if (start == Free) return 0;
    }
    const int stored = OMAccess::insertPath(start, method, args, argCount, type, result);
    if (stored != 0 && type == 0) isWebAttribute(start, method, args, argCount, 0, result);
    return stored;
}

int XMLOMAccess::insertXMLSet(const InternalName& host, const InternalName& method,
                              const InternalName* args, int argCount, int type, int axis,
                              const set<InternalName>& values) {
    InternalName start = host;
    if (axis == 5) {
        start = parentOf(host);
        if (start == Free) return 0;
    }
    const int stored = OMAccess::insertSet(start, method, args, argCount, type, values);
    if (axis == 0) return stored;
    // Each member hangs under the host as a child and the method is an element class, as the
    // single-value road and the import record them: the axis steps read the document structure
    // from these relations.
    for (auto item = values.first_item(); item != nullptr; item = values.next_item(item)) {
        const InternalName& value = values.key(item);
        insertClassRelation(value, method, 1);
        insertClassRelation(value, start, 3);
    }
    if (values.size() > 0) elementClass(method);
    return stored;
}

int XMLOMAccess::insertXMLValue(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, int type, int axis,
                                const InternalName& value) {
    if (type < 0 || type > 8) {
        centralErrorHandler().report(err6::WrongMetType);
        return 0;
    }
    InternalName start = host;
    int stored = 0;
    switch (axis) {
        case 0:
            stored = OMAccess::insertValue(host, method, args, argCount, type, value);
            break;
        case 5:
            start = parentOf(host);
            if (start == Free) return 0;
            [[fallthrough]];
        case 1:
        case 2:
            if (method != builtinObject::Text && isLiteral(value)) {
                stored = insertWrappedLiteral(start, method, args, argCount, type, value);
            } else {
                stored = OMAccess::insertValue(start, method, args, argCount, type, value);
                if (stored != 0 && type == 1) {
                    if (method != builtinObject::Text) {
                        insertClassRelation(value, method, 1);
                        insertClassRelation(value, start, 3);
                    } else {
                        joinText(start, value);
                    }
                }
            }
            if (stored != 0) elementClass(method);
            break;
        case 6: {
            const int attribute = attributeType(type);
            if (attribute >= 0)
                stored = OMAccess::insertValue(host, method, args, argCount, attribute, value);
            break;
        }
        default:
            // Parent, ancestor, self and function application name nothing to store.
            return 0;
    }
    if (stored != 0 && type == 0) isWebAttribute(start, method, args, argCount, 0, value);
    return stored;
}

void XMLOMAccess::elementClass(const InternalName& method) {
    insertClassRelation(method, builtinObject::Tag, 1);
    insertClassRelation(method, builtinObject::Node, 2);
}

int XMLOMAccess::insertWrappedLiteral(const InternalName& host, const InternalName& method,
                                      const InternalName* args, int argCount, int type,
                                      const InternalName& value) {
    const InternalName element = freshObject();
    mapName(element, value);
    insertClassRelation(element, method, 1);
    const int stored = OMAccess::insertValue(host, method, args, argCount, type, element) +
                       OMAccess::insertValue(element, builtinObject::Text, nullptr, 0, type, value);
    if (stored != 0) {
        insertClassRelation(element, method, 1);
        insertClassRelation(element, host, 3);
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
