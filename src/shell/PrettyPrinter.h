// PrettyPrinter: writes the answers of a query on the answer channel in the bound, instance,
// resultSet or html style under one of four naming modes; its class object; and the start-up hook
// that makes it the evaluators' printer.
#pragma once

#include <cstdint>
#include <deque>
#include <iosfwd>
#include <string>
#include <vector>

#include "eval/PPProtocol.h"
#include "foundation/FlatHashTable.h"
#include "objectbase/InternalName.h"

class ExportHandler;
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
    FLSysRef methodCall(const std::string& name, FLSysArgs* args) override;
    // True while both the access layer and its symbol table are set.
    bool isOk() const override;
    // "aPrettyPrinter".
    void print(OutputChannel& channel) const override;
    bool isA(const std::string& className) const override;

    PPProtocol* help() override;
    void describe(OutputChannel& channel) override;
    // Empties the name cache; once the html style was chosen, also restarts the answer file with
    // its header.
    void clear() override;
    // "poor", "const", "first" or "best"; each empties the name cache. Any other word reports
    // WrongArgument and changes nothing.
    void mode(const std::string& word) override;
    // "instance", "bound", "resultSet" or "html"; any other word reports WrongArgument and changes
    // nothing. "html" opens the answer file and makes it the answer channel's stream; an answer
    // file that cannot be opened is reported and changes nothing either.
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
    // In the html style, shows the answer file in the user's Web browser, started in the
    // background; nothing in the other styles.
    virtual void showInBrowser();
    // A value's text on the answer channel with its quoted links as anchors, then two blanks.
    virtual void writeHtmlValue(const std::string& text);

    // The answer file of the html style, in the working folder.
    static const char* const htmlFileName;

    // -1: no limit; otherwise the most rows printed.
    void setLimit(std::int32_t rows) { limit = rows; }
    std::int32_t getLimit() const { return limit; }
    std::int32_t getStyle() const { return style_; }
    std::int32_t getMode() const { return mode_; }
    bool resolvesAnnotated() const { return annotated != 0; }

  protected:
    ~PrettyPrinter() override;

  private:
    // The shell commands and help lines of the class.
    static const ShellCommands<PrettyPrinter>& shellCommands();

    // One printed row of the instance, resultSet or html style, from the texts just computed
    // for its columns (makeOutput writes the bound style's lines).
    // The resultSet style writes the values through `handler`.
    void writeRow(const std::vector<InternalName>& values,
                  const std::vector<const std::string*>& texts,
                  const std::vector<std::string>& names, FRule* query, ExportHandler* handler);
    // "Printing aborted" and the count lines.
    void writeSummary(long printed, long total);
    // The five header lines of the answer file.
    void writeHtmlHeader();
    // Takes the html stream off the answer channel when it is the current stream there.
    void leaveAnswerChannel();
    // Opens the answer file for appending, writes the header and makes its stream the answer
    // channel's in place of an earlier one; false, after a report, when the file cannot be opened.
    bool openAnswerFile();
    // Reports that the answer file cannot be opened; `where` names the operation, `cause` why
    // (the system's text for the failure, which becomes the message).
    static void reportAnswerFile(const char* where, const std::string& cause);
    // The text with "&", "<" and ">" written as HTML entities.
    static std::string htmlEscaped(const std::string& text);
    // Forgets the texts of the names printed so far.
    void clearNameCache();

    Ref<OMAccess> omAccess;
    Ref<SymTab> symTab;
    Ref<PPVarSymTab> varSymTab;

    std::int32_t style_ = Bound;
    std::int32_t mode_ = First;
    std::int32_t annotated = 0;
    // The text of every name printed under the current mode, found with one hash probe: a
    // search tree of the names cost a walk of cache misses for every value of every row. The
    // texts stay where they are as more come, so the references handed out stay valid.
    std::deque<std::string> cachedTexts;
    // The entries found by hash, and the name of each (entries of numbers hold none).
    EntryIndex cachedSlots;
    std::vector<InternalName> cachedNames;
    // Entry + 1 of each whole number from 0 on, as far as it reaches; 0 when it has none.
    std::vector<std::uint32_t> cachedByNumber;
    // The base's change stamp when the cache was last known good: a base emptied and filled
    // again (an evaluation that steps back) may hand the same identifiers to other objects.
    std::uint64_t cacheStamp = 0;
    static constexpr std::size_t numberedLeast = std::size_t(1) << 16;
    // One printed line of the bound style, built whole and written at once.
    std::string line;
    // The answer file and the stream over it that owns it; both null while the html style has
    // never been chosen.
    std::ofstream* htmlFile = nullptr;
    Ref<FLSysOStream> htmlStream;
    std::int32_t limit = -1;
};

// Registered as "classPrettyPrinter": new@(OMAccess).
class PrettyPrinterMeta : public XMeta {
  public:
    PrettyPrinterMeta() : XMeta("PrettyPrinter") {}

  protected:
    FLSysRef createInstance(FLSysArgs* args) override;
};

// A new PrettyPrinter over the access layer (one reference for the caller): the maker of the
// printer the evaluators embed.
PPProtocol* makePrettyPrinter(OMAccess* access);
