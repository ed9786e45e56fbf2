// The writer of the line-oriented ESIS event stream: one line an event of the parsed document,
// or the same events fed straight to the document's tree.
#pragma once

#include <OpenSP/config.h>
// clang-format off
#include <OpenSP/ErrorCountEventHandler.h>
#include <OpenSP/Event.h>
#include <OpenSP/ExtendEntityManager.h>
#include <OpenSP/LinkProcess.h>
#include <OpenSP/MessageFormatter.h>
#include <OpenSP/OutputCharStream.h>
#include <OpenSP/SgmlParser.h>
// clang-format on

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/InterruptFlag.h"
#include "xml/DocumentEvents.h"
#include "xml/EntityPolicy.h"
#include "xml/EscapedText.h"
#include "xml/EsisOutputFlags.h"
#include "xml/MyOutputCharStream.h"

class SgmlsEventHandler : public OpenSP::ErrorCountEventHandler {
  public:
    // Messages go to the messenger; the stream, parser and entity manager outlive the handler.
    SgmlsEventHandler(const OpenSP::SgmlParser* parser, MyOutputCharStream* os,
                      OpenSP::Messenger* messenger, unsigned outputFlags,
                      const OpenSP::Ptr<OpenSP::ExtendEntityManager>& entityManager,
                      const OpenSP::CharsetInfo& systemCharset);
    // Bounds the text that entities add and how deep they nest, and polls the interrupt flag:
    // an event beyond a bound cancels the parse and records why in *stop.
    void setBounds(const EntityPolicy& policy, ParseStop* stop, unsigned long* stopLine);
    // Records in *stop a document that ends inside its document element or has none, and a
    // document read as XML whose markup the parser took for text or whose text it left out, or
    // that goes on after its document element, with the parser's message in the notes and its
    // line in *stopLine. The formatter gives the messages their text.
    void setNotes(ParserNotes* notes, OpenSP::MessageFormatter* formatter);
    // Gives the events of the lines the tree reads to `target` rather than writing any line:
    // a parse in this process builds the tree as it goes, with no stream to write and read
    // back. Names and texts reach it escaped as the lines hold them; the lines the tree passes
    // over are not made at all. Set before the parse starts.
    void feed(DocumentEvents& target) { events = &target; }
    // Ends the stream: "C" after a parse without errors.
    ~SgmlsEventHandler() override;

    void message(OpenSP::MessageEvent*) override;
    void appinfo(OpenSP::AppinfoEvent*) override;
    void startDtd(OpenSP::StartDtdEvent*) override;
    void endProlog(OpenSP::EndPrologEvent*) override;
    void startElement(OpenSP::StartElementEvent*) override;
    void endElement(OpenSP::EndElementEvent*) override;
    void data(OpenSP::DataEvent*) override;
    void sdataEntity(OpenSP::SdataEntityEvent*) override;
    void pi(OpenSP::PiEvent*) override;
    void nonSgmlChar(OpenSP::NonSgmlCharEvent*) override;
    void externalDataEntity(OpenSP::ExternalDataEntityEvent*) override;
    void subdocEntity(OpenSP::SubdocEntityEvent*) override;
    void uselink(OpenSP::UselinkEvent*) override;

  private:
    // False (and the parse cancelled) when the event at loc, adding length characters and the
    // characters entities give its attributes, would pass a bound or an interrupt is pending;
    // nothing is written for such an event.
    bool admit(const OpenSP::Location& loc, std::size_t length,
               const OpenSP::AttributeList* attributes = nullptr) {
        if (admitPlain(loc) && (attributes == nullptr || attributes->size() == 0)) return true;
        return admitMeasured(loc, length, attributes);
    }
    // Most events come from the document entity itself, one after another, and add nothing
    // to what entities expanded: an event at loc without attributes is let through here,
    // every bound unchanged.
    bool admitPlain(const OpenSP::Location& loc) const {
        return loc.origin().pointer() == plainOrigin && plainOrigin != nullptr && !cancelled() &&
               interruptFlag.load() == 0;
    }
    // admit for any event: measures what entities add to it.
    bool admitMeasured(const OpenSP::Location& loc, std::size_t length,
                       const OpenSP::AttributeList* attributes);
    // True when some internal general entity of the DTD would expand past the bound on
    // characters. The parser expands entities in an attribute value in memory before the
    // element's event comes, where admit cannot stop it, so such a DTD ends the parse at the
    // end of the prolog, whether the instance uses the entity or not.
    bool entitiesOverBound(const OpenSP::Dtd& dtd) const;
    void startData();
    // Escapes the raw characters of the line being fed into pendingText, which other text is
    // to follow.
    void settleRun();
    void endData() {
        if (haveData) endDataLine();
    }
    void endDataLine();
    // endDataLine for a line other than the one fed last.
    [[gnu::noinline]] void endNewDataLine();
    // The events the few steps of a parse that feeds the tree do not take (see startElement,
    // endElement and data), measured against the bounds and written or fed. Out of line, so
    // that the few steps do not save the registers these need on every event. Each takes over
    // the event it is handed, as the handlers do.
    [[gnu::noinline]] void startElementMeasured(OpenSP::StartElementEvent* event);
    [[gnu::noinline]] void endElementNoted(OpenSP::EndElementEvent* event);
    [[gnu::noinline]] void dataMeasured(OpenSP::DataEvent* event);
    // A data event of the document's own text, fed to the tree.
    [[gnu::noinline]] void feedData(OpenSP::DataEvent* event);
    // Writes an "L" line when the event at loc lies on another line or in another file than the
    // last one reported.
    void noteLocation(const OpenSP::Location& loc) {
        if (flags & esisLine) writeLocation(loc);
    }
    void writeLocation(const OpenSP::Location& loc);
    void writeEscaped(const OpenSP::Char* s, size_t n);
    void writeEscaped(const OpenSP::StringC& s) { writeEscaped(s.data(), s.size()); }
    // Characters of a data line, which startData began.
    void writeData(const OpenSP::Char* s, std::size_t n);
    // Escapes of a data line made by the writer itself ("\|" around SDATA, "\%" before a
    // character number).
    void writeDataBytes(const char* bytes);
    // The string escaped as a line holds it, in the scratch text given.
    static std::string_view escaped(EscapedText& scratch, const OpenSP::StringC& s);
    // The element's name escaped as a line holds it, made once for each element type.
    std::string_view elementName(const OpenSP::StartElementEvent& event) {
        if (event.elementType() == lastType) return lastTypeName;
        return elementNameAnew(event);
    }
    std::string_view elementNameAnew(const OpenSP::StartElementEvent& event);
    // A line of one command and its operand, in one piece: the tags of most elements.
    void writeLine(char command, const OpenSP::StringC& operand) {
        const std::size_t recordEnds = os.putLine(command, operand.data(), operand.size());
        // A record end inside a data line moves the reader to the next line without an "L".
        if (haveData) lastLine += recordEnds;
    }

    void defineReferences(const OpenSP::AttributeList& attributes);
    void writeAttributes(const OpenSP::AttributeList& attributes, char command,
                         const OpenSP::StringC* owner);
    // Feeds the attributes of an element's start, one event for each "A" line.
    void feedAttributes(const OpenSP::AttributeList& attributes);
    // The attribute's value as its line holds it, appended to `to`.
    void appendAttributeText(EscapedText& to, const OpenSP::Text& text) const;
    // The type word of a tokenized attribute's line.
    const char* tokenType(const OpenSP::AttributeDefinition& definition) const;
    void defineEntity(const OpenSP::Entity* entity);
    void defineNotation(const OpenSP::Notation* notation);
    void writeExternalId(const OpenSP::ExternalId& id, bool withFileName);
    // A message's text as the parser's messages read, in UTF-8.
    std::string messageText(const OpenSP::Message& message);
    // Refuses a document read as XML whose markup or text the parser did not keep: the reason
    // and line go to the notes and the parse is cancelled.
    void refuseMarkup(const std::string& reason, unsigned long line);
    // The document's text went on past the faults found so far: they explain no refusal.
    void sawContent() {
        endTagMissing = false;
        if (firstFaultLine != 0 || !firstFault.empty()) forgetFaults();
    }
    [[gnu::noinline]] void forgetFaults();

    const OpenSP::SgmlParser* parser;
    MyOutputCharStream& os;
    OpenSP::Messenger* messenger;
    unsigned flags;
    OpenSP::Ptr<OpenSP::ExtendEntityManager> entityManager;
    const OpenSP::CharsetInfo& systemCharset;

    // The tree being built, when the events are fed rather than written.
    DocumentEvents* events = nullptr;
    // The text of the data line being fed, escaped as the line would hold it.
    EscapedText pendingText;
    // While only data events of the document's own text make the line being fed, and it is
    // short (runRaw), its characters as they came: they are escaped when the line ends, and not
    // at all when they are those of the line fed last, which pendingText then still holds
    // (fedRunKept). A longer line is escaped as it comes. Escaping every run event by event,
    // and the tree comparing each blank text with the last, cost a tenth of a billion
    // instructions for a document of a million siblings.
    static constexpr std::size_t rawRoom = 16;
    OpenSP::Char rawRun[rawRoom];
    std::size_t rawLength = 0;
    OpenSP::Char fedRun[rawRoom];
    std::size_t fedLength = 0;
    bool runRaw = false;
    bool fedRunKept = false;
    // Room for the names and values of events being fed, and for attribute texts being written.
    EscapedText scratchName;
    EscapedText scratchValue;
    // The escaped names of the element types met. The library keeps one object for each type
    // of the document while it parses: a document of a million elements names a few types,
    // escaped once each. A subdocument's types go with its parse.
    std::unordered_map<const OpenSP::ElementType*, std::string> typeNames;
    const OpenSP::ElementType* lastType = nullptr;
    std::string_view lastTypeName;

    bool haveData = false;
    OpenSP::StringC lastFile;
    unsigned long lastLine = 0;
    using Name = std::vector<OpenSP::Char>;
    std::set<Name> definedEntities;
    std::set<Name> definedNotations;

    bool haveLinkProcess = false;
    OpenSP::LinkProcess linkProcess;
    // Simple links' attributes belong to the document element, written with its start.
    std::vector<OpenSP::StringC> simpleLinkNames;
    std::vector<OpenSP::AttributeList> simpleLinkAttributes;
    bool documentElementStarted = false;

    std::uint64_t maxExpanded = EntityPolicy::defaultMaxExpandedBytes;
    int maxDepth = EntityPolicy::defaultMaxDepth;
    // Whether the document is read as XML: its markup must be well-formed.
    bool xml = false;
    std::uint64_t expanded = 0;
    // The origin of the last event admitted and how many entities it lies in.
    OpenSP::ConstPtr<OpenSP::Origin> depthOrigin;
    int originDepth = 0;
    // That origin while it lies in no entity and every bound holds, else null: an event from
    // it without attributes is admitted at one look.
    const OpenSP::Origin* plainOrigin = nullptr;
    ParseStop* stop = nullptr;
    // The line of the document where a fault of its text stopped the parse.
    unsigned long* stopLine = nullptr;
    ParserNotes* notes = nullptr;
    OpenSP::MessageFormatter* formatter = nullptr;
    // The elements open now; the document element is the outermost.
    std::size_t openElements = 0;
    // Whether the last error was the parser's note that it ends an element whose end tag is
    // missing: the end event that follows is that implied end, not an end tag.
    bool endTagMissing = false;
    // The first error since the text last went on, where it was found, and the last error.
    std::string firstFault;
    unsigned long firstFaultLine = 0;
    std::string lastFault;
    unsigned long lastFaultLine = 0;
    // The parser's message on text it left out before the document element, and its line.
    std::string prologLoss;
    unsigned long prologLossLine = 0;
};
