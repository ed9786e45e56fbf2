// Translator, which turns the body of one rule or query into a tree of algebra operators: one
// leaf per atom, joined literal by literal, each operator keeping only the variables still
// needed; with its class object.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "compile/AnswerColumns.h"
#include "compile/JoinTable.h"
#include "compile/PatternSpec.h"
#include "compile/PtnScanner.h"
#include "compile/StoredMethodRows.h"
#include "compile/TranslationContext.h"
#include "compile/VarScanner.h"
#include "foundation/Ref.h"
#include "foundation/clib_list.h"
#include "foundation/set.h"
#include "objectbase/FSymbol.h"

class AlgebraicExpr;
class FLiteral;
class FLiteralList;
class FRule;
class Operator;
class ParseTreeNode;
class SymTab;
class VarPropagator;

class Translator : public PtnScanner {
  public:
    using ExprRef = Ref<AlgebraicExpr>;

    // The value has no effect; the class object passes its argument.
    explicit Translator(int mode = 1);

    // "debugOn" and "debugOff", then the base's.
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // False once an operator or expression could not be made in the last translation.
    bool isOk() const override { return lastError == 0; }
    // "aTranslator".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    // An aggregate's body is translated as a scope of its own.
    void scan(AggExpr* agg) override;
    using PtnScanner::scan;

    void transpose(FVar* var) override;
    void transpose(IdTerm* term, int argCount) override;
    void transpose(Reference* ref, int argCount) override;
    void transpose(FMolecule* mol) override;
    void transpose(Spec* spec, int argCount, int resultCount) override;
    void transpose(AggExpr* agg) override;
    void transpose(ArithmeticExpr* expr) override;
    void transpose(PTerm* term, int argCount) override;
    void visitNegatedLiteral(FLiteral* literal) override;
    void visitTermList(FTermList*) override {}
    void endLiteral() override;
    void visitBareMolecule() override {}

    // The input expressions of the next operator, one per pattern position: the newest `count`
    // stack entries. A null expression stands for the symbol at the same place of `inputVars`.
    virtual bool popInputs(std::vector<FSymbol>& inputVars, std::vector<ExprRef>& inputExprs,
                           int count);
    // The condition lists for the operator of `node` over these inputs.
    virtual PatternSpec buildConditions(const std::vector<FSymbol>& inputVars,
                                        const std::vector<ExprRef>& inputExprs,
                                        const ParseTreeNode* node);
    virtual void propagateVariables(FLiteralList* list, VarPropagator* propagator, SymTab* names);
    // As propagateVariables, for the literals that cannot be evaluated without bindings only.
    virtual void propagateVariablesSelective(FLiteralList* list, VarPropagator* propagator,
                                             SymTab* names);
    // A new tree for the rule's body, or none.
    virtual ExprRef translateRule(FRule* rule, SymTab* names);
    // The columns a rule's answers are printed in, whatever order evaluates them: the result
    // columns its body gets when its literals are taken in their safe order
    // (FLiteralList::safeOrder) rather than the planned one. The planned tree's own when the two
    // orders are the same or the safe order gives no tree. Made in a translation of its own,
    // which neither traces nor changes the outcome of the last one (isOk).
    AnswerColumns answerColumns(FRule* rule, SymTab* names);
    virtual void translateBody(FLiteralList* list);
    // The number of nodes of the current literal in which the variable occurs.
    virtual int occurrences(const FSymbol& var) const;
    // Whether an expression on the stack carries the variable.
    virtual bool isBound(const FSymbol& var) const;
    // The bindings of the non-null inputs, in order.
    virtual void collectVariables(const std::vector<ExprRef>& inputExprs,
                                  std::vector<InputBinding>& out) const;
    // Drops the small join tables the trees made so far share.
    void forgetJoinTables() { joinTables->clear(); }
    virtual FLSysRef debugOn(FLSysArgs* args);
    virtual FLSysRef debugOff(FLSysArgs* args);

    int duplicateFlag() const { return lastDuplicate; }

    // How a literal that can be asked row by row (a negated stored predicate or membership, a
    // negated or positive testing built-in, its cells bound by the rows before it) is
    // translated: probed or tested as each row comes, or as the general anti-join or join over
    // the literal's own rows. Both answer the same; the general one serves to check the other.
    enum class TestRoad { RowByRow, General };
    void useTestRoad(TestRoad road) { testRoad = road; }
    // Whether a method literal that only a hash join groups may leave its rows to be read from
    // the stored values, its table kept while they do not change (MethodRowsRoad::KeptTables),
    // or is always read through the object base's iterators. Both answer the same; the second
    // serves to check the first.
    void useMethodRowsRoad(MethodRowsRoad road) { methodRowsRoad = road; }

  protected:
    ~Translator() override;

  protected:
    using LiveVariables = TranslationContext::LiveVariables;
    // The per-scope state that an aggregate body saves and restores around its own.
    struct Scope {
        LiveVariables live;
        std::vector<std::unique_ptr<VarOccurrences>> dictionaries;
        std::vector<FLiteral*> literals;
        std::int32_t literalIndex = 0;
        std::int32_t stackBase = 0;
        std::int32_t groupBase = -1;
        set<FSymbol> passed;
        std::int32_t passedCount = 0;
        FTerm* currentTerm = nullptr;
        FMolecule* literalMolecule = nullptr;
        FMolecule* scannedMolecule = nullptr;
        std::int32_t specCount = 0;
    };
    // Binds a translation's context to the translator while the translation runs (the walk's
    // hooks take no context of their own) and, unless the tree is only looked at, records its
    // outcome when it ends.
    class Running {
      public:
        Running(Translator& translator, TranslationContext& context);
        Running(const Running&) = delete;
        Running& operator=(const Running&) = delete;
        ~Running();

      private:
        Translator& translator;
        TranslationContext& context;
        TranslationContext* outer;
    };

    // Fills `output` with the variables the rule's body must deliver, setting the context's
    // duplicate flag when the body may deliver a binding twice.
    void beginTranslation(FRule* rule, set<FSymbol>& output);
    // translateRule over the body's literals in the given order (null, or shorter than the body,
    // when some literal has no place: no tree), in the given context; from literal `split` on
    // (when not 0) they are joined among themselves and then to the ones before.
    ExprRef translateInOrder(FRule* rule, TranslationContext& context,
                             const Ref<FLiteralList>& ordered, std::size_t split = 0);
    // Live sets of the literals against the scope's output; their occurrence dictionaries are
    // made when first asked for.
    void openScope(const std::vector<FLiteral*>& scopeLiterals, const set<FSymbol>& output);
    // The common steps of the leaf hooks; `make` builds the operator from the pattern (with its
    // input bindings).
    template <class Make>
    void buildLeaf(int count, const ParseTreeNode* node, bool noKey, Make make);
    // Pushes a node over its operator (the operator's reference passes to the node).
    ExprRef wrap(Operator* op, int keepInput);
    // The filter of the rows `inputExprs.front()` by the positive testing built-in
    // `inputExprs.back()` whose cells they bind, its result `variables`; null when the two are
    // to be joined.
    ExprRef testFilter(const std::vector<ExprRef>& inputExprs, const clib_list<FSymbol>& variables);
    // A node mapping the constant, for a symbol of kind function, integer or string; else null.
    ExprRef constantNode(const FSymbol& symbol);
    // Takes the newest entry off the stack; `symbol` receives the pending symbol of a null one.
    ExprRef popEntry(FSymbol& symbol);
    bool stopped() const { return cx->error != 0 || cx->untranslatable != 0; }
    // Where the entries a literal's end joins begin: the filtered literal of a group, else the
    // scope's base.
    std::size_t joinBase() const {
        return std::size_t(cx->groupBase >= 0 ? cx->groupBase : std::max(cx->stackBase, 0));
    }
    // The columns the operand of a node carries when its operator has run: what a join above it
    // is planned for.
    static clib_list<FSymbol> resultColumns(const AlgebraicExpr* expr);
    // Whether that operand holds keyed rows (a SetOperand) rather than names or tuples.
    static bool yieldsKeyedRows(const AlgebraicExpr* expr);

    // The context of the translation running; null between translations.
    TranslationContext* cx = nullptr;
    // Configuration, kept from translation to translation.
    std::int32_t selective = 1;
    TestRoad testRoad = TestRoad::RowByRow;
    MethodRowsRoad methodRowsRoad = MethodRowsRoad::KeptTables;
    Ref<VarScanner> scanner;
    std::int32_t debug = 0;
    // The outcome of the last translation that was not only looked at: what isOk and
    // duplicateFlag report.
    std::int32_t lastError = 0;
    std::int32_t lastDuplicate = 0;
    // Where buildConditions met each variable of a pattern first; kept from call to call so
    // that a pattern costs no allocation of its own.
    struct SeenVariable {
        FSymbol var;
        int input, at;
    };
    std::vector<SeenVariable> seenScratch;
    // The small join tables the joins of this translator's trees share (see JoinTableShelf).
    std::shared_ptr<JoinTableShelf> joinTables = std::make_shared<JoinTableShelf>();

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<Translator>& shellCommands();
};

// The class object registered as "classTranslator": "new" with no argument or one FLSysInteger.
class TranslatorMeta : public XMeta {
  public:
    TranslatorMeta();
    ~TranslatorMeta() override = default;

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};
