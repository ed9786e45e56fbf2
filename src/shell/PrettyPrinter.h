// PrettyPrinter: writes the answers of a query on the answer channel in the bound or instance
// style under one of four naming modes; its class object; and the start-up hook that makes it the
// evaluators' printer.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "eval/PPProtocol.h"
#include "foundation/clib_dictionary.h"
#include "objectbase/InternalName.h"

class FLSysOStream;
class OMAccess;
class PPVarSymTab;
class SymTab;

class PrettyPrinter : public PPProtocol {
  public:
    enum Style : std::int32_t { Bound = 0, Instance = 1, ResultSet = 2, Html = 3 };
    enum Mode : std::int32_t { Poor = 0, Const = 1, First = 2, Best = 3 };

    // Takes a reference on the access layer and on its symbol table.
    explicit PrettyPrinter(OMAccess* access);
    PrettyPrinter(const PrettyPrinter&) = delete;
    PrettyPrinter& operator=(const PrettyPrinter&) = delete;

    // "mode", "style", "annotatedLiterals", "limit", "nolimit", "help", "clear", then the base's.
    // A refused word still answers the printer; only a failed argument check answers null.
    FLSysObject* methodCall(const std::string& name, FLSysArgs* args) override;
    // True while both the access layer and its symbol table are set.
    bool isOk() const override;
    // "aPrettyPrinter".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    PPProtocol* help() override;
    void describe(OutputChannel& channel) override;
    // Empties the name cache.
    void clear() override;
    // "poor", "const", "first" or "best"; each empties the name cache. Any other word reports
    // WrongArgument and changes nothing.
    void mode(const std::string& word) override;
    // "instance" or "bound"; any other word reports WrongArgument and changes nothing.
    void style(const std::string& word) override;
    void beginQuery(FRule* query) override;
    void makeOutput(FRule* query, Operand* answers) override;

    // "on" or "off"; any other word reports WrongArgument and changes nothing.
    virtual void annotatedLiterals(const std::string& word);
    // Reports that the name has no printable text.
    virtual void makeString(const InternalName& name);
    // The text of one value under the current mode; "???" when it has none. The text stays valid
    // until the mode changes or the cache is cleared.
    virtual const std::string& mapToString(const InternalName& name);

    // -1: no limit; otherwise the most rows printed.
    void setLimit(std::int32_t rows) { limit = rows; }
    std::int32_t getLimit() const { return limit; }
    std::int32_t getStyle() const { return style_; }
    std::int32_t getMode() const { return mode_; }
    bool resolvesAnnotated() const { return annotated != 0; }

  protected:
    ~PrettyPrinter() override;

  private:
    // One printed row, by style, from the texts just computed for its columns: every style's
    // per-row output is here.
    void writeRow(const std::vector<const std::string*>& texts,
                  const std::vector<std::string>& names, FRule* query);
    // "Printing aborted" and the count lines.
    void writeSummary(long printed, long total);

    OMAccess* omAccess;
    SymTab* symTab;
    PPVarSymTab* varSymTab;
    std::int32_t style_ = Bound;
    std::int32_t mode_ = First;
    std::int32_t annotated = 0;
    clib_dictionary<InternalName, std::string> nameCache;
    // The answer stream of the html style; null while that style has never been chosen.
    FLSysOStream* htmlStream = nullptr;
    std::int32_t limit = -1;
};

// Registered as "classPrettyPrinter": new@(OMAccess).
class PrettyPrinterMeta : public XMeta {
  public:
    PrettyPrinterMeta() : XMeta("PrettyPrinter") {}

  protected:
    FLSysObject* createInstance(FLSysArgs* args) override;
};

// Makes PrettyPrinter the printer the evaluators embed; the program's start-up calls it before
// any evaluator is built.
void installPrettyPrinterFactory();
