// MainMemOM, the object manager holding the whole object base in main memory, and MethodSig.
#pragma once

#include <algorithm>
#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "foundation/clib_dictionary.h"
#include "foundation/set.h"
#include "objectbase/DeltaRecorder.h"
#include "objectbase/DumpFormatterFactory.h"
#include "objectbase/DumpWriter.h"
#include "objectbase/EqualityLog.h"
#include "objectbase/FSymbol.h"
#include "objectbase/FlatNameMap.h"
#include "objectbase/FrameRegistry.h"
#include "objectbase/FunctionTableHandle.h"
#include "objectbase/HostSetCache.h"
#include "objectbase/InternalName.h"
#include "objectbase/MainMemFrames.h"
#include "objectbase/MemberSet.h"
#include "objectbase/MethodValueStamps.h"
#include "objectbase/NumberedNameMap.h"
#include "objectbase/OM.h"
#include "objectbase/PrintedForms.h"
#include "objectbase/StringCleanup.h"
#include "objectbase/UsageIndex.h"
#include "objectbase/UsageSet.h"

class FrameManager;
class NameHandler;

// A (method type, argument count) pair under which some method is stored somewhere.
struct MethodSig {
    std::int32_t methodType = 0;
    std::int32_t argCount = 0;

    MethodSig() = default;
    MethodSig(int type, int args) : methodType(type), argCount(args) {}
    bool operator==(const MethodSig&) const = default;
};

// By method type, then argument count.
int compare(const MethodSig& a, const MethodSig& b);

// Facts live in frames owned by the FrameManager: one object frame per object (its method
// entries and the set names of its class relations), one set frame per set-valued entry, one
// parameter frame per method entry with arguments or function symbol, one predicate frame per
// predicate. Beside them the manager keeps indexes in the directions the evaluator asks for:
// method -> hosts, class -> members, name -> the hosts whose entries hold it.
//
// Where a method value lives, for the entry {type t, n arguments, method m} of a host:
//   scalar (0, 3), n = 0: the value itself;
//   set-valued or signature, n = 0: a set name whose set frame holds the members;
//   n > 0: a parameter-frame name whose rows are (a1, ..., an, value or set name).
// Objects made here carry their origin in the flag: 0 named by a symbol, n + 1 a function term
// of n arguments, -1 the value of a missing scalar path (its host is kept in pathHosts).
class MainMemOM : public OM {
  public:
    // The hosts that hold one name (see UsageIndex).
    using UsageSet = ::UsageSet;

    MainMemOM();

    // Shell protocol.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    bool isOk() const override { return isOkFlag != 0; }
    void display(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Names and symbols.
    void clear() override;
    bool pristine() const override;
    int giveName(const InternalName& name, std::string& out) override;
    int giveLexicalForm(const InternalName& name, std::string& out, int quote = 0,
                        int style = 0) override {
        return forms.write(name, out, quote, style);
    }
    int giveSymbol(const InternalName& name, FSymbol& out) override;
    bool isPredicate(const InternalName& name) override;
    int lookupName(const std::string& text, InternalName& out, int arity) override;
    int giveInternalName(const FSymbol& symbol, InternalName& out) override;
    Iterator* methodHostsIterator(const InternalName& method, std::int16_t type,
                                  std::int16_t argCount, Iterator* reuse) override;
    bool methodValuesStamp(const InternalName& method, int type, int argCount, std::uint64_t& epoch,
                           std::uint64_t& change) override {
        methodStamps.stamp(MethodKey(type, argCount, method), epoch, change);
        return true;
    }
    Iterator* isaIterator(const InternalName& name, int kind, Iterator* reuse) override;
    int getFunctionObject(const FSymbol& function, const InternalName* args, int argCount,
                          InternalName& out) override;
    std::unique_ptr<TermMaker> openTermMaker(const FSymbol& function) override;
    // getFunctionObject through the table the handle keeps: a caller that asks for many terms
    // of one symbol resolves the symbol once, not per term (what the term maker keeps).
    int getFunctionObject(FunctionTableHandle& table, const InternalName* args, int argCount,
                          InternalName& out);
    // A hint that getFunctionObject will soon be asked for the term: its row is loaded.
    void prefetchFunctionObject(const FSymbol& function, const InternalName* args, int argCount);
    void prefetchFunctionObject(FunctionTableHandle& table, const InternalName* args, int argCount);
    void expectFunctionObjects(const FSymbol& function, std::size_t rows) override;
    int getOrCreateName(const FSymbol& symbol, InternalName& out) override;
    int makeFreshObject(InternalName& out) override;
    void makeFreshObjects(InternalName* out, std::size_t count) override;
    int registerName(const FSymbol& symbol, const InternalName& name) override;

    // Facts.
    int insertIsa(const InternalName& object, const InternalName& cls, int kind) override;
    int insertFreshChild(const InternalName& object, const InternalName& cls,
                         const InternalName& host, const InternalName& method, int type) override;
    int insertFreshChildren(const InternalName& host, const InternalName& method, int type,
                            std::span<const FreshChild> children) override;
    int insertFreshElement(const FreshElement& element) override;
    int insertSetMember(const InternalName& host, const InternalName& method,
                        const InternalName* args, int argCount, int type,
                        const set<InternalName>& values) override;
    int insertMethodValue(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int type,
                          const InternalName& value) override;
    // The usage index keeps the host for the value: a superset, which renaming reads only.
    int removeMethodValue(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int type,
                          const InternalName& value) override;
    // Writers that keep the frames they find: predicates, members of set-valued methods
    // without arguments, class relations.
    std::unique_ptr<FactWriter> openWriter(const FactRelation& relation) override;
    int getOrCreateScalarValue(const InternalName& host, const InternalName& method,
                               const InternalName* args, int argCount, int type,
                               InternalName& value) override;
    InternalName reservePathObject(const InternalName& host) override {
        return newPathObject(host);
    }
    int storeReservedPath(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int type,
                          const InternalName& reserved) override;
    int lookupMethodValue(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, int type,
                          InternalName& value) override;
    int addPredicate(const InternalName& predicate, const InternalName* tuple, int arity) override;
    int isaHolds(const InternalName& x, const InternalName& cls, int kind) override;
    int equate(const InternalName& a, const InternalName& b, int force) override;
    SymTab* giveSymTab() override { return symTab.get(); }
    void typeCheck() override;
    int applyEqualities() override;
    int applyEquality(InternalName& representative) override;
    void cleanup() override;
    std::int64_t nameMark() const override;
    void forgetNamesMadeAfter(std::int64_t mark) override;
    void eqTraceOn() override { eqTrace = 1; }
    void eqTraceOff() override { eqTrace = 0; }

    // Frames and iterators.
    Iterator* objNamesIterator(Iterator* reuse) override;
    // Whether a walk that reads ahead plans what its objects lead to (see FrameWalk) or takes
    // no hints, the general road the plan must agree with.
    enum class WalkPlan : std::uint8_t { Ahead, None };
    void useWalkPlan(WalkPlan plan) { walkPlan = plan; }
    FrameWalk walkFrames(const FrameFilter& filter) override;
    Iterator* methodIterator(const InternalName& host, int type, Iterator* reuse) override;
    void showValue(const InternalName& host, const InternalName& method, int type,
                   int argCount) override {
        writer.showValue(host, method, type, argCount);
    }
    void showEntry(const InternalName& method, const InternalName& value, int type) override;
    ObjectFrameView objectFrameOf(const InternalName& name) override {
        return ObjectFrameView(getObjFrame(name));
    }
    SetFrameView setFrameOf(const InternalName& name) override {
        return SetFrameView(getSetFrame(name));
    }
    PredicateFrameView predicateFrameOf(const InternalName& name) override {
        return PredicateFrameView(getPredFrame(name));
    }
    ParamFrameView paramFrameOf(const InternalName& name) override {
        return ParamFrameView(getParamFrame(name));
    }
    // The frames themselves, for the object base's own parts and its tests.
    MainMemObjFrame* getObjFrame(const InternalName& name);
    MainMemSetFrame* getSetFrame(const InternalName& name);
    MainMemPredFrame* getPredFrame(const InternalName& name);
    MainMemParamFrame* getParamFrame(const InternalName& name);
    Iterator* setIterator(const InternalName& setName, Iterator* reuse) override;
    Iterator* predNamesIterator(Iterator* reuse) override;
    Iterator* paramNamesIterator(Iterator* reuse) override;
    void mergeParamFrames(const InternalName& replaced, const InternalName& kept) override;
    void mergeSetFrames(const InternalName& replaced, const InternalName& kept) override;
    void mergeObjFrames(const InternalName& replaced, const InternalName& kept) override;

    // Delta recording.
    int initDelta(DeltaTable* table) override;
    void clearDelta() override;
    void showDelta() override;

    // Output and shell commands.
    void dump(int format) override { writer.dump(format); }
    void help() override;
    void showFrame(const std::string& text, int arity) override;
    void showEquiv() override;
    bool isEmptyPredicate(const InternalName& name) override;
    bool holdsNoRelation(int kind) override;
    const RelationStore* storedMemberships() override { return &memberRows.store(); }
    int giveLocalFile(const InternalName& name, std::string& file) override;
    InternalName& internName(InternalName& out, const std::string& text, int type) override;
    DumpFormatter* setDumpTarget(DumpFormatter* target) override {
        return writer.setTarget(target);
    }

    // Binds the built-in symbols (nil, the nine arrows, self, root) to their fixed objects.
    virtual void registerBuiltinObjects();
    virtual Iterator* setNamesIterator(Iterator* reuse);
    // Chooses the representative of a and b and enters the pair into the equality log; false
    // when nothing was recorded.
    virtual bool recordEquality(const InternalName& a, const InternalName& b, int force,
                                InternalName& replaced, InternalName& representative);
    // A registered set frame with a fresh set name (kind 10, flag 1), or null.
    virtual MainMemSetFrame* newSetName(InternalName& name);
    // A registered object frame for the name, or null.
    virtual MainMemObjFrame* createObjFrame(const InternalName& name);
    // A registered parameter frame with a fresh name (kind 9, flag = arity), or null after
    // reporting NoParamFrame.
    virtual MainMemParamFrame* createParamFrame(int arity, InternalName& name);
    // A registered, empty predicate frame of that arity, or null after reporting NoPredFrame.
    MainMemPredFrame* createPredFrame(const InternalName& predicate, int arity);
    // Makes the entry {type, argCount, method} of a frame that has none, holding `value`.
    virtual int storeMethodValue(MainMemObjFrame* frame, const InternalName& method,
                                 const InternalName* args, int argCount, int type,
                                 const InternalName& value);
    // `value` joins the set that one of the class-relation tables keeps under `key`.
    virtual void addToRelationMap(FrameRegistry<MemberSet>& table, const InternalName& value,
                                  const InternalName& key);
    virtual void indexMethod(const InternalName& host, const InternalName& method, int argCount,
                             int type);
    virtual void addRelations(const InternalName& host, const set<InternalName>& names);
    // The set frame holding host[method ->> ...] (type 1, or another set-valued type) without
    // arguments, or null while there is none: kept in `sets`, or found and kept there.
    MainMemSetFrame* methodSetFrame(const InternalName& host, const InternalName& method, int type,
                                    HostSetCache& sets) {
        if (MainMemSetFrame* kept = sets.find(host, method, type, layoutStamp)) return kept;
        return lookUpMethodSetFrame(host, method, type, sets);
    }
    // The long way of methodSetFrame, through the host's object frame.
    MainMemSetFrame* lookUpMethodSetFrame(const InternalName& host, const InternalName& method,
                                          int type, HostSetCache& sets);
    // Stores a value into the set frame that holds the host's values (found by the caller):
    // indexes and records it when it is new; 1 then, 0 when it was a member already.
    // insertSetMember without noting which method changed.
    int storeSetMembers(const InternalName& host, const InternalName& method,
                        const InternalName* args, int argCount, int type,
                        const set<InternalName>& values);
    int storeSetMember(MainMemSetFrame* members, const InternalName& host,
                       const InternalName& method, const InternalName* args, int argCount, int type,
                       const InternalName& value);
    // The rest of storeSetMember for a value the set has just taken: indexes and records it; 1,
    // or the recording's answer. A head's rows are mostly members already, which need no more
    // than the set's insert.
    int noteNewSetMember(const InternalName& host, const InternalName& method,
                         const InternalName* args, int argCount, int type,
                         const InternalName& value);
    // The set frame of the object's classes of a class-relation kind (1, 2, 3), or null while
    // it has none: kept in `classSets`, or found through the object's frame and kept there.
    MainMemSetFrame* classSetOf(const InternalName& object, int kind) {
        if (MainMemSetFrame* kept =
                classSets.find(object, InternalName::UndefinedObject, kind, layoutStamp))
            return kept;
        return lookUpClassSet(object, kind);
    }
    // The long way of classSetOf, through the object's frame.
    MainMemSetFrame* lookUpClassSet(const InternalName& object, int kind);
    // The object frame of an object an import has just made, made now or found without classes
    // and parents (its children's values made it); null for any other object, or when no frame
    // can be had.
    MainMemObjFrame* freshObjFrame(const InternalName& object);
    // insertFreshChild's three facts for the object of this frame, which has no classes and no
    // parents, and a set-valued type.
    int linkFreshChild(MainMemObjFrame* frame, const InternalName& object, const InternalName& cls,
                       const InternalName& host, const InternalName& method, int type);
    // insertMethodValue once the host's frame is found: made now (and so without entries) or
    // found.
    int storeValueOf(MainMemObjFrame* frame, bool made, const InternalName& host,
                     const InternalName& method, const InternalName* args, int argCount, int type,
                     const InternalName& value);
    // A membership of the kind (1, 2, 3) that the object's set has just taken joins the
    // relation's other tables and is recorded; the answer of insertIsa.
    int noteRelation(const InternalName& object, const InternalName& cls, int kind);
    // insertIsa for an object whose set of classes of the kind the caller found.
    int storeIsa(MainMemSetFrame* classes, const InternalName& object, const InternalName& cls,
                 int kind);
    // Frames may have been dropped, merged or renamed: what callers keep of the old layout
    // (HostSetCache) no longer holds.
    void framesMoved() { layoutStamp = ++layoutStamps; }
    // The table of the handle's symbol under the present layout, resolved again when the handle
    // was filled under another; made (for `argCount` arguments) when the symbol has none and
    // `make` holds. Null when there is none, or it could not be made.
    MainMemParamFrame* functionTable(FunctionTableHandle& table, int argCount, bool make);
    // `host` joins the usage set of `name` (at once, or in the log replayed when first read).
    virtual void addRelation(const InternalName& host, const InternalName& name);
    // Adds every member to the set frame and records the value row of each new one; the result
    // of the last recording.
    virtual int addSetMembersLogged(const set<InternalName>& values, MainMemSetFrame* setFrame,
                                    const InternalName& host, const InternalName& method,
                                    const InternalName* args, int argCount, int type);
    // 1 when at least one member was new.
    virtual int addSetMembers(const set<InternalName>& values, MainMemSetFrame* setFrame);
    // Between keepForms(true) and keepForms(false) the printed forms are made once (see
    // PrintedForms).
    void keepForms(bool keep) override { forms.keep(keep); }
    // The whole base into a file (replaced) in a format (1 F-Logic, 2 XML); docTypeName names
    // the XML document type.
    void saveAs(int format, const std::string& fileName, const std::string& docTypeName) {
        writer.saveAs(format, fileName, docTypeName);
    }
    // What writes the base out, frame by frame or whole.
    DumpWriter& dumpWriter() { return writer; }
    DumpFormatter* getDumpTarget() const { return writer.target(); }
    // The makers of the formatters dumps write through, handed in by whoever builds the object
    // base. Without a maker for a format a dump in it writes nothing.
    void useDumpFormatters(const DumpFormatterFactory& table) { writer.useFormatters(table); }

    // "Undefined MethodArg" for a shell command given arguments it does not take.
    virtual void reportUndefinedMethodArg(const std::string& command);

    // Collapses the subclass cycles that x = y closes; the OR of the equalities it made.
    virtual int propagateEquality(const InternalName& x, const InternalName& y);
    // The transitive superclasses of x (subclasses of y) into `out`; x itself only on a cycle.
    virtual void collectSuperclasses(const InternalName& x, set<InternalName>& out);
    virtual void collectSubclasses(const InternalName& y, set<InternalName>& out);
    // Replaces `replaced` by `representative` in every table and frame of the object base.
    virtual void rewriteAll(const InternalName& replaced, const InternalName& representative);
    // The usage sets of every name stored in `value` (and in the set or parameter frame it names)
    // name `representative` instead of `replaced` as holder.
    virtual void rewriteReferences(const InternalName& replaced, const InternalName& representative,
                                   const InternalName& value);

    // Read access for callers and tests that check the indexes.
    const UsageSet* usageOf(const InternalName& name);
    const set<MethodSig>* signaturesOf(const InternalName& method);
    bool isPendingEquality(const InternalName& replaced, InternalName& representative);
    int pendingEqualityCount() { return equalities.pendingCount(); }
    bool pathHostOf(const InternalName& object, InternalName& host);
    const auto& methodHostTable() const { return methodsTable; }
    const auto& signatureTable() const { return methodSignatures; }
    // Calls visit(name, its usage set) for every name of the usage index.
    template <class Visit>
    void forEachUsage(Visit visit) {
        for (const auto& [name, holders] : usages()) visit(name, holders);
    }
    // The inverse table of relation kind 1, 2 or 3.
    const FrameRegistry<MemberSet>& relationMembers(int kind) {
        if (kind == 1) indexInstances();
        return kind == 1   ? classToObjTable
               : kind == 2 ? superClassToClassTable
                           : parentToChildTable;
    }
    const auto& symbolBindings() const { return symbolToName; }
    const auto& furtherSymbols() const { return nameToSymbols; }
    void forEachFurtherSymbol(
        const std::function<void(const InternalName&, const FSymbol&)>& visit) const override;
    const clib_dictionary<InternalName, InternalName>& pathHostTable() const { return pathHosts; }
    const clib_dictionary<InternalName, InternalName>& appliedEqualityTable() const {
        return equalities.appliedPairs();
    }
    const clib_dictionary<InternalName, InternalName>& equalityHistoryTable() const {
        return equalities.history();
    }

  protected:
    ~MainMemOM() override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<MainMemOM>& shellCommands();

    friend class MainMemPredicateWriter;
    friend class MainMemSetMemberWriter;
    friend class MainMemClassRelationWriter;
    friend class PrintedForms;
    // One flat set per key: the hosts of a method or the members of a class are walked in
    // ascending order, and a search tree per set cost a node per member.
    using NameSetTable = FrameRegistry<MemberSet>;
    using NameMap = clib_dictionary<InternalName, InternalName>;

    // What newSetName does, without its dispatch; inline in the file that stores facts.
    MainMemSetFrame* makeSetFrame(InternalName& name);
    // The object frame of a name, made when missing (null when none can be made); `made` tells
    // whether it was made now, so that it holds nothing yet.
    MainMemObjFrame* objFrameFor(const InternalName& name, bool& made);
    MainMemObjFrame* objFrameFor(const InternalName& name) {
        bool made = false;
        return objFrameFor(name, made);
    }
    // The inverse table of a class-relation kind (1, 2, 3), complete; null for any other kind.
    NameSetTable* relationTable(int kind);
    // Puts the memberships stored since the inverse table of memberships was last read into it.
    // A stoppable indexing (a walk a query or a rule asked for) gives up at Ctrl-C or a farewell
    // and answers false; what it indexed stays, and the next call goes on from there.
    bool indexInstances(bool stoppable = false);
    // What the scalar entry host.method@(args) holds: Found (value set), NoRow (an argument
    // frame without a row for these arguments; rows set), NoEntry, or Unusable.
    enum class ScalarLookup { NoEntry, NoRow, Found, Unusable };
    ScalarLookup findScalarValue(MainMemObjFrame* frame, const InternalName& method,
                                 const InternalName* args, int argCount, int type,
                                 InternalName& value, MainMemParamFrame*& rows);
    // `host` joins the usage sets of every argument and of the value.
    void indexValue(const InternalName& host, const InternalName* args, int argCount,
                    const InternalName& value);
    // The same for a value just stored in an entry or set of the host, except that a value of a
    // method without arguments is left to the entry until the index is built.
    void indexStoredValue(const InternalName& host, const InternalName* args, int argCount,
                          const InternalName& value);
    // A new object made for a missing scalar value of `host`.
    InternalName newPathObject(const InternalName& host);
    // getOrCreateScalarValue, the missing value being the reserved object when one is given.
    int scalarValue(const InternalName& host, const InternalName& method, const InternalName* args,
                    int argCount, int type, InternalName& value, const InternalName* reserved);
    // Makes the entry of a set-valued method with an empty set (under a new parameter-frame row
    // when there are arguments); the set frame, or null.
    MainMemSetFrame* createSetEntry(MainMemObjFrame* frame, const InternalName& method,
                                    const InternalName* args, int argCount, int type);

    // The delta recorder's answers for a fact the base has just stored new: an answer 0 counts
    // as an unreported new fact (see DeltaRecorder).
    int recordObject(const InternalName& object) {
        return answerForNewFact(deltas.recordObject(object));
    }
    int recordIsa(const InternalName& object, const InternalName& cls, int kind) {
        return answerForNewFact(deltas.recordIsa(object, cls, kind));
    }
    int recordValue(int type, const InternalName& method, const InternalName& host,
                    const InternalName* args, int argCount, const InternalName& value) {
        return answerForNewFact(deltas.recordValue(type, method, host, args, argCount, value));
    }
    // recordValue for a value the first of its host, method and arguments, stored just now: no
    // row of it can be in the delta yet, so the row is appended without the probe that looks
    // for it (a consult of set-valued facts paid that probe once per host).
    int recordNewValue(int type, const InternalName& method, const InternalName& host,
                       const InternalName* args, int argCount, const InternalName& value) {
        return answerForNewFact(
            deltas.recordValue(type, method, host, args, argCount, value, true));
    }
    // `frame` is the predicate's frame, which has just stored the tuple.
    int recordPredicate(const InternalName& predicate, const MainMemPredFrame* frame,
                        const InternalName* tuple, int arity) {
        return answerForNewFact(deltas.recordPredicate(predicate, frame, tuple, arity));
    }
    // recordPredicate for `count` tuples lying one after the other, the delta looked up once.
    int recordPredicateRows(const InternalName& predicate, const MainMemPredFrame* frame,
                            const InternalName* tuples, int count, int arity) {
        const int recorded = deltas.recordPredicateRows(predicate, frame, tuples, count, arity);
        if (recorded == 0)
            for (int i = 0; i < count; ++i) answerForNewFact(0);
        return recorded;
    }
    // makeFreshObject for the fresh symbol made.
    int nameFreshSymbol(const FSymbol& symbol, InternalName& out);
    // makeFreshObject past its common case: binds the name to the symbol unless `bound` and
    // records the object in the delta when recording is on.
    int finishFreshObject(const FSymbol& symbol, const InternalName& name, bool bound);

    // Whether a string still occurs in the stored facts that the indexes reach (see
    // StringCleanup for those they do not).
    bool stringInUse(const InternalName& name);
    void reportInvalidEquality(const char* what, const InternalName& x, const InternalName& y);
    // equate that also tells which pair it recorded.
    bool equatePair(const InternalName& a, const InternalName& b, int force, InternalName& replaced,
                    InternalName& representative);
    // One method entry of an object frame.
    struct MethodEntry {
        int type;
        int argCount;
        InternalName method;
        InternalName value;
    };
    // Every entry of an object frame in key order (so by method type); copied out, since
    // merging and renaming change the frame.
    static std::vector<MethodEntry> methodEntries(MainMemObjFrame* frame);
    // Every cell of every row of a parameter frame, row after row; copied out, since merging and
    // renaming change the frame.
    static std::vector<InternalName> rowCells(MainMemParamFrame* rows);
    // Applies one drained pair and marks it applied in the equality log; always 1.
    int applyPair(const InternalName& replaced, const InternalName& representative);
    // Two stored values that became competitors under one key: equated so that `kept` survives
    // (the recorded pair joins the applied ones), or their set or parameter frames merged.
    void resolveCompetitors(const InternalName& value, const InternalName& kept);
    // Step helpers of rewriteAll.
    void rewriteMethodName(const InternalName& replaced, const InternalName& representative);
    void rewriteUsages(const InternalName& replaced, const InternalName& representative);
    void rewritePredicates(const InternalName& replaced, const InternalName& representative);
    void rewriteRelations(int kind, const InternalName& replaced,
                          const InternalName& representative);
    void rewriteSymbols(const InternalName& replaced, const InternalName& representative);
    void rewriteEqualityMaps(const InternalName& replaced, const InternalName& representative);
    // Renames inside one parameter frame; colliding results are resolved as competitors.
    void renameInParamFrame(const InternalName& frameName, const InternalName& replaced,
                            const InternalName& representative);
    // Replaces a member in every set that the rows of a parameter frame name as results.
    void replaceInResultSets(const InternalName& frameName, const InternalName& replaced,
                             const InternalName& representative);
    // The set frame of relation kind 1, 2 or 3 of an object frame, or null.
    MainMemSetFrame* relationSet(MainMemObjFrame* frame, int kind);
    // Unregisters a set frame and empties it so its members are freed.
    void dropSetFrame(const InternalName& setName, MainMemSetFrame* frame);

    // The strings made since the last cleanup.
    StringCleanup strings;
    // Made before the frame manager, which keeps it.
    Ref<SymTab> symTab;
    Ref<FrameManager> frameManager;
    WalkPlan walkPlan = WalkPlan::Ahead;
    // Looked up for every symbol of every consulted fact and never walked in key order; both
    // are keyed by densely numbered identifiers.
    NumberedNameMap<FSymbol, InternalName> symbolToName;
    NumberedNameMap<InternalName, FSymbol> nameToSymbol;
    // Looked up by key only; they own their sets.
    FlatNameMap<InternalName, std::unique_ptr<set<FSymbol>>> nameToSymbols;
    FlatNameMap<MethodKey, std::unique_ptr<MemberSet>> methodsTable;
    // Which method each store changed (see MethodValueStamps).
    MethodValueStamps methodStamps;
    FlatNameMap<InternalName, std::unique_ptr<set<MethodSig>>> methodSignatures;
    // A method key lately indexed: its hosts' set, and that its signature is among its method's
    // already. Every new entry indexes its host, and a consult's molecules use a few methods in
    // turn: two hashed lookups and a tree insert for each entry were 5% of consulting
    // `oN[a -> xN; b -> yN]`. A hint is taken by the method's number; it holds while the layout
    // is the one it was found under (renaming a method or clearing the base moves or frees the
    // sets).
    struct MethodIndexHint {
        MethodKey key;
        MemberSet* hosts = nullptr;
        std::uint64_t stamp = 0;
    };
    std::array<MethodIndexHint, 8> methodIndexHints{};
    // The usage index, built the first time it is read (see UsageIndex).
    FlatNameMap<InternalName, UsageSet>& usages();
    UsageIndex usage;
    // The terms expectFunctionObjects announced, room for them made by the next
    // getFunctionObject of that function (its frame may not exist before).
    FSymbol expectedFunction;
    std::size_t expectedObjects = 0;
    // Calls visit(value, host) for every value of every method without arguments: a scalar value,
    // or each member of a set; and visit(cell, frame) for every cell of every row of the
    // function frames the usage index left unlogged. Stops early once a farewell is pending (see
    // usages).
    void forEachUnloggedValue(
        const std::function<void(const InternalName& member, const InternalName& host)>& visit);
    // Whether a walk over the unlogged values may stop at a farewell: building the usage index
    // may, the string cleanup must see every string it keeps.
    enum class Walk { Whole, UntilFarewell };
    // The cells of the rows of the function frames the usage index left unlogged, as
    // forEachUnloggedValue visits them.
    void forEachUnloggedRowCell(
        const std::function<void(const InternalName& cell, const InternalName& frame)>& visit,
        Walk walk);
    // The strings forEachUnloggedValue would visit, in no particular order: the frames are walked
    // in place (the cleanup at the end of an evaluation walks every object the run made, and an
    // iterator's calls per name were most of its cost).
    void collectUnloggedStrings(std::vector<InternalName>& strings);
    // The objects of each class: the rows of memberRows numbered below instancesIndexed.
    NameSetTable classToObjTable;
    // Every class membership (object, class) in the order stored. A rule deriving memberships
    // used to add each to the sets of both its object and its class, and to copy it into the
    // round's delta: the set of the class is now made from these rows when first read (most
    // programs never ask for the objects of a class), and the delta of memberships is a view of
    // the rows a round adds, which a body reads in place, as it reads a predicate's.
    MainMemPredFrame memberRows{2};
    std::int32_t instancesIndexed = 0;
    NameSetTable superClassToClassTable;
    NameSetTable parentToChildTable;
    Ref<NameHandler> nameHandler;
    int isOkFlag = 1;
    int eqTrace = 0;
    // The equalities recorded and not applied yet, and those applied.
    EqualityLog equalities;
    // The printed forms of names, and those kept while a dump writes them.
    PrintedForms forms{*this};
    NameMap pathHosts;
    // The sets of the objects' classes, by object and relation kind: a rule head that adds
    // memberships finds an object's set there instead of walking its object frame, round after
    // round (a closure written with `:` adds one class to each object per round).
    HostSetCache classSets;
    // The same for the set frames of set-valued methods without arguments, by host and method:
    // a closure written with `->>` adds one value to each host per round.
    HostSetCache methodSets;
    // The classes an is-a walk has reached, kept between walks for its storage.
    std::vector<InternalName> isaWork;
    // Names the present layout of the frames for HostSetCache; taken from one counter shared by
    // every manager, so that a stamp never names the layout of another manager or of an earlier
    // one at the same address.
    static inline std::atomic<std::uint64_t> layoutStamps{0};
    std::uint64_t layoutStamp = ++layoutStamps;
    // Writes the new facts into the delta frames while the evaluator records a round.
    DeltaRecorder deltas{*frameManager, memberRows, layoutStamp};
    // Writes the base out: dumps, saved files, single frames and entries.
    DumpWriter writer{DumpSource(*frameManager, *this), forms};
};
