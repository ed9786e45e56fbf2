// Matcher: per rule, the cached operator tree of its body, its evaluation into bindings, and the
// hand-over of head and bindings to the creator; its class object.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "compile/AnswerColumns.h"
#include "eval/Creator.h"
#include "foundation/FLSysObject.h"
#include "foundation/Ref.h"

class AlgebraicEval;
class AlgebraicExpr;
class Creator;
class FRule;
class FactList;
class Operand;
class Optimizer;
class ParseTreeNode;
class SymTab;
class Translator;

class Matcher : public FLSysObject {
  public:
    // Takes a reference on each part given; a missing translator, creator or evaluator is
    // reported (WrongInit) and leaves the matcher not ok. The optimizer is optional.
    Matcher(Translator* translator, Creator* creator, AlgebraicEval* eval, Optimizer* optimizer);
    Matcher(const Matcher&) = delete;
    Matcher& operator=(const Matcher&) = delete;

    // Shell methods "clear" and "help", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    bool isOk() const override;
    void display(OutputChannel& channel) const override;
    // "aMatcher".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // The rule's body tree, shared with the cache; none when the translator failed.
    virtual Ref<AlgebraicExpr> getExpr(FRule* rule, SymTab* names);
    // Translates the rule's body now, unless its tree is kept: an evaluation translates the rules
    // of its parts as it prepares them, before the first round. The tree waits, not handed out,
    // until a round asks for it (getExpr). A body that does not translate is left to the round,
    // which reports it.
    void prepare(FRule* rule, SymTab* names);
    // Drops the trees prepared that no round asked for (a part the evaluation left as it was).
    void forgetPrepared();
    // The bindings of the rule's body (the caller owns them); null after a report. A query's
    // answers come in the columns of inSafeColumnOrder.
    virtual Ref<Operand> retrieve(FRule* rule, Operand* bindings, SymTab* names);
    // The columns the rule's answers are printed in (Translator::answerColumns), kept with its
    // tree: decided once a tree, not once an evaluation.
    AnswerColumns answerColumns(FRule* rule, SymTab* names);
    // The bindings in the rule's answer columns, rows sorted by them in turn: the columns that
    // printed answers and traces show, whichever order the planner evaluated the body in; the
    // same operand when its columns are already in that order.
    Ref<Operand> inSafeColumnOrder(FRule* rule, Ref<Operand> bindings, SymTab* names);
    // Inserts the head instances for the bindings: 1 new facts, 0 none, -1 failure.
    virtual int insert(FRule* rule, Operand* bindings);
    // Inserts fact i of the list, kept compact: as insert does for its clause without bindings.
    virtual int insertFact(const FactList& facts, std::size_t i);
    // Inserts facts `from` .. `from + count - 1` of the list as insertFact does each, `before`
    // (when given) called with each fact's index before it is inserted: 1 new facts, 0 none, -1
    // failure (the facts behind the failed one are not inserted).
    virtual int insertFacts(const FactList& facts, std::size_t from, std::size_t count,
                            const Creator::BeforeFact& before);
    // Around a run of insertFact calls for facts of one list (see Creator::beginFactRun).
    void beginFactRun();
    void endFactRun();
    // Drops the rule's cached tree.
    virtual void remove(FRule* rule);
    // Drops every cached tree and resets the creator and the translator.
    virtual void clear();
    // Drops the trees handed out since the last call, with the tables their joins keep from
    // round to round, and the creator's head trees: the evaluation (of one part or stratum) is
    // done, and the memory goes back before the next one.
    void forgetKeptTables();
    virtual Matcher* help();
    virtual int applyEqualities();

  protected:
    ~Matcher() override;

    Ref<Translator> translator;
    Ref<Creator> creator;
    Ref<AlgebraicEval> eval;
    Ref<Optimizer> optimizer;
    // A rule held with its tree. Null trees are kept too, so that a rule whose body gave nothing
    // is not translated again.
    struct CachedTree {
        Ref<FRule> rule;
        Ref<AlgebraicExpr> expr;
        // The columns its answers are printed in, once asked for.
        std::optional<AnswerColumns> answerColumns = std::nullopt;
        // Handed out since the kept tables were last forgotten.
        bool handedOut = false;
    };
    // By rule address.
    std::unordered_map<FRule*, CachedTree> cache;
    // The rules whose trees were handed out since the kept tables were last forgotten: only
    // those go then, and a program of many small parts forgets after each part.
    std::vector<FRule*> handedOut;
    // The rules translated by prepare since forgetPrepared was last called.
    std::vector<FRule*> prepared;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<Matcher>& shellCommands();
    // The rule's tree, translated now when none is kept; the cache's entry, or none when the
    // translation failed.
    CachedTree* treeOf(FRule* rule, SymTab* names);
};

// Registered as "classMatcher": new@(Translator, Creator, AlgebraicEval) or, with four
// arguments, new@(Translator, Creator, AlgebraicEval, Optimizer).
class MatcherMeta : public XMeta {
  public:
    MatcherMeta() : XMeta("Matcher") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
