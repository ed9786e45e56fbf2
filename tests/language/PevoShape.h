// Test helper: a parsed Pevo clause as a compact line that shows what the grammar decided: node
// classes, dot codes, axis codes, start kinds, is-a kinds, predicate kinds and result parts.
#pragma once

#include <string>

#include "language/AggExpr.h"
#include "language/ArithmeticExpr.h"
#include "language/FLiteral.h"
#include "language/FLiteralList.h"
#include "language/FMolecule.h"
#include "language/FRule.h"
#include "language/FTermList.h"
#include "language/FVar.h"
#include "language/FunctionTerm.h"
#include "language/MethResult.h"
#include "language/PTerm.h"
#include "language/Reference.h"
#include "language/Spec.h"
#include "objectbase/SymTab.h"

namespace language_test {

// The forms, each written the way the grammar's tests name them:
//   root^0, self^1     a start term with its start kind (a written term, kind 2, is bare)
//   PRef(h, m/2)       a PevoReference with the method m under axis code 2 (dot code 1; another
//                      dot code follows as ".d")
//   Ref(h, m.0)        an F-Logic Reference with its dot code
//   PMol(h, isa1 c, [f and not g])   a PevoMolecule with is-a kind and filter literals
//   Mol(h, isa1 c, [2 specs])        an FMolecule
//   p#0(a, X)          a PTerm with its symbol's kind
//   (a + b)            an arithmetic expression
//   t ->1 R            a result part with its method type
class ShapeWriter {
  public:
    ShapeWriter(const SymTab* names, const SymTab* vars) : names(names), vars(vars) {}

    std::string clause(const FRule& rule) const {
        std::string out;
        if (rule.getHead() != nullptr) {
            out += terms(&rule.getHead()->getList());
            if (rule.getBody() != nullptr) out += " :- ";
        } else {
            out += "?- ";
        }
        if (rule.getBody() != nullptr) out += literals(*rule.getBody(), ", ");
        return out;
    }

    std::string term(const FTerm* t) const {
        if (t == nullptr) return "<null>";
        std::string out = bare(t);
        const auto* path = dynamic_cast<const Path*>(t);
        if (path != nullptr && dynamic_cast<const FMolecule*>(t) == nullptr &&
            path->getMethResult() != nullptr)
            out += result(*path->getMethResult());
        return out;
    }

  private:
    std::string bare(const FTerm* t) const {
        if (const auto* m = dynamic_cast<const FMolecule*>(t)) {
            const bool pevo = dynamic_cast<const PevoMolecule*>(t) != nullptr;
            std::string out = (pevo ? "PMol(" : "Mol(") + term(m->getHost());
            if (m->getIsaKind() != 0)
                out += ", isa" + std::to_string(m->getIsaKind()) + " " + term(m->getClassTerm());
            if (m->getSpecs() != nullptr)
                out += ", [" + std::to_string(m->getSpecs()->length()) + " specs]";
            if (m->getFilter() != nullptr) out += ", [" + literals(*m->getFilter(), " and ") + "]";
            // A result part given to a molecule belongs to its host, and shows there.
            return out + ")";
        }
        if (const auto* r = dynamic_cast<const Reference*>(t)) {
            const bool pevo = dynamic_cast<const PevoReference*>(t) != nullptr;
            std::string out =
                (pevo ? "PRef(" : "Ref(") + term(r->getHost()) + ", " + term(r->getMethod());
            if (r->getArgs() != nullptr) out += "@(" + terms(r->getArgs()) + ")";
            if (pevo) {
                out += "/" + std::to_string(r->getCode());
                if (r->getDot() != 1) out += "." + std::to_string(r->getDot());
            } else {
                out += "." + std::to_string(r->getDot());
            }
            return out + ")";
        }
        if (t->isA("FunctionTerm")) {
            const auto* f = static_cast<const FunctionTerm*>(t);
            std::string out = names->giveName(f->getName());
            if (f->getArgs() != nullptr) out += "(" + terms(f->getArgs()) + ")";
            if (f->startKind() != 2) out += "^" + std::to_string(f->startKind());
            return out;
        }
        if (t->isA("FVar")) {
            const auto* v = static_cast<const FVar*>(t);
            std::string out = vars != nullptr ? vars->giveName(v->getName()) : "?";
            if (v->startKind() != 2) out += "^" + std::to_string(v->startKind());
            return out;
        }
        if (t->isA("PTerm")) {
            const auto* p = static_cast<const PTerm*>(t);
            std::string out =
                names->giveName(p->getName()) + "#" + std::to_string(p->getName().getType());
            if (p->getArgs() != nullptr) out += "(" + terms(p->getArgs()) + ")";
            return out;
        }
        if (t->isA("ArithmeticExpr")) {
            const auto* a = static_cast<const ArithmeticExpr*>(t);
            return "(" + term(a->getLeft()) + " " + a->getOperator() + " " + term(a->getRight()) +
                   ")";
        }
        if (t->isA("AggExpr")) {
            const auto* a = static_cast<const AggExpr*>(t);
            return a->getOperator() + "{" + literals(*a->getBody(), ", ") + "}";
        }
        return "<?>";
    }

    std::string result(const MethResult& r) const {
        std::string out = " ->" + std::to_string(r.getKind()) + " ";
        if (r.getResult() != nullptr) return out + term(r.getResult());
        return out + "(" + (r.getResults() != nullptr ? terms(r.getResults()) : "") + ")";
    }

    std::string terms(const clib_list<FTerm*>* list) const {
        std::string out;
        if (list == nullptr) return out;
        for (FTerm* t : *list) out += (out.empty() ? "" : ", ") + term(t);
        return out;
    }

    std::string literals(const FLiteralList& list, const char* separator) const {
        std::string out;
        for (FLiteral* l : *list.getList()) {
            if (!out.empty()) out += separator;
            out += (l->isNegated() ? "not " : "") + term(l->getTerm());
        }
        return out;
    }

    const SymTab* names;
    const SymTab* vars;
};

}  // namespace language_test
