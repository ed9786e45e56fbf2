// Printed forms of identifiers (also of made path and function-term objects) and lookup by text.
#include <algorithm>
#include <initializer_list>
#include <iostream>
#include <iterator>
#include <vector>

#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"

namespace {

// A path or function-term object: its form is made from the objects it holds.
bool isMadeObject(const InternalName& name) {
    return (name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
           (name.getArity() == -1 || name.getArity() > 0);
}

bool isMadeForTerm(const InternalName& name) {
    return (name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
           name.getArity() > 0;
}

}  // namespace

int MainMemOM::giveLexicalForm(const InternalName& name, std::string& out, int quote, int style) {
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

void MainMemOM::pushFormSteps(std::initializer_list<FormStep> steps) {
    for (auto step = std::rbegin(steps); step != std::rend(steps); ++step)
        formSteps.push_back(*step);
}

int MainMemOM::writeFormStep(const InternalName& name, int quote, int style, std::string& out) {
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
            out += std::to_string(name.getValue());
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
            out += symTab->GetName(name);
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

void MainMemOM::keepForms(bool keep) {
    formKeepers += keep ? 1 : -1;
    if (formKeepers > 0) return;
    formKeepers = 0;
    keptParts.clear();
    keptList = {};
    keptCells = {};
    lastKept = InternalName::UndefinedObject;
    keptSymbolAt.clear();
    keptSymbols = {};
    keptSymbolByNumber = {};
    keptMethodAt.clear();
    keptMethodTexts = {};
}

bool MainMemOM::boundSymbol(const InternalName& name, FSymbol& symbol, const std::string*& text) {
    if (formKeepers > 0) {
        std::uint32_t* numbered = nullptr;
        constexpr std::int32_t numberedLimit = 1 << 24;
        if ((name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
            name.getArity() == 0 && name.getValue() >= 0 && name.getValue() < numberedLimit) {
            const auto number = static_cast<std::size_t>(name.getValue());
            if (number >= keptSymbolByNumber.size())
                keptSymbolByNumber.resize(std::max(number + 1, keptSymbolByNumber.size() * 2));
            numbered = &keptSymbolByNumber[number];
            if (*numbered != 0 && keptSymbols[*numbered - 1].name != name) numbered = nullptr;
        }
        const std::uint32_t at =
            numbered != nullptr ? *numbered - 1 : keptSymbolAt.valueOr(name, UINT32_MAX);
        if (at != UINT32_MAX) {
            symbol = keptSymbols[at].symbol;
            text = &keptSymbols[at].text;
            return true;
        }
        if (giveSymbol(name, symbol) == 0) return false;
        // Kept straight away: a copy through the scratch text would cost a string per name.
        const auto place = static_cast<std::uint32_t>(keptSymbols.size());
        if (numbered != nullptr)
            *numbered = place + 1;
        else
            keptSymbolAt.emplace(name, place);
        keptSymbols.push_back({name, symbol, symTab->giveName(symbol)});
        text = &keptSymbols.back().text;
        return true;
    }
    if (giveSymbol(name, symbol) == 0) return false;
    symbolScratch = symTab->giveName(symbol);
    text = &symbolScratch;
    return true;
}

bool MainMemOM::termParts(const InternalName& made, int width, TermParts& out) {
    if (formKeepers == 0) return findTermParts(made, width, out);
    const KeptParts& kept = keptList[keptIndex(made, width)];
    out.function = kept.function;
    out.row = kept.found ? &keptCells[kept.at] : nullptr;
    return out.row != nullptr;
}

std::uint32_t MainMemOM::keptIndex(const InternalName& made, int width) {
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

bool MainMemOM::findTermParts(const InternalName& made, int width, TermParts& out) {
    out = TermParts();
    InternalName object = made;
    auto applied = appliedEqualities.lookup(object);
    if (applied != nullptr) object = appliedEqualities.inf(applied);

    // The parameter frames holding the object are among the names its usage index lists; the
    // first that has a row defining it names the function.
    InternalName paramName;
    if (const UsageSet* users = usageOf(object)) {
        users->forEach([&](const InternalName& user) {
            if (user.getType() != InternalName::ParamFrame || user.getArity() != width) return true;
            MainMemParamFrame* params = getParamFrame(user);
            if (params == nullptr) return true;
            out.row = params->storedRows().definingRow(object);
            paramName = user;
            return out.row == nullptr;
        });
    }
    if (out.row != nullptr && giveSymbol(paramName, out.function) == 0) out.row = nullptr;
    return out.row != nullptr;
}

void MainMemOM::appendQuotedString(const std::string& stored, std::string& out) {
    // The stored text carries its own double quotes; the characters between them are escaped.
    std::size_t begin = 0;
    std::size_t end = stored.size();
    if (end >= 2 && stored.front() == '"' && stored.back() == '"') {
        begin = 1;
        end -= 1;
    }
    out += '"';
    for (std::size_t i = begin; i < end; ++i) {
        switch (stored[i]) {
            case '\b':
                out += "\\b";
                break;
            case '\t':
                out += "\\t";
                break;
            case '\n':
                out += "\\n";
                break;
            case '"':
                out += "\\\"";
                break;
            default:
                out += stored[i];
        }
    }
    out += '"';
}

int MainMemOM::pathForm(const InternalName& object, std::string& out, int /*quote*/, int style) {
    InternalName host;
    if (!pathHostOf(object, host)) return 0;
    MainMemObjFrame* frame = getObjFrame(host);
    if (frame == nullptr) return 0;

    // The entry of the host that holds the object: its type and method, and the arguments of
    // its row when the entry has arguments.
    Ref<Iterator> entries;
    Ref<Iterator> rows;
    int foundType = -1;
    InternalName method;
    std::vector<InternalName> arguments;
    bool withArguments = false;
    for (int type : {0, 3}) {
        entries.renew([&](Iterator* old) { return frame->methodIterator(type, old); });
        for (bool more = entries->first(); more && foundType < 0; more = entries->next()) {
            InternalName value = entries->atColumn(2);
            if (value == object) {
                foundType = type;
                method = entries->atColumn(1);
            } else if (value.getType() == InternalName::ParamFrame) {
                MainMemParamFrame* params = getParamFrame(value);
                if (params == nullptr) continue;
                int width = params->getArity();
                rows.renew([&](Iterator* old) { return params->getIterator(old); });
                for (bool row = rows->first(); row; row = rows->next()) {
                    if (rows->atColumn(width) != object) continue;
                    foundType = type;
                    method = entries->atColumn(1);
                    withArguments = true;
                    for (int col = 1; col < width; ++col) arguments.push_back(rows->atColumn(col));
                    break;
                }
            }
        }
        if (foundType >= 0) break;
    }
    if (foundType < 0) return 0;

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

int MainMemOM::functionTermForm(const InternalName& made, std::string& out, int quote, int style) {
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

int MainMemOM::lookupName(const std::string& text, InternalName& out, int arity) {
    if (arity >= 0) {
        out = symTab->GetFSymbol(text, InternalName::Predicate, arity);
        return 1;
    }
    FSymbol symbol = symTab->GetFSymbol(text, InternalName::Function, 0);
    if (giveInternalName(symbol, out) != 0) return 1;
    std::cout << "if we come here, something bad happened in MainMemOM.cc\n";
    return 0;
}
