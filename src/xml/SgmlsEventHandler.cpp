// The writer of the line-oriented ESIS event stream: one line an event of the parsed document,
// or the same events fed straight to the document's tree.
#include "xml/SgmlsEventHandler.h"

#include <OpenSP/Attribute.h>
#include <OpenSP/Entity.h>
#include <OpenSP/Event.h>
#include <OpenSP/ExternalId.h>
#include <OpenSP/Notation.h>
#include <OpenSP/StorageManager.h>
#include <OpenSP/Text.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>

#include "platform/ConfinedChild.h"
#include "platform/InterruptFlag.h"
#include "xml/DocumentText.h"
#include "xml/EsisOutputFlags.h"
#include "xml/MyOutputCharStream.h"

using namespace OpenSP;

namespace {

std::vector<Char> nameKey(const StringC& s) {
    return std::vector<Char>(s.data(), s.data() + s.size());
}

// The file and line of a location: an entity's text reports the place of its reference.
bool locate(const Location& loc, StringC& file, unsigned long& line) {
    const Location* p = &loc;
    for (;;) {
        const Origin* origin = p->origin().pointer();
        if (!origin) {
            return false;
        }
        if (const ExternalInfo* info = origin->externalInfo()) {
            StorageObjectLocation where;
            if (!ExtendEntityManager::externalize(info, origin->startOffset(p->index()), where) ||
                where.lineNumber == static_cast<unsigned long>(-1)) {
                return false;
            }
            file = where.actualStorageId;
            line = where.lineNumber;
            return true;
        }
        p = &origin->parent();
    }
}

// How many entities the text at loc came through on its way out: the entities referenced from
// somewhere. The document entity, which nothing references, adds nothing.
int entityDepth(const Location& loc) {
    int depth = 0;
    for (const Origin* origin = loc.origin().pointer(); origin != nullptr;
         origin = origin->parent().origin().pointer()) {
        if (origin->asEntityOrigin() != nullptr && origin->parent().origin().pointer() != nullptr)
            ++depth;
    }
    return depth;
}

// True at the first character of an external entity referenced from another entity. The
// library starts every record with a record start, a line feed here; inside an entity it follows
// the record end of the line before, and the reader takes the pair for the one line break the
// text holds, but the entity's first record has nothing before it: that record start is no
// character of the entity's file.
bool startsExternalEntity(const Location& loc) {
    const Origin* origin = loc.origin().pointer();
    if (origin == nullptr || origin->asEntityOrigin() == nullptr || loc.index() != 0) return false;
    const Entity* entity = origin->entity();
    return entity != nullptr && entity->asExternalEntity() != nullptr &&
           origin->parent().origin().pointer() != nullptr;
}

// The type word of an entity definition, with the blanks around it.
const char* dataTypeWord(EntityDecl::DataType type) {
    switch (type) {
        case EntityDecl::sgmlText:
            return " TEXT ";
        case EntityDecl::pi:
            return " PI ";
        case EntityDecl::cdata:
            return " CDATA ";
        case EntityDecl::sdata:
            return " SDATA ";
        default:
            return " NDATA ";
    }
}

// How many characters each internal general entity of a DTD becomes with every entity it names
// expanded in turn, up to a limit. The parser builds an attribute value from such entities in
// memory before any event reaches the handler, so a few hundred bytes of nested definitions
// used in one attribute would take gigabytes there; the sizes are known once the prolog is read.
class ExpansionSizes {
  public:
    ExpansionSizes(const Dtd& dtd, std::uint64_t limit) : dtd(dtd), limit(limit) {}

    // The size of the named entity, limit + 1 for any size above the limit. An undeclared or
    // external entity adds nothing here: the parser reports the one, and the other's text is
    // counted as it arrives. A name met again while its own expansion is being sized (a
    // recursive definition, which the parser refuses) adds nothing either.
    std::uint64_t of(const StringC& name, int depth) {
        // Each level is a frame of this function: definitions nested deeper than this are
        // taken as over the limit rather than followed.
        if (depth > MaxNesting) return limit + 1;
        const std::vector<Char> key = nameKey(name);
        if (auto known = sizes.find(key); known != sizes.end()) return known->second;
        const Entity* entity = dtd.lookupEntityTemp(false, name);
        const InternalEntity* internal = entity != nullptr ? entity->asInternalEntity() : nullptr;
        if (internal == nullptr) return 0;
        sizes.emplace(key, 0);
        const StringC& text = internal->string();
        std::uint64_t total = 0;
        for (std::size_t at = 0; at < text.size() && total <= limit; ++at) {
            std::size_t end = at + 1;
            if (text[at] == '&')
                while (end < text.size() && isNameChar(text[end])) ++end;
            if (end == at + 1) {
                ++total;
                continue;
            }
            StringC named(text.data() + at + 1, end - at - 1);
            total += of(named, depth + 1);
            at = end < text.size() && text[end] == ';' ? end : end - 1;
        }
        const std::uint64_t size = std::min(total, limit + 1);
        sizes[key] = size;
        return size;
    }

  private:
    static constexpr int MaxNesting = 1000;
    static bool isNameChar(Char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '.' || c == '-' || c == '_' || c == ':' || c > 0x7f;
    }

    const Dtd& dtd;
    std::uint64_t limit;
    std::map<std::vector<Char>, std::uint64_t> sizes;
};

// The library's messages on markup it took for text, or text it left out, as it recovers from
// a document that is not well-formed XML: a start or end tag broken by a character no name may
// hold ("<w×x a='1'>" gives the element "w" and the text "x a='1'>"), a delimiter taken as data,
// a character no document may hold, text before the document element, a comment holding "--".
// The library publishes no table of its messages: their texts are the only mark.
bool losesMarkup(const char* text) {
    static constexpr const char* texts[] = {
        "character %1 not allowed in attribute specification list",
        "character %1 not allowed in end tag",
        "an attribute specification must start with a name or name token",
        "%1 is not a member of a group specified for any attribute",
        "character %1 is the first character of a delimiter but occurred as data",
        "non SGML character number %1",
        "non-SGML character not allowed in content",
        "unclosed start-tag requires SHORTTAG YES",
        "unclosed end-tag requires SHORTTAG YES",
        "invalid comment declaration: found %1 outside comment but inside comment declaration",
        "invalid comment declaration: found character %1 outside comment but inside comment "
        "declaration",
        "%1 declaration not allowed in instance",
    };
    for (const char* lost : texts)
        if (std::strcmp(text, lost) == 0) return true;
    return false;
}

// The library's message on text before the document element. A document that is text alone has
// no document element, which explains it better: the text is lost only when an element follows.
bool losesProlog(const char* text) {
    return std::strcmp(text, "character %1 not allowed in prolog") == 0;
}

// The library's messages on content after the document element; with an element that has
// ended, only such content draws them.
bool followsDocumentElement(const char* text) {
    static constexpr const char* texts[] = {
        "character data is not allowed here",
        "document type does not allow element %1 here",
        "entity reference illegal after document element",
        "character reference illegal after document element",
        "marked section illegal after document element",
        "%1 declaration illegal after document element",
    };
    for (const char* after : texts)
        if (std::strcmp(text, after) == 0) return true;
    return false;
}

}  // namespace

SgmlsEventHandler::SgmlsEventHandler(const SgmlParser* parser, MyOutputCharStream* os,
                                     Messenger* messenger, unsigned outputFlags,
                                     const Ptr<ExtendEntityManager>& entityManager,
                                     const CharsetInfo& systemCharset)
    : parser(parser),
      os(*os),
      messenger(messenger),
      flags(outputFlags),
      entityManager(entityManager),
      systemCharset(systemCharset) {}

void SgmlsEventHandler::setBounds(const EntityPolicy& policy, ParseStop* where,
                                  unsigned long* line) {
    maxExpanded = policy.maxExpandedBytes;
    maxDepth = policy.maxEntityDepth;
    xml = policy.xmlText;
    stop = where;
    stopLine = line;
}

bool SgmlsEventHandler::admitMeasured(const Location& loc, std::size_t length,
                                      const AttributeList* attributes) {
    if (cancelled()) return false;
    ParseStop reason = ParseStop::none;
    if (interruptFlag.load() != 0) {
        reason = ParseStop::interrupted;
    } else {
        // Events come mostly from one entity after another: the depth is found once for each
        // origin, which the handler holds so that no other origin takes its address.
        if (loc.origin().pointer() != depthOrigin.pointer()) {
            depthOrigin = loc.origin();
            originDepth = entityDepth(loc);
        }
        int depth = originDepth;
        if (depth > 0) expanded += length;
        // The characters entities add to attribute values count as well as those they add to
        // the content: the values are written out with the element.
        for (unsigned i = 0; attributes != nullptr && i < attributes->size(); ++i) {
            const AttributeValue* value = attributes->value(i);
            const Text* text = value != nullptr ? value->text() : nullptr;
            if (text == nullptr) continue;
            TextIter items(*text);
            TextItem::Type type;
            const Char* chars;
            std::size_t count;
            const Location* at;
            while (items.next(type, chars, count, at)) {
                if (type != TextItem::data && type != TextItem::cdata && type != TextItem::sdata)
                    continue;
                const int itemDepth = entityDepth(*at);
                if (itemDepth > 0) expanded += count;
                depth = std::max(depth, itemDepth);
            }
        }
        if (depth > maxDepth || expanded > maxExpanded) reason = ParseStop::entityBound;
    }
    plainOrigin = originDepth == 0 && maxDepth >= 0 && expanded <= maxExpanded
                      ? depthOrigin.pointer()
                      : nullptr;
    if (reason == ParseStop::none) return true;
    if (stop != nullptr) *stop = reason;
    cancel();
    return false;
}

bool SgmlsEventHandler::entitiesOverBound(const Dtd& dtd) const {
    ExpansionSizes sizes(dtd, maxExpanded);
    Dtd::ConstEntityIter iter(dtd.generalEntityIter());
    for (ConstPtr<Entity> entity(iter.next()); !entity.isNull(); entity = iter.next())
        if (sizes.of(entity->name(), 1) > maxExpanded) return true;
    return false;
}

void SgmlsEventHandler::setNotes(ParserNotes* where, MessageFormatter* messageFormatter) {
    notes = where;
    formatter = messageFormatter;
}

std::string SgmlsEventHandler::messageText(const Message& message) {
    if (formatter == nullptr || message.type == nullptr) return "";
    StrOutputCharStream out;
    formatter->formatMessage(*message.type, message.args, out);
    StringC text;
    out.extractString(text);
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) appendUtf8(bytes, text[i]);
    return bytes;
}

void SgmlsEventHandler::forgetFaults() {
    firstFault.clear();
    firstFaultLine = 0;
}

SgmlsEventHandler::~SgmlsEventHandler() {
    // A parse that met no document element wrote no element: an empty file, or text that is no
    // markup. Its last error says what the parser made of it.
    if (!documentElementStarted && !cancelled() && notes != nullptr && stop != nullptr &&
        *stop == ParseStop::none) {
        *stop = ParseStop::noDocumentElement;
        notes->reason = lastFault;
        if (stopLine != nullptr) *stopLine = lastFaultLine;
    }
    endData();
    if (events == nullptr && errorCount() == 0 && !cancelled()) {
        os << "C\n";
    }
    os.flush();
}

void SgmlsEventHandler::message(MessageEvent* event) {
    // An entity that references itself, directly or through others, makes the document not
    // well-formed; the library only leaves the inner reference out and goes on.
    const Message& said = event->message();
    const char* text = said.type != nullptr ? said.type->text() : nullptr;
    if (!cancelled() && said.type != nullptr && said.type->module() == &libModule &&
        text != nullptr && std::strstr(text, "is already open") != nullptr) {
        StringC file;
        unsigned long line = 0;
        locate(said.loc, file, line);
        if (stop != nullptr) *stop = ParseStop::recursiveEntity;
        if (stopLine != nullptr) *stopLine = line;
        cancel();
    }
    // A document read as XML whose markup the parser takes for text, or whose text it leaves
    // out, is not well-formed: it is refused rather than stored other than it is written.
    // Content after the document element is refused alike rather than left out in silence.
    if (xml && !cancelled() && notes != nullptr && stop != nullptr && said.type != nullptr &&
        said.type->module() == &libModule && said.type->severity() == MessageType::error &&
        text != nullptr) {
        const bool after =
            documentElementStarted && openElements == 0 && followsDocumentElement(text);
        if (after || losesMarkup(text)) {
            StringC file;
            unsigned long line = 0;
            locate(said.loc, file, line);
            refuseMarkup(after ? "content after the document element (" + messageText(said) + ")"
                               : messageText(said),
                         line);
        } else if (!documentElementStarted && prologLoss.empty() && losesProlog(text)) {
            StringC file;
            locate(said.loc, file, prologLossLine);
            prologLoss = messageText(said);
        }
    }
    if (notes != nullptr && said.type != nullptr && said.type->severity() == MessageType::error) {
        // A document with an error in every element must not pay for texts nobody reads: the
        // last error explains only a document without an element.
        const bool first = firstFault.empty();
        if (first || !documentElementStarted) {
            StringC file;
            unsigned long line = 0;
            locate(said.loc, file, line);
            const std::string message = messageText(said);
            if (!documentElementStarted) {
                lastFault = message;
                lastFaultLine = line;
            }
            if (first) {
                firstFault = message;
                firstFaultLine = line;
            }
        }
        // The library publishes no table of its messages; its text is the only mark of the
        // message it gives when it ends an element whose end tag is missing.
        endTagMissing = said.type->module() == &libModule && text != nullptr &&
                        std::strncmp(text, "end tag for %1 omitted", 22) == 0;
    }
    messenger->dispatchMessage(said);
    ErrorCountEventHandler::message(event);
}

void SgmlsEventHandler::refuseMarkup(const std::string& reason, unsigned long line) {
    *stop = ParseStop::notWellFormed;
    notes->reason = reason;
    if (stopLine != nullptr) *stopLine = line;
    cancel();
}

void SgmlsEventHandler::startData() {
    if (!haveData) {
        if (events != nullptr) {
            pendingText.clear();
            fedRunKept = false;
        } else {
            os.putByte('-');
        }
        haveData = true;
    } else if (runRaw) {
        settleRun();
    }
}

void SgmlsEventHandler::settleRun() {
    // The record ends of the raw characters were counted as they came.
    runRaw = false;
    fedRunKept = false;
    pendingText.clear();
    pendingText.append(rawRun, rawLength);
}

void SgmlsEventHandler::endDataLine() {
    haveData = false;
    if (events != nullptr && runRaw && fedRunKept && rawLength == fedLength &&
        std::equal(rawRun, rawRun + rawLength, fedRun, [](Char a, Char b) { return a == b; })) {
        runRaw = false;
        events->repeatedText(pendingText.view());
        return;
    }
    endNewDataLine();
}

void SgmlsEventHandler::endNewDataLine() {
    if (events == nullptr) {
        os.putByte('\n');
        return;
    }
    if (!runRaw) {
        events->text(pendingText.view());
        return;
    }
    runRaw = false;
    pendingText.clear();
    pendingText.append(rawRun, rawLength);
    std::copy(rawRun, rawRun + rawLength, fedRun);
    fedLength = rawLength;
    fedRunKept = true;
    events->text(pendingText.view());
}

void SgmlsEventHandler::writeData(const Char* s, std::size_t n) {
    if (events == nullptr) {
        writeEscaped(s, n);
        return;
    }
    // A record end inside a data line moves the reader to the next line without an "L".
    lastLine += pendingText.append(s, n);
}

void SgmlsEventHandler::writeDataBytes(const char* bytes) {
    if (events != nullptr) {
        pendingText.append(std::string_view(bytes));
    } else {
        os.putBytes(bytes);
    }
}

std::string_view SgmlsEventHandler::escaped(EscapedText& scratch, const StringC& s) {
    scratch.clear();
    scratch.append(s.data(), s.size());
    return scratch.view();
}

std::string_view SgmlsEventHandler::elementNameAnew(const StartElementEvent& event) {
    const ElementType* type = event.elementType();
    const auto [known, added] = typeNames.try_emplace(type);
    if (added) known->second.assign(escaped(scratchName, event.name()));
    lastType = type;
    lastTypeName = known->second;
    return lastTypeName;
}

void SgmlsEventHandler::writeLocation(const Location& loc) {
    StringC file;
    unsigned long line;
    if (!locate(loc, file, line)) {
        return;
    }
    if (file == lastFile && line == lastLine) {
        return;
    }
    endData();
    if (events == nullptr) {
        os << 'L' << line;
        if (!(file == lastFile)) {
            os.put(' ');
            writeEscaped(file);
        }
        os.put('\n');
    }
    lastFile = file;
    lastLine = line;
}

void SgmlsEventHandler::writeEscaped(const Char* s, size_t n) {
    const std::size_t recordEnds = os.putEscaped(s, n);
    // A record end inside a data line moves the reader to the next line without an "L".
    if (haveData) lastLine += recordEnds;
}

void SgmlsEventHandler::appinfo(AppinfoEvent* event) {
    const std::unique_ptr<AppinfoEvent> owned(event);
    const StringC* text;
    if (event->literal(text)) {
        endData();
        if (events == nullptr) writeLine('#', *text);
    }
}

void SgmlsEventHandler::startDtd(StartDtdEvent* event) {
    const std::unique_ptr<StartDtdEvent> owned(event);
    endData();
    const Entity* subset = event->entity().pointer();
    const ExternalEntity* external = subset ? subset->asExternalEntity() : nullptr;
    if (events != nullptr) {
        if (external) {
            if (const StringC* system = external->externalId().systemIdString())
                events->identifier('s', escaped(scratchValue, *system), true);
            if (const StringC* pub = external->externalId().publicIdString())
                events->identifier('p', escaped(scratchValue, *pub), true);
        }
        events->documentType(escaped(scratchName, event->name()));
        return;
    }
    if (external) {
        if (const StringC* system = external->externalId().systemIdString()) {
            os << "s ";
            writeEscaped(*system);
            os.put('\n');
        }
        if (const StringC* pub = external->externalId().publicIdString()) {
            os << "p ";
            writeEscaped(*pub);
            os.put('\n');
        }
    }
    os << "!doctype ";
    writeEscaped(event->name());
    os.put('\n');
}

void SgmlsEventHandler::endProlog(EndPrologEvent* event) {
    const std::unique_ptr<EndPrologEvent> owned(event);
    // The DTD's content models are compiled: the document's instance needs far less memory.
    confinedChildSetupDone();
    if (!cancelled() && entitiesOverBound(event->dtd())) {
        if (stop != nullptr) *stop = ParseStop::entityBound;
        cancel();
        return;
    }
    if (flags & esisEntity) {
        Dtd::ConstEntityIter iter(event->dtd().generalEntityIter());
        for (;;) {
            ConstPtr<Entity> entity(iter.next());
            if (entity.isNull()) {
                break;
            }
            defineEntity(entity.pointer());
        }
    }
    if (!event->lpdPointer().isNull()) {
        linkProcess.init(event->lpdPointer());
        haveLinkProcess = true;
    }
    const Vector<StringC>& names = event->simpleLinkNames();
    for (size_t i = 0; i < names.size(); ++i) {
        simpleLinkNames.push_back(names[i]);
        simpleLinkAttributes.push_back(event->simpleLinkAttributes()[i]);
    }
}

void SgmlsEventHandler::startElement(StartElementEvent* event) {
    // Most elements have no attributes and come from the document entity itself, after its
    // document element started: their start is fed to the tree in these few steps.
    if (events == nullptr || !admitPlain(event->location()) || event->attributes().size() != 0 ||
        haveLinkProcess || !documentElementStarted) {
        startElementMeasured(event);
        return;
    }
    const std::unique_ptr<StartElementEvent> owned(event);
    endData();
    sawContent();
    ++openElements;
    noteLocation(event->location());
    events->startElement(elementName(*event));
}

void SgmlsEventHandler::startElementMeasured(StartElementEvent* event) {
    const std::unique_ptr<StartElementEvent> owned(event);
    if (!admit(event->location(), event->name().size() + 2, &event->attributes())) return;
    endData();
    sawContent();
    ++openElements;
    const AttributeList* linkAttributes = nullptr;
    if (haveLinkProcess) {
        const ResultElementSpec* resultSpec;
        linkProcess.startElement(event->elementType(), event->attributes(), event->location(),
                                 *messenger, linkAttributes, resultSpec);
    }
    bool simpleLinks = !documentElementStarted;
    // Text before the document element was left out of the document.
    if (simpleLinks && !prologLoss.empty() && stop != nullptr && *stop == ParseStop::none) {
        refuseMarkup(prologLoss, prologLossLine);
        return;
    }
    documentElementStarted = true;
    if (simpleLinks) {
        for (const AttributeList& attributes : simpleLinkAttributes) {
            defineReferences(attributes);
        }
    }
    if (linkAttributes) {
        defineReferences(*linkAttributes);
    }
    // Most elements have no attributes: nothing to define or feed.
    const bool attributed = event->attributes().size() != 0;
    if (attributed) defineReferences(event->attributes());
    if (simpleLinks) {
        for (size_t i = 0; i < simpleLinkNames.size(); ++i) {
            writeAttributes(simpleLinkAttributes[i], 'a', &simpleLinkNames[i]);
        }
    }
    if (linkAttributes) {
        writeAttributes(*linkAttributes, 'a', &linkProcess.name());
    }
    if (events != nullptr) {
        if (attributed) feedAttributes(event->attributes());
        noteLocation(event->location());
        events->startElement(elementName(*event));
        return;
    }
    writeAttributes(event->attributes(), 'A', nullptr);
    if ((flags & esisIncluded) && event->included()) {
        os << "i\n";
    }
    if ((flags & esisEmpty) && event->mustOmitEnd()) {
        os << "e\n";
    }
    noteLocation(event->location());
    writeLine('(', event->name());
}

void SgmlsEventHandler::endElement(EndElementEvent* event) {
    // An end tag of an element fed to the tree, with no link process.
    if (events == nullptr || cancelled() || endTagMissing || haveLinkProcess) {
        endElementNoted(event);
        return;
    }
    const std::unique_ptr<EndElementEvent> owned(event);
    endData();
    if (openElements > 0) --openElements;
    sawContent();
    noteLocation(event->location());
    events->endElement();
}

void SgmlsEventHandler::endElementNoted(EndElementEvent* event) {
    const std::unique_ptr<EndElementEvent> owned(event);
    if (cancelled()) return;
    endData();
    if (haveLinkProcess) {
        linkProcess.endElement();
    }
    // Only the end of the document ends the document element without its end tag: the
    // document was cut short, and the parser's elements closed at its end are not the
    // document's. Its first fault since the text went on says where it was cut.
    const bool implied = endTagMissing;
    endTagMissing = false;
    if (openElements > 0) --openElements;
    if (implied && openElements == 0 && notes != nullptr && stop != nullptr &&
        *stop == ParseStop::none) {
        *stop = ParseStop::truncated;
        notes->reason = firstFault;
        if (stopLine != nullptr) *stopLine = firstFaultLine;
    }
    if (!implied) sawContent();
    noteLocation(event->location());
    if (events != nullptr) {
        events->endElement();
    } else {
        writeLine(')', event->name());
    }
}

void SgmlsEventHandler::data(DataEvent* event) {
    // Most data is the document's own text between two tags, fed to the tree: its record starts
    // lie in no entity. Between two tags it comes a character an event (a record end, then the
    // next line's record start), kept as it came.
    if (events == nullptr || !admitPlain(event->location())) {
        dataMeasured(event);
        return;
    }
    if (event->dataLength() != 1 || (haveData && !(runRaw && rawLength < rawRoom)) ||
        (flags & esisLine) != 0) {
        feedData(event);
        return;
    }
    const std::unique_ptr<DataEvent> owned(event);
    sawContent();
    if (!haveData) {
        haveData = true;
        runRaw = true;
        rawLength = 0;
    }
    rawRun[rawLength++] = *event->data();
}

void SgmlsEventHandler::feedData(DataEvent* event) {
    const std::unique_ptr<DataEvent> owned(event);
    const Char* text = event->data();
    const std::size_t length = event->dataLength();
    if (length > 0) {
        sawContent();
        noteLocation(event->location());
        if (!haveData) {
            haveData = true;
            runRaw = true;
            rawLength = 0;
        }
        if (runRaw && rawRoom - rawLength >= length) {
            std::copy(text, text + length, rawRun + rawLength);
            rawLength += length;
            // A record end inside a data line moves the reader to the next line without an
            // "L".
            if (flags & esisLine)
                lastLine += static_cast<unsigned long>(std::count(text, text + length, Char(13)));
        } else {
            if (runRaw) settleRun();
            lastLine += pendingText.append(text, length);
        }
    }
}

void SgmlsEventHandler::dataMeasured(DataEvent* event) {
    const std::unique_ptr<DataEvent> owned(event);
    if (!admit(event->location(), event->dataLength())) return;
    const Char* text = event->data();
    std::size_t length = event->dataLength();
    // Once admitted, originDepth is the depth of this event's origin: a record start of the
    // document's own text (one a line) lies in no entity, and needs no further look.
    if (length > 0 && text[0] == 10 && originDepth > 0 && startsExternalEntity(event->location())) {
        ++text;
        --length;
    }
    if (length > 0) {
        sawContent();
        noteLocation(event->location());
        startData();
        writeData(text, length);
    }
}

void SgmlsEventHandler::sdataEntity(SdataEntityEvent* event) {
    const std::unique_ptr<SdataEntityEvent> owned(event);
    if (!admit(event->location(), event->dataLength())) return;
    sawContent();
    noteLocation(event->location());
    startData();
    writeDataBytes("\\|");
    writeData(event->data(), event->dataLength());
    writeDataBytes("\\|");
}

void SgmlsEventHandler::pi(PiEvent* event) {
    const std::unique_ptr<PiEvent> owned(event);
    endData();
    sawContent();
    noteLocation(event->location());
    if (events != nullptr) {
        events->processingInstruction();
    } else {
        os.put('?');
        writeEscaped(event->data(), event->dataLength());
        os.put('\n');
    }
}

void SgmlsEventHandler::nonSgmlChar(NonSgmlCharEvent* event) {
    const std::unique_ptr<NonSgmlCharEvent> owned(event);
    if (flags & esisNonSgml) {
        noteLocation(event->location());
        startData();
        writeDataBytes(
            ("\\%" + std::to_string(static_cast<unsigned long>(event->character())) + ";").c_str());
    }
}

void SgmlsEventHandler::externalDataEntity(ExternalDataEntityEvent* event) {
    const std::unique_ptr<ExternalDataEntityEvent> owned(event);
    endData();
    defineEntity(event->entity());
    noteLocation(event->location());
    if (events == nullptr) writeLine('&', event->entity()->name());
}

void SgmlsEventHandler::subdocEntity(SubdocEntityEvent* event) {
    const std::unique_ptr<SubdocEntityEvent> owned(event);
    endData();
    const SubdocEntity* entity = event->entity();
    defineEntity(entity);
    noteLocation(event->location());
    if (events == nullptr) writeLine('{', entity->name());
    SgmlParser::Params params;
    params.subdocInheritActiveLinkTypes = 1;
    params.subdocReferenced = 1;
    params.origin = event->entityOrigin()->copy();
    params.parent = parser;
    params.sysid = entity->externalId().effectiveSystemId();
    params.entityType = SgmlParser::Params::subdoc;
    {
        SgmlParser subdocParser(params);
        subdocParser.parseAll(*this, cancelPtr());
    }
    // The subdocument's element types went with its parser; another may take their place.
    typeNames.clear();
    lastType = nullptr;
    endData();
    if (events == nullptr) writeLine('}', entity->name());
}

void SgmlsEventHandler::uselink(UselinkEvent* event) {
    const std::unique_ptr<UselinkEvent> owned(event);
    if (haveLinkProcess) {
        linkProcess.uselink(event->linkSet(), event->restore(), event->lpd().pointer());
    }
}

void SgmlsEventHandler::defineReferences(const AttributeList& attributes) {
    for (unsigned i = 0; i < attributes.size(); ++i) {
        const AttributeSemantics* semantics = attributes.semantics(i);
        if (!semantics) {
            continue;
        }
        ConstPtr<Notation> notation(semantics->notation());
        if (!notation.isNull()) {
            defineNotation(notation.pointer());
        }
        for (size_t j = 0; j < semantics->nEntities(); ++j) {
            defineEntity(semantics->entity(j).pointer());
        }
    }
}

void SgmlsEventHandler::writeAttributes(const AttributeList& attributes, char command,
                                        const StringC* owner) {
    // The lines of link and data attributes are none the tree reads.
    if (events != nullptr) return;
    for (unsigned i = 0; i < attributes.size(); ++i) {
        const AttributeValue* value = attributes.value(i);
        if (!value) {
            continue;
        }
        os.put(command);
        if (owner) {
            writeEscaped(*owner);
            os.put(' ');
        }
        writeEscaped(attributes.name(i));
        const Text* text;
        const StringC* string;
        switch (value->info(text, string)) {
            case AttributeValue::implied:
                os << " IMPLIED";
                break;
            case AttributeValue::cdata:
                os << " CDATA ";
                scratchValue.clear();
                appendAttributeText(scratchValue, *text);
                os.putEncoded(scratchValue.view());
                break;
            case AttributeValue::tokenized:
                os.put(' ');
                os << tokenType(*attributes.def()->def(i));
                os.put(' ');
                writeEscaped(*string);
                break;
        }
        os.put('\n');
    }
}

void SgmlsEventHandler::feedAttributes(const AttributeList& attributes) {
    for (unsigned i = 0; i < attributes.size(); ++i) {
        const AttributeValue* value = attributes.value(i);
        if (!value) {
            continue;
        }
        const std::string_view name = escaped(scratchName, attributes.name(i));
        const Text* text;
        const StringC* string;
        switch (value->info(text, string)) {
            case AttributeValue::implied:
                events->attribute(name, "IMPLIED", {});
                break;
            case AttributeValue::cdata:
                scratchValue.clear();
                appendAttributeText(scratchValue, *text);
                events->attribute(name, "CDATA", scratchValue.view());
                break;
            case AttributeValue::tokenized:
                events->attribute(name, tokenType(*attributes.def()->def(i)),
                                  escaped(scratchValue, *string));
                break;
        }
    }
}

const char* SgmlsEventHandler::tokenType(const AttributeDefinition& definition) const {
    if (definition.isEntity()) return "ENTITY";
    if (definition.isNotation()) return "NOTATION";
    if ((flags & esisId) && definition.isId()) return "ID";
    if ((flags & esisId) && definition.isIdref()) return "IDREF";
    return "TOKEN";
}

void SgmlsEventHandler::appendAttributeText(EscapedText& to, const Text& text) const {
    TextIter iter(text);
    TextItem::Type type;
    const Char* chars;
    size_t length;
    const Location* loc;
    while (iter.next(type, chars, length, loc)) {
        switch (type) {
            case TextItem::data:
            case TextItem::cdata:
                to.append(chars, length);
                break;
            case TextItem::sdata:
                to.append("\\|");
                to.append(chars, length);
                to.append("\\|");
                break;
            case TextItem::nonSgml:
                if (flags & esisNonSgml) {
                    to.append("\\%" + std::to_string(static_cast<unsigned long>(*chars)) + ";");
                }
                break;
            default:
                break;
        }
    }
}

void SgmlsEventHandler::defineEntity(const Entity* entity) {
    if (!entity || !definedEntities.insert(nameKey(entity->name())).second) {
        return;
    }
    if (const ExternalDataEntity* dataEntity = entity->asExternalDataEntity()) {
        defineNotation(dataEntity->notation());
        defineReferences(dataEntity->attributes());
        writeExternalId(dataEntity->externalId(), true);
        // The definitions' own lines are none the tree reads; their identifiers are.
        if (events != nullptr) return;
        os.put('E');
        writeEscaped(entity->name());
        os << dataTypeWord(entity->dataType());
        if (const Notation* notation = dataEntity->notation()) {
            writeEscaped(notation->name());
        }
        os.put('\n');
        writeAttributes(dataEntity->attributes(), 'D', &entity->name());
    } else if (const SubdocEntity* subdoc = entity->asSubdocEntity()) {
        writeExternalId(subdoc->externalId(), true);
        if (events == nullptr) writeLine('S', entity->name());
    } else if (const ExternalEntity* external = entity->asExternalEntity()) {
        writeExternalId(external->externalId(), true);
        if (events == nullptr) writeLine('T', entity->name());
    } else if (const InternalEntity* internal = entity->asInternalEntity();
               internal != nullptr && events == nullptr) {
        os.put('I');
        writeEscaped(entity->name());
        os << dataTypeWord(entity->dataType());
        writeEscaped(internal->string());
        os.put('\n');
    }
}

void SgmlsEventHandler::defineNotation(const Notation* notation) {
    if (!notation || !definedNotations.insert(nameKey(notation->name())).second) {
        return;
    }
    writeExternalId(notation->externalId(), flags & esisNotationSysid);
    if (events == nullptr) writeLine('N', notation->name());
}

void SgmlsEventHandler::writeExternalId(const ExternalId& id, bool withFileName) {
    if (events != nullptr) {
        if (const StringC* system = id.systemIdString())
            events->identifier('s', escaped(scratchValue, *system), false);
        if (const StringC* pub = id.publicIdString())
            events->identifier('p', escaped(scratchValue, *pub), false);
        return;
    }
    if (const StringC* system = id.systemIdString()) {
        writeLine('s', *system);
    }
    if (const StringC* pub = id.publicIdString()) {
        writeLine('p', *pub);
    }
    if (!withFileName || id.effectiveSystemId().size() == 0 || entityManager.isNull()) {
        return;
    }
    // The generated file name: the effective identifier when it is one file of the file system.
    ParsedSystemId parsed;
    NullMessenger quiet;
    if (!entityManager->parseSystemId(id.effectiveSystemId(), systemCharset, true, nullptr, quiet,
                                      parsed) ||
        parsed.size() != 1 || std::strcmp(parsed[0].storageManager->type(), "OSFILE") != 0) {
        return;
    }
    StringC file = parsed[0].specId;
    if (parsed[0].baseId.size() != 0) {
        parsed[0].storageManager->resolveRelative(parsed[0].baseId, file, false);
    }
    writeLine('f', file);
}
