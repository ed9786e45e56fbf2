// The container library's set: a randomized search tree of keys T in ascending order.
#pragma once

#include <cstddef>
#include <iostream>
#include <iterator>
#include <optional>
#include <type_traits>

#include "foundation/rs_tree.h"

template <class T>
class set : public rs_tree {
  public:
    using item = bin_tree_item;

    set() = default;
    set(const set& other) : rs_tree(other) {}
    set& operator=(const set& other) {
        rs_tree::operator=(other);
        return *this;
    }
    ~set() override { clear_with(*this); }

    item insert(const T& x) { return insert_with(clib_search_word(x), clib_null_word(), probe{x}); }
    void del(const T& x) { del_with(probe{x}); }
    bool member(const T& x) const { return member_with(probe{x}); }
    // The item holding x, or nil.
    item lookup(const T& x) const { return lookup_with(probe{x}); }
    using rs_tree::lookup;
    // The smallest key; an empty set answers a default key instead of reading through nil.
    const T& choose() const {
        if (first_item() == nullptr) {
            if constexpr (std::is_default_constructible_v<T>) holder.emplace();
            return *holder;
        }
        return clib_access<T>(first_item()->key);
    }

    [[nodiscard]] set operator+(const set& other) const { return join(other); }
    [[nodiscard]] set operator-(const set& other) const { return diff(other); }
    [[nodiscard]] set operator&(const set& other) const { return intersect(other); }
    [[nodiscard]] set operator%(const set& other) const { return symdiff(other); }

    [[nodiscard]] set join(const set& other) const {
        set result(*this);
        result.rs_tree::join(other);
        return result;
    }
    [[nodiscard]] set diff(const set& other) const {
        set result(*this);
        result.rs_tree::diff(other);
        return result;
    }
    [[nodiscard]] set intersect(const set& other) const {
        set result(*this);
        result.rs_tree::intersect(other);
        return result;
    }
    [[nodiscard]] set symdiff(const set& other) const {
        set result(*this);
        result %= other;
        return result;
    }

    set& operator+=(const set& other) {
        rs_tree::join(other);
        return *this;
    }
    set& operator-=(const set& other) {
        rs_tree::diff(other);
        return *this;
    }
    set& operator&=(const set& other) {
        rs_tree::intersect(other);
        return *this;
    }
    set& operator%=(const set& other) {
        set common(*this);
        rs_tree::join(other);
        common.rs_tree::intersect(other);
        rs_tree::diff(common);
        return *this;
    }

    bool operator<=(const set& other) const { return other.contains(*this); }
    bool operator>=(const set& other) const { return contains(other); }
    bool operator==(const set& other) const { return size() == other.size() && contains(other); }
    bool operator!=(const set& other) const { return size() != other.size() || !contains(other); }
    bool operator<(const set& other) const {
        return size() < other.size() && other.contains(*this);
    }
    bool operator>(const set& other) const { return size() > other.size() && contains(other); }

    using rs_tree::clear;
    using rs_tree::empty;
    using rs_tree::first_item;
    using rs_tree::next_item;
    using rs_tree::prev_item;
    using rs_tree::size;

    const T& key(item it) const { return clib_access<T>(it->key); }
    // The key of an item, copied into the set's key holder.
    const T& inf(item it) const {
        holder = clib_access<T>(it->key);
        return *holder;
    }

    // Walks the keys in ascending order, once around the leaf chain.
    class iterator {
      public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = const T*;
        using reference = const T&;
        iterator() = default;
        iterator(const set* s, item it) : owner(s), current(it) {}
        const T& operator*() const { return clib_access<T>(current->key); }
        const T* operator->() const { return &clib_access<T>(current->key); }
        iterator& operator++() {
            current = owner->next_item(current);
            return *this;
        }
        iterator operator++(int) {
            iterator old = *this;
            ++*this;
            return old;
        }
        bool operator==(const iterator& o) const { return current == o.current; }
        bool operator!=(const iterator& o) const { return current != o.current; }

      private:
        const set* owner = nullptr;
        item current = nullptr;
    };
    iterator begin() const { return iterator(this, first_item()); }
    iterator end() const { return iterator(this, nullptr); }

  protected:
    int cmp(const clib_word& a, const clib_word& b) const override {
        return compare(clib_access<T>(a), clib_access<T>(b));
    }
    int key_type_id() const override {
        if constexpr (std::is_same_v<T, int>)
            return CLIB_KEY_INT;
        else if constexpr (std::is_same_v<T, double> && clib_in_word<double>)
            return CLIB_KEY_DOUBLE;
        else
            return CLIB_KEY_GENERIC;
    }
    void clear_key(clib_word& w) const override { clib_clear_word<T>(w); }
    void copy_key(clib_word& w) const override { clib_copy_word<T>(w); }
    void print_key(const clib_word& w, std::ostream& out) const override {
        if constexpr (requires(std::ostream & s, const T& v) { s << v; }) out << clib_access<T>(w);
    }
    int tree_type_id() const override { return 4; }

  private:
    // Compares x with a node's key in T's own order, without a virtual call.
    struct probe {
        static constexpr bool in_place =
            std::is_arithmetic_v<T> || std::is_enum_v<T> || std::is_pointer_v<T>;
        std::conditional_t<clib_in_word<T>, T, const T&> x;
        int operator()(const clib_word& w) const { return compare(x, clib_access<T>(w)); }
    };

    mutable std::optional<T> holder;
};
