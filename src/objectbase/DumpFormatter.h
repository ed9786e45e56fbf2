// DumpFormatter: the protocol through which the object manager and the export handlers write
// pieces of the object base in one output format (F-Logic, XML, ...).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "foundation/FLSysObject.h"

class InternalName;
class OM;

// The characters markup gives a meaning become entity references: "&", "<" and ">", and with
// `quotes` (attribute values) also the two quotes.
std::string escapeMarkup(const std::string& text, bool quotes);

// Operations either write on debugChannel or return a piece of text that the caller joins.
class DumpFormatter : public FLSysObject {
  public:
    // The formatter prints names through `om`, which it does not own.
    explicit DumpFormatter(OM* om) : om(om) {}
    ~DumpFormatter() override = default;

    bool isA(const std::string& className) const override {
        return className == "DumpFormatter" || FLSysObject::isA(className);
    }

    // Each format writes some of the pieces below and has no part for the others: those write
    // nothing, or answer an empty text, unless the format says otherwise.

    // externalIdKind is "PUBLIC", "SYSTEM" or empty.
    virtual void writeDocumentHead(const std::string& /*docType*/,
                                   const std::string& /*externalIdKind*/,
                                   const std::string& /*externalId*/) {}
    virtual void openRoot(const std::string& /*name*/) {}
    virtual void closeRoot(const std::string& /*name*/) {}
    virtual void writeSubclass(const InternalName& /*sub*/, const InternalName& /*super*/) {}
    virtual void writeIsa(const InternalName& /*object*/, const InternalName& /*cls*/) {}
    // Ends the line on debugChannel; the same for every format.
    virtual void newLine();
    // For the length of a scope the formatter gathers the text written through it and hands it
    // to the channel in large blocks; what it holds is written when the scope ends, however it
    // ends, and the formatter writes through again. Nothing else writes on the channel
    // meanwhile. A save or an export writes its whole text so.
    class Batch {
      public:
        explicit Batch(DumpFormatter& formatter) : formatter(formatter) { formatter.batch(true); }
        ~Batch() { formatter.batch(false); }
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

      private:
        DumpFormatter& formatter;
    };
    // Writes `text` on debugChannel through the formatter: an export handler's own text stays
    // in order with the formatter's and is gathered in the same blocks.
    void write(std::string_view text);
    // The same, ending the line; out of a batch the channel is flushed there, as std::endl does.
    void writeLine(std::string_view text);
    virtual void openFrame(const InternalName& object, const InternalName& cls, int withId) = 0;
    virtual void closeFrameHead() {}
    virtual void closeFrame(const InternalName& object, const InternalName& cls) = 0;
    virtual void methodSeparator() = 0;
    virtual std::string argsOpen() { return {}; }
    virtual std::string attributeText(const InternalName& /*name*/, int /*position*/,
                                      const InternalName& /*value*/) {
        return {};
    }
    // position counts from 1.
    virtual std::string argumentText(int position, const InternalName& argument) = 0;
    // The XML form of a name, made from its lexical form; the same for every format.
    virtual std::string xmlName(const InternalName& name);
    virtual std::string argsClose() { return {}; }
    virtual std::string arrowText(int /*methodType*/) { return {}; }
    virtual void writeMethodHead(const std::string& methodText, const std::string& restText,
                                 const std::string& bracket) = 0;
    virtual void writeText(const std::string& /*text*/) {}
    virtual void writeMethodValue(const std::string& methodText, const std::string& restText,
                                  const InternalName& value) = 0;
    virtual void pendingOpen(const std::string& /*text*/) {}
    virtual void pendingAppend(const std::string& /*text*/) {}
    virtual std::string valueElementText(const InternalName& /*name*/,
                                         const std::string& /*attributes*/,
                                         const InternalName& /*value*/) {
        return {};
    }
    virtual std::string elementText(const InternalName& /*name*/, const std::string& /*attributes*/,
                                    const std::string& /*content*/) {
        return {};
    }
    virtual std::string frameEndText(const InternalName& object, const InternalName& name,
                                     const std::string& attributes, const std::string& content,
                                     int withId, const std::string& prefix) = 0;
    // position counts from 1.
    virtual void writeSetMember(const InternalName& host, const InternalName& method,
                                const InternalName& member, int position) = 0;
    virtual void writeTail(const std::string& /*text*/) {}
    virtual void openPredicate(const std::string& name) = 0;
    virtual void predicateSeparator() {}
    // position counts from 1.
    virtual void writePredicateArgument(const InternalName& argument, int position) = 0;
    virtual void closePredicate() = 0;
    virtual void writeStatement(const std::string& /*text*/) {}

    // The XML form of a lexical form: kind is the name's kind (2 string, 3 integer, 4 float); a
    // string's form is its own characters between quotes. XML's special characters come out as
    // entity references.
    static std::string xmlNameOfLexicalForm(int kind, std::string lexical);

  protected:
    // The lexical form of a name with strings quoted and escaped: the form every format starts
    // from.
    std::string lex(const InternalName& name);
    // The same form appended to `out`: a writer that builds a line at once makes no string a
    // name.
    void appendLex(const InternalName& name, std::string& out);
    // Writes what `line` holds and empties it; with `flush` the stream is flushed after it,
    // where the text ended a line. In a batch the text waits until a block is full. Inline: a
    // save calls it for every piece it writes, and mostly it has nothing to do.
    void emit(bool flush) {
        if (batching && line.size() < blockSize) return;
        handOn(flush);
    }

    OM* om;
    // The text of one call, written at once: a save writes a few pieces a name, and each piece
    // written on its own cost a pass through the channel and the stream. In a batch, the text
    // of many calls.
    std::string line;

  private:
    // Opened and closed by Batch only, so a batch always ends.
    void batch(bool on);
    // Writes what `line` holds on debugChannel and empties it; flushes the channel after it
    // with `flush` out of a batch.
    void handOn(bool flush);

    bool batching = false;
    static constexpr std::size_t blockSize = 1 << 16;
};
