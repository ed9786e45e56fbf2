// SignatureClasses: the classes that take part in signatures, found with one walk over the
// signatures of the object base.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "access/SignatureKey.h"
#include "access/SignatureRows.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/InternalName.h"
#include "objectbase/MethodType.h"

class ObjectFrameView;
class OMAccess;

// A class takes part when it declares "=>" or "=>>" entries of its own, when a signature lookup
// with it in the result position answers ("=>", "=>>" or "@=>>"), or when one with it in an
// argument position of a "=>" signature does. Asked class by class, each question walked every
// object of the base for its signatures; an export asked it for the classes of every object,
// which made the F-Logic export of 8,000 objects take 17 s. Here the signatures are gathered in
// one walk over their hosts. The classes the lookups of all of them name with their result and
// arguments free take part; they are read from the stored signatures, since a lookup answers the
// signatures stored at its class and at the classes above it, each gathered too. A class no row
// names is asked the question itself, over the gathered signatures only, once: a lookup with a
// bound class may answer where the free one names no row. The named classes are found at the
// first question the hosts of the signatures do not answer: an export mostly asks about classes
// that declare signatures of their own, and then needs none of them. The rows of a lookup are
// read (by SignatureRows) when an export asks for them.
class SignatureClasses {
  public:
    // Walks the signatures through `access`, which must stay as it is while this is asked.
    explicit SignatureClasses(OMAccess& access);

    bool takesPart(const InternalName& cls);
    // The objects with signatures of their own ("=>", "=>>" or "@=>>" entries), in the order
    // of the base's names iterator.
    const std::vector<InternalName>& hosts() {
        gatherAll();
        return signatureHosts;
    }
    // The rows (columns from the first on) the lookup of a gathered signature answers; null for
    // a signature the walk did not gather. Found at each asking (the export keeps what it
    // asked), they stay where they are while this lives.
    const std::vector<InternalName>* rowsOf(MethodType type, const InternalName& host,
                                            const InternalName& method, int argCount);

    // The same lookup without making its rows (signature access on, the host declaring the
    // signature itself): 1 when it answers a row, with the result of its first row in `result`,
    // 0 when it answers none, -1 when the rows must be made to tell.
    int firstResultOf(MethodType type, const InternalName& host, const InternalName& method,
                      int argCount, InternalName& result);
    // Visits the results of the rows of the same lookup (see SignatureRows::visitResults), a
    // result met again maybe not again; false, and nothing visited, when the rows must be made
    // instead.
    bool visitResultsOf(MethodType type, const InternalName& host, const InternalName& method,
                        int argCount, const SignatureRows::ResultVisit& visit);

    // The classes above a class as the subclass iterator finds them (see
    // SignatureRows::classesAbove), kept while this lives.
    const std::vector<InternalName>& classesAbove(const InternalName& cls) {
        return rows.classesAbove(cls);
    }

  private:
    using Signature = SignatureKey;
    // The place in `signatures` of the signature entry the host stores for the key; none when
    // it stores none.
    static constexpr std::size_t none = ~std::size_t(0);
    std::size_t signatureAt(MethodType type, const InternalName& host, const InternalName& method,
                            int argCount);
    // The signatures of a host are read from its frame when first asked, or by the walk over
    // every host of signatures (gatherAll), which only the questions about classes without
    // signatures of their own need: an export mostly asks about classes that declare their own.
    // A host's place: its first signature's place in `signatures` plus one, readNone when it has
    // none, 0 when not read yet.
    static constexpr std::uint32_t readNone = ~std::uint32_t(0);
    std::uint32_t placeOf(const InternalName& host) const;
    // The same, the host read first when it was not.
    std::uint32_t readPlace(const InternalName& host);
    std::uint32_t readHost(const InternalName& host, ObjectFrameView frame);
    void gatherAll();
    bool gathered = false;
    // What the lookup of a gathered signature answers as results, found once: no row, rows of
    // one result, or rows of several.
    struct Results {
        enum Kind : std::uint8_t { Unknown, None, One, Several };
        Kind kind = Unknown;
        InternalName first;
    };
    // By the place in `signatures`, while signature access is on; null otherwise.
    const Results* resultsAt(std::size_t at);
    // Adds the classes the rows of the gathered signatures name.
    void addNamedClasses();
    // Adds the class, or the members of a set of classes.
    void add(const InternalName& cell);
    // Whether a lookup of some signature with the class as its result, or as an argument of a
    // "=>" signature, answers.
    bool boundLookupAnswers(const InternalName& cls);

    OMAccess& access;
    std::vector<InternalName> signatureHosts;
    std::vector<Signature> signatures;
    // The value of each signature entry, by its place in `signatures`, where the entries of a
    // host stand together: the place of a host's first (plus one) by host.
    std::vector<InternalName> signatureValues;
    // By number for the objects numbered densely (nearly every host), hashed for the others.
    std::vector<std::uint32_t> firstSignatureAt;
    FlatNameMap<InternalName, std::uint32_t> firstSignatureOf;
    std::vector<Results> results;
    // true: takes part; false: asked and found to take no part.
    FlatNameMap<InternalName, bool> known;
    bool namedClassesAdded = false;
    // What the lookups answered; a deque keeps each list in place while more are added.
    std::deque<std::vector<InternalName>> lookedUp;
    SignatureRows rows;
};
