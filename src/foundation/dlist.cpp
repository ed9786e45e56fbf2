// The container library's doubly linked list of element words, with virtual element hooks.
#include "foundation/dlist.h"

#include "foundation/ClibErrorHandler.h"

namespace {

constexpr std::int32_t kLinkSize = sizeof(dlink);

dlink* new_link(clib_word x, dlink* succ, dlink* pred) {
    auto* l = static_cast<dlink*>(clib_node_alloc(kLinkSize));
    l->succ = succ;
    l->pred = pred;
    l->e = x;
    return l;
}

}  // namespace

dlist::dlist() : h(nullptr), t(nullptr), count(0) {}

dlist::dlist(clib_word x) : h(nullptr), t(nullptr), count(1) {
    h = t = new_link(x, nullptr, nullptr);
}

dlist::dlist(const dlist& other) : h(nullptr), t(nullptr), count(0) {
    // This list's own hooks are not in place yet: the source's do the copying.
    copy_from(other, other);
}

dlist& dlist::operator=(const dlist& other) {
    if (this == &other) return *this;
    clear_with(*this);
    copy_from(other, *this);
    return *this;
}

dlist::~dlist() {
    clear_with(*this);
}

void dlist::copy_from(const dlist& other, const dlist& hooks) {
    std::int32_t n = other.length();
    bool plain = plain_kind(hooks.el_type_id());
    for (dlink* l = other.h; l != nullptr; l = l->succ) {
        clib_word w = l->e;
        if (!plain) hooks.copy_el(w);
        append(w);
    }
    count = n;
}

list_item dlist::append(clib_word x) {
    dlink* l = new_link(x, nullptr, t);
    if (t != nullptr)
        t->succ = l;
    else
        h = l;
    t = l;
    if (count >= 0) ++count;
    return l;
}

std::int32_t dlist::length() const {
    if (count < 0) {
        std::int32_t n = 0;
        for (dlink* l = h; l != nullptr; l = l->succ) ++n;
        count = n;
    }
    return count;
}

list_item dlist::search(clib_word x) const {
    for (dlink* l = h; l != nullptr; l = l->succ)
        if (cmp(l->e, x) == 0) return l;
    return nullptr;
}

std::int32_t dlist::rank(clib_word x) const {
    std::int32_t r = 1;
    for (dlink* l = h; l != nullptr; l = l->succ, ++r)
        if (cmp(l->e, x) == 0) return r;
    return 0;
}

clib_word dlist::unlink(dlink* l) {
    if (l->pred != nullptr)
        l->pred->succ = l->succ;
    else
        h = l->succ;
    if (l->succ != nullptr)
        l->succ->pred = l->pred;
    else
        t = l->pred;
    clib_word x = l->e;
    clib_node_free(l, kLinkSize);
    // An unknown (negative) count stays negative.
    --count;
    return x;
}

clib_word dlist::pop() {
    if (h == nullptr) {
        error_handler(1, "dlist: pop on empty list.");
        return clib_null_word();
    }
    return unlink(h);
}

clib_word dlist::Pop() {
    if (t == nullptr) {
        error_handler(1, "dlist: Pop on empty list.");
        return clib_null_word();
    }
    return unlink(t);
}

clib_word dlist::del_item(list_item it) {
    if (it == nullptr) {
        error_handler(999, "dlist: delete nil-item");
        return clib_null_word();
    }
    return unlink(it);
}

clib_word& dlist::end_word(dlink* l, const char* message) {
    if (l == nullptr) {
        error_handler(1, message);
        // Should the handler return, the caller gets a blank word rather than a wild read.
        static clib_word none;
        none = clib_null_word();
        return none;
    }
    return l->e;
}

clib_word& dlist::head() {
    return end_word(h, "dlist::head(): empty list");
}

clib_word& dlist::tail() {
    return end_word(t, "dlist::tail(): empty list");
}

void dlist::clear() {
    clear_with(*this);
}

void dlist::clear_with(const dlist& hooks) {
    if (h == nullptr) return;
    if (!plain_kind(hooks.el_type_id()))
        for (dlink* l = h; l != nullptr; l = l->succ) hooks.clear_el(l->e);
    // The links are chained through their first word already: hand them back in one step.
    if (std_memory_mgr != nullptr) std_memory_mgr->splice_free(h, t, kLinkSize, length());
    h = t = nullptr;
    count = 0;
}

bool dlist::loop_next(list_item& cursor) const {
    if (cursor == nullptr) return false;
    cursor = cursor->succ;
    return true;
}
