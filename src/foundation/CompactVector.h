// CompactVector: a growable array one pointer wide, for records that hold many short lists most of
// which stay empty.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

// An empty list costs its pointer and no block. A list with elements keeps its size and capacity
// in front of them, in one block: a plan that holds thousands of operators, each with a dozen
// condition lists, pays for the conditions it has rather than three words for every list.
// The interface is the part of std::vector those records use; iterators are plain pointers and,
// as with std::vector, any growth invalidates them.
template <class T>
class CompactVector {
    static_assert(alignof(T) <= 8, "elements follow an 8-byte header");

  public:
    using value_type = T;
    using size_type = std::size_t;
    using iterator = T*;
    using const_iterator = const T*;
    using reference = T&;
    using const_reference = const T&;

    CompactVector() = default;
    CompactVector(std::initializer_list<T> values) { assignRange(values.begin(), values.end()); }
    explicit CompactVector(std::size_t count, const T& value = T()) { assign(count, value); }
    CompactVector(const std::vector<T>& values) { assignRange(values.begin(), values.end()); }
    CompactVector(const CompactVector& other) { assignRange(other.begin(), other.end()); }
    CompactVector(CompactVector&& other) noexcept : block(std::exchange(other.block, nullptr)) {}
    ~CompactVector() { release(); }

    CompactVector& operator=(const CompactVector& other) {
        if (this != &other) {
            CompactVector copy(other);
            swap(copy);
        }
        return *this;
    }
    CompactVector& operator=(CompactVector&& other) noexcept {
        if (this != &other) {
            release();
            block = std::exchange(other.block, nullptr);
        }
        return *this;
    }
    CompactVector& operator=(const std::vector<T>& values) {
        CompactVector copy(values);
        swap(copy);
        return *this;
    }

    void swap(CompactVector& other) noexcept { std::swap(block, other.block); }

    std::size_t size() const { return block == nullptr ? 0 : block->size; }
    std::size_t capacity() const { return block == nullptr ? 0 : block->capacity; }
    bool empty() const { return size() == 0; }

    T* data() { return block == nullptr ? nullptr : elements(block); }
    const T* data() const { return block == nullptr ? nullptr : elements(block); }
    T* begin() { return data(); }
    T* end() { return data() + size(); }
    const T* begin() const { return data(); }
    const T* end() const { return data() + size(); }

    T& operator[](std::size_t at) { return data()[at]; }
    const T& operator[](std::size_t at) const { return data()[at]; }
    T& front() { return data()[0]; }
    const T& front() const { return data()[0]; }
    T& back() { return data()[size() - 1]; }
    const T& back() const { return data()[size() - 1]; }

    void reserve(std::size_t wanted) {
        if (wanted > capacity()) regrow(wanted);
    }

    void push_back(const T& value) { emplace_back(value); }
    void push_back(T&& value) { emplace_back(std::move(value)); }
    template <class... Args>
    T& emplace_back(Args&&... args) {
        const std::size_t n = size();
        if (n == capacity()) {
            // The value may live in this list: make it before the elements move.
            T value(std::forward<Args>(args)...);
            regrow(grownCapacity(n + 1));
            T* at = ::new (static_cast<void*>(elements(block) + n)) T(std::move(value));
            ++block->size;
            return *at;
        }
        T* at = ::new (static_cast<void*>(elements(block) + n)) T(std::forward<Args>(args)...);
        ++block->size;
        return *at;
    }

    // Inserts before `at`; returns the new element's place.
    T* insert(const T* at, const T& value) {
        const std::size_t index = std::size_t(at - begin());
        T copy(value);
        emplace_back(std::move(copy));
        std::rotate(begin() + index, end() - 1, end());
        return begin() + index;
    }

    // Inserts the elements of [first, last), from another list, before `at`.
    template <class It>
    T* insert(const T* at, It first, It last) {
        const std::size_t index = std::size_t(at - begin());
        const std::size_t n = size();
        const auto count = std::size_t(std::distance(first, last));
        if (count == 0) return begin() + index;
        if (n + count > capacity()) regrow(grownCapacity(n + count));
        for (; first != last; ++first) emplace_back(*first);
        std::rotate(begin() + index, begin() + n, end());
        return begin() + index;
    }

    void pop_back() {
        std::destroy_at(&back());
        --block->size;
    }

    void clear() {
        if (block == nullptr) return;
        std::destroy(begin(), end());
        block->size = 0;
    }

    void resize(std::size_t count, const T& value = T()) {
        const std::size_t n = size();
        if (count < n) {
            std::destroy(begin() + count, end());
            block->size = std::uint32_t(count);
            return;
        }
        reserve(count);
        for (std::size_t k = n; k < count; ++k) emplace_back(value);
    }

    void assign(std::size_t count, const T& value) {
        clear();
        resize(count, value);
    }

    friend bool operator==(const CompactVector& a, const CompactVector& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

  private:
    struct alignas(8) Header {
        std::uint32_t size;
        std::uint32_t capacity;
    };

    static T* elements(Header* header) { return reinterpret_cast<T*>(header + 1); }
    static const T* elements(const Header* header) {
        return reinterpret_cast<const T*>(header + 1);
    }

    // Lists stay short: the first block fits what is asked, later ones double.
    std::size_t grownCapacity(std::size_t needed) const { return std::max(needed, capacity() * 2); }

    template <class It>
    void assignRange(It first, It last) {
        const auto count = std::size_t(std::distance(first, last));
        if (count == 0) return;
        regrow(count);
        for (; first != last; ++first) emplace_back(*first);
    }

    void regrow(std::size_t wanted) {
        void* raw = ::operator new(sizeof(Header) + wanted * sizeof(T));
        auto* fresh = ::new (raw) Header{0, std::uint32_t(wanted)};
        if (block != nullptr) {
            T* from = elements(block);
            std::uninitialized_move(from, from + block->size, elements(fresh));
            fresh->size = block->size;
            std::destroy(from, from + block->size);
            ::operator delete(static_cast<void*>(block));
        }
        block = fresh;
    }

    void release() {
        if (block == nullptr) return;
        std::destroy(begin(), end());
        ::operator delete(static_cast<void*>(block));
        block = nullptr;
    }

    Header* block = nullptr;
};
