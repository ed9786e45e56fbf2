// DocumentQueries: the questions about a document's elements that the layers above ask of the
// object base: an element's parent and the method it hangs under, and its link attributes.
#pragma once

#include "objectbase/InternalName.h"

class OMAccess;

// Asks through the access layer it serves (a back reference, not owned: the layer owns the
// queries), so that the layer's axis steps and lookups answer them.
class DocumentQueries {
  public:
    explicit DocumentQueries(OMAccess& access) : access(access) {}
    DocumentQueries(const DocumentQueries&) = delete;
    DocumentQueries& operator=(const DocumentQueries&) = delete;

    // out := the parent element of x (the last one found), or UndefinedObject.
    InternalName& parentElement(InternalName& out, const InternalName& x);
    // out := the method under which the parent element holds x, or UndefinedObject.
    InternalName& parentMethod(InternalName& out, const InternalName& x);
    // The value of the link attribute of an element; 1 when found.
    int xlinkType(const InternalName& element, InternalName& out);
    int xlinkHref(const InternalName& element, InternalName& out);
    int isTransparentLink(const InternalName& element);
    // Whether the element is a "simple" link (its link type given) with a target; target := it.
    bool simpleLinkTarget(const InternalName& element, const InternalName& linkType,
                          InternalName& target);

  private:
    OMAccess& access;
};
