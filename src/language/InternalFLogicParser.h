// InternalFLogicParser: the F-Logic grammar over one input stream, with its scanner.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <string_view>
#include <vector>

#include "language/FLogicGrammar.h"
#include "language/FLogicScanner.h"
#include "language/FParser.h"
#include "language/ScannedGrammarParser.h"
#include "objectbase/SymTab.h"

class InternalFLogicParser : public ScannedGrammarParser<FLogicScanner> {
  public:
    explicit InternalFLogicParser(std::istream* in,
                                  FLogicParser::FactRoad factRoad = FLogicParser::FactRoad::Flat);

    FRule* parse(SymTab* symTab, int* ok) override;
    FRule* parse(SymTab* symTab, int* ok, FactList::Ground& ground, bool* read) override;
    // The grammar's token source: illegal characters are skipped (the clause is rejected), and
    // each token gets its value.
    int yylex(FLOGICSTYPE* value);

  protected:
    int runGrammar(FRule** result) override;
    bool readGround(FactList::Ground& ground) override;

  private:
    struct Token {
        int code;
        int length;  // of the text, for the tokens that carry one
        // Whether reading it rejected the clause (a skipped illegal character, a failed input).
        bool rejects;
        FLOGICSTYPE value;
    };
    // A constant of a ground fact, read from a kept token or from the scanner's buffer: its
    // token, its text (until the scanner reads on), for a name its symbol-table hash and for an
    // integer its value, read once where its text is checked. A
    // ground fact's constants stand in the order the grammar enters their symbols, each function
    // term's functor behind its arguments (a name of `arity` arguments), and each list's cells
    // behind their elements (the codes ListEnd and ListCell, for "nil" and "cons").
    struct Constant {
        int code;
        int length;
        const char* text;
        std::uint64_t hash;
        int arity = 0;
        std::int32_t value = 0;
    };
    static constexpr int ListEnd = -1;
    static constexpr int ListCell = -2;
    FLogicParser::FactRoad factRoad;
    // Whether the ground fact being read holds a function term or a list: facts of constants
    // alone, most of a consult, skip the steps that make terms.
    bool termsRead = false;
    // readGround's reading; the tokens it read from the scanner stay in `kept`.
    bool readGroundTokens(FactList::Ground& ground);
    // readGroundTokens for a plain clause that is a predicate over names and integers, most
    // of a consult, read from its tokens in one pass: false, with nothing entered, for any
    // other clause, which readGroundTokens then reads.
    bool readFlatPredicate(FactList::Ground& ground);
    // readGroundTokens for a plain clause h[m ->> {v}] of names and integers (the method a
    // name), the form of a consult's set-valued facts, read from its tokens in one pass: false,
    // with nothing entered, for any other clause.
    bool readFlatSetValue(FactList::Ground& ground);
    // readGroundTokens for a predicate over integers that scanIntegerFact read, their values in
    // `integers`: false, with nothing entered, when the clause is no ground fact.
    bool readIntegerFact(std::string_view predicate, FactList::Ground& ground);
    // The ground predicate fact's form and predicate symbol, its arguments entered: the symbol
    // of the last ground fact when `known` and of its arity, else the one entered for the text.
    void enterPredicate(std::string_view predicate, bool known, FactList::Ground& ground);
    // The number of terms the ground fact's constants make: its top-level arguments; more than
    // any fact holds when a function term has too many arguments for its symbol.
    std::size_t termCount() const;
    // The symbols of the ground fact's terms, each made of its constants (its functor and
    // the symbols of the list cells entered as the grammar enters them), into `out`; the
    // terms go to `groundTerms`. Whether one of them is a function term.
    bool makeTerms(std::vector<FSymbol>& out);
    // The next token, kept for the grammar in case the clause is no ground fact.
    int readKept();
    // The symbol of a ground fact's constant, as its base class (see SymTab::enter).
    InternalName constantName(const Constant& constant);

    // The tokens readGround read of a clause it did not take; yylex hands them out first.
    std::vector<Token> kept;
    std::size_t keptNext = 0;
    // A ground fact's constants, in the order the grammar enters them.
    std::vector<Constant> constants;
    // The terms of the ground facts read, shared with the programs that keep them.
    std::shared_ptr<GroundTermTable> groundTerms;
    // The predicate of the last ground fact read and the table it was entered in: facts come
    // in runs of one predicate, whose name is then known to be no built-in and whose symbol is
    // checked by its id rather than hashed and looked up again.
    FSymbol lastPredicate;
    const SymTab* lastPredicateTable = nullptr;
    // Whether `name` is the text of lastPredicate, a predicate still in the program's table.
    bool isLastPredicate(std::string_view name) const;
    // The tokens of a plain clause the scanner looked at ahead, and whether readGroundTokens
    // reads them (from `plainNext` on) instead of the scanner's: they need no copy, since a
    // plain clause that is no ground fact is read again by the scanner.
    std::vector<FLogicScanner::PlainToken> plain;
    std::size_t plainNext = 0;
    bool readingPlain = false;
    // The integers of a clause scanIntegerFact read.
    std::vector<std::int32_t> integers;
    // The most facts read behind a fact of integers in one call.
    static constexpr std::size_t IntegerRunLimit = 4096;
    // The plain clause behind a ground fact just read, looked at ahead.
    std::vector<FLogicScanner::PlainToken> ahead;
    // Starts loading the index slots of a plain clause's names. Inline by force: a call of a
    // function that does nothing but prefetch counts as one without effect and is dropped.
    [[gnu::always_inline]] void prefetchNames(
        const std::vector<FLogicScanner::PlainToken>& tokens) const {
        const SymTab& table = *programSymTab();
        for (const FLogicScanner::PlainToken& token : tokens)
            if (token.code == NAME) table.prefetch(token.hash);
    }
};
