// Ref: an owning handle of one reference to a managed object (shell objects, operands, iterators,
// expressions, the parse-tree nodes translation builds).
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "foundation/ManagedObject.h"

// Holds one reference and releases it when it goes: ownership written in the type instead of
// paired incRef and decRef calls. adopt takes over a reference the caller already holds (a new
// object, an evaluation's result), share takes one of its own. release hands the reference on to
// a caller that takes it over, and renew lends it to a call of a lower layer that takes the old
// object and gives back another (the access layer's setIterator(name, old), which reuses or
// releases the old iterator). make builds a new object and holds its first reference. A handle of a
// derived class converts to one of its base when moved.
template <class T>
class Ref {
  public:
    Ref() = default;
    Ref(std::nullptr_t) {}
    template <class... Args>
    static Ref make(Args&&... args) {
        return adopt(new T(std::forward<Args>(args)...));
    }
    static Ref adopt(T* object) {
        Ref ref;
        ref.object = object;
        return ref;
    }
    static Ref share(T* object) {
        incRef(object);
        return adopt(object);
    }
    Ref(const Ref& other) : object(other.object) { incRef(object); }
    Ref(Ref&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    Ref(Ref<U>&& other) noexcept : object(other.release()) {}
    Ref& operator=(Ref other) noexcept {
        std::swap(object, other.object);
        return *this;
    }
    ~Ref() { decRef(object); }

    T* release() { return std::exchange(object, nullptr); }
    template <class Make>
    T* renew(Make make) {
        object = make(release());
        return object;
    }

    T* get() const { return object; }
    T* operator->() const { return object; }
    T& operator*() const { return *object; }
    explicit operator bool() const { return object != nullptr; }

  private:
    T* object = nullptr;
};
