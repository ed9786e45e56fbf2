// The F-Logic internal parser: one grammar call per clause, and the tokens' values.
#include "language/InternalFLogicParser.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>

#include "foundation/ErrorCatalogue.h"
#include "language/FLogicScanner.h"
#include "language/GrammarSupport.h"
#include "objectbase/SymTab.h"

namespace {

bool isConstant(int token) {
    return token == NAME || token == INTEGER || token == FLOAT || token == STRING;
}

// Whether the integer's text is within 32 bits, and its value then: beyond them the grammar's
// reading of it is reported, which is left to the grammar so that the report comes where it
// comes today. Its digits end at the first other character, so the text needs no end mark.
bool readInteger(const char* text, std::int32_t& value) {
    const char* at = text;
    const bool negative = *at == '-';
    if (*at == '+' || *at == '-') ++at;
    std::int64_t magnitude = 0;
    for (; *at >= '0' && *at <= '9'; ++at) {
        magnitude = magnitude * 10 + (*at - '0');
        if (magnitude > std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1) return false;
    }
    if (!negative && magnitude > std::numeric_limits<std::int32_t>::max()) return false;
    value = static_cast<std::int32_t>(negative ? -magnitude : magnitude);
    return true;
}

// The integer of a plain token of ten digits at most that fits in 32 bits, placed in `out`; false
// for any other token (the plain scanner's integers have no sign; a longer text, leading zeros
// included, is left to readGroundTokens).
bool plainInteger(const FLogicScanner::PlainToken& token, FSymbol& out) {
    if (token.code != INTEGER || token.length > 10) return false;
    std::int64_t value = 0;
    for (const char* digit = token.text; digit != token.text + token.length; ++digit)
        value = value * 10 + (*digit - '0');
    if (value > std::numeric_limits<std::int32_t>::max()) return false;
    out = InternalName(static_cast<std::int32_t>(value), InternalName::Integer, -1);
    return true;
}

// The symbol of a plain token's name, entered in `table`.
FSymbol plainName(SymTab* table, const FLogicScanner::PlainToken& token) {
    return table->nameSymbol(std::string_view(token.text, std::size_t(token.length)),
                             InternalName::Function, 0, token.hash);
}

}  // namespace

InternalFLogicParser::InternalFLogicParser(std::istream* in, FLogicParser::FactRoad factRoad)
    : ScannedGrammarParser(in), factRoad(factRoad) {}

FRule* InternalFLogicParser::parse(SymTab* table, int* ok) {
    return parseClause(table, ok, err3::NoSymTab);
}

FRule* InternalFLogicParser::parse(SymTab* table, int* ok, FactList::Ground& ground, bool* read) {
    return parseClause(table, ok, err3::NoSymTab, &ground, read);
}

int InternalFLogicParser::readKept() {
    // Filled where it stays, after it is counted as handed out: yylex hands out the kept
    // tokens beyond keptNext first.
    Token& token = kept.emplace_back();
    keptNext = kept.size();
    const bool wasOk = clauseOk();
    token.code = yylex(&token.value);
    token.length = scanner->YYLeng();
    token.rejects = wasOk && !clauseOk();
    return token.code;
}

InternalName InternalFLogicParser::constantName(const Constant& constant) {
    switch (constant.code) {
        case INTEGER:
            // As the symbol table reads an integer within 32 bits, which keepConstant read.
            return InternalName(constant.value, InternalName::Integer, -1);
        case FLOAT:
            return InternalGrammarParser::constantSymbol(constant.text, InternalName::Float, 0);
        case STRING:
            return InternalGrammarParser::constantSymbol(grammar::unescapeQuotes(constant.text),
                                                         InternalName::String, 0);
        default:
            return programSymTab()->nameSymbol(std::string_view(constant.text, constant.length),
                                               InternalName::Function, 0, constant.hash);
    }
}

bool InternalFLogicParser::readGround(FactList::Ground& ground) {
    // Tokens left over from a clause the grammar gave up early are the next clause's.
    if (factRoad == FLogicParser::FactRoad::Grammar || keptNext < kept.size()) return false;
    kept.clear();
    constants.clear();
    ground.runValues.clear();
    ground.runLines.clear();
    const bool flat = factRoad == FLogicParser::FactRoad::Flat;
    // A predicate over integers, most of a consulted file of numbers, is read in one pass over
    // its characters, and the facts of its predicate and arity over integers behind it with it:
    // the layers of a call, the checks of the predicate and the entering of its symbol are
    // then paid once a block.
    std::string_view predicate;
    if (flat && scanner->scanIntegerFact(predicate, integers) &&
        readIntegerFact(predicate, ground)) {
        scanner->skipPlainClause();
        ground.line = lineNumber();
        ground.origin = scannerInput().fileName();
        scanner->scanIntegerRun(predicate, integers.size(), IntegerRunLimit, ground.runValues,
                                ground.runLines);
        return true;
    }
    // A plain clause that the scanner holds whole is read from a look at its characters: the
    // scanner moves behind it only when it is a ground fact, and otherwise reads it itself.
    bool scanned = flat && scanner->resumeLook();
    if (scanned) {
        plain.swap(ahead);
    } else if (flat && scanner->scanPlainClause(plain)) {
        prefetchNames(plain);
        scanned = true;
    }
    if (scanned) {
        readingPlain = true;
        plainNext = 0;
        const bool read = readGroundTokens(ground);
        readingPlain = false;
        if (read) {
            scanner->skipPlainClause();
            ground.line = lineNumber();
            ground.origin = scannerInput().fileName();
            // The next clause's index slots load while this fact is stored.
            if (scanner->lookAtPlainClause(ahead)) prefetchNames(ahead);
            return true;
        }
        constants.clear();
    }
    const bool read = readGroundTokens(ground);
    if (read) {
        ground.line = lineNumber();
        ground.origin = scannerInput().fileName();
    }
    // The grammar reads the tokens of a clause not taken from the first one, the clause as
    // free of errors as it was before each: its actions for the tokens before a rejecting one
    // run as they would have run before that one was read.
    kept.resize(read ? 0 : kept.size());
    keptNext = 0;
    if (!read) reopenClause();
    return read;
}

bool InternalFLogicParser::readFlatPredicate(FactList::Ground& ground) {
    // p(c1, ..., cn). takes 2 n + 3 tokens.
    const std::size_t count = plain.size();
    if (count < 5 || count % 2 == 0 || plain[0].code != NAME || plain[1].code != LPAREN ||
        plain[count - 2].code != RPAREN || plain[count - 1].code != CLAUSE_END)
        return false;
    const std::size_t arity = (count - 3) / 2;
    ground.shape.clear();
    if (arity > std::numeric_limits<std::uint8_t>::max() || !FactList::fits(arity, ground.shape))
        return false;
    // The integers' symbols go in on the first pass; the names are entered only once the
    // clause is known to be a fact, in the order the grammar enters them.
    std::vector<FSymbol>& args = ground.args;
    args.resize(arity);
    bool names = false;
    for (std::size_t at = 2, arg = 0; arg < arity; at += 2, ++arg) {
        const FLogicScanner::PlainToken& token = plain[at];
        if (plain[at + 1].code != (arg + 1 == arity ? RPAREN : COMMA)) return false;
        if (token.code == NAME) {
            names = true;
            continue;
        }
        if (!plainInteger(token, args[arg])) return false;
    }
    const std::string_view predicate(plain[0].text, std::size_t(plain[0].length));
    const bool known = isLastPredicate(predicate);
    if (!known && GrammarSupport::namesBuiltin(std::string(predicate))) return false;
    termsRead = false;
    if (names) {
        SymTab* table = programSymTab();
        for (std::size_t at = 2, arg = 0; arg < arity; at += 2, ++arg) {
            const FLogicScanner::PlainToken& token = plain[at];
            if (token.code == NAME) args[arg] = plainName(table, token);
        }
    }
    enterPredicate(predicate, known, ground);
    return true;
}

bool InternalFLogicParser::readFlatSetValue(FactList::Ground& ground) {
    // h [ m ->> { v } ] . takes nine tokens.
    if (plain.size() != 9 || plain[1].code != LBRACKET || plain[2].code != NAME ||
        plain[3].code != MARROW || plain[3].textCode != 1 || plain[4].code != LBRACE ||
        plain[6].code != RBRACE || plain[7].code != RBRACKET || plain[8].code != CLAUSE_END)
        return false;
    // The host and the value are names or integers of 32 bits, read as readFlatPredicate reads
    // them; anything else is left to readGroundTokens.
    const FLogicScanner::PlainToken& host = plain[0];
    const FLogicScanner::PlainToken& value = plain[5];
    std::vector<FSymbol>& args = ground.args;
    args.resize(2);
    if ((host.code != NAME && !plainInteger(host, args[0])) ||
        (value.code != NAME && !plainInteger(value, args[1])))
        return false;
    // One value of a set-valued method without arguments.
    std::vector<std::uint8_t>& shape = ground.shape;
    shape.assign({0, 1, 1, 0, 1});
    if (!FactList::fits(3, shape)) return false;
    termsRead = false;
    // The names are entered in the grammar's order: host, method, value.
    SymTab* table = programSymTab();
    if (host.code == NAME) args[0] = plainName(table, host);
    ground.symbol = plainName(table, plain[2]);
    if (value.code == NAME) args[1] = plainName(table, value);
    ground.form = FactList::SetValue;
    ground.terms = nullptr;
    return true;
}

bool InternalFLogicParser::readIntegerFact(std::string_view predicate, FactList::Ground& ground) {
    const std::size_t arity = integers.size();
    ground.shape.clear();
    if (arity > std::numeric_limits<std::uint8_t>::max() || !FactList::fits(arity, ground.shape))
        return false;
    const bool known = isLastPredicate(predicate);
    if (!known && GrammarSupport::namesBuiltin(std::string(predicate))) return false;
    termsRead = false;
    ground.args.resize(arity);
    for (std::size_t arg = 0; arg < arity; ++arg)
        ground.args[arg] = InternalName(integers[arg], InternalName::Integer, -1);
    enterPredicate(predicate, known, ground);
    return true;
}

void InternalFLogicParser::enterPredicate(std::string_view predicate, bool known,
                                          FactList::Ground& ground) {
    const auto arity = static_cast<int>(ground.args.size());
    ground.form = FactList::Predicate;
    ground.terms = nullptr;
    if (known && lastPredicate.getArity() == arity) {
        ground.symbol = lastPredicate;
        return;
    }
    ground.symbol =
        programSymTab()->nameSymbol(predicate, InternalName::Predicate, arity,
                                    SymTab::hashKey(predicate, InternalName::Predicate, arity));
    lastPredicate = ground.symbol;
    lastPredicateTable = programSymTab();
}

bool InternalFLogicParser::readGroundTokens(FactList::Ground& ground) {
    if (readingPlain && (readFlatPredicate(ground) || readFlatSetValue(ground))) return true;
    // The reading stops at the first token that makes the clause no ground fact; every token
    // before it goes on a way the grammar takes without a report, so that a report about it or
    // a later one is made by the grammar with the scanner where it was.
    int token = 0;
    // The text of the token read last (for a name or an integer), its length, the code of its
    // text (for ISA, SARROW and MARROW) and its hash (for a name of a plain clause).
    const char* text = nullptr;
    int length = 0;
    int textCode = 0;
    std::uint64_t hash = 0;
    // The steps below are inlined by force: the compiler called them, at every token.
    auto next = [&]() __attribute__((always_inline)) {
        if (readingPlain) {
            // Read where the scanner left them; 0 after the last.
            if (plainNext == plain.size()) {
                token = 0;
                return true;
            }
            const FLogicScanner::PlainToken& from = plain[plainNext++];
            hash = from.hash;
            token = from.code;
            text = from.text;
            length = from.length;
            textCode = from.textCode;
            return true;
        }
        token = readKept();
        const Token& read = kept.back();
        length = read.length;
        const bool coded = token == ISA || token == SARROW || token == MARROW;
        text = coded ? nullptr : read.value.text;
        textCode = coded ? read.value.code : 0;
        return clauseOk();
    };
    // The token read last as a constant, kept; an integer beyond 32 bits is left to the
    // grammar.
    auto keepConstant = [&]() __attribute__((always_inline)) {
        std::int32_t value = 0;
        if (!isConstant(token) || (token == INTEGER && !readInteger(text, value))) return false;
        Constant& added = constants.emplace_back(Constant{token, length, text, hash, 0, value});
        if (token == NAME && !readingPlain) {
            added.hash = SymTab::hashKey(std::string_view(text, length), InternalName::Function, 0);
            programSymTab()->prefetch(added.hash);
        }
        return true;
    };
    // A ground term from the token read last on, as the grammar's id_term: a constant, a name
    // applied to ground terms, or a list. Its constants are kept in the grammar's order, and
    // the token behind it is read. `depth` counts the function terms and list cells around it.
    auto termAt = [&](auto& self, int depth) -> bool {
        if (token == LBRACKET) {
            termsRead = true;
            if (!next()) return false;
            if (token == RBRACKET) {
                constants.push_back(Constant{ListEnd, 0, nullptr, 0});
                return next();
            }
            int cells = 0;
            for (;;) {
                // The k-th element lies within k + 1 cells.
                if (depth + cells >= FactList::MaxTermDepth || !self(self, depth + cells + 1))
                    return false;
                ++cells;
                if (token != COMMA) break;
                if (!next()) return false;
            }
            if (token == BAR) {
                if (!next() || !self(self, depth + cells)) return false;
            } else {
                constants.push_back(Constant{ListEnd, 0, nullptr, 0});
            }
            if (token != RBRACKET) return false;
            constants.insert(constants.end(), std::size_t(cells),
                             Constant{ListCell, 0, nullptr, 0});
            return next();
        }
        if (!keepConstant()) return false;
        const bool name = token == NAME;
        if (!next()) return false;
        if (!name || token != LPAREN) return true;
        // A function term: its functor's symbol is entered behind its arguments'.
        termsRead = true;
        Constant functor = constants.back();
        constants.pop_back();
        if (depth >= FactList::MaxTermDepth) return false;
        do {
            if (!next() || !self(self, depth + 1)) return false;
            ++functor.arity;
        } while (token == COMMA);
        if (token != RPAREN || functor.arity > std::numeric_limits<std::uint8_t>::max())
            return false;
        constants.push_back(functor);
        return next();
    };
    // A ground term from the next token on; the token behind it is read.
    auto term = [&]() { return next() && termAt(termAt, 0); };
    termsRead = false;
    if (!next()) return false;
    ground.shape.clear();
    // A name followed by arguments and the clause end is a predicate; followed by anything
    // else, the name and its arguments are a function term, the host of a molecule.
    bool predicate = false;
    if (token == NAME) {
        const std::size_t name = constants.size();
        if (!termAt(termAt, 0)) return false;
        predicate = token == CLAUSE_END;
        if (predicate) {
            // p(a, 1) or p: the arguments stand before the name, which is no term.
            if (constants.back().arity > 0) {
                constants.back().arity = 0;
                std::rotate(constants.begin() + std::ptrdiff_t(name), constants.end() - 1,
                            constants.end());
            }
        }
    } else if (!termAt(termAt, 0)) {
        return false;
    }
    if (predicate) {
        const Constant name = constants.front();
        constants.erase(constants.begin());
        const std::string_view predicate(name.text, name.length);
        const bool known = isLastPredicate(predicate);
        if ((!known && GrammarSupport::namesBuiltin(std::string(predicate))) ||
            !FactList::fits(termCount(), ground.shape))
            return false;
        ground.form = FactList::Predicate;
        const bool terms = makeTerms(ground.args);
        ground.terms = terms ? groundTerms : nullptr;
        const int arity = static_cast<int>(ground.args.size());
        if (known && lastPredicate.getArity() == arity) {
            ground.symbol = lastPredicate;
        } else {
            ground.symbol = programSymTab()->nameSymbol(
                predicate, InternalName::Predicate, arity,
                SymTab::hashKey(predicate, InternalName::Predicate, arity));
            lastPredicate = ground.symbol;
            lastPredicateTable = programSymTab();
        }
    } else {
        // A molecule: host, an optional class relation, then values in brackets.
        const bool hostIsTerm = constants.back().arity > 0 || constants.back().code == ListCell;
        int isaKind = 0;
        if (token == ISA) {
            isaKind = textCode;
            // A step of the class hierarchy is one between constants; a class is a constant.
            if ((isaKind == 2 && hostIsTerm) || !next() || !keepConstant() || !next()) return false;
        }
        std::size_t specCount = 0;
        // Per value: its arrow kind, argument count and result count.
        std::vector<std::uint8_t>& shape = ground.shape;
        shape.push_back(static_cast<std::uint8_t>(isaKind));
        shape.push_back(0);
        if (token == LBRACKET) {
            do {
                // The method is a constant.
                if (!next() || !keepConstant() || !next()) return false;
                std::size_t argCount = 0;
                if (token == AT) {
                    if (!next() || token != LPAREN) return false;
                    do {
                        if (!term()) return false;
                        ++argCount;
                    } while (token == COMMA);
                    if (token != RPAREN || !next()) return false;
                }
                std::size_t resultCount = 1;
                int kind = 0;
                if (token == SARROW && textCode == 0) {
                    if (!term()) return false;
                } else if (token == MARROW && textCode == 1) {
                    kind = 1;
                    if (!next()) return false;
                    if (token == LBRACE) {
                        resultCount = 0;
                        do {
                            if (!term()) return false;
                            ++resultCount;
                        } while (token == COMMA);
                        if (token != RBRACE || !next()) return false;
                    } else if (!termAt(termAt, 0)) {
                        return false;
                    }
                } else {
                    return false;
                }
                ++specCount;
                if (argCount > 0xff || resultCount > 0xff) return false;
                shape.push_back(static_cast<std::uint8_t>(kind));
                shape.push_back(static_cast<std::uint8_t>(argCount));
                shape.push_back(static_cast<std::uint8_t>(resultCount));
            } while (token == SEMICOLON);
            if (token != RBRACKET || !next()) return false;
        } else if (isaKind == 0) {
            return false;
        }
        if (token != CLAUSE_END || specCount > 0xff) return false;
        shape[1] = static_cast<std::uint8_t>(specCount);
        if (!FactList::fits(termCount(), shape)) return false;
        const bool terms = makeTerms(ground.args);
        ground.terms = terms ? groundTerms : nullptr;
        // One class relation, or one value without arguments and of one result, has a form
        // of its own; anything else is a Molecule.
        ground.symbol = FSymbol();
        if (specCount == 0) {
            ground.form = isaKind == 2 ? FactList::Subclass : FactList::Member;
        } else if (isaKind == 0 && specCount == 1 && shape[3] == 0 && shape[4] == 1) {
            ground.form = shape[2] == 1 ? FactList::SetValue : FactList::Value;
            ground.symbol = ground.args[1];
            ground.args.erase(ground.args.begin() + 1);
        } else {
            ground.form = FactList::Molecule;
        }
    }
    return true;
}

bool InternalFLogicParser::isLastPredicate(std::string_view name) const {
    if (lastPredicateTable == nullptr || lastPredicateTable != programSymTab()) return false;
    // The table may have been emptied or replaced since: its entry of that id must still be
    // the predicate of that name.
    const SymTabEntry* entry = lastPredicateTable->entryOf(lastPredicate.getValue());
    return entry != nullptr && entry->getKind() == InternalName::Predicate &&
           entry->getArity() == lastPredicate.getArity() && entry->getName() == name;
}

std::size_t InternalFLogicParser::termCount() const {
    if (!termsRead) return constants.size();
    std::size_t count = 0;
    for (const Constant& at : constants) {
        // A function symbol's arity is a signed byte: a wider term is left to the grammar.
        if (at.arity > std::numeric_limits<std::int8_t>::max())
            return std::numeric_limits<std::size_t>::max();
        if (at.code == ListCell)
            --count;
        else
            count = count + 1 - std::size_t(at.arity);
    }
    return count;
}

bool InternalFLogicParser::makeTerms(std::vector<FSymbol>& out) {
    out.clear();
    if (!termsRead) {
        for (const Constant& at : constants) out.emplace_back(constantName(at));
        return false;
    }
    bool made = false;
    // The symbols of "nil" and "cons", entered where the grammar enters them: at a list's end
    // and at its first cell.
    InternalName nil;
    InternalName cons;
    bool nilEntered = false;
    bool consEntered = false;
    auto function = [&](std::string_view name, int arity) {
        return programSymTab()->nameSymbol(name, InternalName::Function, arity,
                                           SymTab::hashKey(name, InternalName::Function, arity));
    };
    auto make = [&](const FSymbol& functor, std::size_t arity) {
        if (groundTerms == nullptr) groundTerms = std::make_shared<GroundTermTable>();
        const FSymbol made = groundTerms->intern(functor, out.data() + out.size() - arity, arity);
        out.resize(out.size() - arity);
        out.push_back(made);
    };
    for (const Constant& at : constants) {
        if (at.code == ListEnd) {
            if (!nilEntered) nil = function("nil", 0);
            nilEntered = true;
            out.emplace_back(nil);
        } else if (at.code == ListCell) {
            if (!consEntered) cons = function("cons", 2);
            consEntered = true;
            make(cons, 2);
            made = true;
        } else if (at.arity > 0) {
            make(function(std::string_view(at.text, at.length), at.arity), std::size_t(at.arity));
            made = true;
        } else {
            out.emplace_back(constantName(at));
        }
    }
    return made;
}

int InternalFLogicParser::runGrammar(FRule** result) {
    return FLogicparse(*this, result);
}

int InternalFLogicParser::yylex(FLOGICSTYPE* value) {
    if (keptNext < kept.size()) {
        const Token& token = kept[keptNext++];
        if (token.rejects) clearOk();
        *value = token.value;
        setAtInputEnd(token.code == 0);
        return token.code;
    }
    const int token = nextToken(ILLEGAL, CLAUSE_END);
    const char* text = scanner->text();
    switch (token) {
        case ISA:
            value->code = std::strcmp(text, ":") == 0 ? 1 : 2;
            break;
        case DOT:
            value->code = std::strcmp(text, ".") == 0    ? 0
                          : std::strcmp(text, "..") == 0 ? 1
                          : std::strcmp(text, "!") == 0  ? 3
                                                         : 4;
            break;
        case SARROW:
            value->code = std::strcmp(text, "->") == 0 ? 0 : 3;
            break;
        case MARROW:
            value->code = std::strcmp(text, "->>") == 0 ? 1 : 4;
            break;
        case SIGARROW:
            value->code = std::strcmp(text, "=>") == 0 ? 6 : 7;
            break;
        case NAME:
        case VARIABLE:
        case STRING:
        case INTEGER:
        case FLOAT:
        case COMPARE:
        case ADDOP:
        case MULOP:
            // Only these tokens' texts are read by the grammar; the others carry no value.
            value->text = tokenText();
            break;
        default:
            value->text = nullptr;
    }
    return token;
}
