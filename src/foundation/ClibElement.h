// Element words of the container library and the basic key orders the ordered containers use.
#pragma once

#include <cstdint>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

// One word of a container node. Values that fit in a word and copy as plain bytes (ints,
// pointers, enumerations, small records such as identifiers) live in the word itself; wider
// values live on the heap and the word holds the pointer to that copy.
struct clib_word {
    alignas(void*) unsigned char bytes[sizeof(void*)];
};

// True when values of T are kept inside the word rather than as heap copies.
template <class T>
inline constexpr bool clib_in_word =
    sizeof(T) <= sizeof(void*) && alignof(T) <= alignof(void*) && std::is_trivially_copyable_v<T>;

inline clib_word clib_null_word() {
    clib_word w;
    std::memset(w.bytes, 0, sizeof w.bytes);
    return w;
}

inline clib_word clib_ptr_word(const void* p) {
    clib_word w;
    std::memcpy(w.bytes, &p, sizeof p);
    return w;
}

inline void* clib_word_ptr(const clib_word& w) {
    void* p;
    std::memcpy(&p, w.bytes, sizeof p);
    return p;
}

// The value stored in a word, by reference.
template <class T>
inline T& clib_access(clib_word& w) {
    if constexpr (clib_in_word<T>)
        return *std::launder(reinterpret_cast<T*>(w.bytes));
    else
        return *static_cast<T*>(clib_word_ptr(w));
}

template <class T>
inline const T& clib_access(const clib_word& w) {
    if constexpr (clib_in_word<T>)
        return *std::launder(reinterpret_cast<const T*>(w.bytes));
    else
        return *static_cast<const T*>(clib_word_ptr(w));
}

// A word standing for x during a search: the value itself, or the address of the caller's x.
template <class T>
inline clib_word clib_search_word(const T& x) {
    if constexpr (clib_in_word<T>) {
        clib_word w = clib_null_word();
        ::new (static_cast<void*>(w.bytes)) T(x);
        return w;
    } else {
        return clib_ptr_word(&x);
    }
}

// A word that owns its own copy of x.
template <class T>
inline clib_word clib_copy(const T& x) {
    if constexpr (clib_in_word<T>)
        return clib_search_word(x);
    else
        return clib_ptr_word(new T(x));
}

// Replaces a word that refers to somebody else's value by a word owning a copy of it.
template <class T>
inline void clib_copy_word(clib_word& w) {
    if constexpr (!clib_in_word<T>) w = clib_ptr_word(new T(clib_access<T>(w)));
}

// Destroys the copy a word owns.
template <class T>
inline void clib_clear_word(clib_word& w) {
    if constexpr (!clib_in_word<T>) delete static_cast<T*>(clib_word_ptr(w));
}

// Key kinds that the ordered containers compare without a virtual call.
enum clib_key_kind : int {
    CLIB_KEY_GENERIC = 0,
    CLIB_KEY_INT = 3,
    CLIB_KEY_FLOAT = 5,
    CLIB_KEY_DOUBLE = 6
};

template <class T>
inline constexpr int clib_key_kind_of = std::is_same_v<T, int>      ? CLIB_KEY_INT
                                        : std::is_same_v<T, float>  ? CLIB_KEY_FLOAT
                                        : std::is_same_v<T, double> ? CLIB_KEY_DOUBLE
                                                                    : CLIB_KEY_GENERIC;

template <class T>
inline T clib_word_value(const clib_word& w) {
    T v;
    std::memcpy(&v, w.bytes, sizeof v);
    return v;
}

// The basic orders: negative, 0 or positive. Key types of the system bring their own `compare`
// next to their class; these cover the built-in types.
inline int compare(const int& a, const int& b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
inline int compare(const long& a, const long& b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
inline int compare(const unsigned& a, const unsigned& b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
inline int compare(const float& a, const float& b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
inline int compare(const double& a, const double& b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}
inline int compare(const std::string& a, const std::string& b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
// Pointers are ordered by address.
template <class T>
inline int compare(T* const& a, T* const& b) {
    auto x = reinterpret_cast<std::uintptr_t>(a);
    auto y = reinterpret_cast<std::uintptr_t>(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

// Compares two keys with the fast path of their kind, or with the given fallback.
template <int Kind>
struct clib_word_order;

template <>
struct clib_word_order<CLIB_KEY_INT> {
    static int cmp(const clib_word& a, const clib_word& b) {
        return compare(clib_word_value<int>(a), clib_word_value<int>(b));
    }
    int operator()(const clib_word& a, const clib_word& b) const { return cmp(a, b); }
};

template <>
struct clib_word_order<CLIB_KEY_FLOAT> {
    static int cmp(const clib_word& a, const clib_word& b) {
        return compare(clib_word_value<float>(a), clib_word_value<float>(b));
    }
    int operator()(const clib_word& a, const clib_word& b) const { return cmp(a, b); }
};

template <>
struct clib_word_order<CLIB_KEY_DOUBLE> {
    static int cmp(const clib_word& a, const clib_word& b) {
        return compare(clib_word_value<double>(a), clib_word_value<double>(b));
    }
    int operator()(const clib_word& a, const clib_word& b) const { return cmp(a, b); }
};
