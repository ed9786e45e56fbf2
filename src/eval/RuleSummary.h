// RuleSummary: what one clause of a program reads and writes, worked out once from its parse tree
// for every analysis that orders or cuts the program.
#pragma once

#include <cstdint>

#include "foundation/CompactVector.h"
#include "language/FactList.h"
#include "objectbase/InternalName.h"

class FRule;
class FTerm;
class SymTab;

// A relation as a clause names it: a predicate (by name and arity), a method (by name and arrow
// kind, 0 to 8), the members of a class or the subclasses of a class. A method or class position
// that is not a plain constant (`constant` false) may stand for any method of its arrow, or any
// class.
struct RelationRef {
    enum class Kind : std::uint8_t { Predicate, Method, Member, Subclass };
    Kind kind = Kind::Predicate;
    bool constant = true;
    InternalName name;
    // The arity of a predicate, the arrow kind of a method; 0 for the class relations.
    int number = 0;
    // The number of arguments a method is applied to ("m@(a,b)" two).
    int arguments = 0;
    // The method term a head writes (own values' methods are told apart by it, arguments
    // included); null for a read, a fact kept compact and any other relation.
    FTerm* term = nullptr;
};

// A class position: one class when a constant, else any class.
struct ClassRef {
    bool constant = false;
    InternalName name;
};

struct RuleSummary {
    // How a body reads a relation: a negated or aggregated read needs the relation complete.
    enum class Read : std::uint8_t { Positive, Negated, Aggregated };
    struct Access {
        RelationRef relation;
        Read how = Read::Positive;
        // Inside a negated literal (an aggregate's reads there too): no delta stands for it.
        bool inNegation = false;
        // A set-valued method read with no result terms, "host[m ->> {}]".
        bool noResults = false;
    };
    // One step lower :: upper that a head (or a fact) adds to the class hierarchy.
    struct Step {
        ClassRef lower;
        ClassRef upper;
    };
    // An inheritable value ("*->", "*->>", "@*->>") a head writes, and the class that holds it.
    struct Inheritable {
        RelationRef method;
        ClassRef holder;
    };

    // A program keeps one summary per clause for as long as it is planned, and most of these lists
    // are empty or short: each is one pointer until it has elements.
    // The relations the heads write, each head's in order.
    CompactVector<RelationRef> writes;
    // The relations the body reads, in order; a method read ("->" to "@*->>") may see inherited
    // values as well.
    CompactVector<Access> reads;
    CompactVector<Step> steps;
    CompactVector<Inheritable> inheritables;
    // The body reads the bare existence of objects (a molecule with neither class nor method),
    // which any head that names an object may make; a head that is such a molecule makes one.
    bool readsObjects = false;
    bool writesObjects = false;
    // Each such read of bare objects, in order (its relation names nothing).
    CompactVector<Access> objectReads;
    // A head equates objects: any relation may change.
    bool equates = false;
    // The body calls a built-in that reads the whole base ("describe", "sgmlprint", "equiv",
    // "string2object").
    bool readsWholeBase = false;

    // What the clause reads or changes has no name here.
    bool unbounded() const { return equates || readsWholeBase; }

    // The summary of a clause (a rule, or a fact written as a clause); `names` gives the built-ins'
    // names (without it no built-in counts as reading the whole base).
    static RuleSummary of(FRule* clause, const SymTab* names);
    // The summary of the facts kept compact that write one relation.
    static RuleSummary ofFacts(const FactList::Write& write);
};

// Whether two references may name the same relation.
bool mayMeet(const RelationRef& a, const RelationRef& b);
