// Printed forms of identifiers (also of made path and function-term objects) and lookup by text.
#include <iostream>
#include <vector>

#include "objectbase/Iterator.h"
#include "objectbase/MainMemOM.h"
#include "objectbase/SymTab.h"

namespace {

bool isMadeForTerm(const InternalName& name) {
    return (name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
           name.getArity() > 0;
}

}  // namespace

int MainMemOM::giveLexicalForm(const InternalName& name, std::string& out, int quote, int style) {
    bool made =
        (name.getType() == InternalName::Object || name.getType() == InternalName::String) &&
        (name.getArity() == -1 || name.getArity() > 0);
    if (!made) return lexicalForm(name, out, quote, style);
    // Once equalities are applied a made object can occur inside its own path or term; that
    // inner occurrence has no finite form and stays empty.
    if (!formsInProgress.insert(name).second) return 0;
    int result = lexicalForm(name, out, quote, style);
    formsInProgress.erase(name);
    return result;
}

int MainMemOM::lexicalForm(const InternalName& name, std::string& out, int quote, int style) {
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

    // A list tail that is not itself a list cell or nil: "|" tail "]".
    if (style == 2) {
        bool nil = false;
        FSymbol symbol;
        if (name.getArity() == 0 && giveSymbol(name, symbol) != 0 && symbol == builtinSymbol::Nil)
            nil = true;
        if (nil) {
            out += "]";
            return 1;
        }
        if (!isMadeForTerm(name)) {
            out += "|";
            int result = lexicalForm(name, out, quote, 0);
            out += "]";
            return result;
        }
        return functionTermForm(name, out, quote, style);
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
    if (flag == -1) {
        std::string path;
        int result = pathForm(name, path, quote);
        if (style == 1 && path.find_first_of(".!") != std::string::npos)
            out += "(" + path + ")";
        else
            out += path;
        return result;
    }
    if (flag > 0) return functionTermForm(name, out, quote, style);

    FSymbol symbol;
    if (giveSymbol(name, symbol) == 0) return 1;
    if (symbol == builtinSymbol::Nil) {
        out += "[]";
        return 1;
    }
    std::string text = symTab->giveName(symbol);
    if (symbol.getType() == InternalName::String && quote != 0)
        appendQuotedString(text, out);
    else
        out += text;
    return 1;
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

int MainMemOM::pathForm(const InternalName& object, std::string& out, int quote) {
    InternalName host;
    if (!pathHostOf(object, host)) return 0;
    MainMemObjFrame* frame = getObjFrame(host);
    if (frame == nullptr) return 0;

    Iterator* entries = nullptr;
    Iterator* rows = nullptr;
    int found = 0;
    for (int type : {0, 3}) {
        entries = frame->methodIterator(type, entries);
        for (bool more = entries->first(); more && !found; more = entries->next()) {
            InternalName method = entries->atColumn(1);
            InternalName value = entries->atColumn(2);
            std::string head;
            if (value == object) {
                giveLexicalForm(host, head, quote);
                head += type == 0 ? "." : "!";
                giveLexicalForm(method, head, quote);
                out += head;
                found = 1;
            } else if (value.getType() == InternalName::ParamFrame) {
                MainMemParamFrame* params = getParamFrame(value);
                if (params == nullptr) continue;
                int width = params->getArity();
                rows = params->getIterator(rows);
                for (bool row = rows->first(); row; row = rows->next()) {
                    if (rows->atColumn(width) != object) continue;
                    giveLexicalForm(host, head, quote);
                    head += type == 0 ? "." : "!";
                    giveLexicalForm(method, head, quote);
                    head += "@(";
                    for (int col = 1; col < width; ++col) {
                        if (col > 1) head += ",";
                        giveLexicalForm(rows->atColumn(col), head, quote);
                    }
                    head += ")";
                    out += head;
                    found = 1;
                    break;
                }
            }
        }
        if (found) break;
    }
    if (entries != nullptr) decRef(entries);
    if (rows != nullptr) decRef(rows);
    return found;
}

int MainMemOM::functionTermForm(const InternalName& made, std::string& out, int quote, int style) {
    // The width comes from the made name (n + 1); the name it was equated with may be any object.
    int width = made.getArity();
    if (width <= 0) return 0;
    InternalName object = made;
    auto applied = appliedEqualities.lookup(object);
    if (applied != nullptr) object = appliedEqualities.inf(applied);

    // The parameter frames holding the object are among the names its usage index lists.
    const UsageSet* users = usageOf(object);
    if (users == nullptr) return 0;
    std::vector<InternalName> cells;
    InternalName paramName;
    bool found = false;
    Iterator* rows = nullptr;
    users->forEach([&](const InternalName& user) {
        if (user.getType() != InternalName::ParamFrame || user.getArity() != width) return true;
        MainMemParamFrame* params = getParamFrame(user);
        if (params == nullptr) return true;
        rows = params->getIterator(rows);
        for (bool row = rows->first(); row; row = rows->next()) {
            if (rows->atColumn(width) != object) continue;
            // A row that holds the object among its own arguments (left by an equality such as
            // g(b) = f(g(b))) cannot define it; another row does.
            bool selfReferencing = false;
            for (int col = 1; col < width; ++col)
                selfReferencing = selfReferencing || rows->atColumn(col) == object;
            if (selfReferencing) continue;
            for (int col = 1; col < width; ++col) cells.push_back(rows->atColumn(col));
            paramName = user;
            found = true;
            break;
        }
        return !found;
    });
    if (rows != nullptr) decRef(rows);
    if (!found) return 0;

    FSymbol function;
    if (giveSymbol(paramName, function) == 0) return 0;
    if (function == builtinSymbol::Cons && cells.size() == 2) {
        out += style == 2 ? "," : "[";
        giveLexicalForm(cells[0], out, quote, 0);
        giveLexicalForm(cells[1], out, quote, 2);
        return 1;
    }
    std::string term;
    giveLexicalForm(function, term, quote, 0);
    term += "(";
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i > 0) term += ",";
        giveLexicalForm(cells[i], term, quote, 0);
    }
    term += ")";
    out += style == 2 ? "|" + term + "]" : term;
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
