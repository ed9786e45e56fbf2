// The import driver: catalog, tag files, the parser run and the steps of one import.
#include "xml/NsgmlHandler.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <utility>

#include "access/OMAccess.h"
#include "foundation/Error.h"
#include "foundation/ErrorHandler.h"
#include "foundation/OutputChannel.h"
#include "foundation/Ref.h"
#include "objectbase/Iterator.h"
#include "objectbase/SymTab.h"
#include "platform/ControlEvents.h"
#include "platform/InterruptFlag.h"
#include "xml/DocumentHead.h"
#include "xml/DocumentText.h"
#include "xml/IgnoreTable.h"
#include "xml/LeftoverFiles.h"
#include "xml/SGMLTreeAttr.h"
#include "xml/SGMLTreeElem.h"
#include "xml/Utf8Check.h"
#include "xml/XmlDeclaration.h"

namespace {

std::string homeFolder() {
    const char* home = std::getenv("HOME");
    if (home == nullptr || *home == '\0') {
        const passwd* entry = getpwuid(getuid());
        home = entry != nullptr ? entry->pw_dir : "";
    }
    return std::string(home) + "/";
}

// Whether the request maps the document's tree into objects: a page fetched for its links (kind
// 0) or read for its prolog (kind 1) does not.
bool mapsTree(const ParseRequest& request) {
    return request.kind >= 3;
}

// Where the whole answer of a Web document's DTD waits for the DTD object's load.
std::string keptDtdPath(const std::string& output) {
    return output + ".dtd.whole";
}

}  // namespace

NsgmlHandler::NsgmlHandler(OMAccess* access) : access(access) {
    const std::string home = homeFolder();
    catalog = home + "catalog.flc";
    tmpFileName = home + ".nsgmltmpfile" + std::to_string(getpid());
    bindNames();
}

void NsgmlHandler::bindNames() {
    hrefs = symbol("hrefs");
    child = symbol("child");
    pcdata = symbol("pcdata");
    xmlId = symbol("xml_id");
    xmlIdref = symbol("xml_idref");
}

NsgmlHandler::~NsgmlHandler() {
    std::remove(outputPath().c_str());
    leftoverFiles::forget(outputPath());
}

void NsgmlHandler::setDtdFile(const std::string& publicId, const std::string& file) {
    publicEntry = "PUBLIC " + publicId + " " + file;
    writeCatalog();
}

void NsgmlHandler::setDclFile(const std::string& file) {
    sgmlDeclEntry = "SGMLDECL " + file;
    writeCatalog();
}

void NsgmlHandler::setEntFile(const std::string& publicId, const std::string& file) {
    secondPublicEntry = "PUBLIC " + publicId + " " + file;
    writeCatalog();
}

void NsgmlHandler::setDocType(const std::string& name, const std::string& file) {
    docTypeEntry = "DOCTYPE " + name + " " + file;
    writeCatalog();
}

void NsgmlHandler::setTagFile(const std::string& name) {
    tagFile = name;
}

void NsgmlHandler::setTmpDir(const std::string& name) {
    tmpDir = name;
}

void NsgmlHandler::setSgmlErrFile(const std::string& name) {
    errorFile = name;
}

// Linux files carry no hidden attribute; the leading name stays as it is.
void NsgmlHandler::writeCatalog() {
    std::ofstream out(catalog, std::ios::binary | std::ios::trunc);
    out << sgmlDeclEntry << '\n'
        << publicEntry << '\n'
        << secondPublicEntry << '\n'
        << docTypeEntry << '\n';
}

IgnoreTable* NsgmlHandler::loadIgnoreTable(const std::string& name) {
    auto* table = new IgnoreTable();
    // A file without "<OTHERS>" must not inherit the defaults of the last import.
    SGMLTreeElem::setDefaultStatus('+');
    SGMLTreeAttr::setDefaultStatus('+');
    std::ifstream in(name, std::ios::binary);
    if (!in) {
        centralErrorHandler().report(Error(5, 1, 2, "FileError", name + ": No such (tag) file ",
                                           "NsgmlHandler::loadIgnoreTable", ""));
        return table;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        const char status = line[0];
        const std::string rest = line.substr(1);
        if (status == '#') continue;
        const std::size_t colon = rest.find(':');
        if (colon != std::string::npos) {
            table->addAttr(rest.substr(0, colon), rest.substr(colon + 1), status);
        } else if (rest == "<OTHERS>") {
            SGMLTreeElem::setDefaultStatus(status);
            SGMLTreeAttr::setDefaultStatus(status);
        } else {
            table->addElement(rest, status);
        }
    }
    return table;
}

std::vector<std::string> NsgmlHandler::parserArguments(const std::string& fileName) const {
    std::vector<std::string> args{"  ", errorFile.empty() ? "-f/dev/null" : "-f" + errorFile,
                                  "-E0"};
    if (fileName.find(".htm") == std::string::npos) {
        args.insert(args.end(), {std::string("-c") + builtinXmlCatalog, "-oid", "-wxml"});
    }
    if (std::filesystem::exists(catalog)) args.push_back("-c" + catalog);
    // A relative name that starts with "-" would be read as an option.
    args.push_back(!fileName.empty() && fileName[0] == '-' ? "./" + fileName : fileName);
    return args;
}

std::string NsgmlHandler::outputPath(int level) const {
    std::string name = tmpFileName;
    if (!tmpDir.empty()) {
        name = tmpDir;
        if (name.back() != '/') name += '/';
        name += std::filesystem::path(tmpFileName).filename().string();
    }
    if (level > 0) {
        name += '.';
        name += std::to_string(level);
    }
    return name;
}

void NsgmlHandler::parseWebdoc(const InternalName& document, const std::string& fileName,
                               const ParseRequest& request, int root, const std::string& scheme,
                               const std::string& host, const std::string& urlPath) {
    ImportState current;
    current.document = document;
    current.url = UrlParts{scheme, host, urlPath};
    ImportState* outer = state;
    state = &current;
    const int level = nesting++;
    rootFlag = root;

    Ref<IgnoreTable> table;
    if (!tagFile.empty() && request.kind != 0) {
        table = Ref<IgnoreTable>::adopt(loadIgnoreTable(tagFile));
    } else {
        SGMLTreeElem::setDefaultStatus('+');
        SGMLTreeAttr::setDefaultStatus('+');
    }
    if (fileName.find(".htm") != std::string::npos) current.html = 1;

    // Messages name the document as the user gave it, never the temporary copy of a fetched one.
    const std::string shown = scheme.empty() ? fileName : scheme + host + urlPath;
    const std::string output = outputPath(level);
    // The head is read once: for the encoding, for the document type and for the parser's
    // choice of running in a child.
    const DocumentHead head(fileName);
    const bool xml = request.kind >= 5 || request.xml == 1;
    EntityPolicy policy = entityPolicy(fileName, scheme, urlPath);
    policy.xmlText = xml;
    const bool dtdDemand = request.dtdDemand == builtinObject::Dtd;
    const std::string fetchedDtd = fetchWebDtd(head.doctypeSystemId(), output, policy, dtdDemand);
    wrapper.setEntityPolicy(policy);
    SGMLTreeElem* help = nullptr;
    std::FILE* created = std::fopen(output.c_str(), "wb");
    if (created == nullptr) {
        centralErrorHandler().report(
            Error(5, 100, 2, "CantWrite", "can't write to file : " + output, "NSgmlHandler", ""));
    } else {
        leftoverFiles::remember(output);
        // The parser takes bytes that are not UTF-8 for characters of their own values: a
        // document read as UTF-8 is refused before.
        const unsigned long badLine = head.readAsUtf8(xml) ? firstInvalidUtf8Line(fileName) : 0;
        ParseStop stop = ParseStop::invalidUtf8;
        unsigned long stopLine = badLine;
        std::string stopEntity;
        std::string stopDetail;
        // A parse in this process feeds the builder as it goes; a parse in a child writes the
        // event stream, which the builder reads once the parse is done.
        DocumentTreeBuilder builder(current.tree, maxDepth);
        current.builder = &builder;
        current.builtDirectly = false;
        if (badLine == 0) {
            std::vector<std::string> args = parserArguments(fileName);
            wrapper.setDeclaresEntities(head.mayDeclareEntities());
            runParser(args, output);
            stop = wrapper.lastStop();
            stopLine = wrapper.lastStopLine();
            stopEntity = wrapper.lastStopEntity();
            stopDetail = wrapper.lastNotes().reason;
            // Nothing leaks from a file a document may not read, but the user learns that its
            // text is missing, and why. The document is imported without it, so this is no
            // error, and it is written whatever the error handler's filter admits.
            for (const std::string& notRead : wrapper.lastNotes().notRead)
                errorChannel() << "Warning: " << shown << ": " << notRead << std::endl;
        }
        current.builder = nullptr;
        // A page fetched for its links, or read for its prolog, maps no tree: what the parser
        // made of its text is all there is.
        if (!mapsTree(request) &&
            (stop == ParseStop::truncated || stop == ParseStop::noDocumentElement ||
             stop == ParseStop::notWellFormed)) {
            stop = ParseStop::none;
        }
        std::fclose(created);
        if (!fetchedDtd.empty()) {
            std::remove(fetchedDtd.c_str());
            leftoverFiles::forget(fetchedDtd);
        }
        std::ifstream in(output, std::ios::binary);
        if (stop != ParseStop::none) {
            // A parse cut short leaves a stream that ends anywhere, and the parser's closing of
            // a truncated document is no tree of the document's: none of it is stored.
            abandonImport(shown, stop, stopLine, stopEntity, stopDetail);
        } else if (!in) {
            centralErrorHandler().report(
                Error(5, 100, 2, "CantWrite", "can't read file : " + output, "NSgmlHandler", ""));
        } else {
            // What the tree's reading states of the document (its type, an HTML page's title
            // and links) waits with the mapping's facts: an import given up stores none of it.
            current.staging = true;
            if (!current.builtDirectly) parseEsis(in, builder);
            builder.finish();
            stageDocumentType(builder);
            if (builder.html()) current.html = 1;
            current.invalidOutput = builder.invalidOutput() ? 1 : 0;
            current.elements = builder.elements();
            help = current.tree.newNode("help", "");
            help->addChild(builder.root());
            ParseStop refused = builder.refused();
            if (refused != ParseStop::tooDeep && !mapsTree(request)) refused = ParseStop::none;
            if (interruptFlag.load() != 0) refused = ParseStop::interrupted;
            if (refused != ParseStop::none) {
                current.tree.clear();
                help = nullptr;
                current.staging = false;
                current.staged.discard();
                abandonImport(
                    shown, refused, 0, "",
                    refused == ParseStop::truncated
                        ? "the document ends inside element \"" + builder.endedInside() + "\""
                        : "");
            }
        }
    }
    if (help != nullptr) {
        SGMLTreeElem* tree = *help->getChildren().begin();
        if (current.invalidOutput != 0) {
            centralErrorHandler().report(
                Error(5, 2, 1, "SGMLWarning",
                      "sgml parser has generated invalid output for file " + shown,
                      "NsgmlHandler::parseWebdoc", ""));
        }
        if (current.html != 0) extractHtml(tree);
        if (table) applyIgnoreTable(tree, *table);
        if (dtdDemand) lookupDtd(shown, request);
        if (request.kind == 3) {
            int counter = 0;
            current.rootObject = path(document, symbol("root"));
            mapChildren(document, symbol("root"), help, request, counter);
        } else if (request.kind >= 4) {
            int counter = 0;
            // Each element mapped gets a fresh name.
            access->giveSymTab()->reserve(current.elements + 1);
            mapDtdChildren(document, current.rootObject, help, request, counter);
            // The references need only their records: the tree's room goes back first.
            current.tree.clear();
            // A stop cuts the mapping short: references resolved over the IDs met so far would
            // be reported undefined although the document has them.
            if (request.references == 1 && !controlEvents::stopRequested())
                resolveReferences(request);
        }
        // Ctrl-C or a farewell while the document was mapped: nothing of it is stored. A
        // farewell ends the program right after.
        current.staging = false;
        if (controlEvents::stopRequested()) {
            current.staged.discard();
            abandonImport(shown, ParseStop::interrupted);
        } else {
            commitStaged(shown);
        }
    }
    // The DTD object took the kept answer, or it had a value already and took none.
    if (dtdDemand && forget) forget(keptDtdPath(output));
    table.reset();
    current.tree.clear();
    if (level > 0) std::remove(output.c_str());
    --nesting;
    state = outer;
}

bool NsgmlHandler::commitStaged(const std::string& shown) {
    // The facts are all made: storing them is short, and a document stored whole is sound, so
    // Ctrl-C lets it finish (the interrupt then stops the evaluation around the import). A
    // farewell must end the program within a second however large the document: the storing
    // stops at once, and the document gets the interrupted error value. The base is given up
    // with the program; the farewell neither saves it nor reads the document.
    const bool whole = state->staged.commit(
        *access,
        [this] {
            if (commitPoll) commitPoll();
            return controlEvents::farewellPending();
        },
        freshMember);
    if (!whole) abandonImport(shown, ParseStop::interrupted);
    return whole;
}

EntityPolicy NsgmlHandler::entityPolicy(const std::string& fileName, const std::string& scheme,
                                        const std::string& urlPath) const {
    EntityPolicy policy;
    policy.documentFile = fileName;
    // A document given as a file, or by a file URL, reads from the folder it lies in; one from
    // the Web reads nothing local but its own copy.
    std::string local;
    if (scheme.empty()) {
        local = fileName;
    } else if (lowerCase(scheme) == "file:") {
        local = percentDecoded(urlPath);
    }
    if (!local.empty()) policy.folder = documentFolder(local);
    // The user's catalog and the files its entries name are configuration.
    policy.trustedFiles.push_back(catalog);
    const std::filesystem::path home = std::filesystem::path(catalog).parent_path();
    for (const std::string* entry :
         {&sgmlDeclEntry, &publicEntry, &secondPublicEntry, &docTypeEntry}) {
        const std::size_t blank = entry->rfind(' ');
        if (blank == std::string::npos) continue;
        std::filesystem::path named = entry->substr(blank + 1);
        if (named.empty()) continue;
        policy.trustedFiles.push_back(named.is_absolute() ? named.string()
                                                          : (home / named).string());
    }
    return policy;
}

std::string NsgmlHandler::fetchWebDtd(const std::string& systemId, const std::string& output,
                                      EntityPolicy& policy, bool keep) {
    const std::string& scheme = state->url.scheme;
    // An identifier with a scheme of its own is the parser's URL entity, which it never opens:
    // only a path, relative or absolute on the document's server, finds a fetched copy.
    if (!fetch || systemId.empty() || !isWebScheme(scheme) || !splitUrl(systemId).scheme.empty())
        return "";
    std::string address = resolveIdentifier(systemId);
    address = address.size() >= 2 ? address.substr(1, address.size() - 2) : "";
    // Only the document's own server: a document must not make this machine ask another host,
    // or read a local file, in its name.
    const UrlParts target = splitUrl(address);
    if (lowerCase(target.scheme) != lowerCase(scheme) ||
        lowerCase(target.host) != lowerCase(state->url.host) || target.host.empty())
        return "";
    const std::string copy = output + ".dtd";
    leftoverFiles::remember(copy);
    if (!fetch(address, copy, keep ? keptDtdPath(output) : "")) {
        std::remove(copy.c_str());
        leftoverFiles::forget(copy);
        return "";
    }
    policy.fetchedEntities.push_back({systemId, copy, address});
    return copy;
}

void NsgmlHandler::abandonImport(const std::string& documentName, ParseStop reason,
                                 unsigned long line, const std::string& entity,
                                 const std::string& detail) {
    const char* kind = "SGMLWarning";
    std::string message = "sgml parser has generated invalid output for file " + documentName;
    switch (reason) {
        case ParseStop::interrupted:
            kind = "Interrupted";
            message = "import of " + documentName + " interrupted";
            break;
        case ParseStop::entityBound:
            kind = "EntityBound";
            message = "entities of " + documentName + " expand beyond " +
                      std::to_string(EntityPolicy::defaultMaxExpandedBytes) + " characters or " +
                      std::to_string(EntityPolicy::defaultMaxDepth) + " levels";
            break;
        case ParseStop::parserMemory:
            kind = "ParserMemory";
            message = "document needs more than " +
                      std::to_string(wrapper.lastMemoryNeeded() / (1024 * 1024)) +
                      " MB to parse : " + documentName;
            break;
        case ParseStop::stalled:
            kind = "ParserStalled";
            message = "sgml parser made no progress within " +
                      std::to_string(EntityPolicy{}.parserStallSeconds) +
                      " seconds and was stopped : " + documentName;
            break;
        case ParseStop::recursiveEntity:
            kind = "NotWellFormed";
            message = documentName + " is not well-formed, line " + std::to_string(line) +
                      ": an entity references itself";
            break;
        case ParseStop::invalidUtf8:
            kind = "NotWellFormed";
            message = documentName + " is not well-formed, line " + std::to_string(line) +
                      (entity.empty() ? "" : " of " + entity) + ": bytes that are not UTF-8";
            break;
        case ParseStop::truncated:
        case ParseStop::noDocumentElement:
        case ParseStop::notWellFormed:
            kind = "NotWellFormed";
            message = documentName + " is not well-formed" +
                      (line != 0 ? ", line " + std::to_string(line) : std::string()) + ": " +
                      (!detail.empty() ? detail : std::string("no document element"));
            break;
        case ParseStop::tooDeep:
            kind = "SGMLWarning";
            message = "document nested deeper than " + std::to_string(maxDepth) +
                      " elements : " + documentName;
            break;
        case ParseStop::none:
        case ParseStop::failed:
            break;
    }
    centralErrorHandler().report(Error(5, 4, 2, kind, message, "NsgmlHandler::parseWebdoc", ""));
    InternalName text;
    access->internName(text, quoted(std::as_const(message)), 2);
    access->insertValue(state->document, symbol("error"), nullptr, 0, MethodType::Set, text);
}

int NsgmlHandler::runParser(std::vector<std::string>& args, const std::string& output) {
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    wrapper.setOutputFile(output.c_str());
    if (state != nullptr) wrapper.setDocumentEvents(state->builder);
    const int result = wrapper.run(static_cast<int>(args.size()), argv.data());
    if (state != nullptr) state->builtDirectly = wrapper.lastRunFedEvents();
    return result;
}

void NsgmlHandler::lookupDtd(const std::string& fileName, const ParseRequest& request) {
    // The system identifier names a file or address; a public one is only a name, so it serves
    // when there is no system identifier.
    const InternalName found =
        state->systemUrl != InternalName::UndefinedObject ? state->systemUrl : state->publicUrl;
    if (found == InternalName::UndefinedObject) {
        centralErrorHandler().report(Error(5, 1, 2, "FileError", fileName + ": No DTD available ",
                                           "NsgmlHandler::parseWebdoc", ""));
        return;
    }
    // The DTD is a document of its own, loaded now: the mapping reads its classes and
    // signatures. Only the link from this document to it waits with the document's facts.
    InternalName args[2] = {builtinObject::Dtd, request.dtdObject};
    InternalName dtd;
    access->insertPath(found, builtinObject::Parse0, args, 2, MethodType::Scalar, dtd);
    state->staged.value(state->document, builtinObject::Dtd, nullptr, 0, 0, dtd);
}

InternalName NsgmlHandler::symbol(const std::string& text) {
    if (state != nullptr && state->lastSymbol != InternalName::UndefinedObject &&
        state->lastSymbolText == text)
        return state->lastSymbol;
    InternalName out;
    access->internName(out, text, 1);
    if (state != nullptr) {
        state->lastSymbolText = text;
        state->lastSymbol = out;
    }
    return out;
}

InternalName NsgmlHandler::path(const InternalName& host, const InternalName& method) {
    if (state != nullptr && state->staging)
        return state->staged.path(*access, host, method, nullptr, 0);
    InternalName out;
    access->insertPath(host, method, nullptr, 0, MethodType::Scalar, out);
    return out;
}

InternalName NsgmlHandler::dtdMethod(const InternalName& method, const ParseRequest& request) {
    return request.dtdObject != builtinObject::Nil ? path(request.dtdObject, method) : method;
}

std::string NsgmlHandler::textOf(const InternalName& name) {
    std::string text;
    access->giveLexicalForm(name, text);
    return text;
}
