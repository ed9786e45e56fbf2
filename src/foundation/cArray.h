// A reference-counted fixed-size array whose indices run from a chosen lower bound.
#pragma once

#include <cstdint>
#include <new>

#include "foundation/ClibElement.h"
#include "foundation/Error.h"
#include "foundation/ErrorCatalogue.h"
#include "foundation/ErrorHandler.h"
#include "foundation/ManagedObject.h"

template <class T>
class cArray : public ManagedObject {
  public:
    // An array of `size` elements indexed low .. low + size - 1; a size below 1 gives no elements.
    explicit cArray(std::int32_t size, std::int32_t low = 0) : elements(nullptr), n(0), lo(low) {
        if (size < 1) return;
        elements = new (std::nothrow) T[size]();
        if (elements == nullptr) {
            centralErrorHandler().report(
                Error(6, 101, 2, "OutOfMemory", "new memory could not be allocated", "method", ""));
            return;
        }
        n = size;
    }
    cArray(const cArray& other) : ManagedObject(), elements(nullptr), n(0), lo(other.lo) {
        if (other.n < 1) return;
        elements = new (std::nothrow) T[other.n];
        if (elements == nullptr) {
            centralErrorHandler().report(
                Error(6, 101, 2, "OutOfMemory", "new memory could not be allocated", "method", ""));
            return;
        }
        n = other.n;
        for (std::int32_t i = 0; i < n; ++i) elements[i] = other.elements[i];
    }
    cArray& operator=(const cArray&) = delete;
    ~cArray() override { delete[] elements; }

    // The element at index i; an index outside the range is reported and yields T() (for
    // identifiers the undefined object).
    T& operator[](std::int32_t i) {
        if (!inside(i)) {
            centralErrorHandler().report(err6::IllegalIndex);
            outside = T();
            return outside;
        }
        return elements[i - lo];
    }
    T operator[](std::int32_t i) const {
        if (!inside(i)) {
            centralErrorHandler().report(err6::IllegalIndex);
            return T();
        }
        return elements[i - lo];
    }

    std::int32_t size() const { return n; }
    std::int32_t low() const { return lo; }
    std::int32_t high() const { return static_cast<std::int32_t>(std::int64_t{lo} + n - 1); }

    // Element by element over the common length, the first difference deciding; a prefix
    // comes first.
    int compareTo(const cArray& other) const {
        std::int32_t common = n < other.n ? n : other.n;
        for (std::int32_t i = 0; i < common; ++i) {
            int c = compare(elements[i], other.elements[i]);
            if (c != 0) return c < 0 ? -1 : 1;
        }
        if (n != other.n) return n < other.n ? -1 : 1;
        return 0;
    }

  private:
    // Computed in 64 bits: i - low overflows 32 for indices far from a negative lower bound.
    bool inside(std::int32_t i) const {
        std::int64_t offset = std::int64_t{i} - lo;
        return offset >= 0 && offset < n;
    }

    T* elements;
    std::int32_t n;
    std::int32_t lo;
    T outside{};
};

template <class T>
int compare(const cArray<T>& a, const cArray<T>& b) {
    return a.compareTo(b);
}

// Sets of array pointers are ordered by the arrays, so two equal rows are one element.
template <class T>
int compare(cArray<T>* const& a, cArray<T>* const& b) {
    return a->compareTo(*b);
}
