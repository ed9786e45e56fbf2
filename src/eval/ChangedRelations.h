// ChangedRelations: the relations that facts added to a program at its fixpoint can change,
// read from the program's text alone, and which parts of the program read one of them under
// negation or inside an aggregate.
#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <tuple>
#include <vector>

class FProgram;
class FRule;
class ProgramPlan;
struct RelationRef;
struct RuleSummary;

// Evaluating again after new facts may start from those facts for every part of a program
// whose result only grows with them. A part that reads a relation under negation or in an
// aggregate stays as it is when that relation cannot change; when it may, facts the part
// derived before may no longer follow, and that part and those above are evaluated from the
// whole base. "May change" is decided from the text, erring towards yes: a relation changes
// when a new fact writes it, or a rule that reads a changed relation (in any way) writes it. A
// method or class written through a variable stands for every one; a subclass written changes
// every membership; a built-in in a head (an equation of objects) may change anything.
class ChangedRelations {
  public:
    // The relations the clauses of `added` write, and those the rules of `program` derive from
    // them, directly or through other rules; read from the clauses' summaries in `plan` (a plan
    // of `program`), or in a plan drawn here when none is given.
    ChangedRelations(FProgram* program, FProgram* added, const ProgramPlan* plan = nullptr);
    ~ChangedRelations();
    ChangedRelations(const ChangedRelations&) = delete;
    ChangedRelations& operator=(const ChangedRelations&) = delete;

    // Whether some rule of the part reads a changed relation under negation or inside an
    // aggregate.
    bool readUnderNegationOrAggregate(FProgram* part) const;
    // The same for one rule.
    bool readUnderNegationOrAggregate(FRule* rule) const;
    // Whether some rule of the part reads a changed relation, in any way.
    bool readBy(FProgram* part) const;
    // Whether the added clauses leave alone all that inheritance reads and makes: they and all
    // that may follow from them write predicates only (no method value, membership, subclass,
    // object or equation), so no inherited value appears, gives way or changes; and no added rule
    // reads a method, so the program asks for no inherited value it did not ask for before (the
    // base holds inherited values only where a rule's body asked for them).
    bool leaveInheritance() const;

  private:
    enum Kind : std::uint8_t {
        Predicate,  // by name and arity
        Method,     // by name, every arrow
        AnyMethod,  // a method position holding a variable or a term
        Member,     // by class
        AnyMember,  // a class position holding a variable or a term
        Subclass,   // any subclass relation
        Object,     // an object's existence: a molecule without method or class
        Anything,   // a built-in head
    };
    struct Relation {
        Kind kind;
        std::int32_t name = 0;
        std::int32_t arity = 0;
        bool operator<(const Relation& other) const {
            return std::tie(kind, name, arity) < std::tie(other.kind, other.name, other.arity);
        }
    };
    struct Read {
        Relation relation;
        // Under negation or inside an aggregate.
        bool guarded;
    };
    // What one clause writes (its heads) and reads (its body).
    struct Clause {
        std::vector<Relation> writes;
        std::vector<Read> reads;
    };

    static Relation relationOf(const RelationRef& relation);
    static Clause relationsOf(const RuleSummary& summary);
    Clause relationsOf(FRule* rule) const;

    std::unique_ptr<ProgramPlan> ownPlan;
    const ProgramPlan* plan = nullptr;

    // Whether a read of the relation may see a new fact.
    bool changed(const Relation& relation) const;
    void add(const Relation& relation);

    std::set<Relation> written;
    bool anyMethod = false;
    bool anyMember = false;
    bool subclass = false;
    bool anything = false;
    // Some added rule reads a method, in any way.
    bool addedReadsMethod = false;
};
