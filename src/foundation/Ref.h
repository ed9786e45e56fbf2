// Ref: an owning handle of one reference to a managed object (shell objects, operands, iterators,
// expressions, parse-tree nodes), and the one rule for who releases what.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "foundation/ManagedObject.h"

// The rule every layer follows. What a call hands out carries one reference for the receiver,
// whatever it is (a new object, the caller itself, a shared constant, or a member the producer
// keeps), and the receiver releases it when done; an empty handle means there is nothing (a
// shell method call that failed). A producer says which case its result is in: `adopt` hands over
// the reference of an object just made (or of a result it was itself handed), `share` takes a new
// reference on anything that lives on. A bare pointer does not convert, so a result whose
// ownership is unstated cannot be written, and the handle releases its reference when it goes, so
// a forgotten release or a second one cannot be written either.
//
// What an object keeps: an object that keeps another past the call that handed it over (a
// constructor's argument, as a class object's "new" passes them, or a value given to a later
// call) holds it in a Ref of its own, taken with `share`, and lets it go with the handle (a
// replacement, or its own end). What it was given is lent: the shell variable that held an
// argument can be removed the next moment, and the object built from it must go on working. The
// one exception is a helper that an object makes for its own use and that does not outlive it
// (the dump formatter an object manager makes for a dump): it keeps a plain pointer back to its
// maker, since a counted one would keep both alive. Plain pointers otherwise only borrow, for the
// length of a call.
//
// `release` hands the reference on to a caller that takes it over, and `renew` lends it to a call
// of a lower layer that takes the old object and gives back another (the access layer's
// setIterator(name, old), which reuses or releases the old iterator). `make` builds a new object
// and holds its first reference. A handle of a derived class converts to one of its base when
// moved.
template <class T>
class Ref {
  public:
    Ref() = default;
    Ref(std::nullptr_t) {}  // NOLINT: an empty result reads as `return nullptr;`
    template <class... Args>
    static Ref make(Args&&... args) {
        return adopt(new T(std::forward<Args>(args)...));
    }
    // Takes over the one reference the caller holds on `object` (null allowed).
    static Ref adopt(T* object) {
        Ref ref;
        ref.object = object;
        return ref;
    }
    // Takes a new reference on `object` (null allowed), which its other holders keep.
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

    // Gives the reference up to the caller, who takes it over; the handle is left empty.
    [[nodiscard]] T* release() { return std::exchange(object, nullptr); }
    template <class Make>
    T* renew(Make make) {
        object = make(release());
        return object;
    }
    // Releases the reference now; the handle is left empty.
    void reset() { decRef(std::exchange(object, nullptr)); }
    // A second handle on the same object, with a reference of its own.
    Ref another() const { return share(object); }

    T* get() const { return object; }
    T* operator->() const { return object; }
    T& operator*() const { return *object; }
    explicit operator bool() const { return object != nullptr; }

    friend bool operator==(const Ref& ref, const T* other) { return ref.object == other; }
    friend bool operator==(const Ref& ref, const Ref& other) { return ref.object == other.object; }

  private:
    T* object = nullptr;
};
