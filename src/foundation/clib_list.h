// The typed list of the container library: a dlist whose element hooks know the type T.
#pragma once

#include <cstddef>
#include <istream>
#include <iterator>
#include <ostream>
#include <utility>

#include "foundation/dlist.h"

template <class T>
class clib_list : public dlist {
  public:
    using cmp_function = int (*)(const T&, const T&);

    clib_list() = default;
    explicit clib_list(const T& x) : dlist(clib_copy(x)) {}
    clib_list(const clib_list& other) : dlist(other) {}
    clib_list& operator=(const clib_list& other) {
        dlist::operator=(other);
        return *this;
    }
    // A moved list hands its elements over, links and all, and is left empty.
    clib_list(clib_list&& other) noexcept { take_links(other); }
    clib_list& operator=(clib_list&& other) noexcept {
        if (this != &other) {
            clear();
            take_links(other);
        }
        return *this;
    }
    ~clib_list() override {
        clear();
        delete popped;
    }

    list_item append(const T& x) { return dlist::append(clib_copy(x)); }

    // Element of an item, by reference.
    T& inf(list_item it) const { return clib_access<T>(it->e); }
    T& contents(list_item it) const { return clib_access<T>(it->e); }
    T& operator[](list_item it) const { return clib_access<T>(it->e); }

    // First / last element; an empty list is reported (and, should the handler return, answers
    // a default element rather than reading through a null word).
    T& head() {
        if (empty()) {
            dlist::head();
            return hold(T());
        }
        return clib_access<T>(h->e);
    }
    T& tail() {
        if (empty()) {
            dlist::tail();
            return hold(T());
        }
        return clib_access<T>(t->e);
    }

    // Removes the first element and answers it.
    T pop() {
        if (empty()) {
            dlist::pop();
            return T();
        }
        return take(dlist::pop());
    }
    // Removes the last element into the popped-element holder and answers it by reference.
    T& Pop() {
        if (empty()) {
            dlist::Pop();
            return hold(T());
        }
        return hold(take(dlist::Pop()));
    }
    // Removes an item and answers its element.
    T del_item(list_item it) {
        if (it == nullptr) {
            dlist::del_item(it);
            return T();
        }
        return take(dlist::del_item(it));
    }

    // Searches by the element type's own order, else by equality.
    // (The typed walk spares the virtual call per element that dlist's walk makes.)
    list_item search(const T& x) const {
        for (dlink* l = h; l != nullptr; l = l->succ)
            if (compare_elements(clib_access<T>(l->e), x) == 0) return l;
        return nullptr;
    }
    std::int32_t rank(const T& x) const {
        std::int32_t r = 1;
        for (dlink* l = h; l != nullptr; l = l->succ, ++r)
            if (compare_elements(clib_access<T>(l->e), x) == 0) return r;
        return 0;
    }
    // Searches by a caller's compare function, for this one search.
    list_item search(const T& x, cmp_function f) const {
        for (dlink* l = h; l != nullptr; l = l->succ)
            if (f(clib_access<T>(l->e), x) == 0) return l;
        return nullptr;
    }
    std::int32_t rank(const T& x, cmp_function f) const {
        std::int32_t r = 1;
        for (dlink* l = h; l != nullptr; l = l->succ, ++r)
            if (f(clib_access<T>(l->e), x) == 0) return r;
        return 0;
    }

    // Applies the apply function to every element, head to tail.
    void apply() {
        for (dlink* l = h; l != nullptr; l = l->succ) app(l->e);
    }
    // The ord function's value of an element.
    int ord_of(const T& x) const { return ord(clib_search_word(x)); }

    // Walks the elements from head to tail.
    class iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = T*;
        using reference = T&;
        iterator() = default;
        explicit iterator(dlink* l) : link(l) {}
        T& operator*() const { return clib_access<T>(link->e); }
        T* operator->() const { return &clib_access<T>(link->e); }
        iterator& operator++() {
            link = link->succ;
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            link = link->succ;
            return old;
        }
        bool operator==(const iterator& o) const { return link == o.link; }
        bool operator!=(const iterator& o) const { return link != o.link; }

      private:
        dlink* link = nullptr;
    };
    iterator begin() const { return iterator(h); }
    iterator end() const { return iterator(nullptr); }

  protected:
    int cmp(const clib_word& a, const clib_word& b) const override {
        return compare_elements(clib_access<T>(a), clib_access<T>(b));
    }
    void read_el(clib_word& x, std::istream& in) const override {
        if constexpr (std::is_default_constructible_v<T> &&
                      requires(std::istream & s, T & v) { s >> v; }) {
            T v{};
            in >> v;
            x = clib_copy(v);
        }
    }
    void print_el(const clib_word& x, std::ostream& out) const override {
        if constexpr (requires(std::ostream & s, const T& v) { s << v; }) out << clib_access<T>(x);
    }
    void clear_el(clib_word& x) const override { clib_clear_word<T>(x); }
    void copy_el(clib_word& x) const override { clib_copy_word<T>(x); }
    int el_type_id() const override { return std::is_same_v<T, int> ? 3 : 0; }

  private:
    int compare_elements(const T& a, const T& b) const {
        // The element type's own order, else equality alone.
        if constexpr (requires(const T& x) { compare(x, x); })
            return compare(a, b);
        else if constexpr (requires(const T& x) { x == x; })
            return a == b ? 0 : 1;
        else
            return 0;
    }
    // The element of a word the list no longer holds; the word's copy is released.
    static T take(clib_word w) {
        T x = std::move(clib_access<T>(w));
        clib_clear_word<T>(w);
        return x;
    }
    // Keeps x in the popped-element holder: in a word for plain values, else as a heap copy.
    T& hold(T x) {
        if constexpr (clib_in_word<T>) {
            popped_word = clib_search_word(x);
            return clib_access<T>(popped_word);
        } else {
            T* fresh = new T(std::move(x));
            delete popped;
            popped = fresh;
            return *popped;
        }
    }

    T* popped = nullptr;
    clib_word popped_word{};
};
