// OMAccess: the one road between evaluation and the object base (forwards, insertion with its
// trace, iterator factories and the lookup cascade, the entry points of the inheritance phases,
// export and axis steps, the shell methods; the inheritance phases, the name map, name
// conversions, built-in predicates, pattern built-ins, document and signature queries through
// the collaborators it owns) and its class object.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "access/BuiltinPredicates.h"
#include "access/DocumentQueries.h"
#include "access/ExportHandlerFactory.h"
#include "access/HeadWriter.h"
#include "access/InheritancePhases.h"
#include "access/NameConversions.h"
#include "access/NameMap.h"
#include "access/PathCodes.h"
#include "access/SignatureQueries.h"
#include "foundation/FLSysObject.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"
#include "objectbase/FreshChild.h"
#include "objectbase/FreshElement.h"
#include "objectbase/InternalName.h"
#include "objectbase/NameRemapListener.h"
#include "objectbase/Tuple.h"

class AxisIteratorFactory;
class DeltaTable;
class TermMaker;
struct ExportRequest;
class PatternMatcher;
class Iterator;
class MemberSet;
class OM;
class RelationStore;
class SymTab;

// Every operation is virtual because the XML access layers derive from this class and override
// some. The forwards tolerate a missing object manager (the constructor accepts null): they then
// answer 0, null or false and leave their out-parameters as they were.
//
// Method types: 0 "->", 1 "->>", 2 "@->>", 3 "*->", 4 "*->>", 5 "@*->>", 6 "=>", 7 "=>>",
// 8 "@=>>", 100 to 104 the arithmetic operators + - * div /.
class OMAccess : public FLSysObject, public NameRemapListener {
  public:
    // Takes a reference to the object manager (null allowed), registers itself with it and keeps
    // its symbol table.
    explicit OMAccess(OM* om = nullptr);
    OMAccess(const OMAccess&) = delete;
    OMAccess& operator=(const OMAccess&) = delete;
    // Withdraws its registration when it is still the manager's access layer, so the manager
    // never calls into a destroyed one, then releases the manager.
    ~OMAccess() override;

    // The maker of the document axis iterators, handed in by the layer that builds this access
    // layer (not owned: it outlives the access layer). Without one the axis steps report
    // "NotImplemented" and answer nothing.
    void useAxisIterators(AxisIteratorFactory* factory) { axisIterators = factory; }
    // The makers of the handlers "export" writes through, handed in by the layer that builds
    // this access layer. Without a maker for a format its export reports "NotImplemented".
    void useExportHandlers(const ExportHandlerFactory& table) { exportHandlers = table; }

    // Shell methods: "debugOn", "debugOff", "setAccess", "clear", "export", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    bool isOk() const override;
    // "anOMAccess".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // Empties the object base; the flags and the name map of this layer stay as they are.
    virtual void clear();

    // What the layers above may take for granted about the base of this layer. A layer whose
    // inserts act (one that loads a document or fetches a page when a fact names it) stores
    // facts that no one inserted.
    // Whether the base's facts, printed and consulted again into the emptied base, store the
    // same base.
    virtual bool printedFactsRestoreBase() const { return true; }
    // Whether the base holds only the facts inserted into it (and what the object manager
    // derives from them, such as equalities), so that a record of the inserts explains it.
    virtual bool holdsOnlyInsertedFacts() const { return true; }

    // The insert operations: each answers the object manager's new-fact result and, with tracing
    // on, writes one line per added fact (every attempt with traceAll) on the debug channel.
    virtual int insertSet(const InternalName& host, const InternalName& method,
                          const InternalName* args, int argCount, MethodType type,
                          const set<InternalName>& values);
    virtual int insertValue(const InternalName& host, const InternalName& method,
                            const InternalName* args, int argCount, MethodType type,
                            const InternalName& value);
    // An arithmetic step computes host op method into value; a method type finds or makes the
    // value of the scalar path host.method@(args).
    virtual int insertPath(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, PathStep type,
                           InternalName& value);
    // The object a scalar path of the host that is not stored yet will have, made now, and its
    // store later (1 when stored): an import that may be given up makes its objects as it goes
    // and stores its facts at its end. The store goes through the virtual insertPath, so that a
    // layer's triggers on a new path (the Web layer's get and parse) run as for a direct insert;
    // only the base's own insertPath, reached through them, takes the reserved object for the
    // path's value instead of making one.
    InternalName reservePathObject(const InternalName& host);
    int insertReservedPath(const InternalName& host, const InternalName& method,
                           const InternalName* args, int argCount, const InternalName& reserved);
    // A number symbol without arguments is its own name (result 0); with arguments the object of
    // the function term; otherwise the object bound to the symbol.
    virtual int insertObject(const FSymbol& symbol, const InternalName* args, int argCount,
                             InternalName& out);
    // The base's maker of the terms of a function symbol, for a head that makes an object per
    // row and resolves its symbol once; null without a base.
    std::unique_ptr<TermMaker> openTermMaker(const FSymbol& function);
    // insertObject for a term of the maker's function symbol, through the maker.
    int insertFunctionObject(TermMaker& maker, const InternalName* args, int argCount,
                             InternalName& out);
    // A hint that insertObject will soon be asked for about `rows` terms of the function.
    void expectObjects(const FSymbol& symbol, std::size_t rows);
    // The built-in "=" equates its two arguments; other built-ins insert nothing.
    virtual int insertPredicate(const FSymbol& symbol, const InternalName* args, int argCount);
    // The writer of one relation of a rule head for one pass of its rows (see HeadWriter), with
    // the trace mode in force now.
    std::unique_ptr<HeadWriter> openHeadWriter(const HeadRelation& relation);
    // The trace mode the flags "debugOn" and "debugOff" set.
    TraceMode traceMode() const {
        return trace == 0      ? TraceMode::Off
               : traceAll != 0 ? TraceMode::EveryAttempt
                               : TraceMode::NewFacts;
    }
    // object : class, object :: class (a subclass cycle collapses instead), or the child relation.
    virtual int insertClassRelation(const InternalName& object, const InternalName& cls,
                                    IsaRelation kind);
    // object : cls, host[method arrow object] and object's child relation to host, in that order,
    // for an object an import has just made, which has no class or parent yet: as the three
    // insert operations, and in one step of the object manager while nothing traces the inserts
    // or watches inherited values. Nonzero when any was new.
    virtual int insertFreshChild(const InternalName& object, const InternalName& cls,
                                 const InternalName& host, const InternalName& method,
                                 MethodType type);
    // insertFreshChild for each of the children in turn, all of one host, method and type: in
    // one step of the object manager for the run while nothing traces or watches the inserts.
    virtual int insertFreshChildren(const InternalName& host, const InternalName& method,
                                    MethodType type, std::span<const FreshChild> children);
    // The facts of an element an import has just made, whose content is one text or none (see
    // FreshElement; its types are method types): in one step of the object manager while
    // nothing traces or watches the inserts, else as insertFreshElementApart.
    virtual int insertFreshElement(const FreshElement& element);
    // The same facts through this layer's own insertValue, insertClassRelation and
    // insertFreshChild, one after the other.
    int insertFreshElementApart(const FreshElement& element);
    // Whether insertClassRelation does more with a membership than store and trace it, so that
    // a rule head must not store memberships past it.
    virtual bool watchesMemberships() const { return false; }

    virtual int applyEqualities();
    // out := whether the equality of a and b was new.
    virtual void equate(const InternalName& a, const InternalName& b, int& out);
    virtual int applyEquality(InternalName& representative);
    virtual void cleanup();

    // The name-mapping dictionary (see NameMap): a name with an entry stands for the name it
    // maps to.
    bool isMapped(const InternalName& name) const { return nameMap.isMapped(name); }
    // Whether any name has an entry: a base without document imports has none, and a walk over
    // its objects need not ask for each.
    bool mapsAnyName() const { return nameMap.size() != 0; }
    InternalName mappedName(const InternalName& name) const { return nameMap.mappedName(name); }
    void mapName(const InternalName& name, const InternalName& value) {
        nameMap.insert(name, value);
    }
    // Makes room in the dictionary for `more` names to be mapped.
    void reserveMappedNames(std::size_t more) { nameMap.reserve(more); }
    // Moves the entry of oldName, if there is one, to the key rep (replacing rep's own entry).
    // The object manager calls it for every pair of names it rewrites while applying equalities.
    void remapName(InternalName oldName, InternalName rep) override;
    // Before old's frame goes into rep's: where one of the two holds an own value for a method
    // and arguments and the other an inherited one, the inherited one goes, so that no equality
    // of values comes from inheritance.
    void beforeMerge(InternalName oldName, InternalName rep) override;
    // The record of inherited values goes with the values (see InheritancePhases::baseCleared).
    void baseCleared() override { inheritancePhases.baseCleared(); }

    virtual int giveLexicalForm(const InternalName& name, std::string& out, int quote = 0,
                                int style = 0);
    virtual int getOrCreateName(const FSymbol& symbol, InternalName& out);
    // The identifier of a fresh symbol "f0_<n>" (see OM::makeFreshObject).
    int makeFreshObject(InternalName& out);
    void makeFreshObjects(InternalName* out, std::size_t count);
    virtual int registerName(const FSymbol& symbol, const InternalName& name);

    // The pattern built-ins "match" (perl 0) and "pmatch" (perl 1), see PatternMatcher.
    Iterator* patternMatch(int perl, const InternalName* args, int arity);
    // A number becomes the string constant of its lexical form (answer 1); any other name is
    // copied unchanged (answer 0).
    int toStringConstant(const InternalName& source, InternalName& target) {
        return conversions.toStringConstant(source, target);
    }
    int toStringConstantInPlace(InternalName& name) {
        return conversions.toStringConstant(name, name);
    }

    // The shell methods behind "debugOn", "debugOff" and "setAccess"; null after a refusal.
    virtual FLSysRef debugOn(FLSysArgs* args);
    virtual FLSysRef debugOff(FLSysArgs* args);
    virtual FLSysRef setAccess(FLSysArgs* args);

    // The iterator factories. Each takes over the caller's reference to `old` (null allowed):
    // the old iterator is re-targeted in place only when it is of exactly the class the pattern
    // chooses, and released otherwise (UnknownIterType reported when it is of another family).
    // An unknown relation reports WrongInhType.
    virtual Iterator* makeFunctionIter(const InternalName& function, const InternalName* args,
                                       int argCount, const InternalName& result, Iterator* old);
    // Built-in predicates (kind 7) go to the dispatcher `match`.
    virtual Iterator* makeFuncOrPredIter(const FSymbol& symbol, const InternalName* tuple,
                                         int count, Iterator* old);
    // The stored rows of a predicate, for a reader that scans them all in place: the store and
    // the number of the frame's first row in it (a delta frame shows the rows its predicate
    // gained since a mark, a range of that predicate's store). Rows come in insertion order, not
    // in the ascending order of the frame's iterator. Null store when there is no frame of that
    // arity or the symbol is a built-in. The rows from `from` on stay as they are, but for rows
    // appended behind them, until the next insert phase has ended (a delta that phase starts
    // anew sets its rows aside rather than dropping them), so they may be read then in place of
    // a copy made now.
    struct StoredRows {
        const RelationStore* store = nullptr;
        int from = 0;
    };
    virtual StoredRows storedPredicateRows(const FSymbol& symbol, int arity);
    // True when the object base holds no stored fact of the class relation `kind`: the closures
    // of the class hierarchy over it need no step.
    bool holdsNoRelation(IsaRelation kind);
    // True when storing a fact may store subclass facts besides it (so an empty subclass
    // relation may not stay empty while rules that write none run).
    virtual bool writesMayAddSubclasses() const { return false; }
    // The closures of the class hierarchy over the stored facts.
    virtual Iterator* makeEnhIsaIter(const InternalName& object, const InternalName& cls,
                                     IsaRelation kind, Iterator* old);
    // The axis steps of documents and the function application "text"; the axes from Child to
    // Attribute need the installed AxisIteratorFactory.
    virtual Iterator* matchAxis(PathStep type, Axis axis, const InternalName* tuple, int count,
                                Iterator* old);
    // The retrieval cascade: inherited values (inside a phase), signatures, stored values.
    virtual Iterator* lookup(PathStep type, const InternalName* tuple, int count, Iterator* old);
    // The document queries (see DocumentQueries).
    InternalName& parentElement(InternalName& out, const InternalName& x) {
        return documents->parentElement(out, x);
    }
    InternalName& parentMethod(InternalName& out, const InternalName& x) {
        return documents->parentMethod(out, x);
    }
    int xlinkType(const InternalName& element, InternalName& out) {
        return documents->xlinkType(element, out);
    }
    int xlinkHref(const InternalName& element, InternalName& out) {
        return documents->xlinkHref(element, out);
    }
    int isTransparentLink(const InternalName& element, const InternalName&) {
        return documents->isTransparentLink(element);
    }
    // A "simple" link is followed to its target through followLink.
    void followSimpleLink(const InternalName& element, const InternalName& linkType);
    // Stored method applications; arithmetic steps go to `matchArithmetic`, a type beyond the
    // method types reports WrongMetType.
    virtual Iterator* makeRefIter(PathStep type, const InternalName* tuple, int count,
                                  Iterator* old);
    // The stored direct class relations.
    virtual Iterator* makeIsaIter(const InternalName& object, const InternalName& cls,
                                  IsaRelation kind, Iterator* old);

    virtual Iterator* objNamesIterator(Iterator* old);
    // The method entries of one object; of every method type when none is given. `reuse` (taken
    // over) is re-targeted when it is an entry iterator, so a walk over many hosts makes one.
    virtual Iterator* methodIterator(const InternalName& host, std::optional<MethodType> type,
                                     Iterator* reuse = nullptr);

    // The conversions between texts, source symbols and object-base names (see
    // NameConversions).
    int internValue(const FSymbol& symbol, InternalName& out) {
        return conversions.internValue(symbol, out);
    }
    InternalName& internName(InternalName& out, const std::string& text, int type) {
        return conversions.internName(out, text, type);
    }
    InternalName& nameFromString(InternalName& out, const std::string& text, int type) {
        return conversions.nameFromString(out, text, type);
    }
    InternalName& numberOrString(InternalName& out, const std::string& text) {
        return conversions.numberOrString(out, text);
    }

    virtual int giveSymbol(const InternalName& name, FSymbol& out);
    virtual bool isPredicate(const InternalName& name);
    virtual Iterator* setIterator(const InternalName& setName, Iterator* old);
    // The members of one set frame, read in place; null when there is none.
    const MemberSet* setMembers(const InternalName& setName);
    virtual int lookupName(const std::string& text, InternalName& out, int arity);
    virtual SymTab* giveSymTab();
    virtual int giveLocalFile(const InternalName& name, std::string& file);
    virtual bool isEmptyPredicate(const InternalName& name);
    virtual Iterator* methodHostsIterator(const InternalName& method, std::int16_t type,
                                          std::int16_t argCount, Iterator* old);
    virtual Iterator* isaIterator(const InternalName& name, IsaRelation kind, Iterator* old);
    // Whether x : cls, x :: cls or the child relation holds.
    virtual int isaTest(const InternalName& x, const InternalName& cls, IsaRelation kind);
    virtual int lookupMethodValue(const InternalName& host, const InternalName& method,
                                  const InternalName* args, int argCount, MethodType type,
                                  InternalName& value);
    // host[method -> value] without arguments.
    virtual int lookupMethodValue(const InternalName& host, const InternalName& method,
                                  InternalName& value);

    // The attached object manager; null when there is none.
    virtual OM* om() const { return attachedOM.get(); }

    // Insertion phases of the inheritance machinery, kept by the InheritancePhases this layer
    // owns; the phase sets the insert trace to its trace flag. beginPhase answers 0 (changing
    // nothing) while a phase is open; a buffered phase queues inherited values until endPhase.
    virtual int beginPhase(int buffered, int traceFlag);
    // A direct phase in which every inherited lookup inserts all the values it finds (not only
    // the first) and then answers from the stored values: one pass needs no repetition. Sound
    // wherever nothing but inheritance runs between two lookups, or nothing that runs can
    // change what is inherited.
    virtual int beginFullPhase(int traceFlag);
    virtual int endPhase();
    virtual int newFacts() { return inheritancePhases.newFacts(); }
    virtual int takeNewFacts();
    // The inheritance phases themselves: the record of inherited values, their conflicts and
    // blockings, for the evaluator that steps back and for the inserts that give way to own
    // values.
    InheritancePhases& inheritance() { return inheritancePhases; }
    const InheritancePhases& inheritance() const { return inheritancePhases; }

    virtual int initDelta(DeltaTable* table);
    virtual void clearDelta();

    // The online help on the help channel; answers this layer.
    virtual FLSysRef help();
    // "This is a normal OMAccess (OMAccessor)." ("corrupted" without an object manager).
    virtual void describeSelf(std::ostream& out) const;
    virtual void showDelta();
    // The object manager's dump; always 0.
    virtual int dump(int format);
    // The shell method "export".
    virtual FLSysRef exportCommand(FLSysArgs* args);
    // Runs the export handler registered for the format over this layer (docType and externalId
    // go into the request; a non-empty rootText names the object to start from); false, after a
    // NotImplemented report, when no handler is registered for the format. ("export" itself is a
    // reserved word.)
    virtual bool exportBase(int format, const std::string& fileName, const std::string& docType,
                            const std::string& externalId, const std::string& rootText);
    virtual bool exportDefault(int format);
    // The request of an export: the strings, and the root a non-empty rootText names.
    void fillExportRequest(ExportRequest& request, int format, const std::string& fileName,
                           const std::string& docType, const std::string& externalId,
                           const std::string& rootText);
    // The first signature of method found at a class of x (see SignatureQueries).
    Iterator* lookupSignatureViaClasses(const InternalName& x, const InternalName& method,
                                        int argCount, int selector) {
        return signatures->lookupViaClasses(x, method, argCount, selector);
    }
    // A new set without the members that lie below another member (relation kind k).
    virtual std::unique_ptr<set<InternalName>> mostSpecificClasses(const set<InternalName>& classes,
                                                                   int kind);
    virtual void showFrame(const std::string& text, int arity);

    // The method type of an arrow object; none for the undefined object and any other name.
    virtual std::optional<MethodType> arrowToMethodType(const InternalName& arrow);
    // Integer arithmetic for paths: out := left op right, answering 0, or -1 after a reported
    // error (out is then 0). A result beyond 32 bits is refused like a wrong operand.
    virtual int insert(const InternalName& left, const InternalName& right, InternalName& out,
                       ArithmeticOp type);
    // Signature atoms (types 6 to 8); null for any other type.
    virtual Iterator* makeSigIter(MethodType type, const InternalName* tuple, int count,
                                  Iterator* old);
    // The cascade's first stage: inherited values while a phase is open. Releases `old`.
    virtual Iterator* inheritedLookup(int type, const InternalName* tuple, int count,
                                      Iterator* old);
    // The built-in predicate dispatcher and the arithmetic atoms (see BuiltinPredicates).
    Iterator* match(const FSymbol& symbol, const InternalName* tuple, int count, Iterator* old) {
        return builtins->match(symbol, tuple, count, old, followingLink != 0);
    }
    // True while a link is followed: "=" then holds between names that map to the same.
    bool followsLink() const { return followingLink != 0; }
    Iterator* matchArithmetic(const InternalName* tuple, int count, ArithmeticOp type) {
        return builtins->matchArithmetic(tuple, count, type);
    }
    // Records equalities between the classes of the cycle that a :: b would close while b :: a
    // holds; 1 when one was new.
    virtual int collapseSubclassCycle(const InternalName& object, const InternalName& cls);

    // The text of a symbol ("NULL" when unknown).
    virtual std::string symbolName(const InternalName& symbol);
    // "(a1,...,an)" on the debug channel; nothing for no arguments.
    virtual void traceArguments(const InternalName* args, int argCount);
    // One trace line of a method fact (pathStep 0) or a path step (pathStep 1).
    virtual void traceInsert(const InternalName& host, const InternalName& method,
                             const InternalName* args, int argCount, int type,
                             const InternalName& value, int pathStep);
    // One trace line of an object or predicate fact: the symbol and its arguments.
    void traceSymbolInsert(const FSymbol& symbol, const InternalName* args, int argCount);
    // The trace line of an inserted class relation.
    void traceClassRelation(const InternalName& object, const InternalName& cls, IsaRelation kind);

    // A new set of the most specific classes of x for relation kind k (x itself left out).
    virtual std::unique_ptr<set<InternalName>> classRetrieval(const InternalName& x, int kind);

    // Loads the document a link points to; the plain access layer has no documents.
    virtual void followLink(const InternalName& target);

    // Writes the element tree of the named object as SGML; the number of attributes and child
    // entries written (0 when there is no such object).
    virtual int sgmlprint(const std::string& objectName, std::ostream& out);
    // The same for an object given by its name in the object base (0 for any other kind).
    virtual int sgmlprint(const InternalName& object, std::ostream& out);

    // The signature queries of the XML export (see SignatureQueries).
    int hasSignatures(const InternalName& cls) { return signatures->hasSignatures(cls); }
    int isResultType(const InternalName& cls) { return signatures->isResultType(cls); }
    int isArgumentType(const InternalName& cls) { return signatures->isArgumentType(cls); }
    std::unique_ptr<set<InternalName>> signatureClassesOf(const InternalName& x, int kind) {
        return signatures->signatureClassesOf(x, kind);
    }
    void signatureClassesOf(const InternalName& x, int kind, std::vector<InternalName>& out) {
        signatures->signatureClassesOf(x, kind, out);
    }
    bool signatureTakesPart(const InternalName& cls) { return signatures->takesPart(cls); }
    InternalName& typeClassOf(InternalName& out, const InternalName& x) {
        return signatures->typeClassOf(out, x);
    }
    bool openSignatureWalk() { return signatures->openWalk(); }
    void closeSignatureWalk() { signatures->closeWalk(); }
    // While a walk is open, the rows the walk's lookup of a signature answered (see
    // SignatureQueries::walkRows); null otherwise.
    const std::vector<InternalName>* signatureWalkRows(MethodType type, const InternalName& host,
                                                       const InternalName& method, int argCount) {
        return signatures->walkRows(type, host, method, argCount);
    }
    // While a walk is open, whether that lookup answers a row and the result of its first, or
    // the results of its rows, without making them (see SignatureQueries::walkFirstResult and
    // walkResults).
    int signatureWalkFirstResult(MethodType type, const InternalName& host,
                                 const InternalName& method, int argCount, InternalName& result) {
        return signatures->walkFirstResult(type, host, method, argCount, result);
    }
    bool signatureWalkResults(MethodType type, const InternalName& host, const InternalName& method,
                              int argCount, const SignatureRows::ResultVisit& visit) {
        return signatures->walkResults(type, host, method, argCount, visit);
    }
    // While a walk is open, the classes above a class, kept until it closes (see
    // SignatureQueries::walkClassesAbove); null otherwise.
    const std::vector<InternalName>* signatureWalkClassesAbove(const InternalName& cls) {
        return signatures->walkClassesAbove(cls);
    }
    // While a walk is open, the objects with signatures of their own (see
    // SignatureQueries::walkHosts); null otherwise.
    const std::vector<InternalName>* signatureWalkHosts() const { return signatures->walkHosts(); }

    // Reports 5/25/2 "Undefined MethodArg" for a shell method called with invalid arguments.
    virtual void reportInvalidMethodArg(const std::string& methodName) const;
    // The texts of the shell arguments; false when there is one that is not an FLSysString.
    static bool stringArguments(FLSysArgs* args, std::vector<std::string>& texts);

    // Read access to the flags, for the layers and tests above.
    int tracing() const { return trace; }
    int tracingAll() const { return traceAll; }
    int inheritanceOn() const { return inheritanceAccess; }
    int signaturesOn() const { return signatureAccess; }

  protected:
    // True when a trace line is due for an insert whose result tells exactly whether it added a
    // fact.
    bool traceDue(int result) const { return trace != 0 && (result != 0 || traceAll != 0); }
    // The same for an insert through the object manager, whose result may be 0 for a fact it
    // added (one no delta predicate records); `before` is the manager's count of such facts read
    // before the insert.
    bool traceDue(int result, std::uint64_t before) const;
    // The object manager's count of facts it added without saying so, 0 without a manager.
    std::uint64_t unreportedNewFacts() const;
    // The lexical form of a name (plain style) as a string.
    std::string lexicalForm(const InternalName& name) { return conversions.lexicalForm(name); }
    // The text of a string constant: its lexical form without the enclosing quotes.
    std::string constantText(const InternalName& name) { return conversions.constantText(name); }
    // out := the string constant with this text (made on first use).
    InternalName& stringConstant(InternalName& out, const std::string& text) {
        return conversions.stringConstant(out, text);
    }

    std::int32_t followLinks = 0;
    std::int32_t followingLink = 0;
    // A name with an entry stands for the name it maps to.
    NameMap nameMap;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<OMAccess>& shellCommands();

    // Held for the life of the layer; null when there is none.
    Ref<OM> attachedOM;
    AxisIteratorFactory* axisIterators = nullptr;
    ExportHandlerFactory exportHandlers;

    // The collaborators the layer owns and forwards to (each documents the back reference it
    // keeps).
    NameConversions conversions;
    std::unique_ptr<PatternMatcher> patterns;
    std::unique_ptr<DocumentQueries> documents;
    std::unique_ptr<SignatureQueries> signatures;
    std::unique_ptr<BuiltinPredicates> builtins;

  protected:
    std::int32_t inheritanceAccess = 1;
    std::int32_t signatureAccess = 1;
    std::int32_t trace = 0;
    std::int32_t traceAll = 0;
    // The object manager's table, not owned.
    SymTab* symTab = nullptr;

  private:
    // The path insertReservedPath stores now, with its object, until the base's insertPath takes
    // it. A trigger may insert other paths before or after: only the same path takes the
    // reserved object, and a nested insertReservedPath keeps the outer one aside.
    struct PathReservation {
        const InternalName& host;
        const InternalName& method;
        const InternalName* args;
        int argCount;
        const InternalName& object;
        bool taken;
        bool matches(const InternalName& h, const InternalName& m, const InternalName* a,
                     int count) const;
    };
    PathReservation* reservation = nullptr;

    InheritancePhases inheritancePhases{*this};
};

// The class object registered as "classOMAccess": "new"@(anOM) makes an OMAccess over it.
// Each access layer it makes uses the axis iterators (none: null) and export handlers it was given.
class OMAccessMeta : public XMeta {
  public:
    explicit OMAccessMeta(AxisIteratorFactory* axes = nullptr, ExportHandlerFactory exports = {});
    ~OMAccessMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;

  private:
    AxisIteratorFactory* axes;
    ExportHandlerFactory exports;
};
