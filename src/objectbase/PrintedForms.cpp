// The printed forms of the object base's names, written by a walk or made once while kept.
#include "objectbase/PrintedForms.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <string_view>
#include <vector>

#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/QuotedString.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"

namespace {

// A path or function-term object: its form is made from the objects it holds.
bool isMadeObject(const InternalName& name) {
    return (name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
           (name.getArity() == -1 || name.getArity() > 0);
}

// The same text as std::to_string, without a string made for it.
void appendInteger(std::int32_t value, std::string& out) {
    char digits[16];
    const auto written = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, written.ptr);
}

bool isMadeForTerm(const InternalName& name) {
    return (name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
           name.getArity() > 0;
}

}  // namespace

int PrintedForms::write(const InternalName& name, std::string& out, int quote, int style) {
    // Within a walk or the making of a kept form (never, as things are) the walk answers.
    if (formKeepers > 0 && formSteps.empty() && formsInMaking.empty() && style >= 0 && style <= 2) {
        if (style == 0 && quote != 0 && keptForms.writePlain(name, out)) return 1;
        return keptLexicalForm(name, out, quote != 0 ? 1 : 0, style);
    }
    return walkLexicalForm(name, out, quote, style);
}

int PrintedForms::keptLexicalForm(const InternalName& name, std::string& out, int quote,
                                  int style) {
    // An integer costs less written than looked up.
    if (name.getType() == InternalName::Integer && style != 2) {
        appendInteger(name.getValue(), out);
        return 1;
    }
    const std::uint32_t entry = keptForm(name, quote, style);
    if (entry == LexicalFormCache::none) return 0;
    controlEvents::StopPoll stop;
    keptForms.write(entry, out, stop);
    return keptForms.result(entry);
}

std::uint32_t PrintedForms::keptForm(const InternalName& name, int quote, int style) {
    const std::uint32_t kept = keptForms.find(name, style, quote);
    if (kept != LexicalFormCache::none) return kept;
    if (isMadeObject(name)) return makeKeptForm(name, quote, style);
    // The form of any other name is its own text, the same wherever it stands. That of an
    // object or a string (most names), as the walk writes it, is made here at once.
    plainForm.clear();
    int result = 1;
    if ((name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
        name.getArity() == 0 && style != 2) {
        FSymbol symbol;
        if (base.giveSymbol(name, symbol) != 0) {
            // The text read in the table, where a copy of it was made for each name.
            const SymTabEntry* entry = nullptr;
            if (symbol.getType() != InternalName::Integer &&
                symbol.getType() != InternalName::Float)
                entry = base.symTab->entryOf(symbol.getValue());
            if (entry != nullptr &&
                FSymbol(symbol.getValue(), entry->getKind(), entry->getArity()) != symbol)
                entry = nullptr;
            if (entry == nullptr) symbolScratch = base.symTab->giveName(symbol);
            const std::string_view text =
                entry != nullptr ? entry->getName() : std::string_view(symbolScratch);
            if (symbol == builtinSymbol::Nil)
                plainForm.text = "[]";
            else if (symbol.getType() == InternalName::String && quote != 0)
                appendQuotedString(text, plainForm.text);
            else
                plainForm.text = text;
        }
    } else {
        result = walkLexicalForm(name, plainForm.text, quote, style);
    }
    return keptForms.add(name, style, quote, plainForm, result, true);
}

std::uint32_t PrintedForms::makeKeptForm(const InternalName& root, int quote, int style) {
    // The forms are made from an explicit stack, as the walk writes them: a list built by a
    // rule nests its cells thousands deep. A form is kept once the forms of its parts are.
    controlEvents::StopPoll stop;
    openKeptForm(root, style);
    while (true) {
        const std::size_t depth = formsInMaking.size() - 1;
        FormInMaking& making = formsInMaking[depth];
        LexicalFormCache::Form& form = formTexts[depth];
        if (making.next == making.end) {
            // An inner occurrence of an object in its own form is left empty: such a form is
            // right only where it was made, and is not found again.
            const std::uint32_t entry =
                keptForms.add(making.name, making.style, quote, form, making.result, !making.cut);
            const bool cut = making.cut;
            closeKeptForm(making);
            formPieces.resize(making.begin);
            formsInMaking.pop_back();
            if (depth == 0) return entry;
            formsInMaking[depth - 1].cut |= cut;
            keptForms.place(entry, formTexts[depth - 1]);
            continue;
        }
        // A stop request ends the making; what the writer takes after it goes nowhere.
        if (stop.stop()) {
            for (FormInMaking& open : formsInMaking) closeKeptForm(open);
            formsInMaking.clear();
            formPieces.clear();
            return LexicalFormCache::none;
        }
        const FormPiece piece = formPieces[making.next++];
        if (piece.text != nullptr) {
            form.text += piece.text;
            continue;
        }
        if (!isMadeObject(piece.name)) {
            // An integer is its digits; a kept name (most of them) is copied as it is found.
            if (piece.name.getType() == InternalName::Integer && piece.style != 2)
                appendInteger(piece.name.getValue(), form.text);
            else if (piece.style != 0 || quote != 1 || !keptForms.placePlain(piece.name, form))
                keptForms.place(keptForm(piece.name, quote, piece.style), form);
            continue;
        }
        // A kept form has no cycle in it: its object is not one of those in the making.
        const std::uint32_t kept = keptForms.find(piece.name, piece.style, quote);
        if (kept != LexicalFormCache::none) {
            keptForms.place(kept, form);
            continue;
        }
        if (keptFormOpen(piece.name)) {
            making.cut = true;
            continue;
        }
        openKeptForm(piece.name, piece.style);
    }
}

bool PrintedForms::keptFormOpen(const InternalName& made) {
    if (made.getArity() > 0) return keptList[keptIndex(made, made.getArity())].open;
    return formsInProgress.count(made) != 0;
}

void PrintedForms::closeKeptForm(FormInMaking& making) {
    if (making.name.getArity() > 0)
        keptList[making.kept].open = false;
    else
        formsInProgress.erase(making.name);
}

void PrintedForms::openKeptForm(const InternalName& name, int style) {
    FormInMaking making;
    making.name = name;
    making.style = static_cast<std::int8_t>(style);
    making.begin = static_cast<std::uint32_t>(formPieces.size());
    auto text = [this](const char* piece) { formPieces.push_back({piece, InternalName(), 0}); };
    auto part = [this](const InternalName& part, int partStyle) {
        formPieces.push_back({nullptr, part, static_cast<std::int8_t>(partStyle)});
    };
    // The pieces in the order the walk writes them (writeFormStep, functionTermForm, pathForm).
    const int width = name.getArity();
    TermParts parts;
    if (width > 0) {
        making.kept = keptIndex(name, width);
        keptList[making.kept].open = true;
        if (!termParts(name, width, parts)) {
            making.result = 0;
        } else if (parts.function == builtinSymbol::Cons && width == 3) {
            text(style == 2 ? "," : "[");
            part(parts.row[0], 0);
            part(parts.row[1], 2);
        } else {
            // The row stays where it is until the next term is looked up, after these pieces.
            if (style == 2) text("|");
            part(parts.function, 0);
            text("(");
            for (int i = 0; i < width - 1; ++i) {
                if (i > 0) text(",");
                part(parts.row[i], 0);
            }
            text(")");
            if (style == 2) text("]");
        }
    } else {
        formsInProgress.emplace(name, true);
        InternalName host;
        InternalName method;
        int type = 0;
        bool withArguments = false;
        std::vector<InternalName> arguments;
        if (style == 2) text("|");
        if (!pathParts(name, host, type, method, withArguments, arguments)) {
            making.result = 0;
        } else {
            if (style == 1) text("(");
            part(host, 0);
            text(type == 0 ? "." : "!");
            part(method, 0);
            if (withArguments) {
                text("@(");
                for (std::size_t i = 0; i < arguments.size(); ++i) {
                    if (i > 0) text(",");
                    part(arguments[i], 0);
                }
                text(")");
            }
            if (style == 1) text(")");
        }
        if (style == 2) text("]");
    }
    making.next = making.begin;
    making.end = static_cast<std::uint32_t>(formPieces.size());
    if (formTexts.size() <= formsInMaking.size()) formTexts.emplace_back();
    formTexts[formsInMaking.size()].clear();
    formsInMaking.push_back(making);
}

int PrintedForms::walkLexicalForm(const InternalName& name, std::string& out, int quote,
                                  int style) {
    // A term made at run time can be nested far deeper than the stack would allow a walk with
    // a frame per level (a list of 20,000 cells built by a recursive rule), so the form is
    // written from an explicit stack of the steps still to come, each node's own text at once
    // and its parts pushed last first. Steps pushed by an outer call stay below `base`.
    const std::size_t base = formSteps.size();
    const int result = writeFormStep(name, quote, style, out);
    controlEvents::StopPoll stop;
    while (formSteps.size() > base) {
        const FormStep step = formSteps.back();
        formSteps.pop_back();
        switch (step.kind) {
            case FormStep::Text:
                out += step.text;
                break;
            case FormStep::Leave:
                formsInProgress.erase(step.name);
                break;
            case FormStep::LeaveKept:
                keptList[step.at].open = false;
                break;
            case FormStep::Name:
                // A form of millions of cells is long work: a stop request cuts it short, the
                // rest unwritten.
                if (stop.stop()) {
                    for (std::size_t at = base; at < formSteps.size(); ++at)
                        if (formSteps[at].kind == FormStep::Leave)
                            formsInProgress.erase(formSteps[at].name);
                        else if (formSteps[at].kind == FormStep::LeaveKept)
                            keptList[formSteps[at].at].open = false;
                    formSteps.resize(base);
                    break;
                }
                writeFormStep(step.name, quote, step.style, out);
                break;
        }
    }
    return result;
}

void PrintedForms::pushFormSteps(std::initializer_list<FormStep> steps) {
    for (auto step = std::rbegin(steps); step != std::rend(steps); ++step)
        formSteps.push_back(*step);
}

int PrintedForms::writeFormStep(const InternalName& name, int quote, int style, std::string& out) {
    switch (name.getType()) {
        case InternalName::Integer:
        case InternalName::Float:
        case InternalName::Predicate:
        case InternalName::Function:
        case InternalName::Variable:
        case InternalName::DontCare:
        case InternalName::BuiltinPredicate:
        case InternalName::String:
        case InternalName::Object:
            break;
        default:
            // Set and parameter-frame names have no printed form.
            return 0;
    }
    const bool made = isMadeObject(name);
    // Once equalities are applied a made object can occur inside its own path or term; that
    // inner occurrence has no finite form and stays empty.
    if (made && formKeepers > 0 && name.getArity() > 0) {
        const std::uint32_t at = keptIndex(name, name.getArity());
        if (keptList[at].open) return 0;
        keptList[at].open = true;
        formSteps.push_back(FormStep::leaveKept(at));
    } else if (made) {
        if (!formsInProgress.emplace(name, true).second) return 0;
        formSteps.push_back(FormStep::leave(name));
    }

    // A list tail that is not itself a list cell or nil: "|" tail "]".
    if (style == 2) {
        FSymbol symbol;
        const std::string* text = nullptr;
        if (name.getArity() == 0 && boundSymbol(name, symbol, text) &&
            symbol == builtinSymbol::Nil) {
            out += "]";
            return 1;
        }
        if (isMadeForTerm(name)) return functionTermForm(name, out, quote, style);
        out += "|";
        formSteps.push_back(FormStep::piece("]"));
        style = 0;
    }

    switch (name.getType()) {
        case InternalName::Integer:
            appendInteger(name.getValue(), out);
            return 1;
        case InternalName::Float:
            // The shortest stream-style text that reads back to the same float, so a saved
            // or exported base keeps its values.
            out += "#";
            out += floatToText(name.asFloat());
            return 1;
        case InternalName::String:
        case InternalName::Object:
            break;
        default:
            out += base.symTab->GetName(name);
            return 1;
    }

    int flag = name.getArity();
    if (flag == -2) return 1;
    if (flag == -1) return pathForm(name, out, quote, style);
    if (flag > 0) return functionTermForm(name, out, quote, style);

    FSymbol symbol;
    const std::string* text = nullptr;
    if (!boundSymbol(name, symbol, text)) return 1;
    if (symbol == builtinSymbol::Nil) {
        out += "[]";
        return 1;
    }
    if (symbol.getType() == InternalName::String && quote != 0)
        appendQuotedString(*text, out);
    else
        out += *text;
    return 1;
}

void PrintedForms::keep(bool keep) {
    formKeepers += keep ? 1 : -1;
    if (formKeepers > 0) return;
    formKeepers = 0;
    keptParts.clear();
    keptList = {};
    keptCells = {};
    lastKept = InternalName::UndefinedObject;
    keptMethodAt.clear();
    keptMethodTexts = {};
    keptForms.clear();
    formTexts = {};
    formPieces = {};
    plainForm = {};
}

bool PrintedForms::boundSymbol(const InternalName& name, FSymbol& symbol,
                               const std::string*& text) {
    // While forms are kept, the form of each name is made once (keptForms): the symbol is not
    // kept besides.
    if (base.giveSymbol(name, symbol) == 0) return false;
    symbolScratch = base.symTab->giveName(symbol);
    text = &symbolScratch;
    return true;
}

bool PrintedForms::termParts(const InternalName& made, int width, TermParts& out) {
    if (formKeepers == 0) return findTermParts(made, width, out);
    const KeptParts& kept = keptList[keptIndex(made, width)];
    out.function = kept.function;
    out.row = kept.found ? &keptCells[kept.at] : nullptr;
    return out.row != nullptr;
}

std::uint32_t PrintedForms::keptIndex(const InternalName& made, int width) {
    if (made == lastKept) return lastKeptAt;
    std::uint32_t at = keptParts.valueOr(made, UINT32_MAX);
    if (at == UINT32_MAX) {
        TermParts parts;
        const bool found = findTermParts(made, width, parts);
        // The cells are copied: the row itself may move when a frame grows.
        KeptParts kept{parts.function, static_cast<std::uint32_t>(keptCells.size()), found};
        if (found) keptCells.insert(keptCells.end(), parts.row, parts.row + width - 1);
        at = static_cast<std::uint32_t>(keptList.size());
        keptList.push_back(kept);
        keptParts.emplace(made, at);
    }
    lastKept = made;
    lastKeptAt = at;
    return at;
}

bool PrintedForms::findTermParts(const InternalName& made, int width, TermParts& out) {
    out = TermParts();
    const InternalName object = base.equalities.appliedRepresentativeOf(made);

    // The parameter frames holding the object are among the names its usage index lists; the
    // first that has a row defining it names the function.
    InternalName paramName;
    if (const UsageSet* users = base.usageOf(object)) {
        users->forEach([&](const InternalName& user) {
            if (user.getType() != InternalName::ParamFrame || user.getArity() != width) return true;
            MainMemParamFrame* params = base.getParamFrame(user);
            if (params == nullptr) return true;
            out.row = params->storedRows().definingRow(object);
            paramName = user;
            return out.row == nullptr;
        });
    }
    if (out.row != nullptr && base.giveSymbol(paramName, out.function) == 0) out.row = nullptr;
    return out.row != nullptr;
}

bool PrintedForms::pathParts(const InternalName& object, InternalName& host, int& type,
                             InternalName& method, bool& withArguments,
                             std::vector<InternalName>& arguments) {
    withArguments = false;
    if (!base.pathHostOf(object, host)) return false;
    MainMemObjFrame* frame = base.getObjFrame(host);
    if (frame == nullptr) return false;

    // The entry of the host that holds the object: its type and method, and the arguments of
    // its row when the entry has arguments.
    Ref<Iterator> entries;
    Ref<Iterator> rows;
    for (int entryType : {0, 3}) {
        entries.renew([&](Iterator* old) { return frame->methodIterator(entryType, old); });
        for (bool more = entries->first(); more; more = entries->next()) {
            InternalName value = entries->atColumn(2);
            if (value == object) {
                type = entryType;
                method = entries->atColumn(1);
                return true;
            }
            if (value.getType() != InternalName::ParamFrame) continue;
            MainMemParamFrame* params = base.getParamFrame(value);
            if (params == nullptr) continue;
            int width = params->getArity();
            rows.renew([&](Iterator* old) { return params->getIterator(old); });
            for (bool row = rows->first(); row; row = rows->next()) {
                if (rows->atColumn(width) != object) continue;
                type = entryType;
                method = entries->atColumn(1);
                withArguments = true;
                for (int col = 1; col < width; ++col) arguments.push_back(rows->atColumn(col));
                return true;
            }
        }
    }
    return false;
}

int PrintedForms::pathForm(const InternalName& object, std::string& out, int /*quote*/, int style) {
    InternalName host;
    InternalName method;
    int foundType = 0;
    bool withArguments = false;
    std::vector<InternalName> arguments;
    if (!pathParts(object, host, foundType, method, withArguments, arguments)) return 0;

    // host "." method ["@(" arguments ")"], in parentheses as a sub-term (style 1).
    if (style == 1) {
        out += "(";
        formSteps.push_back(FormStep::piece(")"));
    }
    if (withArguments) {
        formSteps.push_back(FormStep::piece(")"));
        for (std::size_t i = arguments.size(); i-- > 0;) {
            formSteps.push_back(FormStep::part(arguments[i], 0));
            if (i > 0) formSteps.push_back(FormStep::piece(","));
        }
        formSteps.push_back(FormStep::piece("@("));
    }
    pushFormSteps({FormStep::part(host, 0), FormStep::piece(foundType == 0 ? "." : "!"),
                   FormStep::part(method, 0)});
    return 1;
}

int PrintedForms::functionTermForm(const InternalName& made, std::string& out, int quote,
                                   int style) {
    // The width comes from the made name (n + 1); the name it was equated with may be any object.
    const int width = made.getArity();
    if (width <= 0) return 0;
    TermParts parts;
    if (!termParts(made, width, parts)) return 0;
    const FSymbol& function = parts.function;
    const InternalName* row = parts.row;
    if (function == builtinSymbol::Cons && width == 3) {
        out += style == 2 ? "," : "[";
        // A head that is no made object is written at once: its form needs no further steps,
        // and a list of constants costs one step a cell.
        const InternalName head = row[0];
        formSteps.push_back(FormStep::part(row[1], 2));
        if (isMadeObject(head))
            formSteps.push_back(FormStep::part(head, 0));
        else
            writeFormStep(head, quote, 0, out);
        return 1;
    }
    // f "(" arguments ")", or "|" f(...) "]" as a list's tail.
    if (style == 2) {
        out += "|";
        formSteps.push_back(FormStep::piece("]"));
    }
    formSteps.push_back(FormStep::piece(")"));
    for (int i = width - 2; i >= 0; --i) {
        formSteps.push_back(FormStep::part(row[i], 0));
        if (i > 0) formSteps.push_back(FormStep::piece(","));
    }
    pushFormSteps({FormStep::part(function, 0), FormStep::piece("(")});
    return 1;
}

const std::string& PrintedForms::methodText(const InternalName& method, int type,
                                            std::string& scratch) {
    const bool at = type == 2 || type == 5 || type == 8;
    if (formKeepers <= 0) {
        scratch = at ? "@" : "";
        write(method, scratch, 1, 0);
        return scratch;
    }
    auto [known, added] = keptMethodAt.emplace(method, std::uint32_t(keptMethodTexts.size()));
    const std::uint32_t place = known->second;
    if (added) {
        // Both forms at once: the plain one, and the same after "@".
        keptMethodTexts.emplace_back();
        write(method, keptMethodTexts.back(), 1, 0);
        keptMethodTexts.push_back("@" + keptMethodTexts.back());
    }
    return keptMethodTexts[place + (at ? 1 : 0)];
}
