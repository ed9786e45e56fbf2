// SignatureRows: the rows of a signature lookup whose class is bound and whose other cells are
// free, read from the frames instead of walked by the signature iterators.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

#include "foundation/Ref.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/Iterator.h"
#include "objectbase/MethodType.h"

class OMAccess;

// The rows come in the order, and with the cells, that EnhLeftSigIter gives for the pattern
// [class, method, free arguments, free result] when signature access is on: the signatures
// stored at the class and at every class above it, each argument standing for its declared
// type and the result running over every class above each declared result type. That iterator
// built an iterator for every class above the class, every column and every declared type, and
// made the classes above a type anew at every turn of its odometer: a lookup cost thousands of
// instructions, and an export looks up every signature of the base. Here the classes above a
// class are asked once and kept, so the base must stay as it is while an object of this class
// is used (an export's walk).
class SignatureRows {
  public:
    // Reads through `access`, which must stay as it is while this is used.
    explicit SignatureRows(OMAccess& access);

    // Appends the rows (argCount + 3 cells each, the first the class) to `out`. `ownValue`, when
    // given, is the value of the signature entry in the class's own frame, read by the caller.
    void append(MethodType type, const InternalName& cls, const InternalName& method, int argCount,
                std::vector<InternalName>& out, const InternalName* ownValue = nullptr);

    // The classes the subclass iterator finds above `cls` (itself among them when the
    // iterator answers it), in its order; asked once and kept.
    const std::vector<InternalName>& classesAbove(const InternalName& cls) { return above(cls); }

    // A function over the result classes of rows, handed on without making this a template;
    // it answers false to stop. The function must outlive it.
    class ResultVisit {
      public:
        template <class F>
        explicit ResultVisit(F& function)
            : context(const_cast<void*>(static_cast<const void*>(&function))),
              call([](void* f, const InternalName& result) {
                  return (*static_cast<F*>(f))(result);
              }) {}
        bool operator()(const InternalName& result) const { return call(context, result); }

      private:
        void* context;
        bool (*call)(void*, const InternalName&);
    };
    // Visits the result of each row append gives, in its order, without making the rows: a row
    // met again is visited again. Answers false when `visit` stopped the walk. The export asks
    // whether a lookup answers at all and for its first row, or whether some result is a
    // built-in class, for every class that declares a signature.
    bool visitResults(MethodType type, const InternalName& cls, const InternalName& method,
                      int argCount, const ResultVisit& visit,
                      const InternalName* ownValue = nullptr);

  private:
    // A class met before is found inline by its number: a lookup asks for the classes above
    // its class and each of its types.
    const std::vector<InternalName>& above(const InternalName& cls) {
        if (numbered(cls)) {
            const std::size_t number = std::size_t(cls.getValue());
            if (number < aboveAtNumber.size() && aboveAtNumber[number] != nullptr)
                return *aboveAtNumber[number];
        }
        return aboveFound(cls);
    }
    const std::vector<InternalName>& aboveFound(const InternalName& cls);
    // Appends the rows of one stored signature: declared argument types and result.
    void appendStored(const InternalName& cls, const InternalName& method,
                      const InternalName* arguments, int argCount, const InternalName& result,
                      std::vector<InternalName>& out);
    // Walks the signatures the classes above `cls` store for the method (the class's own value
    // given as `ownValue` when it is not stored yet): `stored(arguments, result)` for each, with
    // the row's argument types, none for a method without arguments; stops when it answers
    // false, and answers whether it ran to the end.
    template <class Stored>
    bool forEachStored(MethodType type, const InternalName& cls, const InternalName& method,
                       int argCount, const InternalName* ownValue, Stored stored);
    // visitResults for one stored signature; false when `visit` stopped.
    bool visitStored(const InternalName* arguments, int argCount, const InternalName& result,
                     const ResultVisit& visit);
    // Appends the row [cls, method, arguments, result] unless this lookup has answered it.
    void appendRow(const InternalName& cls, const InternalName& method,
                   const InternalName* arguments, int argCount, const InternalName& result,
                   std::vector<InternalName>& out);

    OMAccess& access;
    // A class's list in aboveLists: by number for the objects numbered
    // densely (nearly every class), hashed for the others. An export asks for the classes
    // above the class and the result types of every signature lookup.
    std::vector<const std::vector<InternalName>*> aboveAtNumber;
    FlatNameMap<InternalName, std::uint32_t> aboveAt;
    static bool numbered(const InternalName& name) {
        return name.getType() == InternalName::Object && name.getArity() == 0 &&
               name.getValue() >= 0 && name.getValue() < (1 << 24);
    }
    // Kept in a deque: a list stays where it is while later ones are added.
    std::deque<std::vector<InternalName>> aboveLists;
    // The rows the current lookup has answered, by the place of their first cell in `out` plus
    // one (0: a free slot), hashed in place: a lookup answers each row once.
    std::vector<std::uint32_t> answered;
    // The slots of `answered` taken by the current lookup.
    std::vector<std::size_t> touched;
    bool seen(const std::vector<InternalName>& out, std::size_t at);
    // The lookup in which each result type without arguments was last met, by number.
    FlatNameMap<InternalName, std::uint32_t> expandedIn;
    std::uint32_t lookupNumber = 0;
    std::size_t width = 0;
    // The walk over the classes above a class, renewed for each class.
    Ref<Iterator> classWalk;
};
