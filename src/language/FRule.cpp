// FRule: clause kinds, print forms, copies, equality and order of clauses.
#include "language/FRule.h"

#include <utility>

#include "foundation/OutputChannel.h"
#include "language/FLiteralList.h"
#include "language/FTermList.h"
#include "language/FunctionTerm.h"
#include "language/OriginNames.h"
#include "language/PTerm.h"
#include "objectbase/SymTab.h"

FRule::FRule(FTermList* head, FLiteralList* body, SymTab* names, std::string_view origin, int line,
             int flag)
    : ParseTreeNode(ParseTreeClass::FRule),
      head(Ref<FTermList>::share(head)),
      body(Ref<FLiteralList>::share(body)),
      names(Ref<SymTab>::share(names)),
      origin(&OriginNames::intern(origin)),
      line(line),
      flag(static_cast<std::uint8_t>(flag)),
      bodyNegation(body != nullptr && body->hasNegation()) {}

SymTab* FRule::getSymTab() const {
    if (names == nullptr) names = Ref<SymTab>::make();
    return names.get();
}

FRule::FRule(const FRule& other)
    : ParseTreeNode(other),
      names(other.names != nullptr ? Ref<SymTab>::make(*other.names) : nullptr),
      origin(other.origin),
      line(other.line),
      flag(other.flag),
      bodyNegation(other.bodyNegation) {
    if (other.body != nullptr) {
        body = Ref<FLiteralList>::adopt(static_cast<FLiteralList*>(other.body->clone()));
        if (body == nullptr) markIncomplete();
    }
    if (other.head != nullptr) {
        head = Ref<FTermList>::adopt(static_cast<FTermList*>(other.head->clone()));
        if (head == nullptr) markIncomplete();
    }
}

FRule::~FRule() = default;

bool FRule::isA(const std::string& className) const {
    return className == "FRule" || ParseTreeNode::isA(className);
}

int FRule::ruleKind() const {
    const bool hasHead = head != nullptr && !head->isEmpty();
    const bool hasBody = body != nullptr && !body->isEmpty();
    if (hasHead) return hasBody ? Rule : Fact;
    return hasBody ? Query : Empty;
}

bool FRule::isGroundPredicateFact() const {
    if (ruleKind() != Fact) return false;
    for (FTerm* atom : head->getList()) {
        const auto* predicate = node_cast<PTerm>(atom);
        if (predicate == nullptr) return false;
        if (predicate->getName().getType() == InternalName::BuiltinPredicate) return false;
        if (clib_list<FTerm*>* args = predicate->getArgs())
            for (FTerm* arg : *args) {
                const auto* function = node_cast<FunctionTerm>(arg);
                if (function == nullptr) return false;
                clib_list<FTerm*>* inner = function->getArgs();
                if (inner != nullptr && !inner->empty()) return false;
            }
    }
    return true;
}

void FRule::print(OutputChannel& channel, const SymTab* names, const SymTab* /*vars*/) const {
    if (head != nullptr) {
        head->print(channel, names, getSymTab());
        if (body != nullptr) {
            channel << " :- ";
            body->print(channel, names, getSymTab());
        }
    } else {
        channel << "?- ";
        if (body != nullptr) body->print(channel, names, getSymTab());
    }
    channel << "." << std::endl;
}

ParseTreeNode* FRule::clone() const {
    return finishClone(new FRule(*this));
}

bool FRule::deepEqual(const ParseTreeNode& other) const {
    const auto* rule = dynamic_cast<const FRule*>(&other);
    return rule != nullptr && deepEqualOrNull(head, rule->head) &&
           deepEqualOrNull(body, rule->body);
}

void FRule::collectVars(VarList& vars) const {
    if (head != nullptr) head->collectVars(vars);
    if (body != nullptr) body->collectVars(vars);
}

int FRule::compareSameClass(const ParseTreeNode& other) const {
    const auto& rule = static_cast<const FRule&>(other);
    if (head != rule.head) {
        const int byHead = compareOrNull(head, rule.head);
        if (byHead != 0) return byHead;
    }
    if (body == rule.body) return 0;
    return compareOrNull(body, rule.body);
}
