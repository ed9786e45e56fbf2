// The container library's doubly linked list of element words, with virtual element hooks.
#pragma once

#include <cstdint>
#include <iosfwd>

#include "foundation/ClibElement.h"
#include "foundation/MemoryManager.h"

// One link: successor, predecessor and the element word.
struct dlink {
    dlink* succ;
    dlink* pred;
    clib_word e;
};

using list_item = dlink*;

class dlist {
  public:
    dlist();
    explicit dlist(clib_word x);
    dlist(const dlist& other);
    dlist& operator=(const dlist& other);
    virtual ~dlist();

    // Appends x after the tail and answers its item.
    list_item append(clib_word x);
    // Number of elements (recounted when unknown).
    std::int32_t length() const;
    std::int32_t size() const { return length(); }
    bool empty() const { return h == nullptr; }

    // First item whose element compares equal to x, else nil.
    list_item search(clib_word x) const;
    // 1-based position of the first element comparing equal to x, 0 when there is none.
    std::int32_t rank(clib_word x) const;

    // Remove the first / last element and answer its word (the caller owns it).
    clib_word pop();
    clib_word Pop();
    // Removes an item and answers its word (the caller owns it).
    clib_word del_item(list_item it);

    clib_word& head();
    clib_word& tail();

    void clear();

    list_item first_item() const { return h; }
    list_item last_item() const { return t; }
    list_item next_item(list_item it) const { return it != nullptr ? it->succ : nullptr; }
    list_item pred_item(list_item it) const { return it != nullptr ? it->pred : nullptr; }
    clib_word& word(list_item it) const { return it->e; }

    // Loop cursor: loop_next moves the cursor on and answers false when it was already nil.
    bool loop_next(list_item& cursor) const;
    void loop_assign(list_item it, clib_word& target) const {
        if (it != nullptr) target = it->e;
    }

  protected:
    virtual int cmp(const clib_word&, const clib_word&) const { return 0; }
    virtual int ord(const clib_word&) const { return 0; }
    virtual void app(clib_word&) const {}
    virtual void read_el(clib_word&, std::istream&) const {}
    virtual void print_el(const clib_word&, std::ostream&) const {}
    virtual void clear_el(clib_word&) const {}
    virtual void copy_el(clib_word&) const {}
    virtual int el_type_id() const { return 0; }

    static bool plain_kind(int id) { return id == 3 || id == 5 || id == 7; }
    // Unlinks one link, frees it and answers its word.
    clib_word unlink(dlink* l);
    // The word of an end link; a missing one is reported with the message.
    static clib_word& end_word(dlink* l, const char* message);
    // Fills this (empty) list with copies of other's words, through the given element hooks.
    void copy_from(const dlist& other, const dlist& hooks);
    // Empties the list through the given hooks.
    void clear_with(const dlist& hooks);
    // Takes over other's links (this list is empty): other is left empty.
    void take_links(dlist& other) noexcept {
        h = other.h;
        t = other.t;
        count = other.count;
        other.h = other.t = nullptr;
        other.count = 0;
    }

    dlink* h;
    dlink* t;
    mutable std::int32_t count;
};
