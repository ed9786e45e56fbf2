// The command-line parser application that turns one document into the event stream.
#include "xml/NsgmlsApp.h"

#include <OpenSP/ErrnoMessageArg.h>
#include <OpenSP/LiteralStorage.h>
#include <OpenSP/MessageArg.h>
#include <OpenSP/MessageEventHandler.h>
#include <OpenSP/NotationStorage.h>
#include <OpenSP/PosixStorage.h>
#include <OpenSP/SOEntityCatalog.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "xml/BuiltinStorageManager.h"
#include "xml/ConfinedFileStorageManager.h"
#include "xml/MyOutputCharStream.h"
#include "xml/NsgmlsMessages.h"
#include "xml/OfflineUrlStorageManager.h"
#include "xml/SgmlsEventHandler.h"
#include "xml/UnicodeCodingSystemKit.h"

using namespace OpenSP;

namespace {

// The message-only handler of a prolog-only parse: it stops the parse where the prolog ends.
class PrologMessageEventHandler : public MessageEventHandler {
  public:
    using MessageEventHandler::MessageEventHandler;
    void endProlog(EndPrologEvent* event) override {
        const std::unique_ptr<EndPrologEvent> handed(event);  // the parser hands each event over
        cancel();
    }
};

// The parts of a colon-separated list of paths.
std::vector<std::string> splitPathList(const std::string& list) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(PATH_SEPARATOR, start);
        if (end == std::string::npos) end = list.size();
        if (end > start) parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

}  // namespace

NsgmlsApp::NsgmlsApp() {
    // Internal characters are Unicode whatever the document's character set, so UTF-8 out gives a
    // UTF-8 document's bytes back.
    internalCharsetIsDocCharset_ = false;
    codingSystemKit_ = new UnicodeCodingSystemKit(codingSystemKit_.pointer());
    registerOption('B', "batch-mode", NsgmlsMessages::helpBatch);
    registerOption('d', "warn-duplicate-entities", NsgmlsMessages::helpDuplicate);
    registerOption('l', "line-numbers", NsgmlsMessages::helpLine);
    registerOption('m', "catalog-sysid", NsgmlsMessages::argCatalog, NsgmlsMessages::helpCatalog);
    registerOption('o', "output-option", NsgmlsMessages::argOutput, NsgmlsMessages::helpOutput);
    registerOption('p', "prolog-only", NsgmlsMessages::helpProlog);
    registerOption('r', "warn-default-entities", NsgmlsMessages::helpDefaulted);
    registerOption('s', "no-output", NsgmlsMessages::helpSuppress);
    registerOption('t', "rast-file", NsgmlsMessages::argRast, NsgmlsMessages::helpRast);
    registerOption('u', "warn-undefined-elements", NsgmlsMessages::helpUndefined);
}

NsgmlsApp::~NsgmlsApp() = default;

void NsgmlsApp::processOption(AppChar opt, const AppChar* arg) {
    switch (opt) {
        case 'B':
            batchMode = true;
            unsupportedBatch = true;
            break;
        case 'd':
            options_.warnDuplicateEntity = 1;
            break;
        case 'l':
            outputFlags_ |= esisLine;
            break;
        case 'm':
            catalogs.push_back(arg);
            break;
        case 'o':
            if (unsigned flag = esisOutputFlagNamed(arg)) {
                outputFlags_ |= flag;
            } else {
                badOutputOptions.push_back(arg);
            }
            break;
        case 'p':
            prologOnly = true;
            break;
        case 'r':
            options_.warnDefaultEntityReference = 1;
            break;
        case 's':
            suppressOutput = true;
            break;
        case 't':
            rastFile = arg;
            unsupportedRast = true;
            break;
        case 'u':
            options_.warnUndefinedElement = 1;
            break;
        default:
            // The library's own options; those of the entity manager are noted as well, since
            // this application builds that manager itself.
            if (opt == 'c') {
                catalogs.push_back(arg);
            } else if (opt == 'D') {
                searchDirs.push_back(arg);
            } else if (opt == 'R') {
                restrictFileReading = true;
            } else if (opt == 'C') {
                mapCatalogDocument = true;
            } else if (opt == 'f') {
                messagesDiscarded = std::strcmp(arg, "/dev/null") == 0;
            }
            ParserApp::processOption(opt, arg);
            break;
    }
}

int NsgmlsApp::processArguments(int argc, AppChar** files) {
    // Options are read before the library opens the error file; their faults are told here, so
    // that they land in it.
    for (const std::string& name : badOutputOptions) {
        message(NsgmlsMessages::unknownOutputOption, StringMessageArg(convertInput(name.c_str())));
    }
    if (unsupportedBatch) {
        message(NsgmlsMessages::batchNotSupported);
    }
    if (unsupportedRast) {
        message(NsgmlsMessages::rastNotSupported);
    }
    if (!badOutputOptions.empty() || unsupportedBatch || unsupportedRast) {
        return 1;
    }
    if (policy.documentFile.empty() && argc > 0) {
        policy.documentFile = files[argc - 1];
        policy.folder = documentFolder(policy.documentFile);
    }
    // The files before the document are parts of the document entity the caller chose.
    for (int i = 0; i + 1 < argc; ++i) policy.trustedFiles.emplace_back(files[i]);
    // A reference to an ID no element carries is worth nothing but a message; when the messages
    // are thrown away the parser keeps no record of references (for every IDREF token it
    // looked up, and often created, an entry of its ID table: a tenth of the import of a large
    // document with references). The import resolves references itself.
    if (messagesDiscarded) options_.errorIdref = 0;
    installOfflineEntityManager();
    if (!prologOnly && !suppressOutput) {
        output = std::make_unique<MyOutputCharStream>(outputFileName);
        if (!output->isOpen()) {
            // Rather than flooding standard output with the document, the run fails.
            message(openFileErrorMessage(), StringMessageArg(convertInput(outputFileName)),
                    ErrnoMessageArg(output->openError()));
            output.reset();
            return 1;
        }
    }
    int result = EntityApp::processArguments(argc, files);
    // An entity refused for its bytes leaves a parse that went on without it: the document is
    // not well-formed whatever else the parse met.
    // It also explains a document element cut short, or none found, better than the parser
    // can: the entity's text is missing from the parse.
    if (textFault.line != 0 &&
        (stopReason == ParseStop::none || stopReason == ParseStop::truncated ||
         stopReason == ParseStop::noDocumentElement || stopReason == ParseStop::notWellFormed)) {
        stopReason = ParseStop::invalidUtf8;
        parserNotes.reason.clear();
        stopLine_ = textFault.line;
        result = 1;
    }
    if (output) {
        output->flush();
    }
    return result;
}

ErrorCountEventHandler* NsgmlsApp::makeEventHandler() {
    if (prologOnly) {
        return new PrologMessageEventHandler(this, &parser());
    }
    if (suppressOutput || !output) {
        return new MessageEventHandler(this, &parser());
    }
    auto* handler = new SgmlsEventHandler(&parser(), output.get(), this, outputFlags_,
                                          entityManager(), systemCharset());
    handler->setBounds(policy, &stopReason, &stopLine_);
    handler->setNotes(&parserNotes, this);
    if (events != nullptr) handler->feed(*events);
    return handler;
}

void NsgmlsApp::allLinkTypesActivated() {
    if (!rastFile) {
        ParserApp::allLinkTypesActivated();
    }
}

void NsgmlsApp::installOfflineEntityManager() {
    // The library builds its own manager on first request; it is replaced before any use.
    Ptr<ExtendEntityManager>& manager = entityManager();
    const CharsetInfo& charset = systemCharset();

    // Catalogs: those of the arguments first (they must exist), then the machine's. They are
    // configuration, so the document's confinement lets them be read.
    std::vector<std::string> catalogFiles;
    for (const AppChar* catalog : catalogs) catalogFiles.emplace_back(catalog);
    const size_t mustExist = catalogFiles.size();
    const char* machine = std::getenv("SGML_CATALOG_FILES");
    for (const std::string& file : splitPathList(machine ? machine : SGML_CATALOG_FILES_DEFAULT)) {
        catalogFiles.push_back(file);
    }
    EntityPolicy confined = policy;
    for (const std::string& file : catalogFiles) confined.trustedFiles.push_back(file);
    // The machine's installed catalogs, declarations and DTDs; never the folder of a catalog as
    // such, which for the import's own catalog is the home folder.
    for (const char* shared : {"/etc/sgml", "/etc/xml", "/usr/share/sgml", "/usr/share/xml"}) {
        confined.trustedFolders.emplace_back(shared);
    }
    auto* files = new ConfinedFileStorageManager(&charset, codingSystem(), confined,
                                                 restrictFileReading, &textFault, &parserNotes);
    for (const AppChar* dir : searchDirs) {
        files->addSearchDir(convertInput(dir));
    }
    if (const char* path = std::getenv("SGML_SEARCH_PATH")) {
        for (const std::string& dir : splitPathList(path)) {
            files->addSearchDir(convertInput(dir.c_str()));
        }
    }
    // Documents are read as XML reads them: UTF-8 unless a byte-order mark or an encoding
    // declaration says otherwise.
    const char* staticName = nullptr;
    const InputCodingSystem* input =
        codingSystemKit_->makeInputCodingSystem(convertInput("XML"), charset, false, staticName);
    if (!input) {
        input = codingSystem();
    }
    manager = ExtendEntityManager::make(files, input, inputCodingSystemKit(),
                                        internalCharsetIsDocCharset_);
    // No "OSFD" manager: a document naming a file descriptor would read the program's input.
    manager->registerStorageManager(new OfflineUrlStorageManager(&charset, &parserNotes));
    manager->registerStorageManager(new LiteralStorageManager("LITERAL"));
    manager->registerStorageManager(new BuiltinStorageManager);
    manager->registerStorageManager(new NotationStorageManager("CLSID"));
    manager->registerStorageManager(new NotationStorageManager("MIMETYPE"));

    Vector<StringC> catalogIds;
    for (const std::string& catalog : catalogFiles)
        catalogIds.push_back(convertInput(catalog.c_str()));
    manager->setCatalogManager(
        SOCatalogManager::make(catalogIds, mustExist, &charset, &charset, mapCatalogDocument));
}
