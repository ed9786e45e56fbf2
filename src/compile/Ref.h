// Ref: an owning handle of one reference to a managed object of the rule algebra.
#pragma once

#include <utility>

#include "foundation/ManagedObject.h"

// Holds one reference and releases it when it goes: ownership written in the type instead of
// paired incRef and decRef calls. adopt takes over a reference the caller already holds (a new
// object, an evaluation's result), share takes one of its own. release hands the reference on to
// a caller that takes it over, and renew lends it to a call that takes the old object and gives
// back another (an iterator re-targeted by makeIterator(old), which reuses or releases the old
// one).
template <class T>
class Ref {
  public:
    Ref() = default;
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
