// OM, the abstract object manager through which the system reaches the object base, and OMMeta.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "foundation/FLSysObject.h"
#include "foundation/set.h"
#include "objectbase/DumpFormatterFactory.h"
#include "objectbase/FSymbol.h"
#include "objectbase/FactWriter.h"
#include "objectbase/FreshChild.h"
#include "objectbase/FreshElement.h"
#include "objectbase/InternalName.h"
#include "objectbase/NameRemapListener.h"
#include "objectbase/ObjectFrameView.h"
#include "objectbase/ParamFrameView.h"
#include "objectbase/PredicateFrameView.h"
#include "objectbase/SetFrameView.h"
#include "objectbase/TermMaker.h"

class DeltaTable;
class DumpFormatter;
class FrameWalk;
struct FrameFilter;
class Iterator;
class RelationStore;
class SymTab;

// Conventions: lookups answer 1 (found) or 0 and write their result through an out-parameter;
// storing operations answer 1 for a new fact and 0 for one already present or refused (a refusal
// has been reported to the central error handler). Operations that hand out an iterator take the
// caller's previous one (or null) as `reuse` and hand it back re-targeted when it has the right
// class; otherwise they release it. Either way the caller gives `reuse` up with the call: the
// answer (a new iterator, `reuse` itself, or null when there is nothing to walk) is all it holds.
//
// Method types: 0 "->", 1 "->>", 2 "@->>", 3 "*->", 4 "*->>", 5 "@*->>", 6 "=>", 7 "=>>",
// 8 "@=>>". Relation kinds: 1 instance of (o : c), 2 subclass of (c :: d), 3 the child relation.
class OM : public FLSysObject {
  public:
    OM() = default;
    OM(const OM&) = delete;
    OM& operator=(const OM&) = delete;

    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override = 0;
    bool isOk() const override = 0;
    void display(OutputChannel& channel) const override = 0;
    bool isA(const std::string& className) const override = 0;

    // Remembers the access layer that drives this object manager (not owned) and returns it; the
    // manager reaches it only through the listener's remapName.
    virtual NameRemapListener* setOMAccess(NameRemapListener* access);
    // The access layer registered last; null when none.
    NameRemapListener* getOMAccess() const { return omAccess; }

    // Empties the object base: back to the state right after construction.
    virtual void clear() = 0;
    // Moves with every clear and every evaluation round, whichever evaluator runs it: whoever
    // remembers the base at a fixpoint (an evaluator that will start from the facts added
    // after it) sees from a changed stamp that something else may have changed it since.
    std::uint64_t changeStamp() const { return changes; }
    void noteRound() { ++changes; }
    // The number of facts stored new although their storing operation answered 0: while delta
    // recording is on, a fact that no delta predicate records does not count as a change of the
    // round, yet the base did not hold it before. Whoever must know whether an insert added a
    // fact (the access layer's insert trace) compares the number before and after the insert.
    std::uint64_t unreportedNewFacts() const { return unreported; }
    // Whether the base holds nothing but what construction or the last clear left: no frame and
    // no identifier handed out. Emptying such a base again loses nothing, and a run repeated on
    // it hands out the same identifiers in the same order.
    virtual bool pristine() const { return false; }
    // The text of a name: an integer's digits, else the text of the symbol bound to it (0 when
    // none is bound; `out` then stays as it was).
    virtual int giveName(const InternalName& name, std::string& out) = 0;
    // Appends the printed form of a name. quote: strings between double quotes with escapes.
    // style: 0 plain, 1 as a sub-term (paths in parentheses), 2 as the tail of a list.
    // 0 for names that have no printed form (set and parameter-frame names).
    virtual int giveLexicalForm(const InternalName& name, std::string& out, int quote = 0,
                                int style = 0) = 0;
    // Between keepForms(true) and keepForms(false) (they nest) nothing changes the base, and
    // the printed forms may take what they look up from what earlier forms found: a save or an
    // export writes each shared term and name many times.
    virtual void keepForms(bool /*keep*/) {}
    virtual int giveSymbol(const InternalName& name, FSymbol& out) = 0;
    virtual bool isPredicate(const InternalName& name) = 0;
    // arity >= 0: the predicate symbol of that text and arity; arity < 0: the object bound to the
    // function symbol of that text.
    virtual int lookupName(const std::string& text, InternalName& out, int arity) = 0;
    virtual int giveInternalName(const FSymbol& symbol, InternalName& out) = 0;
    // The hosts whose frame holds an entry of (type, argCount, method).
    virtual Iterator* methodHostsIterator(const InternalName& method, std::int16_t type,
                                          std::int16_t argCount, Iterator* reuse) = 0;
    // Two words that stay the same exactly while the stored values of (type, argCount, method)
    // cannot have changed, in this object base or any other; false when the base keeps no such
    // stamps.
    virtual bool methodValuesStamp(const InternalName& /*method*/, int /*type*/, int /*argCount*/,
                                   std::uint64_t& /*epoch*/, std::uint64_t& /*change*/) {
        return false;
    }
    // Kind 1: the instances of a class; 2: its direct subclasses; 3: its children.
    virtual Iterator* isaIterator(const InternalName& name, int kind, Iterator* reuse) = 0;
    // The object standing for the function term f(args), made on first use.
    virtual int getFunctionObject(const FSymbol& function, const InternalName* args, int argCount,
                                  InternalName& out) = 0;
    // A maker of the terms of the function symbol, for a caller that makes many of them: it
    // answers what getFunctionObject answers. This one looks the symbol up at every term.
    virtual std::unique_ptr<TermMaker> openTermMaker(const FSymbol& function);
    // A hint that getFunctionObject will soon be asked for about `rows` terms of the function,
    // most of them new: a store that can makes room for them once.
    virtual void expectFunctionObjects(const FSymbol& /*function*/, std::size_t /*rows*/) {}
    // The identifier of a symbol, made on first use (1 when made).
    virtual int getOrCreateName(const FSymbol& symbol, InternalName& out) = 0;
    // getOrCreateName(newSymbol(Function, 0)) of the symbol table: the identifier of a fresh
    // symbol "f0_<n>", as an import makes one for each element (1 when made).
    virtual int makeFreshObject(InternalName& out) = 0;
    // makeFreshObject for each of `count` places, in order: a run of sibling elements has its
    // objects made in one call.
    virtual void makeFreshObjects(InternalName* out, std::size_t count) = 0;
    // Binds a symbol and a name in both directions; always 1.
    virtual int registerName(const FSymbol& symbol, const InternalName& name) = 0;
    virtual int insertIsa(const InternalName& object, const InternalName& cls, int kind) = 0;
    // Stores every member of `values` as a value of a set-valued method or signature.
    virtual int insertSetMember(const InternalName& host, const InternalName& method,
                                const InternalName* args, int argCount, int type,
                                const set<InternalName>& values) = 0;
    // object : cls, host[method arrow object] and object's child relation to host, in that order,
    // for an object that an import has just made and whose classes and parents are none yet: the
    // three inserts, which a store may take in one step. Nonzero when any was new.
    virtual int insertFreshChild(const InternalName& object, const InternalName& cls,
                                 const InternalName& host, const InternalName& method, int type);
    // The facts of the element (see FreshElement), in their order, which a store may take in
    // one step. Nonzero when any was new.
    virtual int insertFreshElement(const FreshElement& element);
    // insertFreshChild for each of the children in turn, all of one host, method and type (the
    // leaf siblings of an element, as an import stores them): a store may find what they share
    // once for the run. Nonzero when any fact was new.
    virtual int insertFreshChildren(const InternalName& host, const InternalName& method, int type,
                                    std::span<const FreshChild> children);
    // Stores host[method@(args) arrow value] for any method type.
    virtual int insertMethodValue(const InternalName& host, const InternalName& method,
                                  const InternalName* args, int argCount, int type,
                                  const InternalName& value) = 0;
    // Takes host[method@(args) arrow value] out again (one member of a set); 1 when it was
    // stored. Inheritance withdraws the values it stored when an own value comes.
    virtual int removeMethodValue(const InternalName& /*host*/, const InternalName& /*method*/,
                                  const InternalName* /*args*/, int /*argCount*/, int /*type*/,
                                  const InternalName& /*value*/) {
        return 0;
    }
    // A writer of the relation's facts for a run of inserts (a rule head's pass); it must not
    // outlive the manager. This one keeps nothing and stores through the operations above.
    virtual std::unique_ptr<FactWriter> openWriter(const FactRelation& relation);
    // The value of the scalar path host.method@(args), made when missing (1 when made).
    virtual int getOrCreateScalarValue(const InternalName& host, const InternalName& method,
                                       const InternalName* args, int argCount, int type,
                                       InternalName& value) = 0;
    // A new object for a scalar path of `host` that is not stored yet, to be stored later by
    // storeReservedPath: an import that may be given up makes its objects as it goes, numbered as
    // always, and stores its facts only at its end.
    virtual InternalName reservePathObject(const InternalName& host) = 0;
    // Stores the scalar path host.method@(args) with the reserved object as its value, as
    // getOrCreateScalarValue would have made it (1 when stored, 0 when the path has a value).
    virtual int storeReservedPath(const InternalName& host, const InternalName& method,
                                  const InternalName* args, int argCount, int type,
                                  const InternalName& reserved) = 0;
    // The stored value of a scalar path, without making one (1 when found).
    virtual int lookupMethodValue(const InternalName& host, const InternalName& method,
                                  const InternalName* args, int argCount, int type,
                                  InternalName& value) = 0;
    // Stores a predicate tuple; a null tuple only declares the predicate.
    virtual int addPredicate(const InternalName& predicate, const InternalName* tuple,
                             int arity) = 0;
    // x : c (kind 1), x :: c (kind 2) or the child relation (kind 3), with the built-in classes.
    virtual int isaHolds(const InternalName& x, const InternalName& cls, int kind) = 0;
    // Records that two names denote one object (1 when a pair was recorded); applied later.
    virtual int equate(const InternalName& a, const InternalName& b, int force) = 0;
    // The symbol table, shared (reference-counted like every shell object): the manager holds
    // one reference and releases it when it goes; a parser or printer that keeps the table
    // takes its own (incRef) and releases it, so the table outlives the manager while it is used.
    virtual SymTab* giveSymTab() = 0;
    virtual void typeCheck() = 0;
    virtual int applyEqualities() = 0;
    virtual int applyEquality(InternalName& representative) = 0;
    // Forgets strings that no stored fact uses.
    virtual void cleanup() = 0;
    // A mark of the names made so far, and the forgetting of the strings and names made after
    // it that nothing stored holds: a query forgets what it made once its answers are printed,
    // so that a name it mentioned first is numbered, when a later program makes it, as if the
    // query had not been asked (where classes tie, the class numbered first gives the value).
    virtual std::int64_t nameMark() const { return 0; }
    virtual void forgetNamesMadeAfter(std::int64_t /*mark*/) {}
    virtual void eqTraceOn() = 0;
    virtual void eqTraceOff() = 0;
    virtual Iterator* objNamesIterator(Iterator* reuse) = 0;
    // The objects with frames that pass the filter, with their frames, in the order
    // objNamesIterator walks them, for a reader of many frames of a base that stays as it is
    // while the walk is kept.
    virtual FrameWalk walkFrames(const FrameFilter& filter) = 0;
    // The method entries of one object of one method type (1000: any).
    virtual Iterator* methodIterator(const InternalName& host, int type, Iterator* reuse) = 0;
    virtual void showValue(const InternalName& host, const InternalName& method, int type,
                           int argCount) = 0;
    // Writes an entry the caller read from its host's frame, as showValue writes it (a walk
    // over a frame's entries need not look each one up again).
    virtual void showEntry(const InternalName& method, const InternalName& value, int type) = 0;
    // Read-only views of the frames stored under a name, empty when there is none: an object's
    // entries and class-relation sets, a set's members, a predicate's rows (by its symbol's
    // name) and the rows of a method with arguments (by the name of its rows).
    virtual ObjectFrameView objectFrameOf(const InternalName& name) = 0;
    virtual SetFrameView setFrameOf(const InternalName& name) = 0;
    virtual PredicateFrameView predicateFrameOf(const InternalName& name) = 0;
    virtual ParamFrameView paramFrameOf(const InternalName& name) = 0;
    // The members of one set frame; null when there is none.
    virtual Iterator* setIterator(const InternalName& setName, Iterator* reuse) = 0;
    virtual Iterator* predNamesIterator(Iterator* reuse) = 0;
    virtual Iterator* paramNamesIterator(Iterator* reuse) = 0;
    virtual void mergeParamFrames(const InternalName& replaced, const InternalName& kept) = 0;
    virtual void mergeSetFrames(const InternalName& replaced, const InternalName& kept) = 0;
    virtual void mergeObjFrames(const InternalName& replaced, const InternalName& kept) = 0;
    // Starts recording every new fact into the delta predicates the table names (1 when on).
    virtual int initDelta(DeltaTable* table) = 0;
    virtual void clearDelta() = 0;
    virtual void showDelta() = 0;
    // 0 debug listing, 1 F-Logic, 2 XML.
    virtual void dump(int format) = 0;
    virtual void help() = 0;
    // An object frame (arity -1) or the predicate frame of that arity.
    virtual void showFrame(const std::string& text, int arity) = 0;
    virtual void showEquiv() = 0;
    // No predicate frame of that name, or an empty one.
    virtual bool isEmptyPredicate(const InternalName& name) = 0;
    // True when no fact of the class relation of that kind (1 member, 2 subclass, 3 child) is
    // stored: a closure over the kind then adds nothing. False when unknown.
    virtual bool holdsNoRelation(int /*kind*/) { return false; }
    // Every stored class membership as a row (object, class), in the order stored, for a reader
    // of them all; null when the base keeps none so. Rows are only appended between renames.
    virtual const RelationStore* storedMemberships() { return nullptr; }
    // Calls visit(representative, symbol) for every symbol an equality left known only to the
    // symbol table: the representative is printed under another name. None by default.
    virtual void forEachFurtherSymbol(
        const std::function<void(const InternalName&, const FSymbol&)>& /*visit*/) const {}
    // The local file holding a document object's text; the main-memory base has none (0).
    virtual int giveLocalFile(const InternalName& name, std::string& file) = 0;
    // The identifier of a symbol text, made on first use; kind 1 is refined by the first
    // character ("#" float, digit integer, double quote string).
    virtual InternalName& internName(InternalName& out, const std::string& text, int type) = 0;
    virtual DumpFormatter* setDumpTarget(DumpFormatter* target) = 0;

  protected:
    ~OM() override = default;
    // The answer of an iterator factory that has nothing to walk: `reuse` released, null.
    static Iterator* noIterator(Iterator* reuse);

    // Called by every clear.
    void noteCleared() { ++changes; }
    // What a storing operation answers for a fact it stored new, given the answer of the delta
    // recording: that answer, counted as unreported when it is 0.
    int answerForNewFact(int recorded) {
        if (recorded == 0) ++unreported;
        return recorded;
    }

    NameRemapListener* omAccess = nullptr;

  private:
    std::uint64_t changes = 0;
    std::uint64_t unreported = 0;
};

// The class object registered as "classOM": "new" without arguments makes an object manager
// over the main-memory store, which dumps through the formatters the class object was given.
class OMMeta : public XMeta {
  public:
    explicit OMMeta(DumpFormatterFactory formatters = {});
    ~OMMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    DumpFormatterFactory formatters;
};
