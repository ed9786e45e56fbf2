// FactList, the facts of a program kept without their parse trees: each one stored predicate
// over ground terms or one molecule of ground terms (class relations and method values), with
// its place of origin and its place among the program's whole clauses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "foundation/FlatHashTable.h"
#include "language/GroundTermTable.h"
#include "objectbase/FSymbol.h"

class FRule;
class FTerm;
class FunctionTerm;

// A consulted program is mostly facts like p(a, 1), o[m -> v] or o:c. Their parse trees (a clause,
// a head list, a term per constant, a variable table) cost about 1 KB each; kept here a fact costs
// a few bytes. The clause is made again, equal to the one read, whenever its text
// or tree is needed.
//
// A ground function term or list in a fact (p(a, f(b)), o[m -> [x, y]]) is a symbol of the
// list's term table (GroundTermTable::isTerm), which holds each distinct term once: the fact
// costs what a fact of constants costs.
class FactList {
  public:
    // Whether the clause is a fact this list can hold: one stored predicate (no built-in) whose
    // arguments are ground terms, written without parentheses or groups; or one molecule without
    // filter: host:class, host::class, or either or a plain host with any number of values
    // host[method@(args) -> result; method@(args) ->> {results}], its classes and methods plain
    // constants, its host, arguments and results ground terms (the host of "::" a constant). A
    // ground term is a plain constant or a function term of ground terms (a list among them),
    // written without parentheses and nested at most MaxTermDepth deep.
    static bool holds(const FRule& rule);
    static constexpr int MaxTermDepth = 1000;

    // The kinds of facts. A molecule of one atom without method arguments has the form of its
    // method arrow or class relation; any other molecule has the form Molecule.
    enum Form : std::uint8_t { Predicate, Value, SetValue, Member, Subclass, Molecule };

    // One part of a molecule fact as written: a class relation (Member or Subclass) of host and
    // the class, or the value (Value) or values (SetValue) of host's method for the arguments.
    struct Atom {
        Form form = Value;
        FSymbol host;
        FSymbol method;
        FSymbol cls;
        int argCount = 0;
        const FSymbol* args = nullptr;
        int resultCount = 0;
        const FSymbol* results = nullptr;
    };

    // Appends the fact of the clause when holds(rule), standing before the whole clause number
    // `before` of its program; false, nothing appended, when it does not hold or the list is
    // full.
    bool add(const FRule& rule, std::size_t before);

    // A fact read without a clause: what add takes from a clause that holds, flag 0. The parser
    // fills one for a ground fact, so that the fact needs no parse tree at all.
    struct Ground {
        Form form = Predicate;
        // The predicate, or a Value's or SetValue's method; none otherwise.
        FSymbol symbol;
        // As a fact's arguments (see Fact), and a Molecule's shape.
        std::vector<FSymbol> args;
        std::vector<std::uint8_t> shape;
        std::string origin;
        int line = 0;
        // The table of the terms among the arguments; none when there are none.
        std::shared_ptr<GroundTermTable> terms;
        // The facts read behind this one in the same call, of its predicate and its arity over
        // integers alone: their integers, args.size() a fact, and the line each one ends on.
        // A consulted file of numbers is read a block at a time.
        std::vector<std::int32_t> runValues;
        std::vector<std::int32_t> runLines;
        // The number of facts, this one and the run behind it.
        std::size_t facts() const { return 1 + runLines.size(); }
        // Fact k of them (0 this one) as a ground fact of its own.
        Ground single(std::size_t k) const;
    };
    // Appends the ground fact and the run behind it, as add appends the clauses they stand
    // for; false, nothing appended, when the list is full.
    bool add(const Ground& ground, std::size_t before);
    // Whether a ground fact of these many symbols and this shape fits a record.
    static bool fits(std::size_t symbols, const std::vector<std::uint8_t>& shape);
    // A new clause equal to the one the ground fact was read from (the run behind it aside);
    // the caller receives its reference.
    static FRule* clause(const Ground& ground);

    FactList() = default;
    FactList(const FactList& other);
    FactList& operator=(const FactList&) = delete;
    // Appends fact i of another list, standing before the whole clause `before`, with the given
    // origin, line and flag in place of its own.
    void addFrom(const FactList& other, std::size_t i, std::size_t before,
                 const std::string& origin, int line, int flag);

    std::size_t size() const { return count; }
    bool empty() const { return count == 0; }
    // The table of the terms the facts name; null while they name none.
    const GroundTermTable* termTable() const { return terms.get(); }
    // The number of whole clauses of the program that stand before fact i.
    std::size_t before(std::size_t i) const;
    Form form(std::size_t i) const { return static_cast<Form>(at(i).flags >> FlagBits); }
    bool isMolecule(std::size_t i) const { return form(i) != Predicate; }
    // A predicate fact: its predicate, and its arity(i) arguments. The arguments stay where
    // args answers them until another fact of this list is read. Here and below, a host,
    // argument or result may be a term of termTable().
    FSymbol predicate(std::size_t i) const { return at(i).symbol; }
    int arity(std::size_t i) const { return at(i).arity; }
    const FSymbol* args(std::size_t i) const { return at(i).args.data(); }
    // A molecule fact: its host; for a value its method, arrow kind (0 "->", 1 "->>") and
    // result; for a class relation the class and its kind (1 ":", 2 "::").
    FSymbol host(std::size_t i) const { return at(i).args[0]; }
    FSymbol method(std::size_t i) const { return at(i).symbol; }
    int methodKind(std::size_t i) const { return form(i) == SetValue ? 1 : 0; }
    FSymbol result(std::size_t i) const { return at(i).args[1]; }
    FSymbol classOf(std::size_t i) const { return at(i).args[1]; }
    int isaKind(std::size_t i) const { return form(i) == Subclass ? 2 : 1; }
    const std::string& origin(std::size_t i) const { return origins[at(i).origin]; }
    int line(std::size_t i) const { return at(i).line; }
    int flag(std::size_t i) const { return at(i).flags & FlagMask; }

    // The facts from i on, at most `limit` of them, that are tuples of numbers of fact i's
    // predicate and arity, read in one pass: their count, and their arguments as stored cells
    // into `cells` (emptied first), one fact after the other. 0 when fact i is no such fact.
    std::size_t numberRows(std::size_t i, std::size_t limit,
                           std::vector<InternalName>& cells) const;

    // The parts of molecule fact i, into `out` (emptied first): its class relation, then each
    // method's values in written order. Arguments and results stay where they point until
    // another fact of this list is read.
    void atoms(std::size_t i, std::vector<Atom>& out) const;

    // A new clause equal to the one fact i was read from; the caller receives its reference.
    FRule* clause(std::size_t i) const;

    // A relation the facts write: a predicate by name and arity (Predicate), a method by name,
    // arrow and argument count (Value "->", SetValue "->>"), the members of a class (Member),
    // or one step host :: class of the hierarchy (Subclass).
    struct Write {
        Form form = Predicate;
        // The predicate, the method, or the class.
        FSymbol symbol;
        // A predicate's arity, a method's argument count; 0 otherwise.
        int number = 0;
        // A Subclass step's lower class; undefined otherwise.
        FSymbol host;
        // The number of whole clauses of the program that stand before the first fact writing
        // it.
        std::size_t before = 0;
        // The number of facts of this list writing it (a store filled by them makes room for
        // as many rows at once).
        std::size_t facts = 0;
    };
    // Every relation the facts write, each once, in the order the facts first write them (a
    // molecule's parts as atoms tells them). The passes that only ask which relations a
    // program's facts write (its strata, its delta predicates, what added facts change) read
    // this instead of decoding every fact; it is kept as facts are appended.
    const std::vector<Write>& writes() const { return written; }
    // The number of facts of this list that write the predicate of this arity.
    std::size_t factsWriting(const FSymbol& predicate, int arity) const;

  private:
    // The clause's flag in the low bits, the form above them.
    static constexpr int FlagBits = 5;
    static constexpr std::uint8_t FlagMask = (1u << FlagBits) - 1;
    // Every Interval-th fact is written without reference to the one before it, so that reading
    // fact i decodes at most Interval facts.
    static constexpr std::size_t Interval = 32;
    static constexpr std::size_t ChunkBytes = std::size_t{1} << 16;
    // The number of chunks from which a new chunk's pages are mapped as it is taken.
    static constexpr std::size_t MappedFrom = 8;

    // One fact as read, and the reference the next one is written against: a predicate's
    // symbol and arguments, a value's method and (host, result), or a class relation's (host,
    // class). `args` keeps the last value written at each argument place since the last reset,
    // also beyond arity. A Molecule's symbols are the host, its class when it has one, then
    // each value's method, arguments and results; its shape tells them apart.
    struct Fact {
        FSymbol symbol;
        std::uint32_t before = 0;
        std::int32_t line = 0;
        std::uint16_t origin = 0;
        std::uint8_t flags = 0;
        std::uint8_t arity = 0;
        std::vector<FSymbol> args;
        // A Molecule's shape: its class relation's kind (0 none, 1 ":", 2 "::"), the number
        // of values, and for each value its arrow kind (0 "->", 1 "->>"), argument count and
        // result count.
        std::vector<std::uint8_t> shape;

        void reset();
    };
    // Where a fact's record begins: its chunk and the offset in it.
    struct Place {
        std::uint32_t chunk = 0;
        std::uint32_t offset = 0;
    };

    // The index of the origin text, entered when new; false when no index is left.
    bool originIndex(const std::string& text, std::uint16_t& index);
    // Appends `pending` with the arguments and shape given (its own, or a ground fact's, which
    // are thus not copied), of the form, origin, line and flag given; false when the list is
    // full.
    bool addPending(Form form, const FSymbol* args, std::size_t arity,
                    const std::vector<std::uint8_t>& shape, const std::string& origin, int line,
                    int flag, std::size_t before);
    // Appends the run behind the ground fact that addPending just appended: facts differing
    // from it only in their line and their integers.
    void appendIntegerRun(const Ground& ground);
    // Appends the fact with these arguments (its arity of them) and shape, written against
    // `last`, which then becomes it.
    void append(const Fact& fact, const FSymbol* args, const std::vector<std::uint8_t>& shape);
    // Enters the relations the fact appended writes that no fact before it wrote.
    void noteWrites(const Fact& fact, const FSymbol* args, const std::vector<std::uint8_t>& shape);
    struct WriteKey;
    // Enters the relation of the fact's part `part`, unless some fact wrote it before.
    void enterWrite(std::size_t part, const WriteKey& key, const Write& write);
    // Fact i, decoded into the cursor.
    const Fact& at(std::size_t i) const { return i == cursorIndex ? cursor : decode(i); }
    const Fact& decode(std::size_t i) const;
    // The table, made when the first term comes.
    GroundTermTable& termsToFill();
    // The symbol of a ground term of a clause: a constant's own, or the term's in the table.
    FSymbol termSymbol(const FTerm* term);
    // The arguments of a fact of another table, `count` of them from `args`, with their terms
    // in this list's table: `args` itself when the tables are one or the arguments hold no term.
    const FSymbol* takeTerms(const std::shared_ptr<GroundTermTable>& from, const FSymbol* args,
                             std::size_t count);
    // A new term equal to the one the symbol stands for, with one reference for the caller.
    FunctionTerm* newTerm(const FSymbol& symbol) const;
    // The head atom of fact i, with one reference for the caller.
    FTerm* predicateAtom(std::size_t i) const;
    FTerm* moleculeAtom(std::size_t i) const;
    // The molecule of a Molecule fact as written, with one reference for the caller.
    FTerm* writtenMolecule(std::size_t i) const;

    // Facts are written as small records, each field as its difference from the fact before
    // (the next line, the same origin and method, the next symbols): a consulted molecule takes
    // about 5 bytes where a record of fixed fields and its argument array took about 45.
    // A full chunk is never written again, so copies of the list share it.
    std::vector<std::shared_ptr<std::uint8_t[]>> chunks;
    std::size_t chunkUsed = ChunkBytes;
    // The place of every Interval-th record.
    std::vector<Place> marks;
    // The first fact of every run of facts with the same number of clauses before them, and
    // that number: a walk of the program in order asks it of every fact, which decoding the
    // fact's record answered at the cost of reading all of it.
    struct BeforeRun {
        std::uint32_t first;
        std::uint32_t before;
    };
    std::vector<BeforeRun> beforeRuns;
    std::size_t count = 0;
    Fact last;
    // The fact add fills, kept for its argument array.
    Fact pending;
    // The fact decoded last, its index (None when none) and where the record after it begins.
    // Readers walk facts in order, so reading fact i + 1 decodes one record.
    static constexpr std::size_t None = ~std::size_t{0};
    mutable Fact cursor;
    mutable std::size_t cursorIndex = None;
    mutable Place cursorNext;
    // Facts come in runs from one file: the last origin entered is the one looked up first.
    std::vector<std::string> origins;
    // A relation written as two words: the symbol's with form and number above it, and the
    // host's.
    struct WriteKey {
        std::uint64_t relation = 0;
        std::uint64_t host = 0;
        bool operator==(const WriteKey&) const = default;
    };
    // The relations written, their keys and their index by key; the key of what each part of
    // the fact noted last writes.
    std::vector<Write> written;
    std::vector<WriteKey> writtenKeys;
    EntryIndex writtenIndex;
    std::vector<WriteKey> recent;
    std::vector<std::uint32_t> recentWrites;
    // The terms the facts name, shared with the lists this one was copied from or took facts
    // of (terms are only added).
    std::shared_ptr<GroundTermTable> terms;
    // The arguments of a fact of an integer run that goes through append.
    std::vector<FSymbol> runArgs;
    // The arguments of a fact taken from another table, with their terms in this one; while a
    // clause's term is entered, its arguments' symbols.
    std::vector<FSymbol> taken;
    // The terms of a Molecule clause add reads, in order.
    std::vector<const FTerm*> moleculeTerms;
};
