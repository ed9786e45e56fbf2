// CompactSortedMap: a small map kept as one sorted array of pairs, one pointer wide, for records
// that hold a few keyed entries or none.
#pragma once

#include <algorithm>
#include <cstddef>
#include <utility>

#include "foundation/CompactVector.h"

// Walks its pairs in ascending key order like std::map; finding a key is a binary search and
// adding one moves the pairs after it, which suits maps of a handful of entries built once.
template <class K, class V>
class CompactSortedMap {
  public:
    using value_type = std::pair<K, V>;
    using iterator = value_type*;
    using const_iterator = const value_type*;

    std::size_t size() const { return pairs.size(); }
    bool empty() const { return pairs.empty(); }
    iterator begin() { return pairs.begin(); }
    iterator end() { return pairs.end(); }
    const_iterator begin() const { return pairs.begin(); }
    const_iterator end() const { return pairs.end(); }

    iterator find(const K& key) {
        iterator at = lowerBound(key);
        return at != end() && at->first == key ? at : end();
    }
    const_iterator find(const K& key) const {
        const_iterator at = lowerBound(key);
        return at != end() && at->first == key ? at : end();
    }
    std::size_t count(const K& key) const { return find(key) == end() ? 0 : 1; }

    // The value under `key`, added default-made when missing.
    V& operator[](const K& key) {
        iterator at = lowerBound(key);
        if (at == end() || at->first != key) at = pairs.insert(at, value_type(key, V()));
        return at->second;
    }

    void clear() { pairs.clear(); }

  private:
    iterator lowerBound(const K& key) {
        return std::lower_bound(begin(), end(), key,
                                [](const value_type& p, const K& k) { return p.first < k; });
    }
    const_iterator lowerBound(const K& key) const {
        return std::lower_bound(begin(), end(), key,
                                [](const value_type& p, const K& k) { return p.first < k; });
    }

    CompactVector<value_type> pairs;
};
