// SignatureQueries: the signature questions of the export: which classes take part in
// signatures, the class an object is exported as, and a signature found through its classes.
#pragma once

#include <memory>
#include <unordered_map>
#include <vector>

#include "access/SignatureRows.h"
#include "foundation/set.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"

class Iterator;
class OMAccess;
class SignatureClasses;

// Asks through the access layer it serves (a back reference, not owned: the layer owns the
// queries), so that signatures are looked up as the layer's lookups find them.
class SignatureQueries {
  public:
    explicit SignatureQueries(OMAccess& access);
    SignatureQueries(const SignatureQueries&) = delete;
    SignatureQueries& operator=(const SignatureQueries&) = delete;
    ~SignatureQueries();

    // A class has signatures when it declares "=>" or "=>>" entries of its own; it is a result
    // (argument) type when a signature lookup with it in the result (an argument) position
    // answers.
    int hasSignatures(const InternalName& cls);
    int isResultType(const InternalName& cls);
    int isArgumentType(const InternalName& cls);
    // A new set of the classes of x (relation kind k, x itself left out) that take part in
    // signatures; the caller deletes it.
    std::unique_ptr<set<InternalName>> signatureClassesOf(const InternalName& x, int kind);
    // The same classes into `out`, in the set's order. While a walk is open, the classes above
    // objects with the same direct classes (kinds 1 and 2) are found once: an export asks for
    // every object, and the closure and its tests were a fifth of the F-Logic export's time.
    void signatureClassesOf(const InternalName& x, int kind, std::vector<InternalName>& out);
    // out := the most specific class of x that takes part in signatures, or the built-in class
    // object when none does.
    InternalName& typeClassOf(InternalName& out, const InternalName& x);
    // For the length of one walk over the whole base (an export, which asks the two above for
    // every object), the classes that take part in signatures are found once, in one walk over
    // the signatures, instead of once for each class asked about. The base must not change
    // while the walk is open. False, and nothing changes, when a walk is open already.
    bool openWalk();
    void closeWalk();
    // While a walk is open: the rows (columns from the first on) the walk's lookup of the
    // signature of `method` with argCount arguments and arrow `type` at `host` answered, when
    // the host declares that signature itself; null otherwise.
    const std::vector<InternalName>* walkRows(MethodType type, const InternalName& host,
                                              const InternalName& method, int argCount) const;
    // While a walk is open, the same lookup without its rows (see SignatureClasses): 1 when it
    // answers a row, with the result of the first in `result`, 0 when it answers none, -1 when
    // its rows must be looked up to tell.
    int walkFirstResult(MethodType type, const InternalName& host, const InternalName& method,
                        int argCount, InternalName& result);
    // While a walk is open, visits the results of the rows of the same lookup; false, and nothing
    // visited, when its rows must be looked up instead.
    bool walkResults(MethodType type, const InternalName& host, const InternalName& method,
                     int argCount, const SignatureRows::ResultVisit& visit);
    // While a walk is open, the classes the subclass iterator finds above a class, itself among
    // them, in its order; kept until the walk closes. Null when no walk is open.
    const std::vector<InternalName>* walkClassesAbove(const InternalName& cls);
    // While a walk is open: the objects with signatures of their own, in the order of the base's
    // names iterator; null otherwise.
    const std::vector<InternalName>* walkHosts() const;
    // The first signature of method with argCount arguments found at a class of x (selector 0
    // "=>", 1 "=>>", 2 "@=>>"); null when none.
    Iterator* lookupViaClasses(const InternalName& x, const InternalName& method, int argCount,
                               int selector);

    // Whether the class takes part in signatures: has some of its own, is a result or an
    // argument type.
    bool takesPart(const InternalName& cls);

  private:
    // The classes that take part in signatures among the given ones and every class above them,
    // in the set's order.
    std::vector<InternalName> takingPartAbove(const std::vector<InternalName>& direct);

    struct NamesHash {
        std::size_t operator()(const std::vector<InternalName>& names) const;
    };
    using AboveMemo =
        std::unordered_map<std::vector<InternalName>, std::vector<InternalName>, NamesHash>;

    OMAccess& access;
    // Set while a walk is open.
    std::unique_ptr<SignatureClasses> walkClasses;
    // While a walk is open: by relation kind (1, 2), the direct classes of objects and what
    // takingPartAbove answers for them.
    AboveMemo walkAbove[2];
    std::vector<InternalName> direct;
};
