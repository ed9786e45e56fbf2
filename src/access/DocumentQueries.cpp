// DocumentQueries: parents found through the child relation and its axis steps, and link
// attributes read through the xlink objects' methods.
#include "access/DocumentQueries.h"

#include <string>
#include <vector>

#include "access/OMAccess.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"

namespace {

const InternalName Free = InternalName::UndefinedObject;

bool isBound(const InternalName& name) {
    return name != Free;
}

// Column `column` of the last axis-1 step [p, free, x] that has a row, over the parents p of x.
// The stored direct relations name the parents: the most specific members of the closure are
// the same objects, but finding them tests every pair of ancestors, which made each step of a
// document nested thousands deep cost the square of its depth.
InternalName lastParentCell(OMAccess& access, const InternalName& x, int column) {
    InternalName found = Free;
    std::vector<InternalName> parents;
    {
        const auto direct =
            Ref<Iterator>::adopt(access.makeIsaIter(x, Free, IsaRelation::Child, nullptr));
        for (bool more = direct && direct->first(); more; more = direct->next()) {
            const InternalName p = direct->atColumn(2);
            if (isBound(p) && p != x) parents.push_back(p);
        }
    }
    Ref<Iterator> step;
    for (const InternalName& parent : parents) {
        const InternalName probe[3] = {parent, Free, x};
        step.renew([&](Iterator* old) {
            return access.matchAxis(MethodType::Set, Axis::Child, probe, 3, old);
        });
        if (step && step->first()) found = step->atColumn(column);
    }
    return found;
}

// The value of the link attribute that xlink[attribute -> m] names (a set's first member); 1 when
// there is one.
int linkAttribute(OMAccess& access, const InternalName& element, const InternalName& attribute,
                  InternalName& out) {
    InternalName method;
    if (access.lookupMethodValue(builtinObject::Xlink, attribute, method) == 0) return 0;
    const InternalName probe[3] = {element, method, Free};
    const auto values =
        Ref<Iterator>::adopt(access.lookup(MethodType::AttributeSet, probe, 3, nullptr));
    int found = 0;
    if (values && values->first()) {
        InternalName value = values->atColumn(3);
        found = 1;
        if (value.getType() == InternalName::SetName) {
            const auto members = Ref<Iterator>::adopt(access.setIterator(value, nullptr));
            found = members && members->first() ? 1 : 0;
            if (found != 0) value = members->atColumn(1);
        }
        if (found != 0) out = value;
    }
    return found;
}

}  // namespace

InternalName& DocumentQueries::parentElement(InternalName& out, const InternalName& x) {
    out = lastParentCell(access, x, 1);
    return out;
}

InternalName& DocumentQueries::parentMethod(InternalName& out, const InternalName& x) {
    out = lastParentCell(access, x, 2);
    return out;
}

int DocumentQueries::xlinkType(const InternalName& element, InternalName& out) {
    return linkAttribute(access, element, builtinObject::Type, out);
}

int DocumentQueries::xlinkHref(const InternalName& element, InternalName& out) {
    return linkAttribute(access, element, builtinObject::Href, out);
}

int DocumentQueries::isTransparentLink(const InternalName& element) {
    InternalName method;
    if (access.lookupMethodValue(builtinObject::Dbxlink, builtinObject::Transparent, method) == 0)
        return 0;
    const InternalName probe[3] = {element, method, Free};
    return yieldsRow(access.lookup(MethodType::AttributeSet, probe, 3, nullptr)) ? 1 : 0;
}

bool DocumentQueries::simpleLinkTarget(const InternalName& element, const InternalName& linkType,
                                       InternalName& target) {
    std::string text;
    access.giveLexicalForm(linkType, text, 1, 0);
    return text == "\"simple\"" && xlinkHref(element, target) != 0;
}
