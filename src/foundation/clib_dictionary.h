// The typed dictionary of the container library: an (a,b)-tree from keys K to information I.
#pragma once

#include <cstddef>
#include <iterator>
#include <ostream>
#include <type_traits>

#include "foundation/ab_tree.h"

template <class K, class I>
class clib_dictionary : public ab_tree {
  public:
    using item = ab_tree_item;
    using cmp_function = int (*)(const K&, const K&);

    // Every dictionary of the system uses a = 2 and b = 16.
    clib_dictionary() : ab_tree(2, 16) {}
    clib_dictionary(std::int32_t a, std::int32_t b) : ab_tree(a, b) {}
    // A dictionary ordered by the caller's compare function instead of the key type's order.
    explicit clib_dictionary(cmp_function f) : ab_tree(2, 16), compare_function(f) {}
    clib_dictionary(const clib_dictionary& other)
        : ab_tree(other.a, other.b), compare_function(other.compare_function) {
        copy_items(other);
    }
    clib_dictionary& operator=(const clib_dictionary& other) {
        if (this != &other) {
            clear();
            compare_function = other.compare_function;
            copy_items(other);
        }
        return *this;
    }
    ~clib_dictionary() override { clear_with(*this); }

    const K& key(item it) const { return clib_access<K>(it->key()); }
    I& inf(item it) { return clib_access<I>(it->inf()); }
    const I& inf(item it) const { return clib_access<I>(it->inf()); }
    I& operator[](item it) { return inf(it); }

    bool defined(const K& k) const { return lookup(k) != nullptr; }
    item insert(const K& k, const I& i) {
        return ab_tree::insert(clib_search_word(k), clib_search_word(i));
    }
    item lookup(const K& k) const { return ab_tree::lookup(clib_search_word(k)); }
    // Information of k's item. An absent key first gets an item with default information.
    I& access(const K& k) {
        item it = lookup(k);
        if (it == nullptr) it = insert(k, I());
        return inf(it);
    }
    void del(const K& k) { ab_tree::del(clib_search_word(k)); }
    void del_item(item it) { ab_tree::del_item(it); }
    void change_inf(item it, const I& i) { ab_tree::change_inf(it, clib_search_word(i)); }

    // Walks the items in ascending key order.
    class iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = item;
        using difference_type = std::ptrdiff_t;
        using pointer = const item*;
        using reference = item;
        iterator() = default;
        explicit iterator(item it) : current(it) {}
        item operator*() const { return current; }
        iterator& operator++() {
            current = current->succ();
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            current = current->succ();
            return old;
        }
        bool operator==(const iterator& o) const { return current == o.current; }
        bool operator!=(const iterator& o) const { return current != o.current; }

      private:
        item current = nullptr;
    };
    iterator begin() const { return iterator(first_item()); }
    iterator end() const { return iterator(nullptr); }

  protected:
    int key_type_id() const override {
        return compare_function == nullptr && clib_in_word<K> ? clib_key_kind_of<K> : 0;
    }
    int cmp(const clib_word& a, const clib_word& b) const override {
        if (compare_function != nullptr)
            return compare_function(clib_access<K>(a), clib_access<K>(b));
        return compare(clib_access<K>(a), clib_access<K>(b));
    }
    void clear_key(clib_word& w) const override { clib_clear_word<K>(w); }
    void clear_inf(clib_word& w) const override { clib_clear_word<I>(w); }
    void copy_key(clib_word& w) const override { clib_copy_word<K>(w); }
    void copy_inf(clib_word& w) const override { clib_copy_word<I>(w); }
    void print_key(const clib_word& w, std::ostream& out) const override {
        if constexpr (requires(std::ostream & s, const K& v) { s << v; }) out << clib_access<K>(w);
    }
    void print_inf(const clib_word& w, std::ostream& out) const override {
        if constexpr (requires(std::ostream & s, const I& v) { s << v; }) out << clib_access<I>(w);
    }

  private:
    void copy_items(const clib_dictionary& other) {
        for (item it = other.first_item(); it != nullptr; it = other.next_item(it))
            insert(other.key(it), other.inf(it));
    }

    cmp_function compare_function = nullptr;  // null: the key type's own order
};
